// The text forms of criteria on variables and of restrictions, written with
// the tokens of a syntax (default tokens shown):
//
//     Cat.Opt   !Cat.Opt   Cat.Opt{FALSE,NOVAR}   Cat.Opt{ALL_TRUE}
//     Colour{Red,Blue,NOVAR}   Due[2001/01/01,2001/12/31][NOVAR]
//     Unit[1,10][15][20,+oo]   @unit[S1,S2]   @option[Cat][O1,O2]
//
// KuvPiVarEffWriter dispatches on the kind of the variable effectivity;
// kinds without a literal form (tree series, milestones) give the empty
// string. The writers keep a reference to the syntax, which must outlive
// them and not change while they live.
#pragma once

#include "KuvInDateParser.h"
#include "KuvInObject.h"
#include "KuvInSerialParser.h"
#include "KuvInString.h"
#include "KuvPiParserInitializer.h"
#include "KuvPiVarEffSyntax.h"

class KuvEeDateEff;
class KuvEeOptionEff;
class KuvEeRestrictionEff;
class KuvEeSelectionEff;
class KuvEeSerialEff;
class KuvEeVarEff;

class KUV_API KuvPiOptionEffWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiOptionEffWriter)

public:
  // 0 default (storage), any other value display.
  enum E_DiplayMode : int { E_Default = 0, E_Display = 1 };

  explicit KuvPiOptionEffWriter(const KuvPiVarEffSyntax& syntax) : m_syntax(syntax) {}
  ~KuvPiOptionEffWriter() override;

  void setMode(E_DiplayMode mode) { m_mode = mode; }
  // In display mode a value of exactly "selected" is written {TRUE} too.
  KuvInString write(const KuvEeOptionEff& eff) const;

private:
  const KuvPiVarEffSyntax& m_syntax;
  E_DiplayMode m_mode = E_Default;
};

class KUV_API KuvPiSelectionEffWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiSelectionEffWriter)

public:
  explicit KuvPiSelectionEffWriter(const KuvPiVarEffSyntax& syntax) : m_syntax(syntax) {}
  ~KuvPiSelectionEffWriter() override;

  // Values in the effectivity's set order.
  KuvInString write(const KuvEeSelectionEff& eff) const;

private:
  const KuvPiVarEffSyntax& m_syntax;
};

class KUV_API KuvPiDateEffWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiDateEffWriter)

public:
  explicit KuvPiDateEffWriter(const KuvPiVarEffSyntax& syntax) : m_syntax(syntax) {}
  ~KuvPiDateEffWriter() override;

  // Dates without their time of day; "--ERROR--" when the date parser
  // cannot be configured from the syntax.
  KuvInString write(const KuvEeDateEff& eff);

private:
  const KuvPiVarEffSyntax& m_syntax;
  KuvInDateParser m_parser;
  KuvPiDateParserInitializer m_initializer;
};

class KUV_API KuvPiSerialEffWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiSerialEffWriter)

public:
  explicit KuvPiSerialEffWriter(const KuvPiVarEffSyntax& syntax) : m_syntax(syntax) {}
  ~KuvPiSerialEffWriter() override;

  // Ranges with closed bounds, [A] for a single value; "--ERROR--" when the
  // serial parser cannot be configured from the syntax.
  KuvInString write(const KuvEeSerialEff& eff);

private:
  const KuvPiVarEffSyntax& m_syntax;
  KuvInSerialParser m_parser;
  KuvPiSerialParserInitializer m_initializer;
};

class KUV_API KuvPiVarEffWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiVarEffWriter)

public:
  explicit KuvPiVarEffWriter(const KuvPiVarEffSyntax& syntax);
  ~KuvPiVarEffWriter() override;

  void setMode(KuvPiOptionEffWriter::E_DiplayMode mode);
  // Empty for a kind without a literal form.
  KuvInString write(const KuvEeVarEff& eff);

private:
  KuvPiOptionEffWriter m_option;
  KuvPiSelectionEffWriter m_selection;
  KuvPiDateEffWriter m_date;
  KuvPiSerialEffWriter m_serial;
};

class KUV_API KuvPiRestrictionEffWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiRestrictionEffWriter)

public:
  explicit KuvPiRestrictionEffWriter(const KuvPiVarEffSyntax& syntax) : m_syntax(syntax) {}
  ~KuvPiRestrictionEffWriter() override;

  // Names are written as they are, not encoded. Empty (error traced) for a
  // kind without a text form or a serial restriction of an unknown type.
  KuvInString write(const KuvEeRestrictionEff& restriction) const;

private:
  const KuvPiVarEffSyntax& m_syntax;
};
