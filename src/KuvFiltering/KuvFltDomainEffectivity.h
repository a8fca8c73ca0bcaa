// KuvFltDomainEffectivity: the part of a decoded effectivity for one
// diversity domain, with at most one KuvFltEffectivityView per view number
// (0 source, 1 current, 2 projected, 3 the view that stands for all).
//
// A filter reads the view it asks for; a domain that lacks that view
// answers with its view 3 instead, except the Config Change domain, whose
// views are never substituted. Views are held in an array indexed by view
// number: the lookup runs once per filtered object.
//
// Ownership: the domain effectivity owns its views; setting a view
// replaces and deletes the previous view of the same number. Getters hand
// out the domain effectivity's pointers.
#pragma once

#include "KuvFltEffectivityView.h"

class KuvInList;

class KUV_API KuvFltDomainEffectivity : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltDomainEffectivity)

public:
  static constexpr int sc_nbViews = 4;

  explicit KuvFltDomainEffectivity(KuvDiversityDomain domain) : m_domain(domain) {}
  KuvFltDomainEffectivity(const KuvFltDomainEffectivity&) = delete;
  KuvFltDomainEffectivity& operator=(const KuvFltDomainEffectivity&) = delete;
  ~KuvFltDomainEffectivity() override;

  KuvDiversityDomain getDomain() const { return m_domain; }
  // Takes view over, deleting the view of the same number it replaces;
  // E_INVALIDARG ("ERROR : unexpected view") for null or a number outside
  // 0..3, the view then staying the caller's.
  HRESULT setEffectivityView(KuvFltEffectivityView* view);
  // Null for an absent view or a number outside 0..3.
  KuvFltEffectivityView* getEffectivityView(std::int32_t view) const {
    return view >= 0 && view < sc_nbViews ? m_views[view] : nullptr;
  }
  std::int32_t getNbEffectivityViews() const;
  // Appends the views in number order.
  HRESULT getEffectivityViews(KuvInList& views) const;
  // Into the view, created when absent; takes dnf over. A refusal (bad
  // view, null dnf) changes nothing and leaves dnf the caller's.
  HRESULT setDnf(KuvExpressionView view, const KuvInGuid& dictionary, KuvDnf* dnf);
  KuvDnf* getDnf(KuvExpressionView view, const KuvInGuid& dictionary) const;

  // The view a filter asking for view reads (see above), or null.
  const KuvFltEffectivityView* viewFor(std::int32_t view) const {
    if (view < 0 || view >= sc_nbViews) return nullptr;
    if (m_views[view] != nullptr || view == CFG_EXPRVIEW_NONE) return m_views[view];
    return m_domain != KuvDiversityDomain_ConfigChange ? m_views[CFG_EXPRVIEW_NONE] : nullptr;
  }
  // out: 1 when the view the filter asks for meets it (see
  // KuvFltEffectivityView::isIntersect). E_FAIL when there is no such view.
  HRESULT isIntersect(const KuvFltDomainFilter& filter, unsigned char dictionaryFlag, unsigned char& out) const;

  // A deep copy, the caller's.
  KuvFltDomainEffectivity* clone() const;
  using KuvFltObject::toString;
  // Each present view's text, in number order, after a tab.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  KuvDiversityDomain m_domain;
  KuvFltEffectivityView* m_views[sc_nbViews] = {};
};
