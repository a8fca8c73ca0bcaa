// Readable builders for tree positions and ranges in tests: "1.25.36" for a
// position, "[1.2-3[" for a milestone range and "[1.2,3[" for a tree range
// (an outward bracket marks an excluded end).
#pragma once

#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <string>
#include <vector>

#include "KuvInListVal.h"
#include "KuvInMilestonesEvalInterval.h"
#include "KuvInTreeEvalIndexBound.h"
#include "KuvInTreeEvalInterval.h"
#include "support/KuvTestSupport.h"

namespace kuv_test {

// "" gives the empty bound.
inline KuvInTreeEvalIndexBound bound(const std::string& text) {
  KuvInTreeEvalIndexBound b;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t dot = text.find('.', from);
    if (dot == std::string::npos) dot = text.size();
    b.AddNewLevelWithValue(static_cast<std::uint32_t>(std::stoul(text.substr(from, dot - from))));
    from = dot + 1;
  }
  return b;
}

// A range's two ends: bounds and inclusions.
struct RangeText { KuvInTreeEvalIndexBound lower, upper; bool lowerIncluded, upperIncluded; };

inline RangeText rangeText(const std::string& text) {
  std::size_t dash = text.find_first_of("-,");
  return {bound(text.substr(1, dash - 1)), bound(text.substr(dash + 1, text.size() - dash - 2)),
          text.front() == '[', text.back() == ']'};
}

inline KuvInMilestonesEvalInterval milestone(const std::string& text) {
  RangeText r = rangeText(text);
  return KuvInMilestonesEvalInterval(KuvInMilestonesEvalIntervalValue(r.lower), r.lowerIncluded,
                                     KuvInMilestonesEvalIntervalValue(r.upper), r.upperIncluded);
}

// A list of milestone ranges, each written as above.
inline KuvInListVal milestones(const std::vector<std::string>& texts) {
  KuvInListVal list(KuvInMilestonesEvalInterval::sType());
  for (const std::string& t : texts) list.PutBack(milestone(t));
  return list;
}

inline KuvInTreeEvalInterval treeRange(const std::string& text) {
  RangeText r = rangeText(text);
  return KuvInTreeEvalInterval(r.lower, r.lowerIncluded, r.upper, r.upperIncluded);
}

inline KuvInListVal treeRanges(const std::vector<std::string>& texts) {
  KuvInListVal list(KuvInTreeEvalInterval::sType());
  for (const std::string& t : texts) list.PutBack(treeRange(t));
  return list;
}

// Models for property tests. Ranges get one-level ends in 0..kGridMax; a
// range stands for the points of the grid 0, 0.5, 1, ... kGridMax that it
// holds, which tells apart every two differing ranges with such ends.
constexpr std::uint32_t kGridMax = 12;
using GridPoints = std::bitset<2 * kGridMax + 1>;

inline GridPoints gridPoints(const KuvInTreeEvalIndexBound& lower, bool lowerIncluded,
                             const KuvInTreeEvalIndexBound& upper, bool upperIncluded) {
  std::uint32_t a = 0, b = 0;
  EXPECT_EQ(lower.getValue(0, a), S_OK);
  EXPECT_EQ(upper.getValue(0, b), S_OK);
  GridPoints p;
  for (std::uint32_t t = 0; t <= 2 * kGridMax; ++t)
    p[t] = (t > 2 * a || (t == 2 * a && lowerIncluded)) && (t < 2 * b || (t == 2 * b && upperIncluded));
  return p;
}

// Random one-level ends, for a fixed seed.
class RandomEnds {
public:
  std::uint32_t pick(std::uint32_t max) {
    return std::uniform_int_distribution<std::uint32_t>(0, max)(m_engine);
  }
  // Lower and upper ends with lower <= upper, and their inclusions.
  RangeText ends() {
    std::uint32_t a = pick(kGridMax), b = pick(kGridMax);
    if (a > b) std::swap(a, b);
    return {KuvInTreeEvalIndexBound(a), KuvInTreeEvalIndexBound(b), pick(1) == 1, pick(1) == 1};
  }

private:
  std::mt19937 m_engine{20240611};
};

}  // namespace kuv_test
