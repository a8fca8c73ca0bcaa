// The intersection test runs once per stored object: apart from what the
// normal forms' own test needs, it must not touch the heap. This program
// counts the allocations made while a test asks it to.
#include "support/KuvTestSupport.h"

namespace {
bool g_counting = false;
long g_allocations = 0;
}  // namespace

// The replacements pair malloc with free; inlined at -O1 the compiler sees
// only the free of a pointer from new and warns.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
  if (g_counting) ++g_allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

// TRUE and FALSE forms meet without allocating, so every allocation seen
// here would be the filter test's own.
TEST(FltFilterIntersection, AllocatesNothing) {
  const KuvInGuid dictionary = kuv_test::Guid(1).guid();
  KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
  for (KuvDiversityDomain d : {KuvDiversityDomain_DWS, KuvDiversityDomain_ConfigChange,
                               KuvDiversityDomain_EngineeringActivation})
    filter.setDnf(d, dictionary, new KuvDnf(DNF_COND_TRUE));
  KuvFltEffectivity eff;
  eff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_NONE, dictionary, new KuvDnf(DNF_COND_TRUE));
  eff.setDnf(KuvDiversityDomain_EngineeringActivation, CFG_EXPRVIEW_CURRENT, dictionary, new KuvDnf(DNF_COND_TRUE));
  eff.setDnf(KuvDiversityDomain_ConfigChangeEvolution, CFG_EXPRVIEW_CURRENT, dictionary, new KuvDnf(DNF_COND_TRUE));
  eff.setDnf(KuvDiversityDomain_ConfigChangeVariant, CFG_EXPRVIEW_CURRENT, dictionary, new KuvDnf(DNF_COND_FALSE));
  const KuvFltDecouplingGuard decoupled(1);
  unsigned char answers[8] = {};
  g_counting = true;
  for (int i = 0; i < 8; ++i)
    KuvFltComparisonServices::IsIntersect(filter, eff, static_cast<KuvComparisonMode>(i & 1), KuvComparisonMode_All,
                                          answers[i], static_cast<unsigned char>(i >> 1 & 1));
  g_counting = false;
  EXPECT_EQ(0, g_allocations);
  EXPECT_EQ(0, answers[1]);  // mode 1: the variant part is FALSE
  EXPECT_EQ(1, answers[0]);  // mode 0: domain 3 meets
}
