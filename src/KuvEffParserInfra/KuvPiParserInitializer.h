// Configure a date or serial parser once from a syntax's tokens. The value
// writers and readers call initIfNeeded before every use; a refused setting
// (an empty separator, equal infinity words) gives E_FAIL, and the writers
// then print "--ERROR--".
#pragma once

#include "KuvInDateParser.h"
#include "KuvInObject.h"
#include "KuvInSerialParser.h"
#include "KuvPiVarEffSyntax.h"

class KUV_API KuvPiDateParserInitializer : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiDateParserInitializer)

public:
  KuvPiDateParserInitializer() = default;
  ~KuvPiDateParserInitializer() override;

  // Separator, day order (0, 1 or 2), infinity words and two-figure years.
  HRESULT initIfNeeded(const KuvPiVarEffSyntax& syntax, KuvInDateParser& parser);

private:
  bool m_done = false;
};

class KUV_API KuvPiSerialParserInitializer : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiSerialParserInitializer)

public:
  KuvPiSerialParserInitializer() = default;
  ~KuvPiSerialParserInitializer() override;

  // The serial infinity words.
  HRESULT initIfNeeded(const KuvPiVarEffSyntax& syntax, KuvInSerialParser& parser);

private:
  bool m_done = false;
};
