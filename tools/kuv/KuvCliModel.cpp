#include "KuvCliModel.h"

namespace kuv_cli {

Model::~Model() = default;

bool Model::load(const std::string& path, std::string& error) {
  KuvXMLV2ModelerContextImpl* collect = &m_texts;
  KuvXMLV3ModelDicoSAXHandler handler(m_context, collect, 1);
  KuvXMLExpatParser parser;
  if (FAILED(parser.ParseFile(path.c_str(), handler))) {
    KuvXMLV2ParserError record;
    error = path;
    if (SUCCEEDED(handler.GetError(record)) && !record.message.IsEmpty()) {
      error += ":" + std::to_string(record.line) + ":" + std::to_string(record.column) + ": ";
      error += record.message.ConvertToChar();
    } else {
      error += ": cannot be read as a dictionary";
    }
    return false;
  }
  KuvInSet descriptions(KuvXMLV2EeSerialDescription::sType());
  KuvXMLV2IModelerContext* collected = nullptr;
  const HRESULT created = handler.GetCreatedModelDico(m_model, descriptions, collected);
  descriptions.DeleteAll();
  if (FAILED(created) || m_model == nullptr || FAILED(m_context.AddModelDico(m_model, true))) {
    error = path + ": no CfgDictionary in it";
    return false;
  }
  m_context.ActivateDate();

  // The literal reader names variables through a space; it holds the
  // model's own variables, so what it reads belongs to the model. The date
  // variable is the context's.
  m_space = std::make_unique<KuvEeVarSpace>(m_model->getName(), m_model->getGuid().getArray());
  KuvEeDateVar* date = nullptr;
  if (FAILED(m_space->addModelVariables(*m_model)) || FAILED(m_context.GetDate(date)) ||
      FAILED(m_space->addDateVar(date))) {
    error = path + ": the model's variables do not make a variable space";
    return false;
  }
  return true;
}

KuvEeDicoObject* Model::find(std::uint8_t kind, const KuvInGuid& guid) const {
  // The context holds one object per GUID, and a series or tree series of
  // the model may carry the model's GUID: those are asked from the model.
  if (kind == KuvBioConstants::E_Dictionary) return guid == m_model->getGuid() ? m_model : nullptr;
  KuvEeDicoObject* object = nullptr;
  if (m_context.GetEEObject(guid, object) && kindOf(*object) == kind) return object;
  if (kind == KuvBioConstants::E_SerialVar)
    for (const std::int32_t type : {KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT, KuvEeSerialVar::MANUF_PLAN})
      if (KuvEeSerialVar* series = m_model->getSeriesVariable(type);
          series != nullptr && series->getGuid() == guid)
        return series;
  if (kind == KuvBioConstants::E_TreeSeriesVar)
    for (const std::int32_t type : {KuvEeSerialVar::TREE_STATE, KuvEeSerialVar::TREE_MANUF_PLAN})
      if (KuvEeTreeSeriesVar* series = m_model->getTreeSeriesVariable(type);
          series != nullptr && series->getGuid() == guid)
        return series;
  return nullptr;
}

std::uint8_t Model::kindOf(const KuvEeDicoObject& object) {
  using C = KuvBioConstants;
  const struct {
    KuvInObjectTypeClass* type;
    C::E_VarType kind;
  } kinds[] = {
      {KuvEeModelDico::sType(), C::E_Dictionary},
      {KuvEeOptionVar::sType(), C::E_Option},
      {KuvEeCategory::sType(), C::E_Category},
      {KuvEeSerialVar::sType(), C::E_SerialVar},
      {KuvEeDateVar::sType(), C::E_DateVar},
      {KuvEeSelectionVar::sType(), C::E_SelectionVar},
      {KuvEeSelectionValue::sType(), C::E_SelectionValue},
      {KuvEeEffectivity::sType(), C::E_Effectivity},
      {KuvEeTreeSeriesVar::sType(), C::E_TreeSeriesVar},
      {KuvEeMilestonesVar::sType(), C::E_MilestonesVar},
  };
  for (const auto& entry : kinds)
    if (KuvInObjectTypeClass::isa(object.dType(), entry.type)) return static_cast<std::uint8_t>(entry.kind);
  return 0;
}

}  // namespace kuv_cli
