#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEffEngine/KuvEeNodeTestSupport.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using Services = KuvEeDnfComparisonServices;

namespace {

const KuvInGuid kModel = Guid(77).guid();

// Every variable of the model has a value: B's configurations all lie where
// a negation within the domain and a plain negation agree.
KuvEeNode* everythingValued(const TruthModel& m) {
  auto* product = static_cast<KuvEeGroupOp*>(And());
  for (const auto& option : m.options)
    product->addChild(
        new KuvEeVarEffLeaf(new KuvEeOptionEff(option.get(), KuvEeOptionEff::T | KuvEeOptionEff::F)));
  auto* colour = new KuvEeSelectionEff(m.selection.get(), KuvEeSelectionEff::AllFalse);
  for (KuvEeSelectionValue* value : m.values) colour->add(value);
  product->addChild(new KuvEeVarEffLeaf(colour));
  // Units and dates over the whole range.
  const auto whole = [product](auto* eff, const auto& range) {
    KuvInListVal ranges(range.sType());
    ranges.PutBack(range);
    eff->set(ranges);
    product->addChild(new KuvEeVarEffLeaf(eff));
  };
  whole(new KuvEeSerialEff(m.serial.get(), KuvEeSerialEff::AllFalse), KuvInSerialInterval());
  whole(new KuvEeDateEff(m.date.get(), KuvEeDateEff::AllFalse), KuvInDateInterval());
  return product;
}

}  // namespace

// On B whose configurations give every variable a value, the exact and the
// term-wise tests answer plain inclusion, and the cached test never claims
// "not included" wrongly (it only approximates from the other side).
TEST(DnfComparison, InclusionAgainstTheTruthTables) {
  TruthModel m;
  TreeGenerator generator(m, 41, {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true});
  int included = 0, refused = 0;
  for (int i = 0; i < 300; ++i) {
    const std::unique_ptr<KuvDnf> a(KuvEeDnfConvertor::NodeRef2Dnf(*generator.next()));
    const std::unique_ptr<KuvDnf> b(KuvEeDnfConvertor::NodeRef2Dnf(
        *own(And({generator.next()->getNode()->clone()->getNode(), everythingValued(m)}))));
    ASSERT_TRUE(a && b);
    const bool includes = (*dnfTable(m, *b) & ~*dnfTable(m, *a)).none();
    const HRESULT exact = Services::IsAIncludingB(a.get(), b.get(), kModel);
    // Not A is built by negation within the domain, which a leaf holding
    // the no-value element refuses (E_FAIL), and is refused when too large.
    if (exact == KUV_E_TOO_COMPLEX || exact == E_FAIL) {
      ++refused;
      continue;
    }
    const std::string texts = std::string(a->toString().ConvertToChar()) + b->toString().ConvertToChar();
    ASSERT_EQ(includes ? S_OK : 1, exact) << texts;
    ASSERT_EQ(exact, Services::IsAIncludingB_V2(a.get(), b.get(), kModel)) << texts;
    KuvDnf* cache = nullptr;
    const HRESULT approximate = Services::IsAIncludingB_V3(a.get(), b.get(), kModel, cache, 0);
    EXPECT_EQ(nullptr, cache);
    if (includes) {
      ASSERT_EQ(S_OK, approximate) << texts;
    }
    included += includes ? 1 : 0;
  }
  EXPECT_GT(included, 20);
  EXPECT_LT(refused, 150);
}

// Where not A multiplies out, B is tested against its factors instead of
// its terms: the answer (and failure) of the test that builds every term,
// which a traced call brings back. Term t keeps mostly to options of its
// own; B's terms are of both kinds.
TEST(DnfComparison, InclusionWithoutBuildingNotA) {
  std::mt19937 random(59);
  auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  auto randomDnf = [&](int fewest, int terms, int leaves) {
    auto dnf = std::make_unique<KuvDnf>(DNF_COND_NONE);
    for (int t = fewest + pick(terms); t > 0; --t) {
      KuvDnfAndTerm* term =
          KuvDnfAndTermFactory::create(pick(2) == 0 ? KuvDnfAndTermFactory::List : KuvDnfAndTermFactory::Map, 0);
      for (int l = 1 + pick(leaves); l > 0; --l) {
        const unsigned option = pick(6) == 0 ? pick(12) : 3 * (t - 1) + pick(3);
        const bool negated = pick(4) == 0;  // drawn in sequence: the same forms from every compiler
        const auto value = static_cast<std::uint32_t>(1 + pick(pick(4) == 0 ? 7 : 3));
        auto* leaf = new KuvDnfOptionEff(Guid(200 + option).guid(), Guid(1).guid(), value, negated);
        if (FAILED(term->addDnfLeaf(*leaf))) delete leaf;
      }
      dnf->addAndTerm(term);
    }
    return dnf;
  };
  for (int i = 0; i < 400; ++i) {
    std::unique_ptr<KuvDnf> a = randomDnf(2, 2, 3), b = randomDnf(1, 4, 4);
    HRESULT developed = S_OK;
    {
      ScopedFlags traced(KuvEeMakeDnfNode::traceChannel(), 3);
      developed = Services::IsAIncludingB(a.get(), b.get(), kModel);
    }
    ASSERT_EQ(developed, Services::IsAIncludingB(a.get(), b.get(), kModel))
        << a->toString().ConvertToChar() << b->toString().ConvertToChar();
  }
}

TEST(DnfComparison, TermLimitAndSpecialCases) {
  auto termOf = [](int leaves, bool negated = false) {
    auto* term = new KuvDnfAndTermMap(leaves);
    for (int i = 0; i < leaves; ++i)
      term->addDnfLeaf(*new KuvDnfOptionEff(Guid(100 + i).guid(), Guid(1).guid(), 1, negated));
    return term;
  };
  KuvDnf a(DNF_COND_NONE), b(DNF_COND_NONE);
  for (int n : {10, 10, 100}) a.addAndTerm(termOf(n));
  b.addAndTerm(termOf(1));
  ASSERT_EQ(0, unsetenv("CFG_MAX_ANDTERMS_NOTDNF"));
  EXPECT_EQ(KUV_E_TOO_COMPLEX, Services::IsAIncludingB(&a, &b, kModel));
  ASSERT_EQ(0, setenv("CFG_MAX_ANDTERMS_NOTDNF", "20000", 1));
  EXPECT_EQ(1, Services::IsAIncludingB(&a, &b, kModel));
  ASSERT_EQ(0, unsetenv("CFG_MAX_ANDTERMS_NOTDNF"));
  KuvDnf empty(DNF_COND_NONE);
  empty.addAndTerm(new KuvDnfAndTermMap);
  EXPECT_EQ(KUV_E_TOO_COMPLEX, Services::IsAIncludingB(&empty, &b, kModel));

  KuvDnf t(DNF_COND_TRUE), f(DNF_COND_FALSE);
  EXPECT_EQ(S_OK, Services::IsAIncludingB(&t, &b, kModel));
  EXPECT_EQ(S_OK, Services::IsAIncludingB(nullptr, &f, kModel));
  EXPECT_EQ(1, Services::IsAIncludingB(nullptr, &b, kModel));
  EXPECT_EQ(S_OK, Services::IsAIncludingB(&b, nullptr, kModel));
  EXPECT_EQ(1, Services::IsAIncludingB(&b, &t, kModel));
  EXPECT_EQ(1, Services::IsAIncludingB_V2(&f, &b, kModel));
  EXPECT_EQ(E_NOTIMPL, Services::IsEqual(t, f));
  // A term of B that no term of A meets ends the term-wise test at once.
  KuvDnf notB(DNF_COND_NONE);
  notB.addAndTerm(termOf(1, true));
  EXPECT_EQ(1, Services::IsAIncludingB_V2(&notB, &b, kModel));
}

// The cache holds B's elementary terms: a selection of two values is two
// terms; it survives only when asked to.
TEST(DnfComparison, CachedTestKeepsItsCacheOnlyWhenAsked) {
  auto colours = [](std::initializer_list<unsigned> values) {
    KuvDnf dnf(DNF_COND_NONE);
    auto* colour =
        new KuvDnfSelectionEff(Guid(5).guid(), static_cast<std::int32_t>(values.size()), false, false);
    for (unsigned value : values) colour->putValue(Guid(value).guid());
    auto* term = new KuvDnfAndTermMap;
    term->addDnfLeaf(*colour);
    dnf.addAndTerm(term);
    return dnf;
  };
  KuvDnf b = colours({6, 7}), a = colours({6});
  KuvDnf* cache = nullptr;
  EXPECT_EQ(1, Services::IsAIncludingB_V3(&a, &b, kModel, cache, 1));
  ASSERT_NE(nullptr, cache);
  EXPECT_EQ(2, cache->getNbAndTerms());
  EXPECT_EQ(1, Services::IsAIncludingB_V3(&a, &b, kModel, cache, 0));
  EXPECT_EQ(nullptr, cache);
  KuvDnf f(DNF_COND_FALSE);
  cache = new KuvDnf(DNF_COND_TRUE);
  EXPECT_EQ(S_OK, Services::IsAIncludingB_V3(&a, &f, kModel, cache, 0));
  EXPECT_EQ(nullptr, cache);
}

TEST(DnfComparison, CompareWithAList) {
  TruthModel m;
  TreeGenerator generator(m, 43, {.maxNodes = 5, .notFlag = false, .domainOverLeavesOnly = true});
  using C = KuvFilteringComparison;
  int asked = 0, agreed = 0;
  for (int round = 0; round < 40; ++round) {
    std::unique_ptr<KuvDnf> reference(KuvEeDnfConvertor::NodeRef2Dnf(*generator.next()));
    std::vector<std::unique_ptr<KuvDnf>> dnfs;
    KuvInList list(KuvDnf::sType());
    for (int i = 0; i < 4; ++i) {
      dnfs.emplace_back(KuvEeDnfConvertor::NodeRef2Dnf(*generator.next()));
      list.PutBack(dnfs.back().get());
    }
    const TruthTable r = *dnfTable(m, *reference);
    for (C::E_COMPARE_TEST_TYPE test : {C::CompareEqual, C::CompareIntersect, C::CompareIncluded}) {
      unsigned char* results = nullptr;
      ASSERT_EQ(S_OK, C::Compare_DNF_To_DNF(test, *reference, list, results, 0));
      for (int i = 0; i < 4; ++i) {
        const TruthTable d = *dnfTable(m, *dnfs[static_cast<std::size_t>(i)]);
        const bool truth = test == C::CompareIntersect ? (r & d).any()
                           : test == C::CompareIncluded ? (d & ~r).none()
                                                        : r == d;
        // Two negated leaves on one variable always meet, so the tests
        // may find an intersection where there is none: never miss one,
        // never claim an inclusion or equality that does not hold.
        const bool answer = results[i] != 0;
        if (test == C::CompareIntersect) {
          EXPECT_TRUE(answer || !truth) << reference->toString().ConvertToChar();
        } else {
          EXPECT_TRUE(truth || !answer) << test << reference->toString().ConvertToChar();
        }
        ++asked;
        agreed += answer == truth ? 1 : 0;
      }
      std::free(results);
    }
  }
  EXPECT_GT(agreed, asked * 9 / 10);
  // Constants, the empty list, and the switch restored either way.
  KuvDnf t(DNF_COND_TRUE), other(DNF_COND_NONE);
  other.addAndTerm(new KuvDnfAndTermMap);
  KuvInList list(KuvDnf::sType());
  list.PutBack(&t);
  list.PutBack(&other);
  unsigned char* results = nullptr;
  for (const auto& [test, second] : {std::pair{C::CompareEqual, 0}, {C::CompareIncluded, 1}}) {
    ASSERT_EQ(S_OK, C::Compare_DNF_To_DNF(test, t, list, results, 1));
    EXPECT_EQ(1, results[0]) << test;
    EXPECT_EQ(second, results[1]) << test;
    std::free(results);
  }
  KuvInList none(KuvDnf::sType());
  EXPECT_TRACES(E_FAIL, "ERROR: Empty input list.", C::Compare_DNF_To_DNF(C::CompareEqual, t, none, results, 1));
  EXPECT_EQ(E_FAIL, C::Compare_DNF_To_DNF(static_cast<C::E_COMPARE_TEST_TYPE>(7), t, list, results, 1));
  EXPECT_EQ(nullptr, results);
  EXPECT_EQ(1, CFG_DISABLE_EXCLUSIVES_VARIABLES);
}

// Equality and inclusion against a list where negations multiply their
// factors out: a reference, the same written in another order, a
// narrowing of it and another form; exact on these forms.
TEST(DnfComparison, CompareWithAListOfProductNegations) {
  TruthModel m;
  std::mt19937 random(41);
  using C = KuvFilteringComparison;
  int equal = 0, included = 0;
  for (int round = 0; round < 60; ++round) {
    SignedTerms terms = randomSignedTerms(random);
    const std::unique_ptr<KuvDnf> reference(signedTermsDnf(m, terms));
    std::vector<std::unique_ptr<KuvDnf>> dnfs;
    std::reverse(terms.begin(), terms.end());
    dnfs.emplace_back(signedTermsDnf(m, terms));
    terms.pop_back();
    dnfs.emplace_back(signedTermsDnf(m, terms));
    dnfs.emplace_back(signedTermsDnf(m, randomSignedTerms(random)));
    KuvInList list(KuvDnf::sType());
    for (const auto& dnf : dnfs) list.PutBack(dnf.get());
    const TruthTable r = *dnfTable(m, *reference);
    for (C::E_COMPARE_TEST_TYPE test : {C::CompareEqual, C::CompareIncluded}) {
      unsigned char* results = nullptr;
      ASSERT_EQ(S_OK, C::Compare_DNF_To_DNF(test, *reference, list, results, 0));
      for (std::size_t i = 0; i < dnfs.size(); ++i) {
        const TruthTable d = *dnfTable(m, *dnfs[i]);
        const bool truth = test == C::CompareIncluded ? (d & ~r).none() : r == d;
        EXPECT_EQ(truth ? 1 : 0, results[i]) << test << reference->toString().ConvertToChar();
        (test == C::CompareEqual ? equal : included) += truth ? 1 : 0;
      }
      std::free(results);
    }
  }
  EXPECT_GE(equal, 60);
  EXPECT_GE(included, 120);  // the reversed and the narrowed forms, every round
}
