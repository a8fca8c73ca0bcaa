#include "KuvInSeriesInterval.h"

#include "KuvInInterval_Define.h"

KUV_DEFINE_TYPE(KuvInSeriesInterval, KuvInObjectVal)

namespace {

using Algebra =
    kuv::detail::IntervalListAlgebra<kuv::detail::ClosedRangeHooks<KuvInSeriesInterval, KuvInSerialUtil>>;

}  // namespace

KuvInSeriesInterval::KuvInSeriesInterval()
    : ClosedInterval(KuvInSerialUtil::sc_infNeg, KuvInSerialUtil::sc_infPos) {}

KuvInSeriesInterval::~KuvInSeriesInterval() = default;

HRESULT KuvInSeriesInterval::opAdd(KuvInListVal& l1, const KuvInListVal& l2) {
  return Algebra::opAdd(l1, l2);
}
HRESULT KuvInSeriesInterval::opAnd(KuvInListVal& l1, const KuvInListVal& l2) {
  return Algebra::opAnd(l1, l2);
}
HRESULT KuvInSeriesInterval::opCut(KuvInListVal& l1, const KuvInListVal& l2) {
  return Algebra::opCut(l1, l2);
}
HRESULT KuvInSeriesInterval::simplify(KuvInListVal& list) { return Algebra::simplify(list); }
HRESULT KuvInSeriesInterval::sort(KuvInListVal&) { return E_NOTIMPL; }
