#include "KuvInMilestonesEvalInterval.h"

#include <algorithm>
#include <set>
#include <vector>

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

std::array<std::optional<Interval>, 2> Interval::remainder(const Interval& x, const Interval& y) {
  std::array<std::optional<Interval>, 2> pieces{
      Interval(x.m_lower, x.m_lowerIncluded, y.m_lower, !y.m_lowerIncluded),
      Interval(y.m_upper, !y.m_upperIncluded, x.m_upper, x.m_upperIncluded)};
  for (std::optional<Interval>& piece : pieces)
    if (piece->isEmpty()) piece.reset();
  return pieces;
}

HRESULT Interval::cut(const Interval& x, const Interval& y, KuvInListVal& pieces) {
  pieces.Clear();
  if (!x.isIntersect(y)) return S_FALSE;
  for (const std::optional<Interval>& piece : remainder(x, y))
    if (piece && pieces.PutBack(*piece) == nullptr) return E_FAIL;
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
  // Each range of ranges only keeps what meets it. When the ranges of list
  // are apart from one another, those it may meet are found by searching
  // them in order; otherwise each range goes through the whole list.
  std::vector<std::int32_t> sorted;
  bool apart = true;
  for (std::int32_t i = 0; i < list.GetLength() && apart; ++i) {
    const Interval& x = at(list, i);
    apart = x.m_lower.getBound().isValuated() && x.m_upper.getBound().isValuated();
    if (!x.isEmpty()) sorted.push_back(i);
  }
  if (apart) {
    std::sort(sorted.begin(), sorted.end(),
              [&](std::int32_t i, std::int32_t j) { return at(list, i).m_lower < at(list, j).m_lower; });
    for (std::size_t k = 1; k < sorted.size() && apart; ++k)
      apart = at(list, sorted[k - 1]).m_upper < at(list, sorted[k]).m_lower;
  }
  KuvInListVal results(list.GetElementType());
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i) {
    const Interval& range = at(ranges, i);
    KuvInListVal part(list.GetElementType());
    if (!apart) {
      part = list;
    } else if (!range.isEmpty() && range.m_lower.getBound().isValuated() &&
               range.m_upper.getBound().isValuated()) {
      auto from = std::lower_bound(
          sorted.begin(), sorted.end(), range,
          [&](std::int32_t k, const Interval& y) { return at(list, k).m_upper < y.m_lower; });
      std::vector<std::int32_t> near;
      for (; from != sorted.end() && at(list, *from).m_lower <= range.m_upper; ++from) near.push_back(*from);
      std::sort(near.begin(), near.end());
      for (std::int32_t k : near)
        if (part.PutBack(at(list, k)) == nullptr) return E_FAIL;
    }
    if (HRESULT hr = opAnd(part, range); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to opAnd() failed");
    if (HRESULT hr = results.PutBackList(part); FAILED(hr)) return hr;
  }
  if (HRESULT hr = simplify(results); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify() failed");
  list = results;
  return nonEmptyResult(list);
}

HRESULT Interval::opCut(KuvInListVal& list, const Interval& range) {
  bool piecesMade = false;
  return cutOne(list, range, piecesMade);
}

HRESULT Interval::cutOne(KuvInListVal& list, const Interval& range, bool& piecesMade) {
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
  piecesMade = !collected.IsEmpty();
  if (piecesMade) {
    if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify failed");
    KUV_TRACE_DETAIL("out_intervals (after simplify) ", list.toString());
  }
  return S_OK;
}

HRESULT Interval::opCut(KuvInListVal& list, const KuvInListVal& ranges) {
  if (HRESULT hr = checkTarget(list); FAILED(hr)) return hr;
  if (list.IsEmpty() || ranges.IsEmpty()) KUV_RETURN_ERROR(E_INVALIDARG, kEmptyList);
  if (HRESULT hr = checkOperand(ranges, kBadElementOfB); FAILED(hr)) return hr;
  // The result's order is that of cutting with one range at a time. Once
  // the list is simplified, a cut only takes out the ranges it meets and
  // appends their pieces (pieces of ranges that neither meet nor touch
  // cannot), which an index finds without a pass over the list. Detail
  // traces are those of the cuts one at a time.
  const bool indexed = !traceChannel().isCallOn();
  bool simplified = indexed && isSimplified(list);
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i) {
    if (simplified) {
      if (HRESULT hr = cutSimplified(list, ranges, i); FAILED(hr)) return hr;
      break;
    }
    // A cut that makes pieces simplifies the list after it.
    bool piecesMade = false;
    if (HRESULT hr = cutOne(list, at(ranges, i), piecesMade); FAILED(hr))
      KUV_RETURN_ERROR(hr, "ERROR: Call to opCut() failed");
    simplified = indexed && piecesMade && isSimplified(list);
  }
  if (HRESULT hr = simplify(list); FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Call to simplify() failed");
  return nonEmptyResult(list);
}

bool Interval::isSimplified(const KuvInListVal& checked) {
  std::vector<const Interval*> ranges;
  ranges.reserve(static_cast<std::size_t>(checked.GetLength()));
  for (std::int32_t i = 0; i < checked.GetLength(); ++i) {
    const Interval& x = at(checked, i);
    if (!x.m_lower.getBound().isValuated() || !x.m_upper.getBound().isValuated()) return false;
    if (!x.isEmpty()) ranges.push_back(&x);
  }
  std::sort(ranges.begin(), ranges.end(), [](const Interval* x, const Interval* y) {
    return x->m_lower < y->m_lower || (x->m_lower == y->m_lower && x->m_lowerIncluded && !y->m_lowerIncluded);
  });
  // Sorted so, each range must end before the next starts, as simplify's
  // sweep finds them.
  for (std::size_t k = 1; k < ranges.size(); ++k) {
    const Interval& x = *ranges[k - 1];
    const Interval& y = *ranges[k];
    if (x.m_upper > y.m_lower || (x.m_upper == y.m_lower && (x.m_upperIncluded || y.m_lowerIncluded)))
      return false;
  }
  return true;
}

HRESULT Interval::cutSimplified(KuvInListVal& list, const KuvInListVal& ranges, std::int32_t from) {
  // The list's ranges, then the pieces in the order the cuts append them:
  // a range's number is its place in the list, and the ranges still there
  // are indexed by their lower values, which differ (none meets another).
  std::vector<Interval> entries;
  entries.reserve(static_cast<std::size_t>(list.GetLength()));
  for (std::int32_t i = 0; i < list.GetLength(); ++i) entries.push_back(at(list, i));
  std::vector<bool> removed(entries.size(), false);
  struct ByLower {
    using is_transparent = void;
    const std::vector<Interval>* entries;
    const Value& lower(std::size_t e) const { return (*entries)[e].m_lower; }
    bool operator()(std::size_t a, std::size_t b) const { return lower(a) < lower(b); }
    bool operator()(std::size_t a, const Value& b) const { return lower(a) < b; }
    bool operator()(const Value& a, std::size_t b) const { return a < lower(b); }
  };
  std::set<std::size_t, ByLower> index(ByLower{&entries});
  for (std::size_t e = 0; e < entries.size(); ++e)
    if (!entries[e].isEmpty()) index.insert(e);
  std::vector<std::size_t> met;
  for (std::int32_t i = from; i < ranges.GetLength(); ++i) {
    const Interval& y = at(ranges, i);
    if (y.isEmpty()) continue;
    // Only the last range starting before y can reach into it.
    auto it = index.lower_bound(y.m_lower);
    if (it != index.begin()) --it;
    met.clear();
    for (; it != index.end() && entries[*it].m_lower <= y.m_upper; ++it)
      if (entries[*it].isIntersect(y)) met.push_back(*it);
    std::sort(met.begin(), met.end());
    for (std::size_t e : met) {
      index.erase(e);
      removed[e] = true;
      for (const std::optional<Interval>& piece : remainder(entries[e], y)) {
        if (!piece) continue;
        entries.push_back(*piece);
        removed.push_back(false);
        index.insert(entries.size() - 1);
      }
    }
  }
  KuvInListVal result(list.GetElementType());
  for (std::size_t e = 0; e < entries.size(); ++e)
    if (!removed[e] && result.PutBack(entries[e]) == nullptr) return E_FAIL;
  return list.SwapElements(result);
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
  // Range i absorbs the first range after it that it meets, and starts over
  // after each merge; what is left meets nothing after it. The union of two
  // ranges meets a third exactly when one of them does, so range i ends as
  // the union of every range connected to it, where the first of them was.
  auto mergeInOrder = [](std::vector<Interval>& ranges) {
    for (std::size_t i = 0; i < ranges.size(); ++i)
      for (std::size_t j = i + 1; j < ranges.size();) {
        std::unique_ptr<Interval> merged = add(ranges[i], ranges[j]);
        if (merged == nullptr) {
          ++j;
          continue;
        }
        ranges[i] = *merged;
        ranges.erase(ranges.begin() + static_cast<std::ptrdiff_t>(j));
        j = i + 1;
      }
  };
  const std::int32_t length = list.GetLength();
  // Ranges with an end that is not valuated can still meet others by their
  // other end: such lists are merged pair by pair, as the rule says.
  std::vector<std::int32_t> order;
  order.reserve(static_cast<std::size_t>(length));
  bool valuated = true;
  for (std::int32_t i = 0; i < length && valuated; ++i) {
    const Interval& x = at(list, i);
    valuated = x.m_lower.getBound().isValuated() && x.m_upper.getBound().isValuated();
    if (!x.isEmpty()) order.push_back(i);
  }
  if (!valuated) {
    std::vector<Interval> ranges;
    ranges.reserve(static_cast<std::size_t>(length));
    for (std::int32_t i = 0; i < length; ++i) ranges.push_back(at(list, i));
    mergeInOrder(ranges);
    if (static_cast<std::int32_t>(ranges.size()) == length) return S_OK;
    KuvInListVal merged(list.GetElementType());
    for (const Interval& x : ranges)
      if (merged.PutBack(x) == nullptr) return E_FAIL;
    return list.SwapElements(merged);
  }
  // Otherwise the connected ranges are found in order of their lower ends,
  // included before excluded: a range meets one before it exactly when it
  // starts before the furthest upper end so far, or at it with either end
  // included.
  std::sort(order.begin(), order.end(), [&](std::int32_t i, std::int32_t j) {
    const Interval& x = at(list, i);
    const Interval& y = at(list, j);
    return x.m_lower < y.m_lower || (x.m_lower == y.m_lower && x.m_lowerIncluded && !y.m_lowerIncluded);
  });
  std::vector<std::unique_ptr<Interval>> unions(static_cast<std::size_t>(length));
  std::vector<bool> absorbed(static_cast<std::size_t>(length), false);
  bool changed = false;
  auto unite = [&](std::vector<std::int32_t> members) {
    if (members.size() < 2) return;
    std::sort(members.begin(), members.end());
    // The union's ends are the lowest and highest values, each included when
    // one of the ranges ending there includes it. Which range's value it is
    // (they may differ by their derived-date flag) depends on the order of
    // the merges, so unless they agree the merges are made in that order.
    const Interval* lowest = &at(list, members.front());
    const Interval* highest = lowest;
    for (std::int32_t m : members) {
      const Interval& x = at(list, m);
      if (x.m_lower < lowest->m_lower) lowest = &x;
      if (x.m_upper > highest->m_upper) highest = &x;
    }
    Interval result(*lowest);
    result.setSupBoundValue(highest->m_upper, highest->m_upperIncluded);
    bool agree = true;
    for (std::int32_t m : members) {
      const Interval& x = at(list, m);
      if (x.m_lower == lowest->m_lower) {
        agree = agree && x.m_lower.isDerivedDate() == lowest->m_lower.isDerivedDate();
        result.m_lowerIncluded = result.m_lowerIncluded || x.m_lowerIncluded;
      }
      if (x.m_upper == highest->m_upper) {
        agree = agree && x.m_upper.isDerivedDate() == highest->m_upper.isDerivedDate();
        result.m_upperIncluded = result.m_upperIncluded || x.m_upperIncluded;
      }
    }
    if (!agree) {
      std::vector<Interval> ranges;
      for (std::int32_t m : members) ranges.push_back(at(list, m));
      mergeInOrder(ranges);
      result = ranges.front();
    }
    unions[static_cast<std::size_t>(members.front())] = std::make_unique<Interval>(result);
    for (std::size_t k = 1; k < members.size(); ++k) absorbed[static_cast<std::size_t>(members[k])] = true;
    changed = true;
  };
  std::vector<std::int32_t> members;
  const Value* reach = nullptr;
  bool reachIncluded = false;
  for (std::int32_t i : order) {
    const Interval& y = at(list, i);
    const bool meets = reach != nullptr &&
                       (*reach > y.m_lower || (*reach == y.m_lower && (reachIncluded || y.m_lowerIncluded)));
    if (!meets) {
      unite(members);
      members.clear();
      reach = nullptr;
    }
    members.push_back(i);
    if (reach == nullptr || y.m_upper > *reach) {
      reach = &y.m_upper;
      reachIncluded = y.m_upperIncluded;
    } else if (y.m_upper == *reach) {
      reachIncluded = reachIncluded || y.m_upperIncluded;
    }
  }
  unite(members);
  if (!changed) return S_OK;
  KuvInListVal simplified(list.GetElementType());
  for (std::int32_t i = 0; i < length; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (absorbed[k]) continue;
    if (simplified.PutBack(unions[k] ? *unions[k] : at(list, i)) == nullptr) return E_FAIL;
  }
  return list.SwapElements(simplified);
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
