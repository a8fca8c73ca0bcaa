#include "KuvEeNodeCompletionRemover.h"

#include <memory>
#include <vector>

#include "KuvEeCompletionSupport.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeTransformEntry.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeCompletionRemover, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeCompletionRemover>;

namespace {

KuvInTraceClass& channel() { return KuvEeNodeCompletionRemover::traceChannel(); }

// The criteria a restriction of this kind takes in, and what a failure to
// take them in traces; no set for the category-option kind.
struct Source {
  const KuvInSet* set;
  const char* failure;
};

Source sourceOf(const KuvEeRestrictionEff& restriction, const KuvSortedByTypeCriteria& criteria) {
  if (KuvEeSerialRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.serials, "ERROR: setSerials failed"};
  if (KuvEeTreeSeriesRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.treeSeries, "ERROR: setTreeSeries failed"};
  if (KuvEeMilestonesRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.milestones, "ERROR: Unable to set MiletonesTracks to MilestonesRestrictionEff"};
  if (KuvEeDateRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.dates, "ERROR: setDates failed"};
  if (KuvEeSelectionRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.selections, "ERROR: setOptions failed"};
  if (KuvEeCategoryRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.categories, "ERROR: setOptions failed"};
  if (KuvEePredefEffRestrictionEff::isObjectOfThisType(restriction))
    return {criteria.predefEffs, "ERROR: setPredefEffs failed"};
  return {nullptr, nullptr};
}

const KuvEeCategory* categoryOf(const KuvEeRestrictionEff& restriction) {
  const KuvInSet& held = restriction.getVariables();
  const KuvEeCatOptionVar* option = held.IsEmpty() ? nullptr : KuvEeCatOptionVar::cast(*held.cBegin().Get());
  return option != nullptr ? option->getCategory() : nullptr;
}

// The restriction takes in the objects of source that keep accepts, when
// some are missing from it.
template <class Keep>
HRESULT takeIn(KuvEeRestrictionEff& restriction, const KuvInSet& source, Keep keep, const char* failure) {
  KuvInSet wanted(restriction.getVariables());
  for (KuvInSet::const_iterator it = source.cBegin(); it.IsValid();) {
    KuvInObject* object = it.GetGoToNext();
    if (keep(*object) && !wanted.Put(object) && !wanted.Find(object))
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, failure);
  }
  if (wanted.GetLength() == restriction.getVariables().GetLength()) return S_OK;
  if (FAILED(restriction.setVariables(wanted))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, failure);
  return S_OK;
}

// The restriction leaves among the children of term, in order.
std::vector<KuvEeRestrictionEffLeaf*> restrictionChildren(const KuvEeAndOp& term) {
  std::vector<KuvEeRestrictionEffLeaf*> leaves;
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(term.getChildrenRefs(children));
  for (auto it = children.cBegin(); it.IsValid(); it.Next())
    if (auto* leaf = KuvEeRestrictionEffLeaf::cast(*static_cast<KuvEeNodeRef*>(it.Get())->getNode()))
      leaves.push_back(leaf);
  return leaves;
}

}  // namespace

// Of any type: what is no option of a category is passed over where the
// options are grouped.
KuvEeNodeCompletionRemover::KuvEeNodeCompletionRemover() : m_options(nullptr) {}

KuvEeNodeCompletionRemover::~KuvEeNodeCompletionRemover() = default;

HRESULT KuvEeNodeCompletionRemover::removeCompletion(KuvEeNodeRef*& ref, KuvSortedByTypeCriteria* criteria) {
  if (ref == nullptr) {
    KUV_TRACE_CALL("removeCompletion");
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Input Expression is null.");
  }
  // The criteria are the caller's: nothing of them may outlive the call.
  const auto forget = [this] {
    m_criteria = nullptr;
    m_options.Clear();
    m_lastCategory = nullptr;
  };
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        kuv::detail::TransformEntry entry(traceChannel(), "removeCompletion", *ref);
        if (criteria != nullptr && !criteria->isComplete())
          KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: NULL pointer");
        m_criteria = criteria;
        m_options.Clear();
        if (criteria != nullptr) m_options.PutSet(*criteria->categoryOptions);
        HRESULT hr = entry.run(*this);
        forget();
        if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: removeCompletion failed");
        KUV_TRACE_DETAIL("Expression after RemoveCompletion: ", ref->toString());
        return S_OK;
      },
      [&] {
        forget();
        return E_OUTOFMEMORY;
      });
}

HRESULT KuvEeNodeCompletionRemover::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (kind == NodeKind::AndOp) {
    KuvEeNodeRef* ref = node.getNodeRef();
    auto& term = static_cast<KuvEeAndOp&>(node);
    if (m_criteria == nullptr && removeFrom(term)) return ref->getNode()->acceptVisitor(*this);
    if (m_criteria != nullptr && FAILED(widen(term))) return E_FAIL;
  }
  return node.childrenAcceptVisitor(*this);
}

bool KuvEeNodeCompletionRemover::removeFrom(KuvEeAndOp& term) {
  const std::vector<KuvEeRestrictionEffLeaf*> leaves = restrictionChildren(term);
  for (KuvEeRestrictionEffLeaf* leaf : leaves) term.deleteChild(leaf);
  return !leaves.empty() && term.becomeIfSingleChild();
}

HRESULT KuvEeNodeCompletionRemover::widen(KuvEeAndOp& term) {
  m_lastCategory = nullptr;
  for (KuvEeRestrictionEffLeaf* leaf : restrictionChildren(term)) {
    KuvEeRestrictionEff* restriction = leaf->getRestrictionEff();
    if (restriction == nullptr) continue;
    if (auto* categories = KuvEeCategoryRestrictionEff::cast(*restriction)) m_lastCategory = categories;
    if (FAILED(widen(*restriction))) return E_FAIL;
  }
  // Against the last category restriction as widened: a category the
  // criteria added to it gets no option restriction.
  kuv::detail::OptionsByCategory uncovered;
  if (!kuv::detail::groupByCategory(m_options, uncovered, [this](const KuvEeCategory* category) {
        return m_lastCategory == nullptr || !m_lastCategory->getVariables().Find(category);
      }))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: setOptions failed");
  for (const auto& [category, options] : uncovered) {
    std::unique_ptr<KuvEeRestrictionEff> restriction(new KuvEeCategoryOptionRestrictionEff);
    if (FAILED(restriction->setVariables(options))) KUV_RETURN_ERROR(E_FAIL, "ERROR: setOptions failed");
    std::unique_ptr<KuvEeNodeRef> leaf((new KuvEeRestrictionEffLeaf(restriction.get()))->getNodeRef());
    restriction.release();
    kuv::detail::throwIfOutOfMemory(term.addChild(leaf->getNode()));
    leaf.release();
  }
  return S_OK;
}

HRESULT KuvEeNodeCompletionRemover::widen(KuvEeRestrictionEff& restriction) {
  if (KuvEeCategoryOptionRestrictionEff::isObjectOfThisType(restriction)) {
    const KuvEeCategory* category = categoryOf(restriction);
    if (category == nullptr || !m_criteria->categories->Find(category)) return S_OK;
    return takeIn(
        restriction, m_options,
        [category](const KuvInObject& object) {
          const KuvEeCatOptionVar* option = KuvEeCatOptionVar::cast(object);
          return option != nullptr && option->getCategory() == category;
        },
        "ERROR: setOptions failed");
  }
  const Source source = sourceOf(restriction, *m_criteria);
  if (source.set == nullptr) return S_OK;
  // The whole set, whatever external types a serial or tree-series
  // restriction held so far.
  return takeIn(
      restriction, *source.set, [](const KuvInObject&) { return true; }, source.failure);
}
