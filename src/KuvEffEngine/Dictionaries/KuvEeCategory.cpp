#include "KuvEeCategory.h"

#include "KuvEeOptionVar.h"

KUV_DEFINE_TYPE(KuvEeCategory, KuvEeDicoObject)

KuvEeCategory::KuvEeCategory(const KuvInString& name, const unsigned char* guid)
    : KuvEeDicoObject(name, guid) {}

KuvEeCategory::~KuvEeCategory() {
  // The options outlive us: they must not reach back into a dead category.
  for (KuvInSet::const_iterator it = m_options.getSet().cBegin(); it.IsValid();)
    static_cast<KuvEeCatOptionVar*>(it.GetGoToNext())->m_category = nullptr;
}

KuvEeCatOptionVar* KuvEeCategory::getOptionVar(const KuvInString& name) const {
  return static_cast<KuvEeCatOptionVar*>(m_options.get(name));
}

KuvEeCatOptionVar* KuvEeCategory::getOptionVar(const KuvInGuid& guid) const {
  return static_cast<KuvEeCatOptionVar*>(m_options.get(guid));
}

KuvInString KuvEeCategory::toString() const {
  KuvInString text("Category( ");
  return text.Append(getName(), "/", getGuid().toString(), " )");
}
