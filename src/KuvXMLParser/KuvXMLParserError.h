// KuvXMLParserError: the error record of the first-generation XML readers,
// the same four facts as KuvXMLV2ParserError (position, status, text),
// filled by KuvXMLParserErrorWriter.
#pragma once

#include <cstdint>

#include "KuvInString.h"

class KuvXMLV2ParserError;

class KUV_API KuvXMLParserError : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLParserError)

public:
  KuvXMLParserError();
  ~KuvXMLParserError() override;

  std::int32_t line = 0;
  std::int32_t column = 0;
  std::int32_t status = 2;
  KuvInString message;
};

class KUV_API KuvXMLParserErrorWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLParserErrorWriter)

public:
  // Fills error with the given facts.
  static void Write(std::int32_t line, std::int32_t column, std::int32_t status, const KuvInString& message,
                    KuvXMLParserError& error);
  // The same from a second-generation record.
  static void Write(const KuvXMLV2ParserError& source, KuvXMLParserError& error);
};
