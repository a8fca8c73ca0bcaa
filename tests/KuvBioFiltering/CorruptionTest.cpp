// Every prefix, bit flip and 0x00/0xFF byte of representative compiled
// binaries: the reader and the domain lookups give one of their codes and
// hand out nothing on failure; a query answers -1, 0 or 1 for a damaged
// object and never fails for it; what reads can be written again.
#include "KuvBioDnf/BioDnfModel.h"
#include "KuvBioFiltering/FilteringTestSupport.h"
#include "support/KuvMutations.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Bytes;
using kuv_test::Guid;
using Parser = KuvCompiledBinaryParser;
using filtering_test::compiled;
using filtering_test::optionDnf;

// Two terms: colours 31 or 32 with option 40, or not colour 33.
KuvDnf* colourForm() {
  auto* dnf = new KuvDnf(DNF_COND_NONE);
  for (bool first : {true, false}) {
    auto* colours = new KuvDnfSelectionEff(Guid(30).guid(), 2, !first, false);
    colours->putValue(Guid(first ? 31 : 33).guid());
    if (first) colours->putValue(Guid(32).guid());
    auto* term = new KuvDnfAndTermMap(2);
    term->addDnfLeaf(*colours);
    if (first) term->addDnfLeaf(*new KuvDnfOptionEff(Guid(40).guid(), Guid(41).guid(), 3, false));
    dnf->addAndTerm(term);
  }
  return dnf;
}

constexpr KuvDiversityDomain kDws = KuvDiversityDomain_DWS;
constexpr KuvDiversityDomain kChange = KuvDiversityDomain_ConfigChange;

std::unique_ptr<KuvFltFilter> filter() {
  auto made =
      std::make_unique<KuvFltFilter>(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  KuvDnf* shared = optionDnf(10, false);
  made->setDnf(kDws, Guid(1).guid(), shared);
  made->setDnf(kDws, Guid(2).guid(), shared);
  made->setDnf(kChange, Guid(3).guid(), colourForm());
  return made;
}

std::unique_ptr<KuvFltEffectivity> effectivity() {
  auto made = std::make_unique<KuvFltEffectivity>();
  made->setDnf(kDws, CFG_EXPRVIEW_CURRENT, Guid(1).guid(), optionDnf(10, true));
  made->setDnf(kDws, CFG_EXPRVIEW_SOURCE, Guid(2).guid(), colourForm());
  made->setDnf(kChange, CFG_EXPRVIEW_CURRENT, Guid(3).guid(), new KuvDnf(DNF_COND_FALSE));
  return made;
}

std::vector<Bytes> binaries() {
  KuvFltApplicability applicability;
  applicability.addCriteria(Guid(1).guid(), colourForm());
  applicability.addCriteria(Guid(2).guid(), new KuvDnf(DNF_COND_TRUE));
  KuvFltCompositionMatrix matrix;
  matrix.IF_SetCriteria(Guid(1).guid(), optionDnf(12, false));
  matrix.THEN_SetCriteria(Guid(2).guid(), colourForm());
  matrix.THEN_SetCriteria(Guid(3).guid(), new KuvDnf(DNF_COND_FALSE));
  return {compiled(*filter()), compiled(*effectivity()), compiled(applicability), compiled(matrix)};
}

TEST(CompiledBinary, EveryCorruptionIsRefusedOrUsable) {
  kuv_test::Outcomes reads;
  kuv_test::Outcomes lookups;
  for (const Bytes& valid : binaries())
    kuv_test::forEachVariant(valid, [&](const Bytes& bytes, const std::string& label) {
      kuv_test::expectReadOrRefused<KuvInObject>(
          bytes, label, reads, [](KuvBioBuffer& in, KuvInObject*& object) { return Parser::Read(in, object); },
          [](const KuvInObject& object) {
            KuvBioBufferOut again;
            Parser::Write(object, again);
          });
      HRESULT hr = S_OK;
      KuvBioBuffer table(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
      KuvInListVal domains(KuvInIntHolder::sType());
      kuv_test::captured([&] {
        hr = Parser::GetValuatedDomains(table, domains);
        lookups.add(hr);
        lookups.add(Parser::IsDomainValuated(table, kChange));
      });
      if (FAILED(hr)) {
        EXPECT_TRUE(domains.IsEmpty()) << label;
      }
      EXPECT_EQ(0u, table.getPosition()) << label;
    });
  reads.expectWithin({S_OK, E_FAIL}, "Read");
  lookups.expectWithin({S_OK, S_FALSE, E_FAIL}, "domains");
}

// A damaged object answers -1 or its verdict; the call fails only where
// the damage leaves a well-formed effectivity without the view the filter
// asks of its domain 2 (a failing intersection test fails the call). A
// damaged filter fails the call and hands out no answers.
TEST(CompiledBinary, QueriesOverDamagedBinaries) {
  const Bytes goodFilter = compiled(*filter());
  const Bytes goodObject = compiled(*effectivity());
  HRESULT hr = S_OK;
  kuv_test::Outcomes answers;
  kuv_test::forEachVariant(goodObject, [&](const Bytes& bytes, const std::string& label) {
    const std::uint8_t* object = bytes.data();
    const auto size = static_cast<unsigned>(bytes.size());
    int* answer = nullptr;
    const std::string traced = kuv_test::captured([&] {
      hr = KuvFilteringServices::ApplyQuery(goodFilter.data(), static_cast<unsigned>(goodFilter.size()),
                                            &object, &size, 1, answer);
    });
    if (FAILED(hr)) {
      EXPECT_EQ(nullptr, answer) << label;
      EXPECT_NE(std::string::npos, traced.find("ERROR, requested view does not exist")) << label << "\n"
                                                                                        << traced;
      answers.add(hr);
      return;
    }
    ASSERT_EQ(S_OK, hr) << label << "\n" << traced;
    answers.add(*answer);
    std::free(answer);
  });
  answers.expectWithin({-1, 0, 1, E_FAIL}, "answers");

  kuv_test::Outcomes filters;
  const std::uint8_t* object = goodObject.data();
  const auto objectSize = static_cast<unsigned>(goodObject.size());
  kuv_test::forEachVariant(goodFilter, [&](const Bytes& bytes, const std::string& label) {
    int* answer = nullptr;
    kuv_test::captured([&] {
      hr = KuvFilteringServices::ApplyQuery(bytes.data(), static_cast<unsigned>(bytes.size()), &object,
                                            &objectSize, 1, answer);
    });
    filters.add(hr);
    if (FAILED(hr)) {
      EXPECT_EQ(nullptr, answer) << label;
      return;
    }
    ASSERT_NE(nullptr, answer) << label;
    EXPECT_TRUE(*answer >= -1 && *answer <= 1) << label;
    std::free(answer);
  });
  filters.expectWithin({S_OK, E_FAIL, E_INVALIDARG}, "filter");
}

// The older FLT filter and filterable: readers of every view, of one view
// and the content analysis leave the cursor, the object and the
// classification alone on failure; what reads writes again.
TEST(KuvBioFilter, EveryCorruptionIsRefusedOrUsable) {
  std::mt19937 rng(17);
  using bio_dnf_test::randomDnf;
  constexpr auto Map = KuvDnfAndTermFactory::Map;
  KuvBioBufferOut filterOut;
  ASSERT_EQ(S_OK, KuvBioFilter::write(KuvFilter(CFG_EXPRVIEW_SOURCE, randomDnf(rng, Map, 2, 3).release(),
                                                KuvEeGenericExpression::CFG_LISTMODE_STRICT, Guid(3).guid()),
                                      filterOut));
  KuvFilterable filterable(Guid(4).guid());
  filterable.addView(new KuvFilteringView(CFG_EXPRVIEW_SOURCE, randomDnf(rng, Map, 1, 3).release()));
  filterable.addView(new KuvFilteringView(CFG_EXPRVIEW_CURRENT, randomDnf(rng, Map, 2, 2).release()));
  KuvBioBufferOut filterableOut;
  ASSERT_EQ(S_OK, KuvBioFilterable::write(filterable, filterableOut));
  KuvInSetVal current(KuvInIntHolder::sType());
  current.Put(KuvInIntHolder(CFG_EXPRVIEW_CURRENT));

  kuv_test::Outcomes outcomes;
  const Bytes filterBytes = bio_dnf_test::bytesOf(filterOut);
  kuv_test::forEachVariant(filterBytes, [&](const Bytes& bytes, const std::string& label) {
    kuv_test::expectReadOrRefused<KuvFilter>(
        bytes, label, outcomes, [](KuvBioBuffer& in, KuvFilter*& read) { return KuvBioFilter::read(in, read); },
        [](const KuvFilter& read) {
          KuvBioBufferOut again;
          KuvBioFilter::write(read, again);
        });
  });
  kuv_test::forEachVariant(bio_dnf_test::bytesOf(filterableOut), [&](const Bytes& bytes,
                                                                     const std::string& label) {
    for (const KuvInSetVal* wanted :
         {static_cast<const KuvInSetVal*>(nullptr), static_cast<const KuvInSetVal*>(&current)}) {
      kuv_test::expectReadOrRefused<KuvFilterable>(
          bytes, label, outcomes,
          [&](KuvBioBuffer& in, KuvFilterable*& read) {
            return wanted == nullptr ? KuvBioFilterable::read(in, read) : KuvBioFilterable::read(in, *wanted, read);
          },
          [](const KuvFilterable& read) {
            KuvBioBufferOut again;
            KuvBioFilterable::write(read, again);
          });
    }
    KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
    KuvEVCClassification found(0);
    found.setDate(1);
    const KuvEVCClassification before(found);
    HRESULT hr = S_OK;
    kuv_test::captured([&] { hr = KuvBioFilterable::analyzeEVCContent(in, current, found); });
    outcomes.add(hr);
    if (FAILED(hr)) {
      EXPECT_TRUE(before.equals(found)) << label;
      EXPECT_EQ(0u, in.getPosition()) << label;
    }
  });
  outcomes.expectWithin({S_OK, E_FAIL}, "FLT");
}

}  // namespace
