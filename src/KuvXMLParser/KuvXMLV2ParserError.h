// KuvXMLV2ParserError: the first error an XML reader recorded, as GetError
// copies it out (KuvXMLISAXHandler).
//
// status tells who failed: 2 nothing (the other fields are then 0 and
// empty), 1 the document's data (a dictionary or expression refused it), 0
// the XML parser itself. line and column are those the parser reported.
#pragma once

#include <cstdint>

#include "KuvInString.h"

class KUV_API KuvXMLV2ParserError : public KuvInObject {
  KUV_DECLARE_TYPE(KuvXMLV2ParserError)

public:
  static constexpr std::int32_t sc_parserError = 0;
  static constexpr std::int32_t sc_dataError = 1;
  static constexpr std::int32_t sc_noError = 2;

  KuvXMLV2ParserError();
  ~KuvXMLV2ParserError() override;

  std::int32_t line = 0;
  std::int32_t column = 0;
  std::int32_t status = sc_noError;
  KuvInString message;
};
