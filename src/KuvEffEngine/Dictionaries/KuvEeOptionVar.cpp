#include "KuvEeOptionVar.h"

#include "KuvEeCategory.h"

KUV_DEFINE_TYPE(KuvEeOptionVar, KuvEeVariable)
KUV_DEFINE_TYPE(KuvEeBasicOptionVar, KuvEeOptionVar)
KUV_DEFINE_TYPE(KuvEeCatOptionVar, KuvEeOptionVar)

KuvEeOptionVar::~KuvEeOptionVar() = default;

KuvInString KuvEeOptionVar::toString() const {
  KuvInString text("OptionVar( ");
  return text.Append(getName(), "/", getGuid().toString(), " )");
}

KuvEeBasicOptionVar::KuvEeBasicOptionVar(const KuvInString& name, const KuvInGuid& guid)
    : KuvEeOptionVar(name, guid.getArray()) {}

KuvEeBasicOptionVar::~KuvEeBasicOptionVar() = default;

KuvEeCatOptionVar::KuvEeCatOptionVar(const KuvInString& name, const unsigned char* guid,
                                     KuvEeCategory* category)
    : KuvEeOptionVar(name, guid), m_category(category) {
  if (m_category != nullptr) m_category->m_options.add(this);
}

KuvEeCatOptionVar::~KuvEeCatOptionVar() {
  if (m_category != nullptr) m_category->m_options.remove(this);
}
