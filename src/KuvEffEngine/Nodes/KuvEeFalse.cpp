#include "KuvEeFalse.h"

#include "KuvEeNodeVisitor.h"
#include "KuvEeTrue.h"

KUV_DEFINE_TYPE(KuvEeFalse, KuvEeAbsoluteNode)

KuvEeFalse::~KuvEeFalse() = default;

HRESULT KuvEeFalse::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitFalse(*this);
}

HRESULT KuvEeFalse::opAnd(const KuvEeNodeLeaf* /*other*/, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  out = new KuvEeFalse;
  return S_OK;
}

HRESULT KuvEeFalse::opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  out = nullptr;
  return copyOf(other, out, traceChannel());
}

HRESULT KuvEeFalse::opNot(KuvEeNode*& out) const {
  KUV_TRACE_CALL("opNot");
  out = new KuvEeTrue;
  return S_OK;
}

bool KuvEeFalse::isEquivalentToTrue() const {
  KUV_TRACE_CALL("isEquivalentToTrue");
  return false;
}

bool KuvEeFalse::isEquivalentToFalse() const {
  KUV_TRACE_CALL("isEquivalentToFalse");
  return true;
}

KuvInString KuvEeFalse::toString() const {
  KUV_TRACE_CALL("toString");
  return "FALSE";
}
