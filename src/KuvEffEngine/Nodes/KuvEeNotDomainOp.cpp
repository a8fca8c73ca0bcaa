#include "KuvEeNotDomainOp.h"

#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeNotDomainOp, KuvEeSingleOp)

KuvEeNotDomainOp::~KuvEeNotDomainOp() = default;

HRESULT KuvEeNotDomainOp::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitNotDomainOp(*this);
}

KuvInString KuvEeNotDomainOp::toString() const {
  KUV_TRACE_CALL("toString");
  return textWithHead("NOTDOM--", "\n        ", "ERROR");
}
