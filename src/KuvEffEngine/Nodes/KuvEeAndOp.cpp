#include "KuvEeAndOp.h"

#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeAndOp, KuvEeGroupOp)

KuvEeAndOp::~KuvEeAndOp() = default;

HRESULT KuvEeAndOp::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitAndOp(*this);
}

bool KuvEeAndOp::becomeIfNoChild() {
  KUV_TRACE_CALL("becomeIfNoChild");
  if (hasChildren()) return false;
  becomeConstant(true);
  return true;
}

bool KuvEeAndOp::hasStrongNode(E_MakeTF mode) const {
  KUV_TRACE_CALL("hasStrongNode");
  return hasChildEquivalentTo(false, mode);
}

bool KuvEeAndOp::becomeIfHasStrongNode(E_MakeTF mode) {
  KUV_TRACE_CALL("becomeIfHasStrongNode");
  if (!hasStrongNode(mode)) return false;
  becomeConstant(false);
  return true;
}

void KuvEeAndOp::removeWeakNodes(E_MakeTF mode) {
  KUV_TRACE_CALL("removeWeakNodes");
  deleteChildrenEquivalentTo(true, mode);
}

KuvInString KuvEeAndOp::toString() const { return textForm(); }

void KuvEeAndOp::writeTree(std::u16string& out, TextSteps& steps) const {
  KUV_TRACE_CALL("toString");
  writeGroup(out, steps, u" AND -");
}
