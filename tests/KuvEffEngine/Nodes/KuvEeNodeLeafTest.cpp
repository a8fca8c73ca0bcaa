// The leaf algebra: constants, and criterion leaves built on the in-place
// operators of their kind.
#include <gtest/gtest.h>

#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvInIntHolder.h"

using namespace kuv_test;

namespace {

using LeafOp = HRESULT (KuvEeNodeLeaf::*)(const KuvEeNodeLeaf*, KuvEeNode*&) const;
constexpr LeafOp kAnd = &KuvEeNodeLeaf::opAnd;
constexpr LeafOp kOr = &KuvEeNodeLeaf::opOr;

// Applies op and returns the shape of the result ("null" for none), owning
// and freeing it.
std::string combine(const KuvEeNodeLeaf& self, LeafOp op, const KuvEeNodeLeaf* other,
                    HRESULT expected = S_OK) {
  KuvEeNode* out = nullptr;
  EXPECT_EQ((self.*op)(other, out), expected);
  Tree result(out != nullptr ? out->getNodeRef() : nullptr);
  return shape(out);
}

class KuvEeNodeLeafTest : public testing::Test {
protected:
  void TearDown() override {
    EXPECT_EQ(TestLeaf::s_live, m_live) << "a criterion leaf was leaked or freed twice";
  }

  int m_live = TestLeaf::s_live;
  KuvEeTrue m_true;
  KuvEeFalse m_false;
};

// How a constant combines with a leaf is pinned below, from the leaf's side.
TEST_F(KuvEeNodeLeafTest, ConstantsNegateEachOther) {
  KuvEeNode* out = nullptr;
  EXPECT_EQ(m_true.opNot(out), S_OK);
  EXPECT_EQ(shape(Tree(out->getNodeRef()).get()->getNode()), "F");
  EXPECT_EQ(m_false.opNot(out), S_OK);
  EXPECT_EQ(shape(Tree(out->getNodeRef()).get()->getNode()), "T");
}

TEST_F(KuvEeNodeLeafTest, CriterionLeavesCombineOnlyOverTheSameCriterion) {
  static const KuvInIntHolder otherCriterion(9);
  TestLeaf a(0b0011);
  TestLeaf b(0b0110);
  TestLeaf elsewhere(0b0110, &otherCriterion);
  EXPECT_EQ(combine(a, kAnd, &b), "L2");
  EXPECT_EQ(combine(a, kOr, &b), "L7");
  EXPECT_EQ(a.mask(), 0b0011u) << "the operands stay as they were";
  EXPECT_EQ(combine(a, kAnd, &elsewhere), "null");
  EXPECT_EQ(combine(a, kOr, nullptr), "null");

  TestLeaf apart(0b0011);
  apart.m_neverMerges = true;
  EXPECT_EQ(combine(apart, kAnd, &b), "null");

  // With a constant the constant decides; other leaf kinds do not combine.
  EXPECT_EQ(combine(a, kAnd, &m_true), "L3");
  EXPECT_EQ(combine(a, kAnd, &m_false), "F");
  EXPECT_EQ(combine(a, kOr, &m_true), "T");
  EXPECT_EQ(combine(a, kOr, &m_false), "L3");

  KuvEeNode* out = nullptr;
  EXPECT_EQ(a.opNot(out), S_OK);
  EXPECT_EQ(shape(Tree(out->getNodeRef())->getNode()), "L12");
}

TEST_F(KuvEeNodeLeafTest, CriterionLeafFailuresLeaveNoResult) {
  TestLeaf b(0b0110);
  TestLeaf failing(0b0011);
  failing.m_failing = true;
  TestLeaf uncopyable(0b0011);
  uncopyable.m_uncopyable = true;

  EXPECT_TRACES("null", "ERROR: opAnd failed", combine(failing, kAnd, &b, E_UNEXPECTED));
  EXPECT_TRACES("null", "ERROR: opOr failed", combine(failing, kOr, &b, E_UNEXPECTED));
  EXPECT_TRACES("null", "", combine(uncopyable, kAnd, &b, E_FAIL));
  KuvEeNode* out = nullptr;
  EXPECT_TRACES(E_FAIL, "", uncopyable.opNot(out));
  EXPECT_EQ(out, nullptr);
  // True cannot copy this leaf: its failure is passed on.
  EXPECT_TRACES("null", "ERROR: NULL pointer", combine(uncopyable, kAnd, &m_true, E_FAIL));
}

}  // namespace
