#include "KuvLiteralSyntax.h"

#include "KuvInTreeParser.h"

KUV_DEFINE_TYPE(KuvLiteralTags, KuvPiVarEffTags)
KUV_DEFINE_TYPE(KuvLiteralSyntax, KuvPiVarEffSyntax)

KuvLiteralTags::~KuvLiteralTags() = default;
KuvLiteralSyntax::~KuvLiteralSyntax() = default;

void KuvLiteralSyntax::setDefaultSyntax() {
  setDefaultVarEffTokens();
  orSymbol = "|";
  andSymbol = "&";
  notDomainSymbol = "~";
  openBracket = "(";
  closeBracket = ")";
  sequenceSeparator = ";";
  qPrefix = "q$";
  rPrefix = "r$";
  expressionTrue = "TRUE";
  expressionFalse = "FALSE";
  blanks = {" ", "\n", "\t"};
  operatorSpacing = " ";
  bracketEveryGroup = false;
}

void KuvLiteralSyntax::setDisplaySyntax() {
  setDefaultSyntax();
  notSymbol = "NOT ";
  dateMinusInfinity = "-infinity";
  datePlusInfinity = "+infinity";
  serialMinusInfinity = "-infinity";
  serialPlusInfinity = "+infinity";
  orSymbol = "OR";
  andSymbol = "AND";
}

HRESULT KuvLiteralSyntax::checkSyntax() const { return S_OK; }

HRESULT KuvLiteralSyntax::init() {
  KUV_TRACE_CALL("init");
  if (FAILED(checkSyntax())) KUV_RETURN_ERROR(E_FAIL, "ERROR: incorrect input syntax");
  if (FAILED(initVarEffEncoder())) KUV_RETURN_ERROR(E_FAIL, "ERROR: initEncoder failed");
  for (const KuvInString* symbol : {&orSymbol, &andSymbol, &notDomainSymbol, &openBracket, &closeBracket,
                                    &namedEffPrefix, &qPrefix, &rPrefix, &restrictionPrefix, &sequenceSeparator,
                                    &escape, &openingStringifier, &closingStringifier})
    if (FAILED(addEncoderSymbol(*symbol))) KUV_RETURN_ERROR(E_FAIL, "ERROR: initEncoder failed");
  return S_OK;
}

HRESULT KuvLiteralSyntax::init(const KuvLiteralSyntax& other) {
  if (this != &other) *this = other;
  return init();
}

HRESULT KuvLiteralSyntax::init(const KuvLiteralSyntax& other, KuvInTreeParser& parser, KuvLiteralTags& tags) {
  KUV_TRACE_CALL("init");
  if (FAILED(init(other))) return E_FAIL;
  parser.clear();
  tags = KuvLiteralTags();
  using T = KuvInTreeParserTag;
  struct Registration {
    const KuvInTreeParserTag** slot;
    T::E_Type type;
    const KuvInString* opening;
    const KuvInString* closing;
  };
  const KuvInString none;
  const Registration registrations[] = {
      {&tags.orOp, T::E_GroupOp, &orSymbol, &none},
      {&tags.andOp, T::E_GroupOp, &andSymbol, &none},
      {&tags.notDomainOp, T::E_UnaryOp, &notDomainSymbol, &none},
      {&tags.notOp, T::E_UnaryOp, &notSymbol, &none},
      {&tags.brackets, T::E_Brackets, &openBracket, &closeBracket},
      {&tags.namedEffPrefix, T::E_Prefix, &namedEffPrefix, &none},
      {&tags.qPrefix, T::E_Prefix, &qPrefix, &none},
      {&tags.rPrefix, T::E_Prefix, &rPrefix, &none},
      {&tags.restrictionPrefix, T::E_Prefix, &restrictionPrefix, &none},
      {&tags.chain, T::E_Chain, &chainSymbol, &none},
      {&tags.range, T::E_Range, &rangeOpen, &rangeClose},
      {&tags.valueSet, T::E_ValueSet, &valueSetOpen, &valueSetClose},
      {&tags.selection, T::E_Selection, &selectionOpen, &selectionClose},
      {&tags.listSeparator, T::E_GroupOp, &listSeparator, &none},
      {&tags.sequenceSeparator, T::E_GroupOp, &sequenceSeparator, &none},
  };
  for (const Registration& r : registrations) {
    *r.slot = parser.addTag(r.type, *r.opening, *r.closing);
    if (*r.slot == nullptr) {
      parser.clear();
      tags = KuvLiteralTags();
      KUV_RETURN_ERROR(E_FAIL, "ERROR: tag refused : ", *r.opening);
    }
  }
  for (const KuvInString& blank : blanks) parser.addBlank(blank);
  parser.setStringifiers(openingStringifier, closingStringifier);
  parser.setEscape(escape);
  return S_OK;
}
