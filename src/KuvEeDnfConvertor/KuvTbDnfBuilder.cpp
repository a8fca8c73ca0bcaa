#include "KuvTbDnfBuilder.h"

#include <memory>

#include "KuvDnfDateEff.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfRestrictionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvEeAndOp.h"
#include "KuvEeCategory.h"
#include "KuvEeDateEff.h"
#include "KuvEeDnfTreeEff.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInDateInterval.h"
#include "KuvInLinkList.h"
#include "KuvInSerialInterval.h"

namespace {

// The helpers report on the builder's channel.
KuvInTraceClass& traceChannel() { return KuvTbDnfBuilder::traceChannel(); }

const KuvInGuid& guidOf(const KuvEeVariable* var) {
  static const KuvInGuid unset;
  return var != nullptr ? var->getGuid() : unset;
}

KuvDnfLeaf* optionLeaf(const KuvEeOptionEff& eff) {
  if ((eff.getValue() & ~7u) != 0) return nullptr;
  const KuvEeOptionVar* option = eff.getOptionVar();
  const KuvEeCatOptionVar* catOption = option != nullptr ? KuvEeCatOptionVar::cast(*option) : nullptr;
  static const KuvInGuid noFeature;
  const KuvInGuid& feature =
      catOption != nullptr && catOption->getCategory() != nullptr ? catOption->getCategory()->getGuid() : noFeature;
  return new KuvDnfOptionEff(guidOf(option), feature, eff.getValue(), eff.isNegated());
}

KuvDnfLeaf* selectionLeaf(const KuvEeSelectionEff& eff) {
  KuvInListVal values(KuvInGuid::sType());
  if (FAILED(eff.getValueGuids(values))) KUV_TRACE_ERROR("ERROR: getValueGuids failed");
  auto leaf = std::make_unique<KuvDnfSelectionEff>(guidOf(eff.getSelectionVar()), values.GetLength(), eff.getNoVar(),
                                                   eff.isNegated());
  for (std::int32_t i = 0; i < values.GetLength(); ++i) leaf->putValue(static_cast<const KuvInGuid&>(*values.Get(i)));
  return leaf.release();
}

// The set of variable GUIDs of an engine restriction.
template <class DnfRestriction, class... Args>
KuvDnfLeaf* restrictionLeaf(const KuvEeRestrictionEff& eff, Args... args) {
  const KuvInSet& variables = eff.getVariables();
  auto leaf = std::make_unique<DnfRestriction>(variables.GetLength(), args...);
  for (auto it = variables.cBegin(); it.IsValid();) {
    const auto* object = KuvEeDicoObject::cast(*it.GetGoToNext());
    if (object != nullptr) leaf->putVariable(object->getGuid());
  }
  if (eff.isNegated()) leaf->negate();
  return leaf.release();
}

// The part a restriction's variables belong to; the first one tells.
const KuvInObject* firstVariable(const KuvEeRestrictionEff& eff) {
  auto it = eff.getVariables().cBegin();
  return it.IsValid() ? it.Get() : nullptr;
}

KuvDnfLeaf* restrictionLeaf(const KuvEeRestrictionEff& eff) {
  const KuvInObject* first = firstVariable(eff);
  if (KuvEeDateRestrictionEff::isObjectOfThisType(eff)) return restrictionLeaf<KuvDnfDateRestrictionEff>(eff);
  if (KuvEeSelectionRestrictionEff::isObjectOfThisType(eff))
    return restrictionLeaf<KuvDnfSelectionRestrictionEff>(eff);
  if (KuvEeCategoryRestrictionEff::isObjectOfThisType(eff)) return restrictionLeaf<KuvDnfCategoryRestrictionEff>(eff);
  if (KuvEeMilestonesRestrictionEff::isObjectOfThisType(eff))
    return restrictionLeaf<KuvDnfMilestonesRestrictionEff>(eff);
  if (KuvEePredefEffRestrictionEff::isObjectOfThisType(eff)) return restrictionLeaf<KuvDnfEffRestrictionEff>(eff);
  if (KuvEeSerialRestrictionEff::isObjectOfThisType(eff)) {
    const auto* serial = first != nullptr ? KuvEeSerialVar::cast(*first) : nullptr;
    return restrictionLeaf<KuvDnfSerialRestrictionEff>(
        eff, static_cast<std::int32_t>(serial != nullptr ? serial->getExternalType() : KuvEeSerialVar::UNDEFINED));
  }
  if (KuvEeTreeSeriesRestrictionEff::isObjectOfThisType(eff)) {
    const auto* series = first != nullptr ? KuvEeTreeSeriesVar::cast(*first) : nullptr;
    return restrictionLeaf<KuvDnfTreeSeriesRestrictionEff>(
        eff, series != nullptr ? series->getExternalType() : static_cast<std::uint32_t>(KuvEeSerialVar::TREE_STATE));
  }
  if (KuvEeCategoryOptionRestrictionEff::isObjectOfThisType(eff)) {
    const auto* option = first != nullptr ? KuvEeCatOptionVar::cast(*first) : nullptr;
    static const KuvInGuid noCategory;
    const KuvInGuid& category =
        option != nullptr && option->getCategory() != nullptr ? option->getCategory()->getGuid() : noCategory;
    return restrictionLeaf<KuvDnfCategoryOptionRestrictionEff>(eff, category);
  }
  KUV_TRACE_ERROR("ERROR: unexpected/unsupported case");
  return nullptr;
}

KuvDnfLeaf* varEffLeaf(const KuvEeVarEff& eff) {
  if (const auto* option = KuvEeOptionEff::cast(eff)) return optionLeaf(*option);
  if (const auto* selection = KuvEeSelectionEff::cast(eff)) return selectionLeaf(*selection);
  if (const auto* date = KuvEeDateEff::cast(eff)) {
    KuvInListVal ranges(KuvInDateInterval::sType());
    date->getIntervals(ranges);
    return new KuvDnfDateEff(guidOf(date->getVar()), ranges, date->getNoVar(), date->isNegated());
  }
  if (const auto* serial = KuvEeSerialEff::cast(eff)) {
    KuvInListVal ranges(KuvInSerialInterval::sType());
    serial->getIntervals(ranges);
    const KuvEeSerialVar* var = serial->getOrdVar();
    return new KuvDnfSerialEff(guidOf(var), ranges,
                               var != nullptr ? var->getExternalType() : KuvEeSerialVar::UNDEFINED,
                               serial->getNoVar(), serial->isNegated());
  }
  if (const auto* dnf = kuv::detail::DnfTreeEff::cast(eff); dnf != nullptr && dnf->getRelated())
    return dnf->getRelated()->clone();
  if (KuvEeTreeBaseEff::isObjectOfThisType(eff) || kuv::detail::DnfTreeEff::refusesNegation(eff)) {
    KUV_TRACE_ERROR("ERROR: milestone and tree-series effectivities have no normal form yet");
    return nullptr;
  }
  KUV_TRACE_ERROR("ERROR: VarEff is from an unexpected object type.");
  return nullptr;
}

}  // namespace

KuvDnfLeaf* KuvTbDnfBuilder::createDnfLeaf(const KuvEeNode& node) {
  if (const auto* leaf = KuvEeVarEffLeaf::cast(node)) {
    if (leaf->getVarEff() == nullptr) {
      KUV_TRACE_ERROR("ERROR: NULL pointer");
      return nullptr;
    }
    return varEffLeaf(*leaf->getVarEff());
  }
  if (const auto* leaf = KuvEeEffLeaf::cast(node)) {
    if (leaf->getTargetEff() == nullptr || leaf->isEquivalentToTrue() || leaf->isEquivalentToFalse()) {
      KUV_TRACE_ERROR("ERROR: unexpected/unsupported case");
      return nullptr;
    }
    return new KuvDnfEff(leaf->getTargetEff()->getGuid(), leaf->isNegated());
  }
  if (const auto* leaf = KuvEeRestrictionEffLeaf::cast(node)) {
    if (leaf->getRestrictionEff() == nullptr) {
      KUV_TRACE_ERROR("ERROR: NULL pointer");
      return nullptr;
    }
    return restrictionLeaf(*leaf->getRestrictionEff());
  }
  KUV_TRACE_ERROR("ERROR: NodeLeaf is from an unexpected object type.");
  return nullptr;
}

namespace {

// Converts leaf and adds it to term; false (traced) on failure.
bool addLeaf(KuvDnfAndTerm& term, const KuvEeNode& node) {
  std::unique_ptr<KuvDnfLeaf> leaf(KuvTbDnfBuilder::createDnfLeaf(node));
  if (!leaf) {
    KUV_TRACE_ERROR("ERROR: NULL pointer: createDnfLeaf failed");
    return false;
  }
  if (FAILED(term.addDnfLeaf(*leaf))) {
    KUV_TRACE_ERROR("ERROR: addDnfLeaf FAILED.");
    return false;
  }
  leaf.release();
  return true;
}

bool isLeaf(const KuvEeNode& node) {
  return KuvEeVarEffLeaf::isObjectOfThisType(node) || KuvEeEffLeaf::isObjectOfThisType(node) ||
         KuvEeRestrictionEffLeaf::isObjectOfThisType(node);
}

// A term of the children of an And (all leaves), or of one leaf.
KuvDnfAndTerm* termOf(const KuvEeNode& node, KuvDnfAndTermFactory::E_Type type) {
  if (const auto* product = KuvEeAndOp::cast(node)) {
    const KuvInLinkList& children = product->childrenRefs();
    std::unique_ptr<KuvDnfAndTerm> term(KuvDnfAndTermFactory::create(type, children.GetLength()));
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNode* child = static_cast<KuvEeNodeRef*>(it.Get())->getNode();
      if (child == nullptr || !isLeaf(*child) || !addLeaf(*term, *child)) {
        KUV_TRACE_ERROR("ERROR: createDnfEffFromNodeRef_AddItToAndTerm failed");
        return nullptr;
      }
    }
    return term.release();
  }
  if (!isLeaf(node)) {
    KUV_TRACE_ERROR("ERROR: unexpected/unsupported case");
    return nullptr;
  }
  std::unique_ptr<KuvDnfAndTerm> term(KuvDnfAndTermFactory::create(type, 1));
  return addLeaf(*term, node) ? term.release() : nullptr;
}

}  // namespace

KuvDnf* KuvTbDnfBuilder::createDnf(const KuvEeNodeRef& ref, KuvDnfAndTermFactory::E_Type type) {
  const KuvEeNode* root = ref.getNode();
  if (root == nullptr) {
    KUV_TRACE_ERROR("ERROR: Unexpected error");
    return nullptr;
  }
  if (KuvEeTrue::isObjectOfThisType(*root)) return new KuvDnf(DNF_COND_TRUE);
  if (KuvEeFalse::isObjectOfThisType(*root)) return new KuvDnf(DNF_COND_FALSE);
  if (isLeaf(*root) || KuvEeAndOp::isObjectOfThisType(*root)) {
    std::unique_ptr<KuvDnfAndTerm> term(termOf(*root, type));
    if (!term) {
      if (isLeaf(*root)) KUV_TRACE_ERROR("ERROR: Unable to create DnfLeaf from NodeLeaf.");
      return nullptr;
    }
    auto dnf = std::make_unique<KuvDnf>(1, DNF_COND_NONE);
    dnf->addAndTerm(term.release());
    return dnf.release();
  }
  if (const auto* sum = KuvEeOrOp::cast(*root)) {
    const KuvInLinkList& children = sum->childrenRefs();
    auto dnf = std::make_unique<KuvDnf>(children.GetLength(), DNF_COND_NONE);
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNode* child = static_cast<KuvEeNodeRef*>(it.Get())->getNode();
      KuvDnfAndTerm* term = child != nullptr ? termOf(*child, type) : nullptr;
      if (term == nullptr) return nullptr;
      dnf->addAndTerm(term);
    }
    return dnf.release();
  }
  KUV_TRACE_ERROR("ERROR: Unexpected error");
  return nullptr;
}
