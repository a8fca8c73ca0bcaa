#include "KuvXMLV2DicoSAXHandlerBase.h"

#include <charconv>
#include <cstring>

#include "KuvEeCategory.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionValueAdder.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeSerialVarValue.h"
#include "KuvOutOfMemory.h"
#include "KuvXMLV2EeSerialDescription.h"

KUV_DEFINE_TYPE(KuvXMLV2DicoSAXHandlerBase, KuvXMLV2SAXHandlerBase)

namespace {

const KuvInString* attribute(const KuvInMapVal& attributes, const char* name) {
  const KuvInObjectVal* value = attributes.Get(KuvInString(name));
  return value != nullptr ? KuvInString::cast(*value) : nullptr;
}

bool parseInt(const KuvInString& text, int& value) {
  const char* chars = text.ConvertToChar();
  const char* end = chars + std::strlen(chars);
  const auto [stop, error] = std::from_chars(chars, end, value);
  return error == std::errc() && stop == end && stop != chars;
}

}  // namespace

KuvXMLV2DicoSAXHandlerBase::KuvXMLV2DicoSAXHandlerBase(KuvInTraceClass& channel)
    : KuvXMLV2SAXHandlerBase(channel),
      m_descriptions(KuvXMLV2EeSerialDescription::sType()),
      m_texts(KuvInGuid::sType(), KuvInString::sType()) {}

KuvXMLV2DicoSAXHandlerBase::~KuvXMLV2DicoSAXHandlerBase() { discard(); }

void KuvXMLV2DicoSAXHandlerBase::discard() {
  m_series = nullptr;
  m_level = 0;
  m_feature = nullptr;
  // Newest first: options and values leave their feature before it goes.
  for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
    if (auto* value = KuvEeSelectionValue::cast(**it))
      value->getSelectionVar()->removeValue(value);
    else
      delete *it;
  }
  m_created.clear();
  m_descriptions.DeleteAll();
  m_texts.Clear();
}

HRESULT KuvXMLV2DicoSAXHandlerBase::StartDocument() {
  KUV_TRACE_CALL_ON(channel(), "StartDocument");
  discard();
  discardRoot();
  return S_OK;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::Characters(const KuvInString&) { return S_OK; }

HRESULT KuvXMLV2DicoSAXHandlerBase::EndDocument() { return S_OK; }

HRESULT KuvXMLV2DicoSAXHandlerBase::dataError(CFG_DATA_ERROR_KIND kind, const KuvInString& trace) {
  recordDataError(KuvXMLV2ParserErrorWriter::WriteMessage(kind, CRITERIA_TYPE{}, "", "", ""));
  KUV_RETURN_ERROR_ON(channel(), E_FAIL, trace);
}

HRESULT KuvXMLV2DicoSAXHandlerBase::StartElement(const KuvInString& name, const KuvInMapVal& attributes) {
  KUV_TRACE_CALL_ON(channel(), "StartElement");
  if (!isClean()) return refuseAfterError();
  const HRESULT hr = startElement(name, attributes);
  if (FAILED(hr)) recordDataError("CFG DATA ERROR");
  return hr;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::startElement(const KuvInString& name, const KuvInMapVal& attributes) {
  if (name == KuvInString("Unit")) return startSeries(attributes, name, KuvEeSerialVar::UNIT);
  if (name == KuvInString("State")) return startSeries(attributes, name, KuvEeSerialVar::STATE);
  if (name == KuvInString("ManufPlan")) return startSeries(attributes, name, KuvEeSerialVar::MANUF_PLAN);
  if (name == KuvInString("SeriesObject")) return startSeriesObject(attributes);
  if (name == KuvInString("Characteristic")) return startCharacteristic(attributes);
  if (name != KuvInString("CfgDictionary")) return S_OK;
  const KuvInString* uuid = attribute(attributes, "Uuid");
  const KuvInString* rootName = attribute(attributes, "Name");
  if (uuid == nullptr || rootName == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Element CfgDictionary doesn't have attribute ",
                        uuid == nullptr ? "Uuid" : "Name");
  if (hasRoot()) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: An EeModelDico has already been created.");
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  return createRoot(*rootName, guid);
}

HRESULT KuvXMLV2DicoSAXHandlerBase::startSeries(const KuvInMapVal& attributes, const KuvInString& element,
                                                std::int32_t type) {
  if (!hasRoot()) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: EeModelDico hasn't been created.");
  const KuvInString* uuid = attribute(attributes, "Uuid");
  const KuvInString* name = attribute(attributes, "Name");
  if (uuid == nullptr || name == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Element ", element, " doesn't have attribute ",
                        uuid == nullptr ? "Uuid" : "Name");
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  KuvEeSerialVar* series = nullptr;
  const HRESULT hr = createSeries(type, *name, guid, series);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return dataError(CFG_ERR_SERIAL_TWICE, KuvInString("ERROR: Series ").Append(element, " is already existing."));
  const KuvInString* description = attribute(attributes, "Description");
  if (description != nullptr) m_texts.Put(guid, *description);
  using Type = KuvXMLV2EeSerialDescription::SerialVarExternalType;
  const Type descriptionType = type == KuvEeSerialVar::UNIT    ? KuvXMLV2EeSerialDescription::UNIT
                               : type == KuvEeSerialVar::STATE ? KuvXMLV2EeSerialDescription::PRODUCT_STATE
                                                               : KuvXMLV2EeSerialDescription::MANUF_PLAN;
  m_descriptions.Put(new KuvXMLV2EeSerialDescription(description != nullptr ? *description : KuvInString(),
                                                     static_cast<Type>(descriptionType)));
  m_series = series;
  return S_OK;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::startSeriesObject(const KuvInMapVal& attributes) {
  if (m_series == nullptr || m_series->getExternalType() == KuvEeSerialVar::UNIT)
    return dataError(CFG_ERR_SERIES_OBJECT_OUTSIDE, "ERROR: SeriesObject outside a State or a ManufPlan.");
  const KuvInString* uuid = attribute(attributes, "Uuid");
  const KuvInString* name = attribute(attributes, "Name");
  const KuvInString* revision = attribute(attributes, "Revision");
  const KuvInString* seqText = attribute(attributes, "SequenceNumber");
  int seqNb = -1;
  if (uuid == nullptr || name == nullptr || revision == nullptr || seqText == nullptr ||
      !parseInt(*seqText, seqNb) || seqNb < 0)
    return dataError(CFG_ERR_SERIES_REVISION, "ERROR: SeriesObject without a valid Name, Uuid, Revision or "
                                              "SequenceNumber.");
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  auto value = std::make_unique<KuvEeSerialVarValue>(*name, guid.getArray(), *revision,
                                                     static_cast<std::uint32_t>(seqNb), m_series);
  if (kuv::detail::throwIfOutOfMemory(m_series->addRevision(value.get())) != S_OK)
    return dataError(CFG_ERR_DUPLICATED_NAME_OR_UUID, KuvInString("ERROR: Unable to add revision ").Append(*name));
  value.release();
  return S_OK;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::startCharacteristic(const KuvInMapVal& attributes) {
  if (++m_level > 2)
    return dataError(CFG_ERR_CHARACTERISTIC_LEVEL, "ERROR: Characteristic level higher level 2 isn't supported.");
  if (!hasRoot()) KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: EeModelDico hasn't been created.");
  const KuvInString* uuid = attribute(attributes, "Uuid");
  const KuvInString* name = attribute(attributes, "Name");
  if (uuid == nullptr || name == nullptr)
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Element Characteristic doesn't have attribute ",
                        uuid == nullptr ? "Uuid" : "Name");
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  if (const KuvInString* description = attribute(attributes, "Description"); description != nullptr)
    m_texts.Put(guid, *description);
  if (m_level == 2) return startOption(*name, guid);
  const KuvInString* exclusive = attribute(attributes, "IsExclusive");
  std::unique_ptr<KuvEeDicoObject> feature;
  if (exclusive != nullptr && *exclusive == KuvInString("true"))
    feature = std::make_unique<KuvEeSelectionVar>(*name, guid.getArray());
  else
    feature = std::make_unique<KuvEeCategory>(*name, guid.getArray());
  const HRESULT hr = addFeature(*feature);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE)
    return dataError(CFG_ERR_DUPLICATED_NAME_OR_UUID, KuvInString("ERROR: Unable to add Characteristic ").Append(*name));
  m_feature = feature.release();
  own(m_feature);
  return S_OK;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::startOption(const KuvInString& name, const KuvInGuid& guid) {
  const KuvInString duplicate = KuvInString("ERROR: Unable to add Characteristic ").Append(name);
  if (KuvEeSelectionVar* variable = KuvEeSelectionVar::cast(*m_feature)) {
    KuvEeSelectionValue* value = kuv::detail::addSelectionValue(*variable, name, guid.getArray());
    if (value == nullptr) return dataError(CFG_ERR_DUPLICATED_NAME_OR_UUID, duplicate);
    own(value);
    return S_OK;
  }
  auto* category = KuvEeCategory::cast(*m_feature);
  auto option = std::make_unique<KuvEeCatOptionVar>(name, guid.getArray(), category);
  // The category refuses a second option of a name or GUID silently.
  if (category->getOptionVar(guid) != option.get()) return dataError(CFG_ERR_DUPLICATED_NAME_OR_UUID, duplicate);
  const HRESULT hr = addOption(*option);
  if (FAILED(hr)) return hr;
  if (hr == S_FALSE) return dataError(CFG_ERR_DUPLICATED_NAME_OR_UUID, duplicate);
  own(option.release());
  return S_OK;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::EndElement(const KuvInString& name) {
  KUV_TRACE_CALL_ON(channel(), "EndElement");
  if (!isClean()) return refuseAfterError();
  if (name == KuvInString("Unit") || name == KuvInString("State") || name == KuvInString("ManufPlan")) {
    m_series = nullptr;
  } else if (name == KuvInString("Characteristic")) {
    if (m_level <= 0) {
      recordDataError("CFG DATA ERROR");
      KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: Encountered an end element Characteristic but its start "
                                             "element hasn't been found.");
    }
    if (--m_level == 0) m_feature = nullptr;
  }
  return S_OK;
}

HRESULT KuvXMLV2DicoSAXHandlerBase::handOver(KuvInSet* descriptions, KuvInMapVal& texts, KuvInSet* created) {
  if ((descriptions != nullptr && !descriptions->IsTypeAccepted(KuvXMLV2EeSerialDescription::sType())) ||
      !texts.IsKeyTypeAccepted(KuvInGuid::sType()) || !texts.IsValueTypeAccepted(KuvInString::sType()) ||
      (created != nullptr && !created->IsTypeAccepted(KuvEeDicoObject::sType())))
    KUV_RETURN_ERROR_ON(channel(), E_FAIL, "ERROR: cast issue, wrong type set on the list.");
  if (descriptions != nullptr) {
    for (KuvInSet::const_iterator it = m_descriptions.cBegin(); it.IsValid();) descriptions->Put(it.GetGoToNext());
    m_descriptions.Clear();
  }
  m_descriptions.DeleteAll();
  texts.PutAll(m_texts);
  m_texts.Clear();
  if (created != nullptr)
    for (KuvEeDicoObject* object : m_created)
      if (KuvEeSelectionValue::cast(*object) == nullptr) created->Put(object);
  m_created.clear();
  m_series = nullptr;
  m_level = 0;
  m_feature = nullptr;
  return S_OK;
}
