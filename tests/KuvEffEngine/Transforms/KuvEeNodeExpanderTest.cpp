// The node expander: every branch of a reference's replacement, its
// refusals, and the meaning it keeps.
#include "support/KuvTestSupport.h"

#include "KuvEeTransformDepth.h"
#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

using E = KuvEeNodeExpander;
using Record = KuvEeMultiModelExpression::ModelCriteria;
using Status = KuvEePredefEff::PublicationStatus;

KuvEeNodeRef* ref(KuvEeNode* node) { return node->getNodeRef(); }

// Effectivities of every kind the expander tells apart.
struct World {
  World() {
    inner.setExpr(ref(c.option()));
    outer.setExpr(ref(And({c.effLeaf(inner), towbar()})));
    looping.setExpr(ref(Or({c.effLeaf(looping), T()})));
    official.setExpr(ref(towbar()));
    pending.setExpr(ref(towbar()));
    // Read for dictionary a: its inherited tree refers to inner.
    auto* definition = new KuvEeEffectivityExpression;
    KuvEeNodeRef* inherited = ref(c.effLeaf(inner));
    KuvEeNodeRef* criteria = ref(towbar());
    Record* record = new Record(&inherited, &criteria);
    definition->setModelCriteria(&a, record);
    give(fromExpression, definition);
    give(globalChange, changeExpression());
    give(contextChange, changeExpression());
    give(notAChange, new KuvEeEffectivityExpression);
  }
  static void give(KuvEeEffectivity& eff, KuvEeExpression* expression) { eff.setExpr(expression); }
  // Sunroof for a, a record without criteria for b, Towbar globally.
  KuvEeChangeExpression* changeExpression() {
    auto* change = new KuvEeChangeExpression;
    KuvEeNodeRef* criteria = ref(c.option());
    Record* record = new Record(nullptr, &criteria);
    change->setModelCriteria(&a, record);
    record = new Record;
    change->setModelCriteria(&b, record);
    change->setGlobalCriteria(ref(towbar()));
    return change;
  }
  KuvEeNode* towbar() { return new KuvEeVarEffLeaf(new KuvEeOptionEff(c.vars.otherOption, KuvEeOptionEff::T)); }

  Criteria c;
  KuvEeModelDico a{"A", Guid(0xA).guid()};
  KuvEeModelDico b{"B", Guid(0xB).guid()};
  KuvEeModelDico unrelated{"U", Guid(0xC).guid()};
  KuvEeBasicEff inner{"Inner", Guid(1).data()};
  KuvEeBasicEff outer{"Outer", Guid(2).data()};
  KuvEeBasicEff empty{"Empty", Guid(3).data()};
  KuvEeBasicEff looping{"Loop", Guid(4).data()};
  KuvEeBasicEff fromExpression{"Inherited", Guid(5).data()};
  KuvEePredefEff official{"Off", Guid(6).data(), Status::Officialized, KuvEePredefEff::GLOBAL};
  KuvEePredefEff pending{"Pen", Guid(7).data(), Status::Unpublished, KuvEePredefEff::GLOBAL};
  KuvEePredefEff rejected{"Rej", Guid(8).data(), Status::Rejected, KuvEePredefEff::GLOBAL};
  KuvEePredefEff undefinedOfficial{"Und", Guid(9).data(), Status::Officialized, KuvEePredefEff::GLOBAL};
  KuvEePredefEff globalChange{"Glb", Guid(10).data(), Status::Officialized, KuvEePredefEff::GLOBAL};
  KuvEePredefEff contextChange{"Ctx", Guid(11).data(), Status::Officialized, KuvEePredefEff::CONTEXTUAL};
  KuvEePredefEff notAChange{"Eff", Guid(12).data(), Status::Officialized, KuvEePredefEff::GLOBAL};
};

}  // namespace

// One leaf on target (negated, in context) expanded; expected: the result's
// shape, or for a failure the message traced.
TEST(KuvEeNodeExpanderTest, ReplacesEachKindOfReferenceAsTheModeSays) {
  World w;
  constexpr std::int32_t kBasic = E::EXPAND_BASIC, kOfficial = E::EXPAND_OFFICIALIZED, kAll = E::EXPAND_PREDEF;
  struct Case {
    KuvEeEffectivity* target; bool negated; std::int32_t mode; KuvEeModelDico* dictionary; HRESULT rc;
    std::string expected; KuvEeModelDico* context = nullptr;
  };
  const Case cases[] = {
      {&w.outer, false, 0, nullptr, S_OK, "Ref(Outer)"},
      {&w.outer, false, kBasic, nullptr, S_OK, "And(Sunroof,Towbar)"},
      {&w.inner, true, kBasic, nullptr, S_OK, "Not(Sunroof)"},
      {&w.inner, false, kOfficial | kAll, nullptr, S_OK, "Ref(Inner)"},
      {&w.official, false, kOfficial, nullptr, S_OK, "Towbar"},
      {&w.pending, false, kOfficial, nullptr, S_OK, "Ref(Pen)"},
      {&w.pending, false, kAll, nullptr, S_OK, "Towbar"},
      {&w.undefinedOfficial, false, kOfficial | kAll, nullptr, S_OK, "Ref(Und)"},
      {&w.rejected, true, kOfficial, nullptr, S_OK, "Not(F)"},
      {&w.rejected, false, kAll, nullptr, S_OK, "F"},
      {&w.fromExpression, true, kBasic, nullptr, S_OK, "Not(And(Sunroof,Towbar))", &w.a},
      {&w.globalChange, false, kOfficial, nullptr, S_OK, "Towbar"},
      {&w.contextChange, true, kOfficial, &w.a, S_OK, "Not(Sunroof)"},
      {&w.contextChange, false, kOfficial, &w.unrelated, S_OK, "F"},
      {&w.c.group, false, 0, nullptr, E_FAIL, "ERROR: Unsupported EeEffectivity-derived type."},
      {&w.empty, false, kBasic, nullptr, E_FAIL, "ERROR: empty eff not supported."},
      {&w.fromExpression, false, kBasic, nullptr, E_FAIL,
       "ERROR: invalid InheritedEff usage. Dictionary=" + text(w.b.getGuid()) +
           " is NOT defined on the target effectivity=" + text(w.fromExpression.getGuid()),
       &w.b},
      {&w.looping, false, kBasic, nullptr, E_FAIL, "ERROR: cyclic effectivity definition."},
      {&w.notAChange, false, kAll, nullptr, E_FAIL, "ERROR: Retrieved Expression isn't a KuvEeChangeExpression."},
      {&w.contextChange, false, kAll, nullptr, E_FAIL,
       "ERROR : unexpected to expand a Predef Eff of type IN CONTEXT in a global criteria"},
      {&w.globalChange, false, kAll, &w.b, E_FAIL, "ERROR: ModelCriteria with null pointer on expression."},
  };
  for (const Case& k : cases) {
    Tree tree = own(new KuvEeEffLeaf(k.target, k.context));
    if (k.negated) static_cast<KuvEeEffLeaf*>(tree->getNode())->opNot();
    SCOPED_TRACE(shape(*tree) + " in mode " + std::to_string(k.mode));
    EXPECT_TRACES(k.rc, k.rc < 0 ? k.expected : "",
                  E().expand(*tree, static_cast<E::E_Expand>(k.mode), nullptr, k.dictionary));
    if (k.rc >= 0) {
      EXPECT_EQ(shape(*tree), k.expected);
    }
  }
  // A rejected change counts as never applied even where the leaf is always
  // true; only a leaf about to be expanded becomes True.
  for (auto [target, expected] : {std::pair{&w.rejected, "F"}, std::pair{&w.official, "T"}}) {
    Tree tree = own(new KuvEeEffLeaf(target, nullptr));
    KuvEeEffLeaf negation(target, nullptr);
    negation.opNot();
    bool merged = false;
    ASSERT_EQ(S_OK, static_cast<KuvEeEffLeaf*>(tree->getNode())->opOr(&negation, merged));
    ASSERT_TRUE(merged);
    EXPECT_EQ(S_OK, E().expand(*tree, static_cast<E::E_Expand>(kOfficial | kAll), nullptr, nullptr));
    EXPECT_EQ(shape(*tree), expected);
  }
}

TEST(KuvEeNodeExpanderTest, ASelectionLimitsTheReferencesExpanded) {
  World w;
  KuvInSet selection;
  selection.Put(&w.inner);
  Tree tree = own(And({w.c.effLeaf(w.outer), w.c.effLeaf(w.inner)}));
  ScopedFlags calls(E::traceChannel(), 3);
  const std::string traced = captured([&] { EXPECT_EQ(E().expand(*tree, E::EXPAND_BASIC, &selection, nullptr), S_OK); });
  EXPECT_EQ(shape(*tree), "And(Ref(Outer),Sunroof)");
  EXPECT_NE(traced.find("WARNING: Expand Effectivities in Expression special mode of EXPLICITLY CHOSEN EFFS TO EXPAND!"),
            std::string::npos);
  EXPECT_NE(traced.find("WARNING: skipping Effectivity as NOT IN THE SELECTION."), std::string::npos);
}

namespace {

// A random tree over the model without references, or with references to
// effs[1] only when referable; without negations within the domain, whose
// meaning would not survive a Not above the definition.
Tree definition(TreeGenerator& generator, bool referable) {
  for (;;) {
    Tree tree = generator.next();
    const std::string s = shape(*tree);
    if (s.find("Dom(") == std::string::npos && s.find("Ref(Export)") == std::string::npos &&
        (referable || s.find("Ref(") == std::string::npos))
      return tree;
  }
}

}  // namespace

// effs[1] is defined over the variables, effs[0] over them and effs[1]:
// expanding a tree keeps the table it has when each reference is read
// through its definition.
TEST(KuvEeNodeExpanderTest, ExpandingKeepsTheMeaningOfReferencesReadThroughTheirDefinitions) {
  TruthModel m;
  TreeGenerator definitions(m, 21, {.maxNodes = 6});
  TreeGenerator trees(m, 22, {.maxNodes = 10});
  for (int round = 0; round < 400; ++round) {
    Tree winter = definition(definitions, false);
    Tree exportDefinition = definition(definitions, true);
    const TruthTable winterTable = *truthTable(m, *winter);
    const TruthTable exportTable = substitute(*truthTable(m, *exportDefinition), 1, winterTable);
    m.effs[1]->setExpr(winter.release());
    m.effs[0]->setExpr(exportDefinition.release());
    Tree tree = trees.next();
    const std::string before = shape(*tree);
    const TruthTable expected = substitute(substitute(*truthTable(m, *tree), 0, exportTable), 1, winterTable);
    ASSERT_EQ(E().expand(*tree, E::EXPAND_BASIC, nullptr, nullptr), S_OK) << before;
    ASSERT_EQ(truthTable(m, *tree), expected) << before << "\nbecame\n" << shape(*tree);
    EXPECT_EQ(shape(*tree).find("Ref("), std::string::npos);
  }
}

// A chain of definitions, each a reference to the next (under an And with
// an option when nested), is followed within the depth limit and refused
// beyond it, long before the stack would run out: by expansion (also read
// as inherited trees), by the criteria types walk and by the final
// dependencies.
TEST(KuvEeNodeExpanderTest, WalksThroughChainsOfDefinitionsStopAtTheDepthLimit) {
  const int limit = kuv::detail::kMaxTransformDepth;
  const struct { int length; bool nested; HRESULT rc; } cases[] = {
      {limit - 1, true, S_OK}, {limit, false, S_OK}, {limit + 1, true, E_FAIL}, {50000, false, E_FAIL}};
  for (const auto& c : cases) {
    Criteria criteria;
    KuvEeModelDico a("A", Guid(0xA).guid());
    std::vector<std::unique_ptr<KuvEeBasicEff>> effs;
    for (int i = 0; i < c.length; ++i) effs.push_back(std::make_unique<KuvEeBasicEff>("E", Guid(100 + i).data()));
    for (int i = 0; i + 1 < c.length; ++i) {
      KuvEeNode* next = criteria.effLeaf(*effs[i + 1]);
      effs[i]->setExpr(ref(c.nested ? And({criteria.option(), next}) : next));
    }
    effs.back()->setExpr(ref(criteria.option()));
    const char* message = c.rc == S_OK ? "" : "ERROR: expression too deep";
    KuvEeVisitor_GetCriteriaTypes types(1, 1, 0);
    Tree tree(ref(criteria.effLeaf(*effs[0])));
    EXPECT_TRACES(c.rc, message, tree->getNode()->acceptVisitor(types));
    KuvInSet dependencies(KuvInObject::sType());
    EXPECT_TRACES(c.rc, message, KuvEeGenericExpression(tree->getNode()->clone()).GetFinalDependencies(dependencies));
    EXPECT_EQ(dependencies.IsEmpty(), c.rc != S_OK) << "the option, or nothing";
    EXPECT_TRACES(c.rc, message, E().expand(*tree, E::EXPAND_BASIC, nullptr, nullptr));
    if (c.rc == S_OK) {
      EXPECT_EQ(shape(*tree).find("Ref("), std::string::npos) << c.length;
    }
    // The same chain read as inherited trees of dictionary a.
    for (int i = 0; i < c.length; ++i) {
      auto* definition = new KuvEeEffectivityExpression;
      KuvEeNodeRef* body = ref(i + 1 < c.length ? new KuvEeEffLeaf(effs[i + 1].get(), &a) : criteria.option());
      Record* record = i + 1 < c.length ? new Record(&body, nullptr) : new Record(nullptr, &body);
      definition->setModelCriteria(&a, record);
      KuvEeExpression* expression = definition;
      effs[i]->setExpr(expression);
    }
    tree.reset(ref(new KuvEeEffLeaf(effs[0].get(), &a)));
    EXPECT_TRACES(c.rc, message, E().expand(*tree, E::EXPAND_BASIC, nullptr, nullptr));
  }
}
