#include "KuvInMilestonesEvalInterval.h"

#include "KuvInListVal.h"
#include "KuvInRangeListSort.h"

KUV_DEFINE_TYPE(KuvInMilestonesEvalIntervalValue, KuvInObjectVal)
KUV_DEFINE_TYPE(KuvInMilestonesEvalInterval, KuvInObjectVal)

using Interval = KuvInMilestonesEvalInterval;

namespace {

constexpr const char* kBadElement = "ERROR: Retrieved element isn't a KuvInMilestonesEvalInterval";
constexpr const char* kBadElementOfA = "ERROR: Retrieved element from input list A isn't a KuvInMilestonesEvalInterval";
constexpr const char* kBadElementOfB = "ERROR: Retrieved element from input list B isn't a KuvInMilestonesEvalInterval";
constexpr const char* kEmptyList = "ERROR: One of both input lists is empty";

HRESULT nonEmptyResult(const KuvInListVal& list) { return list.IsEmpty() ? S_FALSE : S_OK; }

}  // namespace

KuvInMilestonesEvalIntervalValue::KuvInMilestonesEvalIntervalValue(const KuvInTreeEvalIndexBound& bound,
                                                                   bool derivedDate)
    : m_bound(bound), m_derivedDate(derivedDate) {}

KuvInMilestonesEvalIntervalValue::~KuvInMilestonesEvalIntervalValue() = default;

KuvInString KuvInMilestonesEvalIntervalValue::toString() const {
  KuvInString text = m_bound.toString();
  if (m_derivedDate) text.Append("(DerivedDate)");
  return text;
}

bool KuvInMilestonesEvalIntervalValue::equals(const KuvInObjectVal& other) const {
  const KuvInMilestonesEvalIntervalValue* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInMilestonesEvalIntervalValue::clone(void* where) const { return cloneOf(*this, where); }

Interval::KuvInMilestonesEvalInterval(const Value& lower, bool lowerIncluded, const Value& upper, bool upperIncluded)
    : m_lower(lower), m_lowerIncluded(lowerIncluded), m_upper(upper), m_upperIncluded(upperIncluded) {}

Interval::~KuvInMilestonesEvalInterval() = default;

void Interval::setInfBoundValue(const Value& value, bool included) {
  m_lower = value;
  m_lowerIncluded = included;
}

void Interval::setSupBoundValue(const Value& value, bool included) {
  m_upper = value;
  m_upperIncluded = included;
}

bool Interval::isEmpty() const {
  return m_lower > m_upper || (m_lower == m_upper && !(m_lowerIncluded && m_upperIncluded));
}

bool Interval::isIncludingValue(const Value& value) const {
  if (isEmpty()) return false;
  return (m_lower < value && value < m_upper) || (value == m_lower && m_lowerIncluded) ||
         (value == m_upper && m_upperIncluded);
}

bool Interval::isIncluding(const Interval& y) const {
  if (isEmpty() || y.isEmpty() || !(m_lower <= y.m_lower && m_upper >= y.m_upper)) return false;
  if (m_lower == y.m_lower && y.m_lowerIncluded && !m_lowerIncluded) return false;
  return !(m_upper == y.m_upper && y.m_upperIncluded && !m_upperIncluded);
}

bool Interval::isIntersect(const Interval& y) const {
  if (isEmpty() || y.isEmpty() || !(m_lower <= y.m_upper && m_upper >= y.m_lower)) return false;
  if (m_lower == y.m_upper && !(m_lowerIncluded && y.m_upperIncluded)) return false;
  return !(m_upper == y.m_lower && !(m_upperIncluded && y.m_lowerIncluded));
}

bool Interval::isAdjacent(const Interval& y) const {
  if (isEmpty() || y.isEmpty()) return false;
  return (m_lower == y.m_upper && m_lowerIncluded != y.m_upperIncluded) ||
         (m_upper == y.m_lower && m_upperIncluded != y.m_lowerIncluded);
}

bool Interval::operator==(const Interval& o) const {
  return m_lower == o.m_lower && m_lowerIncluded == o.m_lowerIncluded && m_upper == o.m_upper &&
         m_upperIncluded == o.m_upperIncluded;
}

std::unique_ptr<Interval> Interval::add(const Interval& x, const Interval& y) {
  if (!x.isIntersect(y) && !x.isAdjacent(y)) return nullptr;
  if (x.isIncluding(y)) return std::make_unique<Interval>(x);
  if (y.isIncluding(x)) return std::make_unique<Interval>(y);
  auto merged = std::make_unique<Interval>(x);
  if (y.m_lower < x.m_lower)
    merged->setInfBoundValue(y.m_lower, y.m_lowerIncluded);
  else if (y.m_lower == x.m_lower)
    merged->m_lowerIncluded = x.m_lowerIncluded || y.m_lowerIncluded;
  if (y.m_upper > x.m_upper)
    merged->setSupBoundValue(y.m_upper, y.m_upperIncluded);
  else if (y.m_upper == x.m_upper)
    merged->m_upperIncluded = x.m_upperIncluded || y.m_upperIncluded;
  return merged;
}

HRESULT Interval::cut(const Interval& x, const Interval& y, KuvInListVal& pieces) {
  pieces.Clear();
  if (!x.isIntersect(y)) return S_FALSE;
  Interval left(x.m_lower, x.m_lowerIncluded, y.m_lower, !y.m_lowerIncluded);
  Interval right(y.m_upper, !y.m_upperIncluded, x.m_upper, x.m_upperIncluded);
  for (const Interval* piece : {&left, &right})
    if (!piece->isEmpty() && pieces.PutBack(*piece) == nullptr) return E_FAIL;
  return S_OK;
}

HRESULT Interval::checkTarget(const KuvInListVal& list) {
  if (!list.IsTypeAccepted(sType()))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input list doesn't accept KuvInMilestonesEvalInterval");
  for (std::int32_t i = 0; i < list.GetLength(); ++i)
    if (cast(*list.Get(i)) == nullptr) KUV_RETURN_ERROR(E_FAIL, kBadElement);
  return S_OK;
}

HRESULT Interval::checkOperand(const KuvInListVal& list, const char* message) {
  for (std::int32_t i = 0; i < list.GetLength(); ++i)
    if (cast(*list.Get(i)) == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, message);
  return S_OK;
}

Interval& Interval::at(const KuvInListVal& checked, std::int32_t i) { return *cast(*checked.Get(i)); }

HRESULT Interval::opAdd(KuvInListVal& list, const Interval& range) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (range.isEmpty()) return S_FALSE;
  std::int32_t i = 0;
  while (i < list.GetLength() && !at(list, i).isIntersect(range) && !at(list, i).isAdjacent(range)) ++i;
  if (i == list.GetLength()) {
    if (list.PutBack(range) == nullptr) return E_FAIL;
  } else {
    std::unique_ptr<Interval> merged = add(at(list, i), range);
    if (merged == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: opAdd returns a null pointer");
    if (HRESULT hr = list.Set(i, *merged); FAILED(hr)) return hr;
  }
  if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify failed");
  return S_OK;
}

HRESULT Interval::opAdd(KuvInListVal& list, const KuvInListVal& ranges) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (list.IsEmpty() || ranges.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, kEmptyList);
  if (HRESULT hr = checkOperand(ranges, kBadElementOfB); FAILED(hr)) return hr;
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i)
    if (list.PutBack(*ranges.Get(i)) == nullptr) return E_FAIL;
  if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify() failed");
  return nonEmptyResult(list);
}

HRESULT Interval::opAnd(KuvInListVal& list, const Interval& range) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (range.isEmpty() || list.IsEmpty()) {
    list.Clear();
    return S_FALSE;
  }
  KuvInListVal results(list.GetElementType());
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    const Interval& x = at(list, i);
    if (x.isEmpty() || !(x.equals(range) || x.isIntersect(range))) continue;
    // Y cut down to X's ends where they lie inside it.
    Interval common(x.equals(range) ? x : range);
    if (common.isIncludingValue(x.m_lower)) common.setInfBoundValue(x.m_lower, x.m_lowerIncluded);
    if (common.isIncludingValue(x.m_upper)) common.setSupBoundValue(x.m_upper, x.m_upperIncluded);
    if (results.PutBack(common) == nullptr) return E_FAIL;
  }
  list = results;
  if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify failed");
  return nonEmptyResult(list);
}

HRESULT Interval::opAnd(KuvInListVal& list, const KuvInListVal& ranges) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (list.IsEmpty() || ranges.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, kEmptyList);
  if (HRESULT hr = checkOperand(ranges, kBadElementOfB); FAILED(hr)) return hr;
  KuvInListVal results(list.GetElementType());
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i) {
    KuvInListVal part(list);
    if (HRESULT hr = opAnd(part, at(ranges, i)); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to opAnd() failed");
    if (HRESULT hr = results.PutBackList(part); FAILED(hr)) return hr;
  }
  if (HRESULT hr = simplify(results); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify() failed");
  list = results;
  return nonEmptyResult(list);
}

HRESULT Interval::opCut(KuvInListVal& list, const Interval& range) {
  KUV_TRACE_CALL("opCut");
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (range.isEmpty() || list.IsEmpty()) return S_FALSE;
  KUV_TRACE_DETAIL("in_intervals ", list.toString());
  KUV_TRACE_DETAIL("in_interval ", range.toString());
  KuvInListVal collected(list.GetElementType());
  KuvInListVal pieces(list.GetElementType());
  for (std::int32_t i = 0; i < list.GetLength();) {
    const Interval& x = at(list, i);
    KUV_TRACE_DETAIL("current interval ", x.toString());
    if (!x.isIntersect(range)) {
      ++i;
      continue;
    }
    if (HRESULT hr = cut(x, range, pieces); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: opCut failed");
    KUV_TRACE_DETAIL("cut interval ", pieces.toString());
    if (HRESULT hr = list.Remove(i); FAILED(hr))
      KUV_RETURN_ERROR(hr, "ERROR: Unable to remove interval from input list");
    if (HRESULT hr = collected.PutBackList(pieces); FAILED(hr)) return hr;
  }
  if (HRESULT hr = list.PutBackList(collected); FAILED(hr)) return hr;
  KUV_TRACE_DETAIL("out_intervals ", list.toString());
  if (!collected.IsEmpty()) {
    if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify failed");
    KUV_TRACE_DETAIL("out_intervals (after simplify) ", list.toString());
  }
  return S_OK;
}

HRESULT Interval::opCut(KuvInListVal& list, const KuvInListVal& ranges) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (list.IsEmpty() || ranges.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, kEmptyList);
  if (HRESULT hr = checkOperand(ranges, kBadElementOfB); FAILED(hr)) return hr;
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i)
    if (HRESULT hr = opCut(list, at(ranges, i)); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to opCut() failed");
  if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify() failed");
  return nonEmptyResult(list);
}

HRESULT Interval::isIntersect(const KuvInListVal& a, const KuvInListVal& b) {
  if (!a.IsTypeAccepted(sType()))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input list doesn't accept KuvInMilestonesEvalInterval");
  if (HRESULT hr = checkOperand(a, kBadElementOfA); FAILED(hr)) return hr;
  if (HRESULT hr = checkOperand(b, kBadElementOfB); FAILED(hr)) return hr;
  for (std::int32_t i = 0; i < a.GetLength(); ++i)
    for (std::int32_t j = 0; j < b.GetLength(); ++j)
      if (at(a, i).isIntersect(at(b, j))) return S_OK;
  return S_FALSE;
}

HRESULT Interval::simplify(KuvInListVal& list) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  // The union of two ranges touches a third exactly when one of them does,
  // so one pass suffices, provided a grown range is compared again with
  // every range after it.
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    for (std::int32_t j = i + 1; j < list.GetLength();) {
      std::unique_ptr<Interval> merged = add(at(list, i), at(list, j));
      if (merged == nullptr) {
        ++j;
        continue;
      }
      if (HRESULT hr = list.Set(i, *merged); FAILED(hr)) return hr;
      if (HRESULT hr = list.Remove(j); FAILED(hr)) return hr;
      j = i + 1;
    }
  }
  return S_OK;
}

HRESULT Interval::sort(KuvInListVal& list) {
  if (!list.IsTypeAccepted(sType()))
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR: Input list doesn't accept KuvInMilestonesEvalInterval");
  return kuv::detail::sortRangeList<Interval>(
      list, kBadElement, [](const Interval& x, const Interval& y) { return x.m_lower < y.m_lower; });
}

KuvInString Interval::toString() const {
  KuvInString text(m_lowerIncluded ? "[" : "]");
  return text.Append(m_lower.toString(), "-", m_upper.toString(), m_upperIncluded ? "]" : "[");
}

std::uint32_t Interval::hash() const { return (m_lower.hash() * 131u + m_upper.hash()) & 0x7FFFFFFFu; }

bool Interval::equals(const KuvInObjectVal& other) const {
  const Interval* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& Interval::clone(void* where) const { return cloneOf(*this, where); }
