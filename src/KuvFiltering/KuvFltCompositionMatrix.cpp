#include "KuvFltCompositionMatrix.h"

#include "KuvInGuid.h"
#include "KuvInList.h"
#include "KuvInListVal.h"

KUV_DEFINE_TYPE(KuvFltCompositionMatrix, KuvFltObject)

KuvFltCompositionMatrix::~KuvFltCompositionMatrix() = default;

HRESULT KuvFltCompositionMatrix::IF_SetCriteria(const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (dnf == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : null DNF");
  m_if.set(dictionary, dnf);
  return S_OK;
}

HRESULT KuvFltCompositionMatrix::THEN_SetCriteria(const KuvInGuid& dictionary, KuvDnf* dnf) {
  if (dnf == nullptr) KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : null DNF");
  m_then.set(dictionary, dnf);
  return S_OK;
}

HRESULT KuvFltCompositionMatrix::IF_GetAllCriteria(KuvInListVal& dictionaries, KuvInList& dnfs) const {
  return m_if.list(dictionaries, dnfs);
}

HRESULT KuvFltCompositionMatrix::THEN_GetAllCriteria(KuvInListVal& dictionaries, KuvInList& dnfs) const {
  return m_then.list(dictionaries, dnfs);
}

KuvFltCompositionMatrix* KuvFltCompositionMatrix::clone() const {
  auto* copy = new KuvFltCompositionMatrix();
  m_if.cloneInto(copy->m_if);
  m_then.cloneInto(copy->m_then);
  return copy;
}

KuvInString KuvFltCompositionMatrix::toString(const KuvIDictionaryModelerAccess* access) const {
  KuvInString text("FltCompositionMatrix : \n IF : \n");
  return text.Append(m_if.toString(access, "\t"), " THEN : \n", m_then.toString(access, "\t"));
}
