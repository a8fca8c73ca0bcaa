#include "KuvTbDnfBuilder.h"

#include <algorithm>
#include <memory>
#include <vector>

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
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
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
#include "KuvEeTreeBaseVar.h"
#include "KuvEeTreeBaseVarIndex.h"
#include "KuvEeTreeElementBase.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInDateInterval.h"
#include "KuvInLinkList.h"
#include "KuvInMilestonesEvalInterval.h"
#include "KuvInSerialInterval.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvInTreeEvalInterval.h"

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

// For each element (in walk order) the position of its innermost holder,
// or n; empty when the indices do not make a forest whose spans are wide
// (every index valid with lower < upper, distinct, any two nested or
// apart), the only shape in which a whole subtree is one range.
std::vector<std::size_t> forestOf(const std::vector<KuvEeTreeElementBase*>& elements) {
  const std::size_t n = elements.size();
  std::vector<std::size_t> holder(n, n);
  std::vector<std::size_t> open;
  for (std::size_t i = 0; i < n; ++i) {
    const KuvInTreeEvalIndex& index = elements[i]->getTreeEvalIndex();
    if (!index.isTreeEvalIndexValid() || !(index.getLowerBound() < index.getUpperBound())) return {};
    if (i > 0 && index.equals(elements[i - 1]->getTreeEvalIndex())) return {};
    while (!open.empty() && !elements[open.back()]->getTreeEvalIndex().isIndexValidForChildInsertion(index)) {
      if (!(elements[open.back()]->getTreeEvalIndex().getUpperBound() <= index.getLowerBound())) return {};
      open.pop_back();
    }
    if (!open.empty()) holder[i] = open.back();
    open.push_back(i);
  }
  return holder;
}

// The positions of the elements eff's selections select, as ranges built
// by range(element, whole): a whole subtree, or the element alone (see the
// header). False (traced) for a selected element without a valid index.
template <class Range>
bool selectedRanges(const KuvEeTreeBaseEff& eff, KuvInListVal& ranges, Range range) {
  KuvInListVal selections(KuvEeTreeSelection::sType());
  eff.getSelections(selections);
  const std::vector<KuvEeTreeElementBase*> elements = kuv::detail::elementsSpokenOf(
      eff.getVar() != nullptr ? KuvEeTreeBaseVar::cast(*eff.getVar()) : nullptr, {&selections});
  const std::size_t n = elements.size();
  std::vector<bool> selected(n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::int32_t j = 0; j < selections.GetLength() && !selected[i]; ++j)
      selected[i] = static_cast<const KuvEeTreeSelection*>(selections.Get(j))->selects(elements[i]);
  std::vector<std::size_t> holder = forestOf(elements);
  std::vector<bool> whole(n);
  if (!holder.empty()) {
    // Children follow their holders in walk order.
    whole = selected;
    for (std::size_t i = n; i-- > 0;)
      if (holder[i] < n && !whole[i]) whole[holder[i]] = false;
  } else {
    holder.assign(n, n);
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!selected[i] || (whole[i] && holder[i] < n && whole[holder[i]])) continue;
    if (!elements[i]->getTreeEvalIndex().isTreeEvalIndexValid()) {
      KUV_TRACE_ERROR("ERROR: a selected tree element has no valid tree evaluation index");
      return false;
    }
    ranges.PutBack(range(*elements[i], whole[i]));
  }
  return true;
}

KuvDnfLeaf* treeSeriesLeaf(const KuvEeTreeSeriesEff& eff) {
  KuvInListVal ranges(KuvInTreeEvalInterval::sType());
  const bool done = selectedRanges(eff, ranges, [](const KuvEeTreeElementBase& element, bool whole) {
    const KuvInTreeEvalIndex& index = element.getTreeEvalIndex();
    return KuvInTreeEvalInterval(whole ? index.getLowerBound() : index.getUpperBound(), !whole,
                                 index.getUpperBound(), true);
  });
  if (!done || FAILED(KuvInTreeEvalInterval::simplify(ranges)) ||
      FAILED(KuvInTreeEvalInterval::sort(ranges))) {
    KUV_TRACE_ERROR("ERROR: tree ranges failed");
    return nullptr;
  }
  const KuvEeTreeSeriesVar* var = eff.getTreeSeriesVar();
  return new KuvDnfTreeSeriesEff(
      guidOf(var), ranges,
      var != nullptr ? var->getExternalType() : static_cast<std::uint32_t>(KuvEeSerialVar::TREE_STATE),
      eff.getNoVar(), eff.isNegated());
}

KuvDnfLeaf* milestonesLeaf(const KuvEeMilestonesEff& eff) {
  KuvInListVal ranges(KuvInMilestonesEvalInterval::sType());
  const bool done = selectedRanges(eff, ranges, [](const KuvEeTreeElementBase& element, bool whole) {
    const KuvInTreeEvalIndex& index = element.getTreeEvalIndex();
    const auto* milestone = KuvEeMilestone::cast(element);
    const bool dated = milestone != nullptr && milestone->getDate() != nullptr;
    return KuvInMilestonesEvalInterval(
        KuvInMilestonesEvalIntervalValue(whole ? index.getLowerBound() : index.getUpperBound(), dated),
        !whole, KuvInMilestonesEvalIntervalValue(index.getUpperBound(), dated), true);
  });
  if (!done || FAILED(KuvInMilestonesEvalInterval::simplify(ranges)) ||
      FAILED(KuvInMilestonesEvalInterval::sort(ranges))) {
    KUV_TRACE_ERROR("ERROR: milestone ranges failed");
    return nullptr;
  }
  return new KuvDnfMilestonesEff(guidOf(eff.getVar()), ranges, eff.getNoVar(), eff.isNegated());
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
  if (const auto* series = KuvEeTreeSeriesEff::cast(eff)) return treeSeriesLeaf(*series);
  if (const auto* milestones = KuvEeMilestonesEff::cast(eff)) return milestonesLeaf(*milestones);
  if (kuv::detail::DnfTreeEff::refusesNegation(eff)) {
    KUV_TRACE_ERROR("ERROR: no related normal form effectivity");
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

constexpr const char* sc_termLeafFailed = "ERROR: NULL pointer: createDnfLeaf failed";
constexpr const char* sc_rootLeafFailed = "ERROR: Unable to create DnfLeaf from NodeLeaf.";

// Converts leaf and adds it to term; false (traced, an unconverted leaf with
// nullMessage) on failure.
bool addLeaf(KuvDnfAndTerm& term, const KuvEeNode& node, const char* nullMessage = sc_termLeafFailed) {
  std::unique_ptr<KuvDnfLeaf> leaf(KuvTbDnfBuilder::createDnfLeaf(node));
  if (!leaf) {
    KUV_TRACE_ERROR(nullMessage);
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

// A term of the children of an And (all leaves), or of one leaf (the root
// itself when root).
KuvDnfAndTerm* termOf(const KuvEeNode& node, KuvDnfAndTermFactory::E_Type type, bool root = false) {
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
  return addLeaf(*term, node, root ? sc_rootLeafFailed : sc_termLeafFailed) ? term.release() : nullptr;
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
    std::unique_ptr<KuvDnfAndTerm> term(termOf(*root, type, true));
    if (!term) return nullptr;
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
