// KuvEeNodeVisitor: the interface of every walk over an expression tree.
//
// node.acceptVisitor(visitor) calls the one operation for the node's kind and
// returns its code. Nothing descends on its own: a visit that wants the
// children calls node.childrenAcceptVisitor(*this). A visit may rewrite the
// node it is given; the caller then continues from the node's reference.
// Walkers that handle only some kinds derive from KuvEeNodeWalker, which
// descends everywhere else.
#pragma once

#include "KuvInObjectVal.h"

class KuvEeFalse;
class KuvEeTrue;
class KuvEeAndOp;
class KuvEeOrOp;
class KuvEeNotDomainOp;
class KuvEeNotOp;
class KuvEeEffLeaf;
class KuvEeVarEffLeaf;
class KuvEeRestrictionEffLeaf;

class KUV_API KuvEeNodeVisitor : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNodeVisitor)

public:
  ~KuvEeNodeVisitor() override;

  virtual HRESULT visitFalse(KuvEeFalse& node) = 0;
  virtual HRESULT visitTrue(KuvEeTrue& node) = 0;
  virtual HRESULT visitAndOp(KuvEeAndOp& node) = 0;
  virtual HRESULT visitOrOp(KuvEeOrOp& node) = 0;
  virtual HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) = 0;
  virtual HRESULT visitNotOp(KuvEeNotOp& node) = 0;
  virtual HRESULT visitEffLeaf(KuvEeEffLeaf& node) = 0;
  virtual HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) = 0;
  virtual HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) = 0;

protected:
  KuvEeNodeVisitor() = default;
};
