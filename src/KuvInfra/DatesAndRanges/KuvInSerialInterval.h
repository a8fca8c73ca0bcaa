// A range of serial numbers whose ends may each be included or excluded:
// [1,5[ holds 1 to 4, ]4,10] and [5,10] hold the same numbers and are equal.
// Serial effectivities are sorted KuvInListVals of these, combined by the
// range-list algebra (union, intersection, difference).
//
//     KuvInSerialInterval units;
//     units.setInterval(5, true, 6, false);        // [5,6[
//     units.becomeIfSingleElementInterval();       // [5,5]
#pragma once

#include <cstdint>

#include "KuvInObjectVal.h"

class KuvInListVal;

class KUV_API KuvInSerialInterval : public KuvInObjectVal {
  KUV_DECLARE_TYPE(KuvInSerialInterval)

public:
  // [minus infinity, plus infinity], both included.
  KuvInSerialInterval();
  KuvInSerialInterval(const KuvInSerialInterval& other) = default;
  KuvInSerialInterval& operator=(const KuvInSerialInterval& other) = default;
  ~KuvInSerialInterval() override;

  std::int32_t getA() const { return m_a; }
  std::int32_t getB() const { return m_b; }
  bool getAIncl() const { return m_aIncl != 0; }
  bool getBIncl() const { return m_bIncl != 0; }
  // E_FAIL, nothing changed, unless isIntervalValid.
  HRESULT setInterval(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl);
  void setIntervalNoCheck(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl);
  // a <= b, ends within the real numbers or at their infinity, and at least
  // one number inside.
  static bool isIntervalValid(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl);
  static bool isValueValid(std::int32_t value);
  static std::int32_t getNext(std::int32_t value);
  static std::int32_t getPrev(std::int32_t value);

  // ]x,x+1] becomes [x+1,x+1] and [x,x+1[ becomes [x,x].
  void becomeIfSingleElementInterval();
  // Compared on the ends as written: ]2,5] and [0,3[ meet although they share
  // no number.
  bool isIntersect(const KuvInSerialInterval& y) const;
  bool isIncludedIn(const KuvInSerialInterval& y) const;
  // Merges y in when they intersect, share an end one of them includes, or
  // are adjacent numbers; false and no change otherwise.
  bool opAdd(const KuvInSerialInterval& y);
  // Becomes the intersection with y; the numbers of this range beyond y's
  // end go to rest (new, the caller's). False and no change when they do not
  // intersect.
  bool opAnd(const KuvInSerialInterval& y, KuvInSerialInterval*& rest);

  // Compares the numbers held, not the ends as written.
  bool operator==(const KuvInSerialInterval& y) const;
  bool operator!=(const KuvInSerialInterval& y) const { return !(*this == y); }

  // "[1,5[": "]" before an excluded A, "[" after an excluded B.
  KuvInString toString() const override;
  bool equals(const KuvInObjectVal& other) const override;
  KuvInObjectVal& clone(void* where = nullptr) const override;

  // The range-list algebra (KuvInInterval_Define.h) with pieces computed on
  // the numbers held; sort() is not offered (E_NOTIMPL).
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT simplify(KuvInListVal& list);
  static HRESULT sort(KuvInListVal& list);

private:
  std::int32_t m_a;
  std::int32_t m_b;
  unsigned char m_aIncl = 1;
  unsigned char m_bIncl = 1;
};
