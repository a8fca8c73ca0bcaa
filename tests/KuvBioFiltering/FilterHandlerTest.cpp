#include "KuvBioFiltering/FilteringTestSupport.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using namespace filtering_test;

namespace {

// Option 10 selected, on one dictionary of the Config Change domain.
Bytes filterOn(unsigned option) {
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  filter.setDnf(KuvDiversityDomain_ConfigChange, Guid(1).guid(), optionDnf(option, false));
  return compiled(filter);
}

Bytes effectivityOf(KuvDnf* dnf) {
  KuvFltEffectivity effectivity;
  effectivity.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, Guid(1).guid(), dnf);
  return compiled(effectivity);
}

Bytes effectivityOn(unsigned option, bool negated) { return effectivityOf(optionDnf(option, negated)); }

std::vector<int> query(const Bytes& filter, const std::vector<Bytes>& objects, HRESULT expected = S_OK) {
  const Binaries binaries(objects);
  int* results = nullptr;
  EXPECT_EQ(expected, KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                      binaries.data.data(), binaries.sizes.data(),
                                                      binaries.count(), results));
  const kuv_test::Handed<int> owned(results);
  return results != nullptr ? std::vector<int>(results, results + objects.size()) : std::vector<int>();
}

}  // namespace

TEST(ApplyQuery, ArgumentChecksInOrder) {
  const Bytes filter = filterOn(10);
  const Bytes object = effectivityOn(10, false);
  const std::uint8_t* binaries[] = {object.data()};
  const unsigned int sizes[] = {static_cast<unsigned int>(object.size())};
  int preset = 0;
  const struct {
    unsigned int filterSize;
    const std::uint8_t* filter;
    const std::uint8_t* const* binaries;
    const unsigned int* sizes;
    unsigned int count;
    int* results;
    HRESULT code;
    const char* message;
  } rows[] = {
      {0, nullptr, nullptr, nullptr, 0, &preset, E_INVALIDARG, "ERROR: filter binary size cannot be equal to zero."},
      {4, nullptr, nullptr, nullptr, 0, &preset, E_INVALIDARG, "ERROR: NULL pointer on input."},
      {4, filter.data(), nullptr, nullptr, 0, &preset, S_FALSE, ""},
      {4, filter.data(), nullptr, sizes, 0, nullptr, E_INVALIDARG, "ERROR: NULL pointer on input."},
      {4, filter.data(), nullptr, nullptr, 1, nullptr, E_INVALIDARG, "ERROR: NULL pointer on input."},
      {4, filter.data(), binaries, nullptr, 0, &preset, E_INVALIDARG, "ERROR: NULL pointer on input."},
      {4, filter.data(), binaries, sizes, 0, &preset, E_INVALIDARG,
       "ERROR: in_nbEff cannot be NULL if Eff binaries are provided."},
      {4, filter.data(), binaries, sizes, 1, &preset, E_INVALIDARG,
       "ERROR: out_results output parameter should be NULL."},
      // Checked only now: the filter's bytes.
      {4, filter.data(), binaries, sizes, 1, nullptr, E_FAIL, "ERROR : Compiled Binary Parser :: Read FAILED."},
      {static_cast<unsigned int>(object.size()), object.data(), binaries, sizes, 1, nullptr, E_FAIL,
       "ERROR : result of read is of unexpected type, cast failed."},
  };
  for (const auto& row : rows) {
    int* results = row.results;
    EXPECT_TRACES(row.code, row.message,
                  KuvFilteringServices::ApplyQuery(row.filter, row.filterSize, row.binaries, row.sizes, row.count,
                                                   results));
    EXPECT_EQ(row.results, results);
  }
}

// Unreadable objects answer -1 and the query goes on; the handler's array
// form answers alike, its single form fails on them.
TEST(ApplyQuery, UnreadableObjectsAnswerMinusOne) {
  const Bytes filter = filterOn(10);
  const Bytes passes = effectivityOn(10, false);
  const Bytes truncated(passes.begin(), passes.end() - 1);
  const std::vector<Bytes> objects = {passes, truncated, Bytes(), filter, effectivityOn(10, true)};
  const std::vector<int> expected = {1, -1, -1, -1, 0};
  EXPECT_EQ(expected, query(filter, objects));

  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  ASSERT_EQ(S_OK, handler.isValid());
  const Binaries arrays(objects);
  const std::uint8_t* const* binaries = arrays.data.data();
  const unsigned int* sizes = arrays.sizes.data();
  int* results = nullptr;
  ASSERT_EQ(S_OK, handler.Apply(binaries, sizes, 5, results));
  EXPECT_EQ(expected, std::vector<int>(results, results + 5));
  std::free(results);
  results = nullptr;
  EXPECT_TRACES(S_FALSE, "", handler.Apply(nullptr, nullptr, 0, results));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: in_effectivitiesBinaries is NULL", handler.Apply(nullptr, sizes, 1, results));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: in_effectivitiesBinariesSizes is NULL",
                handler.Apply(binaries, nullptr, 1, results));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: in_nbEffectivities is NULL", handler.Apply(binaries, sizes, 0, results));
  int earlier = 0;
  results = &earlier;
  EXPECT_TRACES(E_INVALIDARG, "ERROR: out_results is not NULL", handler.Apply(binaries, sizes, 1, results));

  int result = 7;
  EXPECT_TRACES(E_FAIL, "ERROR: Compiled Binary Parser :: Read FAILED.",
                handler.Apply(truncated.data(), static_cast<unsigned int>(truncated.size()), result));
  EXPECT_EQ(-1, result);
  EXPECT_TRACES(E_FAIL, "ERROR: result of read is of unexpected type, cast failed.",
                handler.Apply(filter.data(), static_cast<unsigned int>(filter.size()), result));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: filter binary size cannot be equal to zero.", handler.Apply(passes.data(), 0, result));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: NULL pointer on input.", handler.Apply(nullptr, 4, result));
  EXPECT_EQ(1, applied(handler, passes));
}

TEST(ApplyQuery, FilterWithTwoViewsIsRefused) {
  Bytes filter = filterOn(10);
  // Header 5, view and mode 2, domain table 4, typed-GUID table 4 + 17 N
  // with N = 3 (dictionary, option, feature): then the view count.
  const std::size_t viewCount = 5 + 2 + 4 + 4 + 3 * 17;
  ASSERT_EQ(1, filter[viewCount]);
  filter[viewCount] = 2;
  const std::string printed = captured([&] { EXPECT_TRUE(query(filter, {effectivityOn(10, false)}, E_FAIL).empty()); });
  EXPECT_NE(std::string::npos, printed.find("ERROR : one and only one view should be specified for a filter"));
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  EXPECT_EQ(E_FAIL, handler.isValid());
  int result = 0;
  const Bytes object = effectivityOn(10, false);
  EXPECT_TRACES(E_FAIL, "ERROR: invalid filter handler",
                handler.Apply(object.data(), static_cast<unsigned int>(object.size()), result));
}

// Merged filters pass what either passes; copies and the written-back
// binary keep the filter; the other constructors answer their refusals.
TEST(FilterHandler, ConstructorsCopiesAndBinary) {
  const Bytes ten = filterOn(10), twelve = filterOn(12);
  const std::uint8_t* filters[] = {ten.data(), twelve.data()};
  const unsigned int filterSizes[] = {static_cast<unsigned int>(ten.size()), static_cast<unsigned int>(twelve.size())};
  const KuvFilterHandler merged(filters, filterSizes, 2, 7);
  ASSERT_EQ(S_OK, merged.isValid());
  KuvFilterHandler copy(merged);
  KuvFilterHandler assigned;
  EXPECT_EQ(E_NOTIMPL, assigned.isValid());
  assigned = copy;
  const KuvFilterHandler* handlers[] = {&merged, &copy, &assigned};
  for (const KuvFilterHandler* handler : handlers) {
    EXPECT_EQ(7, handler->getFlag());
    // Options 10 and 12 rejected: neither filter passes it.
    KuvDnf* neither = optionDnf(10, true);
    neither->andTerms().front()->addDnfLeaf(
        *new KuvDnfOptionEff(Guid(12).guid(), Guid(13).guid(), KuvDnfOptionEff::Selected, true));
    EXPECT_EQ(1, applied(*handler, effectivityOn(12, false)));
    EXPECT_EQ(1, applied(*handler, effectivityOn(10, true)));
    EXPECT_EQ(0, applied(*handler, effectivityOf(neither)));
  }

  const KuvFilterHandler single(ten.data(), static_cast<unsigned int>(ten.size()), 0);
  EXPECT_EQ(ten, writtenBack(single));

  const KuvFilterHandler none;
  const unsigned int perDictionary[] = {1};
  EXPECT_TRACES(E_INVALIDARG, "ERROR: input filter handler is invalid",
                KuvFilterHandler(none, filters, filterSizes, 1, perDictionary, 1).isValid());
  EXPECT_TRACES(E_INVALIDARG, "ERROR: problem of coherence for inputs",
                KuvFilterHandler(single, filters, filterSizes, 2, perDictionary, 1).isValid());
  const std::uint8_t* bytes = nullptr;
  unsigned int size = 0;
  EXPECT_TRACES(E_NOTIMPL, "ERROR: invalid filter handler", none.getFilterCompiledBinary(bytes, size));
  EXPECT_TRACES(E_INVALIDARG, "ERROR: NULL pointer on input.", KuvFilterHandler(nullptr, nullptr, 0, 0).isValid());
}

namespace {

// One object and one filter over the model's dictionary, compiled through
// the expression services, with their truth tables.
struct Case {
  Bytes filter, object;
  TruthTable filterTable, objectTable;
};

Case randomCase(const TruthModel& m, TreeGenerator& generator, std::mt19937& random, KuvEeModelDico& model) {
  Case c;
  // A user's filter selects values: positive criteria only, for which the
  // normal-form test is exact.
  auto* list = new KuvQmSpecList;
  const int criteria = 1 + static_cast<int>(random() % 3);
  for (int i = 0; i < criteria; ++i) {
    KuvEeVarEff* eff = generator.varEff();
    if (eff->isNegated()) eff->opNot();
    list->AddVarEff(eff);
    delete eff;
  }
  c.filterTable.set();
  for (auto it = list->GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
    const Tree leaf = own(new KuvEeVarEffLeaf(static_cast<const KuvEeVarEff*>(it.GetVal())->createVarEffClone()));
    c.filterTable &= *truthTable(m, *leaf);
  }
  KuvEeFilterExpression filter(&model, list);
  const KuvDiversityDomain domain = static_cast<KuvDiversityDomain>(1 + random() % 3);
  // The Config Change domain never reads view 3 in place of the view asked.
  const KuvExpressionView view =
      domain == KuvDiversityDomain_ConfigChange ? CFG_EXPRVIEW_NONE : static_cast<KuvExpressionView>(random() % 4);

  Tree tree = generator.next();
  c.objectTable = *truthTable(m, *tree);
  KuvEeEffectivityExpression effectivity;
  KuvEeNodeRef* criteriaTree = tree.release();
  // Criteria of no dictionary hold for every one.
  if (random() % 4 == 0) {
    effectivity.setGlobalCriteria(criteriaTree);
  } else {
    auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &criteriaTree);
    EXPECT_EQ(S_OK, effectivity.setModelCriteria(&model, record));
  }

  KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
  byDomain.Put(KuvInIntHolder(domain), &filter);
  KuvInSet views(KuvInIntHolder::sType());
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, view));
  c.filter = kuv_test::bytesOf(out);
  byDomain.Put(KuvInIntHolder(domain), &effectivity);
  out.Clear();
  EXPECT_EQ(S_OK, KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, view));
  c.object = kuv_test::bytesOf(out);
  return c;
}

}  // namespace

// Whether some term of the object's forms admits no configuration on its
// own: a leaf that excludes every value of its variable.
bool hasEmptyTerm(const TruthModel& m, const Bytes& object) {
  KuvBioBuffer in(object.data(), static_cast<std::uint32_t>(object.size()), 0);
  KuvInObject* read = nullptr;
  EXPECT_EQ(S_OK, KuvCompiledBinaryParser::Read(in, read));
  const std::unique_ptr<KuvInObject> owned(read);
  for (int d = 1; d <= KuvFltEffectivity::sc_maxDomain; ++d) {
    const KuvFltDomainEffectivity* domain = KuvFltEffectivity::cast(*read)->getDomainEffectivity(d);
    const KuvFltEffectivityView* view = domain != nullptr ? domain->getEffectivityView(CFG_EXPRVIEW_NONE) : nullptr;
    for (const auto& e : view != nullptr ? view->dnfs().entries() : std::vector<kuv::detail::FltDnfMap::Entry>())
      if (hasEmptyTerm(m, *e.dnf)) return true;
  }
  return false;
}

// Over random effectivities and filters, an object passes exactly when it
// shares a configuration with the filter.
TEST(ApplyQuery, PassesExactlyWhenAConfigurationIsShared) {
  TruthModel m;
  KuvEeModelDico model("Model", Guid(60).guid());
  TreeGenerator generator(m, 71, {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true});
  std::mt19937 random(5);
  int passed = 0, exact = 0;
  for (int i = 0; i < 300; ++i) {
    const Case c = randomCase(m, generator, random, model);
    const bool shared = (c.filterTable & c.objectTable).any();
    const std::vector<int> results = query(c.filter, {c.object});
    ASSERT_EQ(1u, results.size());
    if (hasEmptyTerm(m, c.object)) {
      // Never a miss.
      ASSERT_TRUE(results[0] == 1 || !shared) << i;
      continue;
    }
    ASSERT_EQ(shared ? 1 : 0, results[0]) << i;
    passed += shared ? 1 : 0;
    ++exact;
  }
  EXPECT_GT(exact, 200);
  EXPECT_GT(passed, exact / 5);
  EXPECT_LT(passed, exact * 4 / 5);
}

// Every truncation of a valid object is unreadable, never a crash.
TEST(ApplyQuery, EveryTruncationAnswersMinusOne) {
  TruthModel m;
  KuvEeModelDico model("Model", Guid(60).guid());
  TreeGenerator generator(m, 73, {.maxNodes = 8, .notFlag = false, .domainOverLeavesOnly = true});
  std::mt19937 random(7);
  for (int i = 0; i < 10; ++i) {
    const Case c = randomCase(m, generator, random, model);
    std::vector<Bytes> prefixes;
    for (std::size_t n = 1; n < c.object.size(); ++n) prefixes.emplace_back(c.object.begin(), c.object.begin() + n);
    EXPECT_EQ(std::vector<int>(prefixes.size(), -1), query(c.filter, prefixes));
  }
}

// Change expressions give applicabilities, composition matrices matrices,
// each form under its dictionary; what is not an expression of those kinds
// is refused.
TEST(ExpressionDBDataServices, ObjectOfEachKind) {
  TruthModel m;
  KuvEeModelDico model("Model", Guid(60).guid());
  KuvEeChangeExpression change;
  KuvEeNodeRef* tree = own(optionLeaf(m, 0)).release();
  auto* record = new KuvEeMultiModelExpression::ModelCriteria(nullptr, &tree);
  ASSERT_EQ(S_OK, change.setModelCriteria(&model, record));
  KuvEeCompositionMatrixExpression matrix;
  ASSERT_EQ(S_OK, matrix.IF_SetCriteria(&model, *own(optionLeaf(m, 1))));
  ASSERT_EQ(S_OK, matrix.THEN_SetCriteria(&model, *own(optionLeaf(m, 2))));
  const KuvInSet views(KuvInIntHolder::sType());
  auto tableOf = [&](int i) { return *truthTable(m, *own(optionLeaf(m, i))); };
  KuvInMap byDomain(KuvInIntHolder::sType(), KuvEeExpression::sType());
  std::unique_ptr<KuvFltObject> built[2];
  for (KuvEeExpression* expression : {static_cast<KuvEeExpression*>(&change), static_cast<KuvEeExpression*>(&matrix)}) {
    byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), expression);
    KuvFltObject* object = nullptr;
    ASSERT_EQ(S_OK, KuvExpressionDBDataServices::BuildFilteringObject(byDomain, object, views, CFG_EXPRVIEW_CURRENT));
    built[expression == &matrix ? 1 : 0].reset(object);
  }
  const KuvFltApplicability* applicability = KuvFltApplicability::cast(*built[0]);
  const KuvFltCompositionMatrix* rule = KuvFltCompositionMatrix::cast(*built[1]);
  ASSERT_TRUE(applicability != nullptr && rule != nullptr);
  EXPECT_EQ(tableOf(0), *dnfTable(m, *applicability->getCriteria(model.getGuid())));
  EXPECT_EQ(tableOf(1), *dnfTable(m, *rule->IF_GetCriteria(model.getGuid())));
  EXPECT_EQ(tableOf(2), *dnfTable(m, *rule->THEN_GetCriteria(model.getGuid())));

  KuvEeGenericExpression generic(own(optionLeaf(m, 0)).release());
  byDomain.Put(KuvInIntHolder(KuvDiversityDomain_ConfigChange), &generic);
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: currently unsupported.",
                KuvExpressionDBDataServices::ComputeCompiledBinary(byDomain, out, views, CFG_EXPRVIEW_CURRENT));
  EXPECT_EQ(0u, out.GetLength());
}
