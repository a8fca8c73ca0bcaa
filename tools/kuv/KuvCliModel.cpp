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

}  // namespace kuv_cli
