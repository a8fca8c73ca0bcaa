// Tree indices for the dictionary tests.
#pragma once

#include "support/KuvTestSupport.h"

namespace kuv_test {

inline KuvInTreeEvalIndex treeIndex(const char* text) {
  KuvInTreeEvalIndex index;
  EXPECT_EQ(S_OK, KuvInTreeEvalIndex::BuildFromString(text, index)) << text;
  return index;
}

inline KuvInTreeEvalInterval treeInterval(unsigned a, unsigned b) {
  return KuvInTreeEvalInterval(KuvInTreeEvalIndexBound(a), true, KuvInTreeEvalIndexBound(b), true);
}

}  // namespace kuv_test
