// The expression kinds: change operations, multi-model criteria and what
// they own, visits, negation, clones, and the list, filter, matrix and rule
// expressions.
#include "support/KuvTestSupport.h"

#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvEffEngine/KuvEeVarEffTestSupport.h"
#include "KuvEffEngine/TruthTable.h"

using namespace kuv_test;

namespace {

using Record = KuvEeMultiModelExpression::ModelCriteria;
using Op = KuvEeExpressionOperation;

KuvEeNodeRef* tree(const std::string& s) { return build(s)->getNodeRef(); }
std::string shapeOf(const KuvEeNodeRef* ref) { return ref != nullptr ? shape(*ref) : "none"; }

// Records the kinds of the nodes it meets, in order.
class Recorder : public KuvEeNodeWalker {
public:
  HRESULT visitTrue(KuvEeTrue&) override { return seen("T"); }
  HRESULT visitFalse(KuvEeFalse&) override { return seen("F"); }
  HRESULT visitEffLeaf(KuvEeEffLeaf& leaf) override { return seen(shape(&leaf)); }
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& leaf) override {
    if (m_negate) leaf.getVarEff()->opNot();
    return seen(leaf.getVarEff()->isNegated() ? "!V" : "V");
  }
  std::string trail;
  bool m_negate = false;
  HRESULT m_result = S_OK;

private:
  HRESULT seen(const std::string& what) {
    trail += what + " ";
    return m_result;
  }
};

struct Models {
  Models() {
    both.Put(&a);
    both.Put(&b);
  }
  KuvEeModelDico a{"A", Guid(0xA).guid()};
  KuvEeModelDico b{"B", Guid(0xB).guid()};
  KuvInSet both{KuvEeModelDico::sType()};
};

// Gives model a record of criteria (and inherited criteria) trees.
HRESULT setCriteria(KuvEeMultiModelExpression& expression, KuvEeModelDico* model, KuvEeNodeRef* criteria,
                    KuvEeNodeRef* inherited = nullptr) {
  Record* record = new Record(inherited != nullptr ? &inherited : nullptr, &criteria);
  return expression.setModelCriteria(model, record);
}

HRESULT addChange(KuvEeEffectivityExpression& expression, Op::OperationKind kind, KuvEePredefEff* change) {
  KuvInObject* object = change;
  return expression.addOperation(kind, object);
}

}  // namespace

TEST(KuvEeExpressionOperationTest, AddAndCutOnATreeOnNoTreeAndWithADictionary) {
  KuvEePredefEff eco("C", Guid(0xC).data(), false, KuvEePredefEff::GLOBAL);
  // tree: null for none.
  const struct { Op::OperationKind kind; const char* tree; HRESULT rc; const char* result; } cases[] = {
      {Op::ADD, "L3", S_OK, "And(L3,Ref(C))"}, {Op::CUT, "L3", S_OK, "And(L3,Not(Ref(C)))"},
      {Op::ADD, nullptr, S_OK, "Ref(C)"},      {Op::CUT, nullptr, S_OK, "Not(Ref(C))"},
      {Op::RESERVED, "L3", E_FAIL, "none"},    {static_cast<Op::OperationKind>(7), "L3", E_FAIL, "none"},
  };
  ScopedFlags silent(Op::traceChannel(), 0);
  for (const auto& c : cases) {
    KuvInObject* operand = &eco;
    Op operation(c.kind, operand);
    EXPECT_EQ(operand, &eco) << "a change is referred to, not taken";
    KuvEeNodeRef* input = c.tree != nullptr ? tree(c.tree) : nullptr;
    KuvEeNodeRef* out = nullptr;
    EXPECT_EQ(Op::performOperation(input, operation, out, nullptr), c.rc);
    EXPECT_EQ(shapeOf(out), c.result);
    EXPECT_EQ(input == nullptr, c.rc == S_OK || c.tree == nullptr) << "consumed on success, kept on failure";
    delete input;
    delete out;
  }

  KuvInObject* change = &eco;
  Op operation(Op::CUT, change);
  // With a dictionary, the change's own expression must be a change expression.
  Models models;
  KuvEeExpression* notAChange = new KuvEeEffectivityExpression();
  eco.setExpr(notAChange);
  KuvEeNodeRef* input = tree("Or(T,F)");
  KuvEeNodeRef* out = nullptr;
  EXPECT_EQ(Op::performOperation(input, operation, out, &models.a), E_FAIL);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(Op::performOperation(input, operation, out, nullptr), S_OK);
  EXPECT_EQ(shapeOf(out), "And(Or(T,F),Not(Ref(C)))");
  delete out;
  out = nullptr;
  // Anything else is not an operand: nothing done.
  KuvInObject* other = new KuvEeModelDico("M", Guid(0xA).guid());
  Op foreign(Op::ADD, other);
  input = tree("T");
  EXPECT_EQ(Op::performOperation(input, foreign, out, nullptr), S_FALSE);
  EXPECT_EQ(out, nullptr);
  delete input;
}

// An operation on a tree keeps its tree: each result holds its own copy and
// outlives the operation; a clone of the operation outlives its source. The
// sanitizer build proves nothing is freed early or twice.
TEST(KuvEeExpressionOperationTest, ResultsAndClonesOutliveTheOperatedTree) {
  Op* copy = nullptr;
  {
    KuvInObject* operand = tree("Or(T,F)");
    const Op source(Op::CUT, operand);
    EXPECT_EQ(operand, nullptr) << "a tree is taken over";
    ASSERT_EQ(source.clone(copy), S_OK);
    EXPECT_NE(copy->getObject(), source.getObject());
  }
  std::unique_ptr<Op> operation(copy);
  KuvEeNodeRef* results[2] = {nullptr, nullptr};
  for (KuvEeNodeRef*& result : results) {
    KuvEeNodeRef* input = tree("Not(T)");
    ASSERT_EQ(Op::performOperation(input, *operation, result, nullptr), S_OK);
    EXPECT_EQ(input, nullptr);
  }
  operation.reset();
  for (KuvEeNodeRef* result : results) {
    EXPECT_EQ(shapeOf(result), "And(Not(T),Not(Or(T,F)))");
    delete result;
  }
}

TEST(KuvEeEffectivityExpressionTest, PopsOnlyTheLastUnpublishedChange) {
  KuvEeEffectivityExpression expression;
  EXPECT_EQ(expression.popOperation(nullptr), S_FALSE);
  KuvEePredefEff first("C1", Guid(0xA).data(), false, KuvEePredefEff::GLOBAL);
  KuvEePredefEff last("C2", Guid(0xB).data(), true, KuvEePredefEff::GLOBAL);
  ASSERT_EQ(addChange(expression, Op::ADD, &first), S_OK);
  ASSERT_EQ(addChange(expression, Op::ADD, &last), S_OK);
  EXPECT_EQ(expression.popOperation(&first), static_cast<HRESULT>(0x80090109u));
  EXPECT_EQ(expression.popOperation(&last), static_cast<HRESULT>(0x80090111u)) << "officialized";
  last.setPublicationStatus(KuvEePredefEff::Unpublished);
  EXPECT_EQ(expression.popOperation(&last), S_OK);
  EXPECT_EQ(expression.getOperationStack().GetLength(), 1);
  // Refused objects stay with the caller.
  KuvInObject* none = nullptr;
  KuvInObject* dictionary = new KuvEeModelDico("M", Guid(0xA).guid());
  ScopedFlags silent(KuvEeEffectivityExpression::traceChannel(), 0);
  EXPECT_EQ(expression.addOperation(Op::ADD, none), E_INVALIDARG);
  EXPECT_EQ(expression.addOperation(Op::ADD, dictionary), E_INVALIDARG);
  ASSERT_NE(dictionary, nullptr);
  delete dictionary;
}

TEST(KuvEeEffectivityExpressionTest, IntegratesGlobalAndContextualChanges) {
  Models models;
  KuvEeEffectivityExpression expression;
  ASSERT_EQ(setCriteria(expression, &models.a, tree("L1")), S_OK);
  expression.setGlobalCriteria(tree("L2"));
  KuvEePredefEff contextual("Ctx", Guid(0xA).data(), false, KuvEePredefEff::CONTEXTUAL);
  KuvEePredefEff global("Glb", Guid(0xB).data(), false, KuvEePredefEff::GLOBAL);
  addChange(expression, Op::CUT, &contextual);
  addChange(expression, Op::ADD, &global);
  ASSERT_EQ(expression.integrateOperations(models.both), S_OK);
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.a)->getCriteria()), "And(L1,Not(Ref(Ctx)))");
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.b)->getCriteria()), "Not(Ref(Ctx))");
  EXPECT_EQ(shapeOf(expression.getGlobalCriteria()), "And(L2,Ref(Glb))");
  EXPECT_EQ(expression.integrateOperations(models.both), S_FALSE);
}

// Integrating a stack of adds and cuts of one change leaves the
// configurations of the tree where the change holds after each add and
// where it does not after each cut: an add then a cut leaves none.
TEST(KuvEeEffectivityExpressionTest, IntegratedChangesMeanWhatTheOperationsSay) {
  TruthModel m;
  TreeGenerator generator(m, 20261209, {.changes = true});
  const TruthTable holds = *truthTable(m, *own(changeLeaf(m)));
  KuvInSet none(KuvEeModelDico::sType());
  for (int i = 0; i < 200; ++i) {
    KuvEeEffectivityExpression expression;
    TruthTable expected = TruthTable().set();
    if (i % 4 != 0) {
      expression.setGlobalCriteria(generator.next().release());
      expected = *truthTable(m, *expression.getGlobalCriteria());
    }
    for (int bits = i, n = 1 + i % 3; n > 0; --n, bits /= 2) {
      const Op::OperationKind kind = bits % 2 == 0 ? Op::ADD : Op::CUT;
      ASSERT_EQ(addChange(expression, kind, m.change.get()), S_OK);
      expected &= kind == Op::ADD ? holds : ~holds;
    }
    ASSERT_EQ(expression.integrateOperations(none), S_OK);
    ASSERT_EQ(*truthTable(m, *expression.getGlobalCriteria()), expected) << i;
  }
}

// The view evaluates the changes once integrated; a refusal, of an
// operation or of the view, leaves the expression as it was. Without the
// copy, the same view or the same refusal.
TEST(KuvEeEffectivityExpressionTest, TransformToViewEvaluatesChangesOrChangesNothing) {
  using View = KuvEeExpressionToolbox;
  Models models;
  KuvEePredefEff official("Off", Guid(0xA).data(), true, KuvEePredefEff::CONTEXTUAL);
  official.setExpr(tree("T"));
  KuvEePredefEff pending("Pen", Guid(0xB).data(), false, KuvEePredefEff::GLOBAL);
  pending.setExpr(tree("T"));
  KuvEePredefEff undefined("Und", Guid(0xC).data(), false, KuvEePredefEff::GLOBAL);
  // Officialized, but its expression is no change expression.
  KuvEePredefEff broken("Brk", Guid(0xD).data(), true, KuvEePredefEff::GLOBAL);
  KuvEeExpression* notAChange = new KuvEeEffectivityExpression();
  broken.setExpr(notAChange);
  // inTree: referred to by A's criteria; a, b and global: the trees afterwards.
  const struct {
    View::ExpressionView view; KuvEePredefEff* inTree; KuvEePredefEff* stacked; Op::OperationKind kind;
    HRESULT rc; const char* a; const char* b; const char* global;
  } cases[] = {
      {View::NONE, &official, &pending, Op::ADD, S_OK, "Ref(Off)", "none", "Ref(Pen)"},
      {View::SOURCE, &official, &pending, Op::CUT, S_OK, "Ref(Off)", "none", "Not(Ref(Pen))"},
      {View::CURRENT, &undefined, &pending, Op::ADD, S_OK, "Ref(Und)", "F", "Ref(Pen)"},
      {View::CURRENT, &official, nullptr, Op::ADD, S_OK, "T", "F", "none"},
      {View::PROJECTED, &undefined, &pending, Op::CUT, S_OK, "Ref(Und)", "F", "Not(T)"},
      {View::SOURCE, &undefined, &pending, Op::RESERVED, E_FAIL, "", "", ""},
      {View::CURRENT, &broken, &pending, Op::ADD, E_FAIL, "", "", ""},
  };
  ScopedFlags quiet(KuvEeVarEff::traceChannel(), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.view << " " << text(c.inTree->getName()));
    KuvEeEffectivityExpression expression;
    ASSERT_EQ(setCriteria(expression, &models.a, (new KuvEeEffLeaf(c.inTree))->getNodeRef()), S_OK);
    if (c.stacked != nullptr) addChange(expression, c.kind, c.stacked);
    const std::string before = text(expression);
    KuvEeEffectivityExpression* copy = nullptr;
    ASSERT_EQ(KuvEeEffectivityExpression::clone(expression, copy), S_OK);
    const std::unique_ptr<KuvEeEffectivityExpression> inPlace(copy);
    EXPECT_TRACES(c.rc, "", inPlace->transformToViewInPlace(c.view, models.both));
    EXPECT_TRACES(c.rc, "", expression.transformToView(c.view, models.both));
    if (c.rc < 0) {
      EXPECT_EQ(before, text(expression));
      continue;
    }
    EXPECT_FALSE(expression.hasOperations());
    EXPECT_EQ(text(*inPlace), text(expression));
    const Record* b = expression.getModelCriteria(&models.b);
    EXPECT_EQ(shapeOf(b != nullptr ? b->getCriteria() : nullptr), c.b);
    EXPECT_EQ(shapeOf(expression.getGlobalCriteria()), c.global);
    EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.a)->getCriteria()), c.a);
  }
  // An unknown view is the view computation's refusal.
  KuvEeEffectivityExpression unknown;
  ASSERT_EQ(setCriteria(unknown, &models.a, tree("T")), S_OK);
  EXPECT_TRACES(E_FAIL, "ERROR: KuvEeExpressionToolbox::ComputeView FAILED.",
                unknown.transformToView(static_cast<View::ExpressionView>(5), models.both));
}

// Basic effectivities defined by True (Inner) and by Inner (Outer).
TEST(KuvEeEffectivityExpressionTest, SubstitutesInheritedReferencesAndDeletesInheritedCriteria) {
  Models models;
  KuvEeBasicEff inner("Inner", Guid(1).data());
  inner.setExpr(tree("T"));
  KuvEeBasicEff outer("Outer", Guid(2).data());
  outer.setExpr((new KuvEeEffLeaf(&inner))->getNodeRef());
  KuvEeBasicEff empty("Empty", Guid(3).data());
  auto ref = [](KuvEeBasicEff& eff) { return (new KuvEeEffLeaf(&eff))->getNodeRef(); };
  KuvEeEffectivityExpression expression;
  expression.setGlobalCriteria(ref(outer));
  ASSERT_EQ(setCriteria(expression, &models.a, tree("F"), ref(inner)), S_OK);
  ASSERT_EQ(setCriteria(expression, &models.b, nullptr, ref(outer)), S_OK);
  KuvInSet onlyA(KuvEeModelDico::sType());
  onlyA.Put(&models.a);
  EXPECT_EQ(expression.substituteReferencedEffsByCriteria(onlyA), S_OK);
  EXPECT_EQ(shapeOf(expression.getGlobalCriteria()), "T");
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.a)->getInheritedEffCriteria()), "none");
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.a)->getCriteria()), "And(T,F)");
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.b)->getInheritedEffCriteria()), "Ref(Outer)");

  // An expansion that fails changes nothing.
  expression.setGlobalCriteria(ref(empty));
  const std::string before = text(expression);
  EXPECT_TRACES(E_FAIL, "ERROR: empty eff not supported.", expression.substituteReferencedEffsByCriteria(models.both));
  EXPECT_EQ(text(expression), before);

  EXPECT_EQ(expression.deleteInheritedCriteria(), S_OK);
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.b)->getInheritedEffCriteria()), "none");
  EXPECT_EQ(expression.deleteInheritedCriteria(), S_FALSE);
}

TEST(KuvEeMultiModelExpressionTest, MaximumModelCriteriaComesFromTheEnvironmentClamped) {
  const char* name = "CFG_MaximumModelCriteriaInEffAllowed";
  const char* saved = std::getenv(name);
  const std::optional<std::string> previous =
      saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
  // Sets the variable, or unsets it for null.
  auto put = [name](const char* value) { return value != nullptr ? setenv(name, value, 1) : unsetenv(name); };
  const struct { const char* value; std::int32_t expected; } cases[] = {
      {"0", 1}, {"100000", 65000}, {"abc", 10}, {nullptr, 10}, {"", 10}, {"42", 42}, {"-3", 1}, {"7x", 7}};
  for (const auto& c : cases) {
    put(c.value);
    EXPECT_EQ(KuvEeMultiModelExpression::getMaximumModelCriteriaNumberAllowed(), c.expected)
        << (c.value != nullptr ? c.value : "unset");
  }
  put(previous ? previous->c_str() : nullptr);
}

TEST(KuvEeMultiModelExpressionTest, TakesOverTreesAndRecords) {
  Models models;
  KuvEeNodeRef* inherited = tree("T");
  KuvEeNodeRef* criteria = tree("L5");
  Record* record = new Record(&inherited, &criteria);
  EXPECT_EQ(inherited, nullptr);
  EXPECT_EQ(criteria, nullptr);
  KuvEeChangeExpression expression;
  ScopedFlags silent(KuvEeMultiModelExpression::traceChannel(), 0);
  EXPECT_EQ(expression.setModelCriteria(nullptr, record), E_INVALIDARG);
  ASSERT_NE(record, nullptr) << "refused: the caller keeps it";
  EXPECT_EQ(expression.setModelCriteria(&models.a, record), S_OK);
  EXPECT_EQ(record, nullptr);
  // Replacing frees the previous record; the same record again stays.
  criteria = tree("F");
  Record* replacement = record = new Record(nullptr, &criteria);
  EXPECT_EQ(expression.setModelCriteria(&models.a, record), S_OK);
  record = replacement;
  EXPECT_EQ(expression.setModelCriteria(&models.a, record), S_OK);
  EXPECT_EQ(shapeOf(expression.getModelCriteria(&models.a)->getCriteria()), "F");
  Record* taken = nullptr;
  EXPECT_EQ(expression.removeModelCriteria(&models.a, taken), S_OK);
  EXPECT_EQ(taken, replacement);
  EXPECT_EQ(expression.removeModelCriteria(&models.a, taken), S_FALSE);
  EXPECT_EQ(taken, nullptr);
  delete replacement;
  EXPECT_EQ(expression.deleteModelCriteria(&models.b), S_FALSE);

  expression.setGlobalCriteria(tree("T"));
  expression.setGlobalCriteria(expression.getGlobalCriteria());  // kept, not freed
  std::unique_ptr<KuvEeNodeRef> global(expression.removeGlobalCriteria());
  EXPECT_FALSE(expression.hasGlobalCriteria());
  EXPECT_EQ(shapeOf(global.get()), "T");
}

TEST(KuvEeMultiModelExpressionTest, VisitsGlobalThenEachModelWithoutChangingThem) {
  Models models;
  KuvEeEffectivityExpression expression;
  expression.setGlobalCriteria(tree("T"));
  for (KuvEeModelDico* model : {&models.a, &models.b})
    setCriteria(expression, model, tree("And(T,T)"), tree("F"));
  Recorder recorder, failing;
  EXPECT_EQ(expression.runConstVisitor(recorder), S_OK);
  EXPECT_EQ(recorder.trail, "T F T T F T T ");
  failing.m_result = E_UNEXPECTED;
  ScopedFlags silent(KuvEeMultiModelExpression::traceChannel(), 0);
  EXPECT_EQ(expression.runConstVisitor(failing), E_UNEXPECTED);
  EXPECT_EQ(failing.trail, "T ");
  KuvInList ordered(KuvEeModelDico::sType());
  EXPECT_EQ(expression.getOrderedContextDictionaries(ordered), S_OK);
  ASSERT_EQ(ordered.GetLength(), 2);
  EXPECT_EQ(ordered.Get(0), &models.a);
}

TEST(KuvEeMultiModelExpressionTest, NegateIsTheComplementOrRefuses) {
  TruthModel m;
  // Not over a wider NotDomain is not a plain complement.
  TreeGenerator generator(m, 20261206, {.domainOverLeavesOnly = true});
  for (int i = 0; i < 300; ++i) {
    KuvEeChangeExpression expression;
    if (i > 0) expression.setGlobalCriteria(generator.next().release());
    const TruthTable original = i > 0 ? *truthTable(m, *expression.getGlobalCriteria()) : TruthTable().set();
    ASSERT_EQ(expression.negate(), S_OK);
    ASSERT_EQ(*truthTable(m, *expression.getGlobalCriteria()), ~original);
    ASSERT_EQ(expression.negate(), S_OK);
    ASSERT_EQ(*truthTable(m, *expression.getGlobalCriteria()), original);
  }
  Models models;
  KuvEeChangeExpression expression;
  expression.setGlobalCriteria(tree("Not(T)"));
  Record* record = nullptr;
  expression.setModelCriteria(&models.a, record);
  const std::string before = text(expression);
  EXPECT_TRACES(E_FAIL, "ERROR: the complement of criteria given per dictionary cannot be written",
                expression.negate());
  EXPECT_EQ(text(expression), before);
}

namespace {

// The configurations model allows in expression: its global criteria And
// the model's record (every configuration for a missing tree).
TruthTable meaningOf(const TruthModel& m, const KuvEeMultiModelExpression& expression,
                     const KuvEeModelDico* model) {
  TruthTable table = TruthTable().set();
  const Record* record = expression.getModelCriteria(model);
  for (const KuvEeNodeRef* part : {expression.getGlobalCriteria(),
                                   record != nullptr ? record->getInheritedEffCriteria() : nullptr,
                                   record != nullptr ? record->getCriteria() : nullptr})
    if (part != nullptr) table &= *truthTable(m, *part);
  return table;
}

}  // namespace

// Each dictionary the operation reaches allows what it allowed And (And
// Not) what other allows there; the others keep their meaning.
TEST(KuvEeMultiModelExpressionTest, ApplyOperationCombinesTheMeaningPerDictionary) {
  TruthModel m;
  // A cut puts a Not above other's trees.
  TreeGenerator generator(m, 20261207, {.maxNodes = 6, .domainOverLeavesOnly = true});
  std::mt19937 random(7);
  auto maybe = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; };
  Models models;
  KuvEeModelDico outside{"C", Guid(0xD).guid()};
  KuvEeModelDico* all[] = {&models.a, &models.b, &outside};
  auto fill = [&](KuvEeMultiModelExpression& expression, int recordPercent) {
    if (maybe(70)) expression.setGlobalCriteria(generator.next().release());
    for (KuvEeModelDico* model : all)
      if (maybe(recordPercent))
        setCriteria(expression, model, maybe(80) ? generator.next().release() : nullptr,
                    maybe(40) ? generator.next().release() : nullptr);
  };
  for (int i = 0; i < 120; ++i) {
    KuvEeEffectivityExpression target;
    KuvEeChangeExpression change;
    fill(target, 50);
    fill(change, i % 3 == 0 ? 0 : 40);
    const bool self = i % 10 == 9;
    const KuvEeMultiModelExpression& other = self ? static_cast<const KuvEeMultiModelExpression&>(target) : change;
    const Op::OperationKind kind = i % 2 == 0 ? Op::ADD : Op::CUT;
    const bool contextual = other.hasModelCriteria();
    TruthTable expected[3];
    for (int d = 0; d < 3; ++d) {
      expected[d] = meaningOf(m, target, all[d]);
      if (contextual && d == 2) continue;
      const TruthTable operand = meaningOf(m, other, contextual ? all[d] : nullptr);
      expected[d] &= kind == Op::ADD ? operand : ~operand;
    }
    ASSERT_EQ(target.applyOperation(kind, other, models.both), S_OK);
    for (int d = 0; d < 3; ++d) ASSERT_EQ(meaningOf(m, target, all[d]), expected[d]) << i << " " << d;
  }
}

TEST(KuvEeMultiModelExpressionTest, ApplyOperationWritesTheCriteriaTreeOrRefusesUntouched) {
  Models models;
  KuvEeEffectivityExpression target;
  target.setGlobalCriteria(tree("Or(T,F)"));
  setCriteria(target, &models.a, tree("Not(F)"), tree("Not(T)"));
  {
    // The operands are copies: other may go first.
    KuvEeChangeExpression global;
    global.setGlobalCriteria(tree("And(T,T)"));
    ASSERT_EQ(target.applyOperation(Op::CUT, global, models.both), S_OK);
  }
  EXPECT_EQ(shapeOf(target.getGlobalCriteria()), "And(Or(T,F),Not(And(T,T)))");
  EXPECT_FALSE(target.hasModelCriteria(&models.b));

  KuvEeChangeExpression contextual;
  setCriteria(contextual, &models.b, tree("T"), tree("F"));
  ASSERT_EQ(target.applyOperation(Op::ADD, contextual, models.both), S_OK);
  EXPECT_EQ(shapeOf(target.getGlobalCriteria()), "And(Or(T,F),Not(And(T,T)))");
  EXPECT_EQ(shapeOf(target.getModelCriteria(&models.a)->getInheritedEffCriteria()), "Not(T)");
  EXPECT_EQ(shapeOf(target.getModelCriteria(&models.a)->getCriteria()), "And(Not(F),T)");
  EXPECT_EQ(shapeOf(target.getModelCriteria(&models.b)->getCriteria()), "And(F,T)");
  EXPECT_EQ(target.getModelCriteria(&models.b)->getInheritedEffCriteria(), nullptr);

  const std::string before = text(target);
  KuvInSet foreign(KuvInObject::sType());
  KuvEePredefEff notADictionary("C", Guid(0xC).data(), false, KuvEePredefEff::GLOBAL);
  foreign.Put(&models.a);
  foreign.Put(&notADictionary);
  EXPECT_TRACES(E_FAIL, "ERROR: Retrieved object isn't a KuvEeModelDico.",
                target.applyOperation(Op::ADD, contextual, foreign));
  EXPECT_TRACES(E_FAIL, "ERROR: not supported yet.", target.applyOperation(Op::RESERVED, target, models.both));
  EXPECT_TRACES(E_FAIL, "ERROR: unexpected.",
                target.applyOperation(static_cast<Op::OperationKind>(7), contextual, models.both));
  KuvEeChangeExpression uncopyable;
  uncopyable.setGlobalCriteria(tree("L1"));
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", target.applyOperation(Op::ADD, uncopyable, models.both));
  EXPECT_EQ(text(target), before);
}

// The changes on the stack are shared, not copied (ChangesAreSharedWithTheirHostAndContext).
TEST(KuvEeMultiModelExpressionTest, ClonesAreDeepCopies) {
  Models models;
  KuvEeEffectivityExpression source;
  source.setGlobalCriteria(tree("Or(T,F)"));
  setCriteria(source, &models.b, tree("Not(F)"));
  KuvEeEffectivityExpression* copy = nullptr;
  ASSERT_EQ(KuvEeEffectivityExpression::clone(source, copy), S_OK);
  std::unique_ptr<KuvEeEffectivityExpression> owned(copy);
  EXPECT_NE(copy->getGlobalCriteria(), source.getGlobalCriteria());
  EXPECT_EQ(shapeOf(copy->getGlobalCriteria()), "Or(T,F)");
  EXPECT_EQ(shapeOf(copy->getModelCriteria(&models.b)->getCriteria()), "Not(F)");

  KuvEeChangeExpression applicability;
  applicability.setGlobalCriteria(tree("T"));
  KuvEeChangeExpression* applicabilityCopy = nullptr;
  ASSERT_EQ(KuvEeChangeExpression::clone(applicability, applicabilityCopy), S_OK);
  EXPECT_EQ(shapeOf(applicabilityCopy->getGlobalCriteria()), "T");
  delete applicabilityCopy;
}

// One change action applies to many items: each scenario frees everything
// once, and the sanitizer build proves no change is freed early or twice.
TEST(KuvEeEffectivityExpressionTest, ChangesAreSharedWithTheirHostAndContext) {
  KuvInSet none(KuvEeModelDico::sType());
  auto* eco = new KuvEePredefEff("ECO", Guid(0xC).data(), false, KuvEePredefEff::GLOBAL);
  auto add = [&](KuvEeEffectivityExpression& expression) {
    ASSERT_EQ(addChange(expression, Op::ADD, eco), S_OK);
  };
  {
    // Registered in a context, which deletes it, and added to two expressions.
    KuvEeExpressionContext context;
    KuvEePredefEff* registered = eco;
    ASSERT_EQ(context.AddChangeRef(registered), S_OK);
    KuvEeEffectivityExpression first, second;
    add(first);
    add(second);
    ASSERT_EQ(first.integrateOperations(none), S_OK);
    EXPECT_EQ(shapeOf(first.getGlobalCriteria()), "Ref(ECO)");
  }
  eco = new KuvEePredefEff("ECO", Guid(0xC).data(), false, KuvEePredefEff::GLOBAL);
  {
    // A clone outlives its source and pops the change the source was given.
    auto source = std::make_unique<KuvEeEffectivityExpression>();
    add(*source);
    KuvEeEffectivityExpression* copy = nullptr;
    ASSERT_EQ(KuvEeEffectivityExpression::clone(*source, copy), S_OK);
    std::unique_ptr<KuvEeEffectivityExpression> clone(copy);
    EXPECT_EQ(clone->popOperation(eco), S_OK);
    ASSERT_EQ(source->integrateOperations(none), S_OK);
    ASSERT_EQ(KuvEeEffectivityExpression::clone(*source, copy), S_OK);
    clone.reset(copy);
    source.reset();
    EXPECT_EQ(shapeOf(clone->getGlobalCriteria()), "Ref(ECO)");
    // Popping leaves the host's change alive.
    add(*clone);
    EXPECT_EQ(clone->popOperation(eco), S_OK);
    EXPECT_EQ(eco->getName(), KuvInString("ECO"));
  }
  delete eco;
}

TEST(KuvEeGenericExpressionTest, HoldsATreeOrAListAndHandsTheTreeOver) {
  auto* expression = new KuvEeGenericExpression(tree("And(F,T)"));
  std::unique_ptr<KuvEeNodeRef> copy(expression->GetNodeRefClone());
  EXPECT_NE(copy.get(), expression->GetNodeRef());
  EXPECT_EQ(shapeOf(copy.get()), "And(F,T)");
  Recorder recorder;
  EXPECT_TRACES(E_FAIL, "ERROR: not implemented.", expression->runConstVisitor(recorder));
  std::unique_ptr<KuvEeNodeRef> root(KuvEeGenericExpression::KeepNodeRefAndDeleteObject(expression));
  EXPECT_EQ(expression, nullptr);
  EXPECT_EQ(shapeOf(root.get()), "And(F,T)");
  EXPECT_EQ(KuvEeGenericExpression::KeepNodeRefAndDeleteObject(expression), nullptr);

  KuvEeGenericExpression list;
  ASSERT_EQ(list.SetExpression(new KuvQmSpecList(), KuvEeGenericExpression::CFG_LISTMODE_150), S_OK);
  EXPECT_TRUE(list.IsList());
  list.SetExpression(tree("T"));  // the list goes
  EXPECT_FALSE(list.IsList());
  EXPECT_EQ(list.GetMode(), KuvEeGenericExpression::CFG_LISTMODE_NONE);
}

TEST(KuvQmSpecListTest, OneEffectivityPerVariableCombinedByOr) {
  TestVars vars;
  KuvQmSpecList list;
  KuvEeVarEff* first = new KuvEeOptionEff(vars.option, KuvEeOptionEff::T);
  KuvEeVarEff* second = new KuvEeOptionEff(vars.option, KuvEeOptionEff::F);
  KuvEeVarEff* other = new KuvEeOptionEff(vars.otherOption, KuvEeOptionEff::T);
  for (KuvEeVarEff** eff : {&first, &second, &other}) {
    EXPECT_EQ(list.AddVarEff(*eff), S_OK);
    EXPECT_EQ(*eff, nullptr);
  }
  EXPECT_EQ(list.GetNbVarEffs(), 2);
  KuvEeOptionEff both(vars.option, KuvEeOptionEff::T | KuvEeOptionEff::F);
  bool equal = false;
  ASSERT_EQ(list.GetVarEff(vars.option)->equals(&both, equal), S_OK);
  EXPECT_TRUE(equal);
  KuvEeVarEff* held = list.GetVarEff(vars.option);  // its own given back: kept, not freed
  EXPECT_EQ(list.AddVarEff(held), S_OK);
  EXPECT_EQ(list.GetVarEff(vars.option)->equals(&both, equal), S_OK);
  KuvEeBasicEff named("Eff1", Guid(0xA).data());
  EXPECT_EQ(list.AddEff(&named), S_OK);
  EXPECT_EQ(list.AddEff(&named), S_FALSE);
  std::unique_ptr<KuvQmSpecList> copy(list.Clone());
  EXPECT_NE(copy->GetVarEff(vars.option), list.GetVarEff(vars.option));
  EXPECT_EQ(copy->GetNbEffs(), 1);
  KuvEeVarEff* taken = nullptr;
  EXPECT_EQ(list.RemoveVarEff(vars.otherOption, taken), S_OK);
  delete taken;
  EXPECT_EQ(list.RemoveVarEff(vars.otherOption, taken), S_FALSE);
  EXPECT_EQ(list.RemoveEff(&named), S_OK);
  EXPECT_EQ(list.RemoveEff(&named), S_FALSE);
  EXPECT_EQ(list.GetNbEffs(), 0);
}

// A list's criteria count as a tree's leaves would: a variable with the
// values selected, an effectivity, or what its definition refers to once
// followed.
TEST(KuvEeGenericExpressionTest, DependenciesOfAList) {
  TestVars vars;
  auto* selection = new KuvEeSelectionEff(vars.selection, KuvEeSelectionEff::AllFalse);
  ASSERT_EQ(selection->add(vars.values[1]), S_OK);
  KuvEeVarEff* held = selection;
  auto* list = new KuvQmSpecList();
  ASSERT_EQ(list->AddVarEff(held), S_OK);
  KuvEeBasicEff defined("Eff1", Guid(0xA).data()), bare("Eff2", Guid(0xB).data());
  defined.setExpr((new KuvEeVarEffLeaf(new KuvEeOptionEff(vars.option, KuvEeOptionEff::T)))->getNodeRef());
  list->AddEff(&defined);
  list->AddEff(&bare);
  KuvEeGenericExpression expression;
  ASSERT_EQ(expression.SetExpression(list, KuvEeGenericExpression::CFG_LISTMODE_STRICT), S_OK);
  const auto dependencies = [&](HRESULT (KuvEeGenericExpression::*get)(KuvInSet&) const) {
    KuvInSet criteria(KuvInObject::sType());
    EXPECT_EQ((expression.*get)(criteria), S_OK);
    std::set<const KuvInObject*> found;
    for (auto it = criteria.cBegin(); it.IsValid();) found.insert(it.GetGoToNext());
    return found;
  };
  EXPECT_EQ(dependencies(&KuvEeGenericExpression::GetDependencies),
            (std::set<const KuvInObject*>{vars.selection, vars.values[1], &defined, &bare}));
  EXPECT_EQ(dependencies(&KuvEeGenericExpression::GetFinalDependencies),
            (std::set<const KuvInObject*>{vars.selection, vars.values[1], vars.option, &bare}));
}

TEST(KuvEeFilterExpressionTest, VisitorsSeeOneLeafPerItem) {
  TestVars vars;
  auto* list = new KuvQmSpecList();
  KuvEeVarEff* eff = new KuvEeOptionEff(vars.option, KuvEeOptionEff::T);
  list->AddVarEff(eff);
  KuvEeBasicEff named("Eff1", Guid(0xA).data());
  list->AddEff(&named);
  Models models;
  KuvEeFilterExpression filter(&models.a, list);
  Recorder reader, writer;
  reader.m_negate = writer.m_negate = true;
  // A const visit works on a copy: the list keeps its item.
  EXPECT_EQ(filter.runConstVisitor(reader), S_OK);
  EXPECT_EQ(reader.trail, "!V Ref(Eff1) ");
  EXPECT_FALSE(filter.getSpecList()->GetVarEff(vars.option)->isNegated());
  EXPECT_EQ(filter.runVisitor(writer), S_OK);
  EXPECT_TRUE(filter.getSpecList()->GetVarEff(vars.option)->isNegated());
}

TEST(KuvEeCompositionMatrixExpressionTest, AdoptsOrCopiesTreesPerDictionary) {
  Models models;
  KuvEeCompositionMatrixExpression matrix;
  KuvEeNodeRef* adopted = tree("L1");
  EXPECT_EQ(matrix.IF_SetCriteria(&models.a, adopted), S_OK);
  EXPECT_EQ(adopted, nullptr);
  adopted = tree("L2");
  EXPECT_EQ(matrix.IF_SetCriteria(&models.a, adopted), S_OK);  // L1 is freed
  std::unique_ptr<KuvEeNodeRef> original(tree("Not(T)"));
  EXPECT_EQ(matrix.THEN_SetCriteria(&models.b, *original), S_OK);
  KuvEeNodeRef* found = nullptr;
  EXPECT_EQ(matrix.IF_GetCriteria(&models.a, found), S_OK);
  EXPECT_EQ(shapeOf(found), "L2");
  EXPECT_EQ(matrix.IF_GetCriteria(&models.b, found), S_FALSE);
  EXPECT_EQ(matrix.THEN_GetCriteria(&models.b, found), S_OK);
  EXPECT_NE(found, original.get());
  adopted = tree("And(T,Or(F,T))");
  EXPECT_EQ(matrix.THEN_SetCriteria(&models.a, adopted), S_OK);
  EXPECT_EQ(adopted, nullptr);

  // Every tree of both parts is simplified in place.
  adopted = tree("Or(L1,T)");
  EXPECT_EQ(matrix.IF_SetCriteria(&models.a, adopted), S_OK);
  EXPECT_EQ(matrix.simplify(), S_OK);
  for (const auto& [get, model, simplified] :
       {std::tuple{&KuvEeCompositionMatrixExpression::THEN_GetCriteria, &models.a, "T"},
        {&KuvEeCompositionMatrixExpression::THEN_GetCriteria, &models.b, "F"},
        {&KuvEeCompositionMatrixExpression::IF_GetCriteria, &models.a, "T"}}) {
    EXPECT_EQ((matrix.*get)(model, found), S_OK);
    EXPECT_EQ(shapeOf(found), simplified);
  }
}

TEST(KuvEeRuleTest, OwnsBothTreesAndHandsOutCopies) {
  KuvEeInclusionRule rule(tree("L1"), tree("Or(T,F)"));
  std::unique_ptr<KuvEeNodeRef> copy(rule.GetConstraintExpressionClone());
  EXPECT_EQ(shapeOf(copy.get()), "Or(T,F)");
  rule.SetContextExpression(tree("T"));
  Recorder recorder;
  EXPECT_EQ(rule.runConstVisitor(recorder), S_OK);
  EXPECT_EQ(recorder.trail, "T T F ");
  EXPECT_EQ(rule.simplify(), S_OK);
  copy.reset(rule.GetConstraintExpressionClone());
  EXPECT_EQ(shapeOf(copy.get()), "T");

  // Deleting a rule hands out its invariant, Or(Not(context), constraint)
  // simplified.
  auto* held = new KuvEeInclusionRule(tree("T"), tree("And(T,F)"));
  KuvEeRule* deleted = held;
  KuvEeNodeRef* invariant = nullptr;
  EXPECT_EQ(KuvEeRule::DeleteThisAndKeepInvariantConstraintExpression(deleted, invariant), S_OK);
  EXPECT_EQ(deleted, nullptr);
  copy.reset(invariant);
  EXPECT_EQ(shapeOf(copy.get()), "F");
  EXPECT_TRACES(E_INVALIDARG, "ERROR: NULL pointer",
                KuvEeRule::DeleteThisAndKeepInvariantConstraintExpression(deleted, invariant));
}
