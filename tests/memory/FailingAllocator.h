// The memory tests replace the global allocator (FailingAllocator.cpp) so
// that exactly one chosen allocation fails; every file of the program shares
// the one replacement.
#pragma once

#include "support/KuvTestSupport.h"

namespace kuv_test {

// Allocations left before the one that fails; negative: none fails.
extern std::atomic<long> g_countdown;

// Fails allocation k of call, for k = 0, 1, ... until call needs fewer than
// k + 1. Each round prepares call's input first, and check gets the input,
// the answer and whether the failure was reached once allocations work
// again. Answers how many rounds check counted as failed calls.
template <class Prepare, class Call, class Check>
int failEachAllocation(Prepare prepare, Call call, Check check) {
  int failed = 0;
  for (long k = 0;; ++k) {
    auto input = prepare();
    g_countdown = k;
    auto answer = call(input);
    const bool reached = g_countdown.exchange(-1) < 0;
    failed += check(input, answer, reached) ? 0 : 1;
    if (!reached) return failed;
  }
}

inline const auto nothing = [] { return 0; };

}  // namespace kuv_test
