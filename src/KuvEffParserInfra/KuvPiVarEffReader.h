// The readers of the text forms of KuvPiVarEffWriter.h: each rebuilds a
// variable effectivity (or a restriction) from a string node of the tree
// parser and the data the name solver found for it. KuvPiVarEffReader
// dispatches on the solved kind to the reader of that kind.
//
//     KuvPiVarEffReader reader(syntax, tags);
//     KuvEeVarEff* eff = reader.read(*node, solved[node][0], error);
//
// A reader gives a new object owned by the caller, or null with a readable
// reason appended to the error text. The syntax and tags must outlive the
// readers.
#pragma once

#include <vector>

#include "KuvInDateParser.h"
#include "KuvInObject.h"
#include "KuvInSerialParser.h"
#include "KuvInString.h"
#include "KuvPiNameSolver.h"
#include "KuvPiParserInitializer.h"
#include "KuvPiVarEffSyntax.h"

class KuvEeRestrictionEff;
class KuvEeVarEff;
class KuvInTreeParserNode;

// One reader per kind of variable, as there is one writer per kind: each
// reads the text of a name solved to its kind, and answers null for data
// of another kind. Each keeps the words of one bracket part between
// criteria for their room.
class KUV_API KuvPiOptionEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiOptionEffReader)

public:
  KuvPiOptionEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiOptionEffReader() override;

  // Cat.Opt (selected), Cat.Opt{values} or Cat.Opt{ALL_TRUE|ALL_FALSE} on a
  // category.
  KuvEeVarEff* read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

private:
  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
  std::vector<KuvInString> m_words;
};

class KUV_API KuvPiSelectionEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiSelectionEffReader)

public:
  KuvPiSelectionEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiSelectionEffReader() override;

  // Name{values} or Name{ALL_TRUE|ALL_FALSE} on a selection variable.
  KuvEeVarEff* read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

private:
  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
  std::vector<KuvInString> m_words;
};

class KUV_API KuvPiDateEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiDateEffReader)

public:
  KuvPiDateEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiDateEffReader() override;

  // Name[A,B][C][NOVAR] or Name[ALL_TRUE] on a date variable; the date
  // parser is set up from the syntax on first use.
  KuvEeVarEff* read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

private:
  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
  KuvInDateParser m_parser;
  KuvPiDateParserInitializer m_initializer;
  std::vector<KuvInString> m_words;
};

class KUV_API KuvPiSerialEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiSerialEffReader)

public:
  KuvPiSerialEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiSerialEffReader() override;

  // As dates, on a serial variable.
  KuvEeVarEff* read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

private:
  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
  KuvInSerialParser m_parser;
  KuvPiSerialParserInitializer m_initializer;
  std::vector<KuvInString> m_words;
};

class KUV_API KuvPiVarEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiVarEffReader)

public:
  KuvPiVarEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiVarEffReader() override;

  // By the solved kind: category (option), selection, serial or date
  // variable; null for any other kind.
  KuvEeVarEff* read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

private:
  KuvPiOptionEffReader m_option;
  KuvPiSelectionEffReader m_selection;
  KuvPiDateEffReader m_date;
  KuvPiSerialEffReader m_serial;
};

class KUV_API KuvPiRestrictionEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiRestrictionEffReader)

public:
  KuvPiRestrictionEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiRestrictionEffReader() override;

  // The restriction the kind word after the prefix selects, over the solved
  // items (for "option": the category of the first part, the options named
  // in the second).
  KuvEeRestrictionEff* read(const KuvInTreeParserNode& node, const std::vector<KuvPiSolvedData>& data,
                            KuvInString& errorText) const;

private:
  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
};
