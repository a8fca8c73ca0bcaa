// The range-list algebra the four range kinds share, pinned once for all of
// them: the operations against point sets over a small universe, the laws of
// a list operated with itself, the sort, and the refusal of foreign elements.
// Each kind's own file keeps only its quirks.
#include "support/KuvTestSupport.h"

namespace {

constexpr int kUniverse = 31;  // points 0..30
using Points = std::bitset<kUniverse>;

// A kind writes a run of points [first, last] as a range (either way where
// its ends may be excluded) and tells the points a range holds. Unions come
// simplified where kUnionSimplified; intersections and differences where
// kPiecesSimplified, else merely disjoint. Only kSorts kinds sort, stably by
// their start.
struct Series {
  using Interval = KuvInSeriesInterval;
  static constexpr bool kUnionSimplified = false, kPiecesSimplified = true, kSorts = false;
  static Interval make(int first, int last, std::mt19937&) {
    Interval x;
    EXPECT_EQ(x.setInterval(first, last), S_OK);
    return x;
  }
  static Points points(const Interval& x) { return run(x.getA(), x.getB()); }
  static Points run(int first, int last) {
    Points p;
    for (int t = std::max(first, 0); t <= std::min(last, kUniverse - 1); ++t) p[t] = true;
    return p;
  }
};

// [3 or ]2, 7] or 8[.
struct Serial {
  using Interval = KuvInSerialInterval;
  static constexpr bool kUnionSimplified = false, kPiecesSimplified = true, kSorts = false;
  static Interval make(int first, int last, std::mt19937& rng) {
    std::bernoulli_distribution coin;
    const bool aIncl = coin(rng), bIncl = coin(rng);
    Interval x;
    EXPECT_EQ(x.setInterval(aIncl ? first : first - 1, aIncl, bIncl ? last : last + 1, bIncl), S_OK);
    return x;
  }
  static Points points(const Interval& x) {
    return Series::run(x.getAIncl() ? x.getA() : x.getA() + 1, x.getBIncl() ? x.getB() : x.getB() - 1);
  }
};

// Point p is the second p after 2000-12-31 23:59:50, so the window crosses a
// minute, an hour, a day, a month and a year.
struct Date {
  using Interval = KuvInDateInterval;
  static constexpr bool kUnionSimplified = false, kPiecesSimplified = true, kSorts = false;
  static const KuvInDate& at(int p) {
    static const std::vector<KuvInDate> seconds = [] {
      std::vector<KuvInDate> all(1, KuvInDate(2000, 12, 31, 24, 60, 51));
      while (all.size() < kUniverse) all.push_back(all.back()), all.back().nextSecond();
      return all;
    }();
    return seconds[p];
  }
  static Interval make(int first, int last, std::mt19937&) {
    Interval x;
    EXPECT_EQ(x.setInterval(at(first), at(last)), S_OK);
    return x;
  }
  static Points points(const Interval& x) {
    Points p;
    for (int t = 0; t < kUniverse; ++t) p[t] = x.getA() <= at(t) && at(t) <= x.getB();
    return p;
  }
};

// Continuous positions: point t stands for t / 2, so odd points lie between
// the one-level bounds and an excluded end leaves out its even point.
struct TreeEval {
  using Interval = KuvInTreeEvalInterval;
  static constexpr bool kUnionSimplified = true, kPiecesSimplified = false, kSorts = true;
  static Interval make(int first, int last, std::mt19937&) {
    return Interval(KuvInTreeEvalIndexBound(static_cast<std::uint32_t>(first / 2)), first % 2 == 0,
                    KuvInTreeEvalIndexBound(static_cast<std::uint32_t>((last + 1) / 2)), last % 2 == 0);
  }
  static Points points(const Interval& x) { return points(x.getA(), x.getAIncl(), x.getB(), x.getBIncl()); }
  static Points points(const KuvInTreeEvalIndexBound& lower, bool lowerIncluded,
                       const KuvInTreeEvalIndexBound& upper, bool upperIncluded) {
    std::uint32_t a = 0, b = 0;
    EXPECT_EQ(lower.getValue(0, a), S_OK);
    EXPECT_EQ(upper.getValue(0, b), S_OK);
    Points p;
    for (std::uint32_t t = 0; t < kUniverse; ++t)
      p[t] = (t > 2 * a || (t == 2 * a && lowerIncluded)) && (t < 2 * b || (t == 2 * b && upperIncluded));
    return p;
  }
};

// Milestone ranges hold tree positions too, but have their own algebra (see
// MilestoneAlgebra below).
struct Milestone {
  using Interval = KuvInMilestonesEvalInterval;
  using Value = KuvInMilestonesEvalIntervalValue;
  // Where last is first - 1 the range is empty: [k-k[ or ]k-k].
  static Interval make(int first, int last, std::mt19937& rng) {
    const KuvInTreeEvalInterval x = TreeEval::make(first, last, rng);
    return Interval(Value(x.getA()), x.getAIncl(), Value(x.getB()), x.getBIncl());
  }
  static Points points(const Interval& x) {
    return TreeEval::points(x.getInfBound().getBound(), x.isInfBoundIncluded(), x.getSupBound().getBound(),
                            x.isSupBoundIncluded());
  }
};

template <class K>
class RangeKinds : public testing::Test {
protected:
  using Interval = typename K::Interval;

  Points randomPoints() {
    // Varying density gives empty, sparse, dense and full lists.
    std::bernoulli_distribution in(std::uniform_int_distribution<int>(0, 10)(m_rng) / 10.0);
    Points points;
    for (int t = 0; t < kUniverse; ++t) points[t] = in(m_rng);
    return points;
  }
  // The maximal runs of points, in order; overlapping: each run of three
  // points or more written as two ranges that share a point.
  KuvInListVal listOf(const Points& points, bool overlapping = false) {
    KuvInListVal list(Interval::sType());
    for (int p = 0; p < kUniverse; ++p) {
      if (!points[p]) continue;
      int q = p;
      while (q + 1 < kUniverse && points[q + 1]) ++q;
      if (overlapping && q - p >= 2) {
        list.PutBack(K::make(p, p + 1, m_rng));
        list.PutBack(K::make(p + 1, q, m_rng));
      } else {
        list.PutBack(K::make(p, q, m_rng));
      }
      p = q;
    }
    return list;
  }
  // The points of a list after checking that it is sorted and, when
  // simplified, made of ranges apart by a point at least.
  static Points pointsOf(const KuvInListVal& list, bool simplified) {
    Points all;
    int previousLast = -2;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const Interval* x = Interval::cast(*list.Get(i));
      if (x == nullptr) {
        ADD_FAILURE() << "not a range at " << i;
        continue;
      }
      const Points p = K::points(*x);
      int first = 0, last = kUniverse - 1;
      while (first < kUniverse && !p[first]) ++first;
      while (last >= 0 && !p[last]) --last;
      EXPECT_LE(first, last) << "empty range " << kuv_test::text(*x);
      EXPECT_GT(first, previousLast + (simplified ? 1 : 0))
          << "unsorted or touching: " << kuv_test::text(list);
      all |= p;
      previousLast = last;
    }
    return all;
  }

  std::mt19937 m_rng{20240611};
};

using Kinds = testing::Types<Series, Serial, Date, TreeEval>;
TYPED_TEST_SUITE(RangeKinds, Kinds);

TYPED_TEST(RangeKinds, OperationsAreSetOperationsAndAListWithItselfObeysTheLaws) {
  using I = typename TypeParam::Interval;
  for (int round = 0; round < 300; ++round) {
    const Points p1 = this->randomPoints(), p2 = this->randomPoints();
    const KuvInListVal l1 = this->listOf(p1), l2 = this->listOf(p2);
    SCOPED_TRACE(testing::Message() << "round " << round << ": " << kuv_test::text(l1) << " with "
                                    << kuv_test::text(l2));
    // A union's cursor may insert a one-point range of L2 just ahead of the
    // L1 range it touches, after a neighbour that has grown to touch that
    // range too: one more simplify then joins them.
    KuvInListVal sum = l1;
    ASSERT_EQ(I::opAdd(sum, this->listOf(p2, round % 2 == 1)), S_OK);
    EXPECT_EQ(this->pointsOf(sum, TypeParam::kUnionSimplified), p1 | p2);
    ASSERT_EQ(I::simplify(sum), S_OK);
    EXPECT_EQ(this->pointsOf(sum, true), p1 | p2);

    KuvInListVal product = l1;
    ASSERT_EQ(I::opAnd(product, l2), S_OK);
    EXPECT_EQ(this->pointsOf(product, TypeParam::kPiecesSimplified), p1 & p2);
    KuvInListVal difference = l1;
    ASSERT_EQ(I::opCut(difference, l2), S_OK);
    EXPECT_EQ(this->pointsOf(difference, TypeParam::kPiecesSimplified), p1 & ~p2);

    KuvInListVal self = l1;
    ASSERT_EQ(I::opAdd(self, self), S_OK);
    EXPECT_TRUE(self == l1);
    ASSERT_EQ(I::opAnd(self, self), S_OK);
    EXPECT_EQ(this->pointsOf(self, true), p1);
    ASSERT_EQ(I::opCut(self, self), S_OK);
    EXPECT_TRUE(self.IsEmpty());
  }
}

TYPED_TEST(RangeKinds, SortIsStableByTheStartOrNotOffered) {
  using I = typename TypeParam::Interval;
  for (int round = 0; round < 100; ++round) {
    KuvInListVal list(I::sType());
    // The start bound (point / 2) and the text: [1 and ]1 tie.
    std::vector<std::pair<int, std::string>> model;
    for (int n = std::uniform_int_distribution<int>(0, 6)(this->m_rng); n > 0; --n) {
      std::uniform_int_distribution<int> point(0, kUniverse - 1);
      int a = point(this->m_rng), b = point(this->m_rng);
      if (a > b) std::swap(a, b);
      list.PutBack(TypeParam::make(a, b, this->m_rng));
      model.emplace_back(a / 2, kuv_test::text(*list.Get(list.GetLength() - 1)));
    }
    const KuvInListVal before = list;
    if (!TypeParam::kSorts) {
      EXPECT_EQ(I::sort(list), E_NOTIMPL);
      EXPECT_TRUE(list == before);
      continue;
    }
    ASSERT_EQ(I::sort(list), S_OK);
    std::stable_sort(model.begin(), model.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> expected;
    for (const auto& m : model) expected.push_back(m.second);
    EXPECT_EQ(kuv_test::textsOf(list), expected);
  }
}

// Refusals leave the first list as it was and say why on the range class's
// channel.
TYPED_TEST(RangeKinds, ForeignElementsAreRefusedWithoutChange) {
  using I = typename TypeParam::Interval;
  using Op = HRESULT (*)(KuvInListVal&, const KuvInListVal&);
  KuvInListVal holders, typedForHolders(KuvInIntHolder::sType());
  holders.PutBack(KuvInIntHolder(1));
  holders.PutBack(KuvInIntHolder(2));
  using Other =
      std::conditional_t<std::is_same_v<I, KuvInDateInterval>, KuvInSeriesInterval, KuvInDateInterval>;
  KuvInListVal otherKind(Other::sType());
  otherKind.PutBack(Other());
  const KuvInListVal plain = this->listOf(Series::run(1, 5) | Series::run(7, 9));
  const struct { Op op; const KuvInListVal& l1; const KuvInListVal& l2; const char* message; } cases[] = {
      {&I::opAdd, plain, holders, "ERROR: Incorrect type\n"},
      {&I::opAnd, holders, plain, "ERROR: Incorrect type\n"},
      {&I::opCut, plain, otherKind, "ERROR: Incorrect type\n"},
      {&I::opAdd, typedForHolders, plain, "ERROR: Incorrect type\n"},
      {[](KuvInListVal& l1, const KuvInListVal&) { return I::simplify(l1); }, holders, plain,
       "ERROR: NULL pointer\n"},
  };
  for (const auto& c : cases) {
    KuvInListVal l1 = c.l1;
    EXPECT_TRACES(E_FAIL, std::string(I::traceChannel().getLabel()) + "        " + c.message, c.op(l1, c.l2));
    EXPECT_TRUE(l1 == c.l1) << c.message;
  }
}

// From a simplified list, milestone results come simplified but unsorted, so
// their points are read after a sort. Empty lists are refused (see
// KuvInMilestonesEvalIntervalTest), an empty result is told by S_FALSE, and
// each operation also takes one range, possibly empty.
using MilestoneAlgebra = RangeKinds<Milestone>;

TEST_F(MilestoneAlgebra, OperationsAreSetOperations) {
  using I = KuvInMilestonesEvalInterval;
  auto code = [](const Points& p) { return p.none() ? S_FALSE : S_OK; };
  auto sortedPoints = [](const KuvInListVal& list) {
    KuvInListVal sorted = list;
    EXPECT_EQ(I::sort(sorted), S_OK);
    return pointsOf(sorted, true);
  };
  auto shuffled = [&](const KuvInListVal& list) {
    std::vector<I> ranges;
    for (int i = 0; i < list.GetLength(); ++i) ranges.push_back(*I::cast(*list.Get(i)));
    std::shuffle(ranges.begin(), ranges.end(), m_rng);
    KuvInListVal result(I::sType());
    for (const I& x : ranges) result.PutBack(x);
    return result;
  };
  std::uniform_int_distribution<int> point(0, kUniverse - 1);
  for (int round = 0; round < 400; ++round) {
    const Points pl = randomPoints(), pm = randomPoints();
    if (pl.none() || pm.none()) continue;
    const KuvInListVal l = listOf(pl), m = listOf(pm, round % 2 == 1);
    int a = point(m_rng), b = point(m_rng);
    if (a > b) std::swap(a, b);
    const I y = Milestone::make(a, round % 5 == 0 ? a - 1 : b, m_rng);
    const Points py = Milestone::points(y);
    SCOPED_TRACE(kuv_test::text(l) + " with " + kuv_test::text(y) + " / " + kuv_test::text(m));

    KuvInListVal r = listOf(pl, true);
    EXPECT_EQ(I::simplify(r), S_OK);
    EXPECT_EQ(sortedPoints(r), pl);
    r = l;
    EXPECT_EQ(I::opAdd(r, y), code(py));
    EXPECT_EQ(sortedPoints(r), pl | py);
    r = l;
    EXPECT_EQ(I::opAnd(r, y), code(pl & py));
    EXPECT_EQ(sortedPoints(r), pl & py);
    r = l;
    EXPECT_EQ(I::opCut(r, y), code(py));
    EXPECT_EQ(sortedPoints(r), pl & ~py);
    r = l;
    EXPECT_EQ(I::opAdd(r, m), S_OK);
    EXPECT_EQ(sortedPoints(r), pl | pm);
    r = l;
    EXPECT_EQ(I::opAnd(r, m), code(pl & pm));
    EXPECT_EQ(sortedPoints(r), pl & pm);
    r = l;
    EXPECT_EQ(I::opCut(r, m), code(pl & ~pm));
    EXPECT_EQ(sortedPoints(r), pl & ~pm);
    // The difference with a list is the one with each of its ranges in
    // turn, in the same order, whatever the lists' orders.
    const KuvInListVal left = shuffled(listOf(pl, round % 3 == 0)), right = shuffled(m);
    KuvInListVal oneByOne = left;
    for (int i = 0; i < right.GetLength(); ++i) I::opCut(oneByOne, *I::cast(*right.Get(i)));
    I::simplify(oneByOne);
    r = left;
    I::opCut(r, right);
    EXPECT_EQ(kuv_test::textsOf(r), kuv_test::textsOf(oneByOne));
    EXPECT_EQ(I::isIntersect(l, m), code(pl & pm));
  }
}

}  // namespace
