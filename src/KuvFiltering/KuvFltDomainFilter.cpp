#include "KuvFltDomainFilter.h"

#include <memory>

#include "KuvEeDnfComparisonServices.h"
#include "KuvFltDomainEffectivity.h"
#include "KuvInGuid.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvFltDomainFilter, KuvFltObject)

namespace {

// a Or b, the caller's.
KuvDnf* unionOf(const KuvDnf& a, const KuvDnf& b) {
  if (a.getSpecialCondition() == DNF_COND_TRUE || b.getSpecialCondition() == DNF_COND_FALSE) return new KuvDnf(a);
  if (b.getSpecialCondition() == DNF_COND_TRUE || a.getSpecialCondition() == DNF_COND_FALSE) return new KuvDnf(b);
  auto* sum = new KuvDnf(a);
  for (const KuvDnfAndTerm* term : b.andTerms()) sum->addAndTerm(term->clone());
  return sum;
}

}  // namespace

KuvFltDomainFilter::~KuvFltDomainFilter() { dropCache(); }

void KuvFltDomainFilter::dropCache() {
  delete m_inclusionCache;
  m_inclusionCache = nullptr;
}

HRESULT KuvFltDomainFilter::setDnf(const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (dnf == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : null DNF");
  dropCache();
  m_dnfs.set(dictionary, dnf);
  return S_OK;
}

HRESULT KuvFltDomainFilter::getDictionaries(KuvInListVal& dictionaries) const {
  for (const auto& e : m_dnfs.entries()) {
    if (dictionaries.PutBack(e.dictionary) == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : not a list of GUIDs");
  }
  return S_OK;
}

void KuvFltDomainFilter::DeleteAllDNFs() {
  dropCache();
  m_dnfs.clear();
}

HRESULT KuvFltDomainFilter::isIncluding(const KuvFltDomainFilter& other) const {
  for (const auto& e : m_dnfs.entries()) {
    const HRESULT hr = KuvEeDnfComparisonServices::IsAIncludingB(e.dnf, other.getDnf(e.dictionary), e.dictionary);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : IsIncluding of DNFs FAILED.");
    if (hr != S_OK) return S_FALSE;
  }
  return S_OK;
}

HRESULT KuvFltDomainFilter::testInclusion(const KuvFltDomainEffectivity& effectivity, unsigned char direction) {
  if (m_dnfs.size() != 1) KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected to have a multi model filter");
  const auto& mine = m_dnfs.entries().front();
  const KuvFltEffectivityView* view = effectivity.viewFor(m_view);
  const KuvDnf* theirs = view != nullptr ? view->getDnf(mine.dictionary) : nullptr;
  if (direction == 0) {
    const HRESULT hr = KuvEeDnfComparisonServices::IsAIncludingB(mine.dnf, theirs, mine.dictionary);
    if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : IsAIncludingB FAILED");
    return hr;
  }
  const HRESULT hr = KuvEeDnfComparisonServices::IsAIncludingB_V3(theirs, mine.dnf, mine.dictionary, m_inclusionCache, 1);
  if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : IsAIncludingB_V2 FAILED");
  return hr;
}

HRESULT KuvFltDomainFilter::MergeWith(const KuvFltDomainFilter& other) {
  if (&other == this) return S_OK;
  for (const auto& e : other.m_dnfs.entries()) {
    if (e.dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : DNF is null, something went very bad !!!");
    const KuvDnf* mine = m_dnfs.get(e.dictionary);
    const HRESULT hr = setDnf(e.dictionary, mine != nullptr ? unionOf(*mine, *e.dnf) : new KuvDnf(*e.dnf));
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

KuvFltDomainFilter* KuvFltDomainFilter::clone() const {
  auto copy = std::make_unique<KuvFltDomainFilter>(m_domain, m_view);
  m_dnfs.cloneInto(copy->m_dnfs);
  return copy.release();
}

KuvInString KuvFltDomainFilter::toString(const KuvIDictionaryModelerAccess* access) const {
  KuvInString text("\tView ");
  return text.Append(viewText(m_view), " : \n", m_dnfs.toString(access, "\t\t"));
}
