// Restriction effectivities and their leaves: texts, refused parameters,
// what the operators can tell, dispatch between leaf kinds, and ownership
// of restrictions through copies and hand-overs.
#include <gtest/gtest.h>

#include <functional>

#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSerialVar.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuvtest;

namespace {

const unsigned char kGuid1[16] = {0xC1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const unsigned char kGuid2[16] = {0xC2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

KuvEeDateRestrictionEff* dates(std::initializer_list<KuvEeDateVar*> vars, bool negated = false) {
  KuvInSet set(KuvEeDateVar::sType());
  for (KuvEeDateVar* var : vars) set.Put(var);
  auto* restriction = new KuvEeDateRestrictionEff;
  EXPECT_EQ(restriction->setDates(set), S_OK);
  if (negated) restriction->opNot();
  return restriction;
}

// The result of an operator in words: "null", "T", "F", or the text of the
// restriction a leaf carries; the node is freed.
std::string described(KuvEeNode* out) {
  if (out == nullptr) return "null";
  Tree owned(out->getNodeRef());
  if (const KuvEeRestrictionEffLeaf* leaf = KuvEeRestrictionEffLeaf::cast(*out))
    return text(*leaf->getRestrictionEff());
  return shape(out);
}

class KuvEeRestrictionEffTest : public testing::Test {
protected:
  KuvEeDateVar m_d1{"D1", kGuid1};
  KuvEeDateVar m_d2{"D2", kGuid2};
};

}  // namespace

TEST_F(KuvEeRestrictionEffTest, DateTextsListTheVariablesAndTheNegation) {
  std::unique_ptr<KuvEeRestrictionEff> none(dates({}));
  std::unique_ptr<KuvEeRestrictionEff> one(dates({&m_d1}, true));
  std::unique_ptr<KuvEeRestrictionEff> two(dates({&m_d1, &m_d2}));
  EXPECT_EQ(text(*none), "DateRestrictionEff[]");
  EXPECT_EQ(text(*one), "!DateRestrictionEff[D1]");
  const std::string both = text(*two);
  EXPECT_TRUE(both == "DateRestrictionEff[D1, D2]" || both == "DateRestrictionEff[D2, D1]") << both;
  KuvEeRestrictionEffLeaf leaf(one.release());
  EXPECT_EQ(text(leaf), "EeRestrictionEffLeaf : !DateRestrictionEff[D1]");
  EXPECT_EQ(text(KuvEeRestrictionEffLeaf(nullptr)), "EeRestrictionEffLeaf : ERROR");
}

TEST_F(KuvEeRestrictionEffTest, SetDatesRefusesOtherVariablesAndKeepsItsOwn) {
  KuvEeSerialVar serial("S1", kGuid2, KuvEeSerialVar::UNDEFINED, nullptr);
  std::unique_ptr<KuvEeDateRestrictionEff> restriction(dates({&m_d1}));
  KuvInSet mixed;
  mixed.Put(&m_d2);
  mixed.Put(&serial);
  testing::internal::CaptureStdout();
  EXPECT_EQ(restriction->setDates(mixed), E_FAIL);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Incorrect parameters"), std::string::npos) << out;
  EXPECT_EQ(text(*restriction), "DateRestrictionEff[D1]");
  EXPECT_EQ(restriction->getDates().GetLength(), 1);
}

TEST_F(KuvEeRestrictionEffTest, OperatorsTellOnlyWhatHoldsForComplements) {
  std::unique_ptr<KuvEeRestrictionEff> self(dates({&m_d1}));
  std::unique_ptr<KuvEeRestrictionEff> same(dates({&m_d1}));
  std::unique_ptr<KuvEeRestrictionEff> negation(dates({&m_d1}, true));
  std::unique_ptr<KuvEeRestrictionEff> other(dates({&m_d2}));
  KuvEeSerialRestrictionEff otherKind;
  std::unique_ptr<KuvEeRestrictionEff> emptyDates(dates({}));
  const struct {
    const KuvEeRestrictionEff* with;
    const char* expected[3];  // And, Or, Cut
  } cases[] = {
      {same.get(), {"DateRestrictionEff[D1]", "DateRestrictionEff[D1]", "F"}},
      {negation.get(), {"F", "T", "DateRestrictionEff[D1]"}},
      {other.get(), {"null", "null", "null"}},
      {&otherKind, {"null", "null", "null"}},
      {emptyDates.get(), {"null", "null", "null"}},
      {nullptr, {"null", "null", "null"}},
  };
  for (const auto& c : cases) {
    for (int i = 0; i < 3; ++i) {
      KuvEeNode* out = nullptr;
      EXPECT_EQ(i == 0   ? self->opAnd(c.with, out)
                : i == 1 ? self->opOr(c.with, out)
                         : self->opCut(c.with, out),
                S_OK);
      EXPECT_EQ(described(out), c.expected[i])
          << "operator " << i << " with " << (c.with ? text(*c.with) : "null");
    }
  }
  KuvEeBasicEff eff("E", kGuid1);
  KuvEeEffLeaf leaf(&eff);
  KuvEeNode* out = nullptr;
  EXPECT_EQ(self->opAnd(&leaf, out), S_OK);
  EXPECT_EQ(out, nullptr);
  bool equal = false;
  EXPECT_EQ(self->isEqual(same.get(), equal), S_OK);
  EXPECT_TRUE(equal);
  EXPECT_EQ(self->isEqual(negation.get(), equal), S_OK);
  EXPECT_FALSE(equal);
}

TEST_F(KuvEeRestrictionEffTest, EveryKindClonesToItsOwnKind) {
  const std::function<KuvEeRestrictionEff*()> makers[] = {
      [] { return new KuvEeDateRestrictionEff; },           [] { return new KuvEeSerialRestrictionEff; },
      [] { return new KuvEeSelectionRestrictionEff; },      [] { return new KuvEeCategoryRestrictionEff; },
      [] { return new KuvEeCategoryOptionRestrictionEff; }, [] { return new KuvEeMilestonesRestrictionEff; },
      [] { return new KuvEeTreeSeriesRestrictionEff; },     [] { return new KuvEePredefEffRestrictionEff; },
  };
  for (const auto& make : makers) {
    std::unique_ptr<KuvEeRestrictionEff> original(make());
    original->opNot();
    std::unique_ptr<KuvEeRestrictionEff> copy(original->createClone());
    EXPECT_EQ(copy->dType(), original->dType());
    bool equal = false;
    EXPECT_EQ(copy->isEqual(original.get(), equal), S_OK);
    EXPECT_TRUE(equal) << text(*original);
    EXPECT_EQ(text(*copy).front(), '!');
  }
}

TEST_F(KuvEeRestrictionEffTest, LeafDispatchesOnTheOtherLeafsKind) {
  KuvEeRestrictionEffLeaf leaf(dates({&m_d1}));
  KuvEeRestrictionEffLeaf negated(dates({&m_d1}, true));
  KuvEeBasicEff eff("E", kGuid1);
  KuvEeEffLeaf effLeaf(&eff);
  KuvEeTrue yes;
  KuvEeFalse no;
  KuvEeNotOp notLeaf;
  const struct {
    const KuvEeNodeLeaf* other;
    const char* andResult;
    const char* orResult;
  } cases[] = {
      {&negated, "F", "T"},
      {&effLeaf, "null", "null"},
      {&yes, "DateRestrictionEff[D1]", "T"},
      {&no, "F", "DateRestrictionEff[D1]"},
      {nullptr, "null", "null"},
  };
  for (const auto& c : cases) {
    KuvEeNode* out = nullptr;
    EXPECT_EQ(leaf.opAnd(c.other, out), S_OK);
    EXPECT_EQ(described(out), c.andResult);
    EXPECT_EQ(leaf.opOr(c.other, out), S_OK);
    EXPECT_EQ(described(out), c.orResult);
  }
  // From the elementary side the restriction leaf decides too.
  KuvEeNode* out = &yes;
  EXPECT_EQ(effLeaf.opAnd(static_cast<const KuvEeNodeLeaf*>(&leaf), out), S_OK);
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(leaf.isEquivalentToTrue());
  EXPECT_FALSE(leaf.isEquivalentToFalse());
  EXPECT_FALSE(leaf.convertToTrueFalse());
}

TEST_F(KuvEeRestrictionEffTest, LeafWithoutRestrictionFailsAndLeavesNoResult) {
  KuvEeRestrictionEffLeaf empty(nullptr);
  KuvEeBasicEff eff("E", kGuid1);
  KuvEeEffLeaf effLeaf(&eff);
  KuvEeNode* out = nullptr;
  testing::internal::CaptureStdout();
  EXPECT_EQ(effLeaf.opOr(static_cast<const KuvEeNodeLeaf*>(&empty), out), E_FAIL);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(empty.opNot(out), E_FAIL);
  EXPECT_EQ(out, nullptr);
  const std::string trace = testing::internal::GetCapturedStdout();
  EXPECT_NE(trace.find("ERROR: opOr failed"), std::string::npos) << trace;
}

TEST_F(KuvEeRestrictionEffTest, RestrictionsFollowTheirLeavesThroughCopiesAndHandOvers) {
  auto* leaf = new KuvEeRestrictionEffLeaf(dates({&m_d1}));
  Tree root = own(And({T(), leaf}));
  Tree copy(root->getNode()->clone());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(text(*copy), text(*root));

  KuvEeNode* negation = nullptr;
  ASSERT_EQ(leaf->opNot(negation), S_OK);
  EXPECT_EQ(described(negation), "!DateRestrictionEff[D1]");
  EXPECT_FALSE(leaf->getRestrictionEff()->isNegated());

  KuvEeRestrictionEff* kept = KuvEeRestrictionEffLeaf::DeleteLeafKeepRestrictionEff(leaf);
  EXPECT_EQ(leaf, nullptr);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(shape(*root), "And(T)");
  kept->opNot();  // the copy's restriction is its own
  EXPECT_NE(text(*copy), text(*root));
  EXPECT_NE(text(*copy).find("EeRestrictionEffLeaf : DateRestrictionEff[D1]"), std::string::npos);
  delete kept;
}
