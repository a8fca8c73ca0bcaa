// KuvFltEffectivityView: one view (source, current, projected, or the one
// that stands for all views) of one domain of a decoded effectivity: the
// normal form of the effectivity over each dictionary it is stated on.
//
// Ownership: the view owns its normal forms; setting a dictionary's form
// deletes the form it replaces. getDnf hands out the view's pointer.
#pragma once

#include "KuvFltObject.h"

class KuvFltDomainFilter;
class KuvInListVal;

class KUV_API KuvFltEffectivityView : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltEffectivityView)

public:
  explicit KuvFltEffectivityView(KuvExpressionView view) : m_view(view) {}
  KuvFltEffectivityView(const KuvFltEffectivityView&) = delete;
  KuvFltEffectivityView& operator=(const KuvFltEffectivityView&) = delete;
  ~KuvFltEffectivityView() override;

  KuvExpressionView getView() const { return m_view; }
  // Takes dnf over; E_INVALIDARG ("ERROR : null DNF") for null.
  HRESULT setDnf(const KuvInGuid& dictionary, KuvDnf* dnf);
  // The form a context computed for the dictionary: as setDnf.
  HRESULT PutContextDNF(const KuvInGuid& dictionary, KuvDnf* dnf) { return setDnf(dictionary, dnf); }
  KuvDnf* getDnf(const KuvInGuid& dictionary) const { return m_dnfs.get(dictionary); }
  // Appends the dictionaries' GUIDs (KuvInGuid copies), in insertion order.
  HRESULT getDictionnaries(KuvInListVal& dictionaries) const;
  const kuv::detail::FltDnfMap& dnfs() const { return m_dnfs; }

  // out: 1 when the view meets the domain filter. With dictionaryFlag set,
  // one pair of a filter form and a view form that meet is enough, whatever
  // their dictionaries. With it clear, each filter form is tested against
  // the view's form of the same dictionary (a missing one does not meet)
  // and the filter's last dictionary gives the answer.
  HRESULT isIntersect(const KuvFltDomainFilter& filter, unsigned char dictionaryFlag, unsigned char& out) const;

  // A deep copy, the caller's.
  KuvFltEffectivityView* clone() const;
  using KuvFltObject::toString;
  // "View " view " : \n", then per dictionary "\t\tDictionary " name " : "
  // and the form's text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  KuvExpressionView m_view;
  kuv::detail::FltDnfMap m_dnfs;
};
