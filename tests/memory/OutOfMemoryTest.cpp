// Development grows exponentially with inputs a host may give, so it is
// where memory runs out. This program replaces the global allocator so that
// exactly one chosen allocation fails, and tries every allocation of a
// development in turn: it must answer E_OUTOFMEMORY or get by with the
// right result, never let std::bad_alloc out, and leave a tree that can
// still be read and deleted; the sanitizer run checks that nothing leaks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "KuvDnf.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvEeExpressionOperation.h"
#include "KuvEeNode.h"
#include "KuvEeNodeDeveloper.h"
#include "KuvEeNodeRef.h"
#include "KuvEePredefEff.h"
#include "KuvEffEngine/TruthTable.h"
#include "KuvInIntHolder.h"
#include "KuvInMapVal.h"
#include "KuvInSetVal.h"
#include "support/KuvTestSupport.h"

namespace {

// Allocations left before the one that fails; negative: none fails.
std::atomic<long> g_countdown{-1};

void* allocate(std::size_t size) {
  if (g_countdown.load(std::memory_order_relaxed) >= 0 && g_countdown.fetch_sub(1) == 0)
    throw std::bad_alloc();
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace kuv_test;

TEST(OutOfMemory, DevelopmentAnswersACodeAtEveryFailingAllocation) {
  TruthModel m;
  TreeGenerator generator(m, 7,
                          {.maxNodes = 12, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  int failed = 0;
  for (int i = 0; i < 40; ++i) {
    const Tree tree = generator.next();
    const TruthTable table = *truthTable(m, *tree);
    // Allocation k fails, for k = 0, 1, ... until a development needs
    // fewer than k + 1.
    for (long k = 0;; ++k) {
      const Tree work(tree->getNode()->clone());
      g_countdown = k;
      const HRESULT hr = KuvEeNodeDeveloper().develop(*work);
      const bool reached = g_countdown.exchange(-1) < 0;
      EXPECT_TRUE(hr == S_OK || (reached && FAILED(hr))) << i << " " << k;
      const auto after = truthTable(m, *work);
      ASSERT_TRUE(after.has_value()) << k;
      EXPECT_TRUE(hr != S_OK || table == *after) << i << " " << k;
      failed += FAILED(hr) ? 1 : 0;
      if (!reached) break;
    }
  }
  EXPECT_LT(0, failed);
}

// A set or a map that runs out of memory while growing keeps every element
// it took, finds each of them, and nothing else.
TEST(OutOfMemory, SetsAndMapsKeepWhatTheyTook) {
  for (long k = 0;; ++k) {
    KuvInSetVal set(KuvInIntHolder::sType());
    KuvInMapVal map(KuvInIntHolder::sType(), KuvInIntHolder::sType());
    std::vector<bool> inSet(100), inMap(100);
    g_countdown = k;
    for (std::uint32_t i = 0; i < 100; ++i) {
      const KuvInIntHolder value(i * 7919u);
      try {
        inSet[i] = set.Put(value);
      } catch (const std::bad_alloc&) {
      }
      try {
        inMap[i] = SUCCEEDED(map.Put(value, value));
      } catch (const std::bad_alloc&) {
      }
    }
    const bool reached = g_countdown.exchange(-1) < 0;
    int setCount = 0, mapCount = 0;
    for (std::uint32_t i = 0; i < 100; ++i) {
      const KuvInIntHolder value(i * 7919u);
      EXPECT_EQ(inSet[i], set.Find(value)) << k << " " << i;
      EXPECT_EQ(inMap[i], map.Get(value) != nullptr) << k << " " << i;
      setCount += inSet[i] ? 1 : 0;
      mapCount += inMap[i] ? 1 : 0;
    }
    int iterated = 0;
    for (auto it = set.cBegin(); it.IsValid(); it.Next()) ++iterated;
    EXPECT_EQ(setCount, iterated) << k;
    EXPECT_EQ(setCount, set.GetLength()) << k;
    EXPECT_EQ(mapCount, map.GetLength()) << k;
    if (!reached) break;
  }
}

// An operation that runs out of memory leaves the caller's tree whole and
// the caller's.
TEST(OutOfMemory, ChangeOperationLeavesTheTreeToTheCaller) {
  TruthModel m;
  TreeGenerator generator(m, 11,
                          {.maxNodes = 6, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  KuvInObject* change = m.change.get();
  const KuvEeExpressionOperation cut(KuvEeExpressionOperation::CUT, change);
  for (long k = 0;; ++k) {
    Tree tree = generator.next();
    const TruthTable table = *truthTable(m, *tree);
    KuvEeNodeRef* input = tree.release();
    KuvEeNodeRef* out = nullptr;
    g_countdown = k;
    try {
      EXPECT_EQ(S_OK, KuvEeExpressionOperation::performOperation(input, cut, out, nullptr));
    } catch (const std::bad_alloc&) {
    }
    const bool reached = g_countdown.exchange(-1) < 0;
    const Tree left(input != nullptr ? input : out);
    ASSERT_TRUE((input == nullptr) != (out == nullptr)) << k;
    EXPECT_EQ(table & (input != nullptr ? table : ~*truthTable(m, *own(changeLeaf(m)))),
              *truthTable(m, *left))
        << k;
    if (!reached) break;
  }
}

// The normal form answers null when memory runs out, never throws, and
// leaves nothing behind.
TEST(OutOfMemory, NormalFormAnswersNullAtEveryFailingAllocation) {
  TruthModel m;
  TreeGenerator generator(m, 13,
                          {.maxNodes = 10, .notFlag = false, .domainOverLeavesOnly = true, .dates = false});
  int failed = 0;
  for (int i = 0; i < 30; ++i) {
    const Tree tree = generator.next();
    const TruthTable table = *truthTable(m, *tree);
    for (long k = 0;; ++k) {
      g_countdown = k;
      const std::unique_ptr<KuvDnf> dnf(KuvEeDnfConvertor::NodeRef2Dnf(*tree));
      const bool reached = g_countdown.exchange(-1) < 0;
      EXPECT_TRUE(dnf != nullptr || reached) << i << " " << k;
      EXPECT_TRUE(dnf == nullptr || table == *dnfTable(m, *dnf)) << i << " " << k;
      failed += dnf == nullptr ? 1 : 0;
      if (!reached) break;
    }
  }
  EXPECT_LT(0, failed);
}

}  // namespace
