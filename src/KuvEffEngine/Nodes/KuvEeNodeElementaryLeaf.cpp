#include "KuvEeNodeElementaryLeaf.h"

#include <memory>

#include "KuvEeAbsoluteNode.h"
#include "KuvEeFalse.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTrue.h"

KUV_DEFINE_TYPE(KuvEeNodeElementaryLeaf, KuvEeNodeLeaf)

KuvEeNodeElementaryLeaf::~KuvEeNodeElementaryLeaf() = default;

HRESULT KuvEeNodeElementaryLeaf::opAnd(const KuvEeNodeLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opAnd");
  return combine(other, out, true);
}

HRESULT KuvEeNodeElementaryLeaf::opOr(const KuvEeNodeLeaf* other, KuvEeNode*& out) const {
  KUV_TRACE_CALL("opOr");
  return combine(other, out, false);
}

HRESULT KuvEeNodeElementaryLeaf::opNot(KuvEeNode*& out) const {
  KUV_TRACE_CALL("opNot");
  out = nullptr;
  std::unique_ptr<KuvEeNodeRef> copy(clone());
  KuvEeNodeElementaryLeaf* leaf = copy != nullptr ? cast(*copy->getNode()) : nullptr;
  if (leaf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
  HRESULT hr = leaf->opNot();
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: opNot failed");
  out = copy.release()->getNode();
  return S_OK;
}

bool KuvEeNodeElementaryLeaf::convertToTrueFalse() {
  KUV_TRACE_CALL("convertToTrueFalse");
  if (isEquivalentToTrue()) {
    become(new KuvEeTrue);
    return true;
  }
  if (isEquivalentToFalse()) {
    become(new KuvEeFalse);
    return true;
  }
  return false;
}

HRESULT KuvEeNodeElementaryLeaf::combine(const KuvEeNodeLeaf* other, KuvEeNode*& out, bool isAnd) const {
  out = nullptr;
  const char* failed = isAnd ? "ERROR: opAnd failed" : "ERROR: opOr failed";
  if (other == nullptr) return S_OK;
  if (const KuvEeNodeElementaryLeaf* same = cast(*other)) {
    if (same->getConstraintCriterion() != getConstraintCriterion()) return S_OK;
    std::unique_ptr<KuvEeNodeRef> copy(clone());
    KuvEeNodeElementaryLeaf* leaf = copy != nullptr ? cast(*copy->getNode()) : nullptr;
    if (leaf == nullptr) {
      // A failed copy is a failed combination too: both are traced.
      KUV_TRACE_ERROR("ERROR: NULL pointer");
      KUV_RETURN_ERROR(E_FAIL, failed);
    }
    bool merged = false;
    HRESULT hr = isAnd ? leaf->opAnd(same, merged) : leaf->opOr(same, merged);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, failed);
    if (merged) out = copy.release()->getNode();
    return S_OK;
  }
  // A restriction leaf knows how it combines with criterion leaves; so do
  // the constants.
  HRESULT hr = S_OK;
  if (const KuvEeRestrictionEffLeaf* restriction = KuvEeRestrictionEffLeaf::cast(*other))
    hr = isAnd ? restriction->opAnd(this, out) : restriction->opOr(this, out);
  else if (KuvEeAbsoluteNode::isObjectOfThisType(*other))
    hr = isAnd ? other->opAnd(this, out) : other->opOr(this, out);
  if (FAILED(hr)) {
    delete out;
    out = nullptr;
    KUV_RETURN_ERROR(hr, failed);
  }
  return hr;
}
