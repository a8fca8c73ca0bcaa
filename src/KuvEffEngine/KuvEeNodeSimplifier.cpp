#include "KuvEeNodeSimplifier.h"

#include "KuvEeFalse.h"
#include "KuvEeTrue.h"
#include "KuvEeAndOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeGroupOp.h"

KUV_DEFINE_TYPE(KuvEeNodeSimplifier, KuvEeNodeVisitor)

KuvEeNodeSimplifier::~KuvEeNodeSimplifier() = default;

HRESULT KuvEeNodeSimplifier::simplify(KuvEeNodeRef&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitGroupOp(KuvEeGroupOp&, GROUP_OP) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitFalse(KuvEeFalse&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitTrue(KuvEeTrue&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitAndOp(KuvEeAndOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitOrOp(KuvEeOrOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitNotDomainOp(KuvEeNotDomainOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitNotOp(KuvEeNotOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitEffLeaf(KuvEeEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitVarEffLeaf(KuvEeVarEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeSimplifier::visitSingleOp(KuvEeNode&) { return E_NOTIMPL; }
