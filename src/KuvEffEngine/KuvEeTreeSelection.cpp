#include "KuvEeTreeSelection.h"

#include <functional>
#include <unordered_map>

#include "KuvEeMilestone.h"
#include "KuvEeTreeBaseVar.h"
#include "KuvEeTreeElementBase.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvInTreeEvalIndex.h"

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

bool anySelects(const KuvInListVal& list, const KuvEeTreeElementBase* element) {
  for (std::int32_t i = 0; i < list.GetLength(); ++i)
    if (static_cast<const KuvEeTreeSelection*>(list.Get(i))->selects(element)) return true;
  return false;
}

KuvEeTreeElementBase* childAt(const KuvInSet::const_iterator& it) {
  return static_cast<KuvEeTreeElementBase*>(it.Get());
}

}  // namespace

HRESULT KuvEeTreeSelection::combine(KuvInListVal& l1, const KuvInListVal& l2, int op) {
  const KuvInListVal& some = l1.IsEmpty() ? l2 : l1;
  const auto* prototype = static_cast<const KuvEeTreeSelection*>(some.Get(0));
  KuvEeTreeBaseVar* var =
      prototype->m_from != nullptr ? prototype->m_from->getElement()->getHolderVar() : nullptr;
  if (var == nullptr || var->isInNoTreeMode() || var->getRootElement() == nullptr) return E_NOTIMPL;
  // The selected elements, walked from the root; each component of them
  // (an element whose parent is not selected, and the selected elements
  // hanging from it) becomes one selection: open-ended when it is the whole
  // subtree, else ending at the component's lowest elements. That form is
  // unique for a set, so equal sets give equal lists.
  std::unordered_map<const KuvEeTreeElementBase*, bool> selected;
  std::function<void(const KuvEeTreeElementBase*)> mark = [&](const KuvEeTreeElementBase* e) {
    const bool in1 = anySelects(l1, e);
    const bool in2 = anySelects(l2, e);
    selected[e] = op == 1 ? (in1 || in2) : op == 2 ? (in1 && in2) : (in1 && !in2);
    for (KuvInSet::const_iterator it = e->getChildren().cBegin(); it.IsValid(); it.Next()) mark(childAt(it));
  };
  mark(var->getRootElement());
  KuvInListVal result(l1.GetElementType());
  // Returns whether the component below e covers e's whole subtree.
  std::function<bool(KuvEeTreeElementBase*, KuvEeTreeSelection&)> grow = [&](KuvEeTreeElementBase* e,
                                                                             KuvEeTreeSelection& sel) {
    bool whole = true;
    bool leaf = true;
    for (KuvInSet::const_iterator it = e->getChildren().cBegin(); it.IsValid(); it.Next()) {
      if (selected[childAt(it)]) {
        leaf = false;
        whole = grow(childAt(it), sel) && whole;
      } else {
        whole = false;
      }
    }
    if (leaf) sel.m_to.PutBack(*sel.boundOn(e));
    return whole;
  };
  std::function<void(KuvEeTreeElementBase*, bool)> collect = [&](KuvEeTreeElementBase* e,
                                                                 bool parentSelected) {
    if (selected[e] && !parentSelected) {
      std::unique_ptr<KuvEeTreeSelection> sel(static_cast<KuvEeTreeSelection*>(&prototype->clone()));
      sel->m_to.Clear();
      sel->m_from = sel->boundOn(e);
      if (grow(e, *sel)) sel->m_to.Clear();
      result.PutBack(*sel);
    }
    for (KuvInSet::const_iterator it = e->getChildren().cBegin(); it.IsValid(); it.Next())
      collect(childAt(it), selected[e]);
  };
  collect(var->getRootElement(), false);
  l1 = result;
  return S_OK;
}

std::unique_ptr<KuvEeTreeSelectionBound> KuvEeTreeSelection::boundOn(KuvEeTreeElementBase* element) const {
  std::unique_ptr<KuvEeTreeSelectionBound> bound(static_cast<KuvEeTreeSelectionBound*>(&m_from->clone()));
  bound->setElement(element);
  bound->setIncluded(true);
  return bound;
}

// Without a tree to walk, only an empty operand can be dealt with, and the
// result keeps the other operand's form.
HRESULT KuvEeTreeSelection::opAdd(KuvInListVal& l1, const KuvInListVal& l2) {
  if (l1.IsEmpty() && l2.IsEmpty()) return S_OK;
  HRESULT hr = combine(l1, l2, 1);
  if (hr != E_NOTIMPL || !(l1.IsEmpty() || l2.IsEmpty())) return hr;
  if (l1.IsEmpty()) l1 = l2;
  return S_OK;
}

HRESULT KuvEeTreeSelection::opAnd(KuvInListVal& l1, const KuvInListVal& l2) {
  if (l1.IsEmpty() && l2.IsEmpty()) return S_OK;
  HRESULT hr = combine(l1, l2, 2);
  if (hr != E_NOTIMPL || !(l1.IsEmpty() || l2.IsEmpty())) return hr;
  l1.Clear();
  return S_OK;
}

HRESULT KuvEeTreeSelection::opCut(KuvInListVal& l1, const KuvInListVal& l2) {
  if (l1.IsEmpty() && l2.IsEmpty()) return S_OK;
  HRESULT hr = combine(l1, l2, 3);
  return hr == E_NOTIMPL && (l1.IsEmpty() || l2.IsEmpty()) ? S_OK : hr;
}

HRESULT KuvEeTreeSelection::simplify(KuvInListVal& list) {
  for (std::int32_t i = list.GetLength() - 1; i >= 0; --i) {
    const auto* selection = static_cast<const KuvEeTreeSelection*>(list.Get(i));
    if (selection->isEmpty() || list.Find(selection) < i) list.Remove(i);
  }
  if (list.IsEmpty()) return S_OK;
  // The union with nothing rewrites the list in its unique form.
  HRESULT hr = combine(list, KuvInListVal(list.GetElementType()), 1);
  return hr == E_NOTIMPL ? S_OK : hr;
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
