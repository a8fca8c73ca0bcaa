#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvFiltering/FltForms.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using namespace filtering_test;
using Services = KuvFltComparisonServices;

namespace {

constexpr KuvFltFilter::SELECTION_MODE kStrict = KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT;
constexpr KuvDiversityDomain kDws = KuvDiversityDomain_DWS;
constexpr KuvDiversityDomain kChange = KuvDiversityDomain_ConfigChange;
constexpr KuvDiversityDomain kActivation = KuvDiversityDomain_EngineeringActivation;

struct Part {
  KuvDiversityDomain domain;
  KuvInGuid dictionary;
  std::initializer_list<unsigned> colours;
};

std::unique_ptr<KuvFltFilter> filterOf(std::initializer_list<Part> parts, KuvFltFilter::SELECTION_MODE mode = kMode150,
                                       KuvExpressionView view = CFG_EXPRVIEW_SOURCE) {
  auto filter = std::make_unique<KuvFltFilter>(view, mode);
  for (const Part& p : parts) filter->setDnf(p.domain, p.dictionary, colours(p.colours));
  return filter;
}

// Two filters of one dictionary on the change domain, taking the forms a
// and b; texts names the forms for failures.
struct FilterPair {
  FilterPair(KuvDnf* a, KuvDnf* b)
      : texts(std::string(a->toString().ConvertToChar()) + " / " + b->toString().ConvertToChar()) {
    first.setDnf(kChange, kDicoA, a);
    second.setDnf(kChange, kDicoA, b);
  }
  const std::string texts;
  KuvFltFilter first{CFG_EXPRVIEW_CURRENT, kMode150}, second{CFG_EXPRVIEW_CURRENT, kMode150};
};

KuvBioBuffer binaryOf(const KuvInObject& object) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvCompiledBinaryParser::Write(object, out));
  return KuvBioBuffer(out);
}

}  // namespace

// Filter equality against the configurations of the forms: random pairs,
// half of them the same form written another way (a Or (a And x)).
TEST(FltEquality, AgainstTheTruthTables) {
  TruthModel m;
  // Negating a form rebuilds its dictionary from its leaves, which cannot place
  // a date: the trees keep to the other variables.
  TreeGenerator generator(m, 23, {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  int equal = 0, compared = 0;
  for (int i = 0; i < 200; ++i) {
    Tree a = generator.next();
    Tree b = i % 2 == 0 ? generator.next()
                        : own(Or({a->getNode()->clone()->getNode(),
                                  And({a->getNode()->clone()->getNode(), generator.next()->getNode()->clone()->getNode()})}));
    KuvDnf* dnfA = KuvEeDnfConvertor::NodeRef2Dnf(*a);
    KuvDnf* dnfB = KuvEeDnfConvertor::NodeRef2Dnf(*b);
    ASSERT_TRUE(dnfA != nullptr && dnfB != nullptr);
    const auto tableA = dnfTable(m, *dnfA), tableB = dnfTable(m, *dnfB);
    FilterPair pair(dnfA, dnfB);
    auto& [texts, first, second] = pair;
    if (!tableA || !tableB) continue;
    const bool same = *tableA == *tableB;
    for (const KuvComparisonMode mode : {KuvComparisonMode_All, KuvComparisonMode_Any}) {
      unsigned char answer = 2;
      ASSERT_EQ(S_OK, Services::IsEqual(first, second, mode, answer)) << texts;
      ASSERT_EQ(same ? 1 : 0, answer) << texts;
    }
    ++compared;
    equal += same ? 1 : 0;
  }
  EXPECT_GT(compared, 150);
  EXPECT_GT(equal, 60);
}

// Filter equality where a form's negation multiplies its factors out; b is
// a written in another order half of the time.
TEST(FltEquality, ProductNegationsAgainstTheTruthTables) {
  TruthModel m;
  std::mt19937 random(37);
  int equal = 0;
  for (int i = 0; i < 200; ++i) {
    SignedTerms terms = randomSignedTerms(random);
    KuvDnf* dnfA = signedTermsDnf(m, terms);
    if (i % 2 == 0) {
      std::reverse(terms.begin(), terms.end());
      for (auto& term : terms) std::reverse(term.begin(), term.end());
    } else {
      terms = randomSignedTerms(random);
    }
    KuvDnf* dnfB = signedTermsDnf(m, terms);
    ASSERT_TRUE(dnfA != nullptr && dnfB != nullptr);
    const bool same = *dnfTable(m, *dnfA) == *dnfTable(m, *dnfB);
    FilterPair pair(dnfA, dnfB);
    auto& [texts, first, second] = pair;
    unsigned char answer = 2;
    ASSERT_EQ(S_OK, Services::IsEqual(first, second, KuvComparisonMode_All, answer)) << texts;
    ASSERT_EQ(same ? 1 : 0, answer) << texts;
    equal += same ? 1 : 0;
  }
  EXPECT_GE(equal, 100);
  EXPECT_GT(200 - equal, 50);
}

// One-dictionary filter inclusion against the configurations of the forms:
// random pairs, half of them a form and a narrowing of it (a And x).
TEST(FltInclusion, AgainstTheTruthTables) {
  TruthModel m;
  TreeGenerator generator(m, 29, {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  int included = 0, compared = 0, refused = 0;
  for (int i = 0; i < 600 && compared < 150; ++i) {
    Tree a = generator.next();
    Tree b = i % 2 == 0 ? generator.next()
                        : own(And({a->getNode()->clone()->getNode(), generator.next()->getNode()->clone()->getNode()}));
    KuvDnf* dnfA = KuvEeDnfConvertor::NodeRef2Dnf(*a);
    KuvDnf* dnfB = KuvEeDnfConvertor::NodeRef2Dnf(*b);
    ASSERT_TRUE(dnfA != nullptr && dnfB != nullptr);
    const auto tableA = dnfTable(m, *dnfA), tableB = dnfTable(m, *dnfB);
    FilterPair pair(dnfA, dnfB);
    auto& [texts, first, second] = pair;
    // Intersection looks at leaves pairwise: a form with no configuration
    // that no pair of its leaves rules out still intersects.
    if (!tableA || !tableB || tableB->none()) continue;
    HRESULT hr = S_OK;
    const std::string traced = captured([&] { hr = first.isIncluding(second); });
    if (hr == KUV_E_FLT_OPTIONS) continue;
    // Complementing a form within the domain refuses a leaf that holds the
    // no-value element.
    if (hr == E_FAIL) {
      ASSERT_NE(traced.find("ERROR : GetNotDnf FAILED."), std::string::npos) << traced;
      ++refused;
      continue;
    }
    const bool includes = (*tableB & ~*tableA).none();
    ASSERT_EQ(includes ? S_OK : S_FALSE, hr) << texts;
    ++compared;
    included += includes ? 1 : 0;
  }
  EXPECT_EQ(compared, 150);
  EXPECT_GT(included, 40);
  EXPECT_LT(refused, 40) << compared;
}

// How the domains and dictionaries of two filters combine into their
// equality in both modes; any other mode starts from true and combines as
// Any does.
TEST(FltEquality, DomainsDictionariesAndModes) {
  struct Case {
    const char* name;
    std::unique_ptr<KuvFltFilter> a, b;
    int all, any, other;
  };
  Case cases[] = {
      {"both empty", filterOf({}), filterOf({}), 1, 0, 1},
      {"other view", filterOf({}), filterOf({}, kMode150, CFG_EXPRVIEW_CURRENT), 0, 0, 0},
      {"other selection mode", filterOf({{kDws, kDicoA, {21}}}), filterOf({{kDws, kDicoA, {21}}}, kStrict), 0,
       0, 0},
      {"one domain differs", filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {22}}}),
       filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {23}}}), 0, 1, 1},
      {"domain only in the second", filterOf({{kDws, kDicoA, {21}}}),
       filterOf({{kDws, kDicoA, {21}}, {kActivation, kDicoA, {21}}}), 0, 1, 1},
      {"domain only in the first", filterOf({{kDws, kDicoA, {21}}, {kActivation, kDicoA, {21}}}),
       filterOf({{kDws, kDicoA, {21}}}), 0, 1, 1},
      {"dictionary the second lacks", filterOf({{kDws, kDicoA, {21}}, {kDws, kDicoB, {21}}}),
       filterOf({{kDws, kDicoA, {21}}}), 0, 0, 1},
      {"the last dictionary decides", filterOf({{kDws, kDicoA, {21}}, {kDws, kDicoB, {21}}}),
       filterOf({{kDws, kDicoA, {22}}, {kDws, kDicoB, {21}}}), 1, 1, 1},
  };
  for (const Case& c : cases) {
    unsigned char all = 2, any = 2, other = 2;
    EXPECT_EQ(S_OK, Services::IsEqual(*c.a, *c.b, KuvComparisonMode_All, all)) << c.name;
    EXPECT_EQ(S_OK, Services::IsEqual(*c.a, *c.b, KuvComparisonMode_Any, any)) << c.name;
    EXPECT_EQ(S_OK, Services::IsEqual(*c.a, *c.b, static_cast<KuvComparisonMode>(2), other)) << c.name;
    EXPECT_EQ(c.all, all) << c.name;
    EXPECT_EQ(c.any, any) << c.name;
    EXPECT_EQ(c.other, other) << c.name;
  }
}

// Over written binaries: inclusion answers as over the objects, refusals
// included, and frames its trace.
TEST(FltBinaryComparison, InclusionAgreesWithTheObjects) {
  std::vector<std::unique_ptr<KuvFltFilter>> filters;
  filters.push_back(filterOf({{kDws, kDicoA, {21, 22}}, {kChange, kDicoA, {23}}}));
  filters.push_back(filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {23}}}));
  filters.push_back(filterOf({{kChange, kDicoA, {23}}}));
  filters.push_back(filterOf({{kDws, kDicoA, {21}}}, kStrict));
  filters.push_back(filterOf({}));
  filters.back()->setDnf(kChange, kDicoA, optionDnf(10, false));
  for (const auto& f : filters) {
    for (const auto& g : filters) {
      const HRESULT expected = f->isIncluding(*g);
      KuvBioBuffer a = binaryOf(*f), b = binaryOf(*g);
      unsigned char answer = 2;
      const HRESULT hr = Services::IsIncluding(a, b, answer, KuvComparisonMode_All, KuvComparisonMode_All);
      EXPECT_EQ(FAILED(expected) ? expected : S_OK, hr) << text(*f) << text(*g);
      EXPECT_EQ(expected == S_OK ? 1 : 0, answer) << text(*f) << text(*g);
    }
  }
  KuvBioBuffer a = binaryOf(*filters[0]), b = binaryOf(*filters[1]);
  unsigned char answer = 2;
  ScopedFlags calls(Services::traceChannel(), 3);
  const std::string traced = captured([&] {
    EXPECT_EQ(S_OK, Services::IsIncluding(a, b, answer, KuvComparisonMode_All, KuvComparisonMode_All));
  });
  const auto inputs = traced.find("IsIncluding global with inputs : FltFilter");
  EXPECT_NE(std::string::npos, inputs) << traced;
  EXPECT_LT(inputs, traced.find("Result is: 1")) << traced;
}

// Intersection over binaries by lists, in either order of a filter and an
// effectivity, in one domain; equality and inclusion of applicabilities.
TEST(FltBinaryComparison, IntersectionAndEquality) {
  const auto filter = filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {23}}});
  KuvFltEffectivity meets, misses;
  meets.setDnf(kDws, CFG_EXPRVIEW_SOURCE, kDicoA, colours({21, 22}));
  misses.setDnf(kDws, CFG_EXPRVIEW_SOURCE, kDicoA, colours({22}));
  misses.setDnf(kChange, CFG_EXPRVIEW_SOURCE, kDicoA, colours({23}));
  KuvBioBuffer meetsBinary = binaryOf(meets), missesBinary = binaryOf(misses), reference = binaryOf(*filter);
  KuvInList binaries(KuvBioBuffer::sType());
  binaries.PutBack(&meetsBinary);
  binaries.PutBack(&missesBinary);
  unsigned char* answers = nullptr;
  ASSERT_EQ(S_OK, Services::IsIntersect(reference, binaries, KuvComparisonMode_All, answers));
  const kuv_test::Handed<unsigned char> owned(answers);
  EXPECT_EQ(1, answers[0]);
  EXPECT_EQ(0, answers[1]);
  unsigned char answer = 2;
  reference = binaryOf(*filter);
  EXPECT_EQ(S_OK, Services::IsIntersect(missesBinary, reference, kChange, answer));
  EXPECT_EQ(1, answer);

  KuvFltApplicability a, b;
  a.addCriteria(kDicoA, colours({21, 22}));
  b.addCriteria(kDicoA, colours({22, 21}));
  KuvBioBuffer aBinary = binaryOf(a), bBinary = binaryOf(b);
  EXPECT_EQ(S_OK, Services::IsEqual(aBinary, bBinary, KuvComparisonMode_All, answer));
  EXPECT_EQ(1, answer);
  b.addCriteria(kDicoB, colours({21}));
  EXPECT_EQ(S_OK, Services::IsEqual(a, b, answer));
  EXPECT_EQ(0, answer);
  b.addCriteria(kDicoA, colours({21}));
  aBinary = binaryOf(a);
  bBinary = binaryOf(b);
  EXPECT_EQ(S_OK, Services::IsIncluding(aBinary, bBinary, answer, KuvComparisonMode_All, KuvComparisonMode_All));
  EXPECT_EQ(1, answer);
  EXPECT_EQ(S_OK, Services::IsIncluding(b, a, answer));
  EXPECT_EQ(0, answer);
}

// A binary that does not read is refused with the reader's code, kinds the
// comparison does not take with E_INVALIDARG, and a list answers nothing; a
// refused call leaves the cursors where it found them.
TEST(FltBinaryComparison, RefusedBinaries) {
  const auto filter = filterOf({{kDws, kDicoA, {21}}});
  static const std::uint8_t garbage[] = {'f', 'l', 'x', 3, 0};
  KuvBioBuffer unreadable(garbage, sizeof garbage, 0), one = binaryOf(*filter), other = binaryOf(*filter);
  unsigned char answer = 2;
  EXPECT_TRACES(E_FAIL, "ERROR : CompiledBinaryParser::Read FAILED.",
                Services::IsIntersect(one, unreadable, KuvComparisonMode_All, answer));
  EXPECT_EQ(0u, one.getPosition());
  EXPECT_TRACES(E_INVALIDARG, "ERROR : unexpected kinds of compiled binaries",
                Services::IsIntersect(one, other, KuvComparisonMode_All, answer));
  EXPECT_EQ(0u, one.getPosition());
  EXPECT_EQ(0u, other.getPosition());
  KuvInList binaries(KuvBioBuffer::sType());
  binaries.PutBack(&unreadable);
  unsigned char* answers = nullptr;
  EXPECT_EQ(E_FAIL, Services::IsIncluding(one, binaries, KuvComparisonMode_All, KuvComparisonMode_All, answers));
  EXPECT_EQ(0u, one.getPosition());
  EXPECT_EQ(nullptr, answers);
}
