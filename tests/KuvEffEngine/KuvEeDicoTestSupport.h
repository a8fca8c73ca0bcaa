// GUIDs and tree indices for the dictionary tests.
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "KuvInGuid.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvInTreeEvalInterval.h"

namespace kuvtest {

// A distinct GUID per n (n > 0); n = 0 gives the unset GUID.
struct TestGuid {
  explicit TestGuid(unsigned n) {
    bytes[0] = static_cast<unsigned char>(n);
    bytes[1] = static_cast<unsigned char>(n >> 8);
    if (n != 0) bytes[15] = 0xA5;
  }
  const unsigned char* data() const { return bytes.data(); }
  KuvInGuid guid() const { return KuvInGuid(bytes.data()); }
  std::array<unsigned char, KuvInGuid::sc_size> bytes{};
};

inline KuvInTreeEvalIndex treeIndex(const char* text) {
  KuvInTreeEvalIndex index;
  EXPECT_EQ(S_OK, KuvInTreeEvalIndex::BuildFromString(text, index)) << text;
  return index;
}

inline KuvInTreeEvalInterval treeInterval(unsigned a, unsigned b) {
  return KuvInTreeEvalInterval(KuvInTreeEvalIndexBound(a), true, KuvInTreeEvalIndexBound(b), true);
}

}  // namespace kuvtest
