// KuvEeDnfComparisonServices: whether expression A includes expression B
// (every configuration of B is one of A), both held as normal forms. Every
// test answers 0 when A includes B, 1 when it does not, a failure code
// otherwise.
//
// - IsAIncludingB, exact: B meets no configuration of not A. Not A grows as
//   the product of A's term sizes, so when that product reaches the limit
//   ("CFG_MAX_ANDTERMS_NOTDNF", read at every call, 10000 by default) the
//   test refuses with 0x8009011B before any work.
// - IsAIncludingB_V2 first narrows A, term of B by term of B, to the terms
//   that can matter: a term of A that includes the B term settles it, the
//   others that meet it (restrictions aside) go to the exact test.
// - IsAIncludingB_V3, approximate and cheap for many A against one B: each
//   elementary term of B (restrictions dropped, implicit Ors split) must
//   meet A. The elementary terms are cached in cache (the caller's), which
//   is kept for further calls with the same B when keepCache is set and
//   deleted (set to null) otherwise.
//
// The model GUID names the dictionary in which not A is built.
#pragma once

#include "KuvDnf.h"
#include "KuvEeNodeRef.h"

class KuvEeOrOp;

// The code of an inclusion test too large to compute.
inline constexpr HRESULT KUV_E_TOO_COMPLEX = static_cast<HRESULT>(0x8009011Bu);

class KUV_API KuvEeDnfComparisonServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeDnfComparisonServices)

public:
  static HRESULT IsAIncludingB(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model);
  static HRESULT IsAIncludingB_V2(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model);
  static HRESULT IsAIncludingB_V3(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model, KuvDnf*& cache,
                                  unsigned char keepCache);
  // Not offered: E_NOTIMPL for any input.
  static HRESULT IsEqual(const KuvDnf& a, const KuvDnf& b);

  // The term limit of the exact test as read now.
  static std::int32_t GetMaxAndTerms();

private:
  static HRESULT IsAIncludingB_UsingUnion(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model);
  // 0 when sum Or x (for each child of x, when x is an And) simplifies to
  // True, 1 otherwise.
  static HRESULT ComputeUnionAndCheckIfSimplifiesToTrue(const KuvEeOrOp& sum, KuvEeNodeRef& x);
};
