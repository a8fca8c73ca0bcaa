// Milestone ranges: continuous ranges of positions in a milestone track, each
// end included or excluded, and the algebra of milestone effectivities on
// lists of them.
//
// A KuvInMilestonesEvalIntervalValue is a tree position (KuvInTreeEvalIndexBound)
// with a flag telling that it stands for a date derived from a milestone; the
// flag travels with the value but plays no part in comparisons. A
// KuvInMilestonesEvalInterval runs from a lower to an upper value, written
// [1.2-3[ (an outward bracket marks an excluded end).
//
// The static operations work in place on a KuvInListVal of ranges (its first
// argument): union (opAdd), intersection (opAnd) and difference (opCut) with
// one range or with another list. The lists need not be sorted; the results
// are simplified (no two ranges overlap or touch) but not sorted. Every
// operation first checks its lists and changes nothing when one holds
// something other than milestone ranges.
//
//     KuvInListVal ranges(KuvInMilestonesEvalInterval::sType());
//     KuvInMilestonesEvalInterval::opAdd(ranges, r1);
//     KuvInMilestonesEvalInterval::opCut(ranges, r2);
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "KuvInTreeEvalIndexBound.h"

class KuvInListVal;

class KUV_API KuvInMilestonesEvalIntervalValue : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInMilestonesEvalIntervalValue)

public:
  // An empty position, not derived.
  KuvInMilestonesEvalIntervalValue() = default;
  explicit KuvInMilestonesEvalIntervalValue(const KuvInTreeEvalIndexBound& bound, bool derivedDate = false);
  KuvInMilestonesEvalIntervalValue(const KuvInMilestonesEvalIntervalValue& other) = default;
  KuvInMilestonesEvalIntervalValue& operator=(const KuvInMilestonesEvalIntervalValue& other) = default;
  ~KuvInMilestonesEvalIntervalValue() override;

  const KuvInTreeEvalIndexBound& getBound() const { return m_bound; }
  void setBound(const KuvInTreeEvalIndexBound& bound) { m_bound = bound; }
  bool isDerivedDate() const { return m_derivedDate; }
  void setDerivedDate(bool derivedDate) { m_derivedDate = derivedDate; }

  // The positions only (see KuvInTreeEvalIndexBound: false with an empty one).
  bool operator==(const KuvInMilestonesEvalIntervalValue& o) const { return m_bound == o.m_bound; }
  bool operator!=(const KuvInMilestonesEvalIntervalValue& o) const { return m_bound != o.m_bound; }
  bool operator<(const KuvInMilestonesEvalIntervalValue& o) const { return m_bound < o.m_bound; }
  bool operator<=(const KuvInMilestonesEvalIntervalValue& o) const { return m_bound <= o.m_bound; }
  bool operator>(const KuvInMilestonesEvalIntervalValue& o) const { return m_bound > o.m_bound; }
  bool operator>=(const KuvInMilestonesEvalIntervalValue& o) const { return m_bound >= o.m_bound; }

  // The position, then "(DerivedDate)" when the flag is set.
  KuvInString toString() const override;
  std::uint32_t hash() const override { return m_bound.hash(); }
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvInTreeEvalIndexBound m_bound;
  bool m_derivedDate = false;
};

class KUV_API KuvInMilestonesEvalInterval : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInMilestonesEvalInterval)

public:
  using Value = KuvInMilestonesEvalIntervalValue;

  KuvInMilestonesEvalInterval(const Value& lower, bool lowerIncluded, const Value& upper, bool upperIncluded);
  KuvInMilestonesEvalInterval(const KuvInMilestonesEvalInterval& other) = default;
  KuvInMilestonesEvalInterval& operator=(const KuvInMilestonesEvalInterval& other) = default;
  ~KuvInMilestonesEvalInterval() override;

  const Value& getInfBound() const { return m_lower; }
  const Value& getSupBound() const { return m_upper; }
  bool isInfBoundIncluded() const { return m_lowerIncluded; }
  bool isSupBoundIncluded() const { return m_upperIncluded; }
  void setInfBoundValue(const Value& value, bool included);
  void setSupBoundValue(const Value& value, bool included);

  // lower > upper, or a single position with an end excluded.
  bool isEmpty() const;
  bool isIncludingValue(const Value& value) const;
  bool isIncluding(const KuvInMilestonesEvalInterval& other) const;
  // Some position belongs to both.
  bool isIntersect(const KuvInMilestonesEvalInterval& other) const;
  // No shared position, but one range ends where the other starts, the
  // meeting position belonging to exactly one of them.
  bool isAdjacent(const KuvInMilestonesEvalInterval& other) const;

  // Same values (positions) and same inclusions.
  bool operator==(const KuvInMilestonesEvalInterval& o) const;
  bool operator!=(const KuvInMilestonesEvalInterval& o) const { return !(*this == o); }

  // Union into list. With one range: S_FALSE (nothing done) when range is
  // empty, otherwise S_OK. With a list: E_INVALIDARG when either list is
  // empty; S_OK.
  static HRESULT opAdd(KuvInListVal& list, const KuvInMilestonesEvalInterval& range);
  static HRESULT opAdd(KuvInListVal& list, const KuvInListVal& ranges);
  // Intersection into list. With one range: an empty range or list empties
  // the list. Both forms give S_FALSE when the list ends empty, S_OK
  // otherwise; the list form refuses an empty list with E_INVALIDARG.
  static HRESULT opAnd(KuvInListVal& list, const KuvInMilestonesEvalInterval& range);
  static HRESULT opAnd(KuvInListVal& list, const KuvInListVal& ranges);
  // Difference, list minus range(s). With one range: S_FALSE (nothing done)
  // when the range or the list is empty, otherwise S_OK. With a list:
  // E_INVALIDARG when either list is empty; S_FALSE when the list ends
  // empty, S_OK otherwise.
  static HRESULT opCut(KuvInListVal& list, const KuvInMilestonesEvalInterval& range);
  static HRESULT opCut(KuvInListVal& list, const KuvInListVal& ranges);
  // S_OK when a range of a intersects a range of b, S_FALSE otherwise.
  static HRESULT isIntersect(const KuvInListVal& a, const KuvInListVal& b);
  // Unites the ranges that intersect or touch until no such pair remains;
  // the order is not restored.
  static HRESULT simplify(KuvInListVal& list);
  // Ascending by lower value; ranges whose lower values are equal (or cannot
  // be compared) keep their order.
  static HRESULT sort(KuvInListVal& list);

  // "[" or "]", lower, "-", upper, "]" or "[".
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  // The union, or null when the ranges neither intersect nor touch.
  static std::unique_ptr<KuvInMilestonesEvalInterval> add(const KuvInMilestonesEvalInterval& x,
                                                          const KuvInMilestonesEvalInterval& y);
  // What remains of x outside y, left piece first, into pieces (cleared
  // first); S_FALSE and no piece when they do not intersect.
  static HRESULT cut(const KuvInMilestonesEvalInterval& x, const KuvInMilestonesEvalInterval& y,
                     KuvInListVal& pieces);
  // opCut with one range; piecesMade tells whether it simplified the list.
  static HRESULT cutOne(KuvInListVal& list, const KuvInMilestonesEvalInterval& range, bool& piecesMade);
  // The pieces cut makes of x and y, which intersect; an empty one is none.
  static std::array<std::optional<KuvInMilestonesEvalInterval>, 2> remainder(
      const KuvInMilestonesEvalInterval& x, const KuvInMilestonesEvalInterval& y);
  // Whether simplify would leave the list as it is: every end valuated and
  // no two non-empty ranges intersecting or touching.
  static bool isSimplified(const KuvInListVal& checked);
  // The difference of a simplified list with ranges, from the range at
  // from, as cutting with each range in turn gives it (see opCut).
  static HRESULT cutSimplified(KuvInListVal& list, const KuvInListVal& ranges, std::int32_t from);
  // The checks every list operation makes before changing anything.
  static HRESULT checkTarget(const KuvInListVal& list);
  static HRESULT checkOperand(const KuvInListVal& list, const char* message);
  static KuvInMilestonesEvalInterval& at(const KuvInListVal& checked, std::int32_t i);

  Value m_lower;
  bool m_lowerIncluded;
  Value m_upper;
  bool m_upperIncluded;
};
