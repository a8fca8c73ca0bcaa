#include "KuvEeVisitor_BinaryExprDataBuilder.h"

#include <algorithm>
#include <memory>

#include "KuvEeChangeExpression.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeExpressionOperation.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEePredefEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeBaseVar.h"
#include "KuvEeTreeElementBase.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInList.h"
#include "KuvInListVal.h"
#include "KuvInSerialInterval.h"

KUV_DEFINE_TYPE(KuvEeVisitor_BinaryExprDataBuilder, KuvEeNodeWalker)

namespace {

using TreeTexts = KuvEeVisitor_BinaryExprDataBuilder::TreeTexts;

constexpr TreeTexts sc_milestonesTexts{
    "ERROR: Unable to get Selections of MilestonesEff",
    "ERROR: Unexpected type of Selection for a MilestonesEff", "ERROR: Empty MilestonesSelection found.",
    "ERROR: Null From MilestonesSelectionBound", "ERROR: Null To MilestonesSelectionBound"};
constexpr TreeTexts sc_treeSeriesTexts{
    "ERROR: Unable to get Selections of TreeSeriesEff",
    "ERROR: Unexpected type of Selection for a TreeSeriesEff", "ERROR: Empty TreeSeriesSelection found.",
    "ERROR: Null From TreeSeriesSelectionBound", "ERROR: Null To TreeSeriesSelectionBound"};

KuvExpressionObjectType typeOf(const KuvEeExpression& expression) {
  if (KuvEeFilterExpression::isObjectOfThisType(expression)) return CFG_EXPRTYPE_FILTER;
  if (KuvEeChangeExpression::isObjectOfThisType(expression)) return CFG_EXPRTYPE_APPLICABILITY;
  return CFG_EXPRTYPE_EFFECTIVITY;
}

}  // namespace

KuvEeVisitor_BinaryExprDataBuilder::KuvEeVisitor_BinaryExprDataBuilder(KuvExpressionObjectType type,
                                                                       std::uint8_t flag)
    : m_type(type), m_flag(flag) {}

KuvEeVisitor_BinaryExprDataBuilder::~KuvEeVisitor_BinaryExprDataBuilder() = default;

KuvEeVisitor_BinaryExprDataBuilder::Dependency KuvEeVisitor_BinaryExprDataBuilder::route(
    KuvCriteriaSelectedBy selectedBy, bool negated, std::uint8_t flag) {
  const bool dismissing = negated && flag != 0;
  switch (selectedBy) {
    case KuvCriteriaSelectedBy_RuleDeduced:
      return dismissing ? Incompatible : Rule;
    case KuvCriteriaSelectedBy_DefaultValue:
      return Default;
    default:
      return dismissing ? Dismissed : Criteria;
  }
}

void KuvEeVisitor_BinaryExprDataBuilder::collect(Dependency kind, KuvInObject* obj) {
  Found& found = m_found[kind];
  if (found.known.insert(obj).second) found.order.push_back(obj);
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitEffLeaf(KuvEeEffLeaf& node) {
  return visitEffectivity(node.getTargetEff(), node.getReferencedContext());
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitEffectivity(KuvEeEffectivity* target,
                                                             KuvEeModelDico* context) {
  if (target != nullptr && KuvEePredefEff::isObjectOfThisType(*target)) {
    collect(Criteria, target);
    collect(Impacting, target);
    return S_OK;
  }
  if (target != nullptr && KuvEeBasicEff::isObjectOfThisType(*target) && context != nullptr) {
    collect(InheritedEffs, target);
    collect(InheritedModels, context);
    return S_OK;
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected type referenced in EffLeaf");
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& /*node*/) {
  // Binaries do not store restrictions: nothing to index.
  return S_OK;
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  const KuvEeVarEff* eff = node.getVarEff();
  if (eff == nullptr) return S_OK;
  if (const KuvEeMilestonesEff* milestones = KuvEeMilestonesEff::cast(*eff))
    return visitMilestones(*milestones);
  if (const KuvEeTreeSeriesEff* series = KuvEeTreeSeriesEff::cast(*eff)) return visitTreeSeries(*series);
  if (const KuvEeSerialEff* serial = KuvEeSerialEff::cast(*eff)) return visitSerial(*serial);
  if (const KuvEeSelectionEff* selection = KuvEeSelectionEff::cast(*eff)) return visitSelection(*selection);
  if (const KuvEeOptionEff* option = KuvEeOptionEff::cast(*eff)) {
    // An option's number in its leaf is its value, and readers take the
    // list from that number: it routes like a selected-by code.
    if (option->getOptionVar() != nullptr)
      collect(route(static_cast<KuvCriteriaSelectedBy>(option->getValue()), option->isNegated(), m_flag),
              option->getOptionVar());
  }
  return S_OK;
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitMilestones(const KuvEeMilestonesEff& eff) {
  return visitTreeSelections(eff, KuvEeMilestonesSelection::sType(), sc_milestonesTexts, eff.getVar(), false);
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitTreeSeries(const KuvEeTreeSeriesEff& eff) {
  const auto* var = static_cast<const KuvEeTreeBaseVar*>(eff.getVar());
  if (var == nullptr || var->getHolderDico() == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "Unable to retrieve ModelDico for TreeSeries");
  return visitTreeSelections(eff, KuvEeTreeSeriesSelection::sType(), sc_treeSeriesTexts, var->getHolderDico(),
                             true);
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitTreeSelections(const KuvEeTreeBaseEff& eff,
                                                                KuvInObjectTypeClass* selectionType,
                                                                const TreeTexts& texts, KuvInObject* holder,
                                                                bool holderIsDictionary) {
  KuvInListVal selections(KuvEeTreeSelection::sType());
  if (FAILED(eff.getSelections(selections))) KUV_RETURN_ERROR(E_FAIL, texts.noSelections);
  // Checked first, so that a refused effectivity collects none of its elements.
  for (std::int32_t i = 0; i < selections.GetLength(); ++i) {
    const KuvInObjectVal* selection = selections.Get(i);
    if (!KuvInObjectTypeClass::isa(selection->dType(), selectionType))
      KUV_RETURN_ERROR(E_FAIL, texts.wrongSelection);
    const auto* tree = static_cast<const KuvEeTreeSelection*>(selection);
    if (tree->isEmpty()) KUV_RETURN_ERROR(E_FAIL, texts.emptySelection);
    if (tree->getFromBound()->getElement() == nullptr) KUV_RETURN_ERROR(E_FAIL, texts.nullFrom);
    const KuvInListVal& to = tree->getToBounds();
    for (std::int32_t j = 0; j < to.GetLength(); ++j)
      if (static_cast<const KuvEeTreeSelectionBound*>(to.Get(j))->getElement() == nullptr)
        KUV_RETURN_ERROR(E_FAIL, texts.nullTo);
  }
  if (holder != nullptr) collect(Criteria, holder);
  if (holderIsDictionary) collect(Dictionaries, holder);
  for (std::int32_t i = 0; i < selections.GetLength(); ++i) {
    const auto* tree = static_cast<const KuvEeTreeSelection*>(selections.Get(i));
    collect(Criteria, tree->getFromBound()->getElement());
    const KuvInListVal& to = tree->getToBounds();
    for (std::int32_t j = 0; j < to.GetLength(); ++j)
      collect(Criteria, static_cast<const KuvEeTreeSelectionBound*>(to.Get(j))->getElement());
  }
  return S_OK;
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitSerial(const KuvEeSerialEff& eff) {
  const KuvEeSerialVar* var = eff.getOrdVar();
  if (var == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR : An serial eff with a null serial var... unexpected !");
  if (var->getHolderDico() == nullptr) KUV_RETURN_ERROR(E_FAIL, "Unable to retrieve ModelDico for Serial");
  std::vector<KuvEeSerialVarValue*> revisions;
  if (var->getExternalType() == KuvEeSerialVar::STATE ||
      var->getExternalType() == KuvEeSerialVar::MANUF_PLAN) {
    KuvInListVal intervals(KuvInSerialInterval::sType());
    eff.getIntervals(intervals);
    for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
      const auto* interval = static_cast<const KuvInSerialInterval*>(intervals.Get(i));
      const bool openEnd = interval->getB() == KuvEeSerialVar::sc_infinity;
      for (const std::int32_t bound : {interval->getA(), interval->getB()}) {
        if (openEnd && bound == interval->getB()) break;
        KuvEeSerialVarValue* revision = var->getRevision(bound);
        if (revision == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : no revision for sequence number ", bound);
        revisions.push_back(revision);
      }
    }
  }
  collect(Criteria, var->getHolderDico());
  collect(Dictionaries, var->getHolderDico());
  for (KuvEeSerialVarValue* revision : revisions) collect(Criteria, revision);
  return S_OK;
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitSelection(const KuvEeSelectionEff& eff) {
  const KuvInSet& set = eff.getValues();
  if (set.IsEmpty()) KUV_RETURN_ERROR(E_FAIL, "ERROR: at least one spec value EXPECTED.");
  // The set's order follows addresses; names (then GUIDs) give every run the same lists.
  std::vector<KuvEeSelectionValue*> values;
  values.reserve(static_cast<std::size_t>(set.GetLength()));
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();)
    values.push_back(static_cast<KuvEeSelectionValue*>(it.GetGoToNext()));
  std::sort(values.begin(), values.end(), [](const KuvEeSelectionValue* a, const KuvEeSelectionValue* b) {
    if (a->getName() != b->getName()) return a->getName() < b->getName();
    return a->getGuid() < b->getGuid();
  });
  if (eff.getVar() != nullptr) collect(Criteria, eff.getVar());
  for (KuvEeSelectionValue* value : values)
    collect(route(eff.getSelectedBy(value), eff.isNegated(), m_flag), value);
  return S_OK;
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitTree(const KuvEeNodeRef* tree) {
  if (tree == nullptr || tree->getNode() == nullptr) return S_OK;
  return tree->getNode()->acceptVisitor(*this);
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::visitExpression(const KuvEeExpression& expression) {
  if (const auto* filter = KuvEeFilterExpression::cast(expression)) {
    if (filter->getModelDico() != nullptr) collect(Dictionaries, filter->getModelDico());
    return filter->runConstVisitor(*this);
  }
  const auto* multi = KuvEeMultiModelExpression::cast(expression);
  if (multi == nullptr) return expression.runConstVisitor(*this);

  KuvInList models(KuvEeModelDico::sType());
  if (FAILED(multi->getOrderedContextDictionaries(models)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : getContextDictionaries FAILED");
  for (std::int32_t i = 0; i < models.GetLength(); ++i) collect(Dictionaries, models.Get(i));
  if (const auto* effectivity = KuvEeEffectivityExpression::cast(expression)) {
    const KuvInList& operations = effectivity->getOperationStack();
    for (std::int32_t i = 0; i < operations.GetLength(); ++i) {
      KuvInObject* change = static_cast<const KuvEeExpressionOperation*>(operations.Get(i))->getObject();
      HRESULT rc = visitEffectivity(change != nullptr ? KuvEeEffectivity::cast(*change) : nullptr, nullptr);
      if (FAILED(rc)) return rc;
    }
  }
  HRESULT rc = visitTree(multi->getGlobalCriteria());
  for (std::int32_t i = 0; SUCCEEDED(rc) && i < models.GetLength(); ++i) {
    const KuvEeMultiModelExpression::ModelCriteria* part =
        multi->getModelCriteria(static_cast<const KuvEeModelDico*>(models.Get(i)));
    rc = visitTree(part->getInheritedEffCriteria());
    if (SUCCEEDED(rc)) rc = visitTree(part->getCriteria());
  }
  return rc;
}

HRESULT KuvEeVisitor_BinaryExprDataBuilder::getBinaryExprDataDependenciesLists(
    const KuvEeExpression& expression, KuvInList& criteria, KuvInList& rule, KuvInList& defaults,
    KuvInList& dismissed, KuvInList& incompatible, KuvInList& impacting, KuvInList& dictionaries,
    KuvInList& inheritedEffs, KuvInList& inheritedModels, std::uint8_t flag) {
  KUV_TRACE_CALL("getBinaryExprDataDependenciesLists");
  KuvEeVisitor_BinaryExprDataBuilder builder(typeOf(expression), flag);
  if (HRESULT rc = builder.visitExpression(expression); FAILED(rc)) return rc;
  const std::array<KuvInList*, NbDependencies> targets{&criteria,     &rule,          &defaults,
                                                       &dismissed,    &incompatible,  &impacting,
                                                       &dictionaries, &inheritedEffs, &inheritedModels};
  for (std::int32_t kind = 0; kind < NbDependencies; ++kind) {
    KuvInList& list = *targets[kind];
    std::unordered_set<const KuvInObject*> present;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) present.insert(list.Get(i));
    for (KuvInObject* obj : builder.m_found[kind].order)
      if (present.insert(obj).second && FAILED(list.PutBack(obj))) return E_FAIL;
  }
  return S_OK;
}
