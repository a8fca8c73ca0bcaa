// The variable effectivities as a set algebra: every effectivity is compared
// with the explicit set of probe points it admits (probe 0 is the no-value
// element), over all pairs of small inputs or a fixed-seed sample of them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeOptionEff.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeSelectionValue.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeElementBase.h"
#include "KuvEeVarEffTestSupport.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvInListVal.h"

namespace {

using Eff = std::unique_ptr<KuvEeVarEff>;
using Members = std::vector<bool>;

// A kind under test: its inputs and how to tell whether an effectivity
// admits probe p (p > 0; probe 0 is asked through isNoVarIncluded).
struct Kind {
  std::vector<Eff> inputs;
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

void checkBinary(const Kind& kind, Binary op, const char* name,
                 const std::function<bool(bool, bool)>& model) {
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
      if (r->isAllTrue()) {
        ASSERT_EQ(mr, Members(kind.probes, true));
      }
      if (r->isAllFalse()) {
        ASSERT_EQ(mr, Members(kind.probes, false));
      }
      bool equal = false;
      ASSERT_EQ(r->equals(copyOf(*r).get(), equal), S_OK);
      ASSERT_TRUE(equal);
    }
  }
}

void checkAlgebra(const Kind& kind) {
  kuvtest::QuietErrors quiet;
  checkBinary(kind, &KuvEeVarEff::opAnd, "opAnd", [](bool x, bool y) { return x && y; });
  checkBinary(kind, &KuvEeVarEff::opOr, "opOr", [](bool x, bool y) { return x || y; });
  checkBinary(kind, &KuvEeVarEff::opCut, "opCut", [](bool x, bool y) { return x && !y; });
  for (const Eff& a : kind.inputs) {
    const Members ma = kind.members(*a);
    Eff r = copyOf(*a);
    r->opNot();
    Members expected(ma.size());
    for (size_t p = 0; p < ma.size(); ++p) expected[p] = !ma[p];
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
      ASSERT_EQ(equal, kind.members(*a) == kind.members(*b) && a->isNegated() == b->isNegated())
          << a->toString().ConvertToChar() << "\n"
          << b->toString().ConvertToChar();
    }
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
  kuvtest::TestVars vars;
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
  kuvtest::TestVars vars;
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
  kuvtest::TestVars vars;
  std::mt19937 random(4242);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  Kind kind;
  // Probes 1..9 are the numbers -2..6; the ranges use 0..4 as ends.
  kind.probes = 10;
  for (int k = 0; k < 40; ++k) {
    auto* eff = new KuvEeSerialEff(vars.serial, KuvEeSerialEff::AllFalse);
    KuvInListVal list(KuvInSerialInterval::sType());
    for (int n = pick(3); n > 0; --n) {
      int a = pick(5);
      int b = a + pick(5 - a);
      bool aIncl = pick(2) != 0;
      bool bIncl = pick(2) != 0;
      KuvInSerialInterval range;
      if (SUCCEEDED(range.setInterval(a, aIncl, b, bIncl))) {
        KuvInListVal one(KuvInSerialInterval::sType());
        one.PutBack(range);
        ASSERT_EQ(KuvInSerialInterval::opAdd(list, one), S_OK);
      }
    }
    ASSERT_EQ(eff->set(list), S_OK);
    if (pick(2) != 0) eff->orNoVar();
    if (pick(2) != 0) eff->opNot();
    kind.inputs.emplace_back(eff);
  }
  kind.admits = [](const KuvEeVarEff& eff, int p) {
    return partAdmits<KuvInSerialInterval, std::int32_t>(
        eff, p - 3, [](const KuvInSerialInterval& i, const std::int32_t& x) { return inSerial(i, x); });
  };
  checkAlgebra(kind);
}

TEST(KuvEeVarEffAlgebra, DateEffectivitiesAreSetsOfSeconds) {
  kuvtest::TestVars vars;
  std::mt19937 random(777);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
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
  for (int k = 0; k < 40; ++k) {
    auto* eff = new KuvEeDateEff(vars.date, KuvEeDateEff::AllFalse);
    KuvInListVal list(KuvInDateInterval::sType());
    for (int n = pick(3); n > 0; --n) {
      int a = 1 + pick(5);
      int b = a + pick(6 - a);
      KuvInDateInterval days;
      ASSERT_EQ(days.setInterval(KuvInDate(2001, 1, a, 1, 1, 1), KuvInDate(2001, 1, b, 24, 60, 60)), S_OK);
      KuvInListVal one(KuvInDateInterval::sType());
      one.PutBack(days);
      ASSERT_EQ(KuvInDateInterval::opAdd(list, one), S_OK);
    }
    ASSERT_EQ(eff->set(list), S_OK);
    if (pick(2) != 0) eff->orNoVar();
    if (pick(2) != 0) eff->opNot();
    kind.inputs.emplace_back(eff);
  }
  kind.admits = [&probes](const KuvEeVarEff& eff, int p) {
    return partAdmits<KuvInDateInterval, KuvInDate>(
        eff, probes[p - 1],
        [](const KuvInDateInterval& i, const KuvInDate& x) { return i.getA() <= x && x <= i.getB(); });
  };
  checkAlgebra(kind);
}

// A tiny track of two milestones: every positive part is empty or the single
// selection of the first one, the lists the tree algebra combines without
// comparing elements.
TEST(KuvEeVarEffAlgebra, TreeEffectivitiesOverOneSelection) {
  const unsigned char guid[16] = {1};
  KuvEeMilestonesVar track("Track", guid, "Design", nullptr);
  KuvInTreeEvalIndex index;
  ASSERT_EQ(KuvInTreeEvalIndex::BuildFromString("1-9", index), S_OK);
  KuvEeMilestone first("M1", guid, &track, index, nullptr, nullptr);
  KuvEeMilestonesSelection single;
  ASSERT_EQ(single.setSingleSelection(KuvEeMilestonesSelectionBound(&first, true)), S_OK);
  KuvInListVal selections(KuvEeMilestonesSelection::sType());
  selections.PutBack(single);
  Kind kind;
  kind.probes = 3;  // N, the first milestone, the second
  for (int shape = 0; shape < 8; ++shape) {
    auto* eff = new KuvEeMilestonesEff(&track, KuvEeMilestonesEff::AllFalse);
    if ((shape & 1) != 0) {
      ASSERT_EQ(eff->addSelections(selections), S_OK);
    }
    if ((shape & 2) != 0) eff->orNoVar();
    if ((shape & 4) != 0) eff->opNot();
    kind.inputs.emplace_back(eff);
  }
  kind.admits = [](const KuvEeVarEff& eff, int p) {
    KuvInListVal list(KuvEeMilestonesSelection::sType());
    KuvEeMilestonesEff::cast(eff)->getSelections(list);
    return (p == 1 && !list.IsEmpty()) != eff.isNegated();
  };
  checkAlgebra(kind);
}
