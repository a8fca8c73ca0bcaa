#include "KuvEeNodeDeveloper.h"

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

KUV_DEFINE_TYPE(KuvEeNodeDeveloper, KuvEeNodeVisitor)

KuvEeNodeDeveloper::~KuvEeNodeDeveloper() = default;

HRESULT KuvEeNodeDeveloper::develop(KuvEeNodeRef&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::product(KuvEeNodeRef&, KuvEeNodeRef&, KuvEeGroupOp*&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitFalse(KuvEeFalse&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitTrue(KuvEeTrue&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitAndOp(KuvEeAndOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitOrOp(KuvEeOrOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitNotDomainOp(KuvEeNotDomainOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitNotOp(KuvEeNotOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitEffLeaf(KuvEeEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitVarEffLeaf(KuvEeVarEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeDeveloper::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
