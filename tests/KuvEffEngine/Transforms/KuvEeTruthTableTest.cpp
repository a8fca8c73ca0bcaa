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

std::size_t count(const KuvEeNode* node, const TruthModel& m) {
  std::optional<TruthTable> table = truthTable(m, *node);
  EXPECT_TRUE(table.has_value());
  return table ? table->count() : 0;
}

}  // namespace

// The oracle itself: the sizes of a few sets are known by hand (12960
// configurations, an option's three states splitting them in thirds).
TEST(TruthTable, KnownSetsHaveTheirSizes) {
  TruthModel m;
  const std::size_t all = TruthModel::kConfigs;
  Tree t = own(T());
  EXPECT_EQ(all, count(t->getNode(), m));
  t = own(OptionLeaf(m, 0, KuvEeOptionEff::T));
  EXPECT_EQ(all / 3, count(t->getNode(), m));
  t = own(OptionLeaf(m, 0, KuvEeOptionEff::T, true));  // {F, N}
  EXPECT_EQ(2 * all / 3, count(t->getNode(), m));
  t = own(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T)));  // {F}
  EXPECT_EQ(all / 3, count(t->getNode(), m));
  t = own(Not(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T))));  // {T, N}
  EXPECT_EQ(2 * all / 3, count(t->getNode(), m));
  t = own(And({OptionLeaf(m, 0, KuvEeOptionEff::T), OptionLeaf(m, 1, KuvEeOptionEff::T)}));
  EXPECT_EQ(all / 9, count(t->getNode(), m));
  // NotDomain pushed through Or: both options valued and not selected.
  t = own(NotDom(Or({OptionLeaf(m, 0, KuvEeOptionEff::T), OptionLeaf(m, 1, KuvEeOptionEff::T)})));
  EXPECT_EQ(all / 9, count(t->getNode(), m));
  // A colour that is red or blue: half of the four states.
  auto* colour = new KuvEeSelectionEff(m.selection.get(), KuvEeSelectionEff::AllFalse);
  colour->add(m.values[0]);
  colour->add(m.values[2]);
  t = own(new KuvEeVarEffLeaf(colour));
  EXPECT_EQ(all / 2, count(t->getNode(), m));
  // Serial numbers ]1,3]: 2 and 3 of the six states 0..4 and no value.
  auto* units = new KuvEeSerialEff(m.serial.get(), KuvEeSerialEff::AllFalse);
  ASSERT_EQ(S_OK, units->set(1, false, 3, true));
  t = own(new KuvEeVarEffLeaf(units));
  EXPECT_EQ(all / 3, count(t->getNode(), m));
  // The first day or no date: two of five states; negated, the other three.
  auto* day = new KuvEeDateEff(m.date.get(), KuvEeDateEff::AllFalse);
  ASSERT_EQ(S_OK, day->set(KuvInDate(2001, 1, 1, 1, 1, 1), KuvInDate(2001, 1, 1, 24, 60, 60)));
  day->orNoVar();
  t = own(new KuvEeVarEffLeaf(day));
  EXPECT_EQ(2 * all / 5, count(t->getNode(), m));
  t = own(Not(new KuvEeVarEffLeaf(day->createVarEffClone())));
  EXPECT_EQ(3 * all / 5, count(t->getNode(), m));
  // An effectivity holds in half the configurations; with its negation, in
  // all or none; not at all under a negation within the domain.
  auto* effLeaf = new KuvEeEffLeaf(m.effs[1].get());
  t = own(And({effLeaf, OptionLeaf(m, 0, KuvEeOptionEff::T)}));
  EXPECT_EQ(all / 6, count(t->getNode(), m));
  effLeaf->opNot();
  EXPECT_EQ(all / 6, count(t->getNode(), m));
  t = own(Or({new KuvEeEffLeaf(m.effs[0].get()), Not(new KuvEeEffLeaf(m.effs[0].get()))}));
  EXPECT_EQ(all, count(t->getNode(), m));
  t = own(NotDom(new KuvEeEffLeaf(m.effs[0].get())));
  EXPECT_FALSE(truthTable(m, *t));
  // Negation within the domain of a set holding no value has no meaning.
  t = own(NotDom(OptionLeaf(m, 0, KuvEeOptionEff::T | KuvEeOptionEff::N)));
  EXPECT_FALSE(truthTable(m, *t));
  t = own(NotDom(T()));
  EXPECT_FALSE(truthTable(m, *t));
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
