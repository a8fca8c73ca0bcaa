#include "KuvXMLV2ModelerContextImpl.h"

#include "KuvEeDicoObject.h"

KUV_DEFINE_TYPE(KuvXMLV2ModelerContextImpl, KuvXMLV2IModelerContext)

namespace {

template <class Map>
auto* recordOf(const Map& map, const KuvInObject& object) {
  const KuvEeDicoObject* dicoObject = KuvEeDicoObject::cast(object);
  const auto found = dicoObject != nullptr ? map.find(dicoObject->getGuid()) : map.end();
  return found != map.end() ? &found->second : nullptr;
}

}  // namespace

KuvXMLV2ModelerContextImpl::KuvXMLV2ModelerContextImpl() = default;

KuvXMLV2ModelerContextImpl::~KuvXMLV2ModelerContextImpl() = default;

const KuvXMLV2ModelerContextImpl::Texts* KuvXMLV2ModelerContextImpl::find(const KuvInObject& object) const {
  if (const Texts* feature = recordOf(m_features, object)) return feature;
  return recordOf(m_options, object);
}

HRESULT KuvXMLV2ModelerContextImpl::GetDescription(const KuvInObject& object, KuvInString& description) const {
  const Texts* texts = find(object);
  if (texts == nullptr) return S_FALSE;
  description.Append(texts->description);
  return S_OK;
}

HRESULT KuvXMLV2ModelerContextImpl::GetDisplayName(const KuvInObject& object, KuvInString& displayName) const {
  const Texts* texts = find(object);
  if (texts == nullptr) return S_FALSE;
  displayName.Append(texts->displayName);
  return S_OK;
}

HRESULT KuvXMLV2ModelerContextImpl::GetOptionSequenceOrder(const KuvInObject& option, KuvInIntHolder& order) const {
  const OptionTexts* texts = recordOf(m_options, option);
  if (texts == nullptr) return S_FALSE;
  order = texts->order;
  return S_OK;
}

HRESULT KuvXMLV2ModelerContextImpl::GetFeatureRevision(const KuvInObject& feature, KuvInString& revision) const {
  const FeatureTexts* texts = recordOf(m_features, feature);
  if (texts == nullptr) return S_FALSE;
  revision.Append(texts->revision);
  return S_OK;
}

HRESULT KuvXMLV2ModelerContextImpl::AddFeatureDescriptionInformation(const KuvInObject& feature,
                                                                     const KuvInString& displayName,
                                                                     const KuvInString& description,
                                                                     const KuvInString& revision) {
  const KuvEeDicoObject* dicoObject = KuvEeDicoObject::cast(feature);
  if (dicoObject == nullptr) return S_FALSE;
  FeatureTexts texts;
  texts.displayName = displayName;
  texts.description = description;
  texts.revision = revision;
  return m_features.emplace(dicoObject->getGuid(), texts).second ? S_OK : S_FALSE;
}

HRESULT KuvXMLV2ModelerContextImpl::AddOptionDescriptionInformation(const KuvInObject& option,
                                                                    const KuvInString& displayName,
                                                                    const KuvInString& description,
                                                                    const KuvInIntHolder& order) {
  const KuvEeDicoObject* dicoObject = KuvEeDicoObject::cast(option);
  if (dicoObject == nullptr) return S_FALSE;
  OptionTexts texts;
  texts.displayName = displayName;
  texts.description = description;
  texts.order = order;
  return m_options.emplace(dicoObject->getGuid(), texts).second ? S_OK : S_FALSE;
}
