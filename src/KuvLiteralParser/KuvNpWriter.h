// KuvNpWriter: the visitor that prints an expression tree in the literal
// syntax, for KuvLiteralExprWriter. It keeps its own copy of the syntax and
// the value writers that print the leaves.
//
//     KuvNpWriter writer(syntax);           // an initialized syntax
//     KuvInString text;
//     if (SUCCEEDED(writer.write(*root->getNode(), text))) ...
#pragma once

#include "KuvEeNodeDispatcher.h"
#include "KuvInString.h"
#include "KuvLiteralSyntax.h"
#include "KuvPiVarEffWriter.h"

class KuvEeNode;
class KuvQmSpecList;

class KUV_API KuvNpWriter : public KuvEeNodeDispatcher<KuvNpWriter> {
  KUV_DECLARE_TYPE(KuvNpWriter)

public:
  explicit KuvNpWriter(const KuvLiteralSyntax& syntax);
  ~KuvNpWriter() override;
  KuvNpWriter(const KuvNpWriter&) = delete;
  KuvNpWriter& operator=(const KuvNpWriter&) = delete;

  void setMode(KuvPiOptionEffWriter::E_DiplayMode mode) { m_varEffWriter.setMode(mode); }
  // S_OK and the text, or E_FAIL (text empty) when some node has no
  // literal form; E_OUTOFMEMORY (text empty) when memory runs out.
  HRESULT write(KuvEeNode& node, KuvInString& text);

private:
  friend class KuvEeNodeDispatcher<KuvNpWriter>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  HRESULT writeBracketed(KuvEeNode& node);
  HRESULT writeEffLeaf(const KuvEeEffLeaf& leaf);

  KuvLiteralSyntax m_syntax;
  KuvPiVarEffWriter m_varEffWriter;
  KuvPiRestrictionEffWriter m_restrictionWriter;
  KuvInString m_text;
};

// KuvNpListWriter: prints a criteria list, the variable effectivities in the
// list's order then the named effectivities, separated by the sequence
// separator: Engine.V8;Units[1,10];$Eff1.
class KUV_API KuvNpListWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvNpListWriter)

public:
  explicit KuvNpListWriter(const KuvLiteralSyntax& syntax);
  ~KuvNpListWriter() override;
  KuvNpListWriter(const KuvNpListWriter&) = delete;
  KuvNpListWriter& operator=(const KuvNpListWriter&) = delete;

  void setMode(KuvPiOptionEffWriter::E_DiplayMode mode) { m_varEffWriter.setMode(mode); }
  // S_OK and the text, or E_FAIL (text empty) when an item has no literal
  // form; E_OUTOFMEMORY (text empty) when memory runs out.
  HRESULT write(const KuvQmSpecList& list, KuvInString& text);

private:
  HRESULT writeList(const KuvQmSpecList& list, KuvInString& text);

  KuvLiteralSyntax m_syntax;
  KuvPiVarEffWriter m_varEffWriter;
};
