// KuvXMLV2SAXHandlerBase: the error record every second-generation XML
// reader keeps, and the SAX operations that only touch it.
//
// The record starts clean (status 2). The first data error a reader meets
// makes it 1; from then on the reader refuses every element, so the parser
// stops. Error always records a parser error (status 0) with its position;
// FatalError only while the record is clean; both always trace. GetError
// copies the record even when clean, and then answers S_FALSE. A reader
// traces on its own channel, which it hands to this base.
#pragma once

#include <cstdint>

#include "KuvInString.h"
#include "KuvXMLISAXHandler.h"

class KUV_API KuvXMLV2SAXHandlerBase : public KuvInObject, public KuvXMLISAXHandler {
  KUV_DECLARE_TYPE(KuvXMLV2SAXHandlerBase)

public:
  ~KuvXMLV2SAXHandlerBase() override;
  KuvXMLV2SAXHandlerBase(const KuvXMLV2SAXHandlerBase&) = delete;
  KuvXMLV2SAXHandlerBase& operator=(const KuvXMLV2SAXHandlerBase&) = delete;

  // Both record and answer E_FAIL, so the parser stops.
  HRESULT Error(int line, int column, const KuvInString& message) override;
  HRESULT FatalError(int line, int column, const KuvInString& message) override;
  // S_FALSE, with a trace, while nothing is recorded.
  HRESULT GetError(KuvXMLV2ParserError& error) override;

protected:
  explicit KuvXMLV2SAXHandlerBase(KuvInTraceClass& channel);

  bool isClean() const { return m_status == 2; }
  // E_FAIL with the trace of a reader that skips the rest of a document.
  HRESULT refuseAfterError() const;
  // Records a data error unless one is recorded already.
  void recordDataError(const KuvInString& message);
  const KuvInString& recordedMessage() const { return m_message; }
  KuvInTraceClass& channel() const { return m_channel; }

private:
  // Traces a parser's error; with record, it becomes the error record.
  void reportParserError(int line, int column, const KuvInString& parserText, bool record);

  KuvInTraceClass& m_channel;
  std::int32_t m_line = 0;
  std::int32_t m_column = 0;
  std::int32_t m_status = 2;
  KuvInString m_message;
};
