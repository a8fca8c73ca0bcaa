// The leaves whose positive part is a list of ranges: dates, serial
// numbers, tree series and milestones.
#include "KuvDnfDateEff.h"
#include "KuvDnfExclusiveVariables.h"
#include "KuvDnfMilestonesEff.h"
#include "KuvDnfSerialEff.h"
#include "KuvDnfTreeSeriesEff.h"
#include "KuvInDateInterval.h"
#include "KuvInMilestonesEvalInterval.h"
#include "KuvInSerialInterval.h"
#include "KuvInTraceClass.h"
#include "KuvInTreeEvalInterval.h"

KUV_DEFINE_TYPE(KuvDnfDateEff, KuvDnfVarEff)
KUV_DEFINE_TYPE(KuvDnfSerialEff, KuvDnfVarEff)
KUV_DEFINE_TYPE(KuvDnfTreeSeriesEff, KuvDnfVarEff)
KUV_DEFINE_TYPE(KuvDnfMilestonesEff, KuvDnfVarEff)

namespace {

KuvInString rangesText(const KuvInListVal& ranges) {
  KuvInString text;
  for (std::int32_t i = 0; i < ranges.GetLength(); ++i) text.Append(i == 0 ? "" : " ", ranges.Get(i)->toString());
  return text;
}

// "Name ( Var=" variable [", Type : " type] ", Values : " ("! (" or "(")
// ["NO VAR "] ranges ") )".
KuvInString rangeLeafText(const char* name, const KuvInGuid& variable, const char* type, bool noVar, bool negated,
                          const KuvInListVal& ranges) {
  KuvInString text(name);
  text.Append(" ( Var=", variable.toString());
  if (type != nullptr) text.Append(", Type : ", type);
  return text.Append(", Values : ", negated ? "! (" : "(", noVar ? "NO VAR " : "", rangesText(ranges), ") )");
}

// The range-list algebra of Interval, where an empty operand is an answer
// rather than a refusal (the milestone algebra refuses empty lists).
template <class Interval>
struct Ranges {
  static HRESULT opAnd(KuvInListVal& l1, const KuvInListVal& l2) {
    if (l1.IsEmpty() || l2.IsEmpty()) {
      l1.Clear();
      return S_OK;
    }
    HRESULT hr = Interval::opAnd(l1, l2);
    return FAILED(hr) ? hr : S_OK;
  }
  static HRESULT opCut(KuvInListVal& l1, const KuvInListVal& l2) {
    if (l1.IsEmpty() || l2.IsEmpty()) return S_OK;
    HRESULT hr = Interval::opCut(l1, l2);
    return FAILED(hr) ? hr : S_OK;
  }
  static HRESULT opAdd(KuvInListVal& l1, const KuvInListVal& l2) {
    if (l2.IsEmpty()) return S_OK;
    if (l1.IsEmpty()) return l1.PutBackList(l2);
    HRESULT hr = Interval::opAdd(l1, l2);
    return FAILED(hr) ? hr : S_OK;
  }
};

// Not both negated: the selection rule with ranges for values. Both
// positive: a common range or both admit no value; one negated: the
// positive one holds something the negated one does not.
template <class Interval>
HRESULT rangesIntersect(KuvInTraceClass& channel, const KuvInListVal& a, bool noVarA, bool negA,
                        const KuvInListVal& b, bool noVarB, bool negB, unsigned char& out) {
  if (!negA && !negB) {
    if (noVarA && noVarB) {
      out = 1;
      return S_OK;
    }
    KuvInListVal common(a);
    HRESULT hr = Ranges<Interval>::opAnd(common, b);
    if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: and failed");
    out = common.IsEmpty() ? 0 : 1;
    return S_OK;
  }
  const bool noVarPositive = negA ? noVarB : noVarA;
  const bool noVarNegated = negA ? noVarA : noVarB;
  if (noVarPositive && !noVarNegated) {
    out = 1;
    return S_OK;
  }
  KuvInListVal rest(negA ? b : a);
  HRESULT hr = Ranges<Interval>::opCut(rest, negA ? a : b);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: cut failed");
  out = rest.IsEmpty() ? 0 : 1;
  return S_OK;
}

void traceRangeDecision(KuvInTraceClass& channel, unsigned char out) {
  KUV_TRACE_DETAIL_ON(channel, out != 0 ? "~~~ Intersection because the ranges have values in common.\n"
                                        : "~~~ Not intersection because the ranges are not compatible.\n");
}

// The represented set is the positive part (ranges, no-value flag), or its
// complement when negated. And of two such sets, then Or and Cut through
// complements.
template <class Interval>
HRESULT setAnd(KuvInListVal& p1, unsigned char& v1, unsigned char& n1, const KuvInListVal& p2, bool v2, bool n2) {
  HRESULT hr = S_OK;
  if (n1 == 0 && !n2) {
    hr = Ranges<Interval>::opAnd(p1, p2);
    v1 = v1 != 0 && v2 ? 1 : 0;
  } else if (n1 == 0) {
    hr = Ranges<Interval>::opCut(p1, p2);
    v1 = v1 != 0 && !v2 ? 1 : 0;
  } else if (!n2) {
    KuvInListVal rest(p2);
    hr = Ranges<Interval>::opCut(rest, p1);
    if (SUCCEEDED(hr)) hr = p1.SwapElements(rest);
    v1 = v2 && v1 == 0 ? 1 : 0;
    n1 = 0;
  } else {
    hr = Ranges<Interval>::opAdd(p1, p2);
    v1 = v1 != 0 || v2 ? 1 : 0;
  }
  return hr;
}

enum class SetOp { And, Or, Cut };

// On copies, so that a failure leaves the leaf as it was.
template <class Interval>
HRESULT combine(KuvInTraceClass& channel, SetOp op, KuvInListVal& p1, unsigned char& v1, unsigned char& n1,
                const KuvInListVal& p2, bool v2, bool n2, unsigned char& empty) {
  KuvInListVal p(p1);
  unsigned char v = v1;
  unsigned char n = n1;
  // A or B is not (not A and not B); A cut B is A and not B.
  if (op == SetOp::Or) n = n != 0 ? 0 : 1;
  HRESULT hr = setAnd<Interval>(p, v, n, p2, v2, op == SetOp::And ? n2 : !n2);
  if (FAILED(hr)) KUV_RETURN_ERROR_ON(channel, hr, "ERROR: range operation failed");
  if (op == SetOp::Or) n = n != 0 ? 0 : 1;
  p1.SwapElements(p);
  v1 = v;
  n1 = n;
  empty = n == 0 && v == 0 && p1.IsEmpty() ? 1 : 0;
  return S_OK;
}

}  // namespace

// One set operation of a leaf class whose ranges are of class Interval.
#define KUV_DNF_DEFINE_SET_OP(Class, Interval, name, op)                                                     \
  HRESULT Class::name(const Class& other, unsigned char& empty) {                                          \
    return combine<Interval>(traceChannel(), op, m_intervals, m_noVar, m_negated, other.m_intervals,       \
                             other.m_noVar != 0, other.m_negated != 0, empty);                             \
  }
#define KUV_DNF_DEFINE_SET_OPS(Class, Interval)              \
  KUV_DNF_DEFINE_SET_OP(Class, Interval, opAnd, SetOp::And) \
  KUV_DNF_DEFINE_SET_OP(Class, Interval, opOr, SetOp::Or)   \
  KUV_DNF_DEFINE_SET_OP(Class, Interval, opCut, SetOp::Cut)

// ---------------------------------------------------------------------------

KuvDnfDateEff::KuvDnfDateEff(const KuvInGuid& variable, const KuvInListVal& intervals, bool noVar, bool negated)
    : KuvDnfVarEff(Kind::Date, variable, noVar, negated), m_intervals(intervals) {}
KuvDnfDateEff::~KuvDnfDateEff() = default;
KuvDnfLeaf* KuvDnfDateEff::clone() const { return new KuvDnfDateEff(*this); }

KuvInString KuvDnfDateEff::toString() const {
  KuvInString text(m_negated != 0 ? "!" : "");
  return text.Append("KuvDnfDateEff {", m_noVar != 0 ? " NoVar, " : "", rangesText(m_intervals), "}");
}

HRESULT KuvDnfDateEff::isIntersectSame(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  const auto& other = static_cast<const KuvDnfDateEff&>(otherLeaf);
  HRESULT hr = rangesIntersect<KuvInDateInterval>(traceChannel(), m_intervals, m_noVar != 0, m_negated != 0,
                                                  other.m_intervals, other.m_noVar != 0, other.m_negated != 0, out);
  if (SUCCEEDED(hr)) traceRangeDecision(traceChannel(), out);
  return hr;
}

// ---------------------------------------------------------------------------

KuvDnfSerialEff::KuvDnfSerialEff(const KuvInGuid& variable, const KuvInListVal& intervals, std::int32_t serialType,
                                 bool noVar, bool negated)
    : KuvDnfVarEff(Kind::Serial, variable, noVar, negated), m_intervals(intervals), m_type(serialType) {}
KuvDnfSerialEff::~KuvDnfSerialEff() = default;
KuvDnfLeaf* KuvDnfSerialEff::clone() const { return new KuvDnfSerialEff(*this); }

KuvInString KuvDnfSerialEff::toString() const {
  return rangeLeafText("KuvDnfSerialEff", m_guid, KuvInString::FromNum(m_type).ConvertToChar(), m_noVar != 0,
                       m_negated != 0, m_intervals);
}

HRESULT KuvDnfSerialEff::isIntersect(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  if (otherLeaf.getKind() != Kind::Serial || KuvDnfExclusiveVariablesGuard::current() != 0)
    return KuvDnfVarEff::isIntersect(otherLeaf, out);
  // One serial variable at a time: only the same variable, of the same
  // type or UNDEFINED on one side, can meet.
  const auto& other = static_cast<const KuvDnfSerialEff&>(otherLeaf);
  if (m_guid != other.m_guid) {
    KUV_TRACE_DETAIL("~~~ Not intersection because object IDs are different: ", m_guid.toString(), " ",
                     other.m_guid.toString());
    out = 0;
    return S_OK;
  }
  if (m_type != other.m_type && m_type != UNDEFINED && other.m_type != UNDEFINED) {
    KUV_TRACE_DETAIL("~~~ Not intersection because external types are different: ",
                     KuvInString::FromNum(m_type), " ", KuvInString::FromNum(other.m_type));
    out = 0;
    return S_OK;
  }
  if (m_negated != 0 && other.m_negated != 0) {
    KUV_TRACE_DETAIL("~~~ Intersection because the two expressions are negated.\n");
    out = 1;
    return S_OK;
  }
  return isIntersectSame(other, out);
}

HRESULT KuvDnfSerialEff::isIntersectSame(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  const auto& other = static_cast<const KuvDnfSerialEff&>(otherLeaf);
  HRESULT hr = rangesIntersect<KuvInSerialInterval>(traceChannel(), m_intervals, m_noVar != 0, m_negated != 0,
                                                    other.m_intervals, other.m_noVar != 0, other.m_negated != 0, out);
  if (SUCCEEDED(hr)) traceRangeDecision(traceChannel(), out);
  return hr;
}

// ---------------------------------------------------------------------------

KuvDnfTreeSeriesEff::KuvDnfTreeSeriesEff(const KuvInGuid& variable, const KuvInListVal& intervals,
                                         std::uint32_t treeType, bool noVar, bool negated)
    : KuvDnfVarEff(Kind::TreeSeries, variable, noVar, negated), m_intervals(intervals), m_treeType(treeType) {}
KuvDnfTreeSeriesEff::~KuvDnfTreeSeriesEff() = default;
KuvDnfLeaf* KuvDnfTreeSeriesEff::clone() const { return new KuvDnfTreeSeriesEff(*this); }

KuvInString KuvDnfTreeSeriesEff::toString() const {
  return rangeLeafText("KuvDnfTreeSeriesEff", m_guid,
                       KuvInString::FromNum(static_cast<int>(m_treeType)).ConvertToChar(), m_noVar != 0,
                       m_negated != 0, m_intervals);
}

HRESULT KuvDnfTreeSeriesEff::isIntersectSame(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  const auto& other = static_cast<const KuvDnfTreeSeriesEff&>(otherLeaf);
  HRESULT hr = rangesIntersect<KuvInTreeEvalInterval>(traceChannel(), m_intervals, m_noVar != 0, m_negated != 0,
                                                      other.m_intervals, other.m_noVar != 0, other.m_negated != 0,
                                                      out);
  if (SUCCEEDED(hr)) traceRangeDecision(traceChannel(), out);
  return hr;
}

KUV_DNF_DEFINE_SET_OPS(KuvDnfTreeSeriesEff, KuvInTreeEvalInterval)

// ---------------------------------------------------------------------------

KuvDnfMilestonesEff::KuvDnfMilestonesEff(const KuvInGuid& variable, const KuvInListVal& intervals, bool noVar,
                                         bool negated)
    : KuvDnfVarEff(Kind::Milestones, variable, noVar, negated), m_intervals(intervals) {}
KuvDnfMilestonesEff::~KuvDnfMilestonesEff() = default;
KuvDnfLeaf* KuvDnfMilestonesEff::clone() const { return new KuvDnfMilestonesEff(*this); }

KuvInString KuvDnfMilestonesEff::toString() const {
  return rangeLeafText("KuvDnfMilestonesEff", m_guid, nullptr, m_noVar != 0, m_negated != 0, m_intervals);
}

// Range against range, as the milestone tracks are compared: both positive,
// some ranges meet; one negated, some range of the positive one lies within
// no single range of the negated one.
HRESULT KuvDnfMilestonesEff::isIntersectSame(const KuvDnfVarEff& otherLeaf, unsigned char& out) const {
  const auto& other = static_cast<const KuvDnfMilestonesEff&>(otherLeaf);
  const KuvInListVal& positive = m_negated == 0 ? m_intervals : other.m_intervals;
  const KuvInListVal& negated = m_negated == 0 ? other.m_intervals : m_intervals;
  const bool bothPositive = m_negated == 0 && other.m_negated == 0;
  out = 0;
  for (std::int32_t i = 0; i < positive.GetLength() && out == 0; ++i) {
    const auto* range = KuvInMilestonesEvalInterval::cast(*positive.Get(i));
    if (range == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved element isn't a KuvInMilestonesEvalInterval");
    bool covered = false;
    for (std::int32_t j = 0; j < negated.GetLength() && !covered && out == 0; ++j) {
      const auto* cover = KuvInMilestonesEvalInterval::cast(*negated.Get(j));
      if (cover == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved element isn't a KuvInMilestonesEvalInterval");
      if (bothPositive && range->isIntersect(*cover)) out = 1;
      if (!bothPositive && cover->isIncluding(*range)) covered = true;
    }
    if (!bothPositive && !covered) out = 1;
  }
  traceRangeDecision(traceChannel(), out);
  return S_OK;
}

KUV_DNF_DEFINE_SET_OPS(KuvDnfMilestonesEff, KuvInMilestonesEvalInterval)
