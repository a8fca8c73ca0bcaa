#include "KuvEeTransformDepth.h"

#include <utility>
#include <vector>

#include "KuvEeOp.h"

namespace kuv::detail {

bool isTreeTooDeep(const KuvEeNode* root) {
  if (root == nullptr) return false;
  // Depth-first over an explicit stack of (node, level).
  std::vector<std::pair<const KuvEeNode*, std::int32_t>> pending{{root, 1}};
  KuvInLinkList children(KuvEeNodeRef::sType());
  while (!pending.empty()) {
    auto [node, level] = pending.back();
    pending.pop_back();
    if (level > kMaxTransformDepth) return true;
    const KuvEeOp* op = KuvEeOp::cast(*node);
    if (op == nullptr || FAILED(op->getChildrenRefs(children))) continue;
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const KuvEeNode* child = static_cast<const KuvEeNodeRef*>(it.Get())->getNode();
      if (child != nullptr) pending.emplace_back(child, level + 1);
    }
  }
  return false;
}

}  // namespace kuv::detail
