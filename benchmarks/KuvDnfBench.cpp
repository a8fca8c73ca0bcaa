// How the normal forms scale: developing Ands of Ors into terms, the exact
// inclusion test near its term limit and its refusal past it, the same
// inclusion questions put to an SMT solver as a yardstick, and one filter
// term against a large corpus of normal forms held in map or in list terms.
//
// The exact test spends its time building not A (a tree, a Not, the
// development back into terms), not in the term tests that follow.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include "KuvBenchSupport.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#ifdef KUV_BENCH_WITH_Z3
#include <z3++.h>
#endif

namespace {

std::array<unsigned char, 16> guid(unsigned n) { return kuv_bench::guid(n, 0x3D); }

KuvInGuid guidOf(unsigned n) { return KuvInGuid(guid(n).data()); }

void BM_NodeRef2DnfAndOfOrs(benchmark::State& state) {
  kuv_bench::AndOfOrs source(0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), 0x3D);
  std::int32_t terms = 0;
  for (auto _ : state) {
    std::unique_ptr<KuvDnf> dnf(KuvEeDnfConvertor::NodeRef2Dnf(*source.tree));
    if (!dnf) {
      state.SkipWithError("conversion failed");
      break;
    }
    terms = dnf->getNbAndTerms();
    state.PauseTiming();
    dnf.reset();
    state.ResumeTiming();
  }
  state.counters["terms"] = terms;
}
BENCHMARK(BM_NodeRef2DnfAndOfOrs)
    ->ArgNames({"ors", "width"})
    ->Args({13, 2})
    ->Args({10, 2})
    ->Args({6, 4})
    ->Args({4, 10})
    ->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Inclusion near the term limit. Every leaf is an option of one category,
// selected or rejected; the terms are map terms, as conversion makes them.

const KuvInGuid& optionCategory() {
  static const KuvInGuid category = guidOf(2);
  return category;
}

struct Literal {
  unsigned option;
  bool selected;
};
using Term = std::vector<Literal>;

std::unique_ptr<KuvDnf> dnfOf(const std::vector<Term>& terms) {
  auto dnf = std::make_unique<KuvDnf>(static_cast<std::int32_t>(terms.size()), DNF_COND_NONE);
  for (const Term& literals : terms) {
    auto* term = new KuvDnfAndTermMap(static_cast<std::int32_t>(literals.size()));
    for (const Literal& l : literals)
      term->addDnfLeaf(
          *new KuvDnfOptionEff(guidOf(1000 + l.option), optionCategory(),
                               l.selected ? KuvDnfOptionEff::Selected : KuvDnfOptionEff::Rejected, false));
    dnf->addAndTerm(term);
  }
  return dnf;
}

Term run(unsigned first, unsigned count) {
  Term term;
  for (unsigned i = 0; i < count; ++i) term.push_back({first + i, true});
  return term;
}

// The question "A includes B" with the answer both deciders must give.
struct InclusionCase {
  const char* name;
  std::vector<Term> a;
  std::vector<Term> b;
  HRESULT expected;
};

// Not A of two terms of 99 leaves holds 9,801 terms of two rejected
// options. Each B term selects three options of A's first term, so it is
// disjoint from the first few hundred of them, but it cannot include a
// 99-leaf term: 1.
InclusionCase twoTermsOf99() {
  InclusionCase c{"99x99", {run(0, 99), run(100, 99)}, {}, 1};
  for (unsigned t = 0; t < 100; ++t)
    c.b.push_back(
        {{t % 99, true}, {(t + 1) % 99, true}, {(t + 2) % 99, true}, {100 + t % 99, false}, {300 + t, true}});
  return c;
}

// A is the Or of a_k And b_k for k < 13: not A holds 8,192 terms of 13
// leaves. Every B term holds some a_k And b_k, so A includes B (0), which
// takes every pair of B and not-A terms; with missing, the last B term
// rejects its b_k and A no longer includes B (1), found at the last term.
InclusionCase thirteenPairs(bool missing) {
  InclusionCase c{missing ? "2^13_excluded" : "2^13_included", {}, {}, missing ? 1 : 0};
  for (unsigned k = 0; k < 13; ++k) c.a.push_back({{400 + k, true}, {420 + k, true}});
  for (unsigned t = 0; t < 100; ++t) {
    const unsigned k = t % 13;
    c.b.push_back({{400 + k, true},
                   {420 + k, !(missing && t == 99)},
                   {500 + (3 * t) % 60, true},
                   {500 + (3 * t + 1) % 60, false},
                   {500 + (3 * t + 2) % 60, true}});
  }
  return c;
}

// Four terms of nine leaves: 6,561 terms in not A. Each B term selects
// five options of A's first term, which cannot include any of A's terms: 1.
InclusionCase fourTermsOf9() {
  InclusionCase c{"9^4", {run(600, 9), run(609, 9), run(618, 9), run(627, 9)}, {}, 1};
  for (unsigned t = 0; t < 100; ++t) {
    Term term;
    for (unsigned j = 0; j < 5; ++j) term.push_back({600 + (t + j) % 9, true});
    c.b.push_back(term);
  }
  return c;
}

const std::vector<InclusionCase>& inclusionCases() {
  static const std::vector<InclusionCase> cases = {twoTermsOf99(), thirteenPairs(false), thirteenPairs(true),
                                                   fourTermsOf9()};
  return cases;
}

// One inclusion test over the shared questions, checked on every answer.
void runInclusion(benchmark::State& state, HRESULT (*test)(const KuvDnf*, const KuvDnf*, const KuvInGuid&)) {
  const InclusionCase& c = inclusionCases()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  std::unique_ptr<KuvDnf> a = dnfOf(c.a);
  std::unique_ptr<KuvDnf> b = dnfOf(c.b);
  const KuvInGuid model = guidOf(3);
  for (auto _ : state) {
    const HRESULT hr = test(a.get(), b.get(), model);
    if (hr != c.expected) {
      state.SkipWithError(("answered " + std::to_string(hr)).c_str());
      break;
    }
  }
}

void BM_IsAIncludingB(benchmark::State& state) { runInclusion(state, &KuvEeDnfComparisonServices::IsAIncludingB); }
BENCHMARK(BM_IsAIncludingB)->ArgName("case")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The term-wise test on the same questions: each B term against A's terms
// (inclusion, then intersection), the exact test on those it meets.
void BM_IsAIncludingB_V2(benchmark::State& state) {
  runInclusion(state, &KuvEeDnfComparisonServices::IsAIncludingB_V2);
}
BENCHMARK(BM_IsAIncludingB_V2)->ArgName("case")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Past the limit the test must refuse after reading the term sizes only.
// 100,000 terms of two leaves overflow the product after 31 terms; 99,998
// one-leaf terms keep it at 1 until two terms of 100 leaves reach 10,000 at
// the very end, so every term is read.
void BM_IsAIncludingBRefusal(benchmark::State& state) {
  const bool lateOverflow = state.range(0) != 0;
  state.SetLabel(lateOverflow ? "99998x1_then_2x100" : "100000x2");
  std::vector<Term> terms;
  for (unsigned t = 0; t < (lateOverflow ? 99998u : 100000u); ++t) {
    terms.push_back({{t % 5000, true}});
    if (!lateOverflow) terms.back().push_back({5000 + t % 5000, true});
  }
  if (lateOverflow) {
    terms.push_back(run(10000, 100));
    terms.push_back(run(10100, 100));
  }
  std::unique_ptr<KuvDnf> a = dnfOf(terms);
  std::unique_ptr<KuvDnf> b = dnfOf({run(0, 3)});
  const KuvInGuid model = guidOf(3);
  for (auto _ : state) {
    if (KuvEeDnfComparisonServices::IsAIncludingB(a.get(), b.get(), model) != KUV_E_TOO_COMPLEX) {
      state.SkipWithError("not refused");
      break;
    }
  }
}
BENCHMARK(BM_IsAIncludingBRefusal)->ArgName("late")->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

#ifdef KUV_BENCH_WITH_Z3
// The solver's view of the same DNFs: each option is two Booleans,
// selected and rejected, never both; neither is the option's no-value
// state. A leaf is the Or of the states its value bits admit, negated with
// the leaf. A includes B exactly when B And Not A is unsatisfiable.
class SolverEncoding {
public:
  z3::expr dnf(const KuvDnf& d) {
    if (d.getSpecialCondition() == DNF_COND_TRUE) return m_ctx.bool_val(true);
    z3::expr_vector terms(m_ctx);
    if (d.getSpecialCondition() == DNF_COND_NONE) {
      for (const KuvDnfAndTerm* term : d.andTerms()) {
        z3::expr_vector leaves(m_ctx);
        for (const KuvDnfLeaf* each : term->leaves()) leaves.push_back(leaf(*each));
        terms.push_back(z3::mk_and(leaves));
      }
    }
    return z3::mk_or(terms);
  }
  // The states no option can take at once, for every option seen so far.
  z3::expr domains() {
    z3::expr_vector exclusive(m_ctx);
    for (const auto& [key, states] : m_options) exclusive.push_back(!(states.first && states.second));
    return z3::mk_and(exclusive);
  }
  z3::context& context() { return m_ctx; }

private:
  z3::expr leaf(const KuvDnfLeaf& dnfLeaf) {
    const auto& option = static_cast<const KuvDnfOptionEff&>(dnfLeaf);
    const std::string key(reinterpret_cast<const char*>(option.getOption().getArray()), KuvInGuid::sc_size);
    auto found = m_options.find(key);
    if (found == m_options.end()) {
      const std::string name = "o" + std::to_string(m_options.size());
      found = m_options
                  .emplace(key, std::make_pair(m_ctx.bool_const((name + "s").c_str()),
                                               m_ctx.bool_const((name + "r").c_str())))
                  .first;
    }
    const z3::expr& s = found->second.first;
    const z3::expr& r = found->second.second;
    z3::expr_vector states(m_ctx);
    if ((option.getValue() & KuvDnfOptionEff::Selected) != 0) states.push_back(s);
    if ((option.getValue() & KuvDnfOptionEff::Rejected) != 0) states.push_back(r);
    if ((option.getValue() & KuvDnfOptionEff::NoVar) != 0) states.push_back(!s && !r);
    z3::expr admitted = z3::mk_or(states);
    return option.isNegated() ? !admitted : admitted;
  }

  z3::context m_ctx;
  std::map<std::string, std::pair<z3::expr, z3::expr>> m_options;
};

// Only the solving is timed: the formula is built once, a fresh solver
// takes it at every iteration.
void BM_Z3Inclusion(benchmark::State& state) {
  const InclusionCase& c = inclusionCases()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  SolverEncoding encoding;
  const z3::expr question = encoding.dnf(*dnfOf(c.b)) && !encoding.dnf(*dnfOf(c.a));
  const z3::expr formula = question && encoding.domains();
  for (auto _ : state) {
    z3::solver solver(encoding.context());
    solver.add(formula);
    const HRESULT answer = solver.check() == z3::unsat ? 0 : 1;
    if (answer != c.expected) {
      state.SkipWithError("unexpected answer");
      break;
    }
  }
}
BENCHMARK(BM_Z3Inclusion)->ArgName("case")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
#endif

// ---------------------------------------------------------------------------
// One filter term of 20 leaves against 100,000 normal forms of 5 to 50 terms
// of 3 to 10 leaves. The variables: 200 options in 20 categories and 30
// exclusive features of 2 to 8 values; the filter and three leaves in four
// use a popular eighth of them, as filters and the effectivities they
// select tend to share the main features.

constexpr unsigned kOptions = 200;
constexpr unsigned kFeatures = 30;
constexpr unsigned kPopularOptions = 24;
constexpr unsigned kPopularFeatures = 4;
constexpr int kCorpusSize = 100000;

class LeafMaker {
public:
  explicit LeafMaker(std::uint32_t seed) : m_random(seed) {
    std::uniform_int_distribution<int> values(2, 8);
    for (unsigned f = 0; f < kFeatures; ++f) m_featureValues.push_back(values(m_random));
  }

  // Leaves on `count` distinct variables, popular ones with odds `popular`.
  // A filter fixes values (an option selected or rejected, one value of a
  // feature); an effectivity's leaves admit sets of values and are negated
  // now and then.
  void fill(KuvDnfAndTerm& term, int count, double popular, bool fixed) {
    std::set<unsigned> used;
    while (static_cast<int>(used.size()) < count) {
      const bool hot = chance(popular);
      const bool isOption = chance(0.8);
      const unsigned range =
          isOption ? (hot ? kPopularOptions : kOptions) : (hot ? kPopularFeatures : kFeatures);
      const unsigned n = std::uniform_int_distribution<unsigned>(0, range - 1)(m_random);
      const unsigned variable = isOption ? n : kOptions + n;
      if (!used.insert(variable).second) continue;
      term.addDnfLeaf(isOption ? optionLeaf(n, fixed) : selectionLeaf(n, fixed));
    }
  }

  std::mt19937& random() { return m_random; }

private:
  bool chance(double odds) { return std::uniform_real_distribution<double>(0, 1)(m_random) < odds; }

  KuvDnfLeaf& optionLeaf(unsigned n, bool fixed) {
    const double draw = std::uniform_real_distribution<double>(0, 1)(m_random);
    std::uint32_t value = draw < 0.7 ? KuvDnfOptionEff::Selected : KuvDnfOptionEff::Rejected;
    if (fixed) value = draw < 0.5 ? KuvDnfOptionEff::Selected : KuvDnfOptionEff::Rejected;
    if (!fixed && draw >= 0.9) value = KuvDnfOptionEff::Selected | KuvDnfOptionEff::NoVar;
    return *new KuvDnfOptionEff(guidOf(20000 + n), guidOf(19000 + n / 10), value, !fixed && chance(0.15));
  }

  KuvDnfLeaf& selectionLeaf(unsigned f, bool fixed) {
    const int values = m_featureValues[f];
    const int count = fixed ? 1 : std::uniform_int_distribution<int>(1, std::min(3, values - 1))(m_random);
    const bool negated = !fixed && chance(0.1);  // drawn in sequence: the same forms from every compiler
    auto* leaf = new KuvDnfSelectionEff(guidOf(21000 + f), count, !fixed && chance(0.1), negated);
    while (leaf->getValues().GetLength() < count)
      leaf->putValue(
          guidOf(22000 + 16 * f + std::uniform_int_distribution<unsigned>(0, values - 1)(m_random)));
    return *leaf;
  }

  std::mt19937 m_random;
  std::vector<int> m_featureValues;
};

struct Corpus {
  explicit Corpus(KuvDnfAndTermFactory::E_Type kind) : kind(kind) {
    LeafMaker maker(20261206);
    auto* term = new KuvDnfAndTermMap(20);
    maker.fill(*term, 20, 1.0, true);
    filter.addAndTerm(term);
    std::uniform_int_distribution<int> termCount(5, 50);
    std::uniform_int_distribution<int> leafCount(3, 10);
    dnfs.reserve(kCorpusSize);
    for (int i = 0; i < kCorpusSize; ++i) {
      const int terms = termCount(maker.random());
      auto dnf = std::make_unique<KuvDnf>(terms, DNF_COND_NONE);
      for (int t = 0; t < terms; ++t) {
        const int leaves = leafCount(maker.random());
        KuvDnfAndTerm* each = KuvDnfAndTermFactory::create(kind, leaves);
        maker.fill(*each, leaves, 0.75, false);
        dnf->addAndTerm(each);
      }
      dnfs.push_back(std::move(dnf));
    }
  }
  KuvDnfAndTermFactory::E_Type kind;
  KuvDnf filter{1, DNF_COND_NONE};
  std::vector<std::unique_ptr<KuvDnf>> dnfs;
};

// The corpus takes seconds to build and a few gigabytes: one kind at a
// time, kept across the repetitions of a benchmark.
const Corpus& corpusOf(KuvDnfAndTermFactory::E_Type kind) {
  static std::unique_ptr<Corpus> current;
  if (!current || current->kind != kind) {
    current.reset();
    current = std::make_unique<Corpus>(kind);
  }
  return *current;
}

// range(0): the corpus' term kind; range(1): 1 when the filter's term is
// the outer one (it looks the corpus' leaves up), 0 when the corpus' terms
// are (a map term looks the filter's leaves up, a list term compares every
// pair).
void BM_FilterTermAgainstCorpus(benchmark::State& state) {
  const auto kind = static_cast<KuvDnfAndTermFactory::E_Type>(state.range(0));
  const bool filterOuter = state.range(1) != 0;
  const Corpus& corpus = corpusOf(kind);
  std::int64_t meeting = 0;
  for (auto _ : state) {
    meeting = 0;
    for (const std::unique_ptr<KuvDnf>& dnf : corpus.dnfs) {
      unsigned char meets = 0;
      const HRESULT hr =
          filterOuter ? corpus.filter.isIntersect(*dnf, meets) : dnf->isIntersect(corpus.filter, meets);
      if (FAILED(hr)) state.SkipWithError("isIntersect failed");
      meeting += meets;
    }
  }
  state.counters["per_test"] = benchmark::Counter(
      kCorpusSize, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["meeting"] = static_cast<double>(meeting) / kCorpusSize;
}
BENCHMARK(BM_FilterTermAgainstCorpus)
    ->ArgNames({"list0_map1", "filter_outer"})
    ->Args({KuvDnfAndTermFactory::Map, 1})
    ->Args({KuvDnfAndTermFactory::Map, 0})
    ->Args({KuvDnfAndTermFactory::List, 1})
    ->Args({KuvDnfAndTermFactory::List, 0})
    ->Unit(benchmark::kMillisecond);

// The leaf tests alone, in cache: a term of 8 options the filter does not
// constrain against the filter term; a list term compares all 160 pairs,
// a map term looks the filter's 20 leaves up.
void BM_TermAgainstFilterTerm(benchmark::State& state) {
  const auto kind = static_cast<KuvDnfAndTermFactory::E_Type>(state.range(0));
  LeafMaker maker(20261206);
  KuvDnfAndTermMap filter(20);
  maker.fill(filter, 20, 1.0, true);
  std::unique_ptr<KuvDnfAndTerm> term(KuvDnfAndTermFactory::create(kind, 8));
  for (unsigned i = 0; i < 8; ++i)
    term->addDnfLeaf(
        *new KuvDnfOptionEff(guidOf(30000 + i), guidOf(29000), KuvDnfOptionEff::Selected, false));
  for (auto _ : state) {
    unsigned char meets = 0;
    if (FAILED(term->isIntersect(filter, meets)) || meets == 0) state.SkipWithError("unexpected answer");
    benchmark::DoNotOptimize(meets);
  }
}
BENCHMARK(BM_TermAgainstFilterTerm)->ArgName("list0_map1")->DenseRange(0, 1);

}  // namespace
