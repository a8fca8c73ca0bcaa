// KuvLiteralExprReader: reads the literal syntax against a variable space,
// resolving option, selection, serial and date criteria, named
// effectivities ($Name) and restrictions (@kind[...]) by name. Give it a
// syntax first; until then every read fails.
//
//     KuvLiteralExprReader reader(&space);
//     reader.setDefaultSyntax();
//     KuvInString error;
//     KuvEeNodeRef* root = reader.readExpressionSimple("Cat.Opt & !Unit[1,10]", error, false);
//     if (root == nullptr) show(error);
//
// The text is untrusted: a failure returns null, keeps nothing it built and
// leaves the reasons in the error text ("out of memory" when memory ran
// out). flag: named effectivities that the
// space does not know become symbol leaves (KuvEeEffSymbolLeaf) instead of
// failing the read.
#pragma once

#include <memory>

#include "KuvEeGenericExpression.h"
#include "KuvInObject.h"
#include "KuvInString.h"
#include "KuvLiteralSyntax.h"
#include "KuvNpReader.h"

class KuvEeNodeRef;
class KuvEeVarSpace;

class KUV_API KuvLiteralExprReader : public KuvInObject {
  KUV_DECLARE_TYPE(KuvLiteralExprReader)

public:
  explicit KuvLiteralExprReader(KuvEeVarSpace* space);
  ~KuvLiteralExprReader() override;
  KuvLiteralExprReader(const KuvLiteralExprReader&) = delete;
  KuvLiteralExprReader& operator=(const KuvLiteralExprReader&) = delete;

  HRESULT setDefaultSyntax();
  // E_FAIL ("ERROR: setSyntax failed") when the syntax cannot be initialized
  // or its tokens clash; the reader keeps the syntax it had.
  HRESULT setSyntax(const KuvLiteralSyntax& syntax);
  // Null until a syntax is set.
  const KuvLiteralSyntax* getSyntax() const;
  KuvEeVarSpace* getVS() const { return m_space; }

  // A new expression holding the tree, owned by the caller, or null.
  KuvEeGenericExpression* readExpression(const KuvInString& text, KuvInString& errorText, bool flag);
  // The expression tree alone, owned by the caller, or null.
  KuvEeNodeRef* readExpressionSimple(const KuvInString& text, KuvInString& errorText, bool flag);
  // A new expression holding the criteria list of text (Opt1;Unit[1,10];$Eff1)
  // with the given mode, owned by the caller, or null.
  KuvEeGenericExpression* readList(const KuvInString& text, KuvInString& errorText,
                                   KuvEeGenericExpression::ListMode mode);

private:
  bool m_syntaxSet = false;
  KuvEeVarSpace* m_space;
  KuvNpReader m_nodeReader;
};
