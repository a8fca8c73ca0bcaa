// Readable builders for tree positions and ranges in tests: "1.25.36" for a
// position, "[1.2-3[" for a milestone range and "[1.2,3[" for a tree range
// (an outward bracket marks an excluded end).
#pragma once

#include "support/KuvTestSupport.h"

namespace kuv_test {

// "" gives the empty bound.
inline KuvInTreeEvalIndexBound bound(const std::string& text) {
  KuvInTreeEvalIndexBound b;
  std::istringstream levels(text);
  for (std::string level; std::getline(levels, level, '.');)
    b.AddNewLevelWithValue(static_cast<std::uint32_t>(std::stoul(level)));
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

}  // namespace kuv_test
