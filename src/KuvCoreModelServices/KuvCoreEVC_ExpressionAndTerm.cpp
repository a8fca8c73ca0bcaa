#include "KuvCoreEVC_ExpressionAndTerm.h"

#include "KuvEeNode.h"

KUV_DEFINE_TYPE(KuvCoreEVC_ExpressionAndTerm, KuvInObject)

KuvCoreEVC_ExpressionAndTerm::KuvCoreEVC_ExpressionAndTerm(KuvEeNodeRef* evolution, KuvEeNodeRef* variant,
                                                           KuvEeNodeRef* change)
    : m_evolution(evolution), m_variant(variant), m_change(change) {}

KuvCoreEVC_ExpressionAndTerm::~KuvCoreEVC_ExpressionAndTerm() = default;

HRESULT KuvCoreEVC_ExpressionAndTerm::GetContent(KuvEeNodeRef*& evolution, KuvEeNodeRef*& variant,
                                                 KuvEeNodeRef*& change) const {
  KUV_TRACE_CALL("GetContent");
  if (evolution != nullptr || variant != nullptr || change != nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: PONITER NOT EMPTY");
  evolution = m_evolution.get();
  variant = m_variant.get();
  change = m_change.get();
  return S_OK;
}
