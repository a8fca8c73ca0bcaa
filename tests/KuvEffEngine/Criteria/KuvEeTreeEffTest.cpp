// Tree selections and their bounds, the tree effectivities' setters and
// texts, and combinations over elements that no tree links.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEffEngine/KuvEeVarEffTestSupport.h"

namespace {

using kuv_test::text;
using kuv_test::treeIndex;

// Two milestones, not linked: only their indices place them.
struct Track {
  unsigned char guid[16] = {7};
  KuvEeMilestonesVar var{"Track", guid, "Design", nullptr};
  KuvEeMilestone m1{"M1", guid, &var, treeIndex("1-9"), nullptr, nullptr};
  KuvEeMilestone m2{"M2", guid, &var, treeIndex("2-3"), nullptr, nullptr};
};

}  // namespace

TEST(KuvEeTreeSelection, BoundsTextsAndAdjacency) {
  Track t;
  KuvEeMilestonesSelectionBound in(&t.m1, true);
  KuvEeMilestonesSelectionBound out(&t.m1, false);
  EXPECT_EQ(text(in), "[" + text(t.m1) + "/Included]");
  EXPECT_EQ(text(out), "[" + text(t.m1) + "/Excluded]");
  EXPECT_TRUE(in.isAdjacent(out));
  EXPECT_FALSE(in.isAdjacent(in));
  EXPECT_FALSE(in.isAdjacent(KuvEeMilestonesSelectionBound(&t.m2, false)));
  out.setIncluded(true);
  EXPECT_TRUE(out.equals(in));
}

TEST(KuvEeTreeSelection, SingleSelectionAndBoundRules) {
  Track t;
  KuvEeMilestonesSelection sel;
  EXPECT_EQ(text(sel), "{}");
  ASSERT_EQ(sel.setSingleSelection(KuvEeMilestonesSelectionBound(&t.m1, false)), S_OK);
  EXPECT_TRUE(sel.getFromBound()->isIncluded());
  const std::string bound = "[" + text(t.m1) + "/Included]";
  EXPECT_EQ(text(sel), "{" + bound + " -> " + bound + "}");

  // A from bound that excludes its element admits no to bound on it.
  KuvEeMilestonesSelection before(sel);
  EXPECT_TRACES(E_FAIL, "ERROR: From bound isn't a father of all of To bounds.",
                sel.setFromBound(KuvEeMilestonesSelectionBound(&t.m1, false)));
  EXPECT_TRUE(sel.equals(before));

  KuvEeMilestonesSelection open;
  ASSERT_EQ(open.setFromBound(KuvEeMilestonesSelectionBound(&t.m1, false)), S_OK);
  EXPECT_TRACES(E_FAIL,
                "ERROR: To Bound [" + text(t.m1) + "/Included] can't be a child of From bound [" +
                    text(t.m1) + "/Excluded]",
                open.addToBound(KuvEeMilestonesSelectionBound(&t.m1, true)));
  // M2 (2-3) lies below M1 (1-9), not the other way round.
  EXPECT_EQ(open.addToBound(KuvEeMilestonesSelectionBound(&t.m2, true)), S_OK);
  EXPECT_EQ(open.getToBounds().GetLength(), 1);
  KuvEeMilestonesSelection below;
  ASSERT_EQ(below.setFromBound(KuvEeMilestonesSelectionBound(&t.m2, true)), S_OK);
  EXPECT_TRACES(E_FAIL, "", below.addToBound(KuvEeMilestonesSelectionBound(&t.m1, true)));
  EXPECT_EQ(below.getToBounds().GetLength(), 0);
  // Nor does a milestone of another track, whatever its index.
  unsigned char g2[16] = {5};
  KuvEeMilestonesVar otherTrack("Other", g2, "Build", nullptr);
  KuvEeMilestone foreign("F", g2, &otherTrack, treeIndex("2-3"), nullptr, nullptr);
  EXPECT_TRACES(E_FAIL, "", open.addToBound(KuvEeMilestonesSelectionBound(&foreign, true)));
  EXPECT_EQ(open.getToBounds().GetLength(), 1);

  // A bound of the other tree kind is refused.
  unsigned char g[16] = {9};
  KuvEeTreeSeriesVar series("Series", g, 18, nullptr);
  KuvEeTreeSeriesElement e("E", g, "A", treeIndex("1-9"), &series, nullptr);
  EXPECT_TRACES(E_INVALIDARG, "", sel.setSingleSelection(KuvEeTreeSeriesSelectionBound(&e, true)));
  EXPECT_TRUE(sel.equals(before));
}

TEST(KuvEeTreeBaseEff, SelectionsTextsAndCombinationsOfLooseElements) {
  Track t;
  KuvEeMilestonesEff eff(&t.var, KuvEeMilestonesEff::AllTrue);
  EXPECT_EQ(text(eff), "MilestonesEff( Track/" + text(t.var.getGuid()) + "[ALL_TRUE] )");
  eff.set(KuvEeMilestonesEff::AllFalse);
  KuvEeMilestonesSelection s1, s2;
  ASSERT_EQ(s1.setSingleSelection(KuvEeMilestonesSelectionBound(&t.m1, true)), S_OK);
  ASSERT_EQ(s2.setSingleSelection(KuvEeMilestonesSelectionBound(&t.m2, true)), S_OK);
  KuvInListVal list(KuvEeMilestonesSelection::sType());
  list.PutBack(s1);
  list.PutBack(KuvEeMilestonesSelection());  // empty: dropped
  list.PutBack(s1);                          // repeated: dropped
  ASSERT_EQ(eff.addSelections(list), S_OK);  // the text below shows s1 alone
  // Open-ended from M1: the same FROM bound, so the same hash, yet a
  // selection of its own; s1, held already, is not added again.
  KuvEeMilestonesSelection fromM1;
  ASSERT_EQ(fromM1.setFromBound(KuvEeMilestonesSelectionBound(&t.m1, true)), S_OK);
  KuvInListVal more(KuvEeMilestonesSelection::sType());
  more.PutBack(s1);
  more.PutBack(fromM1);
  KuvEeMilestonesEff wider(eff);
  ASSERT_EQ(wider.addSelections(more), S_OK);
  KuvInListVal got(KuvEeMilestonesSelection::sType());
  ASSERT_EQ(wider.getSelections(got), S_OK);
  ASSERT_EQ(got.GetLength(), 2);
  EXPECT_TRUE(got.Get(1)->equals(fromM1));
  eff.orNoVar();
  EXPECT_EQ(text(eff), "MilestonesEff( Track/" + text(t.var.getGuid()) + "[N]" + text(s1) + " )");

  // Loose elements (no root, no bag) combine by their indices: M2 (2-3)
  // lies below M1 (1-9).
  KuvEeMilestonesEff other(&t.var, KuvEeMilestonesEff::AllFalse);
  KuvInListVal second(KuvEeMilestonesSelection::sType());
  second.PutBack(s2);
  ASSERT_EQ(other.addSelections(second), S_OK);
  const std::string m1 = "[" + text(t.m1) + "/Included]";
  const std::string m2 = "[" + text(t.m2) + "/Included]";
  const std::string head = "MilestonesEff( Track/" + text(t.var.getGuid());
  const struct { HRESULT (KuvEeVarEff::*op)(const KuvEeVarEff*, bool&); std::string expected; } cases[] = {
      {&KuvEeVarEff::opOr, head + "[N]{" + m1 + " ->} )"},  // all M1 holds
      {&KuvEeVarEff::opAnd, head + "[ALL_FALSE] )"},
      {&KuvEeVarEff::opCut, head + "[N]{" + m1 + " -> " + m1 + "} )"},
  };
  for (const auto& c : cases) {
    KuvEeMilestonesEff result(eff);
    bool merged = false;
    EXPECT_EQ((result.*c.op)(&other, merged), S_OK);
    EXPECT_TRUE(merged);
    EXPECT_EQ(text(result), c.expected);
  }
}

TEST(KuvEeDnfTreeEff, DeclaredButWaitingForTheNormalFormModel) {
  Track t;
  unsigned char g[16] = {3};
  KuvEeMilestonesVar otherTrack("Other", g, "Build", nullptr);
  KuvEeDnfMilestonesEff a(&t.var);
  KuvEeDnfMilestonesEff b(&t.var);
  KuvEeDnfMilestonesEff elsewhere(&otherTrack);
  EXPECT_EQ(text(a), "DnfMilestonesEff( Track )");
  bool merged = true;
  EXPECT_EQ(a.opOr(&elsewhere, merged), S_OK);
  EXPECT_FALSE(merged);
  // Another kind on the same variable merges, and fails.
  KuvEeMilestonesEff plain(&t.var, KuvEeMilestonesEff::AllTrue);
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer: the input is not a selectionEffectivity",
                plain.opCut(&a, merged));
  EXPECT_TRUE(merged);
  EXPECT_TRUE(plain.isAllTrue());

  kuv_test::ScopedFlags quiet(KuvEeVarEff::traceChannel(), 0);
  EXPECT_EQ(a.opAnd(&b, merged), E_UNEXPECTED);
  EXPECT_EQ(a.opNotDom(), E_UNEXPECTED);
  bool equal = true;
  EXPECT_EQ(a.equals(&b, equal), E_UNEXPECTED);
  std::unique_ptr<KuvEeVarEff> copy(a.createVarEffClone());
  EXPECT_EQ(copy->getVar(), a.getVar());
}

// Without content, these kinds refuse a negation instead of dropping
// it, and the refusal leaves the tree as it was.
TEST(KuvEeDnfTreeEff, NegationsAreRefusedNotLost) {
  using kuv_test::Not;
  using R = KuvEeNodeNotRemover;
  Track t;
  kuv_test::TestVars vars;
  auto dnf = [&] { return new KuvEeVarEffLeaf(new KuvEeDnfMilestonesEff(&t.var)); };
  auto option = [&] { return new KuvEeVarEffLeaf(new KuvEeOptionEff(vars.option, KuvEeOptionEff::T)); };
  auto remove = [](R::E_RemNots state) {
    return [state](KuvEeNodeRef& ref) { return R(1).removeNots(ref, state); };
  };
  const std::function<HRESULT(KuvEeNodeRef&)> simplify = [](KuvEeNodeRef& ref) {
    return KuvEeNodeSimplifier().simplify(ref);
  };
  const struct { KuvEeNode* tree; std::function<HRESULT(KuvEeNodeRef&)> run; HRESULT code; } cases[] = {
      {Not(dnf()), remove(R::RemNots_None), E_UNEXPECTED},
      {dnf(), remove(R::RemNots_Not), E_UNEXPECTED},
      {kuv_test::NotDom(dnf()), remove(R::RemNots_None), E_UNEXPECTED},
      {Not(kuv_test::Or({option(), dnf()})), remove(R::RemNots_None), E_UNEXPECTED},
      {Not(dnf()), simplify, E_UNEXPECTED},
      // A group's walk of its children reports any failure as E_FAIL.
      {kuv_test::And({option(), Not(dnf())}), simplify, E_FAIL},
  };
  for (const auto& c : cases) {
    kuv_test::Tree tree = kuv_test::own(c.tree);
    const std::string before = text(*tree->getNode());
    EXPECT_TRACES(c.code, "cannot be negated", c.run(*tree));
    EXPECT_EQ(text(*tree->getNode()), before);
  }
  KuvEeVarEffLeaf leaf(new KuvEeDnfTreeSeriesEff(nullptr));
  EXPECT_TRACES(E_UNEXPECTED, "", leaf.opNot());
}

namespace {

// Tree series and milestone tracks as the algebra test below sees them: an
// effectivity of the positions lo..hi, and whether a range holds a position.
struct SeriesKind {
  using Eff = KuvEeDnfTreeSeriesEff;
  Eff* make(unsigned lo, unsigned hi, bool noVar, bool negated) {
    KuvInListVal ranges(KuvInTreeEvalInterval::sType());
    ranges.PutBack(
        KuvInTreeEvalInterval(KuvInTreeEvalIndexBound(lo), true, KuvInTreeEvalIndexBound(hi), true));
    return new Eff(&var, new KuvDnfTreeSeriesEff(var.getGuid(), ranges, 19, noVar, negated));
  }
  static const KuvDnfTreeSeriesEff& leaf(const Eff& eff) { return *eff.getRelatedDnfTreeSeriesEff(); }
  static bool holds(const KuvInObject& range, const KuvInTreeEvalIndexBound& at) {
    const auto& r = static_cast<const KuvInTreeEvalInterval&>(range);
    return (r.getA() < at || (r.getA() == at && r.getAIncl())) &&
           (at < r.getB() || (at == r.getB() && r.getBIncl()));
  }
  KuvEeTreeSeriesVar var{"Plans", kuv_test::Guid(3).data(), 19, nullptr};
};
struct TrackKind {
  using Eff = KuvEeDnfMilestonesEff;
  using Value = KuvInMilestonesEvalIntervalValue;
  Eff* make(unsigned lo, unsigned hi, bool noVar, bool negated) {
    KuvInListVal ranges(KuvInMilestonesEvalInterval::sType());
    ranges.PutBack(KuvInMilestonesEvalInterval(Value(KuvInTreeEvalIndexBound(lo)), true,
                                               Value(KuvInTreeEvalIndexBound(hi)), true));
    return new Eff(&var, new KuvDnfMilestonesEff(var.getGuid(), ranges, noVar, negated));
  }
  static const KuvDnfMilestonesEff& leaf(const Eff& eff) { return *eff.getRelatedDnfMilestonesEff(); }
  static bool holds(const KuvInObject& range, const KuvInTreeEvalIndexBound& at) {
    const auto& r = static_cast<const KuvInMilestonesEvalInterval&>(range);
    const KuvInTreeEvalIndexBound &low = r.getInfBound().getBound(), &high = r.getSupBound().getBound();
    return (low < at || (low == at && r.isInfBoundIncluded())) &&
           (at < high || (at == high && r.isSupBoundIncluded()));
  }
  KuvEeMilestonesVar var{"Design", kuv_test::Guid(4).data(), "D", nullptr};
};

template <class Kind>
class KuvEeDnfTreeEffAlgebra : public ::testing::Test {};
using TreeKinds = ::testing::Types<SeriesKind, TrackKind>;
TYPED_TEST_SUITE(KuvEeDnfTreeEffAlgebra, TreeKinds);

}  // namespace

// With a related normal-form effectivity, And, Or, Cut, Not and NotDomain
// act on the represented sets: checked point by point over positions 0..6
// and the no-value state, against masks of the same sets.
TYPED_TEST(KuvEeDnfTreeEffAlgebra, ActsOnTheRepresentedSets) {
  TypeParam kind;
  std::mt19937 random(29);
  constexpr unsigned kNone = 1u << 7;
  // A set as bits of the positions 0..6 plus kNone, and an effectivity of it.
  auto make = [&](unsigned& set) {
    const unsigned lo = random() % 6, hi = lo + random() % (7 - lo);
    const bool noVar = random() % 3 == 0, negated = random() % 3 == 0;
    set = (((1u << (hi + 1)) - 1) & ~((1u << lo) - 1)) | (noVar ? kNone : 0);
    if (negated) set = ~set & (kNone | 0x7Fu);
    return kind.make(lo, hi, noVar, negated);
  };
  auto setOf = [&](const typename TypeParam::Eff& eff) {
    const auto& leaf = TypeParam::leaf(eff);
    unsigned set = leaf.getNoVar() ? kNone : 0;
    for (unsigned p = 0; p < 7; ++p)
      for (std::int32_t i = 0; i < leaf.getIntervals().GetLength(); ++i)
        if (TypeParam::holds(*leaf.getIntervals().Get(i), KuvInTreeEvalIndexBound(p))) set |= 1u << p;
    return leaf.isNegated() ? ~set & (kNone | 0x7Fu) : set;
  };
  for (int round = 0; round < 300; ++round) {
    unsigned a = 0, b = 0;
    std::unique_ptr<typename TypeParam::Eff> x(make(a)), y(make(b));
    bool merged = false;
    switch (round % 5) {
      case 0: ASSERT_EQ(S_OK, x->opAnd(y.get(), merged)); a &= b; break;
      case 1: ASSERT_EQ(S_OK, x->opOr(y.get(), merged)); a |= b; break;
      case 2: ASSERT_EQ(S_OK, x->opCut(y.get(), merged)); a &= ~b; break;
      case 3: x->opNot(); a = ~a & (kNone | 0x7Fu); break;
      default:
        if ((a & kNone) != 0) continue;
        ASSERT_EQ(S_OK, x->opNotDom());
        a = ~a & 0x7Fu;
    }
    ASSERT_EQ(a, setOf(*x)) << round;
    bool equal = false;
    std::unique_ptr<KuvEeVarEff> copy(x->createVarEffClone());
    ASSERT_EQ(S_OK, x->equals(copy.get(), equal));
    EXPECT_TRUE(equal);
  }
}
