// The completion of filter terms with restriction leaves, and its removal.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

// call on the tree's root reference, which it may replace.
template <class Call>
HRESULT onRoot(Tree& tree, Call call) {
  KuvEeNodeRef* ref = tree.release();
  const HRESULT hr = call(ref);
  tree.reset(ref);
  return hr;
}

HRESULT complete(Tree& tree, int mode = 0) {
  return onRoot(tree, [mode](KuvEeNodeRef*& ref) {
    return KuvEeNodeAddCompletion().addCompletion(ref,
                                                  static_cast<KuvEeFilterExpression::SELECTION_MODE>(mode));
  });
}

HRESULT removeCompletion(Tree& tree, KuvSortedByTypeCriteria* criteria = nullptr) {
  return onRoot(tree, [criteria](KuvEeNodeRef*& ref) {
    return KuvEeNodeCompletionRemover().removeCompletion(ref, criteria);
  });
}

// head + the names, sorted and ", "-separated, + "]".
std::string listing(std::string head, std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  for (std::size_t i = 0; i < names.size(); ++i) head += (i == 0 ? "" : ", ") + names[i];
  return head + "]";
}

// A restriction leaf as its kind and what it lists, by name (its own text
// follows the memory order of its set); other nodes by shape.
std::string listed(const KuvEeNode* node) {
  const KuvEeRestrictionEffLeaf* leaf = KuvEeRestrictionEffLeaf::cast(*node);
  if (leaf == nullptr) return shape(node);
  std::vector<std::string> names;
  const KuvInSet& variables = leaf->getRestrictionEff()->getVariables();
  for (KuvInSet::const_iterator it = variables.cBegin(); it.IsValid();)
    names.push_back(text(static_cast<const KuvEeDicoObject*>(it.GetGoToNext())->getName()));
  const std::string head = text(*leaf->getRestrictionEff());
  return listing(head.substr(0, head.find('[') + 1), names);
}

std::vector<std::string> listed(const std::vector<KuvEeNode*>& nodes) {
  std::vector<std::string> texts;
  for (const KuvEeNode* node : nodes) texts.push_back(listed(node));
  return texts;
}

std::vector<std::string> listedChildren(const KuvEeNode* node) {
  return listed(children(*KuvEeOp::cast(*node)));
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

// The children a term of the truth model (leaves) has once completed.
std::vector<std::string> completedTerm(const TruthModel& m, const std::vector<KuvEeNode*>& leaves,
                                       bool closes) {
  std::vector<std::string> expected = listed(leaves), options;
  std::set<const KuvEeVariable*> vars;
  for (const KuvEeNode* leaf : leaves) vars.insert(KuvEeVarEffLeaf::cast(*leaf)->getVarEff()->getVar());
  const bool serial = vars.count(m.serial.get()) != 0, date = vars.count(m.date.get()) != 0;
  const bool closed = closes && !serial && !date;
  if (serial || closed) expected.push_back(serial ? "SerialRestrictionEff[Units]" : "SerialRestrictionEff[]");
  if (closed) expected.insert(expected.end(), {"TreeSeriesRestrictionEff[]", "MilestonesRestrictionEff[]"});
  if (date || closed) expected.push_back(date ? "DateRestrictionEff[Build]" : "DateRestrictionEff[]");
  if (vars.count(m.selection.get()) != 0) expected.push_back("SelectionRestrictionEff[Colour]");
  for (const auto& option : m.options)
    if (vars.count(option.get()) != 0) options.push_back(text(option->getName()));
  if (!options.empty())
    expected.insert(expected.end(),
                    {"CategoryRestrictionEff[Engine]", listing("CategoryOptionRestrictionEff[", options)});
  return expected;
}

// The terms of a disjunctive tree, each as its leaves (True and False as
// themselves).
std::vector<std::vector<KuvEeNode*>> termsOf(KuvEeNode* root) {
  std::vector<std::vector<KuvEeNode*>> terms;
  for (KuvEeNode* term :
       KuvEeOrOp::isObjectOfThisType(*root) ? children(*KuvEeOp::cast(*root)) : std::vector{root})
    terms.push_back(KuvEeAndOp::isObjectOfThisType(*term) ? children(*KuvEeOp::cast(*term))
                                                          : std::vector{term});
  return terms;
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
    switchSet ? setenv("CGE_VARIANT_FILTER_NO_EVOLUTION", "", 1)
              : unsetenv("CGE_VARIANT_FILTER_NO_EVOLUTION");
    Tree tree = disjunctiveTree(leaves, random);
    const Tree original(tree->getNode()->clone());
    ASSERT_EQ(S_OK, complete(tree, mode)) << text(*original);

    const auto before = termsOf(original->getNode());
    const auto after = termsOf(tree->getNode());
    ASSERT_EQ(before.size(), after.size()) << text(*tree);
    for (std::size_t t = 0; t < before.size(); ++t) {
      const std::vector<std::string> actual = listed(after[t]);
      if (KuvEeAbsoluteNode::isObjectOfThisType(*before[t][0]))
        EXPECT_EQ(std::vector{listed(before[t][0])}, actual);
      else
        EXPECT_EQ(completedTerm(m, before[t], mode == 4 || (switchSet && mode != 2 && mode != 3)), actual)
            << text(*original);
    }
    ASSERT_EQ(S_OK, removeCompletion(tree));
    EXPECT_EQ(text(*original), text(*tree));
  }
  unsetenv("CGE_VARIANT_FILTER_NO_EVOLUTION");
}

// What a lone leaf becomes is the property test's (a term of one leaf).
TEST(NodeCompletion, ATermIsCompletedOnceAndANullTreeBecomesAnEmptyOne) {
  TruthModel m;
  Tree tree = own(optionLeaf(m, 0));
  ASSERT_EQ(S_OK, complete(tree));
  const std::string once = text(*tree);
  ASSERT_EQ(S_OK, complete(tree));
  EXPECT_EQ(once, text(*tree));

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
  KuvEeCategory roof("Roof", Guid(0x7F5).data());
  KuvEeCatOptionVar glass("Glass", Guid(0x7F6).data(), &roof);
  KuvEeSerialVar moreUnits("MoreUnits", Guid(0x7F3).data(), KuvEeSerialVar::UNIT, nullptr);
  KuvEeSerialVar states("States", Guid(0x7F4).data(), KuvEeSerialVar::STATE, nullptr);
  Tree tree = own(And({new KuvEeVarEffLeaf(new KuvEeOptionEff(m.options[0].get(), KuvEeOptionEff::T)),
                       new KuvEeVarEffLeaf(new KuvEeSerialEff(m.serial.get(), KuvEeSerialEff::AllTrue))}));
  const std::string serialLeaf = shape(children(*KuvEeOp::cast(*tree->getNode()))[1]);
  ASSERT_EQ(S_OK, complete(tree));

  KuvInSet none, serials, categories, options;
  for (KuvInObject* object : {&moreUnits, &states}) serials.Put(object);
  for (KuvInObject* object : {m.category.get(), &trim}) categories.Put(object);
  for (KuvInObject* object : {m.options[1].get(), &leather, &glass}) options.Put(object);
  KuvSortedByTypeCriteria criteria{&serials, &none, &none, &none, &none, &categories, &options, &none};
  ScopedFlags calls(KuvEeNodeCompletionRemover::traceChannel(), 3);
  EXPECT_TRACES(S_OK, "Expression after RemoveCompletion: ", removeCompletion(tree, &criteria));
  EXPECT_EQ(listedChildren(tree->getNode()),
            (std::vector<std::string>{"Diesel", serialLeaf, "SerialRestrictionEff[MoreUnits, States, Units]",
                                      "CategoryRestrictionEff[Engine, Trim]",
                                      "CategoryOptionRestrictionEff[Diesel, Petrol]",
                                      "CategoryOptionRestrictionEff[Glass]"}));
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
