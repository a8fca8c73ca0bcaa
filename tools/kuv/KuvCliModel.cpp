#include "KuvCliModel.h"

namespace kuv_cli {

namespace {

template <class T>
T* each(const KuvInObject* object) {
  return object != nullptr ? T::cast(*const_cast<KuvInObject*>(object)) : nullptr;
}

}  // namespace

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
  // model's own variables, so what it reads belongs to the model.
  m_space = std::make_unique<KuvEeVarSpace>(m_model->getName(), m_model->getGuid().getArray());
  const KuvInSet* features = nullptr;
  if (SUCCEEDED(m_model->getConfigFeatures(features)) && features != nullptr) {
    for (KuvInSet::const_iterator it = features->cBegin(); it.IsValid();) {
      const KuvInObject* feature = it.GetGoToNext();
      if (KuvEeCategory* category = each<KuvEeCategory>(feature)) {
        m_space->addCategory(category);
        for (KuvInSet::const_iterator o = category->getOptionVars().cBegin(); o.IsValid();)
          m_space->addOptionVar(each<KuvEeOptionVar>(o.GetGoToNext()));
      } else if (KuvEeSelectionVar* selection = each<KuvEeSelectionVar>(feature)) {
        m_space->addSelectionVar(selection);
      }
    }
  }
  for (std::int32_t type : {KuvEeSerialVar::STATE, KuvEeSerialVar::UNIT, KuvEeSerialVar::MANUF_PLAN})
    if (KuvEeSerialVar* series = m_model->getSeriesVariable(type)) m_space->addSerialVar(series);
  for (std::int32_t type : {KuvEeSerialVar::TREE_STATE, KuvEeSerialVar::TREE_MANUF_PLAN})
    if (KuvEeTreeSeriesVar* tree = m_model->getTreeSeriesVariable(type)) m_space->addTreeSeriesVar(tree);
  KuvInSet tracks(KuvEeMilestonesVar::sType());
  if (m_model->getMilestonesTracks(tracks) == S_OK)
    for (KuvInSet::const_iterator it = tracks.cBegin(); it.IsValid();)
      m_space->addMilestonesTrack(each<KuvEeMilestonesVar>(it.GetGoToNext()));
  KuvEeDateVar* date = nullptr;
  if (SUCCEEDED(m_context.GetDate(date)) && date != nullptr) m_space->addDateVar(date);
  return true;
}

}  // namespace kuv_cli
