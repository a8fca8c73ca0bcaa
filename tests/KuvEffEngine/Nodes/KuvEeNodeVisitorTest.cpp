// Visiting: dispatch to the node's kind, descent only on request, and the
// result codes of childrenAcceptVisitor.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

// Records the kinds it visits and answers a chosen code for chosen nodes.
class Recorder : public KuvEeNodeWalker {
public:
  std::string trail;
  std::map<const KuvEeNode*, HRESULT> answers;

  HRESULT visitFalse(KuvEeFalse& node) override { return leaf("F", node); }
  HRESULT visitTrue(KuvEeTrue& node) override { return leaf("T", node); }
  HRESULT visitAndOp(KuvEeAndOp& node) override {
    trail += "And ";
    return KuvEeNodeWalker::visitAndOp(node);
  }
  HRESULT visitNotOp(KuvEeNotOp& node) override {
    trail += "Not ";
    return KuvEeNodeWalker::visitNotOp(node);
  }

private:
  HRESULT leaf(const char* name, const KuvEeNode& node) {
    trail += std::string(name) + " ";
    auto found = answers.find(&node);
    return found == answers.end() ? S_OK : found->second;
  }
};

KuvEeNode* childAt(const KuvEeNode* op, std::size_t i) { return children(*KuvEeOp::cast(*op))[i]; }

TEST(KuvEeNodeVisitorTest, WalkerDescendsInOrderAndAGroupStopsAtTheFirstFailingChildWithEFail) {
  Tree whole = own(build("And(T,Or(F,Dom(T)),Not(Not(F)))"));
  Recorder walker;
  EXPECT_EQ(whole->getNode()->acceptVisitor(walker), S_OK);
  EXPECT_EQ(walker.trail, "And T F T Not Not F ");

  Tree tree = own(build("And(T,F,T)"));
  Recorder recorder;
  recorder.answers[childAt(tree->getNode(), 0)] = S_FALSE;  // positive codes go on
  recorder.answers[childAt(tree->getNode(), 1)] = E_INVALIDARG;
  EXPECT_EQ(tree->getNode()->acceptVisitor(recorder), E_FAIL);
  EXPECT_EQ(recorder.trail, "And T F ");

  Recorder positive;
  positive.answers[childAt(tree->getNode(), 2)] = S_FALSE;
  EXPECT_EQ(KuvEeGroupOp::cast(*tree->getNode())->childrenAcceptVisitor(positive), S_OK);
  EXPECT_EQ(positive.trail, "T F T ");
}

TEST(KuvEeNodeVisitorTest, SingleWalkPassesTheChildCodeOnAndTracesFailures) {
  Tree tree = own(build("And(Not(F),T)"));
  KuvEeNode* notNode = childAt(tree->getNode(), 0);
  Recorder recorder;
  recorder.answers[childAt(notNode, 0)] = E_INVALIDARG;
  EXPECT_TRACES(E_INVALIDARG, "ERROR: acceptVisitor failed",
                KuvEeSingleOp::cast(*notNode)->childrenAcceptVisitor(recorder));
  // One level up the group turns the code into E_FAIL and stops.
  recorder.trail.clear();
  EXPECT_TRACES(E_FAIL, "", tree->getNode()->acceptVisitor(recorder));
  EXPECT_EQ(recorder.trail, "And Not F ");

  recorder.answers[childAt(notNode, 0)] = S_FALSE;
  EXPECT_EQ(KuvEeSingleOp::cast(*notNode)->childrenAcceptVisitor(recorder), S_FALSE);
  Tree empty = own(build("Dom()"));
  EXPECT_EQ(KuvEeSingleOp::cast(*empty->getNode())->childrenAcceptVisitor(recorder), S_OK);
}

TEST(KuvEeNodeVisitorTest, CloneCopiesEveryKindDeeplyAndKeepsTheNotFlag) {
  Tree tree = own(And({T(), Or({F(), NotDom(T())}), Not(Not(F()), 1), And()}));
  Tree copy(tree->getNode()->clone());
  ASSERT_NE(copy, nullptr);
  const KuvEeNode* notCopy = childAt(copy->getNode(), 2);
  EXPECT_EQ(KuvEeNotOp::cast(*notCopy)->getFlag(), 1);
  EXPECT_EQ(KuvEeNotOp::cast(*childAt(notCopy, 0))->getFlag(), 0);
  // Nothing is shared: the original goes, the copy stays whole.
  tree.reset();
  EXPECT_EQ(shape(*copy), "And(T,Or(F,Dom(T)),Not(Not(F)),And())");
}

TEST(KuvEeNodeVisitorTest, FailedCloneLeavesNoPartialCopy) {
  const std::pair<const char*, const char*> cases[] = {
      {"Or(T,And(F,Not()))", "ERROR: SingleOp without child"},
      {"Dom()", "ERROR: SingleOp without child"},
      {"And(T,Not(L1))", "ERROR: acceptVisitor failed on child"},  // criterion leaves are not visitable here
      {"Or(F,L3)", "ERROR: acceptVisitor on child failed"},
  };
  for (const auto& [shapeText, message] : cases) {
    Tree tree = own(build(shapeText));
    KuvEeNodeCloner cloner;
    EXPECT_TRACES(nullptr, message, cloner.clone(*tree));
  }
}

}  // namespace
