// KuvEeTreeElementBase: a node of a tree variable (a milestone of a track,
// an element of a tree series). Each element covers a span of tree positions
// (its KuvInTreeEvalIndex); a child's span lies within its parent's, so a
// position is found by descending from the root.
//
// An element owns its children and deletes them with itself; the root is
// owned by its variable. Elements are built by the derived classes and
// attached with addChild or as their variable's root.
#pragma once

#include <memory>

#include "KuvEeDicoObject.h"
#include "KuvInSet.h"

class KuvEeTreeBaseVar;
class KuvInTreeEvalIndex;

namespace kuv::detail {
class TreeBagIndex;
}  // namespace kuv::detail

class KUV_API KuvEeTreeElementBase : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeTreeElementBase)

public:
  ~KuvEeTreeElementBase() override;

  virtual const KuvInTreeEvalIndex& getTreeEvalIndex() const;
  // Puts every descendant in set; E_INVALIDARG when set refuses this
  // element's type, S_FALSE when nothing was added, E_OUTOFMEMORY with set
  // emptied.
  virtual HRESULT getAllChildren(KuvInSet& set) const;
  // The element of this subtree whose index equals index: S_OK, or S_FALSE
  // and null. element must be null on entry (E_INVALIDARG).
  virtual HRESULT getElement(const KuvInTreeEvalIndex& index, KuvEeTreeElementBase*& element) const;
  virtual KuvEeTreeBaseVar* getHolderVar() const { return m_holder; }

  const KuvInSet& getChildren() const { return m_children; }

protected:
  // parent is recorded only; the caller attaches the element with addChild.
  KuvEeTreeElementBase(const KuvInString& name, const unsigned char* guid, KuvEeTreeBaseVar* holder,
                       const KuvInTreeEvalIndex& index, KuvEeTreeElementBase* parent);

  virtual KuvEeTreeElementBase* getParentElement() const { return m_parent; }
  // Takes ownership of child on S_OK; S_FALSE when it is already a child;
  // E_INVALIDARG when its index does not fit in ours, it has another
  // parent or another holder variable, or it is that variable's root.
  // E_OUTOFMEMORY leaves child out, the caller's.
  virtual HRESULT addChild(KuvEeTreeElementBase* child);

private:
  friend class KuvEeTreeBaseVar;
  friend class kuv::detail::TreeBagIndex;

  // addChild, throwing std::bad_alloc with nothing changed.
  HRESULT adopt(KuvEeTreeElementBase* child);

  KuvEeTreeBaseVar* m_holder;
  KuvEeTreeElementBase* m_parent;
  std::unique_ptr<KuvInTreeEvalIndex> m_index;
  KuvInSet m_children;
};
