// KuvEeTreeSeriesVar: a tree series of a model (external type 18, tree
// states, or 19, tree manufacturing plans); its values are the elements of
// its tree, also found by sequence number.
#pragma once

#include <cstdint>

#include "KuvEeTreeBaseVar.h"
#include "KuvInMap.h"

class KuvEeTreeSeriesElement;

class KUV_API KuvEeTreeSeriesVar : public KuvEeTreeBaseVar {
  KUV_DECLARE_TYPE(KuvEeTreeSeriesVar)

public:
  KuvEeTreeSeriesVar(const KuvInString& name, const unsigned char* guid, std::uint32_t externalType,
                     KuvEeModelDico* holder, bool noTreeMode = false);
  ~KuvEeTreeSeriesVar() override;

  std::uint32_t getExternalType() const { return m_externalType; }

  // As setRootElement; with a sequence number the root also takes it and is
  // registered under it. That registration comes last and may throw
  // std::bad_alloc: the root is the variable's by then.
  HRESULT setRootTreeSeriesElement(KuvEeTreeSeriesElement* element);
  HRESULT setRootTreeSeriesElement(KuvEeTreeSeriesElement* element, std::int32_t seqNb);
  KuvEeTreeSeriesElement* getRootTreeSeriesElement() const;
  HRESULT getTreeSeriesElement(const KuvInTreeEvalIndex& index, KuvEeTreeSeriesElement*& element) const;

  // E_INVALIDARG for null or a negative number; replaces an earlier entry.
  HRESULT registerSeqNb2TreeSeriesElement(std::int32_t seqNb, KuvEeTreeSeriesElement* element);
  // Null when no element has that number.
  KuvEeTreeSeriesElement* getElement(std::int32_t seqNb) const;

protected:
  using KuvEeTreeBaseVar::getElement;

private:
  std::uint32_t m_externalType;
  KuvInMap m_bySeqNb;
};
