// Foundation costs that every later hot path pays: hashing and strings.
#include <benchmark/benchmark.h>

#include <Kuv.h>

#include <vector>

static void BM_BinHash16Bytes(benchmark::State& state) {
  unsigned char guid[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  for (auto _ : state) benchmark::DoNotOptimize(KuvInObjectVal::ComputeBinHash(guid, sizeof guid));
}
BENCHMARK(BM_BinHash16Bytes);

static void BM_StringHash(benchmark::State& state) {
  KuvInString name("Option_Engine_V8_Turbo");
  for (auto _ : state) benchmark::DoNotOptimize(name.hash());
}
BENCHMARK(BM_StringHash);

static void BM_StringFromUtf8(benchmark::State& state) {
  for (auto _ : state) {
    KuvInString name("Option_Engine_V8_Turbo_\xC3\xA9");
    benchmark::DoNotOptimize(name.GetLengthInChar());
  }
}
BENCHMARK(BM_StringFromUtf8);

static void BM_Cast(benchmark::State& state) {
  KuvInIntHolder holder(5);
  KuvInObject& object = holder;
  for (auto _ : state) benchmark::DoNotOptimize(KuvInObjectVal::cast(object));
}
BENCHMARK(BM_Cast);
