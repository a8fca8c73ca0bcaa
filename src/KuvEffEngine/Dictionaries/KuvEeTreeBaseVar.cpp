#include "KuvEeTreeBaseVar.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "KuvEeTreeBaseVarIndex.h"
#include "KuvEeTreeElementBase.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvInTreeEvalInterval.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeTreeBaseVar, KuvEeVariable)

KuvEeTreeBaseVar::KuvEeTreeBaseVar(const KuvInString& name, const unsigned char* guid, KuvEeModelDico* holder,
                                   bool noTreeMode)
    : KuvEeVariable(name, guid),
      m_holder(holder),
      m_bag(noTreeMode ? std::make_unique<KuvInList>(KuvEeTreeElementBase::sType()) : nullptr),
      m_bagIndex(noTreeMode ? std::make_unique<kuv::detail::TreeBagIndex>() : nullptr) {}

KuvEeTreeBaseVar::~KuvEeTreeBaseVar() {
  // The bag's top elements are ours; the others belong to their parents.
  // Pick them all before deleting any, since a deletion frees descendants.
  // They are gathered at the front of the bag, which goes with us: a
  // destructor must not allocate.
  std::int32_t owned = 0;
  if (m_bag != nullptr) {
    for (std::int32_t i = 0; i < m_bag->GetLength(); ++i) {
      auto* element = static_cast<KuvEeTreeElementBase*>(m_bag->Get(i));
      if (element != m_root && element->m_parent == nullptr) m_bag->Set(owned++, element);
    }
  }
  delete m_root;
  for (std::int32_t i = 0; i < owned; ++i) delete m_bag->Get(i);
}

HRESULT KuvEeTreeBaseVar::getAllElements(KuvInSet& set) const {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&]() -> HRESULT {
        std::vector<KuvEeTreeElementBase*> tops;
        if (m_root != nullptr) tops.push_back(m_root);
        if (m_bag != nullptr)
          for (std::int32_t i = 0; i < m_bag->GetLength(); ++i)
            tops.push_back(static_cast<KuvEeTreeElementBase*>(m_bag->Get(i)));
        bool added = false;
        for (KuvEeTreeElementBase* top : tops) {
          if (!set.IsTypeAccepted(top->dType()))
            KUV_RETURN_ERROR(E_INVALIDARG,
                             "ERROR: Output set doesn't accept element from the root element type.");
          added = set.Put(top) || added;
          // Out of memory, the children's call has emptied the set.
          const HRESULT hr = top->getAllChildren(set);
          if (FAILED(hr)) return hr;
          added = added || hr == S_OK;
        }
        return added ? S_OK : S_FALSE;
      },
      kuv::detail::emptying(set));
}

namespace {
// Whether element's range of positions contains interval; E_FAIL when the
// element's index does not make a range.
HRESULT contains(const KuvEeTreeElementBase& element, const KuvInTreeEvalInterval& interval, bool& result) {
  const KuvInTreeEvalIndex& index = element.getTreeEvalIndex();
  KuvInTreeEvalInterval range;
  if (range.setInterval(index.getLowerBound(), true, index.getUpperBound(), true) != S_OK)
    KUV_RETURN_ERROR_ON(KuvEeTreeBaseVar::traceChannel(), E_FAIL, "ERROR : setInterval FAILED");
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
  // When the tops nest, those containing an interval with distinct ends are
  // a chain whose innermost the scan would keep: found without the scan.
  if (m_bag != nullptr) {
    if (m_topsIndex == nullptr) m_topsIndex = std::make_unique<kuv::detail::TreeWalkIndex>(tops);
    if (m_topsIndex->isLaminar() && interval.getA() < interval.getB()) {
      deepest = m_topsIndex->innermostContaining(interval);
      tops.clear();
    }
  }
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
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return putInBag(element); });
}

HRESULT KuvEeTreeBaseVar::putInBag(KuvEeTreeElementBase* element) {
  if (m_bag == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to use this API in NoTreeMode.");
  if (element == nullptr || element->getHolderVar() != this) return E_FAIL;
  if (m_bagIndex->positionOf(element) >= 0) return S_FALSE;
  if (m_bag->PutBack(element) != S_OK) return E_FAIL;
  try {
    m_bagIndex->addToBag(element, m_bag->GetLength() - 1);
  } catch (const std::bad_alloc&) {
    m_bag->PopBack();
    throw;
  }
  m_walkIndex.reset();
  m_topsIndex.reset();
  if (element->m_parent == nullptr) element->setLifeCycleOwner(this);
  return S_OK;
}

HRESULT KuvEeTreeBaseVar::getElement(const KuvInTreeEvalIndex& index, KuvEeTreeElementBase*& element) const {
  if (element != nullptr) return E_INVALIDARG;
  if (m_root != nullptr && m_root->getElement(index, element) == S_OK) return S_OK;
  // Only a bag element whose subtree holds an element of that index can
  // give it; those are tried in bag order.
  if (m_bag != nullptr)
    for (std::int32_t i : m_bagIndex->positionsHolding(index))
      if (static_cast<KuvEeTreeElementBase*>(m_bag->Get(i))->getElement(index, element) == S_OK) return S_OK;
  return S_FALSE;
}

HRESULT KuvEeTreeBaseVar::setRootElement(KuvEeTreeElementBase* element) {
  if (element == nullptr || element->getHolderVar() != this || element->m_parent != nullptr)
    return E_INVALIDARG;
  if (element == m_root) return S_FALSE;
  if (m_root != nullptr) return E_FAIL;
  m_root = element;
  m_walkIndex.reset();
  m_topsIndex.reset();
  element->setLifeCycleOwner(this);
  return S_OK;
}

void KuvEeTreeBaseVar::childAdded(KuvEeTreeElementBase* child) {
  m_walkIndex.reset();
  if (m_bagIndex != nullptr) m_bagIndex->childAdded(child);
}

const kuv::detail::TreeWalkIndex& KuvEeTreeBaseVar::walkIndex() const {
  if (m_walkIndex == nullptr) {
    std::vector<KuvEeTreeElementBase*> elements;
    std::unordered_set<const KuvEeTreeElementBase*> seen;
    std::vector<KuvEeTreeElementBase*> pending;
    if (m_root != nullptr) pending.push_back(m_root);
    if (m_bag != nullptr)
      for (std::int32_t i = m_bag->GetLength(); i-- > 0;)
        pending.push_back(static_cast<KuvEeTreeElementBase*>(m_bag->Get(i)));
    while (!pending.empty()) {
      KuvEeTreeElementBase* element = pending.back();
      pending.pop_back();
      if (!seen.insert(element).second) continue;
      elements.push_back(element);
      for (KuvInSet::const_iterator it = element->getChildren().cBegin(); it.IsValid();)
        pending.push_back(static_cast<KuvEeTreeElementBase*>(it.GetGoToNext()));
    }
    m_walkIndex = std::make_unique<kuv::detail::TreeWalkIndex>(std::move(elements));
  }
  return *m_walkIndex;
}

namespace kuv::detail {

bool walksBefore(const KuvEeTreeElementBase* a, const KuvEeTreeElementBase* b) {
  const KuvInTreeEvalIndex& x = a->getTreeEvalIndex();
  const KuvInTreeEvalIndex& y = b->getTreeEvalIndex();
  if (!y.isTreeEvalIndexValid()) return x.isTreeEvalIndexValid();
  if (!x.isTreeEvalIndexValid()) return false;
  if (x.getLowerBound() < y.getLowerBound()) return true;
  if (y.getLowerBound() < x.getLowerBound()) return false;
  return y.getUpperBound() < x.getUpperBound();
}

TreeWalkIndex::TreeWalkIndex(std::vector<KuvEeTreeElementBase*> elements) : m_elements(std::move(elements)) {
  std::stable_sort(m_elements.begin(), m_elements.end(), walksBefore);
  const std::size_t n = m_elements.size();
  m_positions.reserve(n);
  m_holders.assign(n, n);
  std::vector<std::size_t> open;
  const KuvInTreeEvalIndex* previous = nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    m_positions.emplace(m_elements[i], i);
    const KuvInTreeEvalIndex& index = m_elements[i]->getTreeEvalIndex();
    if (!index.isTreeEvalIndexValid() || (previous != nullptr && index.equals(*previous))) m_laminar = false;
    previous = &index;
    if (!m_laminar) continue;
    while (!open.empty() &&
           !m_elements[open.back()]->getTreeEvalIndex().isIndexValidForChildInsertion(index)) {
      if (index.getLowerBound() < m_elements[open.back()]->getTreeEvalIndex().getUpperBound())
        m_laminar = false;
      open.pop_back();
    }
    if (!open.empty()) m_holders[i] = open.back();
    open.push_back(i);
  }
}

KuvEeTreeElementBase* TreeWalkIndex::innermostContaining(const KuvInTreeEvalInterval& interval) const {
  // The last element starting at or before the interval lies in the
  // innermost one containing it, if any: that is the first such holder up.
  const auto after =
      std::partition_point(m_elements.begin(), m_elements.end(), [&](const KuvEeTreeElementBase* e) {
        return e->getTreeEvalIndex().getLowerBound() <= interval.getA();
      });
  std::size_t pos = static_cast<std::size_t>(after - m_elements.begin());
  for (pos = pos > 0 ? pos - 1 : m_elements.size(); pos < m_elements.size(); pos = m_holders[pos])
    if (m_elements[pos]->getTreeEvalIndex().getUpperBound() >= interval.getB()) return m_elements[pos];
  return nullptr;
}

std::int64_t TreeWalkIndex::positionOf(const KuvEeTreeElementBase* element) const {
  const auto it = m_positions.find(element);
  return it != m_positions.end() ? static_cast<std::int64_t>(it->second) : -1;
}

std::size_t TreeWalkIndex::endOfHeld(std::size_t pos) const {
  const KuvInTreeEvalIndexBound& end = m_elements[pos]->getTreeEvalIndex().getUpperBound();
  return static_cast<std::size_t>(
      std::partition_point(
          m_elements.begin() + static_cast<std::ptrdiff_t>(pos) + 1, m_elements.end(),
          [&end](const KuvEeTreeElementBase* e) { return e->getTreeEvalIndex().getLowerBound() < end; }) -
      m_elements.begin());
}

bool TreeBagIndex::addToBag(KuvEeTreeElementBase* element, std::int32_t position) {
  if (!m_positions.emplace(element, position).second) return false;
  try {
    addSubtree(element);
  } catch (const std::bad_alloc&) {
    m_positions.erase(element);
    throw;
  }
  return true;
}

std::int32_t TreeBagIndex::positionOf(const KuvEeTreeElementBase* element) const {
  const auto it = m_positions.find(element);
  return it != m_positions.end() ? it->second : -1;
}

void TreeBagIndex::childAdded(KuvEeTreeElementBase* element) {
  for (const KuvEeTreeElementBase* above = element; above != nullptr; above = above->getParentElement())
    if (m_positions.count(above) != 0) {
      addSubtree(element);
      return;
    }
}

std::vector<std::int32_t> TreeBagIndex::positionsHolding(const KuvInTreeEvalIndex& index) const {
  std::vector<std::int32_t> positions;
  std::string key;
  if (!keyOf(index, key)) return positions;
  const auto [first, last] = m_byIndex.equal_range(key);
  for (auto it = first; it != last; ++it)
    for (const KuvEeTreeElementBase* above = it->second; above != nullptr;
         above = above->getParentElement()) {
      const std::int32_t position = positionOf(above);
      if (position >= 0) positions.push_back(position);
    }
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  return positions;
}

bool TreeBagIndex::hasEntry(const std::string& key, const KuvEeTreeElementBase* element) const {
  const auto [first, last] = m_byIndex.equal_range(key);
  return std::any_of(first, last, [element](const auto& entry) { return entry.second == element; });
}

bool TreeBagIndex::keyOf(const KuvInTreeEvalIndex& index, std::string& key) {
  key.clear();
  for (const KuvInTreeEvalIndexBound* bound : {&index.getLowerBound(), &index.getUpperBound()}) {
    if (!bound->isValuated()) return false;
    std::uint32_t count = bound->getNumberValues();
    key.append(reinterpret_cast<const char*>(&count), sizeof count);
    for (std::uint32_t i = 0; i < bound->getNumberValues(); ++i) {
      std::uint32_t level = 0;
      bound->getValue(i, level);
      key.append(reinterpret_cast<const char*>(&level), sizeof level);
    }
  }
  return true;
}

void TreeBagIndex::addSubtree(KuvEeTreeElementBase* top) {
  std::string key;
  if (top->getChildren().GetLength() == 0) {
    // One entry, all or nothing by itself: the usual element, added alone.
    if (keyOf(top->getTreeEvalIndex(), key) && !hasEntry(key, top)) m_byIndex.emplace(std::move(key), top);
    return;
  }
  // The entries are made aside first and entered last, so that running out
  // of memory takes back those entered and the subtree joins all or nothing.
  std::vector<std::pair<std::string, KuvEeTreeElementBase*>> entries;
  std::vector<KuvEeTreeElementBase*> pending{top};
  while (!pending.empty()) {
    KuvEeTreeElementBase* element = pending.back();
    pending.pop_back();
    if (keyOf(element->getTreeEvalIndex(), key) && !hasEntry(key, element))
      entries.emplace_back(key, element);
    for (KuvInSet::const_iterator it = element->getChildren().cBegin(); it.IsValid();)
      pending.push_back(static_cast<KuvEeTreeElementBase*>(it.GetGoToNext()));
  }
  std::size_t entered = 0;
  try {
    for (; entered < entries.size(); ++entered) m_byIndex.emplace(entries[entered]);
  } catch (const std::bad_alloc&) {
    for (std::size_t i = 0; i < entered; ++i) {
      const auto [first, last] = m_byIndex.equal_range(entries[i].first);
      m_byIndex.erase(
          std::find_if(first, last, [&](const auto& entry) { return entry.second == entries[i].second; }));
    }
    throw;
  }
}

}  // namespace kuv::detail
