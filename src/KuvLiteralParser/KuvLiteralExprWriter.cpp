#include "KuvLiteralExprWriter.h"

#include "KuvEeGenericExpression.h"
#include "KuvEeNode.h"
#include "KuvEeNodeRef.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvLiteralExprWriter, KuvInObject)

KuvLiteralExprWriter::KuvLiteralExprWriter(KuvPiOptionEffWriter::E_DiplayMode mode) : m_mode(mode) {}

KuvLiteralExprWriter::~KuvLiteralExprWriter() = default;

void KuvLiteralExprWriter::setMode(KuvPiOptionEffWriter::E_DiplayMode mode) {
  m_mode = mode;
  if (m_nodeWriter != nullptr) m_nodeWriter->setMode(mode);
  if (m_listWriter != nullptr) m_listWriter->setMode(mode);
}

HRESULT KuvLiteralExprWriter::setDefaultSyntax() { return setPreset(&KuvLiteralSyntax::setDefaultSyntax); }

HRESULT KuvLiteralExprWriter::setDisplaySyntax() { return setPreset(&KuvLiteralSyntax::setDisplaySyntax); }

HRESULT KuvLiteralExprWriter::setPreset(void (KuvLiteralSyntax::*preset)()) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvLiteralSyntax syntax;
    (syntax.*preset)();
    return setSyntax(syntax);
  });
}

HRESULT KuvLiteralExprWriter::setSyntax(const KuvLiteralSyntax& syntax) {
  KUV_TRACE_CALL("setSyntax");
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    KuvLiteralSyntax initialized;
    if (FAILED(initialized.init(syntax))) KUV_RETURN_ERROR(E_FAIL, "ERROR: setSyntax failed");
    // The writers, each with its own copy of the syntax, are made before
    // anything changes: out of memory, the writer keeps its syntax.
    auto nodeWriter = std::make_unique<KuvNpWriter>(initialized);
    nodeWriter->setMode(m_mode);
    auto listWriter = std::make_unique<KuvNpListWriter>(initialized);
    listWriter->setMode(m_mode);
    m_nodeWriter = std::move(nodeWriter);
    m_listWriter = std::move(listWriter);
    m_syntaxSet = true;
    return S_OK;
  });
}

KuvInString KuvLiteralExprWriter::write(KuvEeNode& root) {
  KUV_TRACE_CALL("write");
  if (!m_syntaxSet) {
    KUV_TRACE_ERROR("ERROR: The syntax is not set");
    return KuvInString();
  }
  KuvInString text;
  traceFailure(m_nodeWriter->write(root, text));
  return text;
}

void KuvLiteralExprWriter::traceFailure(HRESULT hr) {
  // Running out of memory was traced as such where it happened.
  if (hr != E_OUTOFMEMORY && FAILED(hr)) KUV_TRACE_ERROR("ERROR: write failed");
}

KuvInString KuvLiteralExprWriter::write(const KuvEeGenericExpression& expression) {
  KUV_TRACE_CALL("write");
  if (!m_syntaxSet) {
    KUV_TRACE_ERROR("ERROR: The syntax is not set");
    return KuvInString();
  }
  if (const KuvQmSpecList* list = expression.GetList()) {
    KuvInString text;
    traceFailure(m_listWriter->write(*list, text));
    return text;
  }
  KuvEeNodeRef* root = expression.GetNodeRef();
  if (root == nullptr || root->getNode() == nullptr) {
    KUV_TRACE_ERROR("ERROR: NULL pointer");
    return KuvInString();
  }
  return write(*root->getNode());
}
