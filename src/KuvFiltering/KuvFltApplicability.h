// KuvFltApplicability: a decoded compiled applicability (for which
// configurations a change applies), its criteria: the normal form of the
// change over each dictionary. It stands for the Config Change domain.
//
// Ownership: the applicability owns its forms; adding a dictionary's form
// again deletes the form it replaces. getCriteria and getAllCriteria hand
// out the applicability's pointers.
#pragma once

#include "KuvFltObject.h"

class KuvInList;
class KuvInListVal;

class KUV_API KuvFltApplicability : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltApplicability)

public:
  KuvFltApplicability() = default;
  KuvFltApplicability(const KuvFltApplicability&) = delete;
  KuvFltApplicability& operator=(const KuvFltApplicability&) = delete;
  ~KuvFltApplicability() override;

  // Takes dnf over; E_INVALIDARG ("ERROR : null DNF") for null.
  HRESULT addCriteria(const KuvInGuid& dictionary, KuvDnf* dnf);
  KuvDnf* getCriteria(const KuvInGuid& dictionary) const { return m_criteria.get(dictionary); }
  // Appends the dictionaries (KuvInGuid copies) and their forms, in
  // insertion order.
  HRESULT getAllCriteria(KuvInListVal& dictionaries, KuvInList& dnfs) const;
  std::int32_t getNbCriteria() const { return m_criteria.size(); }
  const kuv::detail::FltDnfMap& criteria() const { return m_criteria; }

  // A deep copy, the caller's.
  KuvFltApplicability* clone() const;
  using KuvFltObject::toString;
  // "FltApplicability : \n", then per dictionary "\tDictionary " name " : "
  // and the form's text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  kuv::detail::FltDnfMap m_criteria;
};
