#include "KuvEeDateVar.h"

KUV_DEFINE_TYPE(KuvEeDateVar, KuvEeVariable)

KuvEeDateVar::KuvEeDateVar(const KuvInString& name, const unsigned char* guid) : KuvEeVariable(name, guid) {}

KuvEeDateVar::~KuvEeDateVar() = default;

HRESULT KuvEeDateVar::setDomain(const KuvInDate& start, const KuvInDate& end) {
  return m_domain.setInterval(start, end);
}
