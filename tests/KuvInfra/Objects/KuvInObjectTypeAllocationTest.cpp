// Type classes are made while the library loads, where nothing can answer a
// code: memory running out then must not stop the load. This program fails
// the one allocation that makes the type class of a class defined below.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "KuvInObject.h"

namespace {
bool g_failNextAllocation = false;
}  // namespace

// The replacements pair malloc with free; inlined the compiler sees only the
// free of a pointer from new and warns.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (g_failNextAllocation) {
    g_failNextAllocation = false;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Initialized in the order of definition: the failure is armed just before
// the class below makes its type class.
[[maybe_unused]] const bool g_armed = (g_failNextAllocation = true);

}  // namespace

class KuvInTypeStarvedAtLoad : public KuvInObject {
  KUV_DECLARE_TYPE(KuvInTypeStarvedAtLoad)

public:
  ~KuvInTypeStarvedAtLoad() override = default;
};

KUV_DEFINE_TYPE(KuvInTypeStarvedAtLoad, KuvInObject)

TEST(KuvInObjectType, LoadGoesOnWithoutTheTypeClassMemoryDenied) {
  EXPECT_FALSE(g_failNextAllocation);
  EXPECT_EQ(KuvInTypeStarvedAtLoad::KuvInObject_internal_staticType_owner.m_type, nullptr);
}
