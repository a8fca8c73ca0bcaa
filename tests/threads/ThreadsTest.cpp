// What hosts may do at once: one filter handler applied from many threads,
// and dictionaries built and deleted on several threads (they all register
// with the one process-wide life-cycle manager). Run under ThreadSanitizer
// in CI; elsewhere it still checks the answers and the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "KuvEeLifeCycleMngr.h"
#include "KuvEeModelDico.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvFilterHandler.h"
#include "KuvFilteringWorkloads.h"
#include "support/KuvTestSupport.h"

namespace {

using kuv_test::Guid;

template <class Body>
void onThreads(int threads, Body body) {
  std::atomic<bool> go{false};
  std::vector<std::thread> running;
  for (int t = 0; t < threads; ++t)
    running.emplace_back([&, t] {
      while (!go.load()) std::this_thread::yield();
      body(t);
    });
  go.store(true);
  for (std::thread& thread : running) thread.join();
}

TEST(Threads, OneHandlerAppliedFromEightThreadsAnswersAsOneThreadDoes) {
  const kuv_bench::Objects objects(kuv_bench::W1, 3000);
  const std::vector<std::uint8_t> filter = kuv_bench::filterBinary(kuv_bench::W1);
  const KuvFilterHandler handler(filter.data(), static_cast<unsigned int>(filter.size()), 0);
  std::vector<int> expected(objects.count);
  for (int i = 0; i < objects.count; ++i)
    ASSERT_EQ(S_OK, handler.Apply(objects.binaries[i], objects.sizes[i], expected[i]));
  const auto passing = std::count(expected.begin(), expected.end(), 1);
  ASSERT_GT(passing, 0);
  ASSERT_LT(passing, objects.count);

  constexpr int kThreads = 8;
  std::vector<std::vector<int>> answers(kThreads, std::vector<int>(objects.count, -2));
  onThreads(kThreads, [&](int t) {
    // Each thread starts elsewhere, so that different objects meet at once.
    for (int k = 0; k < objects.count; ++k) {
      const int i = (k + t * objects.count / kThreads) % objects.count;
      if (handler.Apply(objects.binaries[i], objects.sizes[i], answers[t][i]) != S_OK) answers[t][i] = -3;
    }
  });
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(expected, answers[t]) << "thread " << t;
}

// A model with a state series of revisions and a selection variable of
// values; the model owns its series, the host the selection variable.
void buildAndDelete(int thread, int round) {
  const unsigned base = 100000u * static_cast<unsigned>(thread + 1) + 100u * static_cast<unsigned>(round);
  auto* model = new KuvEeModelDico("Model", Guid(base).guid());
  ASSERT_EQ(S_OK, model->enableEvolutionSeries(KuvEeSerialVar::STATE));
  KuvEeSerialVar* states = model->getSeriesVariable(KuvEeSerialVar::STATE);
  ASSERT_NE(nullptr, states);
  for (std::uint32_t seq = 1; seq <= 5; ++seq)
    ASSERT_EQ(S_OK, states->addRevision(new KuvEeSerialVarValue("R", Guid(base + seq).data(), "A", seq, states)));
  auto color = std::make_unique<KuvEeSelectionVar>("Color", Guid(base + 10).data());
  for (unsigned v = 0; v < 5; ++v)
    ASSERT_NE(nullptr, color->addValue(KuvInString::FromNum(static_cast<int>(v)), Guid(base + 20 + v).data()));
  ASSERT_EQ(S_OK, model->addConfigFeature(color.get()));
  const KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  EXPECT_TRUE(registry.isRegistered(model));
  EXPECT_TRUE(registry.isRegistered(states));
  EXPECT_TRUE(registry.isRegistered(color.get()));
  delete model;
}

TEST(Threads, DictionariesBuiltOnFourThreadsLeaveTheRegistryConsistent) {
  KuvEeLifeCycleMngr& registry = KuvEeLifeCycleMngr::getInstance();
  const std::int32_t before = registry.getCount();
  onThreads(4, [](int t) {
    for (int round = 0; round < 300; ++round) buildAndDelete(t, round);
  });
  EXPECT_EQ(before, registry.getCount());
}

}  // namespace
