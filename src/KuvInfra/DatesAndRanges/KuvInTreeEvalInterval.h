// KuvInTreeEvalInterval: a continuous range of positions in a tree of series
// (tree-series effectivities), from A to B, each end included or excluded,
// written [1.2,3[ (an outward bracket marks an excluded end).
//
// Positions between two tree positions are not countable, so ranges only
// merge when they overlap or meet at a position one of them includes; there
// is no "next position" to make two ranges adjacent.
//
//     KuvInTreeEvalInterval r;
//     r.setInterval(KuvInTreeEvalIndexBound(1), true, KuvInTreeEvalIndexBound(3), false);  // [1,3[
#pragma once

#include "KuvInTreeEvalIndexBound.h"

class KuvInListVal;

class KUV_API KuvInTreeEvalInterval : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInTreeEvalInterval)

public:
  // Both ends empty (not valuated) and included.
  KuvInTreeEvalInterval() = default;
  // No check (see setIntervalNoCheck).
  KuvInTreeEvalInterval(const KuvInTreeEvalIndexBound& a, bool aIncluded, const KuvInTreeEvalIndexBound& b,
                        bool bIncluded);
  KuvInTreeEvalInterval(const KuvInTreeEvalInterval& other) = default;
  KuvInTreeEvalInterval& operator=(const KuvInTreeEvalInterval& other) = default;
  ~KuvInTreeEvalInterval() override;

  const KuvInTreeEvalIndexBound& getA() const { return m_a; }
  const KuvInTreeEvalIndexBound& getB() const { return m_b; }
  bool getAIncl() const { return m_aIncluded; }
  bool getBIncl() const { return m_bIncluded; }
  // E_FAIL, and no change, when a > b.
  HRESULT setInterval(const KuvInTreeEvalIndexBound& a, bool aIncluded, const KuvInTreeEvalIndexBound& b,
                      bool bIncluded);
  void setIntervalNoCheck(const KuvInTreeEvalIndexBound& a, bool aIncluded, const KuvInTreeEvalIndexBound& b,
                          bool bIncluded);

  bool isIntersect(const KuvInTreeEvalInterval& other) const;
  bool isIncludedIn(const KuvInTreeEvalInterval& other) const;
  // Merges other into this range when they overlap or meet at a position
  // one of them includes; false, and no change, otherwise.
  bool opAdd(const KuvInTreeEvalInterval& other);
  // Cuts this range down to its intersection with other (false, and no
  // change, when they do not intersect). When this range reaches beyond
  // other's end B, rest receives what lies beyond (a new range the caller
  // owns); otherwise rest is set to null.
  bool opAnd(const KuvInTreeEvalInterval& other, KuvInTreeEvalInterval*& rest);

  // Same ends, same inclusions.
  bool operator==(const KuvInTreeEvalInterval& o) const;
  bool operator!=(const KuvInTreeEvalInterval& o) const { return !(*this == o); }

  // The algebra of range lists sorted by A (see KuvInInterval_Define.h):
  // union, intersection and difference into l1, with a list or with a
  // single range; S_OK, or E_FAIL (l1 untouched) when an element is not a
  // tree range or l1 does not accept tree ranges. The union is simplified,
  // the intersection and difference are not. Ends are compared with their
  // inclusions, so that each result is the exact set operation: a position
  // one range includes and the other excludes is kept or cut as such.
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAdd(KuvInListVal& l1, const KuvInTreeEvalInterval& range);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInTreeEvalInterval& range);
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opCut(KuvInListVal& l1, const KuvInTreeEvalInterval& range);
  // Merges neighbours that overlap or meet.
  static HRESULT simplify(KuvInListVal& list);
  // Ascending by A; ranges whose A are equal (or cannot be compared) keep
  // their order. E_FAIL, and no change, when an element is not a tree range.
  static HRESULT sort(KuvInListVal& list);

  // "[" or "]", A, ",", B, "]" or "[".
  KuvInString toString() const override;
  std::uint32_t hash() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

private:
  KuvInTreeEvalIndexBound m_a;
  KuvInTreeEvalIndexBound m_b;
  bool m_aIncluded = true;
  bool m_bIncluded = true;
};
