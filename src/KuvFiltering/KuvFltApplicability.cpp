#include "KuvFltApplicability.h"

#include "KuvInGuid.h"
#include "KuvInList.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvFltApplicability, KuvFltObject)

KuvFltApplicability::~KuvFltApplicability() = default;

HRESULT KuvFltApplicability::addCriteria(const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (dnf == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : null DNF");
  m_criteria.set(dictionary, dnf);
  return S_OK;
}

HRESULT KuvFltApplicability::getAllCriteria(KuvInListVal& dictionaries, KuvInList& dnfs) const {
  return m_criteria.list(dictionaries, dnfs);
}

KuvFltApplicability* KuvFltApplicability::clone() const {
  auto* copy = new KuvFltApplicability();
  m_criteria.cloneInto(copy->m_criteria);
  return copy;
}

KuvInString KuvFltApplicability::toString(const KuvIDictionaryModelerAccess* access) const {
  KuvInString text("FltApplicability : \n");
  return text.Append(m_criteria.toString(access, "\t"));
}
