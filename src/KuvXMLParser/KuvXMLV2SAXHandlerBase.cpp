#include "KuvXMLV2SAXHandlerBase.h"

#include "KuvXMLV2ParserError.h"
#include "KuvXMLV2ParserErrorWriter.h"

KUV_DEFINE_TYPE(KuvXMLV2SAXHandlerBase, KuvInObject)

KuvXMLV2SAXHandlerBase::KuvXMLV2SAXHandlerBase(KuvInTraceClass& channel) : m_channel(channel) {}

KuvXMLV2SAXHandlerBase::~KuvXMLV2SAXHandlerBase() = default;

HRESULT KuvXMLV2SAXHandlerBase::refuseAfterError() const {
  KUV_RETURN_ERROR_ON(m_channel, E_FAIL, "ERROR: An error is already logged => SKIP PARSING.");
}

void KuvXMLV2SAXHandlerBase::recordDataError(const KuvInString& message) {
  if (!isClean()) return;
  m_status = 1;
  m_message = message;
}

void KuvXMLV2SAXHandlerBase::reportParserError(int line, int column, const KuvInString& parserText, bool record) {
  const KuvInString text =
      KuvXMLV2ParserErrorWriter::WriteMessage(CFG_ERR_DOCUMENT_STRUCTURE, CRITERIA_TYPE{}, "", "", "");
  if (record) {
    m_status = 0;
    m_line = line;
    m_column = column;
    m_message = text;
  }
  KUV_TRACE_ERROR_ON(m_channel, "Parsing error: ", text);
  KUV_TRACE_ERROR_ON(m_channel, "At line ", line, ", column ", column);
  KUV_TRACE_ERROR_ON(m_channel, "Obtained parser error: ", parserText);
}

HRESULT KuvXMLV2SAXHandlerBase::Error(int line, int column, const KuvInString& message) {
  reportParserError(line, column, message, true);
  return E_FAIL;
}

HRESULT KuvXMLV2SAXHandlerBase::FatalError(int line, int column, const KuvInString& message) {
  // The first error tells the story; a parser that goes on reports its
  // consequences, traced but not recorded.
  reportParserError(line, column, message, isClean());
  return E_FAIL;
}

HRESULT KuvXMLV2SAXHandlerBase::GetError(KuvXMLV2ParserError& error) {
  // A clean record is copied too: status 2, no position, no message.
  error.line = m_line;
  error.column = m_column;
  error.status = m_status;
  error.message = m_message;
  if (isClean()) {
    KUV_TRACE_ERROR_ON(m_channel, "ERROR: trying to retrieve XML Parser error but NO ERROR LOGGED.");
    return S_FALSE;
  }
  return S_OK;
}
