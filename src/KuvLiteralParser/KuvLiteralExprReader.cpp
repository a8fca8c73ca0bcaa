#include "KuvLiteralExprReader.h"

#include <memory>

#include "KuvEeNodeRef.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

KUV_DEFINE_TYPE(KuvLiteralExprReader, KuvInObject)

KuvLiteralExprReader::KuvLiteralExprReader(KuvEeVarSpace* space) : m_space(space), m_nodeReader(space) {}

KuvLiteralExprReader::~KuvLiteralExprReader() = default;

HRESULT KuvLiteralExprReader::setDefaultSyntax() {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [this] {
    KuvLiteralSyntax syntax;
    syntax.setDefaultSyntax();
    return setSyntax(syntax);
  });
}

HRESULT KuvLiteralExprReader::setSyntax(const KuvLiteralSyntax& syntax) {
  KUV_TRACE_CALL("setSyntax");
  const HRESULT hr = kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    if (FAILED(m_nodeReader.setSyntax(syntax))) KUV_RETURN_ERROR(E_FAIL, "ERROR: setSyntax failed");
    return S_OK;
  });
  // A refused syntax leaves the node reader's; out of memory half way, it has none.
  m_syntaxSet = m_nodeReader.hasSyntax();
  return hr;
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
  std::unique_ptr<KuvEeNodeRef> root(readExpressionSimple(text, errorText, flag));
  if (root == nullptr) return nullptr;
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        auto* expression = new KuvEeGenericExpression(root.get());
        root.release();
        return expression;
      },
      [] { return static_cast<KuvEeGenericExpression*>(nullptr); });
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
  std::unique_ptr<KuvQmSpecList> taken(list);
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        auto expression = std::make_unique<KuvEeGenericExpression>();
        expression->SetExpression(taken.release(), mode);  // takes the list over
        return expression.release();
      },
      [] { return static_cast<KuvEeGenericExpression*>(nullptr); });
}
