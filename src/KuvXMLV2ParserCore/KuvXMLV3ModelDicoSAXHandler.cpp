#include "KuvXMLV3ModelDicoSAXHandler.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <new>
#include <unordered_set>

#include "KuvConversionServices.h"
#include "KuvEeCategory.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeMilestone.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeModelDico.h"
#include "KuvEeOptionVar.h"
#include "KuvEeSelectionValueAdder.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeTreeSeriesElement.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvInDate.h"
#include "KuvInMapVal.h"
#include "KuvInTreeEvalIndex.h"
#include "KuvOutOfMemory.h"
#include "KuvXMLV2EeSerialDescription.h"
#include "KuvXMLV2ModelerContextImpl.h"
#include "KuvXMLV2ParserErrorWriter.h"

KUV_DEFINE_TYPE(KuvXMLV3ModelDicoSAXHandler, KuvXMLV2SAXHandlerBase)

namespace {

// Room for one more created object before it is made, so that recording it
// cannot fail once it is linked into the model.
void makeRoom(std::vector<KuvEeDicoObject*>& created) {
  if (created.size() == created.capacity()) created.reserve(2 * created.size() + 8);
}

constexpr const char* sc_dictionary = "CfgDictionary";
constexpr const char* sc_series = "Series";
constexpr const char* sc_treeSeries = "TreeSeries";
constexpr const char* sc_treeSeriesElement = "TreeSeriesElement";
constexpr const char* sc_feature = "Feature";
constexpr const char* sc_track = "MilestonesTrack";
constexpr const char* sc_milestone = "Milestone";
// The open ends of a unit series, as its domain keeps them.
constexpr std::int32_t sc_lowest = -2000000000;
constexpr std::int32_t sc_highest = 2000000000;

// A whole decimal integer of 32 bits: no blanks, no trailing text.
bool parseInt(const KuvInString& text, int& value) {
  const char* chars = text.ConvertToChar();
  const char* end = chars + std::strlen(chars);
  const auto [stop, error] = std::from_chars(chars, end, value);
  return error == std::errc() && stop == end && stop != chars;
}

}  // namespace

namespace kuv::detail {

// The attributes of one element; the first required one that is missing is
// traced, and the element then fails.
class XMLAttributes {
public:
  XMLAttributes(const KuvInMapVal& map, const char* element, KuvInTraceClass& channel)
      : m_map(map), m_element(element), m_channel(channel) {}

  // Null when absent.
  const KuvInString* optional(const char* name) const {
    const KuvInObjectVal* value = m_map.Get(KuvInString(name));
    return value != nullptr ? KuvInString::cast(*value) : nullptr;
  }
  // Null, traced once, when absent.
  const KuvInString* required(const char* name) {
    const KuvInString* value = optional(name);
    if (value == nullptr && m_complete) {
      m_complete = false;
      KUV_TRACE_ERROR_ON(m_channel, "ERROR: Element ", m_element, " doesn't have attribute ", name);
    }
    return value;
  }
  bool complete() const { return m_complete; }
  // The value, or an empty text when absent.
  KuvInString text(const char* name) const {
    const KuvInString* value = optional(name);
    return value != nullptr ? *value : KuvInString();
  }

private:
  const KuvInMapVal& m_map;
  const char* m_element;
  KuvInTraceClass& m_channel;
  bool m_complete = true;
};

}  // namespace kuv::detail

KuvXMLV3ModelDicoSAXHandler::KuvXMLV3ModelDicoSAXHandler(KuvEeExpressionContext& context,
                                                         KuvXMLV2ModelerContextImpl*& modelerContext,
                                                         unsigned char collectDescriptions)
    : KuvXMLV2SAXHandlerBase(traceChannel()),
      m_context(context),
      m_modelerContext(modelerContext),
      m_collect(collectDescriptions),
      m_descriptions(KuvXMLV2EeSerialDescription::sType()),
      m_treeElements(KuvEeTreeSeriesElement::sType()),
      m_milestones(KuvEeMilestone::sType()) {}

KuvXMLV3ModelDicoSAXHandler::~KuvXMLV3ModelDicoSAXHandler() { discard(); }

void KuvXMLV3ModelDicoSAXHandler::clearConstruction() {
  m_treeSeries = nullptr;
  m_treeElements.Clear();
  m_treeRootSet = false;
  m_track = nullptr;
  m_milestones.Clear();
  m_milestoneRootSet = false;
  m_featureLevel = 0;
  m_feature = nullptr;
}

void KuvXMLV3ModelDicoSAXHandler::discard() {
  clearConstruction();
  m_dico.reset();
  // Newest first: options and values leave their feature before a feature
  // the document created goes.
  for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) {
    if (auto* value = KuvEeSelectionValue::cast(**it))
      value->getSelectionVar()->removeValue(value);
    else
      delete *it;
  }
  m_created.clear();
  m_descriptions.DeleteAll();
}

HRESULT KuvXMLV3ModelDicoSAXHandler::StartDocument() {
  KUV_TRACE_CALL("StartDocument");
  discard();
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::Characters(const KuvInString&) { return S_OK; }

HRESULT KuvXMLV3ModelDicoSAXHandler::EndDocument() { return S_OK; }

HRESULT KuvXMLV3ModelDicoSAXHandler::StartElement(const KuvInString& name, const KuvInMapVal& attributes) {
  KUV_TRACE_CALL("StartElement");
  if (!isClean()) return refuseAfterError();
  HRESULT hr = traceAttributes(attributes);
  if (SUCCEEDED(hr)) hr = startElement(name, attributes);
  if (FAILED(hr)) recordDataError("CFG DATA ERROR");
  return hr;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::EndElement(const KuvInString& name) {
  KUV_TRACE_CALL("EndElement");
  if (!isClean()) return refuseAfterError();
  const HRESULT hr = endElement(name);
  if (FAILED(hr)) recordDataError("CFG DATA ERROR");
  return hr;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::traceAttributes(const KuvInMapVal& attributes) const {
  if (!traceChannel().isCallOn()) return S_OK;
  for (KuvInMapVal::const_iterator it = attributes.cBegin(); !it.IsEnd();) {
    const KuvInMapVal::entry* entry = it.GetEntryGoToNext();
    if (entry->GetKey() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Attribute entry with a null key.");
    if (entry->GetVal() == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Attribute entry with a null value.");
    KUV_TRACE_DETAIL(entry->GetKey()->toString(), " = ", entry->GetVal()->toString());
  }
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startElement(const KuvInString& name, const KuvInMapVal& map) {
  using Start = HRESULT (KuvXMLV3ModelDicoSAXHandler::*)(Attributes&);
  static constexpr std::pair<const char*, Start> starts[] = {
      {sc_dictionary, &KuvXMLV3ModelDicoSAXHandler::startDictionary},
      {sc_series, &KuvXMLV3ModelDicoSAXHandler::startSeries},
      {sc_treeSeries, &KuvXMLV3ModelDicoSAXHandler::startTreeSeries},
      {sc_treeSeriesElement, &KuvXMLV3ModelDicoSAXHandler::startTreeSeriesElement},
      {sc_feature, &KuvXMLV3ModelDicoSAXHandler::startFeature},
      {sc_track, &KuvXMLV3ModelDicoSAXHandler::startMilestonesTrack},
      {sc_milestone, &KuvXMLV3ModelDicoSAXHandler::startMilestone},
  };
  for (const auto& [element, start] : starts) {
    if (name != KuvInString(element)) continue;
    Attributes attributes(map, element, traceChannel());
    return (this->*start)(attributes);
  }
  return S_OK;  // elements of other vocabularies are not ours to judge
}

HRESULT KuvXMLV3ModelDicoSAXHandler::toGuid(const KuvInString& text, KuvInGuid& guid) const {
  const HRESULT hr = KuvConversionServices::ConvertStringToGuid(text, guid);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: Unable to convert Uuid ", text);
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startDictionary(Attributes& attributes) {
  const KuvInString* uuid = attributes.required("Uuid");
  const KuvInString* name = attributes.required("Name");
  if (!attributes.complete()) return E_FAIL;
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  if (m_dico != nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: An EeModelDico has already been created.");
  m_dico = std::make_unique<KuvEeModelDico>(*name, guid);
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::describeSeries(Attributes& attributes, std::int32_t type) {
  auto description = std::make_unique<KuvXMLV2EeSerialDescription>(
      attributes.text("Description"), static_cast<KuvXMLV2EeSerialDescription::SerialVarExternalType>(type));
  if (!m_descriptions.Put(description.get()))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to put SeriesDescription into bag, object already exists or object "
                             "type isn't accepted into bag.");
  description.release();
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startSeries(Attributes& attributes) {
  const KuvInString* type = attributes.required("Type");
  if (!attributes.complete()) return E_FAIL;
  if (*type != KuvInString("Unit")) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of Series retrieved : ", *type);
  if (m_dico == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: EeModelDico hasn't been created.");
  if (FAILED(kuv::detail::throwIfOutOfMemory(m_dico->enableEvolutionSeries(KuvEeSerialVar::UNIT)))) {
    recordDataError(KuvXMLV2ParserErrorWriter::WriteMessage(CFG_ERR_SERIAL_TWICE, CRITERIA_UNIT, "", "", ""));
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to activate EvolutionSeries on EeModelDico, Series of type ", *type,
                     " is already existing.");
  }
  attributes.required("Uuid");
  attributes.required("Name");
  if (!attributes.complete()) return E_FAIL;
  if (const HRESULT hr = describeSeries(attributes, KuvXMLV2EeSerialDescription::UNIT); FAILED(hr)) return hr;
  KuvEeSerialVar* series = m_dico->getSeriesVariable(KuvEeSerialVar::UNIT);
  if (series == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve Serial Variable of type ",
                     static_cast<int>(KuvEeSerialVar::UNIT), " from ModelDico ", m_dico->getGuid().toString());
  const KuvInString* lowerText = attributes.optional("LowerBound");
  const KuvInString* upperText = attributes.optional("UpperBound");
  if (lowerText == nullptr || upperText == nullptr) return S_OK;
  int lower = sc_lowest;
  int upper = sc_highest;
  if (*lowerText != KuvInString("INFNEG") && !parseInt(*lowerText, lower))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to ConvertToNum LowerBound ", *lowerText);
  if (*upperText != KuvInString("INFPOS") && !parseInt(*upperText, upper))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to ConvertToNum UpperBound ", *upperText);
  if (FAILED(series->setDomain(lower, upper))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to set domain.");
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startTreeSeries(Attributes& attributes) {
  const KuvInString* typeText = attributes.required("Type");
  if (!attributes.complete()) return E_FAIL;
  std::int32_t type = 0;
  std::int32_t descriptionType = 0;
  if (*typeText == KuvInString("ProductState")) {
    type = KuvEeSerialVar::TREE_STATE;
    descriptionType = KuvXMLV2EeSerialDescription::PRODUCT_STATE;
  } else if (*typeText == KuvInString("ManufPlan")) {
    type = KuvEeSerialVar::TREE_MANUF_PLAN;
    descriptionType = KuvXMLV2EeSerialDescription::MANUF_PLAN;
  } else {
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected type of TreeSeries retrieved : ", *typeText);
  }
  if (m_dico == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: EeModelDico hasn't been created.");
  // An existing series answers S_FALSE: a second one of a type is refused
  // like a second unit series.
  if (kuv::detail::throwIfOutOfMemory(m_dico->enableEvolutionTreeSeries(type, false)) != S_OK) {
    recordDataError(KuvXMLV2ParserErrorWriter::WriteMessage(CFG_ERR_SERIAL_TWICE, CRITERIA_STATE, "", "", ""));
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to activate EvolutionTreeSeries on EeModelDico, TreeSeries of type ",
                     *typeText, " is already existing.");
  }
  attributes.required("Uuid");
  attributes.required("Name");
  if (!attributes.complete()) return E_FAIL;
  if (const HRESULT hr = describeSeries(attributes, descriptionType); FAILED(hr)) return hr;
  m_treeSeries = m_dico->getTreeSeriesVariable(type);
  if (m_treeSeries == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to retrieve TreeSeries Variable of type ", type, " from ModelDico ",
                     m_dico->getGuid().toString());
  m_treeElements.Clear();
  m_treeRootSet = false;
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startTreeSeriesElement(Attributes& attributes) {
  if (m_treeSeries == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Encountered element ", sc_treeSeriesElement, " outside element ",
                     sc_treeSeries);
  if (m_treeElements.IsEmpty() && m_treeRootSet)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Encountered more than one root ", sc_treeSeriesElement);
  const KuvInString* uuid = attributes.required("Uuid");
  const KuvInString* name = attributes.required("Name");
  const KuvInString* revision = attributes.required("Revision");
  const KuvInString* indexText = attributes.required("TreeEvalIndex");
  if (!attributes.complete()) return E_FAIL;
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  KuvInTreeEvalIndex index;
  if (FAILED(KuvInTreeEvalIndex::BuildFromString(*indexText, index)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to create TreeEvalIndex from value ", *indexText);
  const KuvInString* seqText = attributes.optional("SequenceNumber");
  int seqNb = 0;
  if (seqText != nullptr && !parseInt(*seqText, seqNb))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to convert to number SequenceNumber ", *seqText);
  if (seqNb < 0)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Invalid SequenceNumber ", *seqText, ", must be a positive or null value.");
  KuvEeTreeSeriesElement* parent = nullptr;
  if (!m_treeElements.IsEmpty()) {
    parent = KuvEeTreeSeriesElement::cast(*m_treeElements.Get(m_treeElements.GetLength() - 1));
    if (parent == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to cast retrieved object into a KuvEeTreeSeriesElement.");
  }
  auto element = std::make_unique<KuvEeTreeSeriesElement>(*name, guid.getArray(), *revision, index, m_treeSeries,
                                                          parent);
  KuvEeTreeSeriesElement* const made = element.get();
  // Once linked into the series the element is the series', even when a
  // later step (its sequence number, say) fails or runs out of memory.
  struct GiveUpOnceLinked {
    std::unique_ptr<KuvEeTreeSeriesElement>& element;
    const KuvEeTreeSeriesElement* parent;
    const KuvEeTreeSeriesVar* series;
    ~GiveUpOnceLinked() {
      const KuvEeTreeElementBase* made = element.get();
      if (parent != nullptr ? parent->getChildren().Find(made) : series->getRootElement() == made)
        element.release();
    }
  } giveUp{element, parent, m_treeSeries};
  if (parent != nullptr) {
    const HRESULT hr = kuv::detail::throwIfOutOfMemory(
        seqText != nullptr ? parent->addChild(element.get(), seqNb) : parent->addChild(element.get()));
    if (hr != S_OK) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add child to TreeSeriesElement father.");
  } else {
    const HRESULT hr = seqText != nullptr ? m_treeSeries->setRootTreeSeriesElement(element.get(), seqNb)
                                          : m_treeSeries->setRootTreeSeriesElement(element.get());
    if (hr != S_OK) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add TreeSeriesElement to TreeSeriesVar.");
    m_treeRootSet = true;
  }
  m_treeElements.PutBack(made);
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startFeature(Attributes& attributes) {
  ++m_featureLevel;
  if (m_featureLevel == 1 && m_feature != nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Feature parent is defined at level 0.");
  if (m_featureLevel == 2 && m_feature == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Feature parent isn't defined at level 1.");
  if (m_featureLevel > 2) KUV_RETURN_ERROR(E_FAIL, "ERROR: Feature level higher level 2 isn't supported.");
  const KuvInString* uuid = attributes.required("Uuid");
  if (!attributes.complete()) return E_FAIL;
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  const KuvInString* name = attributes.required("Name");
  if (!attributes.complete()) return E_FAIL;
  return m_featureLevel == 1 ? startTopFeature(attributes, *name, guid) : startOption(attributes, *name, guid);
}

HRESULT KuvXMLV3ModelDicoSAXHandler::findFeature(const KuvInGuid& guid, KuvEeDicoObject*& feature) {
  if (FAILED(m_dico->getConfigFeature(guid, feature)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : Call to GetConfigFeature() in KuvEeModelDico has failed.");
  if (feature != nullptr) return S_OK;
  if (FAILED(m_context.GetConfigFeature(guid, feature)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : Call to GetConfigFeature() in KuvEeExpressionContext has failed.");
  if (feature != nullptr && kuv::detail::throwIfOutOfMemory(m_dico->addConfigFeature(feature)) != S_OK) {
    feature = nullptr;
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add ConfigFeature from another EeModelDico into current EeModelDico.");
  }
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startTopFeature(Attributes& attributes, const KuvInString& name,
                                                     const KuvInGuid& guid) {
  attributes.required("Type");
  const KuvInString* selectionType = attributes.required("SelectionType");
  if (!attributes.complete()) return E_FAIL;
  if (m_dico == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: EeModelDico hasn't been created.");
  const bool single = *selectionType == KuvInString("Single");
  if (!single && *selectionType != KuvInString("Multiple"))
    KUV_RETURN_ERROR(E_FAIL, "ERROR : Unexpected value ", *selectionType, " for attribute SelectionType into element ",
                     sc_feature);
  KuvEeDicoObject* feature = nullptr;
  if (const HRESULT hr = findFeature(guid, feature); FAILED(hr)) return hr;
  if (feature != nullptr) {
    if (single && KuvEeSelectionVar::cast(*feature) == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : Retrieved ConfigFeature isn't a KuvEeSelectionVar.");
    if (!single && KuvEeCategory::cast(*feature) == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : Retrieved ConfigFeature isn't a KuvEeCategory.");
    if (feature->getName() != name)
      KUV_RETURN_ERROR(E_FAIL, single ? "ERROR : SelectionVar from EeExpressionContext hasn't the same name that "
                                        "from XML Dictionary one."
                                      : "ERROR : EeCategory from EeExpressionContext hasn't the same name that from "
                                        "XML Dictionary one.");
  } else {
    makeRoom(m_created);
    std::unique_ptr<KuvEeDicoObject> created;
    if (single)
      created = std::make_unique<KuvEeSelectionVar>(name, guid.getArray());
    else
      created = std::make_unique<KuvEeCategory>(name, guid.getArray());
    if (kuv::detail::throwIfOutOfMemory(m_dico->addConfigFeature(created.get())) != S_OK)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add ConfigFeature to EeModelDico.");
    feature = created.release();
    m_created.push_back(feature);
  }
  m_feature = feature;
  if (collecting())
    m_modelerContext->AddFeatureDescriptionInformation(*feature, attributes.text("DisplayName"),
                                                       attributes.text("Description"), attributes.text("Revision"));
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startOption(Attributes& attributes, const KuvInString& name,
                                                 const KuvInGuid& guid) {
  KuvEeDicoObject* option = nullptr;
  if (KuvEeCategory* category = KuvEeCategory::cast(*m_feature)) {
    option = category->getOptionVar(guid);
    if (option == nullptr) {
      makeRoom(m_created);
      auto created = std::make_unique<KuvEeCatOptionVar>(name, guid.getArray(), category);
      // The category refuses a second option of the same name silently.
      if (category->getOptionVar(guid) != created.get())
        KUV_RETURN_ERROR(E_FAIL, "ERROR : Unable to add CatOptionVar to EeCategory.");
      option = created.release();
      m_created.push_back(option);
    }
  } else if (KuvEeSelectionVar* variable = KuvEeSelectionVar::cast(*m_feature)) {
    option = variable->getValue(guid);
    if (option == nullptr) {
      makeRoom(m_created);
      option = kuv::detail::addSelectionValue(*variable, name, guid.getArray());
      if (option == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR : Unable to add SelectionValue to SelectionVar.");
      m_created.push_back(option);
    }
  } else {
    KUV_RETURN_ERROR(E_FAIL, "ERROR : Unexpected parent feature type.");
  }
  if (option->getName() != name)
    KUV_RETURN_ERROR(E_FAIL, "ERROR : CatOptionVar from EeCategory hasn't the same name that from XML Dictionary one.");
  return collecting() ? collectOption(attributes, *option) : S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::collectOption(Attributes& attributes, KuvEeDicoObject& option) {
  int order = -1;
  const KuvInString orderText = attributes.text("SequenceOrder");
  if (!orderText.IsEmpty()) {
    if (!parseInt(orderText, order))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to convert to number SequenceOrder ", orderText);
    // The message says "or null" but 0 is refused as well.
    if (order <= 0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Invalid SequenceNumber ", orderText, ", must be a positive or null value.");
  }
  m_modelerContext->AddOptionDescriptionInformation(option, attributes.text("DisplayName"),
                                                    attributes.text("Description"),
                                                    KuvInIntHolder(static_cast<std::uint32_t>(order)));
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startMilestonesTrack(Attributes& attributes) {
  if (m_dico == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: EeModelDico hasn't been created.");
  const KuvInString* uuid = attributes.required("Uuid");
  const KuvInString* name = attributes.required("Name");
  const KuvInString* discipline = attributes.required("Discipline");
  if (!attributes.complete()) return E_FAIL;
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  auto track = std::make_unique<KuvEeMilestonesVar>(*name, guid.getArray(), *discipline, m_dico.get());
  if (kuv::detail::throwIfOutOfMemory(m_dico->addMilestonesTrack(track.get())) != S_OK) {
    recordDataError(KuvXMLV2ParserErrorWriter::WriteMessage(CFG_ERR_OBJECT_TWICE, CRITERIA_MILESTONE, "", "", ""));
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to activate on ModelDico Milestones with discipline ", *discipline);
  }
  m_track = track.release();
  m_milestones.Clear();
  m_milestoneRootSet = false;
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::startMilestone(Attributes& attributes) {
  if (m_track == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Encountered element ", sc_milestone, " outside element ", sc_track);
  if (m_milestones.IsEmpty() && m_milestoneRootSet)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Encountered more than one root ", sc_milestone);
  const KuvInString* uuid = attributes.required("Uuid");
  const KuvInString* name = attributes.required("Name");
  const KuvInString* indexText = attributes.required("TreeEvalIndex");
  if (!attributes.complete()) return E_FAIL;
  KuvInGuid guid;
  if (const HRESULT hr = toGuid(*uuid, guid); FAILED(hr)) return hr;
  KuvInTreeEvalIndex index;
  if (FAILED(KuvInTreeEvalIndex::BuildFromString(*indexText, index)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to create TreeEvalIndex from value ", *indexText);
  const KuvInString dateText = attributes.text("Date");
  std::unique_ptr<KuvInDate> date;
  if (!dateText.IsEmpty()) {
    date = std::make_unique<KuvInDate>();
    if (FAILED(date->ParseDateValue(dateText, true)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to parser date value ", dateText);
  }
  KuvEeMilestone* parent = nullptr;
  if (!m_milestones.IsEmpty()) {
    parent = KuvEeMilestone::cast(*m_milestones.Get(m_milestones.GetLength() - 1));
    if (parent == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to cast retrieved object into a KuvEeMilestone.");
  }
  auto milestone = std::make_unique<KuvEeMilestone>(*name, guid.getArray(), m_track, index, date.get(), parent);
  if (parent != nullptr) {
    if (kuv::detail::throwIfOutOfMemory(parent->addChild(milestone.get())) != S_OK)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add child to father milestone.");
  } else {
    if (m_track->setRootMilestone(milestone.get()) != S_OK)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add Milestone to MilestonesVar.");
    m_milestoneRootSet = true;
  }
  m_milestones.PutBack(milestone.release());
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::endTree(const char* element, const char* child, KuvInList& stack,
                                             bool rootSet) {
  if (!stack.IsEmpty())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: End element ", element, " encountered but all containing elements aren't closed.");
  if (!rootSet)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: End element ", element, " encountered but no containing element ", child,
                     " found.");
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::endElement(const KuvInString& name) {
  if (name == KuvInString(sc_treeSeriesElement) || name == KuvInString(sc_milestone)) {
    const bool tree = name == KuvInString(sc_treeSeriesElement);
    KuvInList& stack = tree ? m_treeElements : m_milestones;
    if (stack.PopBack() == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: End element ", name, " encountered without its start element.");
    return S_OK;
  }
  if (name == KuvInString(sc_treeSeries)) {
    if (m_treeSeries == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: End element ", sc_treeSeries,
                       " encountered but all containing elements aren't closed.");
    if (const HRESULT hr = endTree(sc_treeSeries, sc_treeSeriesElement, m_treeElements, m_treeRootSet); FAILED(hr))
      return hr;
    m_treeSeries = nullptr;
    m_treeRootSet = false;
    return S_OK;
  }
  if (name == KuvInString(sc_track)) {
    if (m_track == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: End element ", sc_track,
                       " encountered but all containing elements aren't closed.");
    if (const HRESULT hr = endTree(sc_track, sc_milestone, m_milestones, m_milestoneRootSet); FAILED(hr)) return hr;
    m_track = nullptr;
    m_milestoneRootSet = false;
    return S_OK;
  }
  if (name == KuvInString(sc_feature)) {
    if ((m_featureLevel != 1 && m_featureLevel != 2) || m_feature == nullptr)
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Encountered an end element ", sc_feature,
                       " but its start element hasn't been found.");
    if (--m_featureLevel == 0) m_feature = nullptr;
  }
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::adoptIntoContext() {
  // Only options and values leave the list, so the features it holds stay
  // the same throughout; what stays is packed in place, in order.
  const std::unordered_set<const KuvEeDicoObject*> created(m_created.begin(), m_created.end());
  const auto adopted = [&created](const KuvEeDicoObject& object) -> KuvEeDicoObject* {
    KuvEeDicoObject* feature = nullptr;
    if (const auto* option = KuvEeCatOptionVar::cast(object)) feature = option->getCategory();
    if (const auto* value = KuvEeSelectionValue::cast(object)) feature = value->getSelectionVar();
    return feature != nullptr && created.count(feature) == 0 ? feature : nullptr;
  };
  // A GUID the context already gives another object would be dropped, or
  // fail half way: refused before anything moves.
  for (KuvEeDicoObject* object : m_created) {
    KuvEeDicoObject* known = nullptr;
    if (adopted(*object) != nullptr && m_context.GetEEObject(object->getGuid(), known))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add option ", object->getName(),
                       " to the ConfigFeature of KuvEeExpressionContext.");
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < m_created.size(); ++i) {
    KuvEeDicoObject* object = m_created[i];
    KuvEeDicoObject* feature = adopted(*object);
    if (feature == nullptr) {
      m_created[kept++] = object;
      continue;
    }
    // The context makes its own copy, which it indexes and owns. Failing or
    // out of memory, the list keeps exactly the objects that are still here.
    bool gone = false;
    const auto dropTaken = [&] {
      m_created.erase(m_created.begin() + static_cast<std::ptrdiff_t>(kept),
                      m_created.begin() + static_cast<std::ptrdiff_t>(i) + (gone ? 1 : 0));
    };
    try {
      const KuvInString name = object->getName();
      const KuvInGuid guid = object->getGuid();
      if (auto* value = KuvEeSelectionValue::cast(*object))
        value->getSelectionVar()->removeValue(value);
      else
        delete object;
      gone = true;
      if (FAILED(m_context.AddConfigFeatureOption(name, guid, feature))) {
        dropTaken();
        KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add option ", name,
                         " to the ConfigFeature of KuvEeExpressionContext.");
      }
    } catch (const std::bad_alloc&) {
      dropTaken();
      throw;
    }
  }
  m_created.resize(kept);
  return S_OK;
}

HRESULT KuvXMLV3ModelDicoSAXHandler::GetCreatedModelDico(KuvEeModelDico*& dico, KuvInSet& descriptions,
                                                         KuvXMLV2IModelerContext*& modelerContext) {
  KUV_TRACE_CALL("GetCreatedModelDico");
  dico = nullptr;
  modelerContext = nullptr;
  // A document that never reached its root says so, whatever it met after.
  if (m_dico == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to return a created EeModelDico, no parsing have been done.");
  if (!isClean()) KUV_RETURN_ERROR(E_FAIL, "ERROR: An error has been detected: ", recordedMessage());
  if (!descriptions.IsTypeAccepted(KuvXMLV2EeSerialDescription::sType()))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: cast issue, wrong type set on the list.");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (const HRESULT hr = adoptIntoContext(); FAILED(hr)) return hr;
    // All or nothing: the caller deletes what it was given.
    try {
      for (KuvInSet::const_iterator it = m_descriptions.cBegin(); it.IsValid();)
        descriptions.Put(it.GetGoToNext());
    } catch (const std::bad_alloc&) {
      for (KuvInSet::const_iterator it = m_descriptions.cBegin(); it.IsValid();)
        descriptions.Remove(it.GetGoToNext());
      throw;
    }
    m_descriptions.TakeEach([](KuvInObject*) {});
    clearConstruction();
    m_created.clear();
    dico = m_dico.release();
    if (collecting()) modelerContext = m_modelerContext;
    return S_OK;
  });
}
