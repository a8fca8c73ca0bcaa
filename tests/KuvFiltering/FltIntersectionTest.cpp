#include "KuvFiltering/FltForms.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using namespace filtering_test;

namespace {

// A part as one letter: T TRUE, F FALSE, A "x selected", B "not x
// selected" (disjoint from A). Filters state A, so T and A meet them.
KuvDnf* dnfOf(char part) {
  if (part == 'T') return new KuvDnf(DNF_COND_TRUE);
  if (part == 'F') return new KuvDnf(DNF_COND_FALSE);
  return optionDnf(10, part == 'B');
}

bool meets(char part) { return part == 'T' || part == 'A'; }

// parts[i]: the part of domain i + 1 over dictionary A in the given view,
// '-' for none.
void addParts(KuvFltEffectivity& effectivity, const std::string& parts, KuvExpressionView view) {
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (parts[i] != '-')
      effectivity.setDnf(static_cast<KuvDiversityDomain>(i + 1), view, kDicoA, dnfOf(parts[i]));
}

std::unique_ptr<KuvFltEffectivity> effectivityOf(const std::string& parts, KuvExpressionView view) {
  auto effectivity = std::make_unique<KuvFltEffectivity>();
  addParts(*effectivity, parts, view);
  return effectivity;
}

std::unique_ptr<KuvFltFilter> filterOf(const std::string& parts, KuvExpressionView view = CFG_EXPRVIEW_CURRENT) {
  auto filter = std::make_unique<KuvFltFilter>(view, kMode150);
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (parts[i] != '-') filter->setDnf(static_cast<KuvDiversityDomain>(i + 1), kDicoA, dnfOf(parts[i]));
  return filter;
}

HRESULT intersect(const KuvFltFilter& filter, const KuvFltEffectivity& effectivity, int mode,
                  unsigned char flag = 1) {
  return filter.isIntersect(effectivity, KuvComparisonMode_All, static_cast<KuvComparisonMode>(mode), flag);
}

// Whether a domain both sides state meets; nothing when either lacks it.
// Domain 2 of an effectivity without one, when decoupled, is its evolution
// and variant parts, both of which must meet.
std::optional<bool> domainOutcome(const std::string& filter, const std::string& eff, int domain, bool decoupled) {
  if (filter[domain - 1] == '-') return std::nullopt;
  if (eff[domain - 1] != '-') return meets(eff[domain - 1]);
  if (domain != 2 || !decoupled || (eff[3] == '-' && eff[4] == '-')) return std::nullopt;
  return (eff[3] == '-' || meets(eff[3])) && (eff[4] == '-' || meets(eff[4]));
}

}  // namespace

// Mode 1 passes unless a domain both sides state fails; mode 0 fails only
// when all three domains are stated on both sides and all fail. Every
// filter shape against every effectivity of five domains, each absent,
// TRUE, FALSE, meeting or disjoint.
TEST(FltFilterIntersection, DomainRulesAgainstADeclarativeModel) {
  const std::string letters = "-TFAB";
  for (unsigned shape = 0; shape < 8; ++shape) {
    std::string filterParts;
    for (int d = 0; d < 3; ++d) filterParts += (shape >> d & 1) != 0 ? 'A' : '-';
    const auto filter = filterOf(filterParts);
    for (int code = 0; code < 5 * 5 * 5 * 5 * 5; ++code) {
      std::string effParts;
      for (int d = 0, c = code; d < 5; ++d, c /= 5) effParts += letters[static_cast<std::size_t>(c % 5)];
      const auto eff = effectivityOf(effParts, CFG_EXPRVIEW_CURRENT);
      for (unsigned char decoupled : {0, 1}) {
        const KuvFltDecouplingGuard guard(decoupled);
        bool anyFails = false, allFail = true;
        for (int domain : {1, 2, 3}) {
          const std::optional<bool> outcome = domainOutcome(filterParts, effParts, domain, decoupled != 0);
          anyFails = anyFails || (outcome && !*outcome);
          allFail = allFail && outcome && !*outcome;
        }
        EXPECT_EQ(anyFails ? S_FALSE : S_OK, intersect(*filter, *eff, 1))
            << filterParts << " / " << effParts << " decoupled " << int(decoupled);
        EXPECT_EQ(allFail ? S_FALSE : S_OK, intersect(*filter, *eff, 0))
            << filterParts << " / " << effParts << " decoupled " << int(decoupled);
      }
    }
  }
}

// Domains are tested 3, 2, 1 and a decided domain ends the test: a later
// domain whose view is missing (a failure) is then never reached. Outcomes
// over one view are the declarative model's.
TEST(FltFilterIntersection, DomainOrderAndTheEdgeCases) {
  struct Row {
    const char* filter;
    const char* eff;           // domains 1..5 in view CURRENT
    const char* effSource;     // domains 1..5 in view SOURCE only
    int mode;
    HRESULT expected;
  } rows[] = {
      {"AAA", "--B--", "AA---", 1, S_FALSE},  // 3 fails before 2 and 1 miss their view
      {"AAA", "--A--", "AA---", 0, S_OK},     // 3 meets before 2 and 1 miss their view
      {"AAA", "--A--", "AA---", 1, E_FAIL},   // 2 has no CURRENT view
      {"AAA", "-BB--", "B----", 0, E_FAIL},   // mode 0 goes on after failing 3 and 2
      {"AA-", "-B---", "B----", 0, S_OK},     // mode 0 ends where the filter lacks 3
  };
  for (const Row& row : rows) {
    const auto filter = filterOf(row.filter);
    auto eff = effectivityOf(row.eff, CFG_EXPRVIEW_CURRENT);
    addParts(*eff, row.effSource, CFG_EXPRVIEW_SOURCE);
    const std::string traced = captured([&] { EXPECT_EQ(row.expected, intersect(*filter, *eff, row.mode)); });
    EXPECT_EQ(row.expected == E_FAIL, traced.find("ERROR, requested view does not exist") != std::string::npos)
        << row.filter << " / " << row.eff << "\n" << traced;
  }
}

// A view the filter asks for is read when present; otherwise view 3 stands
// for it, except in domain 2. View 3 is asked only of view 3. The used
// view holds A, the others B, so the answer tells which was read.
TEST(FltFilterIntersection, ViewFallBack) {
  struct Row {
    KuvDiversityDomain domain;
    KuvExpressionView asked;
    const char* views;  // parts of views 0..3
    HRESULT expected;
  } rows[] = {
      {KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, "AB-B", S_OK},
      {KuvDiversityDomain_DWS, CFG_EXPRVIEW_PROJECTED, "B--A", S_OK},
      {KuvDiversityDomain_DWS, CFG_EXPRVIEW_NONE, "AAA-", E_FAIL},
      {KuvDiversityDomain_DWS, CFG_EXPRVIEW_NONE, "B--A", S_OK},
      {KuvDiversityDomain_EngineeringActivation, CFG_EXPRVIEW_CURRENT, "A--B", S_FALSE},
      {KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, "BA-B", S_OK},
      {KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_PROJECTED, "---A", E_FAIL},
      {KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_NONE, "---A", S_OK},
  };
  for (const Row& row : rows) {
    KuvFltFilter filter(row.asked, kMode150);
    filter.setDnf(row.domain, kDicoA, dnfOf('A'));
    KuvFltEffectivity eff;
    for (int v = 0; v < 4; ++v)
      if (row.views[v] != '-')
        eff.setDnf(row.domain, static_cast<KuvExpressionView>(v), kDicoA, dnfOf(row.views[v]));
    EXPECT_EQ(row.expected, intersect(filter, eff, 1)) << row.domain << " asks " << row.asked << " of " << row.views;
  }
  // The service reports the failure of the view test and gives no answer.
  KuvFltFilter filter(CFG_EXPRVIEW_PROJECTED, kMode150);
  filter.setDnf(KuvDiversityDomain_ConfigChange, kDicoA, dnfOf('A'));
  KuvFltEffectivity eff;
  eff.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_NONE, kDicoA, dnfOf('A'));
  unsigned char answer = 2;
  const std::string traced = captured([&] {
    EXPECT_EQ(E_FAIL, KuvFltComparisonServices::IsIntersect(filter, eff, KuvComparisonMode_All, KuvComparisonMode_All,
                                                           answer, 1));
  });
  EXPECT_EQ(0, answer);
  for (const char* message : {"ERROR, requested view does not exist", "ERROR : isIntersect FAILED"})
    EXPECT_NE(std::string::npos, traced.find(message)) << traced;
}

// With the flag set one meeting pair of forms is enough, whatever their
// dictionaries; with it clear forms are paired by dictionary and the
// filter's last dictionary answers.
TEST(FltFilterIntersection, DictionaryFlag) {
  struct Row {
    const char* filter;  // parts over dictionaries A and B
    const char* eff;
    HRESULT flagSet;
    HRESULT flagClear;
  } rows[] = {
      {"A-", "-A", S_OK, S_FALSE},  // different dictionaries
      {"AB", "AA", S_OK, S_FALSE},  // the last dictionary fails
      {"BA", "AA", S_OK, S_OK},     // the last dictionary meets
      {"BB", "AA", S_FALSE, S_FALSE},
      {"AA", "FB", S_FALSE, S_FALSE},
      {"TF", "F-", S_FALSE, S_FALSE},
      {"BT", "A-", S_OK, S_FALSE},
  };
  for (const Row& row : rows) {
    KuvFltFilter filter(CFG_EXPRVIEW_SOURCE, kMode150);
    KuvFltEffectivity eff;
    const KuvInGuid dictionaries[] = {kDicoA, kDicoB};
    for (int i = 0; i < 2; ++i) {
      if (row.filter[i] != '-') filter.setDnf(KuvDiversityDomain_DWS, dictionaries[i], dnfOf(row.filter[i]));
      if (row.eff[i] != '-')
        eff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, dictionaries[i], dnfOf(row.eff[i]));
    }
    EXPECT_EQ(row.flagSet, intersect(filter, eff, 1, 1)) << row.filter << " / " << row.eff;
    EXPECT_EQ(row.flagClear, intersect(filter, eff, 1, 0)) << row.filter << " / " << row.eff;
  }
}

// The guard restores the switch; the test log says when domains 4 and 5
// stand in for domain 2.
TEST(FltFilterIntersection, DecouplingSwitchAndItsTrace) {
  const unsigned char before = CGE_DECOUPLE_VARIANT_EVOLUTION;
  {
    const KuvFltDecouplingGuard guard(before == 0 ? 1 : 0);
    EXPECT_NE(before, CGE_DECOUPLE_VARIANT_EVOLUTION);
  }
  EXPECT_EQ(before, CGE_DECOUPLE_VARIANT_EVOLUTION);

  const auto filter = filterOf("-A");
  const auto eff = effectivityOf("---A-", CFG_EXPRVIEW_CURRENT);
  const KuvFltDecouplingGuard guard(1);
  const ScopedFlags flags(KuvFltFilter::traceChannel(), 3);
  const std::string traced = captured([&] { EXPECT_EQ(S_OK, intersect(*filter, *eff, 1)); });
  for (const char* line : {"Testing intersection domain by domain between filter { FltFilter ( View : ",
                           "Decoupling is activated so Effectivity's domains Variant and Evolution will be "
                           "compared to filter's domain Config Change"})
    EXPECT_NE(std::string::npos, traced.find(line)) << traced;
}
