// The text form of trees, as traces print it.
#include <gtest/gtest.h>

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

TEST(KuvEeNodeTextTest, BranchMarksAndLineBreakIndentation) {
  const std::pair<const char*, const char*> cases[] = {
      {"And(T,Or(F,T),Not(F))",
       " AND -/-TRUE\n"
       "      |- OR  -/-FALSE\n"
       "      |       \\-TRUE\n"
       "      \\-NOT--FALSE"},
      {"T", "TRUE"},
      {"F", "FALSE"},
      {"And()", " AND -"},
      {"Or()", " OR  -"},
      {"Or(T)", " OR  ---TRUE"},
      {"And(T,F,T)", " AND -/-TRUE\n      |-FALSE\n      \\-TRUE"},
      {"Not()", "NOT--"},
      {"Not(F)", "NOT--FALSE"},
      {"Dom()", "NOTDOM--ERROR"},
      {"Dom(T)", "NOTDOM--TRUE"},
      // A single operator indents its child's continuation lines under it.
      {"Not(Or(F,T))", "NOT-- OR  -/-FALSE\n           \\-TRUE"},
      {"Dom(And(T,F))", "NOTDOM-- AND -/-TRUE\n              \\-FALSE"},
      // The only child is the last one: its lines carry no bar.
      {"Or(And(T,F))", " OR  --- AND -/-TRUE\n              \\-FALSE"},
      // A child that is not the last keeps the bar in front of its lines.
      {"And(Or(T,F),T)", " AND -/- OR  -/-TRUE\n      |       \\-FALSE\n      \\-TRUE"},
      {"Not(Not(And(T,F)))", "NOT--NOT-- AND -/-TRUE\n                \\-FALSE"},
  };
  for (const auto& [shapeText, expected] : cases) {
    Tree tree = own(build(shapeText));
    EXPECT_EQ(text(*tree), expected) << shapeText;
    EXPECT_EQ(text(*tree), text(*tree->getNode()));
  }
}

// Each operation opens and closes its call on its class's channel, nested
// one level per call.
TEST(KuvEeNodeTextTest, NodeOperationsAreCallTraced) {
  Tree tree = own(build("And(T)"));
  ScopedFlags flags(KuvEeGroupOp::traceChannel(), 3);
  ScopedFlags andFlags(KuvEeAndOp::traceChannel(), 3);
  const std::string out = captured([&] {
    KuvEeGroupOp::cast(*tree->getNode())->addChild(new KuvEeFalse);
    KuvEeGroupOp::cast(*tree->getNode())->becomeIfHasStrongNode(KuvEeGroupOp::MAKETF_ASK_LEAVES);
  });
  EXPECT_EQ(out,
            "KuvEeGroupOp              =>  >>>> addChild {\n"
            "KuvEeGroupOp              =>  }\n"
            "KuvEeAndOp                =>  >>>> becomeIfHasStrongNode {\n"
            "KuvEeAndOp                =>  : >>>> hasStrongNode {\n"
            "KuvEeAndOp                =>  : }\n"
            "KuvEeAndOp                =>  }\n");
  EXPECT_EQ(shape(*tree), "F");
}

}  // namespace
