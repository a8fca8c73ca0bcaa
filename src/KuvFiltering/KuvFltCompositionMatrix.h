// KuvFltCompositionMatrix: a decoded composition matrix, a rule "IF these
// criteria THEN those": each part maps a dictionary to a normal form.
// Filters are prepared for a context by applying the matrices of each
// dictionary to their criteria.
//
// Ownership: the matrix owns the forms of both parts; setting a
// dictionary's form in a part deletes the form it replaces. The getters
// hand out the matrix's pointers.
#pragma once

#include "KuvFltObject.h"

class KuvInList;
class KuvInListVal;

class KUV_API KuvFltCompositionMatrix : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvFltCompositionMatrix)

public:
  KuvFltCompositionMatrix() = default;
  KuvFltCompositionMatrix(const KuvFltCompositionMatrix&) = delete;
  KuvFltCompositionMatrix& operator=(const KuvFltCompositionMatrix&) = delete;
  ~KuvFltCompositionMatrix() override;

  // Take dnf over; E_INVALIDARG ("ERROR : null DNF") for null.
  HRESULT IF_SetCriteria(const KuvInGuid& dictionary, KuvDnf* dnf);
  HRESULT THEN_SetCriteria(const KuvInGuid& dictionary, KuvDnf* dnf);
  KuvDnf* IF_GetCriteria(const KuvInGuid& dictionary) const { return m_if.get(dictionary); }
  KuvDnf* THEN_GetCriteria(const KuvInGuid& dictionary) const { return m_then.get(dictionary); }
  // Append the part's dictionaries (KuvInGuid copies) and forms, in
  // insertion order.
  HRESULT IF_GetAllCriteria(KuvInListVal& dictionaries, KuvInList& dnfs) const;
  HRESULT THEN_GetAllCriteria(KuvInListVal& dictionaries, KuvInList& dnfs) const;
  const kuv::detail::FltDnfMap& ifPart() const { return m_if; }
  const kuv::detail::FltDnfMap& thenPart() const { return m_then; }

  // A deep copy, the caller's.
  KuvFltCompositionMatrix* clone() const;
  using KuvFltObject::toString;
  // "FltCompositionMatrix : \n IF : \n", the IF part's dictionaries
  // ("\tDictionary " name " : " form), " THEN : \n", the THEN part's.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  kuv::detail::FltDnfMap m_if;
  kuv::detail::FltDnfMap m_then;
};
