#include "KuvEeTrue.h"

#include "KuvEeFalse.h"
#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeTrue, KuvEeAbsoluteNode)

KuvEeTrue::~KuvEeTrue() = default;

HRESULT KuvEeTrue::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitTrue(*this);
}

HRESULT KuvEeTrue::opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  out = nullptr;
  return copyOf(other, out, traceChannel());
}

HRESULT KuvEeTrue::opOr(const KuvEeNodeLeaf* /*other*/, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  out = new KuvEeTrue;
  return S_OK;
}

HRESULT KuvEeTrue::opNot(KuvEeNode*& out) const {
  KUV_TRACE_CALL("opNot");
  out = new KuvEeFalse;
  return S_OK;
}

bool KuvEeTrue::isEquivalentToTrue() const {
  KUV_TRACE_CALL("isEquivalentToTrue");
  return true;
}

bool KuvEeTrue::isEquivalentToFalse() const {
  KUV_TRACE_CALL("isEquivalentToFalse");
  return false;
}

KuvInString KuvEeTrue::toString() const {
  KUV_TRACE_CALL("toString");
  return "TRUE";
}
