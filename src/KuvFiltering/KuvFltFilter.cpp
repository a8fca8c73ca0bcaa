#include "KuvFltFilter.h"

#include <memory>

#include "KuvDnfOptionEff.h"
#include "KuvFltApplicability.h"
#include "KuvFltDecoupling.h"
#include "KuvFltEffectivity.h"
#include "KuvFltPartSlot.h"
#include "KuvInList.h"

KUV_DEFINE_TYPE(KuvFltFilter, KuvFltObject)

namespace {

bool usesOptions(const KuvFltDomainFilter& filter) {
  for (const auto& e : filter.dnfs().entries())
    for (const KuvDnfAndTerm* term : e.dnf->andTerms())
      for (const KuvDnfLeaf* leaf : term->leaves())
        if (KuvDnfOptionEff::isObjectOfThisType(*leaf)) return true;
  return false;
}

// Where a domain's outcome leaves the filter test: decided (S_OK meets,
// S_FALSE does not) or, as a positive code of its own, to go on.
constexpr HRESULT sc_goOn = 2;

HRESULT outcome(bool present, unsigned char met, bool all) {
  if (!present) return all ? sc_goOn : S_OK;
  if (all) return met != 0 ? sc_goOn : S_FALSE;
  return met != 0 ? S_OK : sc_goOn;
}

}  // namespace

KuvFltFilter::~KuvFltFilter() {
  for (KuvFltDomainFilter* domain : m_domains) delete domain;
}

HRESULT KuvFltFilter::setFilterForDomain(KuvFltDomainFilter* domainFilter) {
  if (domainFilter == nullptr || domainFilter->getDomain() <= 0 || domainFilter->getDomain() > sc_maxDomain)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected domain for a filter");
  KuvFltDomainFilter*& slot = m_domains[domainFilter->getDomain()];
  if (slot != domainFilter) delete slot;
  slot = domainFilter;
  return S_OK;
}

HRESULT KuvFltFilter::getAllDomainFilters(KuvInList& domainFilters) const {
  for (KuvFltDomainFilter* domain : m_domains) {
    if (domain == nullptr) continue;
    const HRESULT hr = domainFilters.PutBack(domain);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

std::int32_t KuvFltFilter::getNbDomainFilters() const {
  std::int32_t n = 0;
  for (const KuvFltDomainFilter* domain : m_domains) n += domain != nullptr ? 1 : 0;
  return n;
}

HRESULT KuvFltFilter::setDnf(KuvDiversityDomain domain, const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (domain <= 0 || domain > sc_maxDomain) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected domain for a filter");
  return kuv::detail::putIntoPart(
      m_domains[domain], [&] { return new KuvFltDomainFilter(domain, m_view); },
      [&](KuvFltDomainFilter& part) { return part.setDnf(dictionary, dnf); });
}

KuvDnf* KuvFltFilter::getDnf(KuvDiversityDomain domain, const KuvInGuid& dictionary) const {
  const KuvFltDomainFilter* d = getFilterForDomain(domain);
  return d != nullptr ? d->getDnf(dictionary) : nullptr;
}

HRESULT KuvFltFilter::MergeWithFilter(const KuvFltFilter& other) {
  KUV_TRACE_CALL("MergeWithFilter");
  if (other.m_view != m_view || other.m_mode != m_mode)
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : cannot merge filters of different views or selection modes");
  if (&other == this) return S_OK;
  for (int d = 1; d <= sc_maxDomain; ++d) {
    if (other.m_domains[d] == nullptr) continue;
    if (m_domains[d] == nullptr) {
      m_domains[d] = other.m_domains[d]->clone();
      continue;
    }
    const HRESULT hr = m_domains[d]->MergeWith(*other.m_domains[d]);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : merge of domain ", d, " FAILED");
  }
  return S_OK;
}

HRESULT KuvFltFilter::isEqual(const KuvFltFilter&) const {
  KUV_RETURN_ERROR(E_NOTIMPL, "ERROR : isEqual on one domain failed");
}

HRESULT KuvFltFilter::isIncludingIn(const KuvFltFilter& other, int domain) const {
  if (m_mode != KuvEeFilterExpression::CFG_SELECTIONMODE_150 ||
      other.m_mode != KuvEeFilterExpression::CFG_SELECTIONMODE_150)
    KUV_RETURN_ERROR(KUV_E_FLT_SELECTION_MODE, "ERROR : inclusion needs filters of selection mode CFG_SELECTIONMODE_150");
  const KuvFltDomainFilter* mine = m_domains[domain];
  const KuvFltDomainFilter* theirs = other.m_domains[domain];
  if (theirs == nullptr) return mine == nullptr ? S_OK : S_FALSE;
  if (mine == nullptr) return S_OK;
  if (usesOptions(*mine) || usesOptions(*theirs))
    KUV_RETURN_ERROR(KUV_E_FLT_OPTIONS, "ERROR : inclusion of filters over options is not supported");
  return mine->isIncluding(*theirs);
}

HRESULT KuvFltFilter::isIncluding(const KuvFltFilter& other) const {
  KUV_TRACE_CALL("isIncluding");
  // A domain that does not include goes on to the next: only a refusal ends
  // the test early.
  HRESULT answer = S_OK;
  for (const int domain : {KuvDiversityDomain_ConfigChange, KuvDiversityDomain_DWS,
                           KuvDiversityDomain_EngineeringActivation}) {
    const HRESULT hr = isIncludingIn(other, domain);
    if (FAILED(hr)) return hr;
    if (hr != S_OK) answer = hr;
  }
  return answer;
}

HRESULT KuvFltFilter::isIncluding(const KuvFltFilter& other, KuvDiversityDomain domain) const {
  KUV_TRACE_CALL("isIncluding");
  if (domain <= 0 || domain > sc_maxDomain) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected domain for a filter");
  return isIncludingIn(other, domain);
}

HRESULT KuvFltFilter::testInclusion(const KuvFltEffectivity& effectivity, KuvDiversityDomain domain,
                                    unsigned char direction) {
  KUV_TRACE_CALL("testInclusion");
  if (domain <= 0 || domain > sc_maxDomain) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : unexpected domain for a filter");
  if (direction != 0)
    KUV_TRACE_DETAIL("Tesing inclusion of filter { ", toString(), " } in effectivity { ", effectivity.toString(), " }");
  else
    KUV_TRACE_DETAIL("Tesing inclusion of effectivity { ", effectivity.toString(), " } in filter { ", toString(), " }");
  KuvFltDomainFilter* mine = m_domains[domain];
  const KuvFltDomainEffectivity* theirs = effectivity.getDomainEffectivity(domain);
  if (mine == nullptr || theirs == nullptr) return mine != nullptr && direction == 0 ? S_FALSE : S_OK;
  return mine->testInclusion(*theirs, direction);
}

HRESULT KuvFltFilter::isIntersect(const KuvFltEffectivity& effectivity, KuvComparisonMode,
                                  KuvComparisonMode domainMode, unsigned char dictionaryFlag) const {
  KUV_TRACE_DETAIL("Testing intersection domain by domain between filter { ", toString(), " } and the effectivity {",
                   effectivity.toString(), "}.\n");
  const bool all = domainMode != KuvComparisonMode_Any;
  unsigned char met = 0;
  auto test = [&](const KuvFltDomainFilter& filter, const KuvFltDomainEffectivity& domain) {
    const HRESULT hr = domain.isIntersect(filter, dictionaryFlag, met);
    if (FAILED(hr)) KUV_TRACE_ERROR("ERROR : isIntersect FAILED");
    return hr;
  };

  const KuvFltDomainFilter* activation = m_domains[KuvDiversityDomain_EngineeringActivation];
  const KuvFltDomainEffectivity* activationEff = effectivity.getDomainEffectivity(KuvDiversityDomain_EngineeringActivation);
  bool present = activation != nullptr && activationEff != nullptr;
  if (present) {
    const HRESULT hr = test(*activation, *activationEff);
    if (FAILED(hr)) return hr;
  }
  HRESULT verdict = outcome(present, met, all);
  if (verdict != sc_goOn) return verdict;

  const KuvFltDomainFilter* change = m_domains[KuvDiversityDomain_ConfigChange];
  present = false;
  met = 0;
  if (change != nullptr) {
    if (const KuvFltDomainEffectivity* changeEff = effectivity.getDomainEffectivity(KuvDiversityDomain_ConfigChange)) {
      present = true;
      const HRESULT hr = test(*change, *changeEff);
      if (FAILED(hr)) return hr;
    } else if (CGE_DECOUPLE_VARIANT_EVOLUTION != 0) {
      KUV_TRACE_DETAIL("Decoupling is activated so Effectivity's domains Variant and Evolution will be compared to "
                       "filter's domain Config Change");
      const KuvFltDomainEffectivity* evolution = effectivity.getDomainEffectivity(KuvDiversityDomain_ConfigChangeEvolution);
      const KuvFltDomainEffectivity* variant = effectivity.getDomainEffectivity(KuvDiversityDomain_ConfigChangeVariant);
      if (evolution != nullptr) {
        present = true;
        const HRESULT hr = test(*change, *evolution);
        if (FAILED(hr)) return hr;
      }
      if (variant != nullptr && (evolution == nullptr || met != 0)) {
        present = true;
        const HRESULT hr = test(*change, *variant);
        if (FAILED(hr)) return hr;
      }
    }
  }
  verdict = outcome(present, met, all);
  if (verdict != sc_goOn) return verdict;

  const KuvFltDomainFilter* dws = m_domains[KuvDiversityDomain_DWS];
  const KuvFltDomainEffectivity* dwsEff = effectivity.getDomainEffectivity(KuvDiversityDomain_DWS);
  if (dws == nullptr || dwsEff == nullptr) return S_OK;
  const HRESULT hr = test(*dws, *dwsEff);
  if (FAILED(hr)) return hr;
  return met != 0 ? S_OK : S_FALSE;
}

HRESULT KuvFltFilter::isIntersect(const KuvFltApplicability& applicability, KuvComparisonMode mode) const {
  KUV_TRACE_CALL("isIntersect");
  const KuvFltDomainFilter* change = m_domains[KuvDiversityDomain_ConfigChange];
  if (change == nullptr) return S_OK;
  bool anyPair = false;
  bool meets = mode != KuvComparisonMode_Any;
  for (const auto& e : change->dnfs().entries()) {
    const KuvDnf* criteria = applicability.getCriteria(e.dictionary);
    if (criteria == nullptr) continue;
    unsigned char met = 0;
    const HRESULT hr = e.dnf->isIntersect(*criteria, met);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR : isIntersect between DNFs FAILED.");
    anyPair = true;
    meets = mode != KuvComparisonMode_Any ? meets && met != 0 : meets || met != 0;
  }
  return !anyPair || meets ? S_OK : S_FALSE;
}

HRESULT KuvFltFilter::runDnfVisitor(KuvFltDnfVisitor& visitor) {
  for (int d = 1; d <= sc_maxDomain; ++d) {
    if (m_domains[d] == nullptr) continue;
    for (const auto& e : m_domains[d]->dnfs().entries()) {
      const HRESULT hr = visitor.visitDnf(static_cast<KuvDiversityDomain>(d), e.dictionary, *e.dnf);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

KuvFltFilter* KuvFltFilter::clone() const {
  auto copy = std::make_unique<KuvFltFilter>(m_view, m_mode);
  for (int d = 1; d <= sc_maxDomain; ++d)
    if (m_domains[d] != nullptr) copy->m_domains[d] = m_domains[d]->clone();
  return copy.release();
}

KuvInString KuvFltFilter::toString(const KuvIDictionaryModelerAccess* access) const {
  static constexpr int sc_order[] = {KuvDiversityDomain_ConfigChange, KuvDiversityDomain_ConfigChangeEvolution,
                                     KuvDiversityDomain_ConfigChangeVariant, KuvDiversityDomain_EngineeringActivation,
                                     KuvDiversityDomain_DWS};
  KuvInString mode;
  if (m_mode == KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT)
    mode = "CFG_SELECTIONMODE_STRICT";
  else if (m_mode == KuvEeFilterExpression::CFG_SELECTIONMODE_150)
    mode = "CFG_SELECTIONMODE_150";
  else
    mode.BuildFromNum(m_mode);
  KuvInString text("FltFilter ( View : ");
  text.Append(viewText(m_view), ", Selection mode : ", mode, " )\n");
  for (const int d : sc_order)
    if (m_domains[d] != nullptr) text.Append(" === Domain ", domainText(d), " : \n", m_domains[d]->toString(access));
  return text;
}
