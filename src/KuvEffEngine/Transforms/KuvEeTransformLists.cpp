#include "KuvEeTransformLists.h"

#include <algorithm>
#include <array>
#include <functional>
#include <typeinfo>
#include <unordered_map>
#include <utility>

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeVarEffLeaf.h"

namespace kuv::detail {

std::uint64_t& droppedForMemory() {
  thread_local std::uint64_t dropped = 0;
  return dropped;
}

namespace {

// Leaves keep their place in the list as a sequence number: removals keep
// the order of the others and results go last, so number order is list
// order throughout. Numbers only grow, so a bucket is a sorted vector; a
// removed leaf stays in its buckets and is skipped (its slot is empty).
using Seq = std::size_t;
using Bucket = std::vector<Seq>;

// Which later leaves a leaf can combine with. Criterion leaves of the
// library combine with each other only on the same criterion; restrictions
// combine with criterion leaves of any criterion (their kind decides) and
// with each other; a constant, or a leaf of another kind, with anything.
enum class Reach { Criterion, Restriction, Any };

struct Slot {
  OwnedNode node;
  Reach reach = Reach::Any;
  const KuvInObject* criterion = nullptr;
  bool inert = false;  // a result that is no leaf, kept in place only
};

class LeafMerger {
public:
  explicit LeafMerger(NodeList& leaves) : m_leaves(leaves) {
    for (OwnedNode& leaf : leaves) add(std::move(leaf));
    leaves.clear();
  }
  // The leaves still there go back to the list, in order.
  ~LeafMerger() {
    for (Slot& slot : m_slots)
      if (slot.node != nullptr) m_leaves.push_back(std::move(slot.node));
  }
  LeafMerger(const LeafMerger&) = delete;
  LeafMerger& operator=(const LeafMerger&) = delete;

  HRESULT run(NodeList* others, bool isAnd, bool (*isMergeable)(const KuvEeNode*), bool& composite) {
    // m_slots grows as results join; they are reached in turn.
    for (Seq i = 0; i < m_slots.size(); ++i) {
      if (m_slots[i].node == nullptr || m_slots[i].inert) continue;
      Seq j = 0;
      KuvEeNode* out = nullptr;
      HRESULT hr = firstCombining(i, isAnd, j, out);
      if (FAILED(hr)) return hr;
      if (out == nullptr) continue;
      OwnedNode result(out->getNodeRef());
      remove(j);
      remove(i);
      if (isMergeable(out)) {
        add(std::move(result));
      } else if (others != nullptr) {
        others->push_back(std::move(result));
        composite = true;
      } else {
        // Keeps its place among the leaves; in no bucket, so no leaf meets it.
        m_slots.push_back({std::move(result), Reach::Any, nullptr, true});
      }
    }
    return S_OK;
  }

private:
  void add(OwnedNode node) {
    Slot slot;
    // Only the library's own kinds are known to combine as said; a derived
    // class may combine otherwise and share its base's type identity.
    const KuvEeNode* leaf = node->getNode();
    const std::type_info& kind = typeid(*leaf);
    if (kind == typeid(KuvEeVarEffLeaf) || kind == typeid(KuvEeEffLeaf)) {
      slot.reach = Reach::Criterion;
      slot.criterion = static_cast<const KuvEeNodeElementaryLeaf*>(leaf)->getConstraintCriterion();
    } else if (kind == typeid(KuvEeRestrictionEffLeaf) &&
               static_cast<const KuvEeRestrictionEffLeaf*>(leaf)->getRestrictionEff() != nullptr) {
      slot.reach = Reach::Restriction;
    }
    slot.node = std::move(node);
    const Seq seq = m_slots.size();
    for (Bucket* bucket : bucketsOf(slot))
      if (bucket != nullptr) bucket->push_back(seq);
    m_all.push_back(seq);
    m_slots.push_back(std::move(slot));
  }

  void remove(Seq seq) { m_slots[seq].node.reset(); }

  // At most three buckets, the rest null; no allocation per leaf.
  template <class B>
  using Buckets = std::array<B*, 3>;

  // The buckets a leaf is found in by the leaves before it.
  Buckets<Bucket> bucketsOf(const Slot& slot) {
    switch (slot.reach) {
      case Reach::Criterion:
        return {&m_byCriterion[slot.criterion], &m_criterionLeaves};
      case Reach::Restriction:
        return {&m_restrictions};
      case Reach::Any:
        break;
    }
    return {&m_anyLeaves};
  }

  // The buckets in which a leaf looks for a later one to combine with.
  Buckets<const Bucket> reachOf(const Slot& slot) {
    switch (slot.reach) {
      case Reach::Criterion:
        return {&m_byCriterion[slot.criterion], &m_restrictions, &m_anyLeaves};
      case Reach::Restriction:
        return {&m_restrictions, &m_criterionLeaves, &m_anyLeaves};
      case Reach::Any:
        break;
    }
    return {&m_all};
  }

  // Tries the leaves after i that it can combine with, in list order, up to
  // the first that gives a result (out, the other at j) or fails.
  HRESULT firstCombining(Seq i, bool isAnd, Seq& j, KuvEeNode*& out) {
    struct Cursor {
      Bucket::const_iterator next, end;
    };
    std::array<Cursor, 3> cursors;
    std::size_t count = 0;
    for (const Bucket* bucket : reachOf(m_slots[i]))
      if (bucket != nullptr)
        cursors[count++] = {std::upper_bound(bucket->begin(), bucket->end(), i), bucket->end()};
    const auto* a = static_cast<const KuvEeNodeLeaf*>(m_slots[i].node->getNode());
    for (;;) {
      Cursor* first = nullptr;
      for (std::size_t c = 0; c < count; ++c)
        if (Cursor& cursor = cursors[c];
            cursor.next != cursor.end && (first == nullptr || *cursor.next < *first->next))
          first = &cursor;
      if (first == nullptr) return S_OK;
      j = *first->next++;
      if (m_slots[j].node == nullptr) continue;
      const auto* b = static_cast<const KuvEeNodeLeaf*>(m_slots[j].node->getNode());
      HRESULT hr = isAnd ? a->opAnd(b, out) : a->opOr(b, out);
      if (FAILED(hr)) {
        if (out != nullptr) delete out->getNodeRef();
        out = nullptr;
        return hr;
      }
      if (out != nullptr) return S_OK;
    }
  }

  NodeList& m_leaves;
  std::vector<Slot> m_slots;
  std::unordered_map<const KuvInObject*, Bucket> m_byCriterion;
  Bucket m_criterionLeaves;
  Bucket m_restrictions;
  Bucket m_anyLeaves;
  Bucket m_all;
};

}  // namespace

const KuvInObject* criterionOfOwnLeaf(const KuvEeNode& node) {
  const std::type_info& kind = typeid(node);
  if (kind != typeid(KuvEeVarEffLeaf) && kind != typeid(KuvEeEffLeaf)) return nullptr;
  return static_cast<const KuvEeNodeElementaryLeaf&>(node).getConstraintCriterion();
}

bool isNormalTerm(const KuvEeGroupOp& andOp) {
  const KuvInLinkList& children = andOp.childrenRefs();
  const auto length = static_cast<std::size_t>(children.GetLength());
  if (length < 2) return false;
  // Terms are mostly short: their leaves and criteria fit on the stack.
  using Entry = std::pair<const KuvInObject*, const KuvEeNodeLeaf*>;
  std::array<Entry, 32> inPlace;
  std::vector<Entry> onHeap(length > inPlace.size() ? length : 0);
  Entry* entries = onHeap.empty() ? inPlace.data() : onHeap.data();
  std::size_t count = 0;
  for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
    const KuvEeNode* node = static_cast<const KuvEeNodeRef*>(it.Get())->getNode();
    const KuvInObject* criterion = node != nullptr ? criterionOfOwnLeaf(*node) : nullptr;
    if (criterion == nullptr) return false;
    entries[count++] = {criterion, static_cast<const KuvEeNodeLeaf*>(node)};
  }
  std::sort(entries, entries + count,
            [](const Entry& a, const Entry& b) { return std::less<>()(a.first, b.first); });
  auto sameCriterion = [](const Entry& a, const Entry& b) { return a.first == b.first; };
  if (std::adjacent_find(entries, entries + count, sameCriterion) != entries + count) return false;
  for (std::size_t i = 0; i < count; ++i)
    if (entries[i].second->isEquivalentToTrue() || entries[i].second->isEquivalentToFalse()) return false;
  return true;
}

HRESULT mergeLeaves(NodeList& leaves, NodeList* others, bool isAnd, bool (*isMergeable)(const KuvEeNode*),
                    bool& composite) {
  LeafMerger merger(leaves);
  return merger.run(others, isAnd, isMergeable, composite);
}

HRESULT collapseAndWalk(KuvEeGroupOp& node, KuvEeNodeRef& ref, bool isAnd, KuvEeNodeVisitor& visitor,
                        KuvInTraceClass& channel, KuvEeAndOp*& andOp, SourcePoint where) {
  andOp = nullptr;
  collapse(node, true);
  KuvEeNode& collapsed = *ref.getNode();
  KuvEeGroupOp* group =
      isAnd ? static_cast<KuvEeGroupOp*>(KuvEeAndOp::cast(collapsed)) : KuvEeOrOp::cast(collapsed);
  if (group == nullptr) return ref.getNode()->acceptVisitor(visitor);
  HRESULT hr = group->childrenAcceptVisitor(visitor);
  if (FAILED(hr)) {
    traceErrorAt(channel, where, "ERROR: childrenAcceptVisitor failed");
    return hr;
  }
  collapse(*group, true);
  if (!isAnd) return S_OK;
  andOp = KuvEeAndOp::cast(*ref.getNode());
  return andOp == nullptr ? ref.getNode()->acceptVisitor(visitor) : S_OK;
}

}  // namespace kuv::detail
