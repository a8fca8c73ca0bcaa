#include "KuvEeTransformEntry.h"

#include <memory_resource>
#include <optional>
#include <utility>
#include <vector>

#include "KuvEeGroupOp.h"
#include "KuvEeNodeLeaf.h"
#include "KuvEeNodeVisitor.h"
#include "KuvEeOp.h"
#include "KuvEeSingleOp.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTransformLists.h"
#include "KuvOutOfMemory.h"

namespace kuv::detail {

bool isTreeTooDeep(const KuvEeNode* root) {
  if (root == nullptr || KuvEeNodeLeaf::cast(*root) != nullptr) return false;
  // Depth-first over an explicit stack of (node, level). Every transform
  // checks its tree first, and most trees are small: their stack stays in
  // this frame instead of the heap.
  using Pending = std::pair<const KuvEeNode*, std::int32_t>;
  constexpr std::size_t kInFrame = 64;
  alignas(Pending) std::byte buffer[kInFrame * sizeof(Pending)];
  std::pmr::monotonic_buffer_resource arena(buffer, sizeof buffer);
  std::pmr::vector<Pending> pending(&arena);
  pending.reserve(kInFrame);
  pending.emplace_back(root, 1);
  std::optional<KuvInLinkList> children;
  // Most nodes are leaves, which need no visit within the limit.
  auto push = [&pending](const KuvEeNodeRef* ref, std::int32_t level) {
    const KuvEeNode* node = ref != nullptr ? ref->getNode() : nullptr;
    if (node != nullptr && (level > kMaxTransformDepth || KuvEeNodeLeaf::cast(*node) == nullptr))
      pending.emplace_back(node, level);
  };
  while (!pending.empty()) {
    auto [node, level] = pending.back();
    pending.pop_back();
    if (level > kMaxTransformDepth) return true;
    const KuvEeOp* op = KuvEeOp::cast(*node);
    if (op == nullptr) continue;
    // The library's operators are read in place; another kind of operator
    // through the copy its getChildrenRefs gives.
    if (const KuvEeGroupOp* group = KuvEeGroupOp::cast(*op)) {
      for (auto it = group->childrenRefs().cBegin(); it.IsValid(); it.Next())
        push(static_cast<const KuvEeNodeRef*>(it.Get()), level + 1);
      continue;
    }
    if (const KuvEeSingleOp* single = KuvEeSingleOp::cast(*op)) {
      push(single->getChildRef(), level + 1);
      continue;
    }
    if (!children) children.emplace(KuvEeNodeRef::sType());
    if (FAILED(kuv::detail::throwIfOutOfMemory(op->getChildrenRefs(*children)))) continue;
    for (auto it = children->cBegin(); it.IsValid(); it.Next())
      push(static_cast<const KuvEeNodeRef*>(it.Get()), level + 1);
  }
  return false;
}

void traceErrorAt(KuvInTraceClass& channel, const SourcePoint& where, const char* message) {
  traceError(channel, sourceBaseName(where.file), where.line, message);
}

TransformEntry::TransformEntry(KuvInTraceClass& channel, const char* operation, const KuvEeNodeRef& ref,
                               SourcePoint where)
    : m_channel(channel), m_call(channel, operation), m_ref(ref), m_where(where) {}

HRESULT TransformEntry::admit() {
  m_root = m_ref.getNode();
  if (m_root == nullptr) return fail(E_FAIL, "ERROR: NULL pointer");
  if (isTreeTooDeep(m_root)) return fail(E_FAIL, "ERROR: expression too deep");
  return S_OK;
}

HRESULT TransformEntry::walk(KuvEeNodeVisitor& visitor, const char* before, const char* after) {
  traceTree(before);
  const std::uint64_t dropped = droppedForMemory();
  HRESULT hr = m_root->acceptVisitor(visitor);
  if (FAILED(hr)) return fail(hr, "ERROR: acceptVisitor failed");
  if (droppedForMemory() != dropped) return fail(E_OUTOFMEMORY, "ERROR: out of memory");
  traceTree(after);
  return hr;
}

HRESULT TransformEntry::run(KuvEeNodeVisitor& visitor, const char* before, const char* after) {
  if (FAILED(admit())) return E_FAIL;
  return walk(visitor, before, after);
}

HRESULT TransformEntry::fail(HRESULT code, const char* message) {
  traceErrorAt(m_channel, m_where, message);
  return code;
}

void TransformEntry::traceTree(const char* caption) {
  if (caption != nullptr) KUV_TRACE_DETAIL_ON(m_channel, caption, m_ref.toString());
}

}  // namespace kuv::detail
