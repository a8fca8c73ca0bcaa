#include "KuvFltObjectServices.h"

#include <memory>

#include "KuvDnfAndTermList.h"
#include "KuvFltEffectivity.h"

KUV_DEFINE_TYPE(KuvFltObjectServices, KuvInObject)

namespace {

KuvInTraceClass& traceChannel() { return KuvFltObjectServices::traceChannel(); }

// a And b, the caller's; null on failure.
std::unique_ptr<KuvDnf> conjunction(const KuvDnf& a, const KuvDnf& b) {
  if (a.getSpecialCondition() == DNF_COND_FALSE || b.getSpecialCondition() == DNF_COND_FALSE)
    return std::make_unique<KuvDnf>(DNF_COND_FALSE);
  if (a.getSpecialCondition() == DNF_COND_TRUE) return std::make_unique<KuvDnf>(b);
  if (b.getSpecialCondition() == DNF_COND_TRUE) return std::make_unique<KuvDnf>(a);
  auto product = std::make_unique<KuvDnf>(DNF_COND_NONE);
  for (const KuvDnfAndTerm* left : a.andTerms()) {
    for (const KuvDnfAndTerm* right : b.andTerms()) {
      unsigned char met = 0;
      if (FAILED(left->isIntersect(*right, met))) {
        KUV_TRACE_ERROR("ERROR : isIntersect FAILED");
        return nullptr;
      }
      if (met == 0) continue;
      // A list term: the two sides may constrain the same criterion.
      auto term = std::make_unique<KuvDnfAndTermList>(left->getNbDnfLeaves() + right->getNbDnfLeaves());
      for (const KuvDnfAndTerm* side : {left, right}) {
        for (const KuvDnfLeaf* leaf : side->leaves()) {
          KuvDnfLeaf* copy = leaf->clone();
          if (copy == nullptr || FAILED(term->addDnfLeaf(*copy))) {
            delete copy;
            KUV_TRACE_ERROR("ERROR : addDnfLeaf failed");
            return nullptr;
          }
        }
      }
      product->addAndTerm(term.release());
    }
  }
  if (product->getNbAndTerms() == 0) product->setSpecialCondition(DNF_COND_FALSE);
  return product;
}

HRESULT intersectViews(const KuvFltEffectivityView& a, const KuvFltEffectivityView& b, KuvFltEffectivityView& out) {
  for (const auto& e : a.dnfs().entries()) {
    const KuvDnf* theirs = b.getDnf(e.dictionary);
    if (theirs == nullptr || e.dnf == nullptr) continue;
    std::unique_ptr<KuvDnf> both = conjunction(*e.dnf, *theirs);
    if (!both) return E_FAIL;
    const HRESULT hr = out.setDnf(e.dictionary, both.release());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace

HRESULT KuvFltObjectServices::GetIntersectionOfEffectivities(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                                                             KuvFltEffectivity*& out) {
  KUV_TRACE_CALL("GetIntersectionOfEffectivities");
  if (out != nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : output effectivity should be NULL.");
  auto result = std::make_unique<KuvFltEffectivity>();
  for (int d = 1; d <= KuvFltEffectivity::sc_maxDomain; ++d) {
    const KuvFltDomainEffectivity* left = a.getDomainEffectivity(d);
    const KuvFltDomainEffectivity* right = b.getDomainEffectivity(d);
    if (left == nullptr && right == nullptr) continue;
    if (left == nullptr || right == nullptr) {
      result->setDomainEffectivity((left != nullptr ? left : right)->clone());
      continue;
    }
    auto domain = std::make_unique<KuvFltDomainEffectivity>(left->getDomain());
    for (int v = 0; v < KuvFltDomainEffectivity::sc_nbViews; ++v) {
      const KuvFltEffectivityView* leftView = left->getEffectivityView(v);
      const KuvFltEffectivityView* rightView = right->getEffectivityView(v);
      if (leftView == nullptr && rightView == nullptr) continue;
      if (leftView == nullptr || rightView == nullptr) {
        domain->setEffectivityView((leftView != nullptr ? leftView : rightView)->clone());
        continue;
      }
      auto view = std::make_unique<KuvFltEffectivityView>(leftView->getView());
      const HRESULT hr = intersectViews(*leftView, *rightView, *view);
      if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : intersection of views FAILED");
      domain->setEffectivityView(view.release());
    }
    result->setDomainEffectivity(domain.release());
  }
  out = result.release();
  return S_OK;
}
