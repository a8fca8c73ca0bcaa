// KuvXMLExpatParser: reads an XML document with expat and drives any
// KuvXMLISAXHandler with its events, one for one: StartDocument, then
// StartElement / Characters / EndElement in document order, then
// EndDocument.
//
//     KuvXMLV3ModelDicoSAXHandler handler(context, texts, 1);
//     KuvXMLExpatParser parser;
//     if (FAILED(parser.ParseFile("bike.xml", handler)))
//       report(parser.GetLine(), parser.GetColumn());
//
// The document is untrusted. Namespaces are not processed (xmlns and xsi:*
// reach the handler as plain attributes). Character data comes in one
// Characters call per run of text, however expat splits it. No external
// entity or DTD is ever loaded: a reference to one is a parse error, and
// so is an entity expansion beyond expat's amplification limits. A parse
// error reaches the handler through FatalError (line and column from 1).
// A handler that answers a failing code stops the parse; that stop is not
// reported to the handler as an error, and Parse answers the handler's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "KuvInObject.h"

class KuvXMLISAXHandler;

class KUV_API KuvXMLExpatParser : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLExpatParser)

public:
  KuvXMLExpatParser();
  ~KuvXMLExpatParser() override;

  // S_OK when the whole document was read and every handler call
  // succeeded; the handler's code when it stopped the parse; E_FAIL for a
  // malformed document (after FatalError) or an unreadable input.
  HRESULT ParseFile(const char* path, KuvXMLISAXHandler& handler);
  HRESULT ParseBuffer(const char* bytes, std::size_t length, KuvXMLISAXHandler& handler);
  HRESULT ParseStream(std::istream& input, KuvXMLISAXHandler& handler);

  // Where the last parse stopped early (a parse error or a handler's
  // refusal), from 1; 0 when it did not.
  std::int32_t GetLine() const { return m_line; }
  std::int32_t GetColumn() const { return m_column; }

private:
  std::int32_t m_line = 0;
  std::int32_t m_column = 0;
};
