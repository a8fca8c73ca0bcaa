// Serial and tree series leaves of the binary expression format: exact
// bytes per layout, the round trip through the node reader and writer (also
// with the light parser's placeholders), the choice between the two under
// node type 13, refusals, and every truncation of a valid leaf.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KuvBinaryEENodeParser.h"
#include "KuvBinaryExprData.h"
#include "KuvEeModelDico.h"
#include "KuvEeNotOp.h"
#include "KuvEeSerialEff.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvEeTreeBaseEff.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInTreeEvalIndex.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;
using Bytes = std::vector<std::uint8_t>;

KuvInTreeEvalIndex span(const char* text) {
  KuvInTreeEvalIndex index;
  EXPECT_EQ(S_OK, KuvInTreeEvalIndex::BuildFromString(text, index));
  return index;
}

// Index 0: a dictionary with every series and the tree states (the reader
// must look at the first value); 1 to 3: state revisions 1 to 3; 4: a plan
// revision 7; 5 to 7: tree states root, a and b; 8: a dictionary with
// tree plans only; 9: its root.
struct World {
  KuvEeModelDico model{KuvInString("Model"), Guid(1).guid()};
  KuvEeModelDico plans{KuvInString("Plans"), Guid(2).guid()};
  KuvEeTreeSeriesElement* root = nullptr;
  KuvEeTreeSeriesElement* a = nullptr;
  KuvEeTreeSeriesElement* b = nullptr;
  KuvEeTreeSeriesElement* planRoot = nullptr;
  KuvBinaryExprData data;

  World() {
    for (std::int32_t type : {KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT, KuvEeSerialVar::MANUF_PLAN,
                              KuvEeSerialVar::TREE_STATE})
      model.enableEvolutionSeries(type);
    plans.enableEvolutionSeries(KuvEeSerialVar::TREE_MANUF_PLAN);
    data.addExprCriteria(model);
    for (unsigned seq = 1; seq <= 3; ++seq) data.addExprCriteria(*revision(state(), seq));
    data.addExprCriteria(*revision(model.getSeriesVariable(KuvEeSerialVar::MANUF_PLAN), 7));
    KuvEeTreeSeriesVar* tree = model.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
    root = new KuvEeTreeSeriesElement("R", Guid(40).data(), "R", span("1-100"), tree, nullptr);
    tree->setRootTreeSeriesElement(root);
    a = new KuvEeTreeSeriesElement("A", Guid(41).data(), "A", span("2-10"), tree, root);
    b = new KuvEeTreeSeriesElement("B", Guid(42).data(), "B", span("20-30"), tree, root);
    root->addChild(a);
    root->addChild(b);
    for (KuvInObject* element : {root, a, b}) data.addExprCriteria(*element);
    data.addExprCriteria(plans);
    KuvEeTreeSeriesVar* planTree = plans.getTreeSeriesVariable(KuvEeSerialVar::TREE_MANUF_PLAN);
    planRoot = new KuvEeTreeSeriesElement("P", Guid(43).data(), "P", span("1-9"), planTree, nullptr);
    planTree->setRootTreeSeriesElement(planRoot);
    data.addExprCriteria(*planRoot);
  }

  KuvEeSerialVar* state() { return model.getSeriesVariable(KuvEeSerialVar::STATE); }
  KuvEeSerialVarValue* revision(KuvEeSerialVar* var, unsigned seq) {
    auto* value = new KuvEeSerialVarValue("Rev", Guid(20 + seq).data(), "R", seq, var);
    EXPECT_EQ(S_OK, var->addRevision(value));
    return value;
  }
};

KuvEeVarEff* serial(KuvEeModelDico& model, std::int32_t type, std::int32_t low, bool lowIn, std::int32_t high,
                    bool highIn) {
  auto* eff = new KuvEeSerialEff(model.getSeriesVariable(type), KuvEeSerialEff::AllFalse);
  EXPECT_EQ(S_OK, eff->set(low, lowIn, high, highIn));
  return eff;
}

// Selections given as {from, fromIncluded, to...}; a lone included from is
// a single selection.
struct Sel {
  KuvEeTreeSeriesElement* from;
  bool included;
  std::vector<KuvEeTreeSeriesElement*> to;
};

KuvEeVarEff* treeSeries(KuvEeTreeSeriesVar* var, const std::vector<Sel>& sels) {
  auto* eff = new KuvEeTreeSeriesEff(var, KuvEeTreeSeriesEff::AllFalse);
  KuvInListVal list(KuvEeTreeSeriesSelection::sType());
  for (const Sel& s : sels) {
    KuvEeTreeSeriesSelection selection;
    if (s.to.empty() && s.included) {
      selection.setSingleSelection(KuvEeTreeSeriesSelectionBound(s.from, true));
    } else {
      EXPECT_EQ(S_OK, selection.setFromBound(KuvEeTreeSeriesSelectionBound(s.from, s.included)));
      for (auto* to : s.to) EXPECT_EQ(S_OK, selection.addToBound(KuvEeTreeSeriesSelectionBound(to, true)));
    }
    list.PutBack(selection);
  }
  EXPECT_EQ(S_OK, eff->addSelections(list));
  return eff;
}

Bytes write(const KuvEeNodeRef& tree, const KuvBinaryExprData& data) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBinaryEENodeParser::write(tree, data, out));
  return Bytes(out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength());
}

HRESULT read(const Bytes& bytes, KuvBinaryExprData& data, kuv_test::Tree& tree) {
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  KuvEeNodeRef* node = nullptr;
  const HRESULT hr = KuvBinaryEENodeParser::readNode(in, data, false, node);
  tree.reset(node);
  if (SUCCEEDED(hr)) {
    EXPECT_EQ(bytes.size(), in.getPosition());
  }
  return hr;
}

kuv_test::Tree leaf(KuvEeVarEff* eff) { return kuv_test::Tree((new KuvEeVarEffLeaf(eff))->getNodeRef()); }

TEST(KuvBinarySeriesEff, Layouts) {
  World w;
  KuvEeTreeSeriesVar* states = w.model.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE);
  KuvEeTreeSeriesVar* plans = w.plans.getTreeSeriesVariable(KuvEeSerialVar::TREE_MANUF_PLAN);
  const struct {
    const char* name;
    KuvEeVarEff* eff;
    Bytes bytes;
  } cases[] = {
      {"unit to infinity", serial(w.model, KuvEeSerialVar::UNIT, 5, true, 2000000000, true),
       {12, 13, 0, 0, 0, 1, 3, 0, 0, 0, 5, 0, 0}},
      {"unit single, negative", serial(w.model, KuvEeSerialVar::UNIT, -3, true, -3, true),
       {12, 13, 0, 0, 0, 1, 7, 0xFF, 0xFF, 0xFF, 0xFD, 0, 1, 7, 0xFF, 0xFF, 0xFF, 0xFD}},
      {"state, upper excluded", serial(w.model, KuvEeSerialVar::STATE, 1, true, 3, false),
       {13, 13, 0, 0, 0, 1, 1, 0, 1, 0, 1, 0, 0, 3}},
      {"plan single", serial(w.model, KuvEeSerialVar::MANUF_PLAN, 7, true, 7, true),
       {13, 21, 0, 0, 0, 1, 5, 0, 4, 0, 1, 5, 0, 4}},
      {"tree states: single, then root excluded to a and b",
       treeSeries(states, {{w.b, true, {}}, {w.root, false, {w.a, w.b}}}),
       {13, 13, 0, 0, 0, 2, 5, 0, 7, 0, 0, 5, 0, 2, 1, 0, 6, 1, 0, 7}},
      {"tree plans, open below the root", treeSeries(plans, {{w.planRoot, true, {}}}),
       {13, 21, 0, 8, 0, 1, 5, 0, 9}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const kuv_test::Tree tree = leaf(c.eff);
    EXPECT_EQ(c.bytes, write(*tree, w.data));
    kuv_test::Tree back;
    ASSERT_EQ(S_OK, read(c.bytes, w.data, back));
    EXPECT_EQ(kuv_test::text(*tree->getNode()), kuv_test::text(*back->getNode()));
    EXPECT_EQ(c.bytes, write(*back, w.data));

    // Negated: Not over the positive leaf, which writes the same bytes.
    static_cast<KuvEeVarEffLeaf*>(tree->getNode())->getVarEff()->opNot();
    Bytes negated = write(*tree, w.data);
    ASSERT_EQ(std::uint8_t{3}, negated.front());
    EXPECT_EQ(c.bytes, Bytes(negated.begin() + 1, negated.end()));
    ASSERT_EQ(S_OK, read(negated, w.data, back));
    EXPECT_EQ(negated, write(*back, w.data));

    // Every truncation fails and hands nothing out.
    for (std::size_t n = 0; n < c.bytes.size(); ++n) {
      kuv_test::Tree cut;
      testing::internal::CaptureStdout();
      EXPECT_TRUE(FAILED(read(Bytes(c.bytes.begin(), c.bytes.begin() + n), w.data, cut))) << n;
      testing::internal::GetCapturedStdout();
      EXPECT_EQ(nullptr, cut);
    }
  }
}

// The light parser makes the dictionary, the series and the revisions up
// (revisions numbered by their index) and writes the same bytes again.
TEST(KuvBinarySeriesEff, LightParser) {
  const Bytes cases[] = {
      {12, 13, 0, 0, 0, 1, 3, 0, 0, 0, 5, 0, 0},
      {13, 13, 0, 0, 0, 2, 1, 0, 1, 0, 1, 0, 0, 3, 1, 0, 4, 0, 0},
      {13, 21, 0, 2, 0, 1, 5, 0, 4, 0, 1, 5, 0, 4},
      {4, 0, 2, 13, 13, 0, 0, 0, 1, 1, 0, 1, 0, 0, 12, 13, 0, 0, 0, 1, 3, 0, 0, 0, 9, 0, 0},
  };
  for (const Bytes& bytes : cases) {
    KuvBinaryExprData fake;
    fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
    kuv_test::Tree tree;
    ASSERT_EQ(S_OK, read(bytes, fake, tree));
    EXPECT_EQ(bytes, write(*tree, fake));
  }
  KuvBinaryExprData fake;
  fake.setDependenciesType(KuvBinaryExprData::FakeDependencies);
  kuv_test::Tree tree;
  EXPECT_TRACES(E_FAIL, "ERROR: This Binary version is incompatible with light parser because we can't retrieve "
                        "Serial ModelDico index.",
                read({12, 9, 0, 1, 3, 0, 0, 0, 5, 0, 0}, fake, tree));
}

// Under node type 13 the holder dictionary decides, and the first value
// when it enables both.
TEST(KuvBinarySeriesEff, SerialOrTreeSeries) {
  World w;
  KuvEeModelDico onlySeries(KuvInString("S"), Guid(3).guid());
  onlySeries.enableEvolutionSeries(KuvEeSerialVar::STATE);
  KuvEeModelDico neither(KuvInString("N"), Guid(4).guid());
  w.data.addExprCriteria(onlySeries);  // 10
  w.data.addExprCriteria(neither);     // 11
  const struct {
    Bytes bytes;
    bool serial;
  } cases[] = {
      {{13, 13, 0, 0, 0, 1, 5, 0, 1, 0, 1, 5, 0, 1}, true},
      {{13, 13, 0, 0, 0, 1, 5, 0, 5}, false},
      {{13, 13, 0, 10, 0, 1, 5, 0, 1, 0, 1, 5, 0, 1}, true},
      {{13, 21, 0, 8, 0, 1, 5, 0, 9}, false},
  };
  for (const auto& c : cases) {
    kuv_test::Tree tree;
    ASSERT_EQ(S_OK, read(c.bytes, w.data, tree));
    const KuvEeVarEff* eff = static_cast<KuvEeVarEffLeaf*>(tree->getNode())->getVarEff();
    EXPECT_EQ(c.serial, KuvEeSerialEff::cast(*eff) != nullptr);
    EXPECT_EQ(!c.serial, KuvEeTreeSeriesEff::cast(*eff) != nullptr);
  }
}

TEST(KuvBinarySeriesEff, Refusals) {
  World w;
  KuvEeModelDico neither(KuvInString("N"), Guid(4).guid());
  w.data.addExprCriteria(neither);  // 10
  const struct {
    Bytes bytes;
    const char* message;
  } cases[] = {
      {{12, 15, 0, 0, 0, 1}, "ERROR: currently unsupported to have a Global Value."},
      {{12, 21, 0, 0, 0, 1}, "UNDEFINED Serial type"},
      {{12, 13, 0, 0, 0, 0}, "ERROR: Retrieved number of intervals is null."},
      {{12, 13, 0, 1, 0, 1}, "ERROR: Serial holder object is nor a KuvEeModelDico, nor KuvEeSerialVar. At index : 1"},
      {{12, 13, 0, 0, 0, 1, 1, 0, 0, 0, 5, 0, 0}, "ERROR: unexpected."},
      {{12, 13, 0, 0, 0, 1, 3, 0, 0, 0, 5, 0, 2}, "ERROR: unexpected."},
      {{12, 13, 0, 0, 0, 2, 3, 0, 0, 0, 5, 0, 0, 3, 0, 0, 0, 1, 0, 0}, "ERROR: Unable to set intervals list into SerialEff."},
      {{13, 13, 0, 0, 0, 1, 1, 0, 8, 0, 1, 1, 0, 8}, "ERROR: Retrieved object isn't a KuvEeSerialVarValue at index : 8"},
      {{13, 29, 0, 0}, "ERROR: Unexpected value of TreeSeriesType 3"},
      {{13, 13, 0, 10, 0, 1}, "ERROR: Evolution Series and TreeSeries aren't enable on ModelDico."},
      {{13, 13, 0, 0, 0, 0}, "ERROR: Unexpected NULL value for number of intervals."},
      {{13, 13, 0, 1, 0, 1}, "ERROR: Unable to retrieve TreeSeries ModelDico in ExprCriteria dependencies at index 1"},
      {{13, 5, 0, 0, 0, 1, 5, 0, 5}, "ERROR: Unexpected type of TreeSeries."},
      {{13, 13, 0, 0, 0, 1, 1, 0, 5, 0, 1, 5, 0, 6}, "ERROR: unexpected."},
      {{13, 21, 0, 8, 0, 1, 5, 0, 1}, "ERROR: Retrieved object isn't a KuvEeTreeSeriesElement at index : 1"},
      {{13, 21, 0, 8, 0, 0xFF, 5, 0, 9}, "ERROR: unexpected end of binary"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    kuv_test::Tree tree;
    EXPECT_TRACES(E_FAIL, c.message, read(c.bytes, w.data, tree));
    EXPECT_EQ(nullptr, tree);
  }
  // Without the holder bit the leaf reads without a variable.
  kuv_test::Tree tree;
  EXPECT_EQ(KuvBinaryEENodeParser::sc_readIncomplete, read({12, 9, 0, 1, 3, 0, 0, 0, 5, 0, 0}, w.data, tree));
  ASSERT_NE(nullptr, tree);
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to write SerialEff BinaryExpression.",
                KuvBinaryEENodeParser::write(*tree, w.data, out));
}

TEST(KuvBinarySeriesEff, WriteRefusals) {
  World w;
  KuvBinaryExprData empty;
  KuvEeModelDico other(KuvInString("O"), Guid(5).guid());
  other.enableEvolutionSeries(KuvEeSerialVar::STATE);
  auto* unknown = new KuvEeSerialVarValue("X", Guid(6).data(), "X", 4, other.getSeriesVariable(KuvEeSerialVar::STATE));
  other.getSeriesVariable(KuvEeSerialVar::STATE)->addRevision(unknown);
  w.data.addExprCriteria(other);
  const struct {
    KuvEeVarEff* eff;
    const char* message;
  } cases[] = {
      {serial(w.model, KuvEeSerialVar::STATE, 1, true, 5, true), "ERROR : Unable to retrieve TO SerialValue for revision 5"},
      {serial(other, KuvEeSerialVar::STATE, 4, true, 2000000000, true),
       "ERROR: Unable to retrieve FROM SerialValue holder object Index."},
      {new KuvEeSerialEff(w.state(), KuvEeSerialEff::AllFalse), "ERROR: Unable to retrieve intervals for current serial."},
      {new KuvEeTreeSeriesEff(w.model.getTreeSeriesVariable(KuvEeSerialVar::TREE_STATE), KuvEeTreeSeriesEff::AllFalse),
       "ERROR: Retrieved TreeSeries Selection is empty."},
  };
  for (const auto& c : cases) {
    const kuv_test::Tree tree = leaf(c.eff);
    KuvBioBufferOut out;
    EXPECT_TRACES(E_FAIL, c.message, KuvBinaryEENodeParser::write(*tree, w.data, out));
  }
  const kuv_test::Tree tree = leaf(serial(w.model, KuvEeSerialVar::UNIT, 1, true, 2, true));
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: Unable to retrieve Serial ModelDico index.", KuvBinaryEENodeParser::write(*tree, empty, out));
}

}  // namespace
