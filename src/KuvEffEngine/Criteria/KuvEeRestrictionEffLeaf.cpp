#include "KuvEeRestrictionEffLeaf.h"

#include "KuvEeAbsoluteNode.h"
#include "KuvEeNodeElementaryLeaf.h"
#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeRestrictionEffLeaf, KuvEeNodeLeaf)

KuvEeRestrictionEffLeaf::KuvEeRestrictionEffLeaf(KuvEeRestrictionEff* restriction)
    : m_restriction(restriction) {}

KuvEeRestrictionEffLeaf::KuvEeRestrictionEffLeaf(const KuvEeRestrictionEffLeaf& other)
    : KuvEeNodeLeaf(other),
      m_restriction(other.m_restriction != nullptr ? other.m_restriction->createClone() : nullptr) {}

KuvEeRestrictionEffLeaf::~KuvEeRestrictionEffLeaf() = default;

HRESULT KuvEeRestrictionEffLeaf::acceptVisitor(KuvEeNodeVisitor& visitor) {
  KUV_TRACE_CALL("acceptVisitor");
  return visitor.visitRestrictionEffLeaf(*this);
}

HRESULT KuvEeRestrictionEffLeaf::opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  return dispatch(other, out, true);
}

HRESULT KuvEeRestrictionEffLeaf::opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  return dispatch(other, out, false);
}

HRESULT KuvEeRestrictionEffLeaf::dispatch(const KuvEeNodeLeaf* other, KuvEeNode*& out, bool isAnd) const {
  out = nullptr;
  if (other == nullptr) return S_OK;
  if (const KuvEeNodeElementaryLeaf* leaf = KuvEeNodeElementaryLeaf::cast(*other))
    return isAnd ? opAnd(leaf, out) : opOr(leaf, out);
  if (const KuvEeRestrictionEffLeaf* restriction = cast(*other))
    return isAnd ? opAnd(restriction, out) : opOr(restriction, out);
  if (KuvEeAbsoluteNode::isObjectOfThisType(*other)) {
    HRESULT hr = isAnd ? other->opAnd(this, out) : other->opOr(this, out);
    if (FAILED(hr)) {
      delete out;
      out = nullptr;
      KUV_RETURN_ERROR(hr, isAnd ? "ERROR: opAnd failed" : "ERROR: opOr failed");
    }
    return hr;
  }
  return S_OK;
}

HRESULT KuvEeRestrictionEffLeaf::opAnd(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  return forward(other, nullptr, out, true);
}

HRESULT KuvEeRestrictionEffLeaf::opAnd(const KuvEeRestrictionEffLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  return forward(nullptr, other, out, true);
}

HRESULT KuvEeRestrictionEffLeaf::opOr(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  return forward(other, nullptr, out, false);
}

HRESULT KuvEeRestrictionEffLeaf::opOr(const KuvEeRestrictionEffLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  return forward(nullptr, other, out, false);
}

HRESULT KuvEeRestrictionEffLeaf::forward(const KuvEeNodeElementaryLeaf* leaf,
                                         const KuvEeRestrictionEffLeaf* restriction, KuvEeNode*& out,
                                         bool isAnd) const {
  out = nullptr;
  const char* failed = isAnd ? "ERROR: opAnd failed" : "ERROR: opOr failed";
  if (m_restriction == nullptr) KUV_RETURN_ERROR(E_FAIL, failed);
  HRESULT hr = S_OK;
  if (leaf != nullptr) {
    hr = isAnd ? m_restriction->opAnd(leaf, out) : m_restriction->opOr(leaf, out);
  } else if (restriction != nullptr) {
    const KuvEeRestrictionEff* theirs = restriction->m_restriction.get();
    if (theirs == nullptr) KUV_RETURN_ERROR(E_FAIL, failed);
    hr = isAnd ? m_restriction->opAnd(theirs, out) : m_restriction->opOr(theirs, out);
  }
  if (FAILED(hr)) {
    delete out;
    out = nullptr;
    KUV_RETURN_ERROR(hr, failed);
  }
  return hr;
}

HRESULT KuvEeRestrictionEffLeaf::opNot(KuvEeNode*& out) const {
  KUV_TRACE_CALL("opNot");
  out = nullptr;
  if (m_restriction == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  auto* copy = new KuvEeRestrictionEffLeaf(*this);
  copy->m_restriction->opNot();
  out = copy;
  return S_OK;
}

bool KuvEeRestrictionEffLeaf::isEquivalentToTrue() const {
  KUV_TRACE_CALL("isEquivalentToTrue");
  return false;
}

bool KuvEeRestrictionEffLeaf::isEquivalentToFalse() const {
  KUV_TRACE_CALL("isEquivalentToFalse");
  return false;
}

bool KuvEeRestrictionEffLeaf::convertToTrueFalse() {
  KUV_TRACE_CALL("convertToTrueFalse");
  return false;
}

KuvInString KuvEeRestrictionEffLeaf::toString() const {
  KuvInString text("EeRestrictionEffLeaf : ");
  text.Append(m_restriction != nullptr ? m_restriction->toString() : KuvInString("ERROR"));
  return text;
}

KuvEeRestrictionEff* KuvEeRestrictionEffLeaf::DeleteLeafKeepRestrictionEff(KuvEeRestrictionEffLeaf*& leaf) {
  if (leaf == nullptr) return nullptr;
  KuvEeRestrictionEff* restriction = leaf->m_restriction.release();
  delete leaf;
  leaf = nullptr;
  return restriction;
}
