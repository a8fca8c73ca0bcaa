// A closed range of series numbers [A, B] (steps of one, the sentinels of
// KuvInSerialUtil) and the range-list algebra on sorted KuvInListVals of
// such ranges. The same interface as KuvInDateInterval, on integers.
//
//     KuvInSeriesInterval r;
//     r.setInterval(1, 10);                        // [1, 10]
//     KuvInSeriesInterval::opCut(list, holes);     // list minus holes
#pragma once

#include <cstdint>

#include "KuvInClosedInterval.h"
#include "KuvInSerialUtil.h"

class KuvInListVal;

class KUV_API KuvInSeriesInterval
    : public kuv::detail::ClosedInterval<KuvInSeriesInterval, std::int32_t, KuvInSerialUtil> {
  KUV_DECLARE_TYPE(KuvInSeriesInterval)

public:
  // [minus infinity, plus infinity].
  KuvInSeriesInterval();
  KuvInSeriesInterval(const KuvInSeriesInterval& other) = default;
  KuvInSeriesInterval& operator=(const KuvInSeriesInterval& other) = default;
  ~KuvInSeriesInterval() override;

  using ClosedInterval::opAdd;
  using ClosedInterval::opAnd;

  // As KuvInDateInterval's.
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT simplify(KuvInListVal& list);
  static HRESULT sort(KuvInListVal& list);
};
