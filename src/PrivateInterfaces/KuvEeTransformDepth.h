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

}  // namespace kuv::detail
