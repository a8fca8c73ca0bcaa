// KuvLiteralSyntax: every token of the literal expression syntax, with a
// default set for storage and exchange and a display set for people, and
// the encoder that quotes names holding a token. A reader or writer copies
// the syntax it is given; init(other, parser, tags) also registers the
// tokens as tags of a tree parser.
//
//     KuvLiteralSyntax syntax;
//     syntax.setDefaultSyntax();
//     syntax.init();
//     syntax.encode("a&b");          // 'a&b'
//
// KuvLiteralTags holds the tags a reader registered, one per role.
#pragma once

#include <vector>

#include "KuvInString.h"
#include "KuvPiVarEffSyntax.h"

class KuvInTreeParser;
class KuvInTreeParserTag;

class KUV_API KuvLiteralTags : public KuvPiVarEffTags {
  KUV_DECLARE_TYPE(KuvLiteralTags)

public:
  KuvLiteralTags() = default;
  ~KuvLiteralTags() override;

  const KuvInTreeParserTag* orOp = nullptr;
  const KuvInTreeParserTag* andOp = nullptr;
  const KuvInTreeParserTag* notDomainOp = nullptr;
  const KuvInTreeParserTag* notOp = nullptr;
  const KuvInTreeParserTag* brackets = nullptr;
  const KuvInTreeParserTag* namedEffPrefix = nullptr;
  const KuvInTreeParserTag* qPrefix = nullptr;
  const KuvInTreeParserTag* rPrefix = nullptr;
  const KuvInTreeParserTag* restrictionPrefix = nullptr;
  const KuvInTreeParserTag* sequenceSeparator = nullptr;
};

class KUV_API KuvLiteralSyntax : public KuvPiVarEffSyntax {
  KUV_DECLARE_TYPE(KuvLiteralSyntax)

public:
  // Every token empty: set a token set, then init().
  KuvLiteralSyntax() = default;
  KuvLiteralSyntax(const KuvLiteralSyntax& other) = default;
  KuvLiteralSyntax& operator=(const KuvLiteralSyntax& other) = default;
  ~KuvLiteralSyntax() override;

  void setDefaultSyntax();
  // The default set with words for people: "NOT ", "AND", "OR", "-infinity"...
  void setDisplaySyntax();
  HRESULT checkSyntax() const;
  // checkSyntax, then builds the encoder; E_FAIL when either fails.
  HRESULT init();
  // A copy of other, then init().
  HRESULT init(const KuvLiteralSyntax& other);
  // The same, then registers the tokens in parser (cleared first) and fills
  // tags; E_FAIL when a tag is refused.
  HRESULT init(const KuvLiteralSyntax& other, KuvInTreeParser& parser, KuvLiteralTags& tags);

  KuvInString orSymbol, andSymbol, notDomainSymbol;
  KuvInString openBracket, closeBracket;
  KuvInString sequenceSeparator;
  KuvInString qPrefix, rPrefix;
  KuvInString expressionTrue, expressionFalse;
  std::vector<KuvInString> blanks;
  KuvInString operatorSpacing;
  bool bracketEveryGroup = false;
};
