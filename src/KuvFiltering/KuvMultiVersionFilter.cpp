#include "KuvMultiVersionFilter.h"

#include "KuvFltComparisonServices.h"

KUV_DEFINE_TYPE(KuvMultiVersionFilter, KuvFltObject)
KUV_DEFINE_TYPE(KuvMultiVersionEffectivity, KuvFltObject)

namespace {

KuvInString versionHeading(std::uint32_t version) {
  KuvInString number;
  number.BuildFromNum(static_cast<int>(version), "%u");
  KuvInString text("Parser version ");
  return text.Append(number, " : ");
}

}  // namespace

KuvMultiVersionFilter::~KuvMultiVersionFilter() { delete m_filter; }

KuvFltFilter* KuvMultiVersionFilter::release() {
  KuvFltFilter* filter = m_filter;
  m_filter = nullptr;
  return filter;
}

HRESULT KuvMultiVersionFilter::isIntersect(const KuvMultiVersionEffectivity& effectivity, unsigned char& answer) const {
  answer = 0;
  if (m_version != effectivity.getParserVersion())
    KUV_RETURN_ERROR(E_INVALIDARG, "ERROR : filter and effectivity of different parser versions");
  if (m_filter == nullptr || effectivity.getEffectivity() == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  return KuvFltComparisonServices::IsIntersect(*m_filter, *effectivity.getEffectivity(), KuvComparisonMode_All,
                                               KuvComparisonMode_All, answer, 1);
}

KuvInString KuvMultiVersionFilter::toString(const KuvIDictionaryModelerAccess* access) const {
  return versionHeading(m_version).Append(m_filter != nullptr ? m_filter->toString(access) : KuvInString("NULL"));
}

KuvMultiVersionEffectivity::~KuvMultiVersionEffectivity() { delete m_effectivity; }

KuvFltEffectivity* KuvMultiVersionEffectivity::release() {
  KuvFltEffectivity* effectivity = m_effectivity;
  m_effectivity = nullptr;
  return effectivity;
}

KuvInString KuvMultiVersionEffectivity::toString(const KuvIDictionaryModelerAccess* access) const {
  return versionHeading(m_version).Append(m_effectivity != nullptr ? m_effectivity->toString(access)
                                                                   : KuvInString("NULL"));
}
