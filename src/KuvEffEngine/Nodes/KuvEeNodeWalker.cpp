#include "KuvEeNodeWalker.h"

#include "KuvEeAndOp.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"

KUV_DEFINE_TYPE(KuvEeNodeWalker, KuvEeNodeVisitor)

KuvEeNodeWalker::~KuvEeNodeWalker() = default;

HRESULT KuvEeNodeWalker::visitFalse(KuvEeFalse&) { return S_OK; }
HRESULT KuvEeNodeWalker::visitTrue(KuvEeTrue&) { return S_OK; }
HRESULT KuvEeNodeWalker::visitAndOp(KuvEeAndOp& node) { return node.childrenAcceptVisitor(*this); }
HRESULT KuvEeNodeWalker::visitOrOp(KuvEeOrOp& node) { return node.childrenAcceptVisitor(*this); }
HRESULT KuvEeNodeWalker::visitNotDomainOp(KuvEeNotDomainOp& node) {
  return node.childrenAcceptVisitor(*this);
}
HRESULT KuvEeNodeWalker::visitNotOp(KuvEeNotOp& node) { return node.childrenAcceptVisitor(*this); }
HRESULT KuvEeNodeWalker::visitEffLeaf(KuvEeEffLeaf&) { return S_OK; }
HRESULT KuvEeNodeWalker::visitVarEffLeaf(KuvEeVarEffLeaf&) { return S_OK; }
HRESULT KuvEeNodeWalker::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { return S_OK; }
