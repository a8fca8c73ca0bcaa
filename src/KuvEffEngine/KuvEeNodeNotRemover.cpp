#include "KuvEeNodeNotRemover.h"

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

KUV_DEFINE_TYPE(KuvEeNodeNotRemover, KuvEeNodeVisitor)

KuvEeNodeNotRemover::~KuvEeNodeNotRemover() = default;

KuvEeNodeNotRemover::KuvEeNodeNotRemover(unsigned char s) : m_true(s), m_false(s), m_andOp(s), m_orOp(s), m_notDomainOp(s), m_notOp(s), m_effLeaf(s), m_varEffLeaf(s), m_restrictionEffLeaf(s) {}
HRESULT KuvEeNodeNotRemover::removeNots(KuvEeNodeRef&, E_RemNots) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::restoreNotNodes(KuvEeNodeRef&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitBarrier(KuvEeNode&) { return E_NOTIMPL; }
HRESULT KuvEeNodeNotRemover::removeSingleOp(KuvEeNode&, E_RemNots) { return E_NOTIMPL; }
HRESULT KuvEeNodeNotRemover::visitGroup(KuvEeNode&, bool) { return E_NOTIMPL; }
HRESULT KuvEeNodeNotRemover::visitConstant(KuvEeNode&, bool) { return E_NOTIMPL; }
HRESULT KuvEeNodeNotRemover::visitFalse(KuvEeFalse&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitTrue(KuvEeTrue&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitAndOp(KuvEeAndOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitOrOp(KuvEeOrOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitNotDomainOp(KuvEeNotDomainOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitNotOp(KuvEeNotOp&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitEffLeaf(KuvEeEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitVarEffLeaf(KuvEeVarEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
HRESULT KuvEeNodeNotRemover::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf&) { KUV_RETURN_ERROR(E_NOTIMPL, "ERROR: not implemented"); }
