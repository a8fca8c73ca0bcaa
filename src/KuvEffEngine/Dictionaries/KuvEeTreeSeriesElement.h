// KuvEeTreeSeriesElement: an element of a tree series (a product state or
// manufacturing plan in a tree of them), with its revision text, its
// optional sequence number and associated elements (not owned).
#pragma once

#include <cstdint>

#include "KuvEeTreeElementBase.h"

class KuvEeTreeSeriesVar;

class KUV_API KuvEeTreeSeriesElement : public KuvEeTreeElementBase {
  KUV_DECLARE_TYPE(KuvEeTreeSeriesElement)

public:
  static constexpr std::int32_t sc_noSeqNb = -1;

  // parent is recorded; see addChild.
  KuvEeTreeSeriesElement(const KuvInString& name, const unsigned char* guid, const KuvInString& revision,
                         const KuvInTreeEvalIndex& index, KuvEeTreeSeriesVar* variable,
                         KuvEeTreeSeriesElement* parent);
  ~KuvEeTreeSeriesElement() override;

  KuvEeTreeSeriesVar* getTreeSeriesVar() const;
  KuvEeTreeSeriesElement* getParentTreeSeriesElement() const;
  const KuvInString& getRevision() const { return m_revision; }
  // sc_noSeqNb when the element has none.
  std::int32_t getSeqNb() const { return m_seqNb; }
  void setSeqNb(std::int32_t seqNb) { m_seqNb = seqNb; }

  // See KuvEeTreeElementBase::addChild. With a sequence number the child
  // also takes it and is registered under it in the variable. That
  // registration comes last and may throw std::bad_alloc: the child is
  // this element's by then.
  HRESULT addChild(KuvEeTreeSeriesElement* child);
  HRESULT addChild(KuvEeTreeSeriesElement* child, std::int32_t seqNb);

  // False when null or already associated.
  bool addAssociatedElement(KuvEeDicoObject* element);
  const KuvInSet& getAssociatedElements() const { return m_associated; }

protected:
  using KuvEeTreeElementBase::addChild;

private:
  KuvInString m_revision;
  std::int32_t m_seqNb = sc_noSeqNb;
  KuvInSet m_associated;
};
