#include "KuvEeNotDomainOp.h"

#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeNotDomainOp, KuvEeSingleOp)

KuvEeNotDomainOp::~KuvEeNotDomainOp() = default;

HRESULT KuvEeNotDomainOp::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitNotDomainOp(*this);
}

KuvInString KuvEeNotDomainOp::toString() const { return textForm(); }

void KuvEeNotDomainOp::writeTree(std::u16string& out, TextSteps& steps) const {
  KUV_TRACE_CALL("toString");
  writeSingle(out, steps, u"NOTDOM--", u"        ", u"ERROR");
}
