#include "KuvEeGenericExpression.h"

#include <memory>

#include "KuvDnf.h"
#include "KuvEeNormalFormHooks.h"

#include "KuvEeNodeCloner.h"
#include "KuvEeNodeSimplifier.h"

#include "KuvEeCategory.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeGetDependencies.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeBaseVar.h"
#include "KuvEeTreeElementBase.h"
#include "KuvEeTreeSelection.h"
#include "KuvEeVarEff.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInListVal.h"
#include "KuvInSerialInterval.h"

KUV_DEFINE_TYPE(KuvEeGenericExpression, KuvEeExpression)

namespace {
}

KuvEeGenericExpression::KuvEeGenericExpression(KuvEeNodeRef* tree) : m_tree(tree) {}

KuvEeGenericExpression::~KuvEeGenericExpression() = default;

KuvEeNodeRef* KuvEeGenericExpression::GetNodeRefClone() const {
  KUV_TRACE_CALL("GetNodeRefClone");
  if (m_tree == nullptr) return nullptr;
  KuvEeNodeCloner cloner;
  KuvEeNodeRef* copy = cloner.clone(*m_tree);
  if (copy == nullptr) KUV_TRACE_ERROR("ERROR: NULL pointer");
  return copy;
}

HRESULT KuvEeGenericExpression::SetExpression(KuvEeNodeRef* tree) {
  KUV_TRACE_CALL("SetExpression");
  if (tree != m_tree.get()) m_tree.reset(tree);
  m_list.reset();
  m_mode = CFG_LISTMODE_NONE;
  return S_OK;
}

HRESULT KuvEeGenericExpression::SetExpression(KuvQmSpecList* list, ListMode mode) {
  KUV_TRACE_CALL("SetExpression");
  if (list == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
  if (list != m_list.get()) m_list.reset(list);
  m_tree.reset();
  m_mode = mode;
  return S_OK;
}

KuvEeNodeRef* KuvEeGenericExpression::KeepNodeRefAndDeleteObject(KuvEeGenericExpression*& expression) {
  KUV_TRACE_CALL("KeepNodeRefAndDeleteObject");
  if (expression == nullptr) return nullptr;
  KuvEeNodeRef* tree = expression->m_tree.release();
  delete expression;
  expression = nullptr;
  return tree;
}

namespace {

// The normal form of an expression (of its negation): its tree, or its list
// taken as the And of its criteria.
HRESULT dnfOf(const KuvEeGenericExpression& expression, bool negated, std::unique_ptr<KuvDnf>& dnf) {
  KuvDnf* made = nullptr;
  HRESULT hr = S_OK;
  if (expression.IsList()) {
    KuvEeNodeRef* tree = nullptr;
    hr = kuv::detail::listTree(*expression.GetList(), tree);
    const std::unique_ptr<KuvEeNodeRef> owned(tree);
    if (SUCCEEDED(hr)) hr = kuv::detail::treeDnf(owned.get(), negated, made);
  } else {
    hr = kuv::detail::treeDnf(expression.GetNodeRef(), negated, made);
  }
  dnf.reset(made);
  return hr;
}

HRESULT ask(const KuvEeGenericExpression& a, const KuvEeGenericExpression& b, kuv::detail::DnfQuestion question,
            bool& answer) {
  answer = false;
  std::unique_ptr<KuvDnf> dnfA, dnfB;
  HRESULT hr = dnfOf(a, false, dnfA);
  if (SUCCEEDED(hr)) hr = dnfOf(b, false, dnfB);
  if (SUCCEEDED(hr)) hr = kuv::detail::askDnfs(*dnfA, *dnfB, question, answer);
  return hr;
}

}  // namespace

HRESULT KuvEeGenericExpression::IsEqual(const KuvEeGenericExpression& other, bool& equal) const {
  KUV_TRACE_CALL("IsEqual");
  return ask(*this, other, kuv::detail::DnfQuestion::Equal, equal);
}

HRESULT KuvEeGenericExpression::IsIncluding(const KuvEeGenericExpression& other, bool& including) const {
  KUV_TRACE_CALL("IsIncluding");
  return ask(*this, other, kuv::detail::DnfQuestion::Includes, including);
}

HRESULT KuvEeGenericExpression::IsIntersect(const KuvEeGenericExpression& other, bool& intersect) const {
  KUV_TRACE_CALL("IsIntersect");
  return ask(*this, other, kuv::detail::DnfQuestion::Intersect, intersect);
}

HRESULT KuvEeGenericExpression::GetDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("GetDNF");
  std::unique_ptr<KuvDnf> made;
  HRESULT hr = dnfOf(*this, false, made);
  dnf = made.release();
  return hr;
}

HRESULT KuvEeGenericExpression::GetNotDNF(KuvDnf*& dnf) const {
  KUV_TRACE_CALL("GetNotDNF");
  std::unique_ptr<KuvDnf> made;
  HRESULT hr = dnfOf(*this, true, made);
  dnf = made.release();
  return hr;
}

namespace {

// Adds to the variables KuvEeGetDependencies gathers what a binary of the
// expression refers to by position: selection values, the dictionaries of
// serial and tree-series variables, the revisions at the bounds of states
// and manufacturing plans, the elements and milestones at tree bounds and
// the dictionaries effectivity leaves are taken from. With follow set, an
// effectivity leaf whose target has a definition counts that definition
// instead of the target, once.
class DependencyCollector : public KuvEeGetDependencies {
public:
  explicit DependencyCollector(bool follow) : m_follow(follow) {}

  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override {
    KuvEeEffectivity* target = node.getTargetEff();
    if (node.getReferencedContext() != nullptr) m_others.Put(node.getReferencedContext());
    if (!m_follow || target == nullptr || target->getExpr() == nullptr ||
        target->getExpr()->getNode() == nullptr)
      return KuvEeGetDependencies::visitEffLeaf(node);
    return follow(*target);
  }

  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override {
    const HRESULT hr = KuvEeGetDependencies::visitVarEffLeaf(node);
    if (SUCCEEDED(hr)) addValues(*node.getVarEff());
    return hr;
  }

  // A criterion of a list, which no leaf holds.
  HRESULT addVarEff(const KuvEeVarEff& eff) {
    KuvEeVariable* var = eff.getVar();
    if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    m_others.Put(var);
    if (const KuvEeCatOptionVar* option = KuvEeCatOptionVar::cast(*var);
        option != nullptr && option->getCategory())
      m_others.Put(option->getCategory());
    addValues(eff);
    return S_OK;
  }

  HRESULT addEffectivity(KuvInObject* eff) {
    if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    auto* target = KuvEeEffectivity::cast(*eff);
    if (m_follow && target != nullptr && target->getExpr() != nullptr &&
        target->getExpr()->getNode() != nullptr) {
      return follow(*target);
    }
    m_others.Put(eff);
    return S_OK;
  }

  void putInto(KuvInSet& criteria) const {
    const KuvSortedByTypeCriteria sorted = getSortedCriteria();
    for (const KuvInSet* set :
         {sorted.serials, sorted.treeSeries, sorted.milestones, sorted.dates, sorted.selections,
          sorted.categories, sorted.categoryOptions, sorted.predefEffs, &getOtherEffs(), &m_others})
      for (KuvInSet::const_iterator it = set->cBegin(); it.IsValid();) criteria.Put(it.GetGoToNext());
  }

private:
  // An effectivity met again inside its own definition stands for itself.
  HRESULT follow(KuvEeEffectivity& target) {
    if (m_active.Find(&target)) {
      m_others.Put(&target);
      return S_OK;
    }
    if (!m_followed.Put(&target)) return S_OK;
    // Each definition followed is a level of recursion.
    if (m_active.GetLength() >= kuv::detail::kMaxTransformDepth) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
    m_active.Put(&target);
    const HRESULT hr = target.getExpr()->getNode()->acceptVisitor(*this);
    m_active.Remove(&target);
    return hr;
  }

  void addValues(const KuvEeVarEff& eff) {
    if (const KuvEeSelectionEff* selection = KuvEeSelectionEff::cast(eff)) {
      for (KuvInSet::const_iterator it = selection->getValues().cBegin(); it.IsValid();)
        m_others.Put(it.GetGoToNext());
    } else if (const KuvEeSerialEff* serial = KuvEeSerialEff::cast(eff)) {
      addSerial(*serial);
    } else if (const KuvEeTreeBaseEff* tree = KuvEeTreeBaseEff::cast(eff)) {
      addTree(*tree);
    }
  }

  void addSerial(const KuvEeSerialEff& eff) {
    const KuvEeSerialVar* var = eff.getOrdVar();
    if (var == nullptr) return;
    if (var->getHolderDico() != nullptr) m_others.Put(var->getHolderDico());
    if (var->getExternalType() != KuvEeSerialVar::STATE &&
        var->getExternalType() != KuvEeSerialVar::MANUF_PLAN)
      return;
    KuvInListVal intervals(KuvInSerialInterval::sType());
    eff.getIntervals(intervals);
    for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
      const auto* interval = static_cast<const KuvInSerialInterval*>(intervals.Get(i));
      for (const std::int32_t bound : {interval->getA(), interval->getB()})
        if (KuvEeSerialVarValue* revision = var->getRevision(bound); revision != nullptr)
          m_others.Put(revision);
    }
  }

  void addTree(const KuvEeTreeBaseEff& eff) {
    const KuvEeTreeBaseVar* var = eff.getVar() != nullptr ? KuvEeTreeBaseVar::cast(*eff.getVar()) : nullptr;
    if (var != nullptr && var->getHolderDico() != nullptr && KuvEeTreeSeriesEff::isObjectOfThisType(eff))
      m_others.Put(var->getHolderDico());
    KuvInListVal selections(KuvEeTreeSelection::sType());
    if (FAILED(eff.getSelections(selections))) return;
    for (std::int32_t i = 0; i < selections.GetLength(); ++i) {
      const auto* selection = static_cast<const KuvEeTreeSelection*>(selections.Get(i));
      if (selection->isEmpty()) continue;
      if (selection->getFromBound()->getElement() != nullptr)
        m_others.Put(selection->getFromBound()->getElement());
      const KuvInListVal& to = selection->getToBounds();
      for (std::int32_t j = 0; j < to.GetLength(); ++j)
        if (auto* element = static_cast<const KuvEeTreeSelectionBound*>(to.Get(j))->getElement())
          m_others.Put(element);
    }
  }

  bool m_follow;
  KuvInSet m_others;
  KuvInSet m_followed;
  KuvInSet m_active;
};

HRESULT collectDependencies(const KuvEeGenericExpression& expression, bool follow, KuvInSet& criteria) {
  DependencyCollector collector(follow);
  HRESULT hr = S_OK;
  if (const KuvQmSpecList* list = expression.GetList()) {
    for (auto it = list->GetVarEffs().cBegin(); SUCCEEDED(hr) && !it.IsEnd(); it.Next())
      hr = collector.addVarEff(*static_cast<const KuvEeVarEff*>(it.GetVal()));
    for (auto it = list->GetEffs().cBegin(); SUCCEEDED(hr) && it.IsValid(); it.Next())
      hr = collector.addEffectivity(it.Get());
  } else if (expression.GetNodeRef() != nullptr && expression.GetNodeRef()->getNode() != nullptr) {
    hr = expression.GetNodeRef()->getNode()->acceptVisitor(collector);
  }
  if (FAILED(hr)) return hr;
  collector.putInto(criteria);
  return S_OK;
}

}  // namespace

HRESULT KuvEeGenericExpression::GetDependencies(KuvInSet& criteria) const {
  KUV_TRACE_CALL("GetDependencies");
  return collectDependencies(*this, false, criteria);
}

HRESULT KuvEeGenericExpression::GetFinalDependencies(KuvInSet& criteria) const {
  KUV_TRACE_CALL("GetFinalDependencies");
  return collectDependencies(*this, true, criteria);
}

HRESULT KuvEeGenericExpression::runConstVisitor(KuvEeNodeVisitor& /*visitor*/) const {
  KUV_TRACE_CALL("runConstVisitor");
  KUV_RETURN_ERROR(E_FAIL, "ERROR: not implemented.");
}

HRESULT KuvEeGenericExpression::simplify() {
  KUV_TRACE_CALL("simplify");
  // A list is no tree: nothing to do.
  if (m_tree == nullptr) return S_FALSE;
  KuvEeNodeSimplifier simplifier;
  HRESULT rc = simplifier.simplify(*m_tree);
  if (rc < 0) KUV_RETURN_ERROR(rc, "ERROR: simplify failed");
  return S_OK;
}

KuvInString KuvEeGenericExpression::toString() const {
  KuvInString text("GenericExpression( ");
  if (m_tree != nullptr)
    text.Append(m_tree->toString());
  else if (m_list != nullptr)
    text.Append(m_list->toString());
  else
    text.Append("EMPTY");
  text.Append(" )");
  return text;
}
