#include "KuvEeEffectivity.h"

#include "KuvEeExpression.h"
#include "KuvEeNode.h"

KUV_DEFINE_TYPE(KuvEeEffectivity, KuvEeDicoObject)
KUV_DEFINE_TYPE(KuvEeBasicEff, KuvEeEffectivity)
KUV_DEFINE_TYPE(KuvEeGroupNodeEff, KuvEeEffectivity)

KuvEeEffectivity::KuvEeEffectivity(const KuvInString& name, const unsigned char* guid)
    : KuvEeDicoObject(name, guid) {}

KuvEeEffectivity::~KuvEeEffectivity() = default;

bool KuvEeEffectivity::isDefined() const { return m_tree != nullptr || m_expression != nullptr; }

HRESULT KuvEeEffectivity::getExpr(KuvEeExpression*& expression) const {
  expression = m_expression.get();
  return expression != nullptr ? S_OK : S_FALSE;
}

KuvEeNodeRef* KuvEeEffectivity::getExpr() { return m_tree.get(); }

const KuvEeNodeRef* KuvEeEffectivity::getExpr() const { return m_tree.get(); }

HRESULT KuvEeEffectivity::removeExpr(KuvEeExpression*& expression) {
  expression = m_expression.release();
  return expression != nullptr ? S_OK : S_FALSE;
}

HRESULT KuvEeEffectivity::setExpr(KuvEeExpression*& expression) {
  KUV_TRACE_CALL("setExpr");
  if (expression != m_expression.get()) m_expression.reset(expression);
  expression = nullptr;
  return S_OK;
}

void KuvEeEffectivity::setExpr(KuvEeNodeRef* tree) {
  KUV_TRACE_CALL("setExpr");
  // Setting the tree it holds must not free it.
  if (tree != m_tree.get()) m_tree.reset(tree);
}

KuvInString KuvEeEffectivity::describe(const char* head) const {
  KuvInString text(head);
  text.Append(getName(), "/", getGuid().toString(), " - ", isDefined() ? "" : "Not ", "Defined )");
  return text;
}

KuvInString KuvEeEffectivity::toString() const { return describe("Effectivity( "); }

KuvEeBasicEff::KuvEeBasicEff(const KuvInString& name, const unsigned char* guid)
    : KuvEeEffectivity(name, guid) {}

KuvEeBasicEff::~KuvEeBasicEff() = default;

KuvInString KuvEeBasicEff::toString() const { return describe("BasicEff( "); }

KuvEeGroupNodeEff::KuvEeGroupNodeEff(const KuvInString& name, const unsigned char* guid)
    : KuvEeEffectivity(name, guid) {}

KuvEeGroupNodeEff::~KuvEeGroupNodeEff() = default;
