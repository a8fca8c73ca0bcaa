// The older "net" streams: exact bytes, round trips of trees, lists and
// rules against a caller's dependency list, and refused headers.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "KuvBinaryExprReader.h"
#include "KuvBinaryExprWriter.h"
#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeGenericExpression.h"
#include "KuvEeModelDico.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEePredefEff.h"
#include "KuvEeRule.h"
#include "KuvEeTrue.h"
#include "KuvQmSpecList.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;
using Bytes = std::vector<std::uint8_t>;

struct Dependencies {
  KuvEeModelDico model{KuvInString("Model"), Guid(1).guid()};
  KuvEePredefEff change{"Change", Guid(2).data(), true, KuvEePredefEff::GLOBAL};
  KuvEeBasicEff inherited{"Inherited", Guid(3).data()};
  KuvInList list;
  Dependencies() {
    list.PutBack(&model);
    list.PutBack(&change);
    list.PutBack(&inherited);
  }
};

Bytes write(const KuvEeGenericExpression& expression, const KuvInList& dependencies) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBinaryExprWriter::Write(expression, dependencies, out));
  return Bytes(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

std::unique_ptr<KuvEeGenericExpression> read(const Bytes& bytes, const KuvInList& dependencies) {
  KuvEeGenericExpression* expression = nullptr;
  EXPECT_EQ(S_OK, KuvBinaryExprReader::Read(bytes.data(), static_cast<std::uint32_t>(bytes.size()), dependencies,
                                            expression));
  return std::unique_ptr<KuvEeGenericExpression>(expression);
}

KuvEeNodeRef* tree(std::mt19937& random, Dependencies& d, int depth = 0) {
  switch (random() % (depth >= 4 ? 4 : 7)) {
    case 0:
      return (new KuvEeTrue)->getNodeRef();
    case 1:
      return (new KuvEeFalse)->getNodeRef();
    case 2:
      return (new KuvEeEffLeaf(&d.change))->getNodeRef();
    case 3:
      return (new KuvEeEffLeaf(&d.inherited, &d.model))->getNodeRef();
    case 4: {
      KuvEeSingleOp* single = random() % 2 ? static_cast<KuvEeSingleOp*>(new KuvEeNotOp) : new KuvEeNotDomainOp;
      single->setChildRef(tree(random, d, depth + 1));
      return single->getNodeRef();
    }
    default: {
      KuvEeGroupOp* group = random() % 2 ? static_cast<KuvEeGroupOp*>(new KuvEeAndOp) : new KuvEeOrOp;
      for (unsigned n = 1 + random() % 3; n > 0; --n) group->addChild(tree(random, d, depth + 1)->getNode());
      return group->getNodeRef();
    }
  }
}

TEST(KuvBinaryExprWriter, TreeBytes) {
  Dependencies d;
  auto* andOp = new KuvEeAndOp;
  andOp->addChild(new KuvEeTrue);
  auto* notOp = new KuvEeNotOp;
  notOp->setChildRef((new KuvEeEffLeaf(&d.inherited, &d.model))->getNodeRef());
  andOp->addChild(notOp);
  auto* notDomain = new KuvEeNotDomainOp;
  notDomain->setChildRef((new KuvEeEffLeaf(&d.change))->getNodeRef());
  andOp->addChild(notDomain);
  const KuvEeGenericExpression expression(andOp->getNodeRef());
  // header, tree stream, And of 3: True; Not of the leaf at 2 in dictionary
  // 0; domain negation of the leaf at 1 without dictionary.
  EXPECT_EQ((Bytes{'n', 'e', 't', 1, 0, 0, 0, 27, 1, 1, 0, 0, 0, 3, 9, 4, 11, 0, 0, 0, 2, 0, 0, 0, 0,
                   3, 11, 0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}),
            write(expression, d.list));
  EXPECT_EQ((Bytes{'n', 'e', 't', 1, 0, 0, 0, 1, 0}), write(KuvEeGenericExpression(), d.list));
}

// Write(Read(b)) == b, and the tree read is the tree written.
TEST(KuvBinaryExprWriter, TreesListsAndRulesRoundTrip) {
  Dependencies d;
  std::mt19937 random(3);
  for (int round = 0; round < 100; ++round) {
    const KuvEeGenericExpression expression(tree(random, d));
    const Bytes bytes = write(expression, d.list);
    const auto back = read(bytes, d.list);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(kuv_test::text(expression), kuv_test::text(*back));
    EXPECT_EQ(bytes, write(*back, d.list));
  }
  KuvEeGenericExpression list;
  auto* items = new KuvQmSpecList;
  items->AddEff(&d.inherited);
  list.SetExpression(items, KuvEeGenericExpression::CFG_LISTMODE_150);
  const Bytes bytes = write(list, d.list);
  EXPECT_EQ((Bytes{'n', 'e', 't', 1, 0, 0, 0, 14, 2, 2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2}), bytes);
  EXPECT_EQ(kuv_test::text(list), kuv_test::text(*read(bytes, d.list)));

  KuvInList rules;
  std::vector<std::unique_ptr<KuvEeRule>> owned;
  owned.push_back(std::make_unique<KuvEeInclusionRule>(tree(random, d), tree(random, d)));
  owned.push_back(std::make_unique<KuvEeInclusionRule>(nullptr, tree(random, d)));
  for (auto& rule : owned) rules.PutBack(rule.get());
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBinaryExprWriter::WriteRules(rules, d.list, out));
  KuvInList back;
  ASSERT_EQ(S_OK, KuvBinaryExprReader::ReadRules(out.GetAsPtr(0), out.GetLength(), d.list, back));
  ASSERT_EQ(2, back.GetLength());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(kuv_test::text(*owned[i]), kuv_test::text(*back.Get(i)));
    delete back.Get(i);
  }
  const KuvEeRule unknown(nullptr, nullptr);
  rules.PutBack(const_cast<KuvEeRule*>(&unknown));
  EXPECT_TRACES(E_FAIL, "UNEXPECTED: InclusionRules ONLY are supported",
                KuvBinaryExprWriter::WriteRules(rules, d.list, out));
}

TEST(KuvBinaryExprReader, RefusesOtherStreams) {
  Dependencies d;
  const Bytes tree{'n', 'e', 't', 1, 0, 0, 0, 2, 1, 9};
  const Bytes rules{'n', 'e', 't', 1, 0, 0, 0, 5, 3, 0, 0, 0, 0};
  const struct {
    const char* message;
    Bytes bytes;
    bool asRules;
  } cases[] = {
      {"ERROR: WRONG binary header format.", {'n', 'e', 'x', 1, 0, 0, 0, 2, 1, 9}, false},
      {"ERROR: WRONG binary header format.", {'n', 'e', 't', 2, 0, 0, 0, 2, 1, 9}, false},
      {"ERROR: WRONG binary header format.", {'n', 'e', 't', 1, 0, 0, 0, 3, 1, 9}, false},
      {"ERROR: WRONG binary header format.", {}, false},
      {"ERROR: Incorrect stream identifier", rules, false},
      {"ERROR: INVALID Rules binary header!", tree, true},
      {"ERROR: unexpected bytes after the stream.", {'n', 'e', 't', 1, 0, 0, 0, 3, 1, 9, 9}, false},
      {"ERROR: NULL pointer", {'n', 'e', 't', 1, 0, 0, 0, 10, 1, 11, 0, 0, 0, 7, 0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"ERROR: Unexpected NodeType.", {'n', 'e', 't', 1, 0, 0, 0, 2, 1, 16}, false},
      {"ERROR: Unable to read node type.", {'n', 'e', 't', 1, 0, 0, 0, 6, 1, 1, 0, 0, 0, 2}, false},
  };
  for (const auto& c : cases) {
    KuvEeGenericExpression* expression = nullptr;
    KuvInList read;
    const auto size = static_cast<std::uint32_t>(c.bytes.size());
    if (c.asRules) {
      EXPECT_TRACES(E_FAIL, c.message, KuvBinaryExprReader::ReadRules(c.bytes.data(), size, d.list, read));
    } else {
      EXPECT_TRACES(E_FAIL, c.message, KuvBinaryExprReader::Read(c.bytes.data(), size, d.list, expression));
    }
    EXPECT_EQ(nullptr, expression);
    EXPECT_TRUE(read.IsEmpty());
  }
}

}  // namespace
