// KuvLiteralExprWriter: prints an expression in the literal syntax, e.g.
// $Eff1 & Cat.Opt & ( Unit[1,10] | !Colour{Red} ). Give it a syntax first
// (default, display or your own); until then every write gives the empty
// string. The display mode also prints option values in full (Opt{TRUE}).
//
//     KuvLiteralExprWriter writer(KuvPiOptionEffWriter::E_Default);
//     writer.setDefaultSyntax();
//     KuvInString text = writer.write(*root->getNode());
#pragma once

#include <memory>

#include "KuvInObject.h"
#include "KuvInString.h"
#include "KuvLiteralSyntax.h"
#include "KuvNpWriter.h"
#include "KuvPiVarEffWriter.h"

class KuvEeGenericExpression;
class KuvEeNode;

class KUV_API KuvLiteralExprWriter : public KuvInObject {
  KUV_DECLARE_TYPE(KuvLiteralExprWriter)

public:
  explicit KuvLiteralExprWriter(KuvPiOptionEffWriter::E_DiplayMode mode = KuvPiOptionEffWriter::E_Default);
  ~KuvLiteralExprWriter() override;
  KuvLiteralExprWriter(const KuvLiteralExprWriter&) = delete;
  KuvLiteralExprWriter& operator=(const KuvLiteralExprWriter&) = delete;

  void setMode(KuvPiOptionEffWriter::E_DiplayMode mode);
  HRESULT setDefaultSyntax();
  HRESULT setDisplaySyntax();
  // A copy of syntax, initialized; E_FAIL (nothing changed) when it cannot
  // be, E_OUTOFMEMORY (nothing changed) when memory runs out.
  HRESULT setSyntax(const KuvLiteralSyntax& syntax);

  // The tree's text; empty (error traced) without a syntax, when a node has
  // no literal form or when memory runs out ("ERROR: out of memory").
  KuvInString write(KuvEeNode& root);
  // The tree, or for a list expression the criteria list.
  KuvInString write(const KuvEeGenericExpression& expression);

private:
  // setSyntax with a syntax the preset (a KuvLiteralSyntax setter) made.
  HRESULT setPreset(void (KuvLiteralSyntax::*preset)());
  static void traceFailure(HRESULT hr);

  bool m_syntaxSet = false;
  KuvPiOptionEffWriter::E_DiplayMode m_mode;
  std::unique_ptr<KuvNpWriter> m_nodeWriter;
  std::unique_ptr<KuvNpListWriter> m_listWriter;
};
