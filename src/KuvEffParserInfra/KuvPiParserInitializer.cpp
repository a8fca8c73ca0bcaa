#include "KuvPiParserInitializer.h"

KUV_DEFINE_TYPE(KuvPiDateParserInitializer, KuvInObject)
KUV_DEFINE_TYPE(KuvPiSerialParserInitializer, KuvInObject)

KuvPiDateParserInitializer::~KuvPiDateParserInitializer() = default;
KuvPiSerialParserInitializer::~KuvPiSerialParserInitializer() = default;

HRESULT KuvPiDateParserInitializer::initIfNeeded(const KuvPiVarEffSyntax& syntax, KuvInDateParser& parser) {
  if (m_done) return S_OK;
  if (syntax.dateOrder < KuvInDateParser::YMD || syntax.dateOrder > KuvInDateParser::MDY)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: incorrect date order");
  if (FAILED(parser.setSeparator(syntax.dateSeparator)) ||
      FAILED(parser.setInfinites(syntax.dateMinusInfinity, syntax.datePlusInfinity)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: date parser initialization failed");
  parser.setYMDOrder(static_cast<KuvInDateParser::E_YMDOrder>(syntax.dateOrder));
  parser.setTwoFiguresYearsPrint(syntax.twoFigureYears);
  m_done = true;
  return S_OK;
}

HRESULT KuvPiSerialParserInitializer::initIfNeeded(const KuvPiVarEffSyntax& syntax, KuvInSerialParser& parser) {
  if (m_done) return S_OK;
  if (FAILED(parser.setInfinites(syntax.serialMinusInfinity, syntax.serialPlusInfinity)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: serial parser initialization failed");
  m_done = true;
  return S_OK;
}
