#include "KuvEeTreeBaseVar.h"

#include <vector>

#include "KuvEeTreeElementBase.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvInTreeEvalInterval.h"

KUV_DEFINE_TYPE(KuvEeTreeBaseVar, KuvEeVariable)

KuvEeTreeBaseVar::KuvEeTreeBaseVar(const KuvInString& name, const unsigned char* guid, KuvEeModelDico* holder,
                                   bool noTreeMode)
    : KuvEeVariable(name, guid),
      m_holder(holder),
      m_bag(noTreeMode ? std::make_unique<KuvInList>(KuvEeTreeElementBase::sType()) : nullptr) {}

KuvEeTreeBaseVar::~KuvEeTreeBaseVar() {
  // The bag's top elements are ours; the others belong to their parents.
  // Pick them all before deleting any, since a deletion frees descendants.
  std::vector<KuvEeTreeElementBase*> owned;
  if (m_bag != nullptr) {
    for (std::int32_t i = 0; i < m_bag->GetLength(); ++i) {
      auto* element = static_cast<KuvEeTreeElementBase*>(m_bag->Get(i));
      if (element != m_root && element->m_parent == nullptr) owned.push_back(element);
    }
  }
  delete m_root;
  for (KuvEeTreeElementBase* element : owned) delete element;
}

HRESULT KuvEeTreeBaseVar::getAllElements(KuvInSet& set) const {
  std::vector<KuvEeTreeElementBase*> tops;
  if (m_root != nullptr) tops.push_back(m_root);
  if (m_bag != nullptr)
    for (std::int32_t i = 0; i < m_bag->GetLength(); ++i)
      tops.push_back(static_cast<KuvEeTreeElementBase*>(m_bag->Get(i)));
  bool added = false;
  for (KuvEeTreeElementBase* top : tops) {
    if (!set.IsTypeAccepted(top->dType()))
      KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Output set doesn't accept element from the root element type.");
    added = set.Put(top) || added;
    const HRESULT hr = top->getAllChildren(set);
    if (FAILED(hr)) return hr;
    added = added || hr == S_OK;
  }
  return added ? S_OK : S_FALSE;
}

namespace {
// Whether element's range of positions contains interval; E_FAIL when the
// element's index does not make a range.
HRESULT contains(const KuvEeTreeElementBase& element, const KuvInTreeEvalInterval& interval, bool& result) {
  const KuvInTreeEvalIndex& index = element.getTreeEvalIndex();
  KuvInTreeEvalInterval range;
  if (range.setInterval(index.getLowerBound(), true, index.getUpperBound(), true) != S_OK) {
    KUV_TRACE_ERROR_ON(KuvEeTreeBaseVar::traceChannel(), "ERROR : setInterval FAILED");
    return E_FAIL;
  }
  result = interval.isIncludedIn(range);
  return S_OK;
}
}  // namespace

HRESULT KuvEeTreeBaseVar::getDeepestChild(const KuvInTreeEvalInterval& interval,
                                          KuvEeTreeElementBase*& element) const {
  if (element != nullptr) return E_INVALIDARG;
  // The start: the root, or in no-tree mode the innermost bag element that
  // contains the interval.
  KuvEeTreeElementBase* deepest = nullptr;
  std::vector<KuvEeTreeElementBase*> tops;
  if (m_root != nullptr) tops.push_back(m_root);
  if (m_bag != nullptr)
    for (std::int32_t i = 0; i < m_bag->GetLength(); ++i)
      tops.push_back(static_cast<KuvEeTreeElementBase*>(m_bag->Get(i)));
  for (KuvEeTreeElementBase* top : tops) {
    bool inside = false;
    if (FAILED(contains(*top, interval, inside)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to getDeepestChild has failed.");
    if (inside && (deepest == nullptr ||
                   deepest->getTreeEvalIndex().isIndexValidForChildInsertion(top->getTreeEvalIndex())))
      deepest = top;
  }
  // Then down the children, one of which at most contains the interval.
  for (KuvEeTreeElementBase* next = deepest; next != nullptr;) {
    deepest = next;
    next = nullptr;
    for (KuvInSet::const_iterator it = deepest->getChildren().cBegin(); it.IsValid() && next == nullptr;) {
      auto* child = static_cast<KuvEeTreeElementBase*>(it.GetGoToNext());
      bool inside = false;
      if (FAILED(contains(*child, interval, inside)))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: getDeepestChild FAILED");
      if (inside) next = child;
    }
  }
  element = deepest;
  return element != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeTreeBaseVar::addElementToNoTreeModeBag(KuvEeTreeElementBase* element) {
  if (m_bag == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to use this API in NoTreeMode.");
  if (element == nullptr || element->getHolderVar() != this) return E_FAIL;
  if (m_bag->Find(element) >= 0) return S_FALSE;
  if (m_bag->PutBack(element) != S_OK) return E_FAIL;
  if (element->m_parent == nullptr) element->setLifeCycleOwner(this);
  return S_OK;
}

HRESULT KuvEeTreeBaseVar::getElement(const KuvInTreeEvalIndex& index, KuvEeTreeElementBase*& element) const {
  if (element != nullptr) return E_INVALIDARG;
  if (m_root != nullptr && m_root->getElement(index, element) == S_OK) return S_OK;
  if (m_bag != nullptr)
    for (std::int32_t i = 0; i < m_bag->GetLength(); ++i)
      if (static_cast<KuvEeTreeElementBase*>(m_bag->Get(i))->getElement(index, element) == S_OK) return S_OK;
  return S_FALSE;
}

HRESULT KuvEeTreeBaseVar::setRootElement(KuvEeTreeElementBase* element) {
  if (element == nullptr || element->getHolderVar() != this || element->m_parent != nullptr)
    return E_INVALIDARG;
  if (element == m_root) return S_FALSE;
  if (m_root != nullptr) return E_FAIL;
  m_root = element;
  element->setLifeCycleOwner(this);
  return S_OK;
}
