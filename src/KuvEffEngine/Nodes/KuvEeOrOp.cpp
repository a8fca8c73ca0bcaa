#include "KuvEeOrOp.h"

#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeOrOp, KuvEeGroupOp)

KuvEeOrOp::~KuvEeOrOp() = default;

HRESULT KuvEeOrOp::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitOrOp(*this);
}

bool KuvEeOrOp::becomeIfNoChild() {
  KUV_TRACE_CALL("becomeIfNoChild");
  if (hasChildren()) return false;
  becomeConstant(false);
  return true;
}

bool KuvEeOrOp::hasStrongNode(E_MakeTF mode) const {
  KUV_TRACE_CALL("hasStrongNode");
  return hasChildEquivalentTo(true, mode);
}

bool KuvEeOrOp::becomeIfHasStrongNode(E_MakeTF mode) {
  KUV_TRACE_CALL("becomeIfHasStrongNode");
  if (!hasStrongNode(mode)) return false;
  becomeConstant(true);
  return true;
}

void KuvEeOrOp::removeWeakNodes(E_MakeTF mode) {
  KUV_TRACE_CALL("removeWeakNodes");
  deleteChildrenEquivalentTo(false, mode);
}

KuvInString KuvEeOrOp::toString() const { return textForm(); }

void KuvEeOrOp::writeTree(std::u16string& out, TextSteps& steps) const {
  KUV_TRACE_CALL("toString");
  writeGroup(out, steps, u" OR  -");
}
