// KuvInTreeEvalIndexBound: a position in a tree of series, written as its
// levels from the root, for example 1.25.36.
//
// Positions are ordered level by level; a position that is a prefix of
// another comes first (1.2 < 1.2.1 < 1.3). A bound without any level is not
// valuated and compares false with everything, itself included, under every
// operator (==, != and the orderings): code that receives such a bound must
// test isValuated() rather than rely on a comparison.
//
//     KuvInTreeEvalIndexBound b(1);
//     b.AddNewLevelWithValue(25);          // 1.25
//     KuvInTreeEvalIndexBound next = b + 1; // 1.26
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "KuvInObjectVal.h"

class KuvInListVal;

class KUV_API KuvInTreeEvalIndexBound : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInTreeEvalIndexBound)

public:
  // Not valuated.
  KuvInTreeEvalIndexBound() = default;
  // One level.
  explicit KuvInTreeEvalIndexBound(std::uint32_t value);
  // One level per element, in order; an element that is not a KuvInIntHolder
  // leaves the bound empty.
  explicit KuvInTreeEvalIndexBound(const KuvInListVal& levels);
  // Takes over values, which must come from new[] (it is freed with
  // delete[]); see set.
  KuvInTreeEvalIndexBound(std::uint32_t* values, std::uint32_t count);
  KuvInTreeEvalIndexBound(const KuvInTreeEvalIndexBound& other);
  KuvInTreeEvalIndexBound& operator=(const KuvInTreeEvalIndexBound& other);
  ~KuvInTreeEvalIndexBound() override;
  // Exchanges the levels, allocating nothing.
  void swap(KuvInTreeEvalIndexBound& other) noexcept {
    m_values.swap(other.m_values);
    std::swap(m_count, other.m_count);
  }

  // Takes over values (allocated with new[]) as the count levels of the
  // bound; the previous levels are freed. A null array with a non-zero count
  // is refused with E_FAIL and changes nothing.
  HRESULT set(std::uint32_t* values, std::uint32_t count);
  void AddNewLevelWithValue(std::uint32_t value);
  // E_FAIL when level is not below getNumberValues().
  HRESULT getValue(std::uint32_t level, std::uint32_t& value) const;
  std::uint32_t getNumberValues() const { return m_count; }
  bool isValuated() const { return m_count != 0; }

  bool operator==(const KuvInTreeEvalIndexBound& o) const { return bothValuated(o) && compare(o) == 0; }
  bool operator!=(const KuvInTreeEvalIndexBound& o) const { return bothValuated(o) && compare(o) != 0; }
  bool operator<(const KuvInTreeEvalIndexBound& o) const { return bothValuated(o) && compare(o) < 0; }
  bool operator<=(const KuvInTreeEvalIndexBound& o) const { return bothValuated(o) && compare(o) <= 0; }
  bool operator>(const KuvInTreeEvalIndexBound& o) const { return bothValuated(o) && compare(o) > 0; }
  bool operator>=(const KuvInTreeEvalIndexBound& o) const { return bothValuated(o) && compare(o) >= 0; }

  // A copy whose last level is moved by n (unsigned arithmetic, so 0 - 1
  // wraps); an empty bound gives an empty copy.
  KuvInTreeEvalIndexBound operator+(std::uint32_t n) const;
  KuvInTreeEvalIndexBound operator-(std::uint32_t n) const;

  // a unless b is smaller (boundMin) or greater (boundMax); so a when the two
  // cannot be compared.
  static KuvInTreeEvalIndexBound boundMin(const KuvInTreeEvalIndexBound& a, const KuvInTreeEvalIndexBound& b);
  static KuvInTreeEvalIndexBound boundMax(const KuvInTreeEvalIndexBound& a, const KuvInTreeEvalIndexBound& b);

  // The levels through "%d" joined by "."; empty for an empty bound.
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  // The == above: false when either bound is empty.
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  bool bothValuated(const KuvInTreeEvalIndexBound& o) const { return isValuated() && o.isValuated(); }
  // Negative, zero or positive as this is before, at or after o.
  int compare(const KuvInTreeEvalIndexBound& o) const;
  KuvInTreeEvalIndexBound lastLevelMoved(std::uint32_t n, bool up) const;

  std::unique_ptr<std::uint32_t[]> m_values;
  std::uint32_t m_count = 0;
};
