// A closed range of dates [A, B], from the first to the last second it
// holds, and the range-list algebra on sorted KuvInListVals of such ranges.
// Date effectivities are lists of these.
//
//     KuvInDateInterval day;
//     day.setInterval(KuvInDate(2001, 1, 1, 1, 1, 1), KuvInDate(2001, 1, 1, 24, 60, 60));
//     KuvInListVal dates(KuvInDateInterval::sType());
//     dates.PutBack(day);
//     KuvInDateInterval::opAdd(dates, others);     // union, kept sorted
//
// The lists must be sorted by A; sort() is not offered (E_NOTIMPL).
#pragma once

#include "KuvInClosedInterval.h"
#include "KuvInDate.h"
#include "KuvInDateUtil.h"

class KuvInListVal;

class KUV_API KuvInDateInterval
    : public kuv::detail::ClosedInterval<KuvInDateInterval, KuvInDate, KuvInDateUtil> {
  KUV_DECLARE_TYPE(KuvInDateInterval)

public:
  // [minus infinity, plus infinity].
  KuvInDateInterval();
  KuvInDateInterval(const KuvInDateInterval& other) = default;
  KuvInDateInterval& operator=(const KuvInDateInterval& other) = default;
  ~KuvInDateInterval() override;

  using ClosedInterval::opAdd;
  using ClosedInterval::opAnd;

  // The range-list algebra (KuvInInterval_Define.h): l1 becomes the union,
  // intersection or difference; S_OK or E_FAIL.
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT simplify(KuvInListVal& list);
  static HRESULT sort(KuvInListVal& list);
};
