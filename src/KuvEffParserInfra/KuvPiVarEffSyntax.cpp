#include "KuvPiVarEffSyntax.h"

#include <string>

KUV_DEFINE_TYPE(KuvPiVarEffSyntax, KuvInObject)
KUV_DEFINE_TYPE(KuvPiVarEffTags, KuvInObject)

KuvPiVarEffSyntax::~KuvPiVarEffSyntax() = default;
KuvPiVarEffTags::~KuvPiVarEffTags() = default;

void KuvPiVarEffSyntax::setDefaultVarEffTokens() {
  notSymbol = "!";
  chainSymbol = ".";
  rangeOpen = "[";
  rangeClose = "]";
  valueSetOpen = "{";
  valueSetClose = "}";
  selectionOpen = "{";
  selectionClose = "}";
  listSeparator = ",";
  allTrueWord = "ALL_TRUE";
  allFalseWord = "ALL_FALSE";
  noVarWord = "NOVAR";
  valueTrue = "TRUE";
  valueFalse = "FALSE";
  dateMinusInfinity = "-oo";
  datePlusInfinity = "+oo";
  dateSeparator = "/";
  dateOrder = 0;
  serialMinusInfinity = "-oo";
  serialPlusInfinity = "+oo";
  twoFigureYears = false;
  openingStringifier = "'";
  closingStringifier = "'";
  escape = "\\";
  namedEffPrefix = "$";
  restrictionPrefix = "@";
  serialWord = "serial";
  stateWord = "state";
  unitWord = "unit";
  mplanWord = "mplan";
  dateWord = "date";
  specificationWord = "specification";
  optionWord = "option";
  categoryWord = "category";
  namedEffWord = "namedEff";
}

HRESULT KuvPiVarEffSyntax::addEncoderSymbol(const KuvInString& symbol) {
  if (symbol.IsEmpty()) return E_FAIL;
  // Value-set and selection brackets are the same strings by default: the
  // encoder's refusal of a known symbol is no error here.
  m_encoder.addSymbol(symbol);
  return S_OK;
}

HRESULT KuvPiVarEffSyntax::initVarEffEncoder() {
  m_encoder.clear();
  if (openingStringifier.IsEmpty() || closingStringifier.IsEmpty() || escape.IsEmpty()) return E_FAIL;
  m_encoder.setStringifier(openingStringifier, closingStringifier);
  m_encoder.setEscape(escape);
  for (const KuvInString* symbol : {&notSymbol, &chainSymbol, &rangeOpen, &rangeClose, &valueSetOpen, &valueSetClose,
                                    &selectionOpen, &selectionClose, &listSeparator})
    if (FAILED(addEncoderSymbol(*symbol))) return E_FAIL;
  return S_OK;
}

KuvInString KuvPiVarEffSyntax::decode(const KuvInString& text) const {
  // Both sequences undone begin with the escape; most names hold none.
  if (escape.IsEmpty() || text.GetOrbString().units().find(escape.GetOrbString().units()) == std::u16string::npos)
    return text;
  KuvInString name(text);
  KuvInString escapedClosing(escape);
  escapedClosing.Append(closingStringifier);
  KuvInString doubledEscape(escape);
  doubledEscape.Append(escape);
  name.ReplaceAll(escapedClosing, closingStringifier);
  name.ReplaceAll(doubledEscape, escape);
  return name;
}
