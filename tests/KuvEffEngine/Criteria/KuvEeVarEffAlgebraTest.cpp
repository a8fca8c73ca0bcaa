// The variable effectivities as a set algebra: every effectivity is compared
// with the explicit set of probe points it admits (probe 0 is the no-value
// element), over all pairs of small inputs or a fixed-seed sample of them.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeDicoTestSupport.h"
#include "KuvEffEngine/KuvEeVarEffTestSupport.h"

namespace {

using Eff = std::unique_ptr<KuvEeVarEff>;
using Members = std::vector<bool>;
using kuv_test::treeIndex;

// A kind under test: its inputs and how to tell whether an effectivity
// admits probe p (p > 0; probe 0 is asked through isNoVarIncluded).
struct Kind {
  std::vector<Eff> inputs;
  // Whether equal input sets have equal positive parts (lists built by hand
  // need not be in the form the operations produce).
  bool canonicalInputs = true;
  int probes = 0;
  std::function<bool(const KuvEeVarEff&, int)> admits;

  Members members(const KuvEeVarEff& eff) const {
    Members m(probes);
    m[0] = eff.isNoVarIncluded();
    for (int p = 1; p < probes; ++p) m[p] = admits(eff, p);
    return m;
  }
};

Eff copyOf(const KuvEeVarEff& eff) { return Eff(eff.createVarEffClone()); }

using Binary = HRESULT (KuvEeVarEff::*)(const KuvEeVarEff*, bool&);

void checkBinary(const Kind& kind, Binary op, const char* name, const std::function<bool(bool, bool)>& model,
                 bool commutes) {
  for (const Eff& a : kind.inputs) {
    const Members ma = kind.members(*a);
    for (const Eff& b : kind.inputs) {
      const Members mb = kind.members(*b);
      Eff r = copyOf(*a);
      bool merged = false;
      ASSERT_EQ(((*r).*op)(b.get(), merged), S_OK) << name << " " << a->toString().ConvertToChar();
      ASSERT_TRUE(merged);
      const Members mr = kind.members(*r);
      for (int p = 0; p < kind.probes; ++p)
        ASSERT_EQ(mr[p], model(ma[p], mb[p]))
            << name << " probe " << p << "\n  " << a->toString().ConvertToChar() << "\n  "
            << b->toString().ConvertToChar() << "\n= " << r->toString().ConvertToChar();
      // The constants are recognised whatever the operation produced.
      if (r->isAllTrue() || r->isAllFalse()) {
        ASSERT_EQ(mr, Members(kind.probes, r->isAllTrue()));
      }
      bool equal = false;
      ASSERT_EQ(r->equals(copyOf(*r).get(), equal), S_OK);
      ASSERT_TRUE(equal);
      // Results come in one form per set: the operands swapped give the
      // same effectivity.
      if (commutes) {
        Eff swapped = copyOf(*b);
        ASSERT_EQ(((*swapped).*op)(a.get(), merged), S_OK);
        ASSERT_EQ(r->equals(swapped.get(), equal), S_OK);
        ASSERT_TRUE(equal) << name << "\n  " << r->toString().ConvertToChar() << "\n  "
                           << swapped->toString().ConvertToChar();
      }
    }
  }
}

void checkAlgebra(const Kind& kind) {
  kuv_test::ScopedFlags quiet(KuvEeVarEff::traceChannel(), 0);
  checkBinary(kind, &KuvEeVarEff::opAnd, "opAnd", [](bool x, bool y) { return x && y; }, true);
  checkBinary(kind, &KuvEeVarEff::opOr, "opOr", [](bool x, bool y) { return x || y; }, true);
  checkBinary(kind, &KuvEeVarEff::opCut, "opCut", [](bool x, bool y) { return x && !y; }, false);
  for (const Eff& a : kind.inputs) {
    const Members ma = kind.members(*a);
    Eff r = copyOf(*a);
    r->opNot();
    Members expected = ma;
    expected.flip();
    ASSERT_EQ(kind.members(*r), expected) << "opNot " << a->toString().ConvertToChar();

    // Within the domain: the valued states not admitted, never the no-value
    // element; refused when the no-value element is admitted.
    r = copyOf(*a);
    if (ma[0]) {
      ASSERT_EQ(r->opNotDom(), E_FAIL);
      ASSERT_EQ(kind.members(*r), ma);
    } else {
      ASSERT_EQ(r->opNotDom(), S_OK);
      expected[0] = false;
      ASSERT_EQ(kind.members(*r), expected) << "opNotDom " << a->toString().ConvertToChar();
    }
  }
  // Equality is equality of representation: with canonical positive parts,
  // the same set under the same negation flag.
  for (const Eff& a : kind.inputs) {
    for (const Eff& b : kind.inputs) {
      bool equal = false;
      ASSERT_EQ(a->equals(b.get(), equal), S_OK);
      const bool sameSet = kind.members(*a) == kind.members(*b) && a->isNegated() == b->isNegated();
      if (kind.canonicalInputs) {
        ASSERT_EQ(equal, sameSet) << a->toString().ConvertToChar() << "\n" << b->toString().ConvertToChar();
      } else if (equal) {
        ASSERT_TRUE(sameSet) << a->toString().ConvertToChar() << "\n" << b->toString().ConvertToChar();
      }
    }
  }
}

// Random numbers below n, reproducible from the seed.
struct Pick {
  explicit Pick(unsigned seed) : random(seed) {}
  int operator()(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
  std::mt19937 random;
};

// Forty effectivities, each the union of up to two ranges (makeRange fills
// one, or says there is none), with or without the no-value element,
// negated or not.
template <class Eff, class Range, class Var, class MakeRange>
void addRandomUnions(Kind& kind, Pick& pick, Var* var, MakeRange makeRange) {
  for (int k = 0; k < 40; ++k) {
    auto* eff = new Eff(var, Eff::AllFalse);
    KuvInListVal list(Range::sType());
    for (int n = pick(3); n > 0; --n) {
      Range range;
      if (!makeRange(range)) continue;
      KuvInListVal one(Range::sType());
      one.PutBack(range);
      ASSERT_EQ(Range::opAdd(list, one), S_OK);
    }
    ASSERT_EQ(eff->set(list), S_OK);
    if (pick(2) != 0) eff->orNoVar();
    if (pick(2) != 0) eff->opNot();
    kind.inputs.emplace_back(eff);
  }
}

bool inSerial(const KuvInSerialInterval& i, std::int32_t x) {
  return (i.getA() < x || (i.getA() == x && i.getAIncl())) &&
         (x < i.getB() || (x == i.getB() && i.getBIncl()));
}

template <class Interval, class Point>
bool partAdmits(const KuvEeVarEff& eff, const Point& x, bool (*in)(const Interval&, const Point&)) {
  KuvInListVal list(Interval::sType());
  if (const auto* d = KuvEeDateEff::cast(eff)) d->getIntervals(list);
  if (const auto* s = KuvEeSerialEff::cast(eff)) s->getIntervals(list);
  bool inside = false;
  for (std::int32_t i = 0; i < list.GetLength(); ++i) inside = inside || in(*Interval::cast(*list.Get(i)), x);
  return inside != eff.isNegated();
}

}  // namespace

TEST(KuvEeVarEffAlgebra, OptionEffectivitiesAreSubsetsOfTheThreeStates) {
  kuv_test::TestVars vars;
  Kind kind;
  kind.probes = 3;  // N, T, F
  for (std::uint32_t bits = 0; bits < 8; ++bits) {
    for (bool negated : {false, true}) {
      auto* eff = new KuvEeOptionEff(vars.option, bits);
      if (negated) eff->opNot();
      kind.inputs.emplace_back(eff);
    }
  }
  kind.admits = [](const KuvEeVarEff& eff, int p) {
    const auto& o = *KuvEeOptionEff::cast(eff);
    return ((o.getValue() & (p == 1 ? KuvEeOptionEff::T : KuvEeOptionEff::F)) != 0) != o.isNegated();
  };
  checkAlgebra(kind);
}

TEST(KuvEeVarEffAlgebra, SelectionEffectivitiesAreSubsetsOfTheValues) {
  kuv_test::TestVars vars;
  Kind kind;
  kind.probes = 4;  // N and the three values
  for (unsigned mask = 0; mask < 16; ++mask) {
    for (bool negated : {false, true}) {
      auto* eff = new KuvEeSelectionEff(vars.selection, KuvEeSelectionEff::AllFalse);
      for (int v = 0; v < 3; ++v)
        if ((mask >> v) & 1U) {
          EXPECT_EQ(eff->add(vars.values[v]), S_OK);
        }
      if ((mask & 8U) != 0) eff->orNoVar();
      if (negated) eff->opNot();
      kind.inputs.emplace_back(eff);
    }
  }
  kind.admits = [&vars](const KuvEeVarEff& eff, int p) {
    const auto& s = *KuvEeSelectionEff::cast(eff);
    return s.getValues().Find(vars.values[p - 1]) != s.isNegated();
  };
  checkAlgebra(kind);
}

TEST(KuvEeVarEffAlgebra, SerialEffectivitiesAreSetsOfNumbers) {
  kuv_test::TestVars vars;
  Pick pick(4242);
  Kind kind;
  // Probes 1..9 are the numbers -2..6; the ranges use 0..4 as ends.
  kind.probes = 10;
  addRandomUnions<KuvEeSerialEff, KuvInSerialInterval>(kind, pick, vars.serial, [&](KuvInSerialInterval& r) {
    const int a = pick(5);
    const int b = a + pick(5 - a);
    const bool aIncl = pick(2) != 0;
    return SUCCEEDED(r.setInterval(a, aIncl, b, pick(2) != 0));
  });
  kind.admits = [](const KuvEeVarEff& eff, int p) {
    return partAdmits<KuvInSerialInterval, std::int32_t>(
        eff, p - 3, [](const KuvInSerialInterval& i, const std::int32_t& x) { return inSerial(i, x); });
  };
  checkAlgebra(kind);
}

TEST(KuvEeVarEffAlgebra, DateEffectivitiesAreSetsOfSeconds) {
  kuv_test::TestVars vars;
  Pick pick(777);
  // Days 1..5 of January 2001 as ranges; probes: the first second, noon and
  // the last second of days 0..6 (day 0 is 31 December 2000), far before and
  // far after.
  std::vector<KuvInDate> probes;
  probes.emplace_back(1950, 6, 1, 13, 1, 1);
  probes.emplace_back(2000, 12, 31, 24, 60, 60);
  for (int d = 1; d <= 6; ++d) {
    probes.emplace_back(2001, 1, d, 1, 1, 1);
    probes.emplace_back(2001, 1, d, 13, 1, 1);
    probes.emplace_back(2001, 1, d, 24, 60, 60);
  }
  probes.emplace_back(2050, 6, 1, 13, 1, 1);
  Kind kind;
  kind.probes = static_cast<int>(probes.size()) + 1;
  addRandomUnions<KuvEeDateEff, KuvInDateInterval>(kind, pick, vars.date, [&pick](KuvInDateInterval& days) {
    const int a = 1 + pick(5);
    const int b = a + pick(6 - a);
    return SUCCEEDED(days.setInterval(KuvInDate(2001, 1, a, 1, 1, 1), KuvInDate(2001, 1, b, 24, 60, 60)));
  });
  kind.admits = [&probes](const KuvEeVarEff& eff, int p) {
    return partAdmits<KuvInDateInterval, KuvInDate>(
        eff, probes[p - 1],
        [](const KuvInDateInterval& i, const KuvInDate& x) { return i.getA() <= x && x <= i.getB(); });
  };
  checkAlgebra(kind);
}

namespace {

// Tree effectivities over elements given with a strict "lies below" table:
// selections of random bounds are compared with the elements they select,
// between the from bound and one of the to bounds (anywhere below the from
// bound without to bounds).
void checkTreeAlgebra(KuvEeMilestonesVar& track, const std::vector<KuvEeMilestone*>& elements,
                      const std::function<bool(int, int)>& below, unsigned seed) {
  const int count = static_cast<int>(elements.size());
  auto find = [&elements](const KuvEeTreeElementBase* e) {
    int i = 0;
    while (elements[i] != e) ++i;
    return i;
  };
  Pick pick(seed);
  kuv_test::ScopedFlags quiet(KuvEeVarEff::traceChannel(), 0);
  Kind kind;
  kind.canonicalInputs = false;
  kind.probes = count + 1;  // N and the elements
  // Drawn in sequence, so that every compiler makes the same selections.
  auto bound = [&] {
    const bool included = pick(2) != 0;
    return KuvEeMilestonesSelectionBound(elements[pick(count)], included);
  };
  for (int k = 0; k < 40; ++k) {
    auto* eff = new KuvEeMilestonesEff(&track, KuvEeMilestonesEff::AllFalse);
    KuvInListVal list(KuvEeMilestonesSelection::sType());
    for (int n = pick(3); n > 0; --n) {
      KuvEeMilestonesSelection sel;
      ASSERT_EQ(sel.setFromBound(bound()), S_OK);
      for (int t = pick(3); t > 0; --t) sel.addToBound(bound());
      list.PutBack(sel);
    }
    ASSERT_EQ(eff->addSelections(list), S_OK);
    if (pick(2) != 0) eff->orNoVar();
    if (pick(2) != 0) eff->opNot();
    kind.inputs.emplace_back(eff);
  }
  kind.admits = [&](const KuvEeVarEff& eff, int p) {
    const int e = p - 1;
    KuvInListVal list(KuvEeMilestonesSelection::sType());
    KuvEeMilestonesEff::cast(eff)->getSelections(list);
    bool inside = false;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const auto* sel = KuvEeTreeSelection::cast(*list.Get(i));
      const auto* from = sel->getFromBound();
      const int f = find(from->getElement());
      bool in = e == f ? from->isIncluded() : below(e, f);
      if (in && !sel->getToBounds().IsEmpty()) {
        bool reached = false;
        for (std::int32_t j = 0; j < sel->getToBounds().GetLength(); ++j) {
          const auto* to = KuvEeTreeSelectionBound::cast(*sel->getToBounds().Get(j));
          const int t = find(to->getElement());
          reached = reached || (e == t ? to->isIncluded() : below(t, e));
        }
        in = reached;
      }
      inside = inside || in;
    }
    return inside != eff.isNegated();
  };
  checkAlgebra(kind);

  // simplify keeps the selected elements and gives the combinations' form,
  // which it leaves alone.
  for (const Eff& input : kind.inputs) {
    const auto& eff = *KuvEeMilestonesEff::cast(*input);
    KuvInListVal list(KuvEeMilestonesSelection::sType());
    ASSERT_EQ(eff.getSelections(list), S_OK);
    ASSERT_EQ(KuvEeTreeSelection::simplify(list), S_OK);
    KuvEeMilestonesEff simplified(&track, KuvEeMilestonesEff::AllFalse);
    ASSERT_EQ(simplified.addSelections(list), S_OK);
    if (eff.getNoVar()) simplified.switchNoVar();
    if (eff.isNegated()) simplified.opNot();
    EXPECT_EQ(kind.members(simplified), kind.members(eff)) << eff.toString().ConvertToChar();
    KuvInListVal again(list);
    ASSERT_EQ(KuvEeTreeSelection::simplify(again), S_OK);
    EXPECT_TRUE(again == list);
  }
}

}  // namespace

// A tiny track: R (1-99) with children A (1-49) and B (50-98), and A1
// (2-10) under A.
TEST(KuvEeVarEffAlgebra, TreeEffectivitiesAreSetsOfElements) {
  const unsigned char guid[16] = {1};
  KuvEeMilestonesVar track("Track", guid, "Design", nullptr);
  auto* r = new KuvEeMilestone("R", guid, &track, treeIndex("1-99"), nullptr, nullptr);
  ASSERT_EQ(track.setRootMilestone(r), S_OK);
  auto* a = new KuvEeMilestone("A", guid, &track, treeIndex("1-49"), nullptr, r);
  ASSERT_EQ(r->addChild(a), S_OK);
  auto* b = new KuvEeMilestone("B", guid, &track, treeIndex("50-98"), nullptr, r);
  ASSERT_EQ(r->addChild(b), S_OK);
  auto* a1 = new KuvEeMilestone("A1", guid, &track, treeIndex("2-10"), nullptr, a);
  ASSERT_EQ(a->addChild(a1), S_OK);
  const int parent[4] = {-1, 0, 1, 0};
  checkTreeAlgebra(
      track, {r, a, a1, b},
      [&parent](int e, int ancestor) {
        for (int p = parent[e]; p >= 0; p = parent[p])
          if (p == ancestor) return true;
        return false;
      },
      99);
}

// In no-tree mode nothing links the elements: they lie below one another by
// their indices alone. X (40-60) overlaps A and B without nesting, and Y
// (45-47) lies below both A and X, so the indices make no tree there.
TEST(KuvEeVarEffAlgebra, TreeEffectivitiesInNoTreeModeAreSetsOfElements) {
  const unsigned char guid[16] = {2};
  KuvEeMilestonesVar track("Bag", guid, "Design", nullptr, true);
  const std::pair<const char*, std::pair<int, int>> spans[] = {
      {"R", {1, 99}}, {"A", {1, 49}},  {"A1", {2, 10}}, {"B", {50, 98}},
      {"C", {60, 70}}, {"X", {40, 60}}, {"Y", {45, 47}}};
  std::vector<KuvEeMilestone*> elements;
  for (const auto& [name, span] : spans) {
    const std::string text = std::to_string(span.first) + "-" + std::to_string(span.second);
    elements.push_back(new KuvEeMilestone(name, guid, &track, treeIndex(text.c_str()), nullptr, nullptr));
    ASSERT_EQ(track.addElementToNoTreeModeBag(elements.back()), S_OK);
  }
  checkTreeAlgebra(
      track, elements,
      [&spans](int e, int above) {
        const auto& x = spans[e].second;
        const auto& y = spans[above].second;
        return e != above && y.first <= x.first && y.second > x.second;
      },
      7);

  // R, X and Y without A: a selection from R to Y would take A too, so each
  // element is selected on its own.
  KuvInListVal list(KuvEeMilestonesSelection::sType());
  for (int e : {0, 5, 6}) {
    KuvInListVal one(KuvEeMilestonesSelection::sType());
    KuvEeMilestonesSelection sel;
    ASSERT_EQ(sel.setSingleSelection(KuvEeMilestonesSelectionBound(elements[e], true)), S_OK);
    one.PutBack(sel);
    ASSERT_EQ(KuvEeTreeSelection::opAdd(list, one), S_OK);
  }
  ASSERT_EQ(list.GetLength(), 3);
  for (std::int32_t i = 0; i < 3; ++i)
    EXPECT_TRUE(KuvEeTreeSelection::cast(*list.Get(i))->isSingleSelection());
}
