// What the closed ranges of dates (KuvInDateInterval) and of series numbers
// (KuvInSeriesInterval) share: a range [A, B] that holds every point from A
// to B, points stepping by one unit (Util::getNext / getPrev: one second,
// one number), the single-range operations and the texts.
//
// The can-simplify flag is set by every constructor and by updateSimplify();
// the range-list algebra refuses a range whose flag is false, and the
// single-range operations treat such a range as meeting nothing.
#pragma once

#include "KuvInObjectVal.h"
#include "KuvInStringChar.h"

// The answer of getIntersect / getUnion.
enum E_Intersect : int { INTERSECT = 0, NO_INTERSECT = 1 };

namespace kuv::detail {

// Self: the range class; Point: its point type (ordered by <); Util: the
// static getNext, getPrev, isIntervalValid and toStringChar of the points.
template <class Self, class Point, class Util>
class ClosedInterval : public KuvInObjectVal {
public:
  const Point& getA() const { return m_a; }
  const Point& getB() const { return m_b; }
  // E_FAIL, nothing changed, unless Util::isIntervalValid(a, b).
  HRESULT setInterval(const Point& a, const Point& b) {
    if (!Util::isIntervalValid(a, b)) return E_FAIL;
    setIntervalNoCheck(a, b);
    updateSimplify();
    return S_OK;
  }
  // For ranges known to be valid (read back from storage, computed pieces).
  void setIntervalNoCheck(const Point& a, const Point& b) {
    m_a = a;
    m_b = b;
  }
  bool canSimplify() const { return m_canSimplify != 0; }
  void updateSimplify() { m_canSimplify = 1; }

  bool isIntersect(const Self& y) const {
    return canSimplify() && y.canSimplify() && !(y.getB() < m_a) && !(m_b < y.getA());
  }
  bool isIncludedIn(const Self& y) const { return m_a >= y.getA() && m_b <= y.getB(); }
  // Merges y in when they overlap or touch (one ends a step before the other
  // starts); false and no change otherwise.
  bool opAdd(const Self& y) {
    if (!canSimplify() || !y.canSimplify() || Util::getNext(y.getB()) < m_a || Util::getNext(m_b) < y.getA())
      return false;
    if (y.getA() < m_a) m_a = y.getA();
    if (m_b < y.getB()) m_b = y.getB();
    return true;
  }
  // Becomes the intersection with y; when this range reaches beyond y's end,
  // rest receives a new range (the caller's) with that part. False and no
  // change when they do not intersect.
  bool opAnd(const Self& y, Self*& rest) {
    if (!isIntersect(y)) return false;
    if (y.getB() < m_b) {
      rest = new Self();
      rest->setIntervalNoCheck(Util::getNext(y.getB()), m_b);
    }
    if (m_a < y.getA()) m_a = y.getA();
    if (y.getB() < m_b) m_b = y.getB();
    return true;
  }
  // result becomes this range, then its intersection (or union) with y.
  E_Intersect getIntersect(const Self& y, Self& result) const {
    result = self();
    Self* rest = nullptr;
    const bool met = result.opAnd(y, rest);
    delete rest;
    return met ? INTERSECT : NO_INTERSECT;
  }
  E_Intersect getUnion(const Self& y, Self& result) const {
    result = self();
    return result.opAdd(y) ? INTERSECT : NO_INTERSECT;
  }

  // Both ends and the flag.
  bool operator==(const Self& y) const {
    return canSimplify() == y.canSimplify() && m_a == y.getA() && m_b == y.getB();
  }
  bool operator!=(const Self& y) const { return !(*this == y); }

  // "[" A ", " B "]" and "[" A "," B "]", points through Util::toStringChar.
  KuvInString toString() const override {
    KuvInString text("[");
    return text.Append(Util::toStringChar(m_a).toString(), ", ", Util::toStringChar(m_b).toString(), "]");
  }
  virtual KuvInStringChar toStringChar() const {
    KuvInStringChar text("[");
    return text.Append(Util::toStringChar(m_a), ",", Util::toStringChar(m_b), "]");
  }
  bool equals(const KuvInObjectVal& other) const override {
    const Self* o = Self::cast(other);
    return o != nullptr && *this == *o;
  }
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(self(), where); }

protected:
  ClosedInterval(const Point& a, const Point& b) : m_a(a), m_b(b) {}
  ClosedInterval(const ClosedInterval& other) = default;
  ClosedInterval& operator=(const ClosedInterval& other) = default;
  ~ClosedInterval() override = default;

private:
  const Self& self() const { return static_cast<const Self&>(*this); }

  unsigned char m_canSimplify = 1;
  Point m_a;
  Point m_b;
};

}  // namespace kuv::detail
