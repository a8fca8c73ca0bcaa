// KuvFltEffectivity: a decoded compiled effectivity, one
// KuvFltDomainEffectivity per diversity domain (1 DWS, 2 Config Change,
// 3 Engineering Activation, 4 Config Change Evolution, 5 Config Change
// Variant), held in an array indexed by domain id since filtering looks
// them up once per object.
//
// Ownership: the effectivity owns its domain effectivities; setting one
// replaces and deletes the previous one of the same domain. Getters hand
// out the effectivity's pointers.
//
// Comparisons between effectivities (choices of this library):
// - isIntersect: over the domains both have, each domain over the views
//   both have; a view meets when some dictionary both state meets, or,
//   with the dictionary flag set, when any form of one meets any form of
//   the other (as a filter meets an effectivity). The view mode combines
//   the views of a domain, the domain mode the domains (1 all, 0 one is
//   enough); nothing in common intersects.
// - isIncluding: every form of the other, at the same domain, view and
//   dictionary, is included in this one's (the exact test of
//   KuvEeDnfComparisonServices::IsAIncludingB). A domain or view this one
//   lacks constrains nothing and includes; a dictionary it lacks in a
//   view it has includes only FALSE.
// - isEqual: each includes the other.
#pragma once

#include "KuvFltDomainEffectivity.h"

class KuvInList;
class KuvInListVal;

class KUV_API KuvFltEffectivity : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltEffectivity)

public:
  static constexpr int sc_maxDomain = KuvDiversityDomain_ConfigChangeVariant;

  KuvFltEffectivity() = default;
  KuvFltEffectivity(const KuvFltEffectivity&) = delete;
  KuvFltEffectivity& operator=(const KuvFltEffectivity&) = delete;
  ~KuvFltEffectivity() override;

  // Takes domainEffectivity over, deleting the one of the same domain it
  // replaces. A null pointer or a domain outside 1..5 is refused with
  // E_INVALIDARG ("ERROR : Put domain eff in map Failed") and stays the
  // caller's.
  HRESULT setDomainEffectivity(KuvFltDomainEffectivity* domainEffectivity);
  // Null for an absent domain or an id outside 1..5.
  KuvFltDomainEffectivity* getDomainEffectivity(std::int32_t domain) const {
    return domain > 0 && domain <= sc_maxDomain ? m_domains[domain] : nullptr;
  }
  // Appends the domain effectivities in domain order.
  HRESULT getDomainEffectivities(KuvInList& domainEffectivities) const;
  std::int32_t getNbDomainEffectivity() const;
  // Into the domain and view, created when absent; takes dnf over. A
  // refusal (bad domain or view, null dnf) changes nothing and leaves dnf
  // the caller's.
  HRESULT setDnf(KuvDiversityDomain domain, KuvExpressionView view, const KuvInGuid& dictionary, KuvDnf* dnf);
  KuvDnf* getDnf(KuvDiversityDomain domain, KuvExpressionView view, const KuvInGuid& dictionary) const;
  // Appends each dictionary GUID the effectivity states once, in domain,
  // view and insertion order.
  HRESULT getDictionaries(KuvInListVal& dictionaries) const;
  // S_OK when there is at least one domain, each with at least one view
  // holding at least one form; S_FALSE otherwise.
  HRESULT isEffectivityValid() const;

  // See above; answer 1 for true. Failures of the form tests are returned.
  HRESULT isEqual(const KuvFltEffectivity& other, unsigned char& answer) const;
  HRESULT isIncluding(const KuvFltEffectivity& other, unsigned char& answer) const;
  HRESULT isIntersect(const KuvFltEffectivity& other, KuvComparisonMode viewMode,
                      KuvComparisonMode domainMode, unsigned char& answer,
                      unsigned char dictionaryFlag = 0) const;

  // A deep copy, the caller's.
  KuvFltEffectivity* clone() const;
  using KuvFltObject::toString;
  // "FltEffectivity : \n", then per present domain, in the order Config
  // Change, Evolution, Variant, Engineering Activation, DWS, its heading
  // (" === Domain Config Change : \n" ...) and its text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  KuvFltDomainEffectivity* m_domains[sc_maxDomain + 1] = {};
};
