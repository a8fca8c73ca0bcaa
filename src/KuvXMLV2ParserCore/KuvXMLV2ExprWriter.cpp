#include "KuvXMLV2ExprWriter.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "KuvEeAndOp.h"
#include "KuvEeCategory.h"
#include "KuvEeChangeExpression.h"
#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeFalse.h"
#include "KuvEeFilterExpression.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeOrOp.h"
#include "KuvEePredefEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInLinkList.h"
#include "KuvInList.h"
#include "KuvInListVal.h"
#include "KuvOutOfMemory.h"
#include "KuvXMLV2IModelerContext.h"
#include "KuvXMLV2IWriter.h"

KUV_DEFINE_TYPE(KuvXMLV2ExprWriter, KuvEeNodeVisitor)

namespace {

constexpr const char* sc_namespace = "urn:com:velcorin:config";
constexpr const char* sc_schemaInstance = "http://www.w3.org/2001/XMLSchema-instance";
// The open ends of a series range.
constexpr std::int32_t sc_lowest = -2000000000;
constexpr std::int32_t sc_highest = 2000000000;
// What a single series value may be, so that a reader's field holds it.
constexpr std::int32_t sc_largestValue = 999999999;

const char* boolText(bool value) { return value ? "true" : "false"; }

}  // namespace

namespace kuv::detail {

// The attributes of one element, in writing order.
class XMLElementAttributes {
public:
  XMLElementAttributes() : m_names(KuvInString::sType()), m_values(KuvInString::sType()) {}

  XMLElementAttributes& add(const char* name, const KuvInString& value) {
    m_names.PutBack(KuvInString(name));
    m_values.PutBack(value);
    return *this;
  }
  const KuvInListVal& names() const { return m_names; }
  const KuvInListVal& values() const { return m_values; }

private:
  KuvInListVal m_names;
  KuvInListVal m_values;
};

}  // namespace kuv::detail

KuvXMLV2ExprWriter::KuvXMLV2ExprWriter(KuvXMLV2IWriter& output, const KuvXMLV2IModelerContext* modelerContext,
                                       unsigned char writeDescIds, unsigned char /*unused*/,
                                       unsigned char writeDerivedDates)
    : m_output(output),
      m_modelerContext(modelerContext),
      m_writeDescIds(writeDescIds),
      m_writeDerivedDates(writeDerivedDates) {}

KuvXMLV2ExprWriter::~KuvXMLV2ExprWriter() = default;

HRESULT KuvXMLV2ExprWriter::startElement(const char* element, const Attributes* attributes) {
  const HRESULT hr =
      m_output.WriteStartElement(element, attributes != nullptr ? &attributes->names() : nullptr,
                                 attributes != nullptr ? &attributes->values() : nullptr);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Unable to write start element ", element);
  return S_OK;
}

HRESULT KuvXMLV2ExprWriter::endElement(const char* element) {
  const HRESULT hr = m_output.WriteEndElement();
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Unable to write end element ", element);
  return S_OK;
}

HRESULT KuvXMLV2ExprWriter::characters(const KuvInString& text) {
  const HRESULT hr = m_output.WriteCharacters(text);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Unable to write characters ", text);
  return S_OK;
}

HRESULT KuvXMLV2ExprWriter::textElement(const char* element, const KuvInString& text) {
  if (const HRESULT hr = startElement(element); FAILED(hr)) return hr;
  if (const HRESULT hr = characters(text); FAILED(hr)) return hr;
  return endElement(element);
}

HRESULT KuvXMLV2ExprWriter::writeHeader() { return S_OK; }

HRESULT KuvXMLV2ExprWriter::checkDescIds() const {
  if (m_writeDescIds != 0 && m_modelerContext == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer for description");
  return S_OK;
}

HRESULT KuvXMLV2ExprWriter::write(const KuvEeExpression& expression) {
  KUV_TRACE_CALL("write");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    m_model = nullptr;
    m_nextHandlerId = 0;
    // The document is started before the expression's kind is looked at: a
    // refused kind leaves a started document, as a refusal further on does.
    if (const HRESULT hr = m_output.WriteStartDocument(); FAILED(hr))
      KUV_RETURN_ERROR(hr, "ERROR: Unable to write start document");
    const char* root = nullptr;
    if (KuvEeEffectivityExpression::isObjectOfThisType(expression))
      root = "CfgEffectivityExpression";
    else if (KuvEeChangeExpression::isObjectOfThisType(expression))
      root = "CfgChangeExpression";
    else if (KuvEeFilterExpression::isObjectOfThisType(expression))
      root = "CfgFilterExpression";
    else
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of KuvEeExpression.");
    if (const HRESULT hr = checkDescIds(); FAILED(hr)) return hr;
    Attributes attributes;
    attributes.add("xmlns", sc_namespace)
        .add("xmlns:xsi", sc_schemaInstance)
        .add("xsi:schemaLocation", KuvInString(sc_namespace).Append(" ", root, ".xsd"));
    if (const HRESULT hr = startElement(root, &attributes); FAILED(hr)) return hr;
    if (const HRESULT hr = writeHeader(); FAILED(hr)) return hr;
    const auto* filter = KuvEeFilterExpression::cast(expression);
    const HRESULT hr = filter != nullptr
                           ? writeFilter(*filter)
                           : writeMultiModel(static_cast<const KuvEeMultiModelExpression&>(expression));
    if (FAILED(hr)) return hr;
    if (const HRESULT end = endElement(root); FAILED(end)) return end;
    if (const HRESULT end = m_output.WriteEndDocument(); FAILED(end))
      KUV_RETURN_ERROR(end, "ERROR: Unable to write end document");
    return S_OK;
  });
}

HRESULT KuvXMLV2ExprWriter::writeMultiModel(const KuvEeMultiModelExpression& expression) {
  if (const HRESULT hr = startElement("Expression"); FAILED(hr)) return hr;
  if (const KuvEeNodeRef* global = expression.getGlobalCriteria(); global != nullptr)
    if (const HRESULT hr = writeTree(*global); FAILED(hr)) return hr;
  KuvInList models(KuvEeModelDico::sType());
  if (const HRESULT hr = expression.getOrderedContextDictionaries(models); FAILED(hr)) return hr;
  const bool multi = models.GetLength() >= 2;
  if (multi)
    if (const HRESULT hr = startElement("MultiContextView"); FAILED(hr)) return hr;
  for (KuvInList::const_iterator it = models.cBegin(); it.IsValid(); it.Next())
    if (const HRESULT hr = writeContextCriteria(expression, *static_cast<KuvEeModelDico*>(it.Get()));
        FAILED(hr))
      return hr;
  if (multi)
    if (const HRESULT hr = endElement("MultiContextView"); FAILED(hr)) return hr;
  return endElement("Expression");
}

HRESULT KuvXMLV2ExprWriter::writeContextCriteria(const KuvEeMultiModelExpression& expression,
                                                 KuvEeModelDico& model) {
  KUV_TRACE_CALL("WriteContextCriteria");
  if (m_modelerContext == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer for description");
  const KuvEeMultiModelExpression::ModelCriteria* criteria = expression.getModelCriteria(&model);
  const KuvEeNodeRef* inherited = criteria != nullptr ? criteria->getInheritedEffCriteria() : nullptr;
  const KuvEeNodeRef* tree = criteria != nullptr ? criteria->getCriteria() : nullptr;
  if (inherited == nullptr && tree == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: ModelCriteria with no EVCExpression and no inheritedEff.");
  Attributes attributes;
  attributes.add("HolderType", "Model").add("HolderName", model.getName());
  if (const HRESULT hr = startElement("Context", &attributes); FAILED(hr)) return hr;
  m_model = &model;
  const bool both = inherited != nullptr && tree != nullptr;
  if (both)
    if (const HRESULT hr = startElement("AND"); FAILED(hr)) return hr;
  if (inherited != nullptr)
    if (const HRESULT hr = writeTree(*inherited); FAILED(hr)) return hr;
  if (tree != nullptr)
    if (const HRESULT hr = writeTree(*tree); FAILED(hr)) return hr;
  if (both)
    if (const HRESULT hr = endElement("AND"); FAILED(hr)) return hr;
  m_model = nullptr;
  return endElement("Context");
}

HRESULT KuvXMLV2ExprWriter::writeFilter(const KuvEeFilterExpression& filter) {
  Attributes attributes;
  attributes.add("SelectionMode", filter.getSelectionMode() == KuvEeFilterExpression::CFG_SELECTIONMODE_150
                                      ? "150%"
                                      : "Strict");
  if (filter.getCondition() != 0 && filter.getCondition() != 1)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected cond for filter selection");
  if (const HRESULT hr = startElement("FilterSelection", &attributes); FAILED(hr)) return hr;
  if (filter.getCondition() == 0) {
    if (const HRESULT hr = textElement("Boolean", "true"); FAILED(hr)) return hr;
  } else if (const KuvQmSpecList* list = filter.getSpecList(); list != nullptr) {
    m_model = filter.getModelDico();
    for (auto it = list->GetVarEffs().cBegin(); !it.IsEnd(); it.Next())
      if (const HRESULT hr = writeVarEff(*static_cast<const KuvEeVarEff*>(it.GetVal())); FAILED(hr))
        return hr;
    for (auto it = list->GetEffs().cBegin(); !it.IsEnd(); it.Next())
      if (const HRESULT hr = writeNamedEff(*static_cast<const KuvEeEffectivity*>(it.Get()), m_model);
          FAILED(hr))
        return hr;
    m_model = nullptr;
  }
  return endElement("FilterSelection");
}

HRESULT KuvXMLV2ExprWriter::writeTree(const KuvEeNodeRef& tree, bool root) {
  KuvEeNode* node = tree.getNode();
  if (node == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  // The walk below recurses once per level. The root's depth bounds its
  // subtrees': measuring each of them again would cost the depth squared.
  if (root && kuv::detail::isTreeTooDeep(node)) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return node->acceptVisitor(*this);
}

// Children are visited here rather than through childrenAcceptVisitor so
// that a refusal keeps its own code (E_NOTIMPL) up to the caller.
HRESULT KuvXMLV2ExprWriter::writeOperator(KuvEeOp& node, const char* element, const char* kind) {
  if (const HRESULT hr = startElement(element); FAILED(hr)) return hr;
  KuvInLinkList children(KuvEeNodeRef::sType());
  if (FAILED(kuv::detail::throwIfOutOfMemory(node.getChildrenRefs(children))))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  for (KuvInLinkList::const_iterator it = children.cBegin(); it.IsValid(); it.Next()) {
    const HRESULT hr = writeTree(*static_cast<KuvEeNodeRef*>(it.Get()), false);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to childrenAcceptVisitor () on ", kind, " has failed.");
  }
  return endElement(element);
}

HRESULT KuvXMLV2ExprWriter::visitAndOp(KuvEeAndOp& node) { return writeOperator(node, "AND", "KuvEeAndOp"); }

HRESULT KuvXMLV2ExprWriter::visitOrOp(KuvEeOrOp& node) { return writeOperator(node, "OR", "KuvEeOrOp"); }

HRESULT KuvXMLV2ExprWriter::visitNotOp(KuvEeNotOp& node) { return writeOperator(node, "NOT", "KuvEeNotOp"); }

HRESULT KuvXMLV2ExprWriter::visitTrue(KuvEeTrue&) { return textElement("Boolean", "true"); }

HRESULT KuvXMLV2ExprWriter::visitFalse(KuvEeFalse&) { return textElement("Boolean", "false"); }

HRESULT KuvXMLV2ExprWriter::visitNotDomainOp(KuvEeNotDomainOp&) {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: KuvXMLV3ExprWriter::visitNotDomainOp is not implemented.");
}

HRESULT KuvXMLV2ExprWriter::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) {
  KUV_RETURN_ERROR(E_NOTIMPL, "UNEXPECTED: Restriction operator (@) not supported on this level.");
}

HRESULT KuvXMLV2ExprWriter::visitEffLeaf(KuvEeEffLeaf& node) {
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  if (node.isNegated() || node.isEquivalentToTrue() || node.isEquivalentToFalse())
    KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: Unable to write a negated or constant effectivity leaf on ",
                     target->getName());
  return writeNamedEff(*target,
                       node.getReferencedContext() != nullptr ? node.getReferencedContext() : m_model);
}

HRESULT KuvXMLV2ExprWriter::writeNamedEff(const KuvEeEffectivity& eff, const KuvEeModelDico* model) {
  Attributes attributes;
  if (const auto* change = KuvEePredefEff::cast(eff)) {
    attributes.add("Name", change->getName())
        .add("Type", "Change")
        .add("OperationHandlerId", KuvInString::FromNum(m_nextHandlerId++));
    if (const HRESULT hr = startElement("OperationHandler", &attributes); FAILED(hr)) return hr;
    return endElement("OperationHandler");
  }
  if (!KuvEeBasicEff::isObjectOfThisType(eff))
    KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: Unable to write effectivity ", eff.getName(),
                     ": only inherited effectivities and changes have an XML form.");
  if (model == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: No dictionary for inherited effectivity ", eff.getName());
  attributes.add("HolderType", "Model")
      .add("HolderName", model->getName())
      .add("FilterableName", eff.getName())
      .add("FilterableId", eff.getGuid().toString());
  if (const HRESULT hr = startElement("InheritedEff", &attributes); FAILED(hr)) return hr;
  return endElement("InheritedEff");
}

HRESULT KuvXMLV2ExprWriter::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  if (node.getVarEff() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return writeVarEff(*node.getVarEff());
}

HRESULT KuvXMLV2ExprWriter::writeVarEff(const KuvEeVarEff& eff) {
  if (eff.isNegated() || eff.getNoVar() || eff.isAllFalse() || eff.isAllTrue())
    KUV_RETURN_ERROR(E_NOTIMPL,
                     "ERROR: Unable to write a negated, empty or no-value effectivity: ", eff.toString());
  if (const auto* option = KuvEeOptionEff::cast(eff)) return writeFeatureSelection(option, nullptr);
  if (const auto* selection = KuvEeSelectionEff::cast(eff)) return writeFeatureSelection(nullptr, selection);
  if (const auto* serial = KuvEeSerialEff::cast(eff)) return writeSeriesSelection(*serial);
  if (const auto* date = KuvEeDateEff::cast(eff)) return writeDateSelection(*date);
  if (const auto* milestones = KuvEeMilestonesEff::cast(eff)) return writeMilestonesSelection(*milestones);
  if (const auto* treeSeries = KuvEeTreeSeriesEff::cast(eff)) return writeTreeSeriesSelection(*treeSeries);
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: Unable to write effectivity ", eff.toString());
}

HRESULT KuvXMLV2ExprWriter::writeFeatureSelection(const KuvEeOptionEff* option,
                                                  const KuvEeSelectionEff* selection) {
  KUV_TRACE_CALL("WriteFeatureSelection");
  const KuvEeDicoObject* feature = nullptr;
  // Each value with how it was chosen.
  std::vector<std::pair<const KuvEeDicoObject*, KuvCriteriaSelectedBy>> values;
  if (option != nullptr) {
    const auto* var =
        option->getOptionVar() != nullptr ? KuvEeCatOptionVar::cast(*option->getOptionVar()) : nullptr;
    if (var == nullptr || var->getCategory() == nullptr || option->getValue() != KuvEeOptionEff::T)
      KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: Unable to write option effectivity ", option->toString());
    feature = var->getCategory();
    values.emplace_back(var, option->getSelectedBy());
  } else {
    feature = selection->getSelectionVar();
    for (auto it = selection->getValues().cBegin(); !it.IsEnd(); it.Next()) {
      const auto* value = static_cast<const KuvEeSelectionValue*>(it.Get());
      values.emplace_back(value, selection->getSelectedBy(value));
    }
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return a.first->getName() < b.first->getName(); });
  }
  Attributes attributes;
  attributes.add("Type", "ConfigFeature").add("Name", feature->getName());
  if (m_writeDescIds != 0) attributes.add("DescId", feature->getGuid().toString());
  if (const HRESULT hr = startElement("Feature", &attributes); FAILED(hr)) return hr;
  static const char* const selectedByTexts[] = {nullptr, "User", "Rule", "Default"};
  for (const auto& [value, selectedBy] : values) {
    Attributes valueAttributes;
    valueAttributes.add("Type", "ConfigFeature").add("Name", value->getName());
    if (selectedBy >= KuvCriteriaSelectedBy_UserSelected && selectedBy <= KuvCriteriaSelectedBy_DefaultValue)
      valueAttributes.add("SelectedBy", selectedByTexts[selectedBy]);
    if (m_writeDescIds != 0) valueAttributes.add("DescId", value->getGuid().toString());
    if (const HRESULT hr = startElement("Feature", &valueAttributes); FAILED(hr)) return hr;
    if (const HRESULT hr = endElement("Feature"); FAILED(hr)) return hr;
  }
  return endElement("Feature");
}

HRESULT KuvXMLV2ExprWriter::writeSeriesSelection(const KuvEeSerialEff& eff) {
  KUV_TRACE_CALL("WriteSeriesSelection");
  const KuvEeSerialVar* var = eff.getOrdVar();
  if (var == nullptr ||
      (var->getExternalType() != KuvEeSerialVar::UNIT && var->getExternalType() != KuvEeSerialVar::UNDEFINED))
    KUV_RETURN_ERROR(E_NOTIMPL, "ERROR:unexpected case. Only 'Unit' Series are valid for now.");
  KuvInListVal intervals(KuvInSerialInterval::sType());
  if (FAILED(eff.getIntervals(intervals)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve the intervals.");
  Attributes attributes;
  attributes.add("Type", "Unit")
      .add("Name", var->getHolderDico() != nullptr ? var->getHolderDico()->getName() : var->getName());
  if (const HRESULT hr = startElement("Series", &attributes); FAILED(hr)) return hr;
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto& range = static_cast<const KuvInSerialInterval&>(*intervals.Get(i));
    if (range.getA() == range.getB()) {
      if (range.getA() < -sc_largestValue || range.getA() > sc_largestValue)
        KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to write value ", KuvInString::FromNum(range.getA()));
      Attributes value;
      value.add("Value", KuvInString::FromNum(range.getA()));
      if (const HRESULT hr = startElement("SingleValue", &value); FAILED(hr)) return hr;
      if (const HRESULT hr = endElement("SingleValue"); FAILED(hr)) return hr;
      continue;
    }
    if (const HRESULT hr = startElement("Interval"); FAILED(hr)) return hr;
    const std::pair<const char*, std::pair<std::int32_t, bool>> ends[] = {
        {"From", {range.getA(), range.getAIncl()}}, {"To", {range.getB(), range.getBIncl()}}};
    for (const auto& [element, end] : ends) {
      if (end.first == sc_lowest || end.first == sc_highest) continue;
      Attributes bound;
      bound.add("Value", KuvInString::FromNum(end.first)).add("IsExcluded", boolText(!end.second));
      if (const HRESULT hr = startElement(element, &bound); FAILED(hr)) return hr;
      if (const HRESULT hr = endElement(element); FAILED(hr)) return hr;
    }
    if (const HRESULT hr = endElement("Interval"); FAILED(hr)) return hr;
  }
  return endElement("Series");
}

HRESULT KuvXMLV2ExprWriter::writeDateSelection(const KuvEeDateEff& eff) {
  KUV_TRACE_CALL("WriteDateSelection");
  KuvInListVal intervals(KuvInDateInterval::sType());
  if (FAILED(eff.getIntervals(intervals)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve the intervals.");
  Attributes attributes;
  if (m_writeDescIds != 0 && eff.getOrdVar() != nullptr)
    attributes.add("DescId", eff.getOrdVar()->getGuid().toString());
  if (const HRESULT hr = startElement("Date", m_writeDescIds != 0 ? &attributes : nullptr); FAILED(hr))
    return hr;
  for (std::int32_t i = 0; i < intervals.GetLength(); ++i) {
    const auto& range = static_cast<const KuvInDateInterval&>(*intervals.Get(i));
    if (range.getA() == range.getB()) {
      Attributes value;
      value.add("Value", range.getA().toStringForXMLValue());
      if (const HRESULT hr = startElement("SingleValue", &value); FAILED(hr)) return hr;
      if (const HRESULT hr = endElement("SingleValue"); FAILED(hr)) return hr;
      continue;
    }
    if (const HRESULT hr = startElement("Interval"); FAILED(hr)) return hr;
    const std::pair<const char*, const KuvInDate*> ends[] = {{"From", &range.getA()}, {"To", &range.getB()}};
    for (const auto& [element, date] : ends) {
      if (date->isInfNeg() || date->isInfPos()) continue;
      Attributes bound;
      bound.add("Value", date->toStringForXMLValue()).add("IsExcluded", "false");
      if (const HRESULT hr = startElement(element, &bound); FAILED(hr)) return hr;
      if (const HRESULT hr = endElement(element); FAILED(hr)) return hr;
    }
    if (const HRESULT hr = endElement("Interval"); FAILED(hr)) return hr;
  }
  return endElement("Date");
}

HRESULT KuvXMLV2ExprWriter::writeMilestonesSelection(const KuvEeTreeBaseEff& eff) {
  KUV_TRACE_CALL("WriteMilestonesSelection");
  const auto* track = KuvEeMilestonesVar::cast(*eff.getVar());
  Attributes attributes;
  attributes.add("Discipline", track->getDiscipline()).add("Name", track->getName());
  if (const HRESULT hr = startElement("MilestonesTrack", &attributes); FAILED(hr)) return hr;
  if (const HRESULT hr = writeTreeSelections(eff, true); FAILED(hr)) return hr;
  return endElement("MilestonesTrack");
}

HRESULT KuvXMLV2ExprWriter::writeTreeSeriesSelection(const KuvEeTreeBaseEff& eff) {
  KUV_TRACE_CALL("WriteTreeSeriesSelection");
  const auto* var = KuvEeTreeSeriesVar::cast(*eff.getVar());
  const KuvEeModelDico* model = var->getHolderDico();
  Attributes attributes;
  attributes.add("Type", var->getExternalType() == KuvEeSerialVar::TREE_STATE ? "ProductState" : "ManufPlan")
      .add("Name", model != nullptr ? model->getName() : var->getName());
  if (const HRESULT hr = startElement("TreeSeries", &attributes); FAILED(hr)) return hr;
  if (const HRESULT hr = writeTreeSelections(eff, false); FAILED(hr)) return hr;
  return endElement("TreeSeries");
}

HRESULT KuvXMLV2ExprWriter::writeTreeSelections(const KuvEeTreeBaseEff& eff, bool milestones) {
  KuvInListVal selections;
  if (FAILED(eff.getSelections(selections)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve the selections.");
  for (std::int32_t i = 0; i < selections.GetLength(); ++i) {
    const auto& selection = static_cast<const KuvEeTreeSelection&>(*selections.Get(i));
    if (selection.isEmpty()) continue;
    if (selection.isSingleSelection()) {
      if (const HRESULT hr = writeBound("Single", *selection.getFromBound(), milestones); FAILED(hr))
        return hr;
      continue;
    }
    if (const HRESULT hr = startElement("Tree"); FAILED(hr)) return hr;
    if (const HRESULT hr = writeBound("Root", *selection.getFromBound(), milestones); FAILED(hr)) return hr;
    for (std::int32_t j = 0; j < selection.getToBounds().GetLength(); ++j) {
      const auto& bound = static_cast<const KuvEeTreeSelectionBound&>(*selection.getToBounds().Get(j));
      if (const HRESULT hr = writeBound("Leaf", bound, milestones); FAILED(hr)) return hr;
    }
    if (const HRESULT hr = endElement("Tree"); FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT KuvXMLV2ExprWriter::writeBound(const char* element, const KuvEeTreeSelectionBound& bound,
                                       bool milestones) {
  const KuvEeTreeElementBase* target = bound.getElement();
  if (target == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  Attributes attributes;
  attributes.add("Name", target->getName());
  if (milestones) {
    const KuvInDate* date = static_cast<const KuvEeMilestone*>(target)->getDate();
    if (m_writeDerivedDates != 0 && date != nullptr)
      attributes.add("DerivedDate", date->toStringForXMLValue());
  } else {
    attributes.add("Revision", static_cast<const KuvEeTreeSeriesElement*>(target)->getRevision());
  }
  attributes.add("IsExcluded", boolText(!bound.isIncluded()));
  if (const HRESULT hr = startElement(element, &attributes); FAILED(hr)) return hr;
  return endElement(element);
}
