#include "KuvXMLISAXHandler.h"

KuvXMLISAXHandler::~KuvXMLISAXHandler() = default;

HRESULT KuvXMLISAXHandler::GetError(KuvXMLV2ParserError&) { return E_NOTIMPL; }

HRESULT KuvXMLISAXHandler::GetCreatedModelDico(KuvEeModelDico*&, KuvInSet&, KuvXMLV2IModelerContext*&) {
  return E_NOTIMPL;
}
