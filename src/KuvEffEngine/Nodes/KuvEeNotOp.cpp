#include "KuvEeNotOp.h"

#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeNotOp, KuvEeSingleOp)

KuvEeNotOp::~KuvEeNotOp() = default;

HRESULT KuvEeNotOp::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitNotOp(*this);
}

KuvInString KuvEeNotOp::toString() const { return textForm(); }

void KuvEeNotOp::writeTree(std::u16string& out, TextSteps& steps) const {
  KUV_TRACE_CALL("toString");
  writeSingle(out, steps, u"NOT--", u"     ", u"");
}

unsigned char KuvEeNotOp::getFlag() const {
  KUV_TRACE_CALL("getFlag");
  return m_flag;
}
