// The definitions of KuvEeNodeDispatcher, for the sources of the visitors
// built on it; each source instantiates its own:
//
//     #include "KuvEeNodeDispatcher_Define.h"
//     template class KuvEeNodeDispatcher<KuvEeNodeSimplifier>;
#pragma once

#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeFalse.h"
#include "KuvEeNodeDispatcher.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOrOp.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitFalse(KuvEeFalse& node) {
  return self().visitLeaf(node, NodeKind::False);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitTrue(KuvEeTrue& node) {
  return self().visitLeaf(node, NodeKind::True);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitAndOp(KuvEeAndOp& node) {
  return self().visitGroup(node, NodeKind::AndOp);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitOrOp(KuvEeOrOp& node) {
  return self().visitGroup(node, NodeKind::OrOp);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitNotDomainOp(KuvEeNotDomainOp& node) {
  return self().visitSingle(node, NodeKind::NotDomainOp);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitNotOp(KuvEeNotOp& node) {
  return self().visitSingle(node, NodeKind::NotOp);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitEffLeaf(KuvEeEffLeaf& node) {
  return self().visitLeaf(node, NodeKind::EffLeaf);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  return self().visitLeaf(node, NodeKind::VarEffLeaf);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) {
  return self().visitLeaf(node, NodeKind::RestrictionEffLeaf);
}

template <class D>
const char* KuvEeNodeDispatcher<D>::visitName(NodeKind kind) {
  static constexpr const char* kNames[] = {"visitFalse",   "visitTrue",        "visitAndOp",
                                           "visitOrOp",    "visitNotDomainOp", "visitNotOp",
                                           "visitEffLeaf", "visitVarEffLeaf",  "visitRestrictionEffLeaf"};
  return kNames[static_cast<std::int32_t>(kind)];
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitGroup(KuvEeGroupOp& node, NodeKind) {
  return node.childrenAcceptVisitor(*this);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitSingle(KuvEeSingleOp& node, NodeKind) {
  return node.childrenAcceptVisitor(*this);
}

template <class D>
HRESULT KuvEeNodeDispatcher<D>::visitLeaf(KuvEeNodeLeaf&, NodeKind) {
  return S_OK;
}
