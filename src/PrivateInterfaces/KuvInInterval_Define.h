// The algebra on sorted lists of ranges, shared by every range type of kuv.
//
// A range list is a KuvInListVal of ranges sorted by their start. The four
// operations change their first list in place:
//
//     simplify(L)      merges neighbours that overlap or touch
//     opAdd(L1, L2)    L1 becomes the union, simplified
//     opAnd(L1, L2)    L1 becomes the intersection (not simplified)
//     opCut(L1, L2)    L1 becomes L1 minus L2
//
// and return S_OK, or E_FAIL with an error line on the range class's trace
// channel. Before anything changes, every element of both lists must be a
// range of the right class that may be simplified, and L1 must accept that
// class: a refused list is left as it was.
//
// A range type plugs in through a hooks struct (see IntervalListHooks):
//
//     struct Hooks {
//       using Interval = KuvInFooInterval;  // KUV_DECLARE_TYPE'd, default-
//                                           // and copy-constructible
//       // What cut and intersection do with an empty piece: Refused fails
//       // the operation (closed ranges, where it means a malformed input),
//       // Dropped leaves it out (ranges with excluded ends, where pieces such
//       // as [3,3[ are expected).
//       static constexpr EmptyPiece kEmptyPiece = EmptyPiece::Dropped;
//       // False refuses the range (the can-simplify flag of closed ranges).
//       static bool canSimplify(const Interval& x);
//       // The single-range operations: x absorbs y when they overlap or
//       // touch; x becomes x and y, and rest (new, the caller's) receives
//       // the part of x beyond y's end, if any.
//       static bool merge(Interval& x, const Interval& y);
//       static bool intersect(Interval& x, const Interval& y, Interval*& rest);
//       // Union cursor rule: a starts early enough, compared with b's end,
//       // to try merging b into it rather than inserting b before it.
//       static bool mergeFirst(const Interval& a, const Interval& b);
//       // Intersection cursor rule: b starts after a's end, so a is done.
//       static bool liesAfter(const Interval& b, const Interval& a);
//       // Difference: the part of a before b's start / after b's end, when a
//       // starts before b / ends after b (false: no such piece).
//       static bool leftPiece(const Interval& a, const Interval& b, Interval& piece);
//       static bool rightPiece(const Interval& a, const Interval& b, Interval& piece);
//       static bool isEmpty(const Interval& x);
//       // Applied to every piece that is kept (e.g. becomeIfSingleElementInterval).
//       static void normalize(Interval& x);
//     };
//
// Closed ranges with a unit step get all of it from ClosedRangeHooks below.
// Ranges with excluded ends compare what they hold: the serial hooks
// (KuvInSerialInterval.cpp) work on the first and last numbers of a range.
// Continuous ranges (tree positions) have no step: there mergeFirst is "a
// starts before b ends", liesAfter is "b starts after a ends, or where a
// ends with either end excluded", the pieces end or start at b's bound with
// its inclusion turned around, and isEmpty is "A > B, or A = B with an end
// excluded".
// A range class then forwards its static list operations:
//
//     using Algebra = kuv::detail::IntervalListAlgebra<Hooks>;
//     HRESULT KuvInFooInterval::opAdd(KuvInListVal& l1, const KuvInListVal& l2) {
//       return Algebra::opAdd(l1, l2);
//     }
//
// Errors name this file as their source: "ERROR: Incorrect type" (an
// element, or L1's element type, of another class; "ERROR: NULL pointer" in
// simplify), "ERROR: Unexpected state" (a range that may not be simplified,
// or a refused empty piece), "ERROR: Unexpected error" (an insertion failed),
// "ERROR: Next failed", "ERROR: RemoveGoToNext failed", "ERROR: simplify
// failed".
#pragma once

#include <concepts>
#include <memory>
#include <optional>
#include <vector>

#include "KuvInListVal.h"
#include "KuvInTraceClass.h"

namespace kuv::detail {

enum class EmptyPiece { Refused, Dropped };

template <class H>
concept IntervalListHooks = requires(typename H::Interval& x, const typename H::Interval& y,
                                     typename H::Interval*& rest) {
  { H::kEmptyPiece } -> std::convertible_to<EmptyPiece>;
  { H::canSimplify(y) } -> std::same_as<bool>;
  { H::merge(x, y) } -> std::same_as<bool>;
  { H::intersect(x, y, rest) } -> std::same_as<bool>;
  { H::mergeFirst(y, y) } -> std::same_as<bool>;
  { H::liesAfter(y, y) } -> std::same_as<bool>;
  { H::leftPiece(y, y, x) } -> std::same_as<bool>;
  { H::rightPiece(y, y, x) } -> std::same_as<bool>;
  { H::isEmpty(y) } -> std::same_as<bool>;
  H::normalize(x);
  { H::Interval::traceChannel() } -> std::same_as<KuvInTraceClass&>;
};

template <IntervalListHooks H>
class IntervalListAlgebra {
public:
  using Interval = typename H::Interval;

  static HRESULT simplify(KuvInListVal& list);
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2);

private:
  static KuvInTraceClass& channel() { return Interval::traceChannel(); }
  // Only after checkList has accepted the list.
  static Interval& at(const KuvInListVal::const_iterator& it) { return *static_cast<Interval*>(it.Get()); }
  static Interval& at(const KuvInListVal& list, std::int32_t i) {
    return *static_cast<Interval*>(list.Get(i));
  }
  // Appends a copy of x; false (traced) when the list refuses it.
  static bool putBack(KuvInListVal& list, const Interval& x);
  static HRESULT checkList(const KuvInListVal& list, const char* typeMessage, bool checkFlags);
  static HRESULT checkOperands(const KuvInListVal& l1, const KuvInListVal& l2);
  // S_OK: keep the (normalized) piece; S_FALSE: leave it out; E_FAIL: refused.
  static HRESULT admit(Interval& piece);
  static HRESULT next(KuvInListVal::const_iterator& it);
  // With a few ranges in L2 the operations insert and remove in L1 itself,
  // each shifting the rest of L1; with more they build a new list, which
  // copies every range of L1 once.
  static constexpr std::int32_t sc_fewRanges = 8;
  // Unites the sorted l2 into the sorted l1, in place or into a new list.
  static HRESULT addSorted(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT cutInPlace(KuvInListVal& l1, const KuvInListVal& l2);
  static HRESULT cutIntoNewList(KuvInListVal& l1, const KuvInListVal& l2);
};

// Closed ranges [A, B] whose points step by one unit (one second for dates,
// one for series numbers). Interval offers getA(), getB(),
// setIntervalNoCheck(a, b), canSimplify(), opAdd(y) and opAnd(y, rest);
// Step offers getNext(p) and getPrev(p).
template <class T, class Step>
struct ClosedRangeHooks {
  using Interval = T;
  static constexpr EmptyPiece kEmptyPiece = EmptyPiece::Refused;

  static bool canSimplify(const T& x) { return x.canSimplify(); }
  static bool merge(T& x, const T& y) { return x.opAdd(y); }
  static bool intersect(T& x, const T& y, T*& rest) { return x.opAnd(y, rest); }
  static bool mergeFirst(const T& a, const T& b) { return a.getA() < Step::getPrev(b.getB()); }
  static bool liesAfter(const T& b, const T& a) { return b.getA() > a.getB(); }
  static bool leftPiece(const T& a, const T& b, T& piece) {
    if (!(a.getA() < b.getA())) return false;
    const auto end = Step::getPrev(b.getA());
    piece.setIntervalNoCheck(a.getA(), a.getB() < end ? a.getB() : end);
    return true;
  }
  static bool rightPiece(const T& a, const T& b, T& piece) {
    if (!(b.getB() < a.getB())) return false;
    const auto start = Step::getNext(b.getB());
    piece.setIntervalNoCheck(start < a.getA() ? a.getA() : start, a.getB());
    return true;
  }
  static bool isEmpty(const T& x) { return x.getB() < x.getA(); }
  static void normalize(T&) {}
};

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::checkList(const KuvInListVal& list, const char* typeMessage,
                                          bool checkFlags) {
  for (KuvInListVal::const_iterator it = list.cBegin(); it.IsValid(); it.Next()) {
    const Interval* x = Interval::cast(*it.Get());
    if (x == nullptr) {
      KUV_TRACE_ERROR_ON(channel(), typeMessage);
      return E_FAIL;
    }
    if (checkFlags && !H::canSimplify(*x)) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected state");
      return E_FAIL;
    }
  }
  return S_OK;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::checkOperands(const KuvInListVal& l1, const KuvInListVal& l2) {
  // L1 receives new ranges, so its element type must take them.
  if (!l1.IsTypeAccepted(Interval::sType())) {
    KUV_TRACE_ERROR_ON(channel(), "ERROR: Incorrect type");
    return E_FAIL;
  }
  if (FAILED(checkList(l1, "ERROR: Incorrect type", true))) return E_FAIL;
  return checkList(l2, "ERROR: Incorrect type", true);
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::admit(Interval& piece) {
  if (!H::isEmpty(piece)) {
    H::normalize(piece);
    return S_OK;
  }
  if (H::kEmptyPiece == EmptyPiece::Dropped) return S_FALSE;
  KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected state");
  return E_FAIL;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::next(KuvInListVal::const_iterator& it) {
  HRESULT hr = it.Next();
  if (FAILED(hr)) KUV_TRACE_ERROR_ON(channel(), "ERROR: Next failed");
  return hr;
}

template <IntervalListHooks H>
bool IntervalListAlgebra<H>::putBack(KuvInListVal& list, const Interval& x) {
  if (list.PutBack(x) != nullptr) return true;
  KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected error");
  return false;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::simplify(KuvInListVal& list) {
  KUV_TRACE_CALL_ON(channel(), "simplify");
  if (list.GetLength() < 2) return S_OK;
  if (FAILED(checkList(list, "ERROR: NULL pointer", false))) return E_FAIL;
  // A range absorbs the neighbours that follow it while they overlap or
  // touch it, and stays where it is: each range absorbed belongs to a run
  // [first, end) that follows the range absorbing it.
  const std::int32_t length = list.GetLength();
  std::vector<std::pair<std::int32_t, std::int32_t>> absorbed;
  std::int32_t current = 0;
  for (std::int32_t i = 1; i < length; ++i) {
    if (!H::merge(at(list, current), at(list, i))) {
      current = i;
    } else if (absorbed.empty() || absorbed.back().second != i) {
      absorbed.emplace_back(i, i + 1);
    } else {
      ++absorbed.back().second;
    }
  }
  // A few runs are removed one by one, last first; more would each shift
  // the rest of the list, so then the kept ranges go to a new list.
  if (absorbed.size() <= static_cast<std::size_t>(sc_fewRanges)) {
    for (auto run = absorbed.rbegin(); run != absorbed.rend(); ++run)
      if (FAILED(list.RemoveRange(run->first, run->second))) {
        KUV_TRACE_ERROR_ON(channel(), "ERROR: RemoveGoToNext failed");
        return E_FAIL;
      }
    return S_OK;
  }
  KuvInListVal kept(list.GetElementType());
  std::int32_t from = 0;
  for (const auto& [first, end] : absorbed) {
    for (std::int32_t i = from; i < first; ++i)
      if (!putBack(kept, at(list, i))) return E_FAIL;
    from = end;
  }
  for (std::int32_t i = from; i < length; ++i)
    if (!putBack(kept, at(list, i))) return E_FAIL;
  list.SwapElements(kept);
  return S_OK;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::opAdd(KuvInListVal& l1, const KuvInListVal& l2) {
  KUV_TRACE_CALL_ON(channel(), "opAdd");
  if (&l1 == &l2) return opAdd(l1, KuvInListVal(l2));
  if (FAILED(checkOperands(l1, l2))) return E_FAIL;
  if (FAILED(addSorted(l1, l2))) return E_FAIL;
  if (FAILED(simplify(l1))) {
    KUV_TRACE_ERROR_ON(channel(), "ERROR: simplify failed");
    return E_FAIL;
  }
  return S_OK;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::addSorted(KuvInListVal& l1, const KuvInListVal& l2) {
  const bool inPlace = l2.GetLength() <= sc_fewRanges;
  // The ranges of both lists in order, when not built in l1 itself.
  KuvInListVal merged(l1.GetElementType());
  KuvInListVal::iterator a = l1.Begin();
  for (KuvInListVal::const_iterator b = l2.cBegin(); b.IsValid();) {
    const Interval& y = at(b);
    // Either b is absorbed by a, or a lies before b and b must look further.
    bool aIsBefore = false;
    if (a.IsValid() && H::mergeFirst(at(a), y)) {
      aIsBefore = !H::merge(at(a), y);
    } else if (!inPlace) {
      if (!putBack(merged, y)) return E_FAIL;
    } else if (FAILED(a.Insert(y))) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected error");
      return E_FAIL;
    }
    if (!inPlace && aIsBefore && !putBack(merged, at(a))) return E_FAIL;
    if (FAILED(aIsBefore ? next(a) : next(b))) return E_FAIL;
  }
  if (inPlace) return S_OK;
  for (; a.IsValid(); a.Next())
    if (!putBack(merged, at(a))) return E_FAIL;
  l1.SwapElements(merged);
  return S_OK;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::opAnd(KuvInListVal& l1, const KuvInListVal& l2) {
  KUV_TRACE_CALL_ON(channel(), "opAnd");
  if (&l1 == &l2) return opAnd(l1, KuvInListVal(l2));
  if (FAILED(checkOperands(l1, l2))) return E_FAIL;
  KuvInListVal work(l1);
  l1.Clear();
  // The rests still to meet L2 come before a, the last one first, each
  // followed by what the range it was cut from has become. They are kept
  // apart rather than inserted into work, which would shift the rest of
  // work every time.
  std::vector<Interval> rests;
  KuvInListVal::iterator a = work.Begin();
  auto nextOfA = [&]() -> HRESULT {
    if (rests.empty()) return next(a);
    rests.pop_back();
    return S_OK;
  };
  KuvInListVal::const_iterator b = l2.cBegin();
  while ((!rests.empty() || a.IsValid()) && b.IsValid()) {
    Interval& x = rests.empty() ? at(a) : rests.back();
    const Interval& y = at(b);
    if (H::liesAfter(y, x)) {
      if (FAILED(nextOfA())) return E_FAIL;
      continue;
    }
    Interval* restPtr = nullptr;
    if (!H::intersect(x, y, restPtr)) {
      // y lies wholly before x.
      if (FAILED(next(b))) return E_FAIL;
      continue;
    }
    std::unique_ptr<Interval> rest(restPtr);
    HRESULT hr = admit(x);
    if (FAILED(hr)) return hr;
    if (hr == S_OK && l1.PutBack(x) == nullptr) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected error");
      return E_FAIL;
    }
    hr = rest ? admit(*rest) : S_FALSE;
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) {
      if (FAILED(nextOfA())) return E_FAIL;
      continue;
    }
    // The rest goes before x and is what meets the next ranges of L2.
    rests.push_back(*rest);
  }
  return S_OK;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::opCut(KuvInListVal& l1, const KuvInListVal& l2) {
  KUV_TRACE_CALL_ON(channel(), "opCut");
  if (&l1 == &l2) return opCut(l1, KuvInListVal(l2));
  if (FAILED(checkOperands(l1, l2))) return E_FAIL;
  return l2.GetLength() <= sc_fewRanges ? cutInPlace(l1, l2) : cutIntoNewList(l1, l2);
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::cutInPlace(KuvInListVal& l1, const KuvInListVal& l2) {
  KuvInListVal::iterator a = l1.Begin();
  KuvInListVal::const_iterator b = l2.cBegin();
  while (a.IsValid() && b.IsValid()) {
    const Interval& x = at(a);
    const Interval& y = at(b);
    Interval left, right;
    HRESULT hasLeft = H::leftPiece(x, y, left) ? admit(left) : S_FALSE;
    if (FAILED(hasLeft)) return hasLeft;
    HRESULT hasRight = H::rightPiece(x, y, right) ? admit(right) : S_FALSE;
    if (FAILED(hasRight)) return hasRight;
    if (FAILED(a.RemoveGoToNext())) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: RemoveGoToNext failed");
      return E_FAIL;
    }
    if ((hasLeft == S_OK && FAILED(a.Insert(left))) || (hasRight == S_OK && FAILED(a.Insert(right)))) {
      KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected error");
      return E_FAIL;
    }
    // What is left of a past b's end may still meet the next ranges of L2.
    if (hasRight == S_OK) {
      if (FAILED(a.Prev())) {
        KUV_TRACE_ERROR_ON(channel(), "ERROR: Unexpected error");
        return E_FAIL;
      }
      if (FAILED(next(b))) return E_FAIL;
    }
  }
  return S_OK;
}

template <IntervalListHooks H>
HRESULT IntervalListAlgebra<H>::cutIntoNewList(KuvInListVal& l1, const KuvInListVal& l2) {
  // The pieces so far, and what is left of a range past b's end: it comes
  // before a, and may still meet the next ranges of L2.
  KuvInListVal kept(l1.GetElementType());
  std::optional<Interval> pending;
  KuvInListVal::const_iterator a = l1.cBegin();
  // The list as cutting in place leaves it when a piece is refused: the
  // pieces so far, then the range being cut and those after it.
  auto keepUncut = [&]() {
    if (pending) kept.PutBack(*pending);
    for (; a.IsValid(); a.Next()) kept.PutBack(at(a));
    l1.SwapElements(kept);
  };
  KuvInListVal::const_iterator b = l2.cBegin();
  while ((pending || a.IsValid()) && b.IsValid()) {
    const Interval& x = pending ? *pending : at(a);
    const Interval& y = at(b);
    Interval left, right;
    HRESULT hasLeft = H::leftPiece(x, y, left) ? admit(left) : S_FALSE;
    HRESULT hasRight = SUCCEEDED(hasLeft) && H::rightPiece(x, y, right) ? admit(right) : S_FALSE;
    if (FAILED(hasLeft) || FAILED(hasRight)) {
      keepUncut();
      return FAILED(hasLeft) ? hasLeft : hasRight;
    }
    if (pending)
      pending.reset();
    else
      a.Next();
    if (hasLeft == S_OK && !putBack(kept, left)) return E_FAIL;
    if (hasRight == S_OK) {
      pending = right;
      if (FAILED(next(b))) return E_FAIL;
    }
  }
  keepUncut();
  return S_OK;
}

}  // namespace kuv::detail
