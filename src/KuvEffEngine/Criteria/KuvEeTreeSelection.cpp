#include "KuvEeTreeSelection.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "KuvEeMilestone.h"
#include "KuvEeTreeBaseVar.h"
#include "KuvEeTreeBaseVarIndex.h"
#include "KuvEeTreeElementBase.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeTreeSelectionBound, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvEeMilestonesSelectionBound, KuvEeTreeSelectionBound)
KUV_DEFINE_TYPE(KuvEeTreeSeriesSelectionBound, KuvEeTreeSelectionBound)
KUV_DEFINE_TYPE(KuvEeTreeSelection, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvEeMilestonesSelection, KuvEeTreeSelection)
KUV_DEFINE_TYPE(KuvEeTreeSeriesSelection, KuvEeTreeSelection)

KuvEeTreeSelectionBound::KuvEeTreeSelectionBound(KuvEeTreeElementBase* element, bool included)
    : m_element(element), m_included(included ? 1 : 0) {}

KuvEeTreeSelectionBound::~KuvEeTreeSelectionBound() = default;

bool KuvEeTreeSelectionBound::isAdjacent(const KuvEeTreeSelectionBound& other) const {
  return m_element == other.m_element && m_included != other.m_included;
}

bool KuvEeTreeSelectionBound::liesBelow(const KuvEeTreeSelectionBound& from) const {
  if (m_element == nullptr || from.m_element == nullptr) return false;
  if (m_element == from.m_element) return from.isIncluded();
  return m_element->getHolderVar() == from.m_element->getHolderVar() &&
         from.m_element->getTreeEvalIndex().isIndexValidForChildInsertion(m_element->getTreeEvalIndex());
}

KuvInString KuvEeTreeSelectionBound::toString() const {
  KuvInString text("[");
  return text.Append(m_element != nullptr ? m_element->toString() : KuvInString(),
                     isIncluded() ? "/Included" : "/Excluded", "]");
}

std::uint32_t KuvEeTreeSelectionBound::hash() const { return hashPointer(m_element) ^ m_included; }

bool KuvEeTreeSelectionBound::equals(const KuvInObjectVal& other) const {
  return other.dType() == dType() &&
         static_cast<const KuvEeTreeSelectionBound&>(other).m_element == m_element &&
         static_cast<const KuvEeTreeSelectionBound&>(other).m_included == m_included;
}

KuvInObjectVal& KuvEeTreeSelectionBound::clone(void* where) const { return cloneOf(*this, where); }

KuvEeMilestonesSelectionBound::KuvEeMilestonesSelectionBound(KuvEeMilestone* milestone, bool included)
    : KuvEeTreeSelectionBound(milestone, included) {
  setElement(milestone);
}

void KuvEeMilestonesSelectionBound::setElement(KuvEeTreeElementBase* element) {
  KuvEeTreeSelectionBound::setElement(element);
  const KuvEeMilestone* milestone = element != nullptr ? KuvEeMilestone::cast(*element) : nullptr;
  m_date = milestone != nullptr && milestone->getDate() != nullptr ? *milestone->getDate() : KuvInDate();
}

KuvEeMilestonesSelectionBound::~KuvEeMilestonesSelectionBound() = default;

bool KuvEeMilestonesSelectionBound::equals(const KuvInObjectVal& other) const {
  if (!KuvEeTreeSelectionBound::equals(other)) return false;
  const auto& o = static_cast<const KuvEeMilestonesSelectionBound&>(other);
  return o.m_date == m_date && o.m_evalIndex == m_evalIndex;
}

KuvInObjectVal& KuvEeMilestonesSelectionBound::clone(void* where) const { return cloneOf(*this, where); }

KuvEeTreeSeriesSelectionBound::KuvEeTreeSeriesSelectionBound(KuvEeTreeSeriesElement* element, bool included)
    : KuvEeTreeSelectionBound(element, included) {}

KuvEeTreeSeriesSelectionBound::~KuvEeTreeSeriesSelectionBound() = default;

KuvInObjectVal& KuvEeTreeSeriesSelectionBound::clone(void* where) const { return cloneOf(*this, where); }

KuvEeTreeSelection::KuvEeTreeSelection(KuvInObjectTypeClass* boundType) : m_to(boundType) {}

KuvEeTreeSelection::KuvEeTreeSelection(const KuvEeTreeSelection& other)
    : KuvInObjectVal(other),
      m_from(other.m_from != nullptr ? static_cast<KuvEeTreeSelectionBound*>(&other.m_from->clone())
                                     : nullptr),
      m_to(other.m_to) {}

KuvEeTreeSelection& KuvEeTreeSelection::operator=(const KuvEeTreeSelection& other) {
  if (this == &other) return *this;
  m_from.reset(other.m_from != nullptr ? static_cast<KuvEeTreeSelectionBound*>(&other.m_from->clone())
                                       : nullptr);
  m_to = other.m_to;
  return *this;
}

KuvEeTreeSelection::~KuvEeTreeSelection() = default;

HRESULT KuvEeTreeSelection::checkBound(const KuvEeTreeSelectionBound& bound) const {
  if (!m_to.IsTypeAccepted(bound.dType())) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: invalid arg.");
  return S_OK;
}

HRESULT KuvEeTreeSelection::setSingleSelection(const KuvEeTreeSelectionBound& bound) {
  KUV_TRACE_CALL("setSingleSelection");
  HRESULT hr = checkBound(bound);
  if (FAILED(hr)) return hr;
  std::unique_ptr<KuvEeTreeSelectionBound> from(static_cast<KuvEeTreeSelectionBound*>(&bound.clone()));
  from->setIncluded(true);
  m_to.Clear();
  m_to.PutBack(*from);
  m_from = std::move(from);
  return S_OK;
}

bool KuvEeTreeSelection::isSingleSelection() const {
  return m_from != nullptr && m_from->isIncluded() && m_to.GetLength() == 1 && m_to.Get(0)->equals(*m_from);
}

HRESULT KuvEeTreeSelection::setFromBound(const KuvEeTreeSelectionBound& bound) {
  KUV_TRACE_CALL("setFromBound");
  HRESULT hr = checkBound(bound);
  if (FAILED(hr)) return hr;
  for (std::int32_t i = 0; i < m_to.GetLength(); ++i) {
    if (!static_cast<const KuvEeTreeSelectionBound*>(m_to.Get(i))->liesBelow(bound))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: From bound isn't a father of all of To bounds.");
  }
  m_from.reset(static_cast<KuvEeTreeSelectionBound*>(&bound.clone()));
  return S_OK;
}

HRESULT KuvEeTreeSelection::addToBound(const KuvEeTreeSelectionBound& bound) {
  KUV_TRACE_CALL("addToBound");
  HRESULT hr = checkBound(bound);
  if (FAILED(hr)) return hr;
  if (m_from == nullptr || !bound.liesBelow(*m_from))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: To Bound ", bound.toString(), " can't be a child of From bound ",
                     m_from != nullptr ? m_from->toString() : KuvInString());
  m_to.PutBack(bound);
  return S_OK;
}

bool KuvEeTreeSelection::selects(const KuvEeTreeElementBase* element) const {
  if (m_from == nullptr ||
      !KuvEeTreeSelectionBound(const_cast<KuvEeTreeElementBase*>(element), true).liesBelow(*m_from))
    return false;
  if (m_to.IsEmpty()) return true;
  for (std::int32_t i = 0; i < m_to.GetLength(); ++i) {
    const auto* to = static_cast<const KuvEeTreeSelectionBound*>(m_to.Get(i));
    KuvEeTreeSelectionBound through(const_cast<KuvEeTreeElementBase*>(element), true);
    if (to->getElement() == element ? to->isIncluded() : to->liesBelow(through)) return true;
  }
  return false;
}

namespace {

// The walk positions of elements when the index knows each of them and
// they come in walk order; empty otherwise.
std::vector<std::size_t> walkPositions(const std::vector<KuvEeTreeElementBase*>& elements,
                                       const kuv::detail::TreeWalkIndex* index) {
  std::vector<std::size_t> positions;
  if (index == nullptr) return positions;
  for (const KuvEeTreeElementBase* element : elements) {
    const std::int64_t at = index->positionOf(element);
    if (at < 0 || (!positions.empty() && static_cast<std::size_t>(at) <= positions.back())) return {};
    positions.push_back(static_cast<std::size_t>(at));
  }
  return positions;
}

// For each of elements, whether some selection of list selects it. A
// selection selects only elements lying below its from bound, which the
// walk order keeps in the bound's block: given the elements' positions, each
// selection is asked about the elements of its block alone instead of all.
std::vector<bool> selectedByAny(const KuvInListVal& list, const std::vector<KuvEeTreeElementBase*>& elements,
                                const std::vector<std::size_t>& positions,
                                const kuv::detail::TreeWalkIndex* index) {
  std::vector<bool> in(elements.size());
  for (std::int32_t s = 0; s < list.GetLength(); ++s) {
    const auto* sel = static_cast<const KuvEeTreeSelection*>(list.Get(s));
    const KuvEeTreeSelectionBound* from = sel->getFromBound();
    if (from == nullptr || from->getElement() == nullptr) continue;  // selects nothing
    std::size_t first = 0;
    std::size_t last = elements.size();
    const std::int64_t at = positions.empty() ? -1 : index->positionOf(from->getElement());
    if (at >= 0) {
      const auto block = static_cast<std::size_t>(at);
      first = static_cast<std::size_t>(std::lower_bound(positions.begin(), positions.end(), block) -
                                       positions.begin());
      last = static_cast<std::size_t>(
          std::lower_bound(positions.begin(), positions.end(), index->endOfHeld(block)) - positions.begin());
    }
    for (std::size_t i = first; i < last; ++i)
      if (!in[i] && sel->selects(elements[i])) in[i] = true;
  }
  return in;
}

// Whether element lies strictly below above, by their indices (the same
// rule the selections apply, so that the walk agrees with what they select).
bool strictlyBelow(KuvEeTreeElementBase* element, KuvEeTreeElementBase* above) {
  return element != above &&
         KuvEeTreeSelectionBound(element, true).liesBelow(KuvEeTreeSelectionBound(above, true));
}

template <class F>
void forEachBound(const KuvInListVal& l1, const KuvInListVal& l2, F f) {
  for (const KuvInListVal* list : {&l1, &l2}) {
    for (std::int32_t i = 0; i < list->GetLength(); ++i) {
      const auto* sel = static_cast<const KuvEeTreeSelection*>(list->Get(i));
      if (sel->getFromBound() != nullptr) f(*sel->getFromBound(), true);
      for (std::int32_t j = 0; j < sel->getToBounds().GetLength(); ++j)
        f(*static_cast<const KuvEeTreeSelectionBound*>(sel->getToBounds().Get(j)), false);
    }
  }
}

// The elements the lists can speak of: the variable's (its tree, or its
// bag in no-tree mode) and those the bounds name, with everything below
// them; in walk order. Only elements at or below a from bound can be
// selected, and when the variable's indices nest, those are the blocks of
// the walk order that the from bounds open: found there without walking the
// rest, they give the same groups (see combine).
std::vector<KuvEeTreeElementBase*> elementsOf(const KuvEeTreeBaseVar* var, const KuvInListVal& l1,
                                              const KuvInListVal& l2,
                                              const kuv::detail::TreeWalkIndex* index) {
  if (index != nullptr) {
    std::vector<std::pair<std::size_t, std::size_t>> blocks;
    bool known = true;
    forEachBound(l1, l2, [&](const KuvEeTreeSelectionBound& bound, bool isFrom) {
      const std::int64_t pos = bound.getElement() != nullptr ? index->positionOf(bound.getElement()) : 0;
      if (pos < 0) known = false;
      if (isFrom && pos >= 0 && bound.getElement() != nullptr) {
        const auto at = static_cast<std::size_t>(pos);
        blocks.emplace_back(at, index->endOfHeld(at));
      }
    });
    if (known) {
      std::sort(blocks.begin(), blocks.end());
      std::vector<KuvEeTreeElementBase*> elements;
      std::size_t next = 0;
      for (const auto& [begin, end] : blocks) {
        for (std::size_t i = std::max(begin, next); i < end; ++i) elements.push_back(index->elements()[i]);
        next = std::max(next, end);
      }
      return elements;
    }
  }
  return kuv::detail::elementsSpokenOf(var, {&l1, &l2});
}

// For each element (in walk order) the position of its innermost holder,
// the last earlier element it lies below, or n. The elements still open
// form a stack: one that does not hold an element holds none after it that
// a later one does not hold too, so it can be closed. That needs the
// ordering of indices alone, hence one variable for all.
std::vector<std::size_t> holdersOf(const std::vector<KuvEeTreeElementBase*>& elements) {
  const std::size_t n = elements.size();
  std::vector<std::size_t> holder(n, n);
  const bool oneVariable = std::all_of(elements.begin(), elements.end(), [&](const KuvEeTreeElementBase* e) {
    return e->getHolderVar() == elements.front()->getHolderVar();
  });
  if (!oneVariable) {
    for (std::size_t i = 0; i < n; ++i)
      for (std::size_t j = i; j-- > 0;)
        if (strictlyBelow(elements[i], elements[j])) {
          holder[i] = j;
          break;
        }
    return holder;
  }
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < n; ++i) {
    if (!elements[i]->getTreeEvalIndex().isTreeEvalIndexValid()) continue;
    while (!open.empty() && !strictlyBelow(elements[i], elements[open.back()])) open.pop_back();
    if (!open.empty()) holder[i] = open.back();
    open.push_back(i);
  }
  return holder;
}

}  // namespace

HRESULT KuvEeTreeSelection::combine(KuvInListVal& l1, const KuvInListVal& l2, int op) {
  const KuvEeTreeSelection* prototype = nullptr;
  const KuvInListVal* const operands[] = {&l1, &l2};
  for (const KuvInListVal* list : operands)
    for (std::int32_t i = 0; i < list->GetLength() && prototype == nullptr; ++i) {
      const auto* sel = static_cast<const KuvEeTreeSelection*>(list->Get(i));
      if (sel->m_from != nullptr && sel->m_from->getElement() != nullptr) prototype = sel;
    }
  if (prototype == nullptr) {
    l1.Clear();
    return S_OK;
  }
  // The elements are walked as a forest whose parent links come from the
  // indices alone (the innermost element holding each one), so a tree, a
  // no-tree-mode bag and loose elements are treated alike.
  // When the indices nest, an element outside every from bound is never
  // selected, and is the innermost holder of a selectable one only where
  // nothing selectable holds it: leaving such elements out changes no group.
  const KuvEeTreeBaseVar* var = prototype->m_from->getElement()->getHolderVar();
  const kuv::detail::TreeWalkIndex* index = nullptr;
  if (var != nullptr && var->walkIndex().isLaminar()) index = &var->walkIndex();
  const std::vector<KuvEeTreeElementBase*> elements = elementsOf(var, l1, l2, index);
  const std::size_t n = elements.size();
  std::vector<bool> selected(n);
  std::vector<std::vector<std::size_t>> children(n);
  std::vector<bool> hasParent(n);
  const std::vector<std::size_t> holder = holdersOf(elements);
  const std::vector<std::size_t> positions = walkPositions(elements, index);
  const std::vector<bool> in1 = selectedByAny(l1, elements, positions, index);
  const std::vector<bool> in2 = selectedByAny(l2, elements, positions, index);
  for (std::size_t i = 0; i < n; ++i) {
    selected[i] = op == 1 ? (in1[i] || in2[i]) : op == 2 ? (in1[i] && in2[i]) : (in1[i] && !in2[i]);
    if (holder[i] < n) {
      children[holder[i]].push_back(i);
      hasParent[i] = true;
    }
  }
  // Each group of selected elements hanging together becomes one selection:
  // open-ended when it is a whole subtree, else ending at its lowest
  // elements. That form is unique for a set, so equal sets give equal lists.
  KuvInListVal result(l1.GetElementType());
  std::vector<bool> groupTop(n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t child : children[i]) groupTop[child] = selected[child] && !selected[i];
  for (std::size_t i = 0; i < n; ++i) {
    if (!selected[i] || (hasParent[i] && !groupTop[i])) continue;
    std::unique_ptr<KuvEeTreeSelection> sel(static_cast<KuvEeTreeSelection*>(&prototype->clone()));
    sel->m_to.Clear();
    sel->m_from = sel->boundOn(elements[i]);
    bool whole = true;
    std::vector<std::size_t> pending{i};
    while (!pending.empty()) {
      const std::size_t e = pending.back();
      pending.pop_back();
      bool lowest = true;
      for (std::size_t child : children[e]) {
        if (selected[child]) {
          lowest = false;
          pending.push_back(child);
        } else {
          whole = false;
        }
      }
      if (lowest) sel->m_to.PutBack(*sel->boundOn(elements[e]));
    }
    if (whole) sel->m_to.Clear();
    result.PutBack(*sel);
  }
  // Indices that overlap without nesting make no forest; the groups may then
  // select too much, and each selected element is given on its own.
  const std::vector<bool> inResult = selectedByAny(result, elements, positions, index);
  for (std::size_t i = 0; i < n; ++i) {
    if (inResult[i] == selected[i]) continue;
    result.Clear();
    for (std::size_t e = 0; e < n; ++e) {
      if (!selected[e]) continue;
      std::unique_ptr<KuvEeTreeSelection> sel(static_cast<KuvEeTreeSelection*>(&prototype->clone()));
      HRESULT hr = sel->setSingleSelection(*sel->boundOn(elements[e]));
      if (FAILED(hr)) return hr;
      result.PutBack(*sel);
    }
    break;
  }
  l1 = result;
  return S_OK;
}

std::unique_ptr<KuvEeTreeSelectionBound> KuvEeTreeSelection::boundOn(KuvEeTreeElementBase* element) const {
  std::unique_ptr<KuvEeTreeSelectionBound> bound(static_cast<KuvEeTreeSelectionBound*>(&m_from->clone()));
  bound->setElement(element);
  bound->setIncluded(true);
  return bound;
}

HRESULT KuvEeTreeSelection::opAdd(KuvInListVal& l1, const KuvInListVal& l2) { return combine(l1, l2, 1); }

HRESULT KuvEeTreeSelection::opAnd(KuvInListVal& l1, const KuvInListVal& l2) { return combine(l1, l2, 2); }

HRESULT KuvEeTreeSelection::opCut(KuvInListVal& l1, const KuvInListVal& l2) { return combine(l1, l2, 3); }

HRESULT KuvEeTreeSelection::simplify(KuvInListVal& list) {
  for (std::int32_t i = list.GetLength() - 1; i >= 0; --i) {
    const auto* selection = static_cast<const KuvEeTreeSelection*>(list.Get(i));
    if (selection->isEmpty() || list.Find(selection) < i) list.Remove(i);
  }
  // The union with nothing rewrites the list in its unique form.
  return combine(list, KuvInListVal(list.GetElementType()), 1);
}

KuvInString KuvEeTreeSelection::toString() const {
  KuvInString text("{");
  if (m_from != nullptr) {
    text.Append(m_from->toString(), " ->");
    for (std::int32_t i = 0; i < m_to.GetLength(); ++i) text.Append(" ", m_to.Get(i)->toString());
  }
  return text.Append("}");
}

std::uint32_t KuvEeTreeSelection::hash() const { return m_from != nullptr ? m_from->hash() : 0; }

bool KuvEeTreeSelection::equals(const KuvInObjectVal& other) const {
  if (other.dType() != dType()) return false;
  const auto& o = static_cast<const KuvEeTreeSelection&>(other);
  if ((m_from == nullptr) != (o.m_from == nullptr)) return false;
  return (m_from == nullptr || m_from->equals(*o.m_from)) && m_to == o.m_to;
}

KuvEeMilestonesSelection::KuvEeMilestonesSelection()
    : KuvEeTreeSelection(KuvEeMilestonesSelectionBound::sType()) {}
KuvEeMilestonesSelection::~KuvEeMilestonesSelection() = default;
KuvInObjectVal& KuvEeMilestonesSelection::clone(void* where) const { return cloneOf(*this, where); }

KuvEeTreeSeriesSelection::KuvEeTreeSeriesSelection()
    : KuvEeTreeSelection(KuvEeTreeSeriesSelectionBound::sType()) {}
KuvEeTreeSeriesSelection::~KuvEeTreeSeriesSelection() = default;
KuvInObjectVal& KuvEeTreeSeriesSelection::clone(void* where) const { return cloneOf(*this, where); }

std::vector<KuvEeTreeElementBase*> kuv::detail::elementsSpokenOf(
    const KuvEeTreeBaseVar* var, std::initializer_list<const KuvInListVal*> selections) {
  KuvInSet all(KuvEeTreeElementBase::sType());
  if (var != nullptr) throwIfOutOfMemory(var->getAllElements(all));
  const auto put = [&all](const KuvEeTreeSelectionBound* bound) {
    // Every element here came with its whole subtree, so one already here
    // has nothing to add: many bounds under one element walk it once.
    if (bound == nullptr || bound->getElement() == nullptr || !all.Put(bound->getElement())) return;
    throwIfOutOfMemory(bound->getElement()->getAllChildren(all));
  };
  for (const KuvInListVal* list : selections)
    for (std::int32_t i = 0; i < list->GetLength(); ++i) {
      const auto* selection = static_cast<const KuvEeTreeSelection*>(list->Get(i));
      put(selection->getFromBound());
      for (std::int32_t j = 0; j < selection->getToBounds().GetLength(); ++j)
        put(static_cast<const KuvEeTreeSelectionBound*>(selection->getToBounds().Get(j)));
    }
  std::vector<KuvEeTreeElementBase*> elements;
  for (KuvInSet::const_iterator it = all.cBegin(); it.IsValid();)
    elements.push_back(static_cast<KuvEeTreeElementBase*>(it.GetGoToNext()));
  std::stable_sort(elements.begin(), elements.end(), walksBefore);
  return elements;
}
