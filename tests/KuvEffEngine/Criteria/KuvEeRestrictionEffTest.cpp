// Restriction effectivities and their leaves: texts, refused parameters,
// what the operators can tell, dispatch between leaf kinds, and ownership
// of restrictions through copies and hand-overs.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"

using namespace kuv_test;

namespace {

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

// mine op (the leaf, else the other restriction): op 0 is And, 1 Or, 2 Cut.
HRESULT apply(const KuvEeRestrictionEff& mine, int op, const KuvEeNodeElementaryLeaf* leaf,
              const KuvEeRestrictionEff* other, KuvEeNode*& out) {
  if (leaf != nullptr)
    return op == 0 ? mine.opAnd(leaf, out) : op == 1 ? mine.opOr(leaf, out) : mine.opCut(leaf, out);
  return op == 0 ? mine.opAnd(other, out) : op == 1 ? mine.opOr(other, out) : mine.opCut(other, out);
}

class KuvEeRestrictionEffTest : public testing::Test {
protected:
  KuvEeDateVar m_d1{"D1", Guid(0xC1).data()};
  KuvEeDateVar m_d2{"D2", Guid(0xC2).data()};
};

}  // namespace

TEST_F(KuvEeRestrictionEffTest, SetDatesRefusesOtherVariablesAndKeepsItsOwn) {
  KuvEeSerialVar serial("S1", Guid(0xC2).data(), KuvEeSerialVar::UNDEFINED, nullptr);
  std::unique_ptr<KuvEeDateRestrictionEff> restriction(dates({&m_d1}));
  KuvInSet mixed;
  mixed.Put(&m_d2);
  mixed.Put(&serial);
  EXPECT_TRACES(E_FAIL, "Incorrect parameters", restriction->setDates(mixed));
  EXPECT_EQ(text(*restriction), "DateRestrictionEff[D1]");
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
  KuvEeBasicEff eff("E", Guid(0xC1).data());
  KuvEeEffLeaf effLeaf(&eff);
  KuvEeTrue yes;
  KuvEeFalse no;
  KuvEeNotOp notLeaf;
  const struct { const KuvEeNodeLeaf* other; const char* andResult; const char* orResult; } cases[] = {
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
  KuvEeBasicEff eff("E", Guid(0xC1).data());
  KuvEeEffLeaf effLeaf(&eff);
  KuvEeNode* out = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: opOr failed", effLeaf.opOr(static_cast<const KuvEeNodeLeaf*>(&empty), out));
  EXPECT_EQ(out, nullptr);
  EXPECT_TRACES(E_FAIL, "", empty.opNot(out));
  EXPECT_EQ(out, nullptr);
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

namespace {

// A date effectivity on var: January 2001 (or nothing), with or without the
// no-value element, possibly negated.
KuvEeVarEffLeaf* january(KuvEeDateVar* var, bool inside, bool noValue, bool negated) {
  auto* eff = new KuvEeDateEff(var, KuvEeDateEff::AllFalse);
  if (inside) {
    EXPECT_EQ(eff->set(KuvInDate(2001, 1, 1, 1, 1, 1), KuvInDate(2001, 1, 31, 24, 60, 60)), S_OK);
  }
  if (noValue) eff->orNoVar();
  if (negated) eff->opNot();
  return new KuvEeVarEffLeaf(eff);
}

}  // namespace

// Configurations over three date variables, each without a value, with a
// date in January 2001, or with a later one: every result an operator gives
// holds in exactly the configurations where the operation does.
TEST_F(KuvEeRestrictionEffTest, EveryResultHoldsExactlyWhereTheOperationDoes) {
  KuvEeDateVar d3{"D3", Guid(0xC3).data()};
  KuvEeDateVar* vars[3] = {&m_d1, &m_d2, &d3};
  const KuvInDate values[3] = {KuvInDate(), KuvInDate(2001, 1, 15, 12, 1, 1), KuvInDate(2030, 1, 1, 1, 1, 1)};
  std::vector<std::unique_ptr<KuvEeNodeLeaf>> operands;
  for (bool negated : {false, true}) {
    operands.emplace_back(new KuvEeRestrictionEffLeaf(dates({}, negated)));
    operands.emplace_back(new KuvEeRestrictionEffLeaf(dates({&m_d1}, negated)));
    operands.emplace_back(new KuvEeRestrictionEffLeaf(dates({&m_d2}, negated)));
    operands.emplace_back(new KuvEeRestrictionEffLeaf(dates({&m_d1, &m_d2}, negated)));
  }
  const std::size_t restrictions = operands.size();
  for (KuvEeDateVar* var : {&m_d1, &d3})
    for (int bits = 0; bits < 8; ++bits)
      operands.emplace_back(january(var, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0));

  std::function<bool(const KuvEeNode*, const int*)> holds = [&](const KuvEeNode* node, const int* config) {
    if (KuvEeTrue::isObjectOfThisType(*node)) return true;
    if (KuvEeFalse::isObjectOfThisType(*node)) return false;
    if (const auto* r = KuvEeRestrictionEffLeaf::cast(*node)) {
      bool fixed = true;
      for (int v = 0; v < 3; ++v)
        fixed = fixed && (config[v] == 0 || r->getRestrictionEff()->getVariables().Find(vars[v]));
      return fixed != r->getRestrictionEff()->isNegated();
    }
    const auto* eff = KuvEeDateEff::cast(*KuvEeVarEffLeaf::cast(*node)->getVarEff());
    int v = 0;
    while (vars[v] != eff->getVar()) ++v;
    if (config[v] == 0) return eff->isNoVarIncluded();
    KuvInListVal list(KuvInDateInterval::sType());
    eff->getIntervals(list);
    bool inside = false;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const auto& range = *KuvInDateInterval::cast(*list.Get(i));
      inside = inside || (range.getA() <= values[config[v]] && values[config[v]] <= range.getB());
    }
    return inside != eff->isNegated();
  };

  int merged = 0;
  for (std::size_t a = 0; a < restrictions; ++a) {
    const KuvEeRestrictionEff& mine = *KuvEeRestrictionEffLeaf::cast(*operands[a])->getRestrictionEff();
    for (const auto& other : operands) {
      const auto* theirs = KuvEeRestrictionEffLeaf::cast(*other);
      for (int op = 0; op < 3; ++op) {
        KuvEeNode* out = nullptr;
        const KuvEeRestrictionEff* r = theirs != nullptr ? theirs->getRestrictionEff() : nullptr;
        ASSERT_EQ(apply(mine, op, KuvEeVarEffLeaf::cast(*other), r, out), S_OK);
        if (out == nullptr) continue;
        std::unique_ptr<KuvEeNode> result(out);
        ++merged;
        for (int c = 0; c < 27; ++c) {
          const int config[3] = {c % 3, c / 3 % 3, c / 9};
          const bool x = holds(operands[a].get(), config);
          const bool y = holds(other.get(), config);
          const bool expected = op == 0 ? (x && y) : op == 1 ? (x || y) : (x && !y);
          ASSERT_EQ(holds(out, config), expected)
              << "operator " << op << " on " << text(mine) << " and " << text(*other) << " gives "
              << text(*out) << " in configuration " << config[0] << config[1] << config[2];
        }
      }
    }
  }
  // Each restriction merges with each of the eight leaves on D3 in the And
  // or in the Cut, and with more besides.
  EXPECT_GT(merged, 8 * 8);
}

// Serial restrictions speak of one external type, category-option
// restrictions of one category: what lies elsewhere, or cannot be placed or
// read, gives no result (what a result means is pinned by the configurations
// test above).
TEST_F(KuvEeRestrictionEffTest, RestrictionsCombineOnlyWithinTheirPartOfTheKind) {
  KuvEeSerialVar stateA("SA", Guid(0xC1).data(), KuvEeSerialVar::STATE, nullptr);
  KuvEeSerialVar stateB("SB", Guid(0xC2).data(), KuvEeSerialVar::STATE, nullptr);
  KuvEeSerialVar unit("U", Guid(0xC3).data(), KuvEeSerialVar::UNIT, nullptr);
  KuvEeCategory colours("Colours", Guid(0xC1).data());
  KuvEeCategory sizes("Sizes", Guid(0xC2).data());
  KuvEeCatOptionVar red("Red", Guid(0xC1).data(), &colours);
  KuvEeCatOptionVar blue("Blue", Guid(0xC2).data(), &colours);
  KuvEeCatOptionVar large("Large", Guid(0xC3).data(), &sizes);
  auto restriction = [](KuvEeRestrictionEff* r, std::initializer_list<KuvInObject*> vars) {
    KuvInSet set;
    for (KuvInObject* var : vars) set.Put(var);
    EXPECT_EQ(r->setVariables(set), S_OK);
    return std::unique_ptr<KuvEeRestrictionEff>(r);
  };
  auto onD1 = restriction(new KuvEeDateRestrictionEff, {&m_d1});
  auto onD2 = restriction(new KuvEeDateRestrictionEff, {&m_d2});
  auto notOnD2 = restriction(new KuvEeDateRestrictionEff, {&m_d2});
  notOnD2->opNot();
  auto noDate = restriction(new KuvEeDateRestrictionEff, {});
  auto states = restriction(new KuvEeSerialRestrictionEff, {&stateA});
  auto mixed = restriction(new KuvEeSerialRestrictionEff, {&stateA, &unit});
  auto noSerial = restriction(new KuvEeSerialRestrictionEff, {});
  auto reds = restriction(new KuvEeCategoryOptionRestrictionEff, {&red});
  auto blues = restriction(new KuvEeCategoryOptionRestrictionEff, {&blue});
  auto larges = restriction(new KuvEeCategoryOptionRestrictionEff, {&large});
  auto noTrack = restriction(new KuvEeMilestonesRestrictionEff, {});
  KuvEeMilestonesVar track("Track", Guid(0xC1).data(), "Design", nullptr);
  KuvEeBasicEff eff("E", Guid(0xC1).data());
  KuvEeEffLeaf effLeaf(&eff);
  std::unique_ptr<KuvEeVarEffLeaf> onTheSet(january(&m_d2, true, false, false)),
      outside(january(&m_d1, true, false, false));
  // Leaves that admit no value-less configuration: an And with a
  // restriction that fixes their variable to no value is False.
  KuvEeVarEffLeaf onB(new KuvEeSerialEff(&stateB, KuvEeSerialEff::AllFalse));
  KuvEeVarEffLeaf onUnit(new KuvEeSerialEff(&unit, KuvEeSerialEff::AllFalse));
  KuvEeVarEffLeaf onBlue(new KuvEeOptionEff(&blue, KuvEeOptionEff::T));
  KuvEeVarEffLeaf onLarge(new KuvEeOptionEff(&large, KuvEeOptionEff::T));
  KuvEeVarEffLeaf normalForm(new KuvEeDnfMilestonesEff(&track));  // cannot be read yet
  const struct {
    const KuvEeRestrictionEff* restriction;
    const KuvEeNodeElementaryLeaf* leaf;
    const KuvEeRestrictionEff* other;
    std::string expected[3];  // And, Or, Cut
  } cases[] = {
      {onD1.get(), nullptr, onD2.get(), {"DateRestrictionEff[]", "null", "null"}},
      {onD1.get(), nullptr, noDate.get(), {"DateRestrictionEff[]", "DateRestrictionEff[D1]", "null"}},
      {onD1.get(), nullptr, states.get(), {"null", "null", "null"}},
      {onD1.get(), nullptr, nullptr, {"null", "null", "null"}},
      {onD1.get(), &effLeaf, nullptr, {"null", "null", "null"}},
      {onD2.get(), onTheSet.get(), nullptr, {"null", "null", "null"}},
      {states.get(), onTheSet.get(), nullptr, {"null", "null", "null"}},
      {onD2.get(), outside.get(), nullptr, {"F", "null", "DateRestrictionEff[D2]"}},
      {notOnD2.get(), outside.get(), nullptr, {text(*outside), "!DateRestrictionEff[D2]", "null"}},
      {states.get(), &onB, nullptr, {"F", "null", "SerialRestrictionEff[SA]"}},
      {states.get(), &onUnit, nullptr, {"null", "null", "null"}},
      {mixed.get(), &onB, nullptr, {"null", "null", "null"}},
      {noSerial.get(), &onB, nullptr, {"null", "null", "null"}},
      {reds.get(), &onBlue, nullptr, {"F", "null", "CategoryOptionRestrictionEff[Red]"}},
      {reds.get(), &onLarge, nullptr, {"null", "null", "null"}},
      {reds.get(), nullptr, blues.get(), {"CategoryOptionRestrictionEff[]", "null", "null"}},
      {reds.get(), nullptr, larges.get(), {"null", "null", "null"}},
      {states.get(), nullptr, mixed.get(), {"null", "null", "null"}},
      {noTrack.get(), &normalForm, nullptr, {"null", "null", "null"}},
  };
  for (const auto& c : cases) {
    for (int op = 0; op < 3; ++op) {
      KuvEeNode* out = nullptr;
      EXPECT_EQ(apply(*c.restriction, op, c.leaf, c.other, out), S_OK);
      EXPECT_EQ(described(out), c.expected[op])
          << "operator " << op << " on " << text(*c.restriction) << " and "
          << (c.leaf != nullptr ? text(*c.leaf) : c.other != nullptr ? text(*c.other) : "null");
    }
  }
}
