#include "KuvEeVisitor_GetCriteriaTypes.h"

#include <algorithm>

#include "KuvEeDateEff.h"
#include "KuvEeDnfTreeEff.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeExpression.h"
#include "KuvEeNotOp.h"
#include "KuvEeOptionEff.h"
#include "KuvEePredefEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInDateInterval.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvEeVisitor_GetCriteriaTypes, KuvEeNodeWalker)

KuvEeVisitor_GetCriteriaTypes::KuvEeVisitor_GetCriteriaTypes(unsigned char followBasicEffs,
                                                             unsigned char followPredefEffs,
                                                             unsigned char checkUpperBounds)
    : m_followBasicEffs(followBasicEffs), m_followPredefEffs(followPredefEffs), m_checkUpperBounds(checkUpperBounds) {}

KuvEeVisitor_GetCriteriaTypes::~KuvEeVisitor_GetCriteriaTypes() = default;

HRESULT KuvEeVisitor_GetCriteriaTypes::visitFalse(KuvEeFalse&) {
  m_classification.setFalse(1);
  return S_OK;
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitTrue(KuvEeTrue&) {
  m_classification.setTrue(1);
  return S_OK;
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitNotOp(KuvEeNotOp& node) {
  m_negated = !m_negated;
  const HRESULT hr = walkChildren(node);
  m_negated = !m_negated;
  return hr;
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) {
  m_classification.setRestriction(1);
  return S_OK;
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  KuvEeEffectivity* target = node.getTargetEff();
  if (target == nullptr) return S_OK;
  if (KuvEePredefEff::cast(*target) != nullptr) {
    m_classification.setChange(1);
    if (m_followPredefEffs != 0) return visitDefinition(*target);
  } else if (KuvEeBasicEff::cast(*target) != nullptr) {
    m_classification.setInheritedEff(1);
    if (m_followBasicEffs != 0) return visitDefinition(*target);
  }
  return S_OK;
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitDefinition(KuvEeEffectivity& effectivity) {
  if (auto onPath = m_followed.find(&effectivity); onPath != m_followed.end()) {
    m_lowestCut = std::min(m_lowestCut, onPath->second);
    return S_OK;
  }
  const auto key = std::make_pair(static_cast<const KuvEeEffectivity*>(&effectivity), m_negated);
  if (auto walked = m_walked.find(key); walked != m_walked.end()) {
    if (walked->second.has_value()) setDateUpperBoundInfinite(*walked->second);
    return S_OK;
  }
  const std::size_t depth = m_followed.size();
  // Each definition followed is a level of recursion.
  if (depth >= static_cast<std::size_t>(kuv::detail::kMaxTransformDepth))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  m_followed.emplace(&effectivity, depth);
  const std::optional<bool> outerDateBound = std::exchange(m_lastDateBound, std::nullopt);
  const std::size_t outerCut = std::exchange(m_lowestCut, SIZE_MAX);
  HRESULT hr = S_OK;
  KuvEeNodeRef* tree = effectivity.getExpr();
  if (tree != nullptr && tree->getNode() != nullptr) hr = tree->getNode()->acceptVisitor(*this);
  KuvEeExpression* expression = nullptr;
  if (SUCCEEDED(hr) && effectivity.getExpr(expression) == S_OK && expression != nullptr)
    hr = expression->runConstVisitor(*this);
  m_followed.erase(&effectivity);
  if (SUCCEEDED(hr) && m_lowestCut >= depth) m_walked.emplace(key, m_lastDateBound);
  if (!m_lastDateBound.has_value()) m_lastDateBound = outerDateBound;
  m_lowestCut = std::min(outerCut, m_lowestCut);
  return hr;
}

void KuvEeVisitor_GetCriteriaTypes::setDateUpperBoundInfinite(bool value) {
  m_classification.setDateUpperBoundInfinite(value ? 1 : 0);
  m_lastDateBound = value;
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  KUV_TRACE_CALL("visitVarEffLeaf");
  const KuvEeVarEff* eff = node.getVarEff();
  if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected KuvEeVarEffLeaf");
  if (KuvEeSelectionEff::cast(*eff) != nullptr) {
    m_classification.setExclusiveFeature(1);
    return S_OK;
  }
  if (KuvEeOptionEff::cast(*eff) != nullptr) {
    m_classification.setNonExclusiveFeature(1);
    return S_OK;
  }
  if (KuvEeSerialEff::cast(*eff) != nullptr) {
    const KuvEeSerialVar* var = eff->getVar() != nullptr ? KuvEeSerialVar::cast(*eff->getVar()) : nullptr;
    if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved element isn't a KuvEeSerialVar");
    if (FAILED(m_classification.setEvolutionType(var->getExternalType(), 1)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to setEvolutionType() has failed");
    if (m_checkUpperBounds != 0) KUV_TRACE_DETAIL("Check for infinite bounds is not yet implemented for Serials");
    return S_OK;
  }
  if (KuvEeTreeSeriesEff::cast(*eff) != nullptr || KuvEeDnfTreeSeriesEff::cast(*eff) != nullptr) {
    const KuvEeTreeSeriesVar* var = eff->getVar() != nullptr ? KuvEeTreeSeriesVar::cast(*eff->getVar()) : nullptr;
    if (var == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved element isn't a KuvEeTreeSeriesVar");
    if (FAILED(m_classification.setEvolutionType(static_cast<std::int32_t>(var->getExternalType()), 1)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Call to setEvolutionType() has failed");
    if (m_checkUpperBounds != 0) KUV_TRACE_DETAIL("Check for infinite bounds is not yet implemented for TreeSeries");
    return S_OK;
  }
  if (KuvEeMilestonesEff::cast(*eff) != nullptr || KuvEeDnfMilestonesEff::cast(*eff) != nullptr) {
    m_classification.setMilestone(1);
    if (m_checkUpperBounds != 0) KUV_TRACE_DETAIL("Check for infinite bounds is not yet implemented for Milestones");
    return S_OK;
  }
  if (const KuvEeDateEff* date = KuvEeDateEff::cast(*eff)) return visitDateEff(*date);
  KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected KuvEeVarEffLeaf");
}

HRESULT KuvEeVisitor_GetCriteriaTypes::visitDateEff(const KuvEeDateEff& eff) {
  m_classification.setDate(1);
  if (m_checkUpperBounds == 0) return S_OK;
  KuvInListVal intervals(KuvInDateInterval::sType());
  if (FAILED(eff.getIntervals(intervals))) KUV_RETURN_ERROR(E_FAIL, "ERROR : getIntervals FAILED");
  if (intervals.IsEmpty()) {
    setDateUpperBoundInfinite(false);
    return S_OK;
  }
  const KuvInDateInterval* last = KuvInDateInterval::cast(*intervals.Get(intervals.GetLength() - 1));
  if (last == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected failed cast");
  const bool upperInfinite = last->getB().isInfPos();
  // Under an odd number of negations the ranges stand for their complement.
  const bool complemented = eff.isNegated() != m_negated;
  setDateUpperBoundInfinite(complemented ? !upperInfinite : upperInfinite);
  return S_OK;
}
