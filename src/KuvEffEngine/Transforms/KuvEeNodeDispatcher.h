// KuvEeNodeDispatcher<D>: the base of the library's visitors that treat the
// node kinds by family. Each of the nine visits goes to one of three
// handlers of D, with the kind of the node:
//
//     visitGroup(KuvEeGroupOp&, NodeKind)     And, Or
//     visitSingle(KuvEeSingleOp&, NodeKind)   Not, NotDomain
//     visitLeaf(KuvEeNodeLeaf&, NodeKind)     True, False, the criterion leaves
//
// D declares only the handlers it treats its own way and befriends its
// dispatcher; the others descend into the children (operators) or do
// nothing (leaves), without tracing. The routing is settled at compile
// time and adds no virtual operation, so the virtual table of D is the
// visitor's followed by D's own, and a class derived from D may still
// override any single visit.
//
// Instantiated inside the library, for its own visitors only.
#pragma once

#include <cstdint>

#include "KuvEeNodeVisitor.h"

class KuvEeGroupOp;
class KuvEeNodeLeaf;
class KuvEeSingleOp;

template <class D>
class KUV_API KuvEeNodeDispatcher : public KuvEeNodeVisitor {
public:
  // In the order of the visits.
  enum class NodeKind : std::int32_t {
    False,
    True,
    AndOp,
    OrOp,
    NotDomainOp,
    NotOp,
    EffLeaf,
    VarEffLeaf,
    RestrictionEffLeaf
  };

  HRESULT visitFalse(KuvEeFalse& node) override;
  HRESULT visitTrue(KuvEeTrue& node) override;
  HRESULT visitAndOp(KuvEeAndOp& node) override;
  HRESULT visitOrOp(KuvEeOrOp& node) override;
  HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) override;
  HRESULT visitNotOp(KuvEeNotOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

protected:
  KuvEeNodeDispatcher() = default;

  // The name of the visit of kind, as call traces show it ("visitAndOp").
  static const char* visitName(NodeKind kind);

  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);

private:
  D& self() { return static_cast<D&>(*this); }
};
