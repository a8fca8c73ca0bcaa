// The range-list algebra against a brute-force model: random sorted,
// simplified lists over a small universe, and the set operations computed
// point by point.
#include <gtest/gtest.h>

#include <bitset>
#include <random>
#include <vector>

#include "KuvInDateInterval.h"
#include "KuvInListVal.h"
#include "KuvInSerialInterval.h"
#include "KuvInSeriesInterval.h"

namespace {

constexpr int kUniverse = 31;  // points 0..30
using Points = std::bitset<kUniverse>;

// Maximal runs of a point set, as [first, last] pairs in order.
std::vector<std::pair<int, int>> runsOf(const Points& points) {
  std::vector<std::pair<int, int>> runs;
  for (int p = 0; p < kUniverse; ++p) {
    if (!points[p]) continue;
    int q = p;
    while (q + 1 < kUniverse && points[q + 1]) ++q;
    runs.emplace_back(p, q);
    p = q;
  }
  return runs;
}

Points randomPoints(std::mt19937& rng) {
  // Varying density gives empty, sparse, dense and full lists.
  std::uniform_int_distribution<int> density(0, 10);
  std::bernoulli_distribution in(density(rng) / 10.0);
  Points points;
  for (int p = 0; p < kUniverse; ++p) points[p] = in(rng);
  return points;
}

struct SeriesModel {
  using Interval = KuvInSeriesInterval;
  static Interval make(int first, int last, std::mt19937&) {
    Interval x;
    EXPECT_EQ(x.setInterval(first, last), S_OK);
    return x;
  }
  static int first(const Interval& x) { return x.getA(); }
  static int last(const Interval& x) { return x.getB(); }
};

// Each end written either way at random: [3 or ]2, 7] or 8[.
struct SerialModel {
  using Interval = KuvInSerialInterval;
  static Interval make(int first, int last, std::mt19937& rng) {
    std::bernoulli_distribution coin;
    const bool aIncl = coin(rng), bIncl = coin(rng);
    Interval x;
    EXPECT_EQ(x.setInterval(aIncl ? first : first - 1, aIncl, bIncl ? last : last + 1, bIncl), S_OK);
    return x;
  }
  static int first(const Interval& x) { return x.getAIncl() ? x.getA() : x.getA() + 1; }
  static int last(const Interval& x) { return x.getBIncl() ? x.getB() : x.getB() - 1; }
};

// Point p is the second p after 2000-12-31 23:59:50, so the window crosses a
// minute, an hour, a day, a month and a year.
struct DateModel {
  using Interval = KuvInDateInterval;
  static KuvInDate at(int p) {
    KuvInDate d(2000, 12, 31, 24, 60, 51);
    for (int k = 0; k < p; ++k) d.nextSecond();
    return d;
  }
  static int pointOf(const KuvInDate& d) {
    for (int p = 0; p < kUniverse; ++p)
      if (at(p) == d) return p;
    ADD_FAILURE() << "date outside the window: " << d.toString().ConvertToChar();
    return -1;
  }
  static Interval make(int first, int last, std::mt19937&) {
    Interval x;
    EXPECT_EQ(x.setInterval(at(first), at(last)), S_OK);
    return x;
  }
  static int first(const Interval& x) { return pointOf(x.getA()); }
  static int last(const Interval& x) { return pointOf(x.getB()); }
};

template <class M>
KuvInListVal listOf(const Points& points, std::mt19937& rng) {
  KuvInListVal list(M::Interval::sType());
  for (auto [first, last] : runsOf(points)) list.PutBack(M::make(first, last, rng));
  return list;
}

enum class Shape { Simplified, Disjoint };

// The points of the list, after checking that it is sorted and, as asked,
// made of separated ranges or of ranges that merely do not overlap.
template <class M>
Points pointsOf(const KuvInListVal& list, Shape shape) {
  Points points;
  int previousLast = -2;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) {
    const auto* x = M::Interval::cast(*list.Get(i));
    if (x == nullptr) {
      ADD_FAILURE() << "not a range at " << i;
      continue;
    }
    const int first = M::first(*x), last = M::last(*x);
    EXPECT_LE(first, last) << "empty range " << x->toString().ConvertToChar();
    const int gap = shape == Shape::Simplified ? 1 : 0;
    EXPECT_GT(first, previousLast + gap) << "unsorted or touching at " << list.toString().ConvertToChar();
    for (int p = first; p <= last; ++p) points[p] = true;
    previousLast = last;
  }
  return points;
}

template <class M>
void checkAlgebraAgainstModel(unsigned seed) {
  std::mt19937 rng(seed);
  for (int round = 0; round < 300; ++round) {
    const Points p1 = randomPoints(rng), p2 = randomPoints(rng);
    const KuvInListVal l2 = listOf<M>(p2, rng);
    SCOPED_TRACE(testing::Message() << "round " << round << ": "
                                    << listOf<M>(p1, rng).toString().ConvertToChar() << " with "
                                    << l2.toString().ConvertToChar());

    // The union's cursor may insert a one-point range of L2 just ahead of
    // the L1 range it touches, after a neighbour that has grown to touch
    // that range too: the single simplify pass then leaves two touching
    // ranges. The result is sorted, so one more simplify joins them.
    KuvInListVal sum = listOf<M>(p1, rng);
    ASSERT_EQ(M::Interval::opAdd(sum, l2), S_OK);
    EXPECT_EQ(pointsOf<M>(sum, Shape::Disjoint), p1 | p2);
    ASSERT_EQ(M::Interval::simplify(sum), S_OK);
    EXPECT_EQ(pointsOf<M>(sum, Shape::Simplified), p1 | p2);

    KuvInListVal product = listOf<M>(p1, rng);
    ASSERT_EQ(M::Interval::opAnd(product, l2), S_OK);
    EXPECT_EQ(pointsOf<M>(product, Shape::Simplified), p1 & p2);

    KuvInListVal difference = listOf<M>(p1, rng);
    ASSERT_EQ(M::Interval::opCut(difference, l2), S_OK);
    EXPECT_EQ(pointsOf<M>(difference, Shape::Simplified), p1 & ~p2);
  }
}

TEST(KuvInIntervalList, SeriesOperationsAreSetOperations) { checkAlgebraAgainstModel<SeriesModel>(1); }
TEST(KuvInIntervalList, SerialOperationsAreSetOperationsWhateverTheEndsInclusion) {
  checkAlgebraAgainstModel<SerialModel>(2);
}
TEST(KuvInIntervalList, DateOperationsAreSetOperationsAcrossTheNewYear) {
  checkAlgebraAgainstModel<DateModel>(3);
}

}  // namespace
