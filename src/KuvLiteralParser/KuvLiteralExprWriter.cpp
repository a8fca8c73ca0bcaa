#include "KuvLiteralExprWriter.h"

#include "KuvEeGenericExpression.h"
#include "KuvEeNode.h"
#include "KuvEeNodeRef.h"

KUV_DEFINE_TYPE(KuvLiteralExprWriter, KuvInObject)

KuvLiteralExprWriter::KuvLiteralExprWriter(KuvPiOptionEffWriter::E_DiplayMode mode) : m_mode(mode) {}

KuvLiteralExprWriter::~KuvLiteralExprWriter() = default;

void KuvLiteralExprWriter::setMode(KuvPiOptionEffWriter::E_DiplayMode mode) {
  m_mode = mode;
  if (m_nodeWriter != nullptr) m_nodeWriter->setMode(mode);
  if (m_listWriter != nullptr) m_listWriter->setMode(mode);
}

HRESULT KuvLiteralExprWriter::setDefaultSyntax() {
  KuvLiteralSyntax syntax;
  syntax.setDefaultSyntax();
  return setSyntax(syntax);
}

HRESULT KuvLiteralExprWriter::setDisplaySyntax() {
  KuvLiteralSyntax syntax;
  syntax.setDisplaySyntax();
  return setSyntax(syntax);
}

HRESULT KuvLiteralExprWriter::setSyntax(const KuvLiteralSyntax& syntax) {
  KUV_TRACE_CALL("setSyntax");
  KuvLiteralSyntax initialized;
  if (FAILED(initialized.init(syntax))) KUV_RETURN_ERROR(E_FAIL, "ERROR: setSyntax failed");
  m_syntax = initialized;
  m_nodeWriter = std::make_unique<KuvNpWriter>(m_syntax);
  m_nodeWriter->setMode(m_mode);
  m_listWriter = std::make_unique<KuvNpListWriter>(m_syntax);
  m_listWriter->setMode(m_mode);
  m_syntaxSet = true;
  return S_OK;
}

KuvInString KuvLiteralExprWriter::write(KuvEeNode& root) {
  KUV_TRACE_CALL("write");
  if (!m_syntaxSet) {
    KUV_TRACE_ERROR("ERROR: The syntax is not set");
    return KuvInString();
  }
  KuvInString text;
  if (FAILED(m_nodeWriter->write(root, text))) KUV_TRACE_ERROR("ERROR: write failed");
  return text;
}

KuvInString KuvLiteralExprWriter::write(const KuvEeGenericExpression& expression) {
  KUV_TRACE_CALL("write");
  if (!m_syntaxSet) {
    KUV_TRACE_ERROR("ERROR: The syntax is not set");
    return KuvInString();
  }
  KuvInString text;
  if (const KuvQmSpecList* list = expression.GetList()) {
    if (FAILED(m_listWriter->write(*list, text))) KUV_TRACE_ERROR("ERROR: write failed");
    return text;
  }
  KuvEeNodeRef* root = expression.GetNodeRef();
  if (root == nullptr || root->getNode() == nullptr) {
    KUV_TRACE_ERROR("ERROR: NULL pointer");
    return KuvInString();
  }
  return write(*root->getNode());
}
