// KuvEeTreeBaseVar: a variable whose values are the elements of a tree
// (milestone tracks, tree series). The variable owns its root, which owns
// the rest of the tree.
//
// In no-tree mode (chosen at construction) the elements are not linked into
// a tree but kept in a flat bag, which the variable owns; the bag is indexed
// by element and by tree evaluation index, so that it fills and is searched
// without scanning it.
//
//     KuvEeTreeElementBase* deepest = nullptr;
//     if (var.getDeepestChild(interval, deepest) == S_OK) use(deepest);
#pragma once

#include <memory>

#include "KuvEeVariable.h"
#include "KuvInList.h"
#include "KuvInSet.h"

class KuvEeModelDico;
class KuvEeTreeElementBase;
class KuvEeTreeSelection;
class KuvInTreeEvalIndex;
class KuvInTreeEvalInterval;

namespace kuv::detail {
class TreeBagIndex;
class TreeWalkIndex;
}  // namespace kuv::detail

class KUV_API KuvEeTreeBaseVar : public KuvEeVariable {
  KUV_DECLARE_TYPE(KuvEeTreeBaseVar)

public:
  ~KuvEeTreeBaseVar() override;

  virtual KuvEeTreeElementBase* getRootElement() const { return m_root; }
  // Puts the root and all its descendants in set (cleared first is up to
  // the caller); E_INVALIDARG when set refuses their types, S_FALSE when
  // nothing was added, E_OUTOFMEMORY with set emptied.
  virtual HRESULT getAllElements(KuvInSet& set) const;
  // The deepest element whose index range contains interval: S_OK, or
  // S_FALSE and null when none does. element must be null on entry.
  virtual HRESULT getDeepestChild(const KuvInTreeEvalInterval& interval,
                                  KuvEeTreeElementBase*& element) const;
  virtual KuvEeModelDico* getHolderDico() const { return m_holder; }
  virtual bool isInNoTreeMode() const { return m_bag != nullptr; }
  // Neither a root nor an element in the bag.
  bool isEmpty() const { return m_root == nullptr && (m_bag == nullptr || m_bag->GetLength() == 0); }
  // Takes ownership of element on S_OK; S_FALSE when already there; E_FAIL
  // outside no-tree mode or for an element of another variable.
  // E_OUTOFMEMORY leaves element out, the caller's.
  virtual HRESULT addElementToNoTreeModeBag(KuvEeTreeElementBase* element);

protected:
  KuvEeTreeBaseVar(const KuvInString& name, const unsigned char* guid, KuvEeModelDico* holder,
                   bool noTreeMode);

  // The element whose index equals index: S_OK, or S_FALSE and null.
  // element must be null on entry (E_INVALIDARG).
  virtual HRESULT getElement(const KuvInTreeEvalIndex& index, KuvEeTreeElementBase*& element) const;
  // Takes ownership of element on S_OK; S_FALSE when it already is the
  // root; E_INVALIDARG for null, an element with a parent or of another
  // variable; E_FAIL when another root is set.
  virtual HRESULT setRootElement(KuvEeTreeElementBase* element);

  const KuvInList* getNoTreeModeBag() const { return m_bag.get(); }

private:
  friend class KuvEeTreeElementBase;
  friend class KuvEeTreeSelection;

  // addElementToNoTreeModeBag, throwing std::bad_alloc with nothing changed.
  HRESULT putInBag(KuvEeTreeElementBase* element);
  // child joined one of this variable's elements.
  void childAdded(KuvEeTreeElementBase* child);
  // The elements in walk order, rebuilt after any element joined.
  const kuv::detail::TreeWalkIndex& walkIndex() const;

  KuvEeTreeElementBase* m_root = nullptr;
  KuvEeModelDico* m_holder;
  std::unique_ptr<KuvInList> m_bag;
  std::unique_ptr<kuv::detail::TreeBagIndex> m_bagIndex;
  mutable std::unique_ptr<kuv::detail::TreeWalkIndex> m_walkIndex;
  // The root and the bag's elements, for the deepest-child search.
  mutable std::unique_ptr<kuv::detail::TreeWalkIndex> m_topsIndex;
};
