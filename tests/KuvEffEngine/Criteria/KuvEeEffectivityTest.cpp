// Named effectivities (the trees and expressions they own) and the symbol
// leaves that stand for them until a variable space resolves them.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

TEST(KuvEeEffectivityTest, OwnsItsTreeAndItsExpression) {
  KuvEeBasicEff eff("B", Guid(1).data());
  EXPECT_FALSE(eff.isDefined());
  eff.setExpr(build("And(T,Or(F,T))")->getNodeRef());
  eff.setExpr(build("Not(F)")->getNodeRef());  // the first tree is freed
  eff.setExpr(eff.getExpr());                  // the same tree again: kept, not freed
  EXPECT_TRUE(eff.isDefined());
  EXPECT_EQ(shape(*eff.getExpr()), "Not(F)");
  eff.setExpr(static_cast<KuvEeNodeRef*>(nullptr));
  EXPECT_FALSE(eff.isDefined());

  // An expression alone makes the effectivity defined; the sanitizer run
  // proves that replaced and held expressions are freed exactly once.
  KuvEeExpression* expression = new KuvEeChangeExpression();
  EXPECT_EQ(eff.setExpr(expression), S_OK);
  EXPECT_EQ(expression, nullptr) << "the effectivity took it over";
  EXPECT_TRUE(eff.isDefined());
  EXPECT_NE(eff.toString().SearchSubString(" - Defined )"), -1);
  KuvEeExpression* held = nullptr;
  EXPECT_EQ(eff.getExpr(held), S_OK);
  KuvEeExpression* same = held;
  EXPECT_EQ(eff.setExpr(same), S_OK) << "the same expression again is kept";
  expression = new KuvEeChangeExpression();
  EXPECT_EQ(eff.setExpr(expression), S_OK);  // the first one is freed

  EXPECT_EQ(eff.removeExpr(held), S_OK);
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(eff.isDefined());
  EXPECT_EQ(eff.removeExpr(same), S_FALSE);
  EXPECT_EQ(same, nullptr);
  EXPECT_EQ(eff.setExpr(held), S_OK);  // kept until the effectivity goes
}

TEST(KuvEeEffSymbolLeafTest, RefusesVisitsSoTreesHoldingOneDoNotClone) {
  KuvEeVarSpace space("S", nullptr);
  auto* symbol = new KuvEeEffSymbolLeaf("Eff", &space);
  Tree root = own(And({T(), symbol}));
  KuvEeNodeCloner cloner;
  EXPECT_EQ(symbol->acceptVisitor(cloner), E_FAIL);
  EXPECT_EQ(root->getNode()->clone(), nullptr);
  EXPECT_EQ(text(*symbol), "EffSymbolLeaf( Eff)");
}

TEST(KuvEeEffSymbolLeafTest, WithoutAVariableSpaceCannotBeSolved) {
  auto space = std::make_unique<KuvEeVarSpace>("S", nullptr);
  KuvEeEffSymbolLeaf symbol(Guid(1).data(), space.get());
  EXPECT_TRUE(space->getEffSymbols().Find(&symbol));
  space.reset();  // gone first: the symbol forgets it
  EXPECT_EQ(symbol.getVarSpace(), nullptr);
  EXPECT_EQ(symbol.becomeEffLeaf(), E_FAIL);
  ASSERT_NE(symbol.getGuid(), nullptr);
  EXPECT_EQ(*symbol.getGuid(), Guid(1).guid());
}

TEST(KuvEeEffSymbolLeafTest, VariableSpaceSolvesAllItsSymbolsOrFails) {
  KuvEeVarSpace space("S", nullptr);
  KuvEeBasicEff first("First", Guid(1).data());
  KuvEePredefEff second("Second", Guid(2).data(), true, KuvEePredefEff::GLOBAL);
  ASSERT_EQ(space.addPossibleSourceEff(&first), S_OK);
  ASSERT_EQ(space.addPossibleSourceEff(&second), S_OK);
  Tree root = own(
      And({new KuvEeEffSymbolLeaf(Guid(1).data(), &space), Not(new KuvEeEffSymbolLeaf("Second", &space))}));
  ASSERT_EQ(space.solveEffSymbols(), S_OK);
  EXPECT_TRUE(space.getEffSymbols().IsEmpty());
  EXPECT_EQ(text(*root), text(*own(And({new KuvEeEffLeaf(&first), Not(new KuvEeEffLeaf(&second))}))));

  // A symbol left unsolved stays in place, and leaves the space with its
  // tree.
  auto* unknown = new KuvEeEffSymbolLeaf("Nobody", &space);
  Tree other = own(unknown);
  EXPECT_TRACES(E_FAIL, "ERROR: becomeEffLeaf failed", space.solveEffSymbols());
  EXPECT_EQ(other->getNode(), unknown);
  EXPECT_TRUE(space.getEffSymbols().Find(unknown));
  const unsigned char strangerGuid[16] = {0xEE};
  auto* stranger = new KuvEeEffSymbolLeaf(strangerGuid, &space);
  Tree third = own(Not(stranger));
  EXPECT_EQ(stranger->becomeEffLeaf(), E_FAIL);
  other.reset();
  third.reset();
  EXPECT_TRUE(space.getEffSymbols().IsEmpty());
}

// An applicability that refers back to its own effectivity is printed once,
// its inner occurrence elided, instead of recursing without end.
TEST(KuvEeEffectivityTest, SelfReferringApplicabilityPrintsOnce) {
  KuvEePredefEff eco("ECO", Guid(2).data(), true, KuvEePredefEff::CONTEXTUAL);
  eco.setExpr((new KuvEeEffLeaf(&eco))->getNodeRef());
  const std::string head = "PredefEff( ECO/" + text(eco.getGuid()) + " - Officialized - CONTEXTUAL - ";
  EXPECT_EQ(text(eco), head + "Applicability: EffLeaf( " + head + "Applicability: ... ) ) )");
}
