// KuvFltDomainFilter: the part of a decoded filter for one diversity
// domain: the view it asks of effectivities and the filter's normal form
// over each dictionary. Several dictionaries may share one form (the
// compiled binary stores it once).
//
// Ownership: the domain filter owns its forms (a shared form is deleted
// once); setting a dictionary's form deletes the form it replaces unless
// another dictionary still holds it. It also owns the cache of the
// approximate inclusion test (testInclusion), dropped whenever a form
// changes. getDnf hands out the domain filter's pointer.
#pragma once

#include "KuvFltObject.h"

class KuvFltDomainEffectivity;
class KuvInListVal;

class KUV_API KuvFltDomainFilter : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltDomainFilter)

public:
  KuvFltDomainFilter(KuvDiversityDomain domain, KuvExpressionView view) : m_domain(domain), m_view(view) {}
  KuvFltDomainFilter(const KuvFltDomainFilter&) = delete;
  KuvFltDomainFilter& operator=(const KuvFltDomainFilter&) = delete;
  ~KuvFltDomainFilter() override;

  KuvDiversityDomain getDomain() const { return m_domain; }
  KuvExpressionView getView() const { return m_view; }
  // Takes dnf over; E_INVALIDARG ("ERROR : null DNF") for null.
  HRESULT setDnf(const KuvInGuid& dictionary, KuvDnf* dnf);
  KuvDnf* getDnf(const KuvInGuid& dictionary) const { return m_dnfs.get(dictionary); }
  // Appends the dictionaries' GUIDs (KuvInGuid copies), in insertion order.
  HRESULT getDictionaries(KuvInListVal& dictionaries) const;
  std::int32_t getNbDictionaries() const { return m_dnfs.size(); }
  const kuv::detail::FltDnfMap& dnfs() const { return m_dnfs; }
  // Deletes every form (each once) and forgets the dictionaries.
  void DeleteAllDNFs();

  // 0 when this domain filter includes other: for each of this one's
  // dictionaries, its form includes other's form of the same dictionary
  // (exact test; a dictionary other lacks is included). 1 when one does
  // not, a failure code otherwise. Dictionaries only other has are not
  // looked at.
  HRESULT isIncluding(const KuvFltDomainFilter& other) const;
  // With exactly one dictionary (E_FAIL otherwise): direction 0 whether the
  // effectivity's form (for this filter's view, same dictionary) lies in
  // the filter's, exactly; direction 1 whether the filter's lies in the
  // effectivity's, approximately, through the cache. 0 yes, 1 no.
  HRESULT testInclusion(const KuvFltDomainEffectivity& effectivity, unsigned char direction);
  // Adds other's dictionaries: a dictionary only other has gets a copy of
  // its form, one both have gets the union (Or) of the two forms.
  HRESULT MergeWith(const KuvFltDomainFilter& other);

  // A deep copy (without the cache), the caller's.
  KuvFltDomainFilter* clone() const;
  using KuvFltObject::toString;
  // "\tView " view " : \n", then per dictionary "\t\tDictionary " name " : "
  // and the form's text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  void dropCache();

  KuvDiversityDomain m_domain;
  KuvExpressionView m_view;
  kuv::detail::FltDnfMap m_dnfs;
  KuvDnf* m_inclusionCache = nullptr;
};
