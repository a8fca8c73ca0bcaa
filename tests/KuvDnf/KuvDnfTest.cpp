#include "DnfModel.h"
#include "support/KuvTestSupport.h"

using namespace dnf_test;
using Type = KuvDnfAndTermFactory::E_Type;

namespace {

struct RandomDnf {
  std::unique_ptr<KuvDnf> dnf;
  std::vector<Predicate> terms;
};

RandomDnf randomDnf(std::mt19937& rng, Type type, LeafOptions options) {
  RandomDnf made;
  made.dnf = std::make_unique<KuvDnf>(DNF_COND_NONE);
  const int n = 1 + static_cast<int>(rng() % 2);
  for (int i = 0; i < n; ++i) {
    Term term = randomTerm(rng, type, 7, options);
    made.dnf->addAndTerm(term.term.release());
    made.terms.push_back(term.holds);
  }
  return made;
}

bool meet(const RandomDnf& a, const RandomDnf& b) {
  for (const Config& c : allConfigs())
    if (holds(*a.dnf, a.terms, c) && holds(*b.dnf, b.terms, c)) return true;
  return false;
}

// What T's isIntersect answers for a against b (2 where it sets nothing).
template <class T>
unsigned char meets(const T& a, const T& b) {
  unsigned char out = 2;
  EXPECT_EQ(S_OK, a.isIntersect(b, out));
  return out;
}

KuvDnfAndTerm* termOf(Type type, std::initializer_list<KuvDnfLeaf*> leaves) {
  KuvDnfAndTerm* term = KuvDnfAndTermFactory::create(type, 4);
  for (KuvDnfLeaf* leaf : leaves) EXPECT_EQ(S_OK, term->addDnfLeaf(*leaf));
  return term;
}

KuvDnfSerialEff* serial(const KuvInGuid& var, std::int32_t type, unsigned mask, bool negated = false) {
  return new KuvDnfSerialEff(var, serialRanges(mask), type, false, negated);
}

}  // namespace

// Map and list terms, with and without restrictions, against the truth of
// the model: the intersection is exact on these leaves.
TEST(KuvDnfOracle, IntersectionIsExact) {
  std::mt19937 rng(20261206);
  int met = 0;
  for (int round = 0; round < 400; ++round) {
    const LeafOptions options{true, round % 2 == 0};
    const Type type = round % 4 < 2 ? KuvDnfAndTermFactory::Map : KuvDnfAndTermFactory::List;
    RandomDnf a = randomDnf(rng, type, options);
    RandomDnf b = randomDnf(rng, round % 3 == 0 ? KuvDnfAndTermFactory::List : KuvDnfAndTermFactory::Map, options);
    const bool expected = meet(a, b);
    met += expected ? 1 : 0;
    ASSERT_EQ(expected ? 1 : 0, meets(*a.dnf, *b.dnf)) << a.dnf->toString().ConvertToChar() << "\n"
                                                       << b.dnf->toString().ConvertToChar();
  }
  // Both answers are well represented.
  EXPECT_GT(met, 50);
  EXPECT_GT(400 - met, 30);
}

// A map term includes another when every configuration of the other
// satisfies it; exact for terms whose leaves are positive.
TEST(KuvDnfOracle, MapInclusionIsExact) {
  std::mt19937 rng(7);
  int included = 0;
  for (int round = 0; round < 600; ++round) {
    Term a = randomTerm(rng, KuvDnfAndTermFactory::Map, 2, LeafOptions{true, false});
    Term b = randomTerm(rng, KuvDnfAndTermFactory::Map, 4, LeafOptions{false, false});
    bool expected = true;
    for (const Config& c : allConfigs())
      if (b.holds(c) && !a.holds(c)) expected = false;
    unsigned char out = 2;
    ASSERT_EQ(S_OK, a.term->isIncluding(*b.term, out));
    ASSERT_EQ(expected ? 1 : 0, out) << a.term->toString().ConvertToChar() << " / "
                                     << b.term->toString().ConvertToChar();
    included += expected ? 1 : 0;
  }
  EXPECT_GT(included, 30);
}

TEST(KuvDnfOracle, RealDnfKeepsTheMeaningWithoutImplicitOr) {
  std::mt19937 rng(11);
  for (int round = 0; round < 100; ++round) {
    RandomDnf a = randomDnf(rng, KuvDnfAndTermFactory::Map, LeafOptions{true, true});
    std::unique_ptr<KuvDnf> real(a.dnf->getRealDnf());
    ASSERT_NE(nullptr, real);
    for (const KuvDnfAndTerm* term : real->andTerms())
      for (const KuvDnfLeaf* leaf : term->leaves()) ASSERT_FALSE(leaf->hasImplicitOr());
    // A sample of configurations, each as a one-configuration DNF.
    const std::vector<Config>& configs = allConfigs();
    for (std::size_t i = static_cast<std::size_t>(round); i < configs.size(); i += 97) {
      const Config& c = configs[i];
      auto exact = std::make_unique<KuvDnf>(DNF_COND_NONE);
      auto* term = new KuvDnfAndTermMap(8);
      for (int o = 0; o < 3; ++o)
        term->addDnfLeaf(*new KuvDnfOptionEff(optionGuid(o), featureOf(o), 1u << c.option[o], false));
      auto* sel = new KuvDnfSelectionEff(selectionGuid(), 1, c.selection == 3, false);
      if (c.selection != 3) sel->putValue(valueGuid(c.selection));
      term->addDnfLeaf(*sel);
      term->addDnfLeaf(*new KuvDnfSerialEff(unitGuid(), serialRanges(c.unit == 0 ? 0 : 1u << (c.unit - 1)),
                                            KuvDnfSerialEff::UNIT, c.unit == 0, false));
      term->addDnfLeaf(*new KuvDnfSerialEff(stateGuid(), serialRanges(c.state == 0 ? 0 : 1u << (c.state - 1)),
                                            KuvDnfSerialEff::STATE, c.state == 0, false));
      term->addDnfLeaf(*new KuvDnfEff(effGuid(), c.eff == 0));
      exact->addAndTerm(term);
      ASSERT_EQ(holds(*a.dnf, a.terms, c) ? 1 : 0, meets(*real, *exact));
    }
  }
}

TEST(KuvDnf, SpecialConditionsAndEmptyDnfs) {
  KuvDnf t(DNF_COND_TRUE), f(DNF_COND_FALSE), empty(DNF_COND_NONE);
  EXPECT_EQ(0, meets(f, t));
  EXPECT_EQ(0, meets(t, f));
  EXPECT_EQ(1, meets(t, empty));
  EXPECT_EQ(1, meets(t, t));
  EXPECT_EQ(0, meets(empty, empty));
}

TEST(KuvDnf, TextForm) {
  KuvDnf dnf(DNF_COND_NONE);
  const KuvInGuid opt = kuv_test::Guid(1).guid(), feat = kuv_test::Guid(2).guid();
  dnf.addAndTerm(termOf(KuvDnfAndTermFactory::Map, {new KuvDnfOptionEff(opt, feat, 1, true),
                                                    new KuvDnfEff(kuv_test::Guid(3).guid(), false)}));
  auto* sel = new KuvDnfSelectionEff(feat, 1, true, false);
  sel->putValue(opt);
  dnf.addAndTerm(termOf(KuvDnfAndTermFactory::List, {sel}));
  dnf.addAndTerm(termOf(KuvDnfAndTermFactory::List, {new KuvDnfSerialEff(opt, serialRanges(0b110), 13, true, true)}));
  const std::string o = opt.toString().ConvertToChar(), f = feat.toString().ConvertToChar();
  EXPECT_EQ("DNF : \nOR \t / -- !DnfOptionEff Feature : " + f + ", Option : " + o + ", Selected\t AND DnfEff : " +
                kuv_test::Guid(3).guid().toString().ConvertToChar() + "\n\t | -- NoVar & DnfSelectionEff Feature : " +
                f + ", Selected Options : {" + o + "}\n\t \\ -- KuvDnfSerialEff ( Var=" + o +
                ", Type : 13, Values : ! (NO VAR [2,3]) )\n",
            kuv_test::text(dnf));
  // A copy of a list term has leaves of its own.
  const std::unique_ptr<KuvDnfAndTerm> copy(dnf.getAndTerm(1)->clone());
  EXPECT_EQ(kuv_test::text(*dnf.getAndTerm(1)), kuv_test::text(*copy));
  EXPECT_NE(dnf.getAndTerm(1)->leaves()[0], copy->leaves()[0]);
  EXPECT_EQ("DNF : \nTRUE", kuv_test::text(KuvDnf(DNF_COND_TRUE)));
  EXPECT_EQ("DNF : \nFALSE", kuv_test::text(KuvDnf(DNF_COND_FALSE)));
  EXPECT_EQ("DNF : \nunexpected cond type", kuv_test::text(KuvDnf(static_cast<E_DnfSpecCond>(5))));
  const char* states[] = {"Nothing", "Selected", "Rejected", "", "NoVar", "", "", "Any value accepted"};
  for (std::uint32_t v = 0; v < 8; ++v) EXPECT_STREQ(states[v], KuvDnfOptionEff::valueText(v));
}

TEST(KuvDnf, MapTermRefusesInconsistentLeaves) {
  const KuvInGuid a = kuv_test::Guid(1).guid(), f = kuv_test::Guid(2).guid();
  struct Case {
    KuvDnfLeaf *first, *second;
    const char* message;
  } cases[] = {
      {new KuvDnfOptionEff(a, f, 1, false), new KuvDnfOptionEff(a, f, 2, false),
       "ERROR: we should not have 2 elements with the same guid. The Dnf is inconsistent"},
      {serial(a, 13, 1), serial(a, 1, 1),
       "ERROR: DNF inconsistency. Forbidden to combine in one DNF an UNDEFINED serial with a "
       "State/Unit/MPlan with a "
       "same CFGKey."},
      {serial(a, 1, 1), serial(a, 12, 1), "Forbidden to combine"},
      {serial(a, 13, 1), serial(a, 13, 2),
       "ERROR: DNF inconsistency. Already has a same (Serial,Type)-couple Effectivity."},
      {new KuvDnfTreeSeriesEff(a, KuvInListVal(KuvInTreeEvalInterval::sType()), 18, false, false),
       new KuvDnfTreeSeriesEff(a, KuvInListVal(KuvInTreeEvalInterval::sType()), 18, true, false),
       "ERROR: we should not have 2 elements with the same _typed_ guid. The Dnf is inconsistent"},
      {new KuvDnfCategoryOptionRestrictionEff(1, f), new KuvDnfCategoryOptionRestrictionEff(1, f),
       "the same guid"},
      {new KuvDnfDateRestrictionEff(1), new KuvDnfSerialRestrictionEff(1, 7), "ERROR: unexpected type"},
      {new KuvDnfDateRestrictionEff(1), new KuvDnfEff(KuvInGuid(), false),
       "ERROR: unexpected to have an effectivity without a CFGKey for DNF."},
  };
  for (const Case& c : cases) {
    KuvDnfAndTermMap term;
    ASSERT_EQ(S_OK, term.addDnfLeaf(*c.first));
    std::unique_ptr<KuvDnfLeaf> refused(c.second);
    EXPECT_TRACES(E_FAIL, c.message, term.addDnfLeaf(*refused));
    EXPECT_EQ(1, term.getNbDnfLeaves());
  }
  // Tree series of two tree types on one variable are two keys, each found
  // by its type.
  KuvDnfAndTermMap term;
  const KuvInListVal none(KuvInTreeEvalInterval::sType());
  KuvDnfLeaf* plans[] = {new KuvDnfTreeSeriesEff(a, none, 18, false, false),
                         new KuvDnfTreeSeriesEff(a, none, 19, false, false)};
  for (KuvDnfLeaf* leaf : plans) EXPECT_EQ(S_OK, term.addDnfLeaf(*leaf));
  EXPECT_EQ(plans[0], term.findLeaf(KuvDnfLeaf::Kind::TreeSeries, a, 18));
  EXPECT_EQ(plans[1], term.findLeaf(KuvDnfLeaf::Kind::TreeSeries, a, 19));
  EXPECT_EQ(nullptr, term.findLeaf(KuvDnfLeaf::Kind::TreeSeries, a, 17));
  EXPECT_EQ(nullptr, term.findLeaf(KuvDnfLeaf::Kind::Option, a));
}

// Map terms match serial leaves by type (falling back on UNDEFINED); list
// terms compare every pair. Under exclusive variables a configuration is on
// one serial variable at a time.
TEST(KuvDnf, SerialMatchingAndExclusiveVariables) {
  const KuvInGuid v = kuv_test::Guid(1).guid(), w = kuv_test::Guid(2).guid();
  const Type map = KuvDnfAndTermFactory::Map, list = KuvDnfAndTermFactory::List;
  using Owned = std::unique_ptr<KuvDnfAndTerm>;
  auto pair = [&](Type type, KuvDnfLeaf* mine, KuvDnfLeaf* theirs) {
    return meets<KuvDnfAndTerm>(*Owned(termOf(type, {mine})), *Owned(termOf(list, {theirs})));
  };
  // State [1] against Unit [2] on one variable: the map holds no Unit leaf
  // and no UNDEFINED one, so nothing restricts; the list compares ranges.
  EXPECT_EQ(1, pair(map, serial(v, 12, 0b01), serial(v, 13, 0b10)));
  EXPECT_EQ(0, pair(list, serial(v, 12, 0b01), serial(v, 13, 0b10)));
  EXPECT_EQ(0, pair(map, serial(v, 1, 0b01), serial(v, 13, 0b10)));
  EXPECT_EQ(0, pair(map, serial(v, 13, 0b01), serial(v, 1, 0b10)));
  EXPECT_EQ(1, pair(map, serial(v, 13, 0b01), serial(w, 13, 0b10)));
  {
    KuvDnfExclusiveVariablesGuard exclusive(0);
    EXPECT_EQ(0, pair(map, serial(v, 13, 0b01), serial(w, 13, 0b01)));
    EXPECT_EQ(0, pair(list, serial(v, 13, 0b01), serial(w, 13, 0b01)));
    EXPECT_EQ(0, pair(list, serial(v, 12, 0b01), serial(v, 13, 0b01)));
    EXPECT_EQ(1, pair(list, serial(v, 1, 0b01), serial(v, 13, 0b01)));
    // A term on two serial variables meets no serial leaf, even on its own.
    EXPECT_EQ(0, meets<KuvDnfAndTerm>(*Owned(termOf(map, {serial(v, 13, 0b01), serial(w, 13, 0b01)})),
                                      *Owned(termOf(list, {serial(v, 13, 0b01)}))));
  }
  EXPECT_EQ(1, CFG_DISABLE_EXCLUSIVES_VARIABLES);
}

// The leaf rules that are not plain set intersection, and the kinds the
// random model does not draw.
TEST(KuvDnf, LeafRules) {
  const KuvInGuid v = kuv_test::Guid(1).guid(), f = kuv_test::Guid(2).guid();
  // Two negated leaves always intersect, even when together they exclude
  // every state.
  EXPECT_EQ(1, meets<KuvDnfLeaf>(KuvDnfOptionEff(v, f, 3, true), KuvDnfOptionEff(v, f, 4, true)));
  // Different kinds and different variables do not restrict.
  EXPECT_EQ(1, meets<KuvDnfLeaf>(KuvDnfOptionEff(v, f, 1, false), KuvDnfEff(v, true)));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(KuvDnfEff(v, false), KuvDnfEff(f, true)));

  // Milestones: range against range, not the union of the negated ranges.
  auto milestones = [](std::initializer_list<std::pair<int, int>> ranges, bool negated) {
    KuvInListVal list(KuvInMilestonesEvalInterval::sType());
    for (auto [lo, hi] : ranges) {
      const KuvInMilestonesEvalInterval::Value a{KuvInTreeEvalIndexBound(lo)}, b{KuvInTreeEvalIndexBound(hi)};
      list.PutBack(KuvInMilestonesEvalInterval(a, true, b, true));
    }
    return KuvDnfMilestonesEff(kuv_test::Guid(9).guid(), list, false, negated);
  };
  EXPECT_EQ(1, meets<KuvDnfLeaf>(milestones({{1, 3}}, false), milestones({{3, 5}}, false)));
  EXPECT_EQ(0, meets<KuvDnfLeaf>(milestones({{1, 2}}, false), milestones({{3, 5}}, false)));
  EXPECT_EQ(0, meets<KuvDnfLeaf>(milestones({{2, 3}}, false), milestones({{1, 4}}, true)));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(milestones({{2, 5}}, false), milestones({{1, 3}, {3, 6}}, true)));

  // Restrictions: R(S) against not R(T) of the same kind and part is
  // disjoint exactly when S lies within T.
  KuvDnfSerialRestrictionEff small(2, 13), large(2, 13), otherType(2, 12);
  small.putVariable(v);
  large.putVariable(v);
  large.putVariable(f);
  KuvDnfSerialRestrictionEff notLarge(large), notSmall(small);
  notLarge.negate();
  notSmall.negate();
  EXPECT_EQ(0, meets<KuvDnfLeaf>(small, notLarge));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(large, notSmall));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(notSmall, notLarge));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(otherType, notSmall));
  // Against a variable outside the set: only the no-value state remains.
  auto owned = [](KuvDnfSerialEff* leaf) { return std::unique_ptr<KuvDnfSerialEff>(leaf); };
  EXPECT_EQ(0, meets<KuvDnfLeaf>(small, *owned(serial(f, 13, 1))));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(*owned(serial(f, 13, 1, true)), small));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(small, *owned(serial(f, 12, 1))));
  EXPECT_EQ(1, meets<KuvDnfLeaf>(small, *owned(serial(v, 13, 1))));
}

// A leaf test names both criteria in its detail line when the channel asks
// for it, and prints nothing otherwise.
TEST(KuvDnf, LeafReasonsAreTracedOnlyWhenAsked) {
  const KuvInGuid v = kuv_test::Guid(1).guid(), w = kuv_test::Guid(2).guid();
  const std::string ids = std::string(v.toString().ConvertToChar()) + " " + w.toString().ConvertToChar();
  KuvDnfExclusiveVariablesGuard exclusive(0);
  const KuvDnfEff effV(v, false), effW(w, false);
  const KuvDnfOptionEff optionV(v, w, KuvDnfOptionEff::Selected, false),
      optionW(w, v, KuvDnfOptionEff::Selected, false);
  const std::unique_ptr<KuvDnfLeaf> unitV(serial(v, 13, 1)), unitW(serial(w, 13, 1)),
      stateV(serial(v, 12, 1));
  struct Case {
    KuvInTraceClass& channel;
    const KuvDnfLeaf& a;
    const KuvDnfLeaf& b;
    unsigned char meets;
    std::string line;
  };
  const Case cases[] = {
      {KuvDnfEff::traceChannel(), effV, effW, 1, "~~~ Intersection because object IDs are different: " + ids},
      {KuvDnfVarEff::traceChannel(), optionV, optionW, 1,
       "~~~ Intersection because object IDs are different: " + ids},
      {KuvDnfSerialEff::traceChannel(), *unitV, *unitW, 0,
       "~~~ Not intersection because object IDs are different: " + ids},
      {KuvDnfSerialEff::traceChannel(), *unitV, *stateV, 0,
       "~~~ Not intersection because external types are different: 13 12"},
  };
  for (const Case& c : cases) {
    for (unsigned char flags : {1, 3}) {
      kuv_test::ScopedFlags scoped(c.channel, flags);
      const std::string printed =
          kuv_test::captured([&] { EXPECT_EQ(c.meets, meets<KuvDnfLeaf>(c.a, c.b)); });
      // Nothing at all without the detail flag.
      EXPECT_TRUE(flags == 1 ? printed.empty() : printed.find(c.line) != std::string::npos)
          << c.line << " printed: " << printed;
    }
  }
}

#if defined(__GNUC__) && !defined(_WIN32)
// Hosts call the leaves through these slots: no hook of the library's own
// may sit among them.
TEST(KuvDnfVirtualSlots, FollowTheInterfaceOrder) {
  using kuv_test::slotOf;
  using VarIntersect = HRESULT (KuvDnfVarEff::*)(const KuvDnfVarEff&, unsigned char&) const;
  const std::pair<std::uint64_t, std::uint64_t> slots[] = {
      {slotOf(VarIntersect(&KuvDnfVarEff::isIntersect)), 8},
      {slotOf(&KuvDnfSelectionEff::putValue), 9},
      {slotOf(&KuvDnfMilestonesEff::opAnd), 9},
      {slotOf(&KuvDnfMilestonesEff::opCut), 11},
      {slotOf(&KuvDnfTreeSeriesEff::opAnd), 9},
  };
  for (std::size_t i = 0; i < std::size(slots); ++i) EXPECT_EQ(slots[i].first, slots[i].second) << "row " << i;
}
#endif
