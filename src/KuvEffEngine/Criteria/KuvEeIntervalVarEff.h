// The part common to the date and serial effectivities: a positive part made
// of a sorted list of ranges (kept simplified, so that equal sets have equal
// lists) and a no-value flag, combined by the range-list algebra of the
// range class. Interval is KuvInDateInterval or KuvInSerialInterval; the
// concrete kinds add their constructors, accessors and text.
#pragma once

#include <algorithm>
#include <vector>

#include "KuvEeVarEff.h"
#include "KuvInListVal.h"

namespace kuv::detail {

// Self is the concrete kind, whose trace channel reports the failures.
template <class Self, class Interval>
class IntervalVarEff : public KuvEeVarEff {
public:
  // 0 makes the effectivity all-true, any other value all-false.
  enum E_SpecialCondition : std::int32_t { AllTrue = 0, AllFalse = 1 };

  bool isNegated() const override { return m_negated != 0; }
  bool getNoVar() const override { return m_noVar != 0; }
  void switchNoVar() override { m_noVar = m_noVar != 0 ? 0 : 1; }

  void set(E_SpecialCondition condition) {
    m_intervals.Clear();
    m_noVar = 0;
    m_negated = condition == AllTrue ? 1 : 0;
  }
  // The positive part becomes interval (list), without the no-value
  // element, not negated. E_FAIL, nothing changed, for a list holding
  // anything but ranges of this kind.
  HRESULT set(const Interval& interval) {
    KuvInListVal one(Interval::sType());
    one.PutBack(interval);
    return set(one);
  }
  HRESULT set(const KuvInListVal& intervals) {
    KuvInListVal copy(Interval::sType());
    if (FAILED(Interval::opAdd(copy, intervals))) return E_FAIL;
    // That one pass needs ranges sorted by their start; out of order, it
    // can leave ranges that overlap, sorted or not. Ranges that include both
    // ends unite into the same runs once sorted, in one pass; others are
    // united in pairs of unions, halving their number each round, rather
    // than each into one growing union, which took time quadratic in their
    // number. Either way ranges that meet may still stand apart until
    // simplified.
    if (!isSorted(intervals)) {
      copy.Clear();
      if (allEndsIncluded(intervals)) {
        if (FAILED(Interval::opAdd(copy, sortedByStart(intervals)))) return E_FAIL;
      } else if (FAILED(unitedInPairs(intervals, copy))) {
        return E_FAIL;
      }
    }
    if (FAILED(Interval::simplify(copy))) return E_FAIL;
    m_intervals.SwapElements(copy);
    m_noVar = 0;
    m_negated = 0;
    return S_OK;
  }
  // As set(list), but a list of one kept range (what a text usually gives)
  // is taken over instead of copied through the union.
  HRESULT set(KuvInListVal&& intervals) {
    if (!isOneKeptRange(intervals) || FAILED(m_intervals.SwapElements(intervals)))
      return set(static_cast<const KuvInListVal&>(intervals));
    intervals.Clear();
    m_noVar = 0;
    m_negated = 0;
    return S_OK;
  }
  // Fills list (emptied first) with copies of the positive part's ranges.
  HRESULT getIntervals(KuvInListVal& list) const {
    if (!list.IsTypeAccepted(Interval::sType())) return E_INVALIDARG;
    list.Clear();
    return list.PutBackList(m_intervals);
  }
  // The represented set loses the no-value element.
  void cutNoVar() { m_noVar = m_negated; }
  // The represented set gains the no-value element.
  void orNoVar() { m_noVar = m_negated != 0 ? 0 : 1; }

  void backup() override {
    m_backupIntervals = m_intervals;
    m_backupNoVar = m_noVar;
    m_backupNegated = m_negated;
  }
  void restore() override {
    m_intervals = m_backupIntervals;
    m_noVar = m_backupNoVar;
    m_negated = m_backupNegated;
  }

protected:
  IntervalVarEff(KuvEeVariable* var, E_SpecialCondition condition) : KuvEeVarEff(var) { set(condition); }
  IntervalVarEff(const IntervalVarEff& other) = default;

  bool sameContent(const IntervalVarEff& other) const {
    return m_var == other.m_var && m_noVar == other.m_noVar && m_negated == other.m_negated &&
           m_intervals == other.m_intervals;
  }
  // "[ALL_TRUE]", "[ALL_FALSE]", or "! " when negated, "[N]" with the
  // no-value element, and the ranges.
  KuvInString contentText() const {
    if (isAllTrue()) return "[ALL_TRUE]";
    if (isAllFalse()) return "[ALL_FALSE]";
    KuvInString text;
    if (isNegated()) text.Append("! ");
    if (getNoVar()) text.Append("[N]");
    for (typename KuvInListVal::const_iterator it = m_intervals.cBegin(); it.IsValid(); it.Next())
      text.Append(it.Get()->toString());
    return text;
  }

  HRESULT partAnd(const KuvEeVarEff& other) override {
    const auto& o = part(other);
    if (FAILED(Interval::opAnd(m_intervals, o.m_intervals)) || FAILED(Interval::simplify(m_intervals)))
      KUV_RETURN_ERROR_ON(Self::traceChannel(), E_FAIL, "ERROR: And failed");
    m_noVar = (m_noVar != 0 && o.m_noVar != 0) ? 1 : 0;
    return S_OK;
  }
  HRESULT partCut(const KuvEeVarEff& other) override {
    const auto& o = part(other);
    if (FAILED(Interval::opCut(m_intervals, o.m_intervals)) || FAILED(Interval::simplify(m_intervals)))
      KUV_RETURN_ERROR_ON(Self::traceChannel(), E_FAIL, "ERROR: cut failed");
    m_noVar = (m_noVar != 0 && o.m_noVar == 0) ? 1 : 0;
    return S_OK;
  }
  HRESULT partCutFrom(const KuvEeVarEff& other) override {
    const auto& o = part(other);
    KuvInListVal result(o.m_intervals);
    if (FAILED(Interval::opCut(result, m_intervals)) || FAILED(Interval::simplify(result)))
      KUV_RETURN_ERROR_ON(Self::traceChannel(), E_FAIL, "ERROR: cut failed");
    m_intervals = result;
    m_noVar = (o.m_noVar != 0 && m_noVar == 0) ? 1 : 0;
    return S_OK;
  }
  HRESULT partAdd(const KuvEeVarEff& other) override {
    const auto& o = part(other);
    if (FAILED(Interval::opAdd(m_intervals, o.m_intervals)) || FAILED(Interval::simplify(m_intervals)))
      KUV_RETURN_ERROR_ON(Self::traceChannel(), E_FAIL, "ERROR: add failed");
    m_noVar = (m_noVar != 0 || o.m_noVar != 0) ? 1 : 0;
    return S_OK;
  }
  bool isPartEmpty() const override { return m_intervals.IsEmpty() && m_noVar == 0; }
  void setNegated(bool negated) override { m_negated = negated ? 1 : 0; }
  void setNoVar(bool noVar) override { m_noVar = noVar ? 1 : 0; }

  KuvInListVal m_intervals{Interval::sType()};
  unsigned char m_noVar = 0;
  unsigned char m_negated = 0;
  KuvInListVal m_backupIntervals{Interval::sType()};
  unsigned char m_backupNoVar = 0;
  unsigned char m_backupNegated = 0;

private:
  // The union of one range into nothing keeps it as it is, unless the
  // range is flagged as not to be merged.
  static bool isOneKeptRange(const KuvInListVal& list) {
    if (list.GetLength() != 1) return false;
    const Interval* range = Interval::cast(*list.Get(0));
    if constexpr (requires { range->canSimplify(); })
      return range != nullptr && range->canSimplify();
    else
      return range != nullptr;
  }
  // Only ranges that say whether they include their ends can; date ranges
  // stay united range by range.
  static bool allEndsIncluded(const KuvInListVal& list) {
    if constexpr (requires(const Interval& range) { range.getAIncl(); }) {
      for (std::int32_t i = 0; i < list.GetLength(); ++i) {
        const auto* range = static_cast<const Interval*>(list.Get(i));
        if (!range->getAIncl() || !range->getBIncl()) return false;
      }
      return true;
    } else {
      return false;
    }
  }
  // united = the union of the ranges of list, each a sorted union of one
  // range to begin with.
  static HRESULT unitedInPairs(const KuvInListVal& list, KuvInListVal& united) {
    std::vector<KuvInListVal> unions;
    unions.reserve(static_cast<std::size_t>(list.GetLength()));
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      KuvInListVal one(Interval::sType());
      one.PutBack(list.Get(i));
      unions.emplace_back(Interval::sType());
      if (FAILED(Interval::opAdd(unions.back(), one))) return E_FAIL;
    }
    while (unions.size() > 1) {
      std::size_t kept = 0;
      for (std::size_t i = 0; i < unions.size(); i += 2) {
        if (i + 1 < unions.size() &&
            (FAILED(Interval::opAdd(unions[i], unions[i + 1])) || FAILED(Interval::simplify(unions[i]))))
          return E_FAIL;
        if (kept != i) unions[kept].SwapElements(unions[i]);
        ++kept;
      }
      unions.erase(unions.begin() + static_cast<std::ptrdiff_t>(kept), unions.end());
    }
    if (!unions.empty()) united.SwapElements(unions.front());
    return S_OK;
  }
  static KuvInListVal sortedByStart(const KuvInListVal& list) {
    std::vector<const Interval*> ranges;
    for (std::int32_t i = 0; i < list.GetLength(); ++i)
      ranges.push_back(static_cast<const Interval*>(list.Get(i)));
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const Interval* a, const Interval* b) { return a->getA() < b->getA(); });
    KuvInListVal sorted(Interval::sType());
    for (const Interval* range : ranges) sorted.PutBack(*range);
    return sorted;
  }
  static bool isSorted(const KuvInListVal& list) {
    for (std::int32_t i = 1; i < list.GetLength(); ++i)
      if (static_cast<const Interval*>(list.Get(i))->getA() < static_cast<const Interval*>(list.Get(i - 1))->getA())
        return false;
    return true;
  }
  static const IntervalVarEff& part(const KuvEeVarEff& other) {
    return static_cast<const IntervalVarEff&>(other);
  }
};

}  // namespace kuv::detail
