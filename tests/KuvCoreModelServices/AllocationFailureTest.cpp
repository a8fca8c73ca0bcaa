// Host calls that hand out terms or rewrite a host's tree, with memory
// running out: this program replaces the global allocator so that one
// chosen allocation fails, and tries every allocation of a call in turn.
// Each must answer E_OUTOFMEMORY and leave what it was given as it was, or
// get by with the right result; never let std::bad_alloc out.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "KuvCoreEVC_Expression.h"
#include "KuvCoreEVC_ExpressionAndTerm.h"
#include "KuvCoreEVC_NodeClassifier.h"
#include "KuvECAGuidCollector.h"
#include "KuvEVCClassification.h"
#include "KuvEeGenericExpression.h"
#include "KuvEffEngine/KuvEeCriteriaTestSupport.h"
#include "KuvHistorizationApplicabilityByDateCommutator.h"
#include "KuvInGuid.h"
#include "KuvInSet.h"
#include "KuvInSetVal.h"

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

// The replacements pair malloc with free; the compiler cannot tell.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace kuv_test;

// Fails allocation k of call for k = 0, 1, ... until call needs fewer than
// k + 1. Each round prepares call's input first; check gets the input and
// the answer once allocations work again.
template <class Prepare, class Call, class Check>
void failEachAllocation(Prepare prepare, Call call, Check check) {
  for (long k = 0;; ++k) {
    auto input = prepare();
    HRESULT hr = E_FAIL;
    g_countdown = k;
    try {
      hr = call(*input);
    } catch (const std::bad_alloc&) {
      ADD_FAILURE() << "std::bad_alloc let out at allocation " << k;
    }
    const bool reached = g_countdown.exchange(-1) < 0;
    // A set that cannot grow keeps working: the call may get by.
    EXPECT_TRUE(SUCCEEDED(hr) || (reached && hr == E_OUTOFMEMORY)) << k;
    check(*input, hr);
    if (!reached) return;
  }
}

struct Changes : Criteria {
  KuvEePredefEff other{"ECO2", Guid(108).data(), true, KuvEePredefEff::GLOBAL};

  KuvEeNode* applicability() {
    return And({changeLeaf(), Not(effLeaf(other)), effLeaf(change, true), Or({changeLeaf(), option()})});
  }
};

}  // namespace

TEST(AllocationFailure, TermsGoToTheSetAllOrNothing) {
  Changes c;
  KuvEeGenericExpression expression(
      Or({c.option(), c.units(), c.changeLeaf(), And({c.selection(), c.plan()})})->getNodeRef());
  KuvCoreEVC_Expression* made = nullptr;
  ASSERT_EQ(S_OK, KuvCoreEVC_Expression::Create(expression, made));
  const std::unique_ptr<KuvCoreEVC_Expression> split(made);
  captured([&] {
    failEachAllocation(
        [] { return std::make_unique<KuvInSet>(KuvCoreEVC_ExpressionAndTerm::sType()); },
        [&](KuvInSet& terms) { return split->GetAndTerm(terms); },
        [](const KuvInSet& terms, HRESULT hr) { EXPECT_EQ(SUCCEEDED(hr) ? 4 : 0, terms.GetLength()); });
  });
}

// The split reads each part's families from the walk of the whole tree.
TEST(AllocationFailure, AWalkIsReadWithoutMemory) {
  Changes c;
  Tree tree = own(And({c.option(), c.units(), c.changeLeaf()}));
  KuvCoreEVC_NodeClassifier classifier;
  KuvEVCClassification whole;
  ASSERT_EQ(S_OK, classifier.classify(*tree, whole));
  failEachAllocation(
      [] { return std::make_unique<KuvEVCClassification>(); },
      [&](KuvEVCClassification& read) { return classifier.getVisitedClassification(*tree->getNode(), read); },
      [&](const KuvEVCClassification& read, HRESULT) { EXPECT_TRUE(read.equals(whole)); });
}

TEST(AllocationFailure, ChangeActionsLeaveTheSetAndTheTreeAsTheyWere) {
  Changes c;
  Tree dateLeaf = own(c.date());
  const KuvEeDateEff& from = *KuvEeDateEff::cast(*KuvEeVarEffLeaf::cast(*dateLeaf->getNode())->getVarEff());
  Tree tree = own(c.applicability());
  const std::string before = text(*tree);
  KuvECAGuidCollector collector;
  KuvHistorizationApplicabilityByDateCommutator commutator;
  captured([&] {
    // Twelve GUIDs already there: the two found make the set grow.
    failEachAllocation(
        [] {
          auto found = std::make_unique<KuvInSetVal>(KuvInGuid::sType());
          for (int i = 0; i < 12; ++i) found->Put(Guid(200 + i).guid());
          return found;
        },
        [&](KuvInSetVal& found) { return collector.collect(*tree, found); },
        [](const KuvInSetVal& found, HRESULT hr) { EXPECT_EQ(SUCCEEDED(hr) ? 14 : 12, found.GetLength()); });
    failEachAllocation(
        [&] { return own(c.applicability()); },
        [&](KuvEeNodeRef& commuted) { return commutator.commute(commuted, c.change.getGuid(), from); },
        [&](const KuvEeNodeRef& commuted, HRESULT hr) {
          EXPECT_EQ(SUCCEEDED(hr), before != text(commuted));
        });
  });
}
