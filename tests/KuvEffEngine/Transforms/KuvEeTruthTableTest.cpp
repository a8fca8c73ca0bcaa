#include <gtest/gtest.h>

#include "KuvEeDateEff.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeNodeCloner.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeOptionEff.h"
#include "KuvEeSelectionEff.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

KuvEeNode* OptionLeaf(const TruthModel& m, int option, std::uint32_t value, bool negated = false) {
  auto* eff = new KuvEeOptionEff(m.options[option].get(), value);
  if (negated) eff->opNot();
  return new KuvEeVarEffLeaf(eff);
}

KuvEeNode* EffLeaf(const TruthModel& m, int eff, bool negated = false) {
  auto* leaf = new KuvEeEffLeaf(m.effs[eff].get());
  if (negated) leaf->opNot();
  return leaf;
}

}  // namespace

// The oracle itself: the sizes of a few sets are known by hand (25920
// configurations, an option's three states splitting them in thirds).
TEST(TruthTable, KnownSetsHaveTheirSizes) {
  TruthModel m;
  // The number of configurations in the set a tree (taken over) stands for;
  // -1 for a tree without meaning.
  auto size = [&m](KuvEeNode* node) {
    const std::optional<TruthTable> table = truthTable(m, *own(node));
    return table ? static_cast<int>(table->count()) : -1;
  };
  const int all = TruthModel::kConfigs;
  EXPECT_EQ(all, size(T()));
  EXPECT_EQ(all / 3, size(OptionLeaf(m, 0, KuvEeOptionEff::T)));
  EXPECT_EQ(2 * all / 3, size(OptionLeaf(m, 0, KuvEeOptionEff::T, true)));         // {F, N}
  EXPECT_EQ(all / 3, size(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T))));           // {F}
  EXPECT_EQ(2 * all / 3, size(Not(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T)))));  // {T, N}
  EXPECT_EQ(all / 9, size(And({OptionLeaf(m, 0, KuvEeOptionEff::T), OptionLeaf(m, 1, KuvEeOptionEff::T)})));
  // NotDomain pushed through Or: both options valued and not selected.
  EXPECT_EQ(all / 9,
            size(NotDom(Or({OptionLeaf(m, 0, KuvEeOptionEff::T), OptionLeaf(m, 1, KuvEeOptionEff::T)}))));
  // A colour that is red or blue: half of the four states.
  auto* colour = new KuvEeSelectionEff(m.selection.get(), KuvEeSelectionEff::AllFalse);
  colour->add(m.values[0]);
  colour->add(m.values[2]);
  EXPECT_EQ(all / 2, size(new KuvEeVarEffLeaf(colour)));
  // Serial numbers ]1,3]: 2 and 3 of the six states 0..4 and no value.
  auto* units = new KuvEeSerialEff(m.serial.get(), KuvEeSerialEff::AllFalse);
  ASSERT_EQ(S_OK, units->set(1, false, 3, true));
  EXPECT_EQ(all / 3, size(new KuvEeVarEffLeaf(units)));
  // The first day or no date: two of five states; negated, the other three.
  KuvEeDateEff day(m.date.get(), KuvEeDateEff::AllFalse);
  ASSERT_EQ(S_OK, day.set(KuvInDate(2001, 1, 1, 1, 1, 1), KuvInDate(2001, 1, 1, 24, 60, 60)));
  day.orNoVar();
  EXPECT_EQ(2 * all / 5, size(new KuvEeVarEffLeaf(day.createVarEffClone())));
  EXPECT_EQ(3 * all / 5, size(Not(new KuvEeVarEffLeaf(day.createVarEffClone()))));
  // An effectivity holds in half the configurations, negated or not; with
  // its negation, in all; not at all under a negation within the domain.
  EXPECT_EQ(all / 6, size(And({EffLeaf(m, 1), OptionLeaf(m, 0, KuvEeOptionEff::T)})));
  EXPECT_EQ(all / 6, size(And({EffLeaf(m, 1, true), OptionLeaf(m, 0, KuvEeOptionEff::T)})));
  EXPECT_EQ(all, size(Or({EffLeaf(m, 0), Not(EffLeaf(m, 0))})));
  EXPECT_EQ(all / 4, size(And({changeLeaf(m), EffLeaf(m, 0, true)})));
  EXPECT_EQ(-1, size(NotDom(EffLeaf(m, 0))));
  // Negation within the domain of a set holding no value has no meaning.
  EXPECT_EQ(-1, size(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T | KuvEeOptionEff::N))));
  EXPECT_EQ(-1, size(NotDom(T())));
}

TEST(TruthTable, GeneratedTreesAreReproducibleAndVaried) {
  TruthModel m;
  TreeGenerator a(m, 7, {}), b(m, 7, {});
  std::size_t distinctSizes = 0, last = 0;
  for (int i = 0; i < 50; ++i) {
    Tree x = a.next(), y = b.next();
    EXPECT_EQ(text(*x), text(*y));
    const std::size_t size = truthTable(m, *x)->count();
    distinctSizes += size != last;
    last = size;
  }
  EXPECT_GT(distinctSizes, 25U);
}

TEST(TruthTable, CloningKeepsTheTruthTable) {
  TruthModel m;
  TreeGenerator generator(m, 20261205, {});
  for (int i = 0; i < 1000; ++i) {
    Tree tree = generator.next();
    KuvEeNodeCloner cloner;
    Tree copy(cloner.clone(*tree));
    ASSERT_NE(nullptr, copy);
    ASSERT_EQ(truthTable(m, *tree), truthTable(m, *copy)) << text(*tree);
  }
}
