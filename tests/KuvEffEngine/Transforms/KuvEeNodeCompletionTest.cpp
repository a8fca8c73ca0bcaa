// The completion of filter terms with restriction leaves, and its removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "KuvEeCategory.h"
#include "KuvEeNodeAddCompletion.h"
#include "KuvEeNodeCompletionRemover.h"
#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

constexpr const char* kNoEvolution = "CGE_VARIANT_FILTER_NO_EVOLUTION";

// Sets (value not null) or unsets an environment variable for one scope.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    if (old != nullptr) m_old = old;
    m_wasSet = old != nullptr;
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { m_wasSet ? setenv(m_name, m_old.c_str(), 1) : unsetenv(m_name); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
  const char* m_name;
  std::string m_old;
  bool m_wasSet;
};

HRESULT complete(Tree& tree, int mode = KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT) {
  KuvEeNodeRef* ref = tree.release();
  const HRESULT hr =
      KuvEeNodeAddCompletion().addCompletion(ref, static_cast<KuvEeFilterExpression::SELECTION_MODE>(mode));
  tree.reset(ref);
  return hr;
}

HRESULT removeCompletion(Tree& tree, KuvSortedByTypeCriteria* criteria = nullptr) {
  KuvEeNodeRef* ref = tree.release();
  const HRESULT hr = KuvEeNodeCompletionRemover().removeCompletion(ref, criteria);
  tree.reset(ref);
  return hr;
}

// A restriction leaf as its kind and the sorted names of what it lists (its
// own text follows the memory order of its set); other nodes by shape.
std::string listed(const KuvEeNode* node) {
  const KuvEeRestrictionEffLeaf* leaf = KuvEeRestrictionEffLeaf::cast(*node);
  if (leaf == nullptr) return shape(node);
  std::vector<std::string> names;
  const KuvInSet& variables = leaf->getRestrictionEff()->getVariables();
  for (KuvInSet::const_iterator it = variables.cBegin(); it.IsValid();)
    names.push_back(text(static_cast<const KuvEeDicoObject*>(it.GetGoToNext())->getName()));
  std::sort(names.begin(), names.end());
  std::string s = text(*leaf->getRestrictionEff());
  s.resize(s.find('[') + 1);
  for (const std::string& name : names) s += (s.back() == '[' ? "" : ", ") + name;
  return s + "]";
}

std::vector<std::string> listedChildren(const KuvEeNode* node) {
  std::vector<std::string> texts;
  for (const KuvEeNode* child : children(*KuvEeOp::cast(*node))) texts.push_back(listed(child));
  return texts;
}

// An Or of terms, or one term; a term is an And of two or three leaves, or
// a lone leaf; an Or may hold True or False as well.
Tree disjunctiveTree(TreeGenerator& leaves, std::mt19937& random) {
  const auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  const auto term = [&]() -> KuvEeNode* {
    const int size = pick(3);
    if (size == 0) return new KuvEeVarEffLeaf(leaves.varEff());
    auto* andOp = new KuvEeAndOp;
    for (int i = 0; i <= size; ++i) andOp->addChild(new KuvEeVarEffLeaf(leaves.varEff()));
    return andOp;
  };
  const int terms = pick(4);
  if (terms == 0) return own(term());
  auto* orOp = new KuvEeOrOp;
  for (int i = 0; i < terms; ++i) orOp->addChild(pick(6) == 0 ? (pick(2) == 0 ? T() : F()) : term());
  return own(orOp);
}

// What the completion of a term of the truth model lists, from its leaves.
std::vector<std::string> expectedCompletion(const TruthModel& m, const std::vector<KuvEeNode*>& leaves,
                                            bool closesEvolution) {
  bool serial = false, date = false, selection = false;
  std::vector<std::string> options;
  for (const KuvEeNode* leaf : leaves) {
    const KuvEeVariable* var = KuvEeVarEffLeaf::cast(*leaf)->getVarEff()->getVar();
    serial |= var == m.serial.get();
    date |= var == m.date.get();
    selection |= var == m.selection.get();
    if (KuvEeCatOptionVar::isObjectOfThisType(*var)) options.push_back(text(var->getName()));
  }
  std::sort(options.begin(), options.end());
  options.erase(std::unique(options.begin(), options.end()), options.end());
  const bool closed = closesEvolution && !serial && !date;
  std::vector<std::string> expected;
  if (serial || closed) expected.push_back(serial ? "SerialRestrictionEff[Units]" : "SerialRestrictionEff[]");
  if (closed) expected.insert(expected.end(), {"TreeSeriesRestrictionEff[]", "MilestonesRestrictionEff[]"});
  if (date || closed) expected.push_back(date ? "DateRestrictionEff[Build]" : "DateRestrictionEff[]");
  if (selection) expected.push_back("SelectionRestrictionEff[Colour]");
  if (!options.empty()) {
    expected.push_back("CategoryRestrictionEff[Engine]");
    std::string s = "CategoryOptionRestrictionEff[";
    for (const std::string& name : options) s += (s.back() == '[' ? "" : ", ") + name;
    expected.push_back(s + "]");
  }
  return expected;
}

std::vector<KuvEeNode*> termsOf(KuvEeNode* root) {
  return KuvEeOrOp::isObjectOfThisType(*root) ? children(*KuvEeOp::cast(*root)) : std::vector{root};
}

}  // namespace

// Modes and the environment switch vary over the trees: a term without
// evolution criteria is closed on evolution under mode 4, and under modes
// other than 2 and 3 when the switch is set.
TEST(NodeCompletion, AddsOnlyRestrictionsToTermsAndRemovingGivesTheTreeBack) {
  TruthModel m;
  TreeGenerator leaves(m, 23, {});
  std::mt19937 random(29);
  for (int i = 0; i < 500; ++i) {
    const int mode = i % 5;
    const bool switchSet = i % 3 == 0;
    ScopedEnv env(kNoEvolution, switchSet ? "" : nullptr);
    Tree tree = disjunctiveTree(leaves, random);
    const Tree original(tree->getNode()->clone());
    ASSERT_EQ(S_OK, complete(tree, mode)) << text(*original);

    const std::vector<KuvEeNode*> before = termsOf(original->getNode());
    const std::vector<KuvEeNode*> after = termsOf(tree->getNode());
    ASSERT_EQ(before.size(), after.size()) << text(*tree);
    for (std::size_t t = 0; t < before.size(); ++t) {
      if (KuvEeAbsoluteNode::isObjectOfThisType(*before[t])) {
        EXPECT_EQ(shape(before[t]), shape(after[t]));
        continue;
      }
      const std::vector<KuvEeNode*> leavesBefore = KuvEeAndOp::isObjectOfThisType(*before[t])
                                                       ? children(*KuvEeOp::cast(*before[t]))
                                                       : std::vector{before[t]};
      ASSERT_TRUE(KuvEeAndOp::isObjectOfThisType(*after[t])) << text(*tree);
      std::vector<std::string> expected;
      for (const KuvEeNode* leaf : leavesBefore) expected.push_back(listed(leaf));
      for (const std::string& s :
           expectedCompletion(m, leavesBefore, mode == 4 || (switchSet && mode != 2 && mode != 3)))
        expected.push_back(s);
      EXPECT_EQ(expected, listedChildren(after[t])) << text(*original);
    }

    ASSERT_EQ(S_OK, removeCompletion(tree));
    EXPECT_EQ(text(*original), text(*tree));
  }
}

TEST(NodeCompletion, LoneOptionLeafBecomesATermAndANullTreeAnEmptyOne) {
  TruthModel m;
  Tree tree = own(new KuvEeVarEffLeaf(new KuvEeOptionEff(m.options[0].get(), KuvEeOptionEff::T)));
  ASSERT_EQ(S_OK, complete(tree));
  EXPECT_EQ(shape(*tree),
            "And(Diesel,EeRestrictionEffLeaf : CategoryRestrictionEff[Engine],"
            "EeRestrictionEffLeaf : CategoryOptionRestrictionEff[Diesel])");
  ASSERT_EQ(S_OK, complete(tree));
  EXPECT_EQ(3U, children(*KuvEeOp::cast(*tree->getNode())).size()) << "completed once";

  Tree none;
  ASSERT_EQ(S_OK, complete(none, 4));
  EXPECT_EQ(listedChildren(none->getNode()),
            (std::vector<std::string>{"SerialRestrictionEff[]", "TreeSeriesRestrictionEff[]",
                                      "MilestonesRestrictionEff[]", "DateRestrictionEff[]"}));
}

TEST(NodeCompletion, SeriesRestrictionsComeOnePerExternalTypeWithTheirCountsTraced) {
  Criteria c;
  Tree tree = own(And({c.serial(&c.states), c.units(), c.plan(), c.milestone(), c.changeLeaf()}));
  ScopedFlags calls(KuvEeNodeAddCompletion::traceChannel(), 3);
  const std::string traced = captured([&] { EXPECT_EQ(S_OK, complete(tree)); });
  EXPECT_NE(traced.find("ADDING SerialRestrictionEff :\n linear states=1\n linear mplans=0"),
            std::string::npos);
  EXPECT_NE(traced.find("ADDING TreeSeriesRestrictionEff :\ntree states=0\ntree mplans=1"),
            std::string::npos);
  const std::vector<std::string> all = listedChildren(tree->getNode());
  EXPECT_EQ(std::vector<std::string>(all.begin() + 5, all.end()),
            (std::vector<std::string>{"SerialRestrictionEff[States]", "SerialRestrictionEff[Units]",
                                      "TreeSeriesRestrictionEff[Plans]", "MilestonesRestrictionEff[Track]",
                                      "PredefEffRestrictionEff[ECO]"}));
}

TEST(NodeCompletion, RefusesNegationsRestrictionsOutsideTermsAndOtherNamedEffectivities) {
  constexpr const char* kNot = "UNEXPECTED: cannot have a Not operator on this stage!";
  constexpr const char* kRestriction = "UNEXPECTED: cannot have a restriction leaf on this stage!";
  Criteria c;
  const struct {
    KuvEeNode* tree;
    const char* message;
  } cases[] = {
      {Not(c.option()), kNot},
      {Or({c.option(), NotDom(c.selection())}), kNot},
      {And({c.option(), Not(c.date())}), kNot},
      {Criteria::restriction(new KuvEeDateRestrictionEff), kRestriction},
      {Or({c.option(), Criteria::restriction(new KuvEeDateRestrictionEff)}), kRestriction},
      {And({c.option(), c.inheritedLeaf()}),
       "ERROR: ONLY Predef Effectivities are supported (KuvEeNodeAddCompletion)!"},
  };
  for (const auto& k : cases) {
    Tree tree = own(k.tree);
    EXPECT_TRACES(E_FAIL, k.message, complete(tree));
  }
}

TEST(NodeCompletion, RemovalWithCriteriaWidensRestrictionsAndAddsCategoryOptions) {
  TruthModel m;
  KuvEeCategory trim("Trim", Guid(0x7F1).data());
  KuvEeCatOptionVar leather("Leather", Guid(0x7F2).data(), &trim);
  KuvEeSerialVar moreUnits("MoreUnits", Guid(0x7F3).data(), KuvEeSerialVar::UNIT, nullptr);
  KuvEeSerialVar states("States", Guid(0x7F4).data(), KuvEeSerialVar::STATE, nullptr);
  Tree tree = own(And({new KuvEeVarEffLeaf(new KuvEeOptionEff(m.options[0].get(), KuvEeOptionEff::T)),
                       new KuvEeVarEffLeaf(new KuvEeSerialEff(m.serial.get(), KuvEeSerialEff::AllTrue))}));
  const std::string serialLeaf = shape(children(*KuvEeOp::cast(*tree->getNode()))[1]);
  ASSERT_EQ(S_OK, complete(tree));

  KuvInSet none, serials, categories, options;
  for (KuvInObject* object : {&moreUnits, &states}) serials.Put(object);
  for (KuvInObject* object : {m.category.get(), &trim}) categories.Put(object);
  for (KuvInObject* object : {m.options[1].get(), &leather}) options.Put(object);
  KuvSortedByTypeCriteria criteria{&serials, &none, &none, &none, &none, &categories, &options, &none};
  ScopedFlags calls(KuvEeNodeCompletionRemover::traceChannel(), 3);
  EXPECT_TRACES(S_OK, "Expression after RemoveCompletion: ", removeCompletion(tree, &criteria));
  EXPECT_EQ(listedChildren(tree->getNode()),
            (std::vector<std::string>{"Diesel", serialLeaf, "SerialRestrictionEff[MoreUnits, Units]",
                                      "CategoryRestrictionEff[Engine, Trim]",
                                      "CategoryOptionRestrictionEff[Diesel, Petrol]",
                                      "CategoryOptionRestrictionEff[Leather]"}));
}

TEST(NodeCompletion, RemovalRefusesANullTreeAndCriteriaMissingASet) {
  Criteria c;
  Tree tree = own(And({c.option(), c.date()}));
  ASSERT_EQ(S_OK, complete(tree));
  const std::string before = text(*tree);
  KuvInSet none;
  const KuvSortedByTypeCriteria full{&none, &none, &none, &none, &none, &none, &none, &none};
  using R = KuvSortedByTypeCriteria;
  for (auto member : {&R::serials, &R::treeSeries, &R::milestones, &R::dates, &R::selections, &R::categories,
                      &R::categoryOptions, &R::predefEffs}) {
    KuvSortedByTypeCriteria criteria = full;
    criteria.*member = nullptr;
    EXPECT_TRACES(E_INVALIDARG, "ERROR: NULL pointer", removeCompletion(tree, &criteria));
  }
  EXPECT_EQ(before, text(*tree));
  KuvEeNodeRef* nothing = nullptr;
  EXPECT_TRACES(E_FAIL, "ERROR: Input Expression is null.",
                KuvEeNodeCompletionRemover().removeCompletion(nothing, nullptr));
}
