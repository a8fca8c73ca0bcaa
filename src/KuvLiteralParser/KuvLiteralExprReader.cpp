#include "KuvLiteralExprReader.h"

#include "KuvEeNodeRef.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvLiteralExprReader, KuvInObject)

KuvLiteralExprReader::KuvLiteralExprReader(KuvEeVarSpace* space) : m_space(space), m_nodeReader(space) {}

KuvLiteralExprReader::~KuvLiteralExprReader() = default;

HRESULT KuvLiteralExprReader::setDefaultSyntax() {
  KuvLiteralSyntax syntax;
  syntax.setDefaultSyntax();
  return setSyntax(syntax);
}

HRESULT KuvLiteralExprReader::setSyntax(const KuvLiteralSyntax& syntax) {
  KUV_TRACE_CALL("setSyntax");
  m_syntaxSet = SUCCEEDED(m_nodeReader.setSyntax(syntax));
  if (!m_syntaxSet) KUV_RETURN_ERROR(E_FAIL, "ERROR: setSyntax failed");
  return S_OK;
}

const KuvLiteralSyntax* KuvLiteralExprReader::getSyntax() const {
  return m_syntaxSet ? &m_nodeReader.getSyntax() : nullptr;
}

KuvEeNodeRef* KuvLiteralExprReader::readExpressionSimple(const KuvInString& text, KuvInString& errorText, bool flag) {
  KUV_TRACE_CALL("readExpressionSimple");
  if (!m_syntaxSet) {
    KUV_TRACE_ERROR("Syntax IS NOT SET.");
    return nullptr;
  }
  KuvEeNodeRef* root = nullptr;
  if (FAILED(m_nodeReader.read(text, errorText, flag, root))) {
    KUV_TRACE_ERROR("Native parser ERROR: read FAILED.");
    return nullptr;
  }
  return root;
}

KuvEeGenericExpression* KuvLiteralExprReader::readExpression(const KuvInString& text, KuvInString& errorText,
                                                             bool flag) {
  KUV_TRACE_CALL("readExpression");
  KuvEeNodeRef* root = readExpressionSimple(text, errorText, flag);
  return root != nullptr ? new KuvEeGenericExpression(root) : nullptr;
}

KuvEeGenericExpression* KuvLiteralExprReader::readList(const KuvInString& text, KuvInString& errorText,
                                                       KuvEeGenericExpression::ListMode mode) {
  KUV_TRACE_CALL("readList");
  if (!m_syntaxSet) {
    KUV_TRACE_ERROR("Syntax IS NOT SET.");
    return nullptr;
  }
  KuvQmSpecList* list = nullptr;
  if (FAILED(m_nodeReader.readList(text, errorText, list))) {
    KUV_TRACE_ERROR("QmSpecListReader parser ERROR: read FAILED. ListExpression=", text);
    return nullptr;
  }
  auto* expression = new KuvEeGenericExpression();
  expression->SetExpression(list, mode);  // takes the list over
  return expression;
}
