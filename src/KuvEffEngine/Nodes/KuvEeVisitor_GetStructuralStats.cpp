#include "KuvEeVisitor_GetStructuralStats.h"

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeVarEffLeaf.h"

KUV_DEFINE_TYPE(KuvEeVisitor_GetStructuralStats, KuvEeNodeWalker)

KuvEeVisitor_GetStructuralStats::~KuvEeVisitor_GetStructuralStats() = default;

HRESULT KuvEeVisitor_GetStructuralStats::visitAndOp(KuvEeAndOp& node) {
  ++m_nbAnds;
  return walkChildren(node);
}

HRESULT KuvEeVisitor_GetStructuralStats::visitOrOp(KuvEeOrOp& node) {
  ++m_nbOrs;
  return walkChildren(node);
}

HRESULT KuvEeVisitor_GetStructuralStats::visitNotOp(KuvEeNotOp& node) {
  ++m_nbNots;
  return walkChildren(node);
}

HRESULT KuvEeVisitor_GetStructuralStats::visitEffLeaf(KuvEeEffLeaf& node) {
  if (node.isNegated()) ++m_nbNots;
  ++m_nbEffLeaves;
  return S_OK;
}

HRESULT KuvEeVisitor_GetStructuralStats::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  if (node.getVarEff() != nullptr && node.getVarEff()->isNegated()) ++m_nbNots;
  ++m_nbVarEffLeaves;
  return S_OK;
}
