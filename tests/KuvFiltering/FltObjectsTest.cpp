#include "KuvFiltering/FltForms.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using namespace filtering_test;

namespace {

class OneName : public KuvIDictionaryModelerAccess {
public:
  HRESULT GetName(const KuvInGuid& guid, KuvInString& name) const override {
    if (guid != kDicoA) return E_FAIL;
    name = "Model A";
    return S_OK;
  }
};

}  // namespace

TEST(FltObjects, TextsOfAFilterAndAnEffectivity) {
  OneName names;
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, kMode150);
  filter.setDnf(KuvDiversityDomain_DWS, kDicoB, new KuvDnf(DNF_COND_FALSE));
  filter.setDnf(KuvDiversityDomain_ConfigChange, kDicoA, new KuvDnf(DNF_COND_TRUE));
  EXPECT_EQ("FltFilter ( View : CFG_EXPRVIEW_CURRENT, Selection mode : CFG_SELECTIONMODE_150 )\n"
            " === Domain Config Change : \n"
            "\tView CFG_EXPRVIEW_CURRENT : \n"
            "\t\tDictionary Model A : DNF : \nTRUE\n"
            " === Domain DWS : \n"
            "\tView CFG_EXPRVIEW_CURRENT : \n"
            "\t\tDictionary 020000000000000000000000000000A5 : DNF : \nFALSE\n",
            std::string(filter.toString(&names).ConvertToChar()));

  KuvFltEffectivity eff;
  eff.setDnf(KuvDiversityDomain_EngineeringActivation, CFG_EXPRVIEW_NONE, kDicoB, new KuvDnf(DNF_COND_TRUE));
  eff.setDnf(KuvDiversityDomain_ConfigChangeEvolution, CFG_EXPRVIEW_PROJECTED, kDicoA, new KuvDnf(DNF_COND_FALSE));
  eff.setDnf(KuvDiversityDomain_ConfigChangeEvolution, CFG_EXPRVIEW_SOURCE, kDicoA, new KuvDnf(DNF_COND_TRUE));
  EXPECT_EQ("FltEffectivity : \n"
            " === Domain Config Change Evolution: \n"
            "\tView CFG_EXPRVIEW_SOURCE : \n"
            "\t\tDictionary Model A : DNF : \nTRUE\n"
            "\tView CFG_EXPRVIEW_PROJECTED : \n"
            "\t\tDictionary Model A : DNF : \nFALSE\n"
            " === Domain Engineering Activation : \n"
            "\tView ALL VIEWS : \n"
            "\t\tDictionary 020000000000000000000000000000A5 : DNF : \nTRUE\n",
            std::string(eff.toString(&names).ConvertToChar()));

  // A copy prints the same.
  const std::unique_ptr<KuvFltEffectivity> copy(eff.clone());
  EXPECT_EQ(eff.toString(&names), copy->toString(&names));
}

// Holders own what they are given: a replaced part is deleted, the same
// part set again is kept, a refused part stays the caller's, a form shared
// by two dictionaries is deleted once. Run under the address sanitizer.
TEST(FltObjects, ReplacementAndDeletionOfParts) {
  KuvFltEffectivity eff;
  auto* first = new KuvFltDomainEffectivity(KuvDiversityDomain_DWS);
  first->setDnf(CFG_EXPRVIEW_SOURCE, kDicoA, new KuvDnf(DNF_COND_TRUE));
  EXPECT_EQ(S_OK, eff.setDomainEffectivity(first));
  EXPECT_EQ(S_OK, eff.setDomainEffectivity(first));
  auto* second = new KuvFltDomainEffectivity(KuvDiversityDomain_DWS);
  EXPECT_EQ(S_OK, eff.setDomainEffectivity(second));
  EXPECT_EQ(second, eff.getDomainEffectivity(KuvDiversityDomain_DWS));
  EXPECT_EQ(1, eff.getNbDomainEffectivity());
  for (int domain : {0, 6}) {
    auto refused = std::make_unique<KuvFltDomainEffectivity>(static_cast<KuvDiversityDomain>(domain));
    EXPECT_TRACES(E_INVALIDARG, "ERROR : Put domain eff in map Failed", eff.setDomainEffectivity(refused.get()));
  }
  EXPECT_EQ(nullptr, eff.getDomainEffectivity(6));
  // Refused forms leave no empty domain or view behind.
  std::unique_ptr<KuvDnf> kept(colours({21}));
  EXPECT_TRACES(E_INVALIDARG, "ERROR : unexpected view",
                eff.setDnf(KuvDiversityDomain_EngineeringActivation, static_cast<KuvExpressionView>(7),
                           kDicoA, kept.get()));
  EXPECT_TRACES(E_INVALIDARG, "ERROR : null DNF",
                eff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoA, nullptr));
  EXPECT_EQ(nullptr, eff.getDomainEffectivity(KuvDiversityDomain_EngineeringActivation));
  EXPECT_EQ(0, second->getNbEffectivityViews());

  auto* view = new KuvFltEffectivityView(CFG_EXPRVIEW_CURRENT);
  EXPECT_EQ(S_OK, second->setEffectivityView(view));
  EXPECT_EQ(S_OK, second->setEffectivityView(new KuvFltEffectivityView(CFG_EXPRVIEW_CURRENT)));
  EXPECT_EQ(E_INVALIDARG, second->setEffectivityView(nullptr));
  second->setDnf(CFG_EXPRVIEW_CURRENT, kDicoA, new KuvDnf(DNF_COND_TRUE));
  second->setDnf(CFG_EXPRVIEW_CURRENT, kDicoA, new KuvDnf(DNF_COND_FALSE));
  EXPECT_EQ(DNF_COND_FALSE, eff.getDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoA)->getSpecialCondition());
  EXPECT_EQ(E_INVALIDARG, second->getEffectivityView(CFG_EXPRVIEW_CURRENT)->setDnf(kDicoB, nullptr));

  KuvFltFilter filter(CFG_EXPRVIEW_SOURCE, kMode150);
  auto* shared = new KuvDnf(DNF_COND_TRUE);
  filter.setDnf(KuvDiversityDomain_DWS, kDicoA, shared);
  filter.setDnf(KuvDiversityDomain_DWS, kDicoB, shared);
  std::unique_ptr<KuvFltFilter> copy(filter.clone());
  const KuvFltDomainFilter* copied = copy->getFilterForDomain(KuvDiversityDomain_DWS);
  EXPECT_EQ(copied->getDnf(kDicoA), copied->getDnf(kDicoB));
  EXPECT_NE(shared, copied->getDnf(kDicoA));
  filter.setDnf(KuvDiversityDomain_DWS, kDicoA, new KuvDnf(DNF_COND_FALSE));
  EXPECT_EQ(shared, filter.getDnf(KuvDiversityDomain_DWS, kDicoB));
  EXPECT_TRACES(E_INVALIDARG, "ERROR : null DNF",
                filter.setDnf(KuvDiversityDomain_ConfigChange, kDicoA, nullptr));
  EXPECT_EQ(1, filter.getNbDomainFilters());
  auto refused = std::make_unique<KuvFltDomainFilter>(static_cast<KuvDiversityDomain>(7), CFG_EXPRVIEW_SOURCE);
  EXPECT_TRACES(E_INVALIDARG, "ERROR : unexpected domain for a filter", filter.setFilterForDomain(refused.get()));
  EXPECT_EQ(S_OK, filter.setFilterForDomain(new KuvFltDomainFilter(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE)));
  EXPECT_EQ(0, filter.getFilterForDomain(KuvDiversityDomain_DWS)->getNbDictionaries());

  KuvFltCompositionMatrix matrix;
  matrix.IF_SetCriteria(kDicoA, new KuvDnf(DNF_COND_TRUE));
  matrix.IF_SetCriteria(kDicoA, colours({21}));
  matrix.THEN_SetCriteria(kDicoB, new KuvDnf(DNF_COND_FALSE));
  KuvInListVal dictionaries(KuvInGuid::sType());
  KuvInList dnfs(KuvDnf::sType());
  EXPECT_EQ(S_OK, matrix.IF_GetAllCriteria(dictionaries, dnfs));
  ASSERT_EQ(1, dnfs.GetLength());
  EXPECT_EQ(matrix.IF_GetCriteria(kDicoA), dnfs.Get(0));
  std::unique_ptr<KuvFltCompositionMatrix> matrixCopy(matrix.clone());
  EXPECT_EQ(matrix.toString(), matrixCopy->toString());
}

// Filter inclusion, domain by domain: 150% filters only, no options, a
// domain the including filter lacks includes.
TEST(FltObjects, FilterInclusion) {
  auto filterOf = [](KuvFltFilter::SELECTION_MODE mode, KuvDnf* dws, KuvDnf* change) {
    auto filter = std::make_unique<KuvFltFilter>(CFG_EXPRVIEW_SOURCE, mode);
    if (dws != nullptr) filter->setDnf(KuvDiversityDomain_DWS, kDicoA, dws);
    if (change != nullptr) filter->setDnf(KuvDiversityDomain_ConfigChange, kDicoA, change);
    return filter;
  };
  const auto wide = filterOf(kMode150, colours({21, 22}), colours({23}));
  const auto narrow = filterOf(kMode150, colours({21}), colours({23}));
  const auto noDws = filterOf(kMode150, nullptr, colours({23}));
  EXPECT_EQ(S_OK, wide->isIncluding(*narrow));
  EXPECT_EQ(S_OK, wide->isIncluding(*wide));
  EXPECT_EQ(S_FALSE, narrow->isIncluding(*wide));
  EXPECT_EQ(S_OK, noDws->isIncluding(*narrow));
  EXPECT_EQ(S_FALSE, narrow->isIncluding(*noDws));
  EXPECT_EQ(S_OK, narrow->isIncluding(*wide, KuvDiversityDomain_ConfigChange));
  const auto strict = filterOf(KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT, colours({21}), nullptr);
  EXPECT_TRACES(KUV_E_FLT_SELECTION_MODE, "CFG_SELECTIONMODE_150", wide->isIncluding(*strict));
  const auto options = filterOf(kMode150, nullptr, optionDnf(10, false));
  EXPECT_TRACES(KUV_E_FLT_OPTIONS, "options", wide->isIncluding(*options));
  // A domain that does not include (Config Change) does not end the test;
  // the refusal of a later one does.
  const auto optionsElsewhere = filterOf(kMode150, optionDnf(10, false), colours({24}));
  EXPECT_TRACES(KUV_E_FLT_OPTIONS, "options", narrow->isIncluding(*optionsElsewhere));
  EXPECT_TRACES(E_NOTIMPL, "ERROR : isEqual on one domain failed", wide->isEqual(*wide));

  KuvFltEffectivity eff;
  eff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoA, colours({21}));
  EXPECT_EQ(S_OK, wide->testInclusion(eff, KuvDiversityDomain_DWS, 0));
  EXPECT_EQ(S_FALSE, wide->testInclusion(eff, KuvDiversityDomain_DWS, 1));
  EXPECT_EQ(S_OK, narrow->testInclusion(eff, KuvDiversityDomain_DWS, 1));
  EXPECT_EQ(S_FALSE, wide->testInclusion(eff, KuvDiversityDomain_ConfigChange, 0));
  EXPECT_EQ(S_OK, wide->testInclusion(eff, KuvDiversityDomain_ConfigChange, 1));
  EXPECT_EQ(S_OK, wide->testInclusion(eff, KuvDiversityDomain_EngineeringActivation, 0));
}

// Merging adds the other filter's dictionaries and Ors the forms of a
// dictionary both state; filters of other views are refused.
TEST(FltObjects, MergeOfFilters) {
  KuvFltFilter into(CFG_EXPRVIEW_SOURCE, kMode150);
  into.setDnf(KuvDiversityDomain_DWS, kDicoA, colours({21}));
  KuvFltFilter other(CFG_EXPRVIEW_SOURCE, kMode150);
  other.setDnf(KuvDiversityDomain_DWS, kDicoA, colours({22}));
  other.setDnf(KuvDiversityDomain_DWS, kDicoB, new KuvDnf(DNF_COND_TRUE));
  other.setDnf(KuvDiversityDomain_ConfigChange, kDicoA, colours({23}));
  ASSERT_EQ(S_OK, into.MergeWithFilter(other));
  EXPECT_EQ(2, into.getDnf(KuvDiversityDomain_DWS, kDicoA)->getNbAndTerms());
  EXPECT_EQ(DNF_COND_TRUE, into.getDnf(KuvDiversityDomain_DWS, kDicoB)->getSpecialCondition());
  EXPECT_EQ(other.getFilterForDomain(KuvDiversityDomain_ConfigChange)->toString(),
            into.getFilterForDomain(KuvDiversityDomain_ConfigChange)->toString());
  KuvFltFilter current(CFG_EXPRVIEW_CURRENT, kMode150);
  EXPECT_TRACES(E_INVALIDARG, "ERROR : cannot merge filters", into.MergeWithFilter(current));
}

// The intersection of two effectivities keeps what one alone constrains
// and Ands the forms both state; pairs of terms that cannot meet go.
TEST(FltObjects, IntersectionOfEffectivities) {
  KuvFltEffectivity a, b;
  a.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoA, colours({21, 22}));
  a.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoA, colours({21}));
  a.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_SOURCE, kDicoA, new KuvDnf(DNF_COND_TRUE));
  b.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoA, colours({22, 23}));
  b.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoA, colours({23}));
  b.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoB, colours({23}));
  KuvFltEffectivity* both = nullptr;
  ASSERT_EQ(S_OK, KuvFltObjectServices::GetIntersectionOfEffectivities(a, b, both));
  std::unique_ptr<KuvFltEffectivity> owned(both);
  EXPECT_EQ(DNF_COND_TRUE, both->getDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_SOURCE, kDicoA)->getSpecialCondition());
  EXPECT_EQ(1, both->getDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoA)->getNbAndTerms());
  EXPECT_EQ(DNF_COND_FALSE, both->getDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoA)->getSpecialCondition());
  EXPECT_EQ(nullptr, both->getDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_CURRENT, kDicoB));

  unsigned char answer = 2;
  EXPECT_EQ(S_OK, a.isIntersect(b, KuvComparisonMode_All, KuvComparisonMode_All, answer));
  EXPECT_EQ(0, answer);
  EXPECT_EQ(S_OK, a.isIntersect(b, KuvComparisonMode_Any, KuvComparisonMode_All, answer));
  EXPECT_EQ(1, answer);
  // Forms of other dictionaries meet only with the dictionary flag.
  KuvFltEffectivity elsewhere;
  elsewhere.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoB, colours({21}));
  for (unsigned char flag : {0, 1}) {
    EXPECT_EQ(S_OK, KuvFltComparisonServices::IsIntersect(a, elsewhere, KuvComparisonMode_All,
                                                          KuvComparisonMode_All, answer, flag));
    EXPECT_EQ(flag, answer);
  }
  EXPECT_EQ(S_OK, both->isIncluding(b, answer));
  EXPECT_EQ(0, answer);
  EXPECT_EQ(S_OK, a.isEqual(a, answer));
  EXPECT_EQ(1, answer);
  EXPECT_EQ(E_INVALIDARG, KuvFltObjectServices::GetIntersectionOfEffectivities(a, b, both));
}

// Wrappers of different parser versions are not compared.
TEST(FltObjects, MultiVersionPairsMustAgree) {
  auto* filter = new KuvFltFilter(CFG_EXPRVIEW_SOURCE, kMode150);
  filter->setDnf(KuvDiversityDomain_DWS, kDicoA, colours({21}));
  auto* eff = new KuvFltEffectivity();
  eff->setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoA, colours({21, 22}));
  const KuvMultiVersionFilter wrappedFilter(3, filter);
  KuvMultiVersionEffectivity wrappedEff(3, eff);
  const KuvMultiVersionEffectivity otherVersion(4, nullptr);
  unsigned char answer = 2;
  EXPECT_EQ(S_OK, wrappedFilter.isIntersect(wrappedEff, answer));
  EXPECT_EQ(1, answer);
  EXPECT_TRACES(E_INVALIDARG, "ERROR : filter and effectivity of different parser versions",
                wrappedFilter.isIntersect(otherVersion, answer));
  std::unique_ptr<KuvFltEffectivity> released(wrappedEff.release());
  EXPECT_EQ(eff, released.get());
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", wrappedFilter.isIntersect(wrappedEff, answer));
}

// An applicability meets a filter's Config Change part over the
// dictionaries both state: mode 1 needs every pair, mode 0 one.
TEST(FltObjects, FilterAgainstApplicability) {
  const struct {
    unsigned filterA, filterB;  // colour values of the filter's forms, 0 for none
    unsigned appA, appB;        // of the applicability's
    unsigned char all, any;
  } rows[] = {
      {21, 22, 21, 22, 1, 1}, {21, 22, 21, 23, 0, 1}, {21, 22, 23, 23, 0, 0},
      {21, 0, 0, 22, 1, 1},   {0, 0, 23, 23, 1, 1},
  };
  for (const auto& row : rows) {
    KuvFltFilter filter(CFG_EXPRVIEW_SOURCE, kMode150);
    KuvFltApplicability applicability;
    if (row.filterA != 0) filter.setDnf(KuvDiversityDomain_ConfigChange, kDicoA, colours({row.filterA}));
    if (row.filterB != 0) filter.setDnf(KuvDiversityDomain_ConfigChange, kDicoB, colours({row.filterB}));
    if (row.appA != 0) applicability.addCriteria(kDicoA, colours({row.appA}));
    if (row.appB != 0) applicability.addCriteria(kDicoB, colours({row.appB}));
    unsigned char all = 2, any = 2;
    EXPECT_EQ(S_OK, KuvFltComparisonServices::IsIntersect(filter, applicability, KuvComparisonMode_All, all));
    EXPECT_EQ(S_OK, KuvFltComparisonServices::IsIntersect(filter, applicability, KuvComparisonMode_Any, any));
    EXPECT_EQ(row.all, all) << row.filterA << row.filterB << " / " << row.appA << row.appB;
    EXPECT_EQ(row.any, any) << row.filterA << row.filterB << " / " << row.appA << row.appB;
  }
}

// The dictionaries of an effectivity once each, in domain, view and entry
// order; an effectivity is valid when every domain states something.
TEST(FltObjects, DictionariesAndValidityOfAnEffectivity) {
  KuvFltEffectivity eff;
  EXPECT_EQ(S_FALSE, eff.isEffectivityValid());
  eff.setDnf(KuvDiversityDomain_ConfigChange, CFG_EXPRVIEW_CURRENT, kDicoB, new KuvDnf(DNF_COND_TRUE));
  eff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_NONE, kDicoA, new KuvDnf(DNF_COND_TRUE));
  eff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, kDicoB, new KuvDnf(DNF_COND_TRUE));
  KuvInListVal dictionaries(KuvInGuid::sType());
  ASSERT_EQ(S_OK, eff.getDictionaries(dictionaries));
  EXPECT_EQ((std::vector<std::string>{text(kDicoB), text(kDicoA)}), textsOf(dictionaries));
  EXPECT_EQ(S_OK, eff.isEffectivityValid());
  eff.setDomainEffectivity(new KuvFltDomainEffectivity(KuvDiversityDomain_EngineeringActivation));
  EXPECT_EQ(S_FALSE, eff.isEffectivityValid());
}

// The visitor sees every form of a filter, domain by domain, and a
// failure stops the walk.
TEST(FltObjects, VisitorOverTheFormsOfAFilter) {
  struct Recorder : KuvFltDnfVisitor {
    HRESULT visitDnf(KuvDiversityDomain domain, const KuvInGuid& dictionary, KuvDnf&) override {
      seen.push_back(std::to_string(domain) + (dictionary == kDicoA ? "A" : "B"));
      return seen.size() == stopAfter ? E_FAIL : S_OK;
    }
    std::vector<std::string> seen;
    std::size_t stopAfter = 0;
  } recorder;
  KuvFltFilter filter(CFG_EXPRVIEW_SOURCE, kMode150);
  filter.setDnf(KuvDiversityDomain_EngineeringActivation, kDicoB, new KuvDnf(DNF_COND_TRUE));
  filter.setDnf(KuvDiversityDomain_DWS, kDicoB, new KuvDnf(DNF_COND_TRUE));
  filter.setDnf(KuvDiversityDomain_DWS, kDicoA, new KuvDnf(DNF_COND_TRUE));
  EXPECT_EQ(S_OK, filter.runDnfVisitor(recorder));
  EXPECT_EQ((std::vector<std::string>{"1B", "1A", "3B"}), recorder.seen);
  recorder.seen.clear();
  recorder.stopAfter = 2;
  EXPECT_EQ(E_FAIL, filter.runDnfVisitor(recorder));
  EXPECT_EQ(2u, recorder.seen.size());
}
