// KuvFltFilter: a decoded compiled filter: the view it asks of
// effectivities, its selection mode, and one KuvFltDomainFilter per
// diversity domain, held in an array indexed by domain id (1..5) since the
// intersection test looks them up once per filtered object.
//
//     KuvFltFilter filter(CFG_EXPRVIEW_CURRENT, KuvEeFilterExpression::CFG_SELECTIONMODE_150);
//     filter.setDnf(KuvDiversityDomain_ConfigChange, dictionary, dnf);   // dnf taken over
//     HRESULT hr = filter.isIntersect(effectivity, KuvComparisonMode_All, KuvComparisonMode_All, 1);
//     // 0 the effectivity passes the filter, 1 it does not
//
// Intersection with an effectivity: the domains are tested in the order
// Engineering Activation (3), Config Change (2), DWS (1); see isIntersect.
// With the decoupling switch (KuvFltDecoupling.h) on, an effectivity
// without a Config Change part is tested there through its evolution (4)
// and variant (5) parts.
//
// Ownership: the filter owns its domain filters; setting one replaces and
// deletes the previous one of the same domain. Getters hand out the
// filter's pointers.
//
// Choices of this library where filters are combined:
// - MergeWithFilter adds the other filter's domains: a domain only the
//   other has gets a copy of its domain filter; in a domain both have, a
//   dictionary only the other has gets a copy of its form and one both
//   have the union (Or) of the two. Filters of different views or
//   selection modes are refused (E_INVALIDARG).
// - isEqual is not offered (E_NOTIMPL).
#pragma once

#include "KuvEeFilterExpression.h"
#include "KuvFltDomainFilter.h"

class KuvFltApplicability;
class KuvFltEffectivity;
class KuvInList;

// The refusals of filter inclusion: selection modes other than 150%, and
// forms over options (non-exclusive features).
inline constexpr HRESULT KUV_E_FLT_SELECTION_MODE = static_cast<HRESULT>(0x80090115u);
inline constexpr HRESULT KUV_E_FLT_OPTIONS = static_cast<HRESULT>(0x80090118u);

class KUV_API KuvFltFilter : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltFilter)

public:
  using SELECTION_MODE = KuvEeFilterExpression::SELECTION_MODE;
  static constexpr int sc_maxDomain = KuvDiversityDomain_ConfigChangeVariant;

  KuvFltFilter(KuvExpressionView view, SELECTION_MODE mode) : m_view(view), m_mode(mode) {}
  KuvFltFilter(const KuvFltFilter&) = delete;
  KuvFltFilter& operator=(const KuvFltFilter&) = delete;
  ~KuvFltFilter() override;

  KuvExpressionView getView() const { return m_view; }
  SELECTION_MODE getSelectionMode() const { return m_mode; }

  // Takes domainFilter over, deleting the one of the same domain it
  // replaces. A null pointer or a domain outside 1..5 is refused with
  // E_INVALIDARG ("ERROR : unexpected domain for a filter") and stays the
  // caller's.
  HRESULT setFilterForDomain(KuvFltDomainFilter* domainFilter);
  // Null for an absent domain or an id outside 1..5.
  KuvFltDomainFilter* getFilterForDomain(std::int32_t domain) const {
    return domain > 0 && domain <= sc_maxDomain ? m_domains[domain] : nullptr;
  }
  // Appends the domain filters in domain order.
  HRESULT getAllDomainFilters(KuvInList& domainFilters) const;
  std::int32_t getNbDomainFilters() const;
  // Into the domain's filter, created with the filter's view when absent;
  // takes dnf over. A refusal (bad domain, null dnf) changes nothing.
  HRESULT setDnf(KuvDiversityDomain domain, const KuvInGuid& dictionary, KuvDnf* dnf);
  KuvDnf* getDnf(KuvDiversityDomain domain, const KuvInGuid& dictionary) const;

  // See above.
  HRESULT MergeWithFilter(const KuvFltFilter& other);
  // E_NOTIMPL ("ERROR : isEqual on one domain failed").
  HRESULT isEqual(const KuvFltFilter& other) const;
  // 0 when this filter includes other in each of the domains Config
  // Change, DWS and Engineering Activation (in that order), 1 when it does
  // not, a failure code otherwise (the first one ends the test). Per
  // domain: both filters must be of selection mode 150%
  // (KUV_E_FLT_SELECTION_MODE); a domain other lacks is included only when
  // this one lacks it too, a domain this one lacks includes; forms over
  // options are refused (KUV_E_FLT_OPTIONS); otherwise
  // KuvFltDomainFilter::isIncluding decides.
  HRESULT isIncluding(const KuvFltFilter& other) const;
  HRESULT isIncluding(const KuvFltFilter& other, KuvDiversityDomain domain) const;
  // Inclusion between this filter and an effectivity in one domain (see
  // KuvFltDomainFilter::testInclusion). When only the filter has the
  // domain: 1 for direction 0, 0 for direction 1; when the effectivity
  // lacks it or neither has it: 0.
  HRESULT testInclusion(const KuvFltEffectivity& effectivity, KuvDiversityDomain domain, unsigned char direction);

  // 0 when the effectivity passes the filter, 1 when it does not, a failure
  // code when a domain test fails. domainMode 1: every tested domain must
  // meet; 0: one meeting domain is enough, and a domain either side lacks
  // counts as meeting. The domains go 3, 2, 1; the DWS domain (1) decides
  // last, and passes when either side lacks it. The view mode is not used
  // here: a domain filter asks for one view. dictionaryFlag: see
  // KuvFltEffectivityView::isIntersect.
  HRESULT isIntersect(const KuvFltEffectivity& effectivity, KuvComparisonMode viewMode, KuvComparisonMode domainMode,
                      unsigned char dictionaryFlag) const;
  // 0 when the applicability (a Config Change part) meets the filter's
  // Config Change part, 1 when not. Dictionaries that only one side
  // states do not restrict; over the others, mode 1 needs every form pair
  // to meet and mode 0 one pair. A filter without a Config Change part
  // meets every applicability.
  HRESULT isIntersect(const KuvFltApplicability& applicability, KuvComparisonMode mode) const;

  // Shows the visitor every form, domain by domain in id order.
  HRESULT runDnfVisitor(KuvFltDnfVisitor& visitor);

  // A deep copy, the caller's.
  KuvFltFilter* clone() const;
  using KuvFltObject::toString;
  // "FltFilter ( View : " view ", Selection mode : " mode " )\n", then per
  // present domain, in the order Config Change, Evolution, Variant,
  // Engineering Activation, DWS, " === Domain " name " : \n" and its text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  // One domain of isIncluding.
  HRESULT isIncludingIn(const KuvFltFilter& other, int domain) const;

  KuvExpressionView m_view;
  SELECTION_MODE m_mode;
  KuvFltDomainFilter* m_domains[sc_maxDomain + 1] = {};
};
