#include "KuvEeNodeNormalizer.h"

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

KUV_DEFINE_TYPE(KuvEeNodeNormalizer, KuvEeNodeVisitor)

KuvEeNodeNormalizer::~KuvEeNodeNormalizer() = default;

HRESULT KuvEeNodeNormalizer::normalize(KuvEeNodeRef&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitFalse(KuvEeFalse&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitTrue(KuvEeTrue&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitAndOp(KuvEeAndOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitOrOp(KuvEeOrOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitNotDomainOp(KuvEeNotDomainOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitNotOp(KuvEeNotOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitEffLeaf(KuvEeEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitVarEffLeaf(KuvEeVarEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNormalizer::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
