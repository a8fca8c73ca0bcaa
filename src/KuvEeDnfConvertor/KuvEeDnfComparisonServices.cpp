#include "KuvEeDnfComparisonServices.h"

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "KuvEeAndOp.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeDnfProduct.h"
#include "KuvEeNodeSimplifier.h"
#include "KuvEeOrOp.h"
#include "KuvEeTrue.h"
#include "KuvInLinkList.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeDnfComparisonServices, KuvInObject)

namespace {

// A DNF that lends terms owned elsewhere: gives them back before it dies.
struct LentDnf {
  KuvDnf dnf{DNF_COND_NONE};
  ~LentDnf() { dnf.releaseAndTerms(); }
};

// The answers that need no test, in their order; S_FALSE when the test
// must run. withConstantA adds the cases of a constant A.
HRESULT specialCase(const KuvDnf* a, const KuvDnf* b, bool withConstantA) {
  if (b == nullptr) return S_OK;
  if (a == nullptr) return b->getSpecialCondition() == DNF_COND_FALSE ? S_OK : 1;
  if (b->getSpecialCondition() == DNF_COND_FALSE) return S_OK;
  if (b->getSpecialCondition() == DNF_COND_TRUE) return a->getSpecialCondition() == DNF_COND_TRUE ? S_OK : 1;
  if (withConstantA && a->getSpecialCondition() == DNF_COND_FALSE) return 1;
  if (withConstantA && a->getSpecialCondition() == DNF_COND_TRUE) return S_OK;
  return static_cast<HRESULT>(-1);
}
constexpr HRESULT kRunTest = -1;

}  // namespace

std::int32_t KuvEeDnfComparisonServices::GetMaxAndTerms() {
  int limit = 10000;
  if (const char* value = std::getenv("CFG_MAX_ANDTERMS_NOTDNF")) {
    int parsed = 0;
    if (std::sscanf(value, "%d", &parsed) == 1) limit = parsed;
  }
  return limit;
}

HRESULT KuvEeDnfComparisonServices::IsAIncludingB(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    HRESULT hr = specialCase(a, b, false);
    if (hr != kRunTest) return hr;
    const std::int32_t limit = GetMaxAndTerms();
    KUV_TRACE_DETAIL("NbMaxLeaves ", KuvInString::FromNum(limit));
    // The size of not A: the product of A's term sizes, where anything past
    // the signed 32-bit range counts as the overflow it would have been (and
    // stays refused: 0 times the rest). Every term is traced.
    KUV_TRACE_DETAIL("NbLeavesPerANDTerms");
    std::int64_t product = 1;
    for (const KuvDnfAndTerm* term : a->andTerms()) {
      const std::int32_t leaves = term->getNbDnfLeaves();
      KUV_TRACE_DETAIL("ANDTermHasGot ", KuvInString::FromNum(leaves), " Leaves");
      product *= leaves;
      if (product > std::numeric_limits<std::int32_t>::max() || product < 1) product = 0;
    }
    KUV_TRACE_DETAIL("TotalNbLeaves : ", KuvInString::FromNum(static_cast<int>(product)));
    if (product >= limit || product < 1) {
      KUV_TRACE_DETAIL("TOO COMPLEX EFFECTIVITY");
      return KUV_E_TOO_COMPLEX;
    }
    // Where not A is a product of its factors, B is tested against them
    // without building its terms.
    kuv::detail::DnfProduct factors;
    std::unique_ptr<KuvDnf> notA(kuv::detail::notDnf(*a, model, 1, nullptr, &factors));
    if (!notA && !factors.isRead()) KUV_RETURN_ERROR(E_FAIL, "ERROR : GetNotDnf FAILED.");
    unsigned char meets = 0;
    hr = factors.isRead() ? factors.isIntersectedBy(*b, meets) : b->isIntersect(*notA, meets);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect between DNFs FAILED.");
    return meets != 0 ? 1 : S_OK;
  });
}

HRESULT KuvEeDnfComparisonServices::IsAIncludingB_V2(const KuvDnf* a, const KuvDnf* b, const KuvInGuid& model) {
  HRESULT hr = specialCase(a, b, true);
  if (hr != kRunTest) return hr;
  for (KuvDnfAndTerm* term : b->andTerms()) {
    KuvDnfAndTerm* bare = nullptr;
    hr = term->getSameDnfAndTermWithoutRestriction(bare);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR ! getSameDnfAndTermWithoutRestriction FAILED");
    if (bare == nullptr) KUV_RETURN_ERROR(E_FAIL, "getSameDnfAndTermWithoutRestriction returns null");
    std::unique_ptr<KuvDnfAndTerm> owned(bare);
    bool covered = false;
    LentDnf candidates;
    for (KuvDnfAndTerm* mine : a->andTerms()) {
      unsigned char out = 0;
      hr = mine->isIncluding(*term, out);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : IsAIncludingB FAILED");
      if (out != 0) {
        covered = true;
        break;
      }
      hr = mine->isIntersect(*bare, out);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
      if (out != 0) candidates.dnf.addAndTerm(mine);
    }
    if (covered) continue;
    if (candidates.dnf.getNbAndTerms() == 0) return 1;
    LentDnf one;
    one.dnf.addAndTerm(term);
    hr = IsAIncludingB(&candidates.dnf, &one.dnf, model);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : IsAIncludingB_UsingUnion FAILED");
    if (hr == 1) return 1;
  }
  return S_OK;
}

HRESULT KuvEeDnfComparisonServices::IsAIncludingB_V3(const KuvDnf* a, const KuvDnf* b, const KuvInGuid&,
                                                     KuvDnf*& cache, unsigned char keepCache) {
  // Whatever the way out, an unkept cache does not survive the call.
  struct Drop {
    KuvDnf*& cache;
    bool keep;
    ~Drop() {
      if (!keep) {
        delete cache;
        cache = nullptr;
      }
    }
  } drop{cache, keepCache != 0};
  HRESULT hr = specialCase(a, b, true);
  if (hr != kRunTest) return hr;
  if (cache == nullptr) {
    KuvDnf bare(b->getNbAndTerms(), DNF_COND_NONE);
    for (const KuvDnfAndTerm* term : b->andTerms()) {
      KuvDnfAndTerm* copy = nullptr;
      hr = term->getSameDnfAndTermWithoutRestriction(copy);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR ! getSameDnfAndTermWithoutRestriction FAILED");
      if (copy == nullptr) KUV_RETURN_ERROR(E_FAIL, "getSameDnfAndTermWithoutRestriction returns null");
      bare.addAndTerm(copy);
    }
    cache = bare.getRealDnf();
    if (cache == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : getRealDnf failed");
  }
  for (KuvDnfAndTerm* term : cache->andTerms()) {
    LentDnf one;
    one.dnf.addAndTerm(term);
    unsigned char meets = 0;
    hr = one.dnf.isIntersect(*a, meets);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect FAILED");
    if (meets == 0) return 1;
  }
  return S_OK;
}

HRESULT KuvEeDnfComparisonServices::IsEqual(const KuvDnf&, const KuvDnf&) { return E_NOTIMPL; }

HRESULT KuvEeDnfComparisonServices::IsAIncludingB_UsingUnion(const KuvDnf*, const KuvDnf*, const KuvInGuid&) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] { return E_NOTIMPL; });
}

HRESULT KuvEeDnfComparisonServices::ComputeUnionAndCheckIfSimplifiesToTrue(const KuvEeOrOp& sum, KuvEeNodeRef& x) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    // sum Or part, simplified: True or not.
    auto coversAll = [&](const KuvEeNode& part, bool& all) {
      std::unique_ptr<KuvEeNodeRef> root(sum.clone());
      std::unique_ptr<KuvEeNodeRef> extra(part.clone());
      KuvEeOrOp* copy = root ? KuvEeOrOp::cast(*root->getNode()) : nullptr;
      if (copy == nullptr || !extra ||
          FAILED(kuv::detail::throwIfOutOfMemory(copy->addChild(extra->getNode()))))
        KUV_RETURN_ERROR(E_FAIL, "ERROR : simplify FAILED");
      extra.release();  // now the copy's child
      HRESULT hr = KuvEeNodeSimplifier().simplify(*root);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : simplify FAILED");
      all = root->getNode() != nullptr && KuvEeTrue::isObjectOfThisType(*root->getNode());
      return S_OK;
    };
    const KuvEeNode* node = x.getNode();
    if (node == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : cast to noderef failed");
    const auto* product = KuvEeAndOp::cast(*node);
    bool all = false;
    if (product == nullptr) {
      HRESULT hr = coversAll(*node, all);
      return FAILED(hr) ? hr : all ? S_OK : 1;
    }
    const KuvInLinkList& children = product->childrenRefs();
    for (auto it = children.cBegin(); it.IsValid(); it.Next()) {
      const auto* ref = KuvEeNodeRef::cast(*it.Get());
      if (ref == nullptr || ref->getNode() == nullptr)
        KUV_RETURN_ERROR(E_FAIL, "ERROR : cast to noderef failed");
      HRESULT hr = coversAll(*ref->getNode(), all);
      if (FAILED(hr)) return hr;
      if (!all) return 1;
    }
    return S_OK;
  });
}
