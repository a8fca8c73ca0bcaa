#include "KuvInDateInterval.h"

#include "KuvInInterval_Define.h"

KUV_DEFINE_TYPE(KuvInDateInterval, KuvInObjectVal)

namespace {

using Algebra =
    kuv::detail::IntervalListAlgebra<kuv::detail::ClosedRangeHooks<KuvInDateInterval, KuvInDateUtil>>;

}  // namespace

KuvInDateInterval::KuvInDateInterval()
    : ClosedInterval(KuvInDate(0, 0, 0, 0, 0, 0), KuvInDate(20000, 13, 32, 24, 60, 62)) {}

KuvInDateInterval::~KuvInDateInterval() = default;

HRESULT KuvInDateInterval::opAdd(KuvInListVal& l1, const KuvInListVal& l2) { return Algebra::opAdd(l1, l2); }
HRESULT KuvInDateInterval::opAnd(KuvInListVal& l1, const KuvInListVal& l2) { return Algebra::opAnd(l1, l2); }
HRESULT KuvInDateInterval::opCut(KuvInListVal& l1, const KuvInListVal& l2) { return Algebra::opCut(l1, l2); }
HRESULT KuvInDateInterval::simplify(KuvInListVal& list) { return Algebra::simplify(list); }
HRESULT KuvInDateInterval::sort(KuvInListVal&) { return E_NOTIMPL; }
