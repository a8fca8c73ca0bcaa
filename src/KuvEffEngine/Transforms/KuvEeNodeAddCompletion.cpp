#include "KuvEeNodeAddCompletion.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "KuvEeCompletionSupport.h"
#include "KuvEeGetDependencies.h"
#include "KuvEeNodeCompletionRemover.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeAddCompletion, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeAddCompletion>;

namespace {

using Restrictions = std::vector<std::unique_ptr<KuvEeRestrictionEff>>;

constexpr const char* kNotRefused = "UNEXPECTED: cannot have a Not operator on this stage!";

KuvInTraceClass& channel() { return KuvEeNodeAddCompletion::traceChannel(); }

// Appends restriction (taken over) listing variables to out.
HRESULT appendListing(Restrictions& out, KuvEeRestrictionEff* restriction, const KuvInSet& variables,
                      const char* failure) {
  std::unique_ptr<KuvEeRestrictionEff> owned(restriction);
  if (FAILED(owned->setVariables(variables))) KUV_RETURN_ERROR_ON(channel(), E_FAIL, failure);
  out.push_back(std::move(owned));
  return S_OK;
}

// Variables grouped by a key, as restrictions of one part want them.
template <class Key>
using Groups = std::map<Key, KuvInSet>;

template <class Key>
HRESULT putInGroup(Groups<Key>& groups, const Key& key, KuvInObject* variable) {
  KuvInSet& group = groups.try_emplace(key, variable->dType()).first->second;
  if (!group.Put(variable)) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: duplicated value");
  return S_OK;
}

// Serial restrictions, one per external type; closed: one empty restriction
// (there are no serials then).
HRESULT appendSerials(Restrictions& out, const KuvInSet& serials, bool closed) {
  Groups<std::int32_t> byType;
  std::int32_t states = 0;
  std::int32_t plans = 0;
  for (KuvInSet::const_iterator it = serials.cBegin(); it.IsValid();) {
    auto* serial = static_cast<KuvEeSerialVar*>(it.GetGoToNext());
    states += serial->getExternalType() == KuvEeSerialVar::STATE ? 1 : 0;
    plans += serial->getExternalType() == KuvEeSerialVar::MANUF_PLAN ? 1 : 0;
    if (FAILED(putInGroup(byType, static_cast<std::int32_t>(serial->getExternalType()), serial)))
      return E_FAIL;
  }
  if (closed) byType.try_emplace(0, KuvEeSerialVar::sType());
  if (byType.empty()) return S_OK;
  KUV_TRACE_DETAIL_ON(channel(), "ADDING SerialRestrictionEff :", "\n linear states=", states,
                      "\n linear mplans=", plans);
  for (const auto& [type, group] : byType)
    if (FAILED(appendListing(out, new KuvEeSerialRestrictionEff, group, "ERROR: setSerials failed")))
      return E_FAIL;
  return S_OK;
}

// Tree-series restrictions, tree states then tree plans; closed as above.
HRESULT appendTreeSeries(Restrictions& out, const KuvInSet& treeSeries, bool closed) {
  Groups<std::uint32_t> byType;
  for (KuvInSet::const_iterator it = treeSeries.cBegin(); it.IsValid();) {
    auto* series = static_cast<KuvEeTreeSeriesVar*>(it.GetGoToNext());
    const std::uint32_t type = series->getExternalType();
    if (type != KuvEeSerialVar::TREE_STATE && type != KuvEeSerialVar::TREE_MANUF_PLAN)
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR : unexpected tree series type !");
    if (FAILED(putInGroup(byType, type, series))) return E_FAIL;
  }
  if (closed) byType.try_emplace(0, KuvEeTreeSeriesVar::sType());
  if (byType.empty()) return S_OK;
  const auto count = [&byType](std::uint32_t type) {
    return byType.count(type) != 0 ? byType.at(type).GetLength() : 0;
  };
  KUV_TRACE_DETAIL_ON(
      channel(), "ADDING TreeSeriesRestrictionEff :", "\ntree states=", count(KuvEeSerialVar::TREE_STATE),
      "\ntree mplans=", count(KuvEeSerialVar::TREE_MANUF_PLAN));
  for (const auto& [type, group] : byType)
    if (FAILED(appendListing(out, new KuvEeTreeSeriesRestrictionEff, group, "ERROR: setTreeSeries failed")))
      return E_FAIL;
  return S_OK;
}

// A category-option restriction per category, with the options of it.
HRESULT appendCategoryOptions(Restrictions& out, const KuvInSet& options) {
  kuv::detail::OptionsByCategory byCategory;
  if (!kuv::detail::groupByCategory(options, byCategory, [](const KuvEeCategory*) { return true; }))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: duplicated value");
  for (const auto& [category, group] : byCategory)
    if (FAILED(appendListing(out, new KuvEeCategoryOptionRestrictionEff, group, "ERROR: setOptions failed")))
      return E_FAIL;
  return S_OK;
}

// A restriction listing variables when there are some, or when closed.
HRESULT appendWhole(Restrictions& out, KuvEeRestrictionEff* restriction, const KuvInSet& variables,
                    bool closed, const char* failure) {
  if (variables.IsEmpty() && !closed) {
    delete restriction;
    return S_OK;
  }
  return appendListing(out, restriction, variables, failure);
}

}  // namespace

KuvEeNodeAddCompletion::~KuvEeNodeAddCompletion() = default;

HRESULT KuvEeNodeAddCompletion::addCompletion(KuvEeNodeRef*& ref,
                                              KuvEeFilterExpression::SELECTION_MODE mode) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    m_mode = mode;
    if (ref == nullptr) ref = (new KuvEeAndOp)->getNodeRef();
    kuv::detail::TransformEntry entry(traceChannel(), "addCompletion", *ref);
    KuvEeNodeCompletionRemover remover;
    HRESULT hr = remover.removeCompletion(ref, nullptr);
    if (FAILED(hr)) return hr;
    // The removal may have replaced the root.
    if (FAILED(entry.admit())) return E_FAIL;
    return entry.walk(*this);
  });
}

HRESULT KuvEeNodeAddCompletion::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (kind == NodeKind::OrOp) return node.childrenAcceptVisitor(*this);
  return completeTerm(static_cast<KuvEeAndOp&>(node));
}

HRESULT KuvEeNodeAddCompletion::visitSingle(KuvEeSingleOp&, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  KUV_RETURN_ERROR(E_FAIL, kNotRefused);
}

HRESULT KuvEeNodeAddCompletion::visitLeaf(KuvEeNodeLeaf& node, NodeKind kind) {
  KUV_TRACE_CALL(visitName(kind));
  if (kind == NodeKind::True || kind == NodeKind::False) return S_OK;
  if (kind == NodeKind::RestrictionEffLeaf)
    KUV_RETURN_ERROR(E_FAIL, "UNEXPECTED: cannot have a restriction leaf on this stage!");
  // The leaf becomes a term of its own: a new And takes its place and
  // holds it.
  auto* term = new KuvEeAndOp;
  // The term's reference holds the leaf once the two switch, until the term
  // adopts it (a lone root then: never refused); out of memory, they switch
  // back and the term goes.
  std::unique_ptr<KuvEeNodeRef> lone(term->getNodeRef());
  node.switchWith(term);
  try {
    kuv::detail::throwIfOutOfMemory(term->addChild(&node));
  } catch (const std::bad_alloc&) {
    term->switchWith(&node);
    throw;
  }
  lone.release();
  return completeTerm(*term);
}

HRESULT KuvEeNodeAddCompletion::completeTerm(KuvEeAndOp& term) {
  KUV_TRACE_CALL("completeTerm");
  KuvInLinkList children(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(term.getChildrenRefs(children));
  for (auto it = children.cBegin(); it.IsValid(); it.Next())
    if (KuvEeSingleOp::isObjectOfThisType(*static_cast<KuvEeNodeRef*>(it.Get())->getNode()))
      KUV_RETURN_ERROR(E_FAIL, kNotRefused);

  KuvEeGetDependencies dependencies;
  if (FAILED(term.acceptVisitor(dependencies))) KUV_RETURN_ERROR(E_FAIL, "ERROR: getDependencies FAILED.");
  if (!dependencies.getOtherEffs().IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: ONLY Predef Effectivities are supported (KuvEeNodeAddCompletion)!");
  const KuvSortedByTypeCriteria found = dependencies.getSortedCriteria();
  const bool closed = found.serials->IsEmpty() && found.treeSeries->IsEmpty() &&
                      found.milestones->IsEmpty() && found.dates->IsEmpty() && closesEvolution();

  // Built aside: the term changes only once every restriction is made.
  Restrictions restrictions;
  if (FAILED(appendSerials(restrictions, *found.serials, closed)) ||
      FAILED(appendTreeSeries(restrictions, *found.treeSeries, closed)) ||
      FAILED(appendWhole(restrictions, new KuvEeMilestonesRestrictionEff, *found.milestones, closed,
                         "ERROR: Unable to setMiletonesTracks into MilestonesRetrictionEff")) ||
      FAILED(appendWhole(restrictions, new KuvEeDateRestrictionEff, *found.dates, closed,
                         "ERROR: setDates failed")) ||
      FAILED(appendWhole(restrictions, new KuvEeSelectionRestrictionEff, *found.selections, false,
                         "ERROR: setOptions failed")) ||
      FAILED(appendWhole(restrictions, new KuvEeCategoryRestrictionEff, *found.categories, false,
                         "ERROR: setOptions failed")) ||
      FAILED(appendCategoryOptions(restrictions, *found.categoryOptions)) ||
      FAILED(appendWhole(restrictions, new KuvEePredefEffRestrictionEff, *found.predefEffs, false,
                         "ERROR: setPredefEffs failed")))
    return E_FAIL;
  for (std::unique_ptr<KuvEeRestrictionEff>& restriction : restrictions) {
    // Each held by its owner until the next takes it.
    std::unique_ptr<KuvEeNodeRef> leaf((new KuvEeRestrictionEffLeaf(restriction.get()))->getNodeRef());
    restriction.release();
    kuv::detail::throwIfOutOfMemory(term.addChild(leaf->getNode()));
    leaf.release();
  }
  return S_OK;
}

bool KuvEeNodeAddCompletion::closesEvolution() const {
  if (m_mode == 2 || m_mode == 3) return false;
  return m_mode == 4 || std::getenv("CGE_VARIANT_FILTER_NO_EVOLUTION") != nullptr;
}
