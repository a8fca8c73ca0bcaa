#include "KuvBioFiltering/FilteringTestSupport.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using namespace filtering_test;

namespace {

// The context's dictionary and a component's.
enum Dictionary { Context, Component };
KuvInGuid dictionary(int k) { return Guid(1 + static_cast<unsigned>(k)).guid(); }

KuvDnf* dnfOf(KuvEeNode* node) { return KuvEeDnfConvertor::NodeRef2Dnf(*own(node)); }

// Option i in state T (selected) or F (not selected).
KuvEeNode* option(const TruthModel& m, int i, std::uint32_t state = KuvEeOptionEff::T) {
  return new KuvEeVarEffLeaf(new KuvEeOptionEff(m.options[i].get(), state));
}

struct Rule {
  std::vector<std::pair<int, KuvEeNode*>> ifPart, thenPart;
};

Bytes matrixOf(const Rule& rule) {
  KuvFltCompositionMatrix matrix;
  for (const auto& [k, node] : rule.ifPart) matrix.IF_SetCriteria(dictionary(k), dnfOf(node));
  for (const auto& [k, node] : rule.thenPart) matrix.THEN_SetCriteria(dictionary(k), dnfOf(node));
  return compiled(matrix);
}

struct Arrays : Binaries {
  explicit Arrays(const std::vector<std::vector<Bytes>>& groups) {
    for (const auto& group : groups) {
      perDictionary.push_back(static_cast<unsigned int>(group.size()));
      add(group);
    }
  }
  KuvFilterHandler handler(const KuvFilterHandler& source) const {
    return KuvFilterHandler(source, data.data(), sizes.data(), count(), perDictionary.data(),
                            static_cast<unsigned int>(perDictionary.size()));
  }
  std::vector<unsigned int> perDictionary;
};

// The filter prepared through the handlers, written and read back.
std::unique_ptr<KuvFilterHandler> preparedBack(const Bytes& filter,
                                               const std::vector<std::vector<Bytes>>& groups) {
  const KuvFilterHandler source(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  EXPECT_EQ(S_OK, source.isValid());
  const KuvFilterHandler handler = Arrays(groups).handler(source);
  EXPECT_EQ(S_OK, handler.isValid());
  const Bytes binary = writtenBack(handler);
  auto back = std::make_unique<KuvFilterHandler>(binary.data(), static_cast<unsigned int>(binary.size()), 0);
  EXPECT_EQ(S_OK, back->isValid());
  return back;
}

using Forms = std::array<std::optional<TruthTable>, 2>;

// The rule over truth tables: selection by a shared configuration, then
// each dictionary every selected matrix names.
struct ModelRule {
  Forms ifPart, thenPart;
};

void applyGroup(Forms& forms, const std::vector<ModelRule>& group) {
  std::vector<const ModelRule*> selected;
  for (const ModelRule& rule : group) {
    bool meets = true;
    for (int k = 0; k < 2; ++k)
      meets = meets && (!rule.ifPart[k] || !forms[k] || (*forms[k] & *rule.ifPart[k]).any());
    if (meets) selected.push_back(&rule);
  }
  for (int k = 0; k < 2 && !selected.empty(); ++k) {
    bool named = true;
    TruthTable constraint;
    for (const ModelRule* rule : selected) {
      named = named && rule->thenPart[k].has_value();
      if (named) constraint |= *rule->thenPart[k];
    }
    if (named) forms[k] = forms[k] ? *forms[k] & constraint : constraint;
  }
}

}  // namespace

// Over random filters and matrix groups on a context and a component
// dictionary, in two domains, each prepared form holds exactly on the
// configurations the rule gives, and survives the filter's binary.
TEST(PrepareFilterForContext, FormsFollowTheRuleConfigurationByConfiguration) {
  TruthModel m;
  // No dates: a form's date is its dictionary's own or the context's, and
  // the model's date is neither.
  TreeGenerator generator(m, 83,
                          {.maxNodes = 4, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  std::mt19937 random(83);
  auto chance = [&](double p) { return std::bernoulli_distribution(p)(random); };
  // A term empty on its own still meets other forms in the normal-form
  // test, which then differs from the model's; such forms are drawn again.
  // So does a pair of leaves negated on one variable: the test says they
  // meet even where no value is left to both. Cases where a form or THEN
  // part and an IF part of one dictionary hold such leaves are skipped.
  std::set<std::string> negatedIn[2][2];  // [IF part?][dictionary]
  auto form = [&](TruthTable& table, int k, bool ifPart) {
    for (;;) {
      std::unique_ptr<KuvDnf> dnf(KuvEeDnfConvertor::NodeRef2Dnf(*generator.next()));
      if (hasEmptyTerm(m, *dnf)) continue;
      table = *dnfTable(m, *dnf);
      for (const KuvDnfAndTerm* term : dnf->andTerms())
        for (const KuvDnfLeaf* leaf : term->leaves())
          if (leaf->isNegated() && dynamic_cast<const KuvDnfVarEff*>(leaf) != nullptr)
            negatedIn[ifPart][k].insert(text(leaf->getGuid().toString()));
      return dnf.release();
    }
  };
  auto negatedOnBothSides = [&] {
    for (int k = 0; k < 2; ++k)
      for (const std::string& key : negatedIn[1][k])
        if (negatedIn[0][k].count(key) != 0) return true;
    return false;
  };
  const KuvDiversityDomain domains[] = {KuvDiversityDomain_ConfigChange, KuvDiversityDomain_DWS};
  int changed = 0, unchanged = 0, skipped = 0;
  for (int i = 0; i < 150; ++i) {
    for (auto& sides : negatedIn)
      for (auto& keys : sides) keys.clear();
    KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
    Forms expected[2];
    for (int d = 0; d < 2; ++d)
      for (int k = 0; k < 2; ++k)
        if (chance(0.7)) filter.setDnf(domains[d], dictionary(k), form(expected[d][k].emplace(), k, false));
    std::vector<std::vector<Bytes>> groups(1 + random() % 2);
    std::vector<std::vector<ModelRule>> rules;
    for (auto& group : groups) {
      rules.emplace_back();
      const unsigned size = 1 + random() % 3;
      for (unsigned j = 0; j < size; ++j) {
        ModelRule& rule = rules.back().emplace_back();
        KuvFltCompositionMatrix matrix;
        // Mostly "if the context ... then the component ...".
        for (int k = 0; k < 2; ++k) {
          if (chance(k == Context ? 0.75 : 0.3))
            matrix.IF_SetCriteria(dictionary(k), form(rule.ifPart[k].emplace(), k, true));
          if (chance(k == Context ? 0.3 : 0.75))
            matrix.THEN_SetCriteria(dictionary(k), form(rule.thenPart[k].emplace(), k, false));
        }
        group.push_back(compiled(matrix));
      }
    }
    if (negatedOnBothSides()) {
      ++skipped;
      continue;
    }
    const std::unique_ptr<KuvFilterHandler> back = preparedBack(compiled(filter), groups);
    for (int d = 0; d < 2; ++d) {
      const Forms before = expected[d];
      for (const auto& group : rules)
        if (before[0] || before[1]) applyGroup(expected[d], group);
      (before == expected[d] ? unchanged : changed) += 1;
      for (int k = 0; k < 2; ++k) {
        const KuvDnf* got = back->getFilter()->getDnf(domains[d], dictionary(k));
        ASSERT_EQ(expected[d][k].has_value(), got != nullptr) << i << " " << d << " " << k;
        if (got != nullptr) {
          ASSERT_EQ(*expected[d][k], *dnfTable(m, *got)) << i << " " << d << " " << k;
        }
      }
    }
  }
  EXPECT_GT(changed, 60);
  EXPECT_GT(unchanged, 30);
  EXPECT_LT(skipped, 50);
}

// What cannot be prepared leaves the handler invalid with the code, after
// the reader's trace and the handler's.
TEST(PrepareFilterForContext, RefusalsAndTheirTraces) {
  TruthModel m;
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  filter.setDnf(KuvDiversityDomain_ConfigChange, dictionary(Context), dnfOf(option(m, 0)));
  const Bytes input = compiled(filter);
  const KuvFilterHandler source(input.data(), static_cast<unsigned int>(input.size()), 3);
  const Bytes matrix = matrixOf({{{Context, option(m, 0)}}, {{Component, option(m, 1)}}});
  const Bytes truncated(matrix.begin(), matrix.end() - 1);
  const struct {
    std::vector<std::vector<Bytes>> groups;
    const char* message;
  } rows[] = {
      {{{matrix}, {matrix, truncated}},
       "ERROR: composition matrix binary 2 does not read as a composition matrix"},
      {{{input}}, "ERROR: composition matrix binary 0 does not read as a composition matrix"},
      {{{Bytes()}}, "ERROR: composition matrix binary 0 does not read as a composition matrix"},
  };
  for (const auto& row : rows) {
    const std::string printed =
        captured([&] { EXPECT_EQ(E_FAIL, Arrays(row.groups).handler(source).isValid()); });
    const std::size_t own = printed.find(row.message);
    EXPECT_NE(std::string::npos, own) << printed;
    EXPECT_NE(std::string::npos,
              printed.find("ERROR: KuvPrivateFilteringServices::prepareFilterForContext FAILED", own))
        << printed;
  }
  // Counts without their array are refused by the preparation itself.
  EXPECT_TRACES(E_INVALIDARG, "ERROR: NULL pointer on input.",
                KuvFilterHandler(source, nullptr, nullptr, 0, nullptr, 2).isValid());
  KuvFltFilter* out = filter.clone();
  const std::unique_ptr<KuvFltFilter> kept(out);
  EXPECT_TRACES(E_INVALIDARG, "ERROR: output filter should be NULL.",
                KuvPrivateFilteringServices::prepareFilterForContext(filter, {}, out));
  EXPECT_EQ(kept.get(), out);
  // No matrix at all: the same filter, the source's flag.
  const KuvFilterHandler same = Arrays({}).handler(source);
  EXPECT_EQ(3, same.getFlag());
  EXPECT_EQ(input, writtenBack(same));
}

namespace {

KuvInString hex(const Bytes& bytes) {
  char* text = nullptr;
  std::int32_t length = 0;
  EXPECT_EQ(0, KuvInHexaEncodingServices::encode_hex(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                                     text, length));
  KuvInString result(text);
  std::free(text);
  return result;
}

}  // namespace

// The text-level service gives the hexadecimal text of the handler's
// prepared binary; its refusals empty the output.
TEST(PrepareFilterForContext, TextsRoundTrip) {
  TruthModel m;
  KuvFltFilter filter(CFG_EXPRVIEW_PROJECTED, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  filter.setDnf(KuvDiversityDomain_EngineeringActivation, dictionary(Context), dnfOf(option(m, 0)));
  const Bytes input = compiled(filter);
  const Bytes first = matrixOf({{{Context, option(m, 0)}}, {{Component, option(m, 1)}}});
  const Bytes second = matrixOf({{}, {{Component, option(m, 2)}}});
  const Bytes third = matrixOf({{{Component, option(m, 2)}}, {{Context, unitsLeaf(m)}}});
  KuvInListVal matrices(KuvInString::sType());
  KuvInListVal counts(KuvInIntHolder::sType());
  for (const Bytes* b : {&first, &second, &third}) matrices.PutBack(hex(*b));
  for (int n : {2, 1}) counts.PutBack(KuvInIntHolder(n));
  KuvInString prepared("left over");
  ASSERT_EQ(S_OK, KuvFilteringServices::PrepareFilterForContext(hex(input), matrices, counts, prepared));
  EXPECT_EQ(hex(writtenBack(*preparedBack(input, {{first, second}, {third}}))).ConvertToChar(),
            std::string(prepared.ConvertToChar()));

  const KuvInListVal untyped;
  KuvInListVal tooMany(KuvInIntHolder::sType());
  tooMany.PutBack(KuvInIntHolder(4));
  const struct {
    KuvInString filter;
    const KuvInListVal& matrices;
    const KuvInListVal& counts;
    HRESULT code;
    const char* message;
  } rows[] = {
      {KuvInString(), matrices, counts, E_INVALIDARG, "ERROR: Length of input KuvInString is empty."},
      {hex(input), untyped, counts, E_INVALIDARG,
       "ERROR: composition matrices should be a list of KuvInString."},
      {hex(input), matrices, matrices, E_INVALIDARG,
       "ERROR: numbers of composition matrices should be a list of KuvInIntHolder."},
      {hex(first), matrices, counts, E_FAIL, "ERROR: result of read is of unexpected type, cast failed."},
      {hex(input), matrices, tooMany, E_INVALIDARG, "ERROR: problem of coherence for inputs"},
  };
  for (const auto& row : rows) {
    prepared = "left over";
    EXPECT_TRACES(
        row.code, row.message,
        KuvFilteringServices::PrepareFilterForContext(row.filter, row.matrices, row.counts, prepared));
    EXPECT_TRUE(prepared.IsEmpty());
  }
}

// The prepared handler owns its filter: it outlives its source handler and
// the matrices' bytes, and so do its copies.
TEST(PrepareFilterForContext, PreparedHandlerOwnsItsFilter) {
  TruthModel m;
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  filter.setDnf(KuvDiversityDomain_ConfigChange, dictionary(Context), dnfOf(option(m, 0)));
  const Bytes input = compiled(filter);
  // Option 0 not selected: the source filter's form misses it, the
  // component's prepared form (option 1) meets it.
  KuvFltEffectivity effectivity;
  effectivity.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, dictionary(Context),
                     dnfOf(option(m, 0, KuvEeOptionEff::F)));
  const Bytes object = compiled(effectivity);
  auto source = std::make_unique<KuvFilterHandler>(input.data(), static_cast<unsigned int>(input.size()), 0);
  auto groups = std::make_unique<std::vector<std::vector<Bytes>>>(
      std::vector<std::vector<Bytes>>{{matrixOf({{{Context, option(m, 0)}}, {{Component, option(m, 1)}}})}});
  auto arrays = std::make_unique<Arrays>(*groups);
  const KuvFilterHandler handler = arrays->handler(*source);
  EXPECT_EQ(0, applied(*source, object));
  source.reset();
  arrays.reset();
  groups.reset();
  const KuvFilterHandler copy(handler);
  for (const KuvFilterHandler* h : {&handler, &copy}) EXPECT_EQ(1, applied(*h, object));
}
