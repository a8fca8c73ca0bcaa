// KuvNpReader: reads a literal text into an expression tree for
// KuvLiteralExprReader, in three stages: the tree parser builds tagged
// nodes, the name solver resolves their names in the variable space, and
// the node builder turns them into expression nodes.
//
//     KuvNpReader reader(syntax, &space);      // an initialized syntax
//     KuvInString error;
//     KuvEeNodeRef* root = nullptr;
//     if (SUCCEEDED(reader.read("Cat.Opt & $Eff1", error, false, root))) ...
//
// Nothing partial survives a failure: the tree built so far is deleted and
// the reasons are in the error text and the trace.
#pragma once

#include <memory>

#include "KuvInObject.h"
#include "KuvInString.h"
#include "KuvInTreeParser.h"
#include "KuvLiteralSyntax.h"
#include "KuvPiNameSolver.h"
#include "KuvPiVarEffReader.h"

class KuvEeNode;
class KuvEeNodeRef;
class KuvEeVarSpace;
class KuvQmSpecList;

class KUV_API KuvNpReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvNpReader)

public:
  explicit KuvNpReader(KuvEeVarSpace* space);
  ~KuvNpReader() override;
  KuvNpReader(const KuvNpReader&) = delete;
  KuvNpReader& operator=(const KuvNpReader&) = delete;

  // Copies and initializes syntax and registers its tags; E_FAIL when
  // refused (the reader keeps the syntax it had). Out of memory half way,
  // the reader has no syntax.
  HRESULT setSyntax(const KuvLiteralSyntax& syntax);
  bool hasSyntax() const { return m_syntaxSet; }
  const KuvLiteralSyntax& getSyntax() const { return m_syntax; }
  const KuvLiteralTags& getTags() const { return m_tags; }

  // Parses text into a tree parser tree; E_FAIL with the reasons appended.
  HRESULT parse(const KuvInString& text, std::unique_ptr<KuvInTreeParserNode>& tree, KuvInString& errorText) const;
  // Solves the names of node (a whole tree, or one item of a list) and
  // builds its expression nodes; root is null on entry and stays null on
  // failure. deferNamedEffs: unknown named effectivities become symbol leaves.
  HRESULT build(const KuvInTreeParserNode& node, KuvInString& errorText, bool deferNamedEffs, KuvEeNodeRef*& root);
  // parse, then build.
  HRESULT read(const KuvInString& text, KuvInString& errorText, bool deferNamedEffs, KuvEeNodeRef*& root);
  // A criteria list: items separated by the sequence separator, each a
  // criterion on a variable or a named effectivity; a blank text gives an
  // empty list. list is null on entry and stays null on failure.
  HRESULT readList(const KuvInString& text, KuvInString& errorText, KuvQmSpecList*& list);

private:
  HRESULT addNamesToSolver(const KuvInTreeParserNode& root);
  std::unique_ptr<KuvEeNode> buildNode(const KuvInTreeParserNode& node, KuvInString& errorText);
  std::unique_ptr<KuvEeNode> buildLeaf(const KuvInTreeParserNode& node, KuvInString& errorText);
  bool isConstantWord(const KuvInTreeParserNode& node) const;

  bool m_syntaxSet = false;
  KuvLiteralSyntax m_syntax;
  KuvLiteralTags m_tags;
  KuvInTreeParser m_parser;
  KuvEeVarSpace* m_space;
  KuvPiNameSolver m_solver;
  std::unique_ptr<KuvPiVarEffReader> m_varEffReader;
  KuvPiRestrictionEffReader m_restrictionReader;
  KuvPiSolvedNodes m_solved;
};
