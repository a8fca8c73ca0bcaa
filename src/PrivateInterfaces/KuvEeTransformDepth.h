// The depth guard of the tree transformers (internal).
//
// The transformers recurse once per tree level; a tree deeper than
// kMaxTransformDepth is refused before any change, so that no input can
// exhaust the stack. The limit leaves room for the nested transformations
// (a normalization develops, a development normalizes) and for the larger
// frames of instrumented builds.
#pragma once

#include <cstdint>

class KuvEeNode;

namespace kuv::detail {

inline constexpr std::int32_t kMaxTransformDepth = 2000;

// Whether the tree under root has more than kMaxTransformDepth levels.
// Constant stack whatever the depth.
bool isTreeTooDeep(const KuvEeNode* root);

// One level of a walk that counts its depth as it goes (for trees that grow
// or are met through definitions): admitted while depth stays within the
// limit, and left when it goes out of scope.
class DepthLevel {
public:
  explicit DepthLevel(std::int32_t& depth) : m_depth(depth), m_admitted(depth < kMaxTransformDepth) {
    if (m_admitted) ++m_depth;
  }
  ~DepthLevel() {
    if (m_admitted) --m_depth;
  }
  DepthLevel(const DepthLevel&) = delete;
  DepthLevel& operator=(const DepthLevel&) = delete;
  bool admitted() const { return m_admitted; }

private:
  std::int32_t& m_depth;
  const bool m_admitted;
};

}  // namespace kuv::detail
