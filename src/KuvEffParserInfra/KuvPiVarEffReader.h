// The readers of the text forms of KuvPiVarEffWriter.h: each rebuilds a
// variable effectivity (or a restriction) from a string node of the tree
// parser and the data the name solver found for it.
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

class KUV_API KuvPiVarEffReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvPiVarEffReader)

public:
  KuvPiVarEffReader(const KuvPiVarEffSyntax& syntax, const KuvPiVarEffTags& tags);
  ~KuvPiVarEffReader() override;

  // By the solved kind: category (option), selection, serial or date
  // variable; null for any other kind.
  KuvEeVarEff* read(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

private:
  KuvEeVarEff* readOption(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText) const;
  KuvEeVarEff* readSelection(const KuvInTreeParserNode& node, const KuvPiSolvedData& data,
                             KuvInString& errorText) const;
  KuvEeVarEff* readDate(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);
  KuvEeVarEff* readSerial(const KuvInTreeParserNode& node, const KuvPiSolvedData& data, KuvInString& errorText);

  const KuvPiVarEffSyntax& m_syntax;
  const KuvPiVarEffTags& m_tags;
  KuvInDateParser m_dateParser;
  KuvPiDateParserInitializer m_dateInitializer;
  KuvInSerialParser m_serialParser;
  KuvPiSerialParserInitializer m_serialInitializer;
  // The words of one bracket part, kept between criteria for their room.
  mutable std::vector<KuvInString> m_words;
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
