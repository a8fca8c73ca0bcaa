#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KuvCompiledBinaryParser.h"
#include "KuvDnfOptionEff.h"
#include "KuvDnfSelectionEff.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "KuvFltApplicability.h"
#include "KuvFltComparisonServices.h"
#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"
#include "KuvInList.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using Services = KuvFltComparisonServices;

namespace {

const KuvInGuid kDicoA = Guid(1).guid();
const KuvInGuid kDicoB = Guid(2).guid();
constexpr KuvFltFilter::SELECTION_MODE kMode150 = KuvEeFilterExpression::CFG_SELECTIONMODE_150;
constexpr KuvFltFilter::SELECTION_MODE kStrict = KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT;
constexpr KuvDiversityDomain kDws = KuvDiversityDomain_DWS;
constexpr KuvDiversityDomain kChange = KuvDiversityDomain_ConfigChange;
constexpr KuvDiversityDomain kActivation = KuvDiversityDomain_EngineeringActivation;

// The colour of feature 20 is one of the given values (21, 22, ...).
KuvDnf* colours(std::initializer_list<unsigned> values) {
  auto* leaf = new KuvDnfSelectionEff(Guid(20).guid(), static_cast<std::int32_t>(values.size()), false, false);
  for (unsigned v : values) leaf->putValue(Guid(v).guid());
  auto* term = new KuvDnfAndTermMap(1);
  term->addDnfLeaf(*leaf);
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  return dnf;
}

KuvDnf* option() {
  auto* term = new KuvDnfAndTermMap(1);
  term->addDnfLeaf(*new KuvDnfOptionEff(Guid(10).guid(), Guid(11).guid(), KuvDnfOptionEff::Selected, false));
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  dnf->addAndTerm(term);
  return dnf;
}

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
    const std::string texts = std::string(dnfA->toString().ConvertToChar()) + " / " + dnfB->toString().ConvertToChar();
    KuvFltFilter first(CFG_EXPRVIEW_CURRENT, kMode150), second(CFG_EXPRVIEW_CURRENT, kMode150);
    first.setDnf(kChange, kDicoA, dnfA);
    second.setDnf(kChange, kDicoA, dnfB);
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

// How the domains and dictionaries of two filters combine into their
// equality in both modes.
TEST(FltEquality, DomainsDictionariesAndModes) {
  struct Case {
    const char* name;
    std::unique_ptr<KuvFltFilter> a, b;
    int all, any;
  };
  Case cases[] = {
      {"both empty", filterOf({}), filterOf({}), 1, 0},
      {"other view", filterOf({}), filterOf({}, kMode150, CFG_EXPRVIEW_CURRENT), 0, 0},
      {"other selection mode", filterOf({{kDws, kDicoA, {21}}}), filterOf({{kDws, kDicoA, {21}}}, kStrict), 0, 0},
      {"one domain differs", filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {22}}}),
       filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {23}}}), 0, 1},
      {"domain only in the second", filterOf({{kDws, kDicoA, {21}}}),
       filterOf({{kDws, kDicoA, {21}}, {kActivation, kDicoA, {21}}}), 0, 1},
      {"domain only in the first", filterOf({{kDws, kDicoA, {21}}, {kActivation, kDicoA, {21}}}),
       filterOf({{kDws, kDicoA, {21}}}), 0, 1},
      {"dictionary the second lacks", filterOf({{kDws, kDicoA, {21}}, {kDws, kDicoB, {21}}}),
       filterOf({{kDws, kDicoA, {21}}}), 0, 0},
      {"the last dictionary decides", filterOf({{kDws, kDicoA, {21}}, {kDws, kDicoB, {21}}}),
       filterOf({{kDws, kDicoA, {22}}, {kDws, kDicoB, {21}}}), 1, 1},
  };
  for (const Case& c : cases) {
    unsigned char all = 2, any = 2;
    EXPECT_EQ(S_OK, Services::IsEqual(*c.a, *c.b, KuvComparisonMode_All, all)) << c.name;
    EXPECT_EQ(S_OK, Services::IsEqual(*c.a, *c.b, KuvComparisonMode_Any, any)) << c.name;
    EXPECT_EQ(c.all, all) << c.name;
    EXPECT_EQ(c.any, any) << c.name;
  }
}

// Applicabilities are equal dictionary by dictionary, on the same
// dictionaries only.
TEST(FltEquality, Applicabilities) {
  KuvFltApplicability a, same, other, more;
  a.addCriteria(kDicoA, colours({21, 22}));
  same.addCriteria(kDicoA, colours({22, 21}));
  other.addCriteria(kDicoA, colours({21}));
  more.addCriteria(kDicoA, colours({21, 22}));
  more.addCriteria(kDicoB, colours({21}));
  unsigned char answer = 2;
  EXPECT_EQ(S_OK, Services::IsEqual(a, same, answer));
  EXPECT_EQ(1, answer);
  EXPECT_EQ(S_OK, Services::IsEqual(a, other, answer));
  EXPECT_EQ(0, answer);
  EXPECT_EQ(S_OK, Services::IsEqual(a, more, answer));
  EXPECT_EQ(0, answer);
}

// Inclusion over written binaries answers as over the objects, refusals
// included, and frames its trace.
TEST(FltBinaryComparison, InclusionAgreesWithTheObjects) {
  const std::unique_ptr<KuvFltFilter> filters[] = {
      filterOf({{kDws, kDicoA, {21, 22}}, {kChange, kDicoA, {23}}}),
      filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {23}}}),
      filterOf({{kChange, kDicoA, {23}}}),
      filterOf({{kDws, kDicoA, {21}}}, kStrict),
  };
  auto withOption = std::make_unique<KuvFltFilter>(CFG_EXPRVIEW_SOURCE, kMode150);
  withOption->setDnf(kChange, kDicoA, option());
  std::vector<const KuvFltFilter*> all;
  for (const auto& f : filters) all.push_back(f.get());
  all.push_back(withOption.get());
  for (const KuvFltFilter* f : all) {
    for (const KuvFltFilter* g : all) {
      const HRESULT expected = f->isIncluding(*g);
      KuvBioBuffer a = binaryOf(*f), b = binaryOf(*g);
      unsigned char answer = 2;
      const HRESULT hr = Services::IsIncluding(a, b, answer, KuvComparisonMode_All, KuvComparisonMode_All);
      const std::string texts = text(*f) + text(*g);
      EXPECT_EQ(FAILED(expected) ? expected : S_OK, hr) << texts;
      if (SUCCEEDED(hr)) {
        EXPECT_EQ(expected == S_OK ? 1 : 0, answer) << texts;
      }
    }
  }
  KuvBioBuffer a = binaryOf(*filters[0]), b = binaryOf(*filters[1]);
  unsigned char answer = 2;
  ScopedFlags calls(Services::traceChannel(), 3);
  const std::string traced = captured([&] {
    EXPECT_EQ(S_OK, Services::IsIncluding(a, b, answer, KuvComparisonMode_All, KuvComparisonMode_All));
  });
  EXPECT_EQ(1, answer);
  const auto inputs = traced.find("IsIncluding global with inputs : FltFilter");
  EXPECT_NE(std::string::npos, inputs) << traced;
  EXPECT_LT(inputs, traced.find("Result is: 1")) << traced;
}

// Intersection and equality over binaries answer as over the objects, in
// either order of a filter and an effectivity, one by one and by lists.
TEST(FltBinaryComparison, IntersectionAndEqualityAgreeWithTheObjects) {
  const auto filter = filterOf({{kDws, kDicoA, {21}}, {kChange, kDicoA, {23}}});
  KuvFltEffectivity meets, misses, elsewhere;
  meets.setDnf(kDws, CFG_EXPRVIEW_SOURCE, kDicoA, colours({21, 22}));
  misses.setDnf(kDws, CFG_EXPRVIEW_SOURCE, kDicoA, colours({22}));
  misses.setDnf(kChange, CFG_EXPRVIEW_SOURCE, kDicoA, colours({23}));
  elsewhere.setDnf(kActivation, CFG_EXPRVIEW_SOURCE, kDicoA, colours({22}));
  const KuvFltEffectivity* effectivities[] = {&meets, &misses, &elsewhere};
  std::vector<std::unique_ptr<KuvBioBuffer>> held;
  KuvInList binaries(KuvBioBuffer::sType());
  std::vector<unsigned char> expected;
  for (const KuvFltEffectivity* e : effectivities) {
    unsigned char object = 2, forward = 2, backward = 2;
    ASSERT_EQ(S_OK, Services::IsIntersect(*filter, *e, KuvComparisonMode_All, KuvComparisonMode_All, object, 1));
    KuvBioBuffer f = binaryOf(*filter), b = binaryOf(*e);
    EXPECT_EQ(S_OK, Services::IsIntersect(f, b, KuvComparisonMode_All, forward));
    f = binaryOf(*filter);
    b = binaryOf(*e);
    EXPECT_EQ(S_OK, Services::IsIntersect(b, f, KuvComparisonMode_All, backward));
    EXPECT_EQ(object, forward);
    EXPECT_EQ(object, backward);
    expected.push_back(object);
    held.push_back(std::make_unique<KuvBioBuffer>(binaryOf(*e)));
    binaries.PutBack(held.back().get());
  }
  EXPECT_EQ((std::vector<unsigned char>{1, 0, 1}), expected);
  KuvBioBuffer reference = binaryOf(*filter);
  unsigned char* answers = nullptr;
  ASSERT_EQ(S_OK, Services::IsIntersect(reference, binaries, KuvComparisonMode_All, answers));
  const std::unique_ptr<unsigned char[]> owned(answers);
  EXPECT_EQ(expected, std::vector<unsigned char>(answers, answers + 3));

  struct DomainCase {
    KuvDiversityDomain domain;
    const KuvFltEffectivity* effectivity;
    unsigned char answer;
  };
  for (const DomainCase& c : {DomainCase{kDws, &misses, 0}, DomainCase{kChange, &misses, 1},
                              DomainCase{kDws, &elsewhere, 1}}) {
    KuvBioBuffer f = binaryOf(*filter), e = binaryOf(*c.effectivity);
    unsigned char answer = 2;
    EXPECT_EQ(S_OK, Services::IsIntersect(f, e, c.domain, answer));
    EXPECT_EQ(c.answer, answer) << c.domain;
  }

  const auto same = filterOf({{kChange, kDicoA, {23}}, {kDws, kDicoA, {21}}});
  KuvBioBuffer a = binaryOf(*filter), b = binaryOf(*same);
  unsigned char answer = 2;
  EXPECT_EQ(S_OK, Services::IsEqual(a, b, KuvComparisonMode_All, answer));
  EXPECT_EQ(1, answer);
  a = binaryOf(meets);
  b = binaryOf(misses);
  unsigned char object = 2;
  ASSERT_EQ(S_OK, Services::IsEqual(meets, misses, KuvComparisonMode_All, KuvComparisonMode_All, object));
  EXPECT_EQ(S_OK, Services::IsEqual(a, b, KuvComparisonMode_All, answer));
  EXPECT_EQ(object, answer);
}

// A binary that does not read is refused with the reader's code, kinds the
// comparison does not take with E_INVALIDARG, and a list answers nothing.
TEST(FltBinaryComparison, RefusedBinaries) {
  const auto filter = filterOf({{kDws, kDicoA, {21}}});
  static const std::uint8_t garbage[] = {'f', 'l', 'x', 3, 0};
  KuvBioBuffer bad(garbage, sizeof garbage, 0), good = binaryOf(*filter);
  unsigned char answer = 2;
  EXPECT_TRACES(E_FAIL, "ERROR : CompiledBinaryParser::Read FAILED.",
                Services::IsIntersect(good, bad, KuvComparisonMode_All, answer));
  good = binaryOf(*filter);
  KuvBioBuffer other = binaryOf(*filter);
  EXPECT_TRACES(E_INVALIDARG, "ERROR : unexpected kinds of compiled binaries",
                Services::IsIntersect(good, other, KuvComparisonMode_All, answer));
  good = binaryOf(*filter);
  KuvBioBuffer unreadable(garbage, sizeof garbage, 0);
  KuvInList binaries(KuvBioBuffer::sType());
  binaries.PutBack(&unreadable);
  unsigned char* answers = nullptr;
  EXPECT_EQ(E_FAIL, Services::IsIncluding(good, binaries, KuvComparisonMode_All, KuvComparisonMode_All, answers));
  EXPECT_EQ(nullptr, answers);
}
