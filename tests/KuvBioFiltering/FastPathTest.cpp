#include "KuvBioDnf/BioDnfModel.h"
#include "KuvBioFiltering/FilteringTestSupport.h"
#include "KuvFltFastPath.h"
#include "support/KuvTestSupport.h"

class KuvFltFastPathTestAccess {
public:
  static void setOff(bool off) { KuvFltFastPath::s_off = off; }
};

namespace {

using namespace bio_dnf_test;
using namespace filtering_test;

// A leaf of a kind the fast path reads, on one of four variables, so that
// filter and object leaves often share their key.
std::unique_ptr<KuvDnfLeaf> keyedLeaf(std::mt19937& rng) {
  constexpr LeafKind sc_kinds[] = {LeafKind::Eff, LeafKind::Option, LeafKind::Selection, LeafKind::Date,
                                   LeafKind::Serial};
  for (;;) {
    std::unique_ptr<KuvDnfLeaf> leaf = randomLeaf(rng, sc_kinds[rng() % 5]);
    for (unsigned n = 1; n <= 4; ++n)
      if (leaf->getGuid() == kuv_test::Guid(n).guid()) return leaf;
  }
}

// TRUE, FALSE, or map terms of up to eight such leaves (a term refuses an
// inconsistent one), long enough that a flipped index can repeat a key in
// terms checked pair by pair and in terms sifted first; with anyKind,
// after terms with a leaf of every class.
KuvDnf* randomForm(std::mt19937& rng, bool anyKind) {
  if (rng() % 8 == 0) return new KuvDnf(rng() % 2 != 0 ? DNF_COND_TRUE : DNF_COND_FALSE);
  std::unique_ptr<KuvDnf> dnf =
      anyKind ? randomDnf(rng, KuvDnfAndTermFactory::Map, 1, 8) : std::make_unique<KuvDnf>(DNF_COND_NONE);
  for (int t = 1 + static_cast<int>(rng() % 2); t > 0; --t) {
    auto* term = new KuvDnfAndTermMap;
    for (int l = 1 + static_cast<int>(rng() % 8); l > 0; --l) {
      std::unique_ptr<KuvDnfLeaf> leaf = keyedLeaf(rng);
      if (term->addDnfLeaf(*leaf) == S_OK) leaf.release();
    }
    dnf->addAndTerm(term);
  }
  return dnf.release();
}

KuvInGuid dictionary(std::mt19937& rng) { return kuv_test::Guid(40 + rng() % 2).guid(); }

Bytes randomFilter(std::mt19937& rng, KuvExpressionView view) {
  KuvFltFilter filter(view, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) {
    // Drawn in sequence, so that every compiler makes the same filters.
    KuvDnf* form = randomForm(rng, rng() % 16 == 0);
    const KuvInGuid key = dictionary(rng);
    filter.setDnf(static_cast<KuvDiversityDomain>(1 + rng() % 3), key, form);
  }
  return compiled(filter);
}

// Forms in every domain, mostly the filter's, in its view or view 3; the binary
// as written, cut short, or with a few bits flipped. With wide, each form
// gets that many options of their own, each on its own feature, so that its
// table takes wider indices; in terms of 50, since the fast path leaves
// longer ones to the decoding test.
Bytes randomObject(std::mt19937& rng, KuvExpressionView filterView, unsigned wide = 0) {
  const auto wideGuid = [](unsigned n) {
    std::array<unsigned char, KuvInGuid::sc_size> bytes{0, 0, 0, 0, 0x5A};
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>((1000 + n) >> (8 * i));
    return KuvInGuid(bytes.data());
  };
  KuvFltEffectivity effectivity;
  for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) {
    const unsigned view = rng() % 5;
    const auto domain = static_cast<KuvDiversityDomain>(rng() % 4 == 0 ? 4 + rng() % 2 : 1 + rng() % 3);
    const auto formView = view < 2 ? filterView : static_cast<KuvExpressionView>(view < 4 ? 3 : rng() % 4);
    const KuvInGuid key = dictionary(rng);
    KuvDnf* form = randomForm(rng, rng() % 8 == 0);
    for (unsigned i = 0; wide > 0 && form->getSpecialCondition() == DNF_COND_NONE && i < wide; i += 50) {
      auto* term = new KuvDnfAndTermMap;
      for (unsigned l = i; l < std::min(wide, i + 50); ++l) {
        auto leaf = std::make_unique<KuvDnfOptionEff>(wideGuid(2 * l), wideGuid(2 * l + 1), 1 + l % 3, l % 2 != 0);
        if (term->addDnfLeaf(*leaf) == S_OK) leaf.release();
      }
      form->addAndTerm(term);
    }
    effectivity.setDnf(domain, formView, key, form);
  }
  Bytes bytes = compiled(effectivity);
  const unsigned damage = rng() % 6;
  if (damage == 1) bytes.resize(rng() % bytes.size());
  for (unsigned flips = damage == 2 ? 1 + rng() % 3 : 0; flips > 0; --flips)
    bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
  return bytes;
}

// A query's code, answers and printed lines, then each object's through
// the handler's single Apply.
std::string run(const Bytes& filter, const std::vector<Bytes>& objects) {
  const Binaries binaries(objects);
  std::string seen;
  seen += kuv_test::captured([&] {
    int* results = nullptr;
    seen += std::to_string(KuvFilteringServices::ApplyQuery(filter.data(), static_cast<unsigned int>(filter.size()),
                                                            binaries.data.data(), binaries.sizes.data(),
                                                            binaries.count(), results));
    for (std::size_t i = 0; results != nullptr && i < objects.size(); ++i)
      seen += " " + std::to_string(results[i]);
    std::free(results);
  });
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  for (std::size_t i = 0; i < objects.size(); ++i)
    seen += kuv_test::captured([&] {
      int result = 7;
      seen +=
          "\n" + std::to_string(handler.Apply(binaries.data[i], binaries.sizes[i], result)) + " " + std::to_string(result);
    });
  return seen;
}

// Every answer the fast path gives is the decoding test's, and queries and
// handlers answer, fail and print exactly as with the decoding test alone.
void expectTheDecodingTestsAnswers(const Bytes& filter, const std::vector<Bytes>& objects, int decided[2],
                                   int& undecided) {
  KuvFltFastPathTestAccess::setOff(true);
  const std::string slow = run(filter, objects);
  KuvFltFastPathTestAccess::setOff(false);
  ASSERT_EQ(slow, run(filter, objects));

  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  ASSERT_EQ(S_OK, handler.isValid());
  const KuvFltFastPath fast(*handler.getFilter());
  for (const Bytes& object : objects) {
    const int answer = fast.apply(object.data(), static_cast<unsigned int>(object.size()));
    int result = 7;
    KuvFltFastPathTestAccess::setOff(true);
    kuv_test::captured([&] { handler.Apply(object.data(), static_cast<unsigned int>(object.size()), result); });
    KuvFltFastPathTestAccess::setOff(false);
    if (answer == KuvFltFastPath::sc_undecided) {
      ++undecided;
      continue;
    }
    ASSERT_EQ(result, answer);
    ++decided[answer];
  }
}

}  // namespace

// Over random filters and objects, under both switches.
TEST(FastPath, AnswersAsTheDecodingTest) {
  std::mt19937 rng(17);
  int decided[2] = {0, 0};
  int undecided = 0;
  for (unsigned char decouple : {0, 1})
    for (unsigned char disable : {0, 1}) {
      const KuvFltDecouplingGuard decoupling(decouple);
      const KuvDnfExclusiveVariablesGuard exclusive(disable);
      for (int f = 0; f < 150; ++f) {
        const auto view = static_cast<KuvExpressionView>(rng() % 4);
        const Bytes filter = randomFilter(rng, view);
        std::vector<Bytes> objects;
        for (int o = 0; o < 12; ++o) objects.push_back(randomObject(rng, view));
        SCOPED_TRACE(f);
        expectTheDecodingTestsAnswers(filter, objects, decided, undecided);
        if (HasFatalFailure()) return;
      }
    }
  EXPECT_GT(decided[0], 300);
  EXPECT_GT(decided[1], 2000);
  EXPECT_GT(undecided, 2000);
}

// Tables of 256 entries or more take two-byte indices, of 65,536 or more
// four-byte ones (an option leaf puts two GUIDs in the table).
TEST(FastPath, WideTablesAnswerAsTheDecodingTest) {
  std::mt19937 rng(29);
  int decided[2] = {0, 0};
  int undecided = 0;
  for (const auto& [wide, filters] : {std::pair{200u, 40}, {33000u, 2}})
    for (int f = 0; f < filters; ++f) {
      const auto view = static_cast<KuvExpressionView>(rng() % 4);
      const Bytes filter = randomFilter(rng, view);
      std::vector<Bytes> objects;
      for (int o = 0; o < 4; ++o) objects.push_back(randomObject(rng, view, wide));
      SCOPED_TRACE(f);
      expectTheDecodingTestsAnswers(filter, objects, decided, undecided);
      if (HasFatalFailure()) return;
    }
  EXPECT_GT(decided[0] + decided[1], 20);
}

// A call made while the decoding test would print its steps takes that
// test, so that the steps are printed.
TEST(FastPath, StepsWantedOnlyFromTheDecodingTest) {
  EXPECT_TRUE(KuvFltFastPath::isUsable());
  const kuv_test::ScopedFlags steps(KuvDnfSelectionEff::traceChannel(), 7);
  EXPECT_FALSE(KuvFltFastPath::isUsable());
}

// An effectivity leaf on the null GUID, which no term takes: the object is
// left to the reader, which refuses it.
TEST(FastPath, NullEffectivityLeftToTheReader) {
  const auto view = static_cast<KuvExpressionView>(0);
  auto form = [] { return formOf(new KuvDnfEff(kuv_test::Guid(1).guid(), false)); };
  KuvFltFilter filter(view, KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT);
  filter.setDnf(KuvDiversityDomain_DWS, kuv_test::Guid(40).guid(), form());
  KuvFltEffectivity effectivity;
  effectivity.setDnf(KuvDiversityDomain_DWS, view, kuv_test::Guid(40).guid(), form());
  Bytes object = compiled(effectivity);
  const kuv_test::Guid named(1);
  const auto at = std::search(object.begin(), object.end(), named.bytes.begin(), named.bytes.end());
  ASSERT_NE(object.end(), at);
  std::fill(at, at + KuvInGuid::sc_size, 0);

  int decided[2] = {0, 0};
  int undecided = 0;
  expectTheDecodingTestsAnswers(compiled(filter), {object}, decided, undecided);
  EXPECT_EQ(1, undecided);
  const std::string answers = run(compiled(filter), {object});
  EXPECT_EQ(0u, answers.find("0 -1")) << answers;
}
