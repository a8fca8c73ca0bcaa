#include "KuvInSerialInterval.h"

#include "KuvInInterval_Define.h"
#include "KuvInSerialUtil.h"

KUV_DEFINE_TYPE(KuvInSerialInterval, KuvInObjectVal)

namespace {

using Serial = KuvInSerialUtil;

// The first and last numbers a range holds.
std::int32_t lowest(const KuvInSerialInterval& x) {
  return x.getAIncl() ? x.getA() : Serial::getNext(x.getA());
}
std::int32_t highest(const KuvInSerialInterval& x) {
  return x.getBIncl() ? x.getB() : Serial::getPrev(x.getB());
}

// Ends are equal when they hold the same first (last) number: ]4 is [5.
bool sameStart(std::int32_t a, bool aIncl, std::int32_t other, bool otherIncl) {
  if (aIncl == otherIncl) return a == other;
  return aIncl ? a == Serial::getNext(other) : a == Serial::getPrev(other);
}

bool sameEnd(std::int32_t b, bool bIncl, std::int32_t other, bool otherIncl) {
  if (bIncl == otherIncl) return b == other;
  return bIncl ? b == Serial::getPrev(other) : b == Serial::getNext(other);
}

// The list algebra on the numbers the ranges hold, so that an excluded end
// and the included one next to it behave the same.
struct SerialHooks {
  using Interval = KuvInSerialInterval;
  static constexpr kuv::detail::EmptyPiece kEmptyPiece = kuv::detail::EmptyPiece::Dropped;

  static bool canSimplify(const Interval&) { return true; }
  static bool merge(Interval& x, const Interval& y) { return x.opAdd(y); }
  static bool intersect(Interval& x, const Interval& y, Interval*& rest) { return x.opAnd(y, rest); }
  static bool mergeFirst(const Interval& a, const Interval& b) {
    return lowest(a) < Serial::getPrev(highest(b));
  }
  static bool liesAfter(const Interval& b, const Interval& a) { return lowest(b) > highest(a); }
  static bool leftPiece(const Interval& a, const Interval& b, Interval& piece) {
    if (!(lowest(a) < lowest(b))) return false;
    // Up to b's start, turned around, unless a ends before it.
    const std::int32_t beforeB = b.getAIncl() ? Serial::getPrev(b.getA()) : b.getA();
    if (highest(a) <= beforeB)
      piece.setIntervalNoCheck(a.getA(), a.getAIncl(), a.getB(), a.getBIncl());
    else
      piece.setIntervalNoCheck(a.getA(), a.getAIncl(), b.getA(), !b.getAIncl());
    return true;
  }
  static bool rightPiece(const Interval& a, const Interval& b, Interval& piece) {
    if (!(highest(b) < highest(a))) return false;
    // From b's end, turned around, unless a starts after it.
    const std::int32_t afterB = b.getBIncl() ? Serial::getNext(b.getB()) : b.getB();
    if (lowest(a) >= afterB)
      piece.setIntervalNoCheck(a.getA(), a.getAIncl(), a.getB(), a.getBIncl());
    else
      piece.setIntervalNoCheck(b.getB(), !b.getBIncl(), a.getB(), a.getBIncl());
    return true;
  }
  static bool isEmpty(const Interval& x) { return highest(x) < lowest(x); }
  static void normalize(Interval& x) { x.becomeIfSingleElementInterval(); }
};

using Algebra = kuv::detail::IntervalListAlgebra<SerialHooks>;

}  // namespace

KuvInSerialInterval::KuvInSerialInterval() : m_a(Serial::sc_infNeg), m_b(Serial::sc_infPos) {}

KuvInSerialInterval::~KuvInSerialInterval() = default;

HRESULT KuvInSerialInterval::setInterval(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl) {
  if (!isIntervalValid(a, aIncl, b, bIncl)) return E_FAIL;
  setIntervalNoCheck(a, aIncl, b, bIncl);
  return S_OK;
}

void KuvInSerialInterval::setIntervalNoCheck(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl) {
  m_a = a;
  m_aIncl = aIncl ? 1 : 0;
  m_b = b;
  m_bIncl = bIncl ? 1 : 0;
}

bool KuvInSerialInterval::isIntervalValid(std::int32_t a, bool aIncl, std::int32_t b, bool bIncl) {
  if (b < a) return false;
  if (a < Serial::sc_min && a != Serial::sc_infNeg) return false;
  if (b > Serial::sc_max && b != Serial::sc_infPos) return false;
  if (a == b && !(aIncl && bIncl)) return false;
  return !(a == Serial::getPrev(b) && !aIncl && !bIncl);
}

bool KuvInSerialInterval::isValueValid(std::int32_t value) { return Serial::isValueValid(value); }
std::int32_t KuvInSerialInterval::getNext(std::int32_t value) { return Serial::getNext(value); }
std::int32_t KuvInSerialInterval::getPrev(std::int32_t value) { return Serial::getPrev(value); }

void KuvInSerialInterval::becomeIfSingleElementInterval() {
  if (m_aIncl == m_bIncl || m_b != getNext(m_a)) return;
  if (m_aIncl)
    m_b = m_a;
  else
    m_a = m_b;
  m_aIncl = m_bIncl = 1;
}

bool KuvInSerialInterval::isIntersect(const KuvInSerialInterval& y) const {
  const bool yEndsBefore = m_aIncl && y.m_bIncl ? y.m_b < m_a : y.m_b <= m_a;
  const bool xEndsBefore = m_bIncl && y.m_aIncl ? m_b < y.m_a : m_b <= y.m_a;
  return !yEndsBefore && !xEndsBefore;
}

bool KuvInSerialInterval::isIncludedIn(const KuvInSerialInterval& y) const {
  const bool startInside = m_aIncl && !y.m_aIncl ? m_a > y.m_a : m_a >= y.m_a;
  const bool endInside = m_bIncl && !y.m_bIncl ? m_b < y.m_b : m_b <= y.m_b;
  return startInside && endInside;
}

bool KuvInSerialInterval::opAdd(const KuvInSerialInterval& y) {
  const bool touch = (m_b == y.m_a && (m_bIncl || y.m_aIncl)) || (y.m_b == m_a && (y.m_bIncl || m_aIncl));
  const bool adjacent =
      (m_bIncl && y.m_aIncl && y.m_a == getNext(m_b)) || (y.m_bIncl && m_aIncl && m_a == getNext(y.m_b));
  if (!touch && !adjacent && !isIntersect(y)) return false;
  if (y.m_a < m_a) {
    m_a = y.m_a;
    m_aIncl = y.m_aIncl;
  } else if (y.m_a == m_a) {
    m_aIncl = m_aIncl | y.m_aIncl;
  }
  if (y.m_b > m_b) {
    m_b = y.m_b;
    m_bIncl = y.m_bIncl;
  } else if (y.m_b == m_b) {
    m_bIncl = m_bIncl | y.m_bIncl;
  }
  return true;
}

bool KuvInSerialInterval::opAnd(const KuvInSerialInterval& y, KuvInSerialInterval*& rest) {
  if (!isIntersect(y)) return false;
  // Compared on the last numbers held, so that a rest is never empty.
  if (highest(*this) > highest(y)) {
    rest = new KuvInSerialInterval();
    rest->setIntervalNoCheck(y.m_b, !y.m_bIncl, m_b, m_bIncl);
  }
  if (y.m_a > m_a) {
    m_a = y.m_a;
    m_aIncl = y.m_aIncl;
  } else if (y.m_a == m_a) {
    m_aIncl = m_aIncl & y.m_aIncl;
  }
  if (y.m_b < m_b) {
    m_b = y.m_b;
    m_bIncl = y.m_bIncl;
  } else if (y.m_b == m_b) {
    m_bIncl = m_bIncl & y.m_bIncl;
  }
  return true;
}

bool KuvInSerialInterval::operator==(const KuvInSerialInterval& y) const {
  return sameStart(m_a, m_aIncl, y.m_a, y.m_aIncl) && sameEnd(m_b, m_bIncl, y.m_b, y.m_bIncl);
}

KuvInString KuvInSerialInterval::toString() const {
  KuvInString text(m_aIncl ? "[" : "]");
  return text.Append(KuvInString::FromNum(m_a, "%d"), ",", KuvInString::FromNum(m_b, "%d"),
                     m_bIncl ? "]" : "[");
}

bool KuvInSerialInterval::equals(const KuvInObjectVal& other) const {
  const KuvInSerialInterval* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvInSerialInterval::clone(void* where) const { return cloneOf(*this, where); }

HRESULT KuvInSerialInterval::opAdd(KuvInListVal& l1, const KuvInListVal& l2) {
  return Algebra::opAdd(l1, l2);
}
HRESULT KuvInSerialInterval::opAnd(KuvInListVal& l1, const KuvInListVal& l2) {
  return Algebra::opAnd(l1, l2);
}
HRESULT KuvInSerialInterval::opCut(KuvInListVal& l1, const KuvInListVal& l2) {
  return Algebra::opCut(l1, l2);
}
HRESULT KuvInSerialInterval::simplify(KuvInListVal& list) { return Algebra::simplify(list); }
HRESULT KuvInSerialInterval::sort(KuvInListVal&) { return E_NOTIMPL; }
