// The expression toolbox: views as expansion modes, and simplification and
// development restricted to the part beside the references.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"

using namespace kuv_test;

namespace {

using Toolbox = KuvEeExpressionToolbox;

// A reference to a basic effectivity, to an officialized, an unpublished and
// a rejected change, each defined by an option.
struct References {
  References() {
    inner.setExpr(c.option()->getNodeRef());
    official.setExpr(c.option()->getNodeRef());
    pending.setExpr(c.option()->getNodeRef());
  }
  KuvEeNode* all() {
    return And({c.effLeaf(inner), c.effLeaf(official), c.effLeaf(pending), c.effLeaf(rejected)});
  }
  Criteria c;
  KuvEeBasicEff inner{"Inner", Guid(1).data()};
  KuvEePredefEff official{"Off", Guid(2).data(), KuvEePredefEff::Officialized, KuvEePredefEff::GLOBAL};
  KuvEePredefEff pending{"Pen", Guid(3).data(), KuvEePredefEff::Unpublished, KuvEePredefEff::GLOBAL};
  KuvEePredefEff rejected{"Rej", Guid(4).data(), KuvEePredefEff::Rejected, KuvEePredefEff::GLOBAL};
};

}  // namespace

TEST(KuvEeExpressionToolboxTest, AViewExpandsTheReferencesItsModeSays) {
  References r;
  const struct { Toolbox::ExpressionView view; unsigned char flag; const char* expected; } cases[] = {
      {Toolbox::NONE, 1, "And(Ref(Inner),Ref(Off),Ref(Pen),Ref(Rej))"},
      {Toolbox::SOURCE, 1, "And(Sunroof,Ref(Off),Ref(Pen),Ref(Rej))"},
      {Toolbox::CURRENT, 0, "And(Ref(Inner),Sunroof,Ref(Pen),F)"},
      {Toolbox::CURRENT, 1, "And(Sunroof,Sunroof,Ref(Pen),F)"},
      {Toolbox::PROJECTED, 0, "And(Ref(Inner),Sunroof,Sunroof,F)"},
  };
  for (const auto& c : cases) {
    Tree tree = own(r.all());
    EXPECT_EQ(Toolbox::ComputeView(*tree, c.view, c.flag, nullptr), S_OK);
    EXPECT_EQ(shape(*tree), c.expected) << c.view << " " << int(c.flag);
  }
  Tree tree = own(r.all());
  EXPECT_TRACES(E_FAIL, "ERROR: Unexpected value",
                Toolbox::ComputeView(*tree, static_cast<Toolbox::ExpressionView>(7), 0, nullptr));
  KuvEeGenericExpression empty;
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", Toolbox::ComputeView(empty, Toolbox::CURRENT, 0));
}

TEST(KuvEeExpressionToolboxTest, SimplifiesAndDevelopsOnlyThePartBesideTheReferences) {
  Criteria c;
  KuvEeBasicEff other("Other", Guid(1).data());
  auto references = [&] { return Or({c.inheritedLeaf(), c.effLeaf(other)}); };
  KuvEeGenericExpression expression(And({references(), And({T(), Not(Not(c.option()))})})->getNodeRef());
  const std::string before = shape(*expression.GetNodeRef());
  EXPECT_EQ(Toolbox::Simplify(expression, 0), S_OK);
  EXPECT_EQ(shape(*expression.GetNodeRef()), before);
  EXPECT_EQ(Toolbox::Simplify(expression, 1), S_OK);
  EXPECT_EQ(shape(*expression.GetNodeRef()), "And(Or(Ref(Inherited),Ref(Other)),Sunroof)");

  auto towbar = [&] { return new KuvEeVarEffLeaf(new KuvEeOptionEff(c.vars.otherOption, KuvEeOptionEff::T)); };
  Tree tree = own(And({Not(Or({Not(c.option()), And({towbar(), Not(towbar())})})), c.inheritedLeaf()}));
  EXPECT_EQ(Toolbox::RemoveNot_And_Develop(*tree, 1), S_OK);
  // Not(!s Or (t And !t)) = s And (!t Or t), developed.
  EXPECT_EQ(shape(*tree), "And(Or(And(Sunroof,!Towbar),And(Sunroof,Towbar)),Ref(Inherited))");

  KuvEeGenericExpression twoGroups(And({c.inheritedLeaf(), Or({c.effLeaf(other), c.option()})})->getNodeRef());
  EXPECT_TRACES(E_FAIL, "ERROR: expression not compatible with the pattern.", Toolbox::Simplify(twoGroups, 1));
  KuvEeChangeExpression change;
  EXPECT_TRACES(E_FAIL, "ERROR: unexpected case.", Toolbox::Simplify(change, 1));
  KuvEeGenericExpression list;
  ASSERT_EQ(list.SetExpression(new KuvQmSpecList, KuvEeGenericExpression::CFG_LISTMODE_STRICT), S_OK);
  EXPECT_EQ(Toolbox::Simplify(list, 1), S_FALSE);
}
