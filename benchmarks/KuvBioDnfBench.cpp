// Writing and reading binary normal forms, as compiled binaries are read
// for every object a filter is applied to. The argument is the number of
// and-terms, each of eight leaves of the usual kinds (two options, a
// selection of two values, serial, date, tree series and milestone
// ranges, an effectivity) on variables drawn from a model of 200.
#include <benchmark/benchmark.h>

#include <memory>

#include "KuvBenchSupport.h"

namespace {

constexpr unsigned char sc_tag = 0x4D;

KuvInGuid variable(unsigned n) { return KuvInGuid(kuv_bench::guid(n % 200 + 1, sc_tag).data()); }

std::unique_ptr<KuvDnf> makeDnf(int terms) {
  KuvInSerialInterval serial;
  serial.setInterval(10, true, 20, false);
  KuvInDateInterval dates;
  dates.setInterval(KuvInDate(2020, 1, 1, 1, 1, 1), KuvInDate(2021, 6, 30, 24, 60, 60));
  KuvInTreeEvalIndexBound from(1);
  from.AddNewLevelWithValue(4);
  const KuvInTreeEvalInterval tree(from, true, KuvInTreeEvalIndexBound(3), false);
  const KuvInMilestonesEvalInterval track(KuvInMilestonesEvalIntervalValue(from), true,
                                          KuvInMilestonesEvalIntervalValue(KuvInTreeEvalIndexBound(2)), true);
  KuvInListVal serials(KuvInSerialInterval::sType());
  serials.PutBack(serial);
  KuvInListVal dateRanges(KuvInDateInterval::sType());
  dateRanges.PutBack(dates);
  KuvInListVal trees(KuvInTreeEvalInterval::sType());
  trees.PutBack(tree);
  KuvInListVal tracks(KuvInMilestonesEvalInterval::sType());
  tracks.PutBack(track);

  auto dnf = std::make_unique<KuvDnf>(terms, DNF_COND_NONE);
  for (unsigned t = 0; t < static_cast<unsigned>(terms); ++t) {
    KuvDnfAndTerm* term = KuvDnfAndTermFactory::create(KuvDnfAndTermFactory::Map, 8);
    const unsigned v = 7 * t;
    auto* selection = new KuvDnfSelectionEff(variable(v + 2), 2, false, false);
    selection->putValue(variable(v + 3));
    selection->putValue(variable(v + 4));
    KuvDnfLeaf* leaves[] = {
        new KuvDnfOptionEff(variable(v), variable(199), KuvDnfOptionEff::Selected, false),
        new KuvDnfOptionEff(variable(v + 1), variable(199), KuvDnfOptionEff::Selected, true),
        selection,
        new KuvDnfSerialEff(variable(v + 5), serials, KuvDnfSerialEff::UNIT, false, false),
        new KuvDnfDateEff(variable(v + 6), dateRanges, false, false),
        new KuvDnfEff(variable(v + 7), false),
        new KuvDnfTreeSeriesEff(variable(v + 8), trees, 18, false, false),
        new KuvDnfMilestonesEff(variable(v + 9), tracks, false, false),
    };
    for (KuvDnfLeaf* leaf : leaves) term->addDnfLeaf(*leaf);
    dnf->addAndTerm(term);
  }
  return dnf;
}

void BM_WriteBioDnf(benchmark::State& state) {
  auto dnf = makeDnf(static_cast<int>(state.range(0)));
  KuvBioBufferOut out;
  for (auto _ : state)
    if (FAILED(KuvBioDnfWriter::write(*dnf, out))) state.SkipWithError("write failed");
  state.SetBytesProcessed(state.iterations() * out.GetLength());
}
BENCHMARK(BM_WriteBioDnf)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

void BM_ReadBioDnf(benchmark::State& state) {
  auto dnf = makeDnf(static_cast<int>(state.range(0)));
  KuvBioBufferOut out;
  KuvBioDnfWriter::write(*dnf, out);
  for (auto _ : state) {
    std::unique_ptr<KuvDnf> read(
        KuvBioDnfReader::read_0toEND(out.GetAsPtr(0), out.GetLength(), KuvDnfAndTermFactory::Map));
    if (read == nullptr) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * out.GetLength());
}
BENCHMARK(BM_ReadBioDnf)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

void BM_AnalyzeBioDnf(benchmark::State& state) {
  auto dnf = makeDnf(static_cast<int>(state.range(0)));
  KuvBioBufferOut out;
  KuvBioDnfWriter::write(*dnf, out);
  for (auto _ : state) {
    KuvEVCClassification found;
    if (FAILED(KuvBioDnfReader::analyzeEVCContent(out.GetAsPtr(0), out.GetLength(), found)))
      state.SkipWithError("analysis failed");
  }
  state.SetBytesProcessed(state.iterations() * out.GetLength());
}
BENCHMARK(BM_AnalyzeBioDnf)->Arg(1)->Arg(1000);

}  // namespace
