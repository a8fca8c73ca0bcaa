#include "KuvInTreeEvalInterval.h"

#include "KuvInInterval_Define.h"
#include "KuvInListVal.h"
#include "KuvInRangeListSort.h"

KUV_DEFINE_TYPE(KuvInTreeEvalInterval, KuvInObjectVal)

using Bound = KuvInTreeEvalIndexBound;

namespace {

// One end of a range. pick(): of two ends, the one that lies further in the
// direction `further` says (> or <); at the same position it is included as
// `merge` combines the two inclusions (or for unions, and for intersections).
struct End {
  Bound value;
  bool included;
};

template <class Further, class Merge>
End pick(const End& x, const End& y, Further further, Merge merge) {
  if (further(y.value, x.value)) return y;
  if (y.value == x.value) return {x.value, merge(x.included, y.included)};
  return x;
}

bool either(bool a, bool b) { return a || b; }
bool both(bool a, bool b) { return a && b; }
bool below(const Bound& a, const Bound& b) { return a < b; }
bool above(const Bound& a, const Bound& b) { return a > b; }

// Whether the range ending at `end` lies wholly before the range starting at
// `start`: they do not even share the meeting position unless both include it.
bool endsBefore(const Bound& end, bool endIncluded, const Bound& start, bool startIncluded) {
  return endIncluded && startIncluded ? end < start : end <= start;
}

// Tree ranges in the shared list algebra. Their ends carry inclusions and
// there is no step between positions: pieces are cut at the other range's
// end with the opposite inclusion, and empty pieces are simply dropped.
struct TreeRangeHooks {
  using Interval = KuvInTreeEvalInterval;
  static constexpr kuv::detail::EmptyPiece kEmptyPiece = kuv::detail::EmptyPiece::Dropped;

  static bool canSimplify(const Interval&) { return true; }
  static bool merge(Interval& x, const Interval& y) { return x.opAdd(y); }
  static bool intersect(Interval& x, const Interval& y, Interval*& rest) {
    // opAnd leaves no rest when both end at the same position; here the
    // position that x includes and y excludes must still meet the next
    // ranges of the other list.
    bool pointBeyond = x.getB() == y.getB() && x.getBIncl() && !y.getBIncl();
    if (!x.opAnd(y, rest)) return false;
    if (pointBeyond) rest = new Interval(y.getB(), true, y.getB(), true);
    return true;
  }
  static bool mergeFirst(const Interval& a, const Interval& b) { return a.getA() < b.getB(); }
  static bool liesAfter(const Interval& b, const Interval& a) {
    return endsBefore(a.getB(), a.getBIncl(), b.getA(), b.getAIncl());
  }
  static bool leftPiece(const Interval& a, const Interval& b, Interval& piece) {
    if (!(a.getA() < b.getA() || (a.getA() == b.getA() && a.getAIncl() && !b.getAIncl()))) return false;
    End end = pick({a.getB(), a.getBIncl()}, {b.getA(), !b.getAIncl()}, below, both);
    piece.setIntervalNoCheck(a.getA(), a.getAIncl(), end.value, end.included);
    return true;
  }
  static bool rightPiece(const Interval& a, const Interval& b, Interval& piece) {
    if (!(b.getB() < a.getB() || (b.getB() == a.getB() && a.getBIncl() && !b.getBIncl()))) return false;
    End start = pick({a.getA(), a.getAIncl()}, {b.getB(), !b.getBIncl()}, above, both);
    piece.setIntervalNoCheck(start.value, start.included, a.getB(), a.getBIncl());
    return true;
  }
  static bool isEmpty(const Interval& x) {
    return x.getA() > x.getB() || (x.getA() == x.getB() && !(x.getAIncl() && x.getBIncl()));
  }
  static void normalize(Interval&) {}
};

using Algebra = kuv::detail::IntervalListAlgebra<TreeRangeHooks>;

// A single range as the one-element list the algebra works on.
KuvInListVal listOf(const KuvInTreeEvalInterval& range) {
  KuvInListVal list(KuvInTreeEvalInterval::sType());
  list.PutBack(range);
  return list;
}

}  // namespace

KuvInTreeEvalInterval::KuvInTreeEvalInterval(const Bound& a, bool aIncluded, const Bound& b, bool bIncluded)
    : m_a(a), m_b(b), m_aIncluded(aIncluded), m_bIncluded(bIncluded) {}

KuvInTreeEvalInterval::~KuvInTreeEvalInterval() = default;

HRESULT KuvInTreeEvalInterval::setInterval(const Bound& a, bool aIncluded, const Bound& b, bool bIncluded) {
  if (a > b) return E_FAIL;
  setIntervalNoCheck(a, aIncluded, b, bIncluded);
  return S_OK;
}

void KuvInTreeEvalInterval::setIntervalNoCheck(const Bound& a, bool aIncluded, const Bound& b, bool bIncluded) {
  m_a = a;
  m_aIncluded = aIncluded;
  m_b = b;
  m_bIncluded = bIncluded;
}

bool KuvInTreeEvalInterval::isIntersect(const KuvInTreeEvalInterval& y) const {
  return !endsBefore(y.m_b, y.m_bIncluded, m_a, m_aIncluded) && !endsBefore(m_b, m_bIncluded, y.m_a, y.m_aIncluded);
}

bool KuvInTreeEvalInterval::isIncludedIn(const KuvInTreeEvalInterval& y) const {
  bool aInside = m_aIncluded && !y.m_aIncluded ? m_a > y.m_a : m_a >= y.m_a;
  bool bInside = m_bIncluded && !y.m_bIncluded ? m_b < y.m_b : m_b <= y.m_b;
  return aInside && bInside;
}

bool KuvInTreeEvalInterval::opAdd(const KuvInTreeEvalInterval& y) {
  bool meet = (m_b == y.m_a && (m_bIncluded || y.m_aIncluded)) || (y.m_b == m_a && (y.m_bIncluded || m_aIncluded));
  if (!meet && !isIntersect(y)) return false;
  End a = pick({m_a, m_aIncluded}, {y.m_a, y.m_aIncluded}, below, either);
  End b = pick({m_b, m_bIncluded}, {y.m_b, y.m_bIncluded}, above, either);
  setIntervalNoCheck(a.value, a.included, b.value, b.included);
  return true;
}

bool KuvInTreeEvalInterval::opAnd(const KuvInTreeEvalInterval& y, KuvInTreeEvalInterval*& rest) {
  rest = nullptr;
  if (!isIntersect(y)) return false;
  if (m_b > y.m_b) rest = new KuvInTreeEvalInterval(y.m_b, !y.m_bIncluded, m_b, m_bIncluded);
  End a = pick({m_a, m_aIncluded}, {y.m_a, y.m_aIncluded}, above, both);
  End b = pick({m_b, m_bIncluded}, {y.m_b, y.m_bIncluded}, below, both);
  setIntervalNoCheck(a.value, a.included, b.value, b.included);
  return true;
}

bool KuvInTreeEvalInterval::operator==(const KuvInTreeEvalInterval& o) const {
  return m_a == o.m_a && m_aIncluded == o.m_aIncluded && m_b == o.m_b && m_bIncluded == o.m_bIncluded;
}

HRESULT KuvInTreeEvalInterval::opAdd(KuvInListVal& l1, const KuvInListVal& l2) { return Algebra::opAdd(l1, l2); }
HRESULT KuvInTreeEvalInterval::opAdd(KuvInListVal& l1, const KuvInTreeEvalInterval& range) {
  return Algebra::opAdd(l1, listOf(range));
}
HRESULT KuvInTreeEvalInterval::opAnd(KuvInListVal& l1, const KuvInListVal& l2) { return Algebra::opAnd(l1, l2); }
HRESULT KuvInTreeEvalInterval::opAnd(KuvInListVal& l1, const KuvInTreeEvalInterval& range) {
  return Algebra::opAnd(l1, listOf(range));
}
HRESULT KuvInTreeEvalInterval::opCut(KuvInListVal& l1, const KuvInListVal& l2) { return Algebra::opCut(l1, l2); }
HRESULT KuvInTreeEvalInterval::opCut(KuvInListVal& l1, const KuvInTreeEvalInterval& range) {
  return Algebra::opCut(l1, listOf(range));
}
HRESULT KuvInTreeEvalInterval::simplify(KuvInListVal& list) { return Algebra::simplify(list); }

HRESULT KuvInTreeEvalInterval::sort(KuvInListVal& list) {
  return kuv::detail::sortRangeList<KuvInTreeEvalInterval>(
      list, "ERROR: Retrieved element isn't a KuvInTreeEvalInterval.",
      [](const KuvInTreeEvalInterval& x, const KuvInTreeEvalInterval& y) { return x.m_a < y.m_a; });
}

KuvInString KuvInTreeEvalInterval::toString() const {
  KuvInString text(m_aIncluded ? "[" : "]");
  return text.Append(m_a.toString(), ",", m_b.toString(), m_bIncluded ? "]" : "[");
}

std::uint32_t KuvInTreeEvalInterval::hash() const { return (m_a.hash() * 131u + m_b.hash()) & 0x7FFFFFFFu; }

bool KuvInTreeEvalInterval::equals(const KuvInObjectVal& other) const {
  const KuvInTreeEvalInterval* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInTreeEvalInterval::clone(void* where) const { return cloneOf(*this, where); }
