// KuvPiVarEffSyntax: the tokens with which criteria on variables and
// restrictions are written and read (option values, selections, date and
// serial ranges, restrictions), and the encoder that quotes names holding
// any of the syntax's symbols. It is the base part of the literal syntax
// (KuvLiteralSyntax), which adds the expression tokens and fills both parts.
//
// KuvPiVarEffTags holds the tree-parser tags the value readers look at.
#pragma once

#include <cstdint>

#include "KuvInObject.h"
#include "KuvInString.h"
#include "KuvInStringEncoder.h"

class KuvInTreeParserTag;

class KUV_API KuvPiVarEffSyntax : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiVarEffSyntax)

public:
  ~KuvPiVarEffSyntax() override;

  // The name as this syntax writes it: quoted when it holds a symbol.
  KuvInString encode(const KuvInString& name) const { return m_encoder.encode(name); }
  // A name as read: the escaped closing stringifier and the doubled escape
  // become one character again.
  KuvInString decode(const KuvInString& text) const;

  KuvInString notSymbol;
  KuvInString chainSymbol;
  KuvInString rangeOpen, rangeClose;
  KuvInString valueSetOpen, valueSetClose;
  KuvInString selectionOpen, selectionClose;
  KuvInString listSeparator;
  KuvInString allTrueWord, allFalseWord;
  KuvInString noVarWord;
  KuvInString valueTrue, valueFalse;
  KuvInString dateMinusInfinity, datePlusInfinity;
  KuvInString dateSeparator;
  // KuvInDateParser::E_YMDOrder: 0 year-month-day, 1 day-month-year, 2 month-day-year.
  std::int32_t dateOrder = 0;
  KuvInString serialMinusInfinity, serialPlusInfinity;
  bool twoFigureYears = false;
  KuvInString openingStringifier, closingStringifier;
  KuvInString escape;
  KuvInString namedEffPrefix;
  KuvInString restrictionPrefix;
  KuvInString serialWord, stateWord, unitWord, mplanWord, dateWord, specificationWord, optionWord,
      categoryWord, namedEffWord;

protected:
  KuvPiVarEffSyntax() = default;
  KuvPiVarEffSyntax(const KuvPiVarEffSyntax& other) = default;
  KuvPiVarEffSyntax& operator=(const KuvPiVarEffSyntax& other) = default;

  // Fills the value tokens with the default set.
  void setDefaultVarEffTokens();
  // Clears the encoder, sets its stringifiers and escape and adds the value
  // symbols; E_FAIL when a symbol is refused.
  HRESULT initVarEffEncoder();
  // Adds one more symbol; a symbol equal to one already there is accepted.
  HRESULT addEncoderSymbol(const KuvInString& symbol);

private:
  KuvInStringEncoder m_encoder;
};

class KUV_API KuvPiVarEffTags : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiVarEffTags)

public:
  KuvPiVarEffTags() = default;
  ~KuvPiVarEffTags() override;

  // Owned by the tree parser that registered them; null until then.
  const KuvInTreeParserTag* chain = nullptr;
  const KuvInTreeParserTag* range = nullptr;
  const KuvInTreeParserTag* valueSet = nullptr;
  const KuvInTreeParserTag* selection = nullptr;
  const KuvInTreeParserTag* listSeparator = nullptr;
};
