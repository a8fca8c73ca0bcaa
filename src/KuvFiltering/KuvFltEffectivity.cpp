#include "KuvFltEffectivity.h"

#include <memory>

#include "KuvEeDnfComparisonServices.h"
#include "KuvFltPartSlot.h"
#include "KuvInGuid.h"
#include "KuvInList.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvFltEffectivity, KuvFltObject)

KuvFltEffectivity::~KuvFltEffectivity() {
  for (KuvFltDomainEffectivity* domain : m_domains) delete domain;
}

HRESULT KuvFltEffectivity::setDomainEffectivity(KuvFltDomainEffectivity* domainEffectivity) {
  if (domainEffectivity == nullptr || domainEffectivity->getDomain() <= 0 ||
      domainEffectivity->getDomain() > sc_maxDomain)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Put domain eff in map Failed");
  KuvFltDomainEffectivity*& slot = m_domains[domainEffectivity->getDomain()];
  if (slot != domainEffectivity) delete slot;
  slot = domainEffectivity;
  return S_OK;
}

HRESULT KuvFltEffectivity::getDomainEffectivities(KuvInList& domainEffectivities) const {
  for (KuvFltDomainEffectivity* domain : m_domains) {
    if (domain == nullptr) continue;
    const HRESULT hr = domainEffectivities.PutBack(domain);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

std::int32_t KuvFltEffectivity::getNbDomainEffectivity() const {
  std::int32_t n = 0;
  for (const KuvFltDomainEffectivity* domain : m_domains) n += domain != nullptr ? 1 : 0;
  return n;
}

HRESULT KuvFltEffectivity::setDnf(KuvDiversityDomain domain, KuvExpressionView view, const KuvInGuid& dictionary,
                                  KuvDnf* dnf) {
  if (domain <= 0 || domain > sc_maxDomain) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : Put domain eff in map Failed");
  return kuv::detail::putIntoPart(
      m_domains[domain], [domain] { return new KuvFltDomainEffectivity(domain); },
      [&](KuvFltDomainEffectivity& part) { return part.setDnf(view, dictionary, dnf); });
}

KuvDnf* KuvFltEffectivity::getDnf(KuvDiversityDomain domain, KuvExpressionView view,
                                  const KuvInGuid& dictionary) const {
  const KuvFltDomainEffectivity* d = getDomainEffectivity(domain);
  return d != nullptr ? d->getDnf(view, dictionary) : nullptr;
}

HRESULT KuvFltEffectivity::getDictionaries(KuvInListVal& dictionaries) const {
  for (const KuvFltDomainEffectivity* domain : m_domains) {
    for (int v = 0; domain != nullptr && v < KuvFltDomainEffectivity::sc_nbViews; ++v) {
      const KuvFltEffectivityView* view = domain->getEffectivityView(v);
      if (view == nullptr) continue;
      for (const auto& e : view->dnfs().entries()) {
        if (dictionaries.Find(e.dictionary) >= 0) continue;
        if (dictionaries.PutBack(e.dictionary) == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : not a list of GUIDs");
      }
    }
  }
  return S_OK;
}

HRESULT KuvFltEffectivity::isEffectivityValid() const {
  bool any = false;
  for (const KuvFltDomainEffectivity* domain : m_domains) {
    if (domain == nullptr) continue;
    any = true;
    bool stated = false;
    for (int v = 0; v < KuvFltDomainEffectivity::sc_nbViews; ++v) {
      const KuvFltEffectivityView* view = domain->getEffectivityView(v);
      if (view != nullptr && !view->dnfs().empty()) stated = true;
    }
    if (!stated) return S_FALSE;
  }
  return any ? S_OK : S_FALSE;
}

HRESULT KuvFltEffectivity::isIncluding(const KuvFltEffectivity& other, unsigned char& answer) const {
  KUV_TRACE_CALL("isIncluding");
  answer = 1;
  for (int d = 1; d <= sc_maxDomain; ++d) {
    const KuvFltDomainEffectivity* mine = m_domains[d];
    const KuvFltDomainEffectivity* theirs = other.m_domains[d];
    for (int v = 0; mine != nullptr && theirs != nullptr && v < KuvFltDomainEffectivity::sc_nbViews; ++v) {
      const KuvFltEffectivityView* myView = mine->getEffectivityView(v);
      const KuvFltEffectivityView* theirView = theirs->getEffectivityView(v);
      if (myView == nullptr || theirView == nullptr) continue;
      for (const auto& e : theirView->dnfs().entries()) {
        const HRESULT hr = KuvEeDnfComparisonServices::IsAIncludingB(myView->getDnf(e.dictionary), e.dnf, e.dictionary);
        if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : IsAIncludingB FAILED");
        if (hr != S_OK) {
          answer = 0;
          return S_OK;
        }
      }
    }
  }
  return S_OK;
}

HRESULT KuvFltEffectivity::isEqual(const KuvFltEffectivity& other, unsigned char& answer) const {
  HRESULT hr = isIncluding(other, answer);
  if (SUCCEEDED(hr) && answer != 0) hr = other.isIncluding(*this, answer);
  return hr;
}

HRESULT KuvFltEffectivity::isIntersect(const KuvFltEffectivity& other, KuvComparisonMode viewMode,
                                       KuvComparisonMode domainMode, unsigned char& answer,
                                       unsigned char dictionaryFlag) const {
  KUV_TRACE_CALL("isIntersect");
  bool anyDomain = false;
  bool domainsMeet = domainMode != KuvComparisonMode_Any;
  for (int d = 1; d <= sc_maxDomain; ++d) {
    const KuvFltDomainEffectivity* mine = m_domains[d];
    const KuvFltDomainEffectivity* theirs = other.m_domains[d];
    if (mine == nullptr || theirs == nullptr) continue;
    bool anyView = false;
    bool viewsMeet = viewMode != KuvComparisonMode_Any;
    for (int v = 0; v < KuvFltDomainEffectivity::sc_nbViews; ++v) {
      const KuvFltEffectivityView* myView = mine->getEffectivityView(v);
      const KuvFltEffectivityView* theirView = theirs->getEffectivityView(v);
      if (myView == nullptr || theirView == nullptr) continue;
      unsigned char met = 0;
      HRESULT hr = S_OK;
      for (const auto& e : myView->dnfs().entries()) {
        if (e.dnf == nullptr) continue;
        if (dictionaryFlag != 0) {
          // Any pair across dictionaries: a few forms a view, so the
          // product stays small.
          for (const auto& t : theirView->dnfs().entries()) {
            if (t.dnf == nullptr) continue;
            hr = e.dnf->isIntersect(*t.dnf, met);
            if (FAILED(hr) || met != 0) break;
          }
        } else if (const KuvDnf* their = theirView->getDnf(e.dictionary)) {
          hr = e.dnf->isIntersect(*their, met);
        }
        if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect between DNFs FAILED.");
        if (met != 0) break;
      }
      anyView = true;
      viewsMeet = viewMode != KuvComparisonMode_Any ? viewsMeet && met != 0 : viewsMeet || met != 0;
    }
    if (!anyView) continue;
    anyDomain = true;
    domainsMeet = domainMode != KuvComparisonMode_Any ? domainsMeet && viewsMeet : domainsMeet || viewsMeet;
  }
  answer = !anyDomain || domainsMeet ? 1 : 0;
  return S_OK;
}

KuvFltEffectivity* KuvFltEffectivity::clone() const {
  auto copy = std::make_unique<KuvFltEffectivity>();
  for (int d = 1; d <= sc_maxDomain; ++d)
    if (m_domains[d] != nullptr) copy->m_domains[d] = m_domains[d]->clone();
  return copy.release();
}

KuvInString KuvFltEffectivity::toString(const KuvIDictionaryModelerAccess* access) const {
  static constexpr struct {
    int domain;
    const char* heading;
  } sc_headings[] = {
      {KuvDiversityDomain_ConfigChange, " === Domain Config Change : \n"},
      {KuvDiversityDomain_ConfigChangeEvolution, " === Domain Config Change Evolution: \n"},
      {KuvDiversityDomain_ConfigChangeVariant, " === Domain Config Change Variant: \n"},
      {KuvDiversityDomain_EngineeringActivation, " === Domain Engineering Activation : \n"},
      {KuvDiversityDomain_DWS, " === Domain DWS : \n"},
  };
  KuvInString text("FltEffectivity : \n");
  for (const auto& h : sc_headings)
    if (m_domains[h.domain] != nullptr) text.Append(h.heading, m_domains[h.domain]->toString(access));
  return text;
}
