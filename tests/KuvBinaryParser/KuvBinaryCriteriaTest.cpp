// The criterion leaves of binary expressions, through the node writer and
// reader: exact bytes per layout, round trips (negated, and through the
// light parser's placeholders), the selected-by routing of values,
// refusals with their traces, and every truncation of a valid leaf.
#include "support/KuvTestSupport.h"

#include "KuvBinaryLeafTestSupport.h"

namespace {

using namespace kuv_test;
using Bytes = std::vector<std::uint8_t>;
using S = KuvEeSerialVar;
using World = kuv_test::LeafWorld;

Bytes write(const KuvEeNodeRef& tree, const KuvBinaryExprData& data) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBinaryEENodeParser::write(tree, data, out));
  return kuv_test::bytesOf(out);
}

HRESULT read(const Bytes& bytes, KuvBinaryExprData& data, kuv_test::Tree& tree, bool flag = false) {
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  KuvEeNodeRef* node = nullptr;
  const HRESULT hr = KuvBinaryEENodeParser::readNode(in, data, flag, node);
  tree.reset(node);
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(bytes.size(), in.getPosition());
  }
  return hr;
}

Bytes rewritten(const Bytes& bytes, KuvBinaryExprData& data) {
  kuv_test::Tree tree;
  EXPECT_EQ(S_OK, read(bytes, data, tree));
  return tree != nullptr ? write(*tree, data) : Bytes();
}

kuv_test::Tree leaf(KuvEeVarEff* eff) { return kuv_test::own(new KuvEeVarEffLeaf(eff)); }

// light: the light parser's placeholders write the same bytes again.
struct Layout {
  const char* name;
  KuvEeVarEff* eff;
  Bytes bytes;
  bool light = true;
};

TEST(KuvBinaryCriteria, Layouts) {
  World w;
  KuvEeTreeSeriesVar* states = w.model.getTreeSeriesVariable(S::TREE_STATE);
  KuvEeTreeSeriesVar* plans = w.plans.getTreeSeriesVariable(S::TREE_MANUF_PLAN);
  KuvEeSelectionEff* selection = new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllFalse);
  selection->add(w.w16, KuvCriteriaSelectedBy_UserSelected);
  selection->add(w.w18, KuvCriteriaSelectedBy_DefaultValue);
  selection->add(w.w17, KuvCriteriaSelectedBy_RuleDeduced);
  const Layout cases[] = {
      {"dates with times", kuv_test::dates(w, {{KuvInDate(2020, 1, 2, 1, 1, 1), KuvInDate(2021, 3, 4, 13, 31, 16)}}),
       {14, 1, 0, 0, 0, 1, 0, 1, 9, 0x07, 0xE4, 1, 2, 1, 1, 1, 0x07, 0xE5, 3, 4, 13, 31, 16}},
      {"dates, infinities", kuv_test::dates(w, {{KuvInDate(0, 0, 0, 0, 0, 0), KuvInDate(20000, 13, 32, 24, 60, 62)}}),
       {14, 1, 0, 0, 0, 1, 0, 1, 9, 0, 0, 0, 0, 0, 0, 0, 0x4E, 0x20, 13, 32, 24, 60, 62}},
      {"dates, to the maximum", kuv_test::dates(w, {{KuvInDate(1999, 12, 31, 24, 60, 60), KuvInDate(true)}}),
       {14, 1, 0, 0, 0, 1, 0, 1, 9, 0x07, 0xCF, 12, 31, 24, 60, 60, 0x27, 0x0F, 12, 31, 24, 60, 61}},
      {"dates, none", new KuvEeDateEff(&w.date, KuvEeDateEff::AllFalse), {14, 1, 0, 0, 0, 1, 0, 0}},
      // By index, then number: w17 and w18 both at 0 in their lists.
      {"selection", selection, {15, 7, 0, 10, 0, 3, 21, 0, 0, 29, 0, 0, 13, 0, 11}},
      {"option", new KuvEeOptionEff(&w.red, KuvEeOptionEff::T), {15, 7, 0, 12, 0, 1, 13, 0, 12}},
      {"option F, a rule", new KuvEeOptionEff(&w.blue, KuvEeOptionEff::F), {15, 7, 0, 1, 0, 1, 21, 0, 1}},
      {"unit to infinity", serial(w.model, S::UNIT, 5, true, 2000000000, true),
       {12, 13, 0, 0, 0, 1, 3, 0, 0, 0, 5, 0, 0}},
      {"unit single, negative", serial(w.model, S::UNIT, -3, true, -3, true),
       {12, 13, 0, 0, 0, 1, 7, 0xFF, 0xFF, 0xFF, 0xFD, 0, 1, 7, 0xFF, 0xFF, 0xFF, 0xFD}},
      {"state, upper excluded", serial(w.model, S::STATE, 1, true, 3, false),
       {13, 13, 0, 0, 0, 1, 1, 0, 1, 0, 1, 0, 0, 3}},
      {"plan single", serial(w.model, S::MANUF_PLAN, 7, true, 7, true), {13, 21, 0, 0, 0, 1, 5, 0, 4, 0, 1, 5, 0, 4}},
      {"tree states: single, then root excluded to a and b",
       treeSeries(states, {{w.b, true, {}}, {w.root, false, {{w.a, true}, {w.b, true}}}}),
       {13, 13, 0, 0, 0, 2, 5, 0, 7, 0, 0, 5, 0, 2, 1, 0, 6, 1, 0, 7}, false},
      {"tree plans, single root", treeSeries(plans, {{w.planRoot, true, {}}}), {13, 21, 0, 8, 0, 1, 5, 0, 9}, false},
      {"milestones: root excluded to a (dated) excluded and b",
       milestones(&w.track, {{w.mr, false, {{w.ma, false}, {w.mb, true}}}}),
       {17, 0, 0, 13, 0, 1, 0, 14, 0, 0, 0, 2, 0, 15, 2, 0x07, 0xE4, 3, 4, 0, 16, 128}, false},
      {"milestones: single a (dated), root open, root to itself excluded",
       milestones(&w.track, {{w.ma, true, {}}, {w.mr, false, {}}, {w.mr, true, {{w.mr, false}}}}),
       {17, 0, 0, 13, 0, 3, 0, 15, 130, 0x07, 0xE4, 3, 4, 1, 0, 14, 0, 0, 0, 0, 0, 14, 128, 0, 0, 1, 0, 14, 0}},
  };
  for (const Layout& c : cases) {
    SCOPED_TRACE(c.name);
    const kuv_test::Tree tree = leaf(c.eff);
    EXPECT_EQ(c.bytes, write(*tree, w.data));
    kuv_test::Tree back;
    ASSERT_EQ(S_OK, read(c.bytes, w.data, back));
    EXPECT_EQ(kuv_test::text(*tree->getNode()), kuv_test::text(*back->getNode()));
    EXPECT_EQ(c.bytes, write(*back, w.data));
    if (c.light) {
      KuvBinaryExprData fake;
      fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
      EXPECT_EQ(c.bytes, rewritten(c.bytes, fake));
    }

    // Negated: Not over the positive leaf, which writes the same bytes.
    static_cast<KuvEeVarEffLeaf*>(tree->getNode())->getVarEff()->opNot();
    Bytes negated = write(*tree, w.data);
    ASSERT_EQ(std::uint8_t{3}, negated.front());
    EXPECT_EQ(c.bytes, Bytes(negated.begin() + 1, negated.end()));
    EXPECT_EQ(negated, rewritten(negated, w.data));

    // Every truncation fails and hands nothing out, also to the light parser.
    for (std::size_t n = 0; n < c.bytes.size(); ++n)
      for (const bool isFake : {false, true}) {
        World fresh;
        if (isFake) fresh.data.setDependenciesType(KuvBinaryExprData::FakeDependencies);
        kuv_test::Tree cut;
        const Bytes prefix(c.bytes.begin(), c.bytes.begin() + n);
        kuv_test::captured([&] { EXPECT_TRUE(FAILED(read(prefix, fresh.data, cut))); });
        EXPECT_EQ(nullptr, cut) << n << isFake;
      }
  }
  // Dates stored without their time take the ends of their days.
  EXPECT_EQ((Bytes{14, 1, 0, 0, 0, 1, 0, 1, 9, 0x07, 0xE4, 1, 2, 1, 1, 1, 0x07, 0xE5, 3, 4, 24, 60, 60}),
            rewritten({14, 1, 0, 0, 0, 1, 0, 1, 0, 0x07, 0xE4, 1, 2, 0x07, 0xE5, 3, 4}, w.data));
}

// The light parser makes a milestone track up, and its milestones outside
// any tree, dated as their bounds say, beside the dictionary and the
// revisions (numbered by their index) of a serial.
TEST(KuvBinaryCriteria, LightParserMilestones) {
  const Bytes bytes{4, 0, 2, 13, 13, 0, 0, 0, 2, 1, 0, 1, 0, 1, 0, 0, 3, 1, 0, 4, 0, 0,
                    17, 0, 0, 6, 0, 2, 0, 7, 130, 0x07, 0xE4, 3, 4, 1, 0, 7, 2, 0x07, 0xE4, 3, 4, 0, 0, 0};
  KuvBinaryExprData fake;
  fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
  EXPECT_EQ(bytes, rewritten(bytes, fake));
  const KuvEeMilestonesVar* track = KuvEeMilestonesVar::cast(*fake.getExprCriteria(6));
  ASSERT_NE(nullptr, track);
  EXPECT_EQ("DisciplineNoDefined", kuv_test::text(track->getDiscipline()));
  EXPECT_EQ("CFG_ExpressionCriteria(index 6)", kuv_test::text(track->getName()));
  const KuvEeMilestone* milestone = KuvEeMilestone::cast(*fake.getExprCriteria(7));
  ASSERT_NE(nullptr, milestone);
  EXPECT_EQ(track, milestone->getMilestonesVar());
  EXPECT_EQ(nullptr, milestone->getParentMilestone());
  EXPECT_EQ(KuvInDate(2020, 3, 4, 1, 1, 1), *milestone->getDate());
  EXPECT_TRUE(fake.isInGarbage(*milestone));
}

// Numbers 1 and 2 go to the dismissed and incompatible lists under the
// flag, unless those lists are empty.
TEST(KuvBinaryCriteria, SelectedByRouting) {
  World w;
  const struct {
    std::uint8_t number;
    bool flag;
    const char* expected;
  } routes[] = {{1, false, nullptr}, {1, true, "19"}, {2, false, "17"}, {2, true, "17"}, {3, true, "18"}};
  for (const auto& r : routes) {
    kuv_test::Tree tree;
    const Bytes bytes{15, 7, 0, 10, 0, 1, static_cast<std::uint8_t>(r.number * 8 + 5), 0, 0};
    kuv_test::captured([&] { EXPECT_EQ(r.expected != nullptr, SUCCEEDED(read(bytes, w.data, tree, r.flag))); });
    EXPECT_EQ(r.expected != nullptr, tree != nullptr) << int(r.number) << r.flag;
    if (tree != nullptr) {
      const auto* eff = KuvEeSelectionEff::cast(*static_cast<KuvEeVarEffLeaf*>(tree->getNode())->getVarEff());
      ASSERT_EQ(1, eff->getValues().GetLength());
      EXPECT_EQ(r.expected, kuv_test::text(*eff->getValues().cBegin().Get()).substr(16, 2));
    }
  }
}

TEST(KuvBinaryCriteria, ReadRefusals) {
  const struct {
    const char* message;
    Bytes bytes;
    bool fake = false;
  } cases[] = {
      {"ERROR: unexpected end of binary", {14}},
      {"ERROR: Unexpected to not have a date index.", {14, 0}},
      {"ERROR: Unable to read KuvEeDateVar index.", {14, 1, 0, 0}},
      {"ERROR: Failed to retrieve a dependency for a date at index : 9", {14, 1, 0, 0, 0, 9}},
      {"ERROR: Failed to retrieve a dependency for a date at index : 65536", {14, 1, 0, 1, 0, 0}, true},
      {"ERROR: Dependency at index : 0 is not of date type as expected.", {14, 1, 0, 0, 0, 0}},
      {"ERROR: Unable to read number of intervals.", {14, 1, 0, 0, 0, 1, 0}},
      {"ERROR: unexpected end of binary", {14, 1, 0, 0, 0, 1, 0xFF, 0xFF, 0, 7, 0xD0, 2, 1, 7, 0xD0, 3, 1}},
      {"ERROR : ReadDateAndTime failed for InfBound", {14, 1, 0, 0, 0, 1, 0, 1, 0, 7, 0xD0, 2, 30, 7, 0xD0, 3, 1}},
      {"ERROR: setDate FAILED.", {14, 1, 0, 0, 0, 1, 0, 1, 1, 7, 0xD0, 2, 1, 7, 0xD0, 3, 1, 25, 1, 1}},
      {"ERROR : ReadDateAndTime failed for SupBound.", {14, 1, 0, 0, 0, 1, 0, 1, 1, 7, 0xD0, 2, 1, 7, 0xD0, 3, 1, 1}},
      {"ERROR: unexpected end of binary", {15}},
      {"ERROR: Currently unsupported to have a FALSE hasChildFeature.", {15, 5}},
      {"ERROR: Currently unsupported to have a FALSE globalValue.", {15, 6}},
      {"ERROR: This Binary version is incompatible with light parser because we can't retrieve holder object index.",
       {15, 3, 0, 1, 13, 0, 2}, true},
      {"ERROR: Number of options can't be zero.", {15, 7, 0, 10, 0, 0}},
      {"ERROR: unexpected end of binary", {15, 7, 0, 10, 0xFF, 0xFF, 13, 0, 11}},
      {"ERROR: unexpected.", {15, 7, 0, 10, 0, 1, 9, 0, 11}},
      {"ERROR: unexpected.", {15, 7, 0, 10, 0, 1, 15, 0, 11}},
      {"ERROR: currently unsupported to have a Global Value.", {15, 7, 0, 10, 0, 1, 12, 0, 11}},
      {"ERROR: Retrieved feature option object is neither a selectionValue nor an optionVar. DicoObject (Wheels)",
       {15, 7, 0, 10, 0, 1, 5, 0, 10}},
      {"ERROR: Retrieved feature option object is neither a selectionValue nor an optionVar. ",
       {15, 7, 0, 12, 0, 2, 13, 0, 12, 13, 0, 11}},
      {"ERROR: currently unsupported to have a Global Value.", {12, 15, 0, 0, 0, 1}},
      {"UNDEFINED Serial type", {12, 21, 0, 0, 0, 1}},
      {"ERROR: Retrieved number of intervals is null.", {12, 13, 0, 0, 0, 0}},
      {"ERROR: Serial holder object is nor a KuvEeModelDico, nor KuvEeSerialVar. At index : 1", {12, 13, 0, 1, 0, 1}},
      {"ERROR: unexpected.", {12, 13, 0, 0, 0, 1, 1, 0, 0, 0, 5, 0, 0}},
      {"ERROR: unexpected.", {12, 13, 0, 0, 0, 1, 3, 0, 0, 0, 5, 0, 2}},
      {"ERROR: Unable to set intervals list into SerialEff.",
       {12, 13, 0, 0, 0, 2, 3, 0, 0, 0, 5, 0, 0, 3, 0, 0, 0, 1, 0, 0}},
      {"ERROR: Retrieved object isn't a KuvEeSerialVarValue at index : 8",
       {13, 13, 0, 0, 0, 1, 1, 0, 8, 0, 1, 1, 0, 8}},
      {"ERROR: This Binary version is incompatible with light parser because we can't retrieve Serial ModelDico index.",
       {12, 9, 0, 1, 3, 0, 0, 0, 5, 0, 0}, true},
      {"ERROR: Unexpected value of TreeSeriesType 3", {13, 29, 0, 0}},
      {"ERROR: Evolution Series and TreeSeries aren't enable on ModelDico.", {13, 13, 0, 17, 0, 1}},
      {"ERROR: Unexpected NULL value for number of intervals.", {13, 13, 0, 0, 0, 0}},
      {"ERROR: Unable to retrieve TreeSeries ModelDico in ExprCriteria dependencies at index 1", {13, 13, 0, 1, 0, 1}},
      {"ERROR: Unexpected type of TreeSeries.", {13, 5, 0, 0, 0, 1, 5, 0, 5}},
      {"ERROR: unexpected.", {13, 13, 0, 0, 0, 1, 1, 0, 5, 0, 1, 5, 0, 6}},
      {"ERROR: Retrieved object isn't a KuvEeTreeSeriesElement at index : 1", {13, 21, 0, 8, 0, 1, 5, 0, 1}},
      {"ERROR: unexpected end of binary", {13, 21, 0, 8, 0, 0xFF, 5, 0, 9}},
      {"ERROR: Unable to read Padding.", {17}},
      {"ERROR: unexpected.", {17, 1, 0, 13, 0, 1, 0, 14, 128, 1}},
      {"ERROR: unexpected end of binary", {17, 0, 0}},
      {"ERROR: Retrieved object isn't a KuvEeMilestonesVar at index : 12", {17, 0, 0, 12, 0, 1, 0, 14, 128, 1}},
      {"ERROR: readUINT16 FAILED.", {17, 0, 0, 13, 0}},
      {"ERROR: Unexpected NULL value for number of selections.", {17, 0, 0, 13, 0, 0}},
      {"ERROR: unexpected end of binary", {17, 0, 0, 13, 0, 2, 0, 14, 128, 1}},
      {"ERROR: unexpected end of binary", {17, 0, 0, 13, 0, 1, 0, 15, 130, 0x07, 0xE4, 3}},
      {"ERROR: Unable to read Padding + isSingleSelection", {17, 0, 0, 13, 0, 1, 0, 15, 130, 0x07, 0xE4, 3, 4}},
      {"ERROR: readUINT16 FAILED.", {17, 0, 0, 13, 0, 1, 0, 14, 0, 0, 0}},
      {"ERROR: unexpected end of binary", {17, 0, 0, 13, 0, 1, 0, 14, 0, 0, 0, 1, 0, 16}},
      {"ERROR: Retrieved object isn't a KuvEeMilestone at index : 12", {17, 0, 0, 13, 0, 1, 0, 12, 128, 1}},
      {"ERROR: unexpected.", {17, 0, 0, 13, 0, 1, 0, 14, 129, 1}},
      {"ERROR: unexpected.", {17, 0, 0, 13, 0, 1, 0, 14, 128, 2}},
      {"ERROR: unexpected.", {17, 0, 0, 13, 0, 1, 0, 14, 0, 1}},
      {"ERROR: unexpected.", {17, 0, 0, 13, 0, 1, 0, 14, 128, 0, 0, 1, 0, 14, 128}},
      {"ERROR: setDate FAILED.", {17, 0, 0, 13, 0, 1, 0, 15, 130, 0x07, 0xE4, 2, 30, 1}},
      {"ERROR: Derived Date isn't the date of the Milestone at index : 15",
       {17, 0, 0, 13, 0, 1, 0, 15, 130, 0x07, 0xE4, 3, 5, 1}},
      {"ERROR: Derived Date isn't the date of the Milestone at index : 14",
       {17, 0, 0, 13, 0, 1, 0, 14, 130, 0x07, 0xE4, 3, 4, 1}},
      {"ERROR: Derived Date isn't the date of the Milestone at index : 31",
       {17, 0, 0, 30, 0, 2, 0, 31, 130, 0x07, 0xE4, 3, 4, 1, 0, 31, 128, 1}, true},
      {"can't be a child of From bound", {17, 0, 0, 13, 0, 1, 0, 16, 128, 0, 0, 1, 0, 14, 128}},
      {"ERROR: Unable to set selections into MilestonesEff.", {17, 0, 0, 13, 0, 2, 0, 14, 128, 1, 0, 14, 128, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    World w;
    if (c.fake) w.data.setDependenciesType(KuvBinaryExprData::FakeDependencies);
    kuv_test::Tree tree;
    EXPECT_TRACES(E_FAIL, c.message, read(c.bytes, w.data, tree));
    EXPECT_EQ(nullptr, tree);
  }
  // Without the holder bit a serial leaf reads without a variable, and says so.
  World w;
  kuv_test::Tree tree;
  EXPECT_TRACES(KuvBinaryEENodeParser::sc_readIncomplete, "ERROR: SerialVar should be defined.",
                read({12, 9, 0, 1, 3, 0, 0, 0, 5, 0, 0}, w.data, tree));
  ASSERT_NE(nullptr, tree);
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to write SerialEff BinaryExpression.",
                KuvBinaryEENodeParser::write(*tree, w.data, out));
}

TEST(KuvBinaryCriteria, WriteRefusals) {
  World w;
  KuvEeDateVar unlistedDate("Unlisted", Guid(60).data());
  KuvEeModelDico unlisted(KuvInString("U"), Guid(61).guid());
  unlisted.enableEvolutionSeries(S::UNIT);
  w.revision(w.model.getSeriesVariable(S::STATE), 4);  // not listed
  auto* unlistedValue = new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllFalse);
  unlistedValue->add(w.wheels.addValue("20", Guid(64).data()));
  KuvEeMilestonesVar unlistedTrack("T", Guid(65).data(), "D", nullptr);
  auto* mc = new KuvEeMilestone("MC", Guid(66).data(), &w.track, treeIndex("40-50"), nullptr, w.mr);
  w.mr->addChild(mc);
  const struct {
    KuvEeVarEff* eff;
    const char* message;
  } cases[] = {
      {new KuvEeDateEff(&unlistedDate, KuvEeDateEff::AllTrue), "ERROR: Wrong index value for date var."},
      {new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllTrue),
       "ERROR: Unable to retrieve number of SelectionValues."},
      {unlistedValue, "ERROR: Unable to retrieve SelectionValue index."},
      {new KuvEeOptionEff(&w.red, KuvEeOptionEff::T | KuvEeOptionEff::N),
       "ERROR: Unable to retrieve Feature option holder object Index."},
      {serial(w.model, S::STATE, 1, true, 5, true),
       "ERROR : Unable to retrieve TO SerialValue for revision 5"},
      {serial(w.model, S::STATE, 4, true, 2000000000, true),
       "ERROR: Unable to retrieve FROM SerialValue holder object Index."},
      {new KuvEeSerialEff(w.model.getSeriesVariable(S::STATE), KuvEeSerialEff::AllFalse),
       "ERROR: Unable to retrieve intervals for current serial."},
      {serial(unlisted, S::UNIT, 1, true, 2, true), "ERROR: Unable to retrieve Serial ModelDico index."},
      {new KuvEeTreeSeriesEff(w.model.getTreeSeriesVariable(S::TREE_STATE), KuvEeTreeSeriesEff::AllFalse),
       "ERROR: Retrieved TreeSeries Selection is empty."},
      {milestones(&unlistedTrack, {}),
       "ERROR: Unable to retrieve MilestonesVar index into ExprCriteria list."},
      {milestones(&w.track, {}), "ERROR: Retrieved Milestones Selections list is empty."},
      {milestones(&w.track, {}), "ERROR: Unable to write MilestonesEff BinaryExpression."},
      {milestones(&w.track, {{w.mr, true, {{mc, true}}}}),
       "ERROR: Unable to retrieve Milestone object Index."},
      {milestones(&w.track, {{nullptr, true, {}}}), "ERROR: Retrieved a null From bound."},
      {new KuvEeDnfMilestonesEff(&w.track), "ERROR: Unexpected type of KuvEeVarEff."},
  };
  for (const auto& c : cases) {
    const kuv_test::Tree tree = leaf(c.eff);
    KuvBioBufferOut out;
    EXPECT_TRACES(E_FAIL, c.message, KuvBinaryEENodeParser::write(*tree, w.data, out));
  }
  // Not refused: a value takes its one index among the five lists, whichever
  // list its number names (w17 is a rule, red a criterion).
  auto* ruleByUser = new KuvEeSelectionEff(&w.wheels, KuvEeSelectionEff::AllFalse);
  ruleByUser->add(w.w17, static_cast<KuvCriteriaSelectedBy>(1));
  EXPECT_EQ((Bytes{15, 7, 0, 10, 0, 1, 13, 0, 0}), write(*leaf(ruleByUser), w.data));
  EXPECT_EQ((Bytes{15, 7, 0, 12, 0, 1, 21, 0, 12}),
            write(*leaf(new KuvEeOptionEff(&w.red, KuvEeOptionEff::F)), w.data));
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: Unexpected type of FeatureEff.",
                KuvBinaryFeatureEff::write(KuvEeDateEff(&w.date, KuvEeDateEff::AllTrue), w.data, out));
}

}  // namespace
