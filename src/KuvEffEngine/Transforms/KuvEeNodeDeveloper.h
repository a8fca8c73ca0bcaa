// KuvEeNodeDeveloper: the visitor that distributes And over Or in place, so
// that an And whose children hold Or nodes becomes an Or of Ands (each And
// normalized). A Not is pushed down to the leaves first (De Morgan).
//
//     KuvEeNodeDeveloper developer;
//     if (FAILED(developer.develop(*root))) ...   // root may hold a new node
//
// With call tracing on, the tree's text is traced before ("Develop:") and
// after ("Developped:"). Trees deeper than 2000 levels are refused before
// any change ("ERROR: expression too deep"). A development grows
// exponentially with the number of Or factors; when memory runs out it
// answers E_OUTOFMEMORY ("ERROR: out of memory") or the failure of the step
// that ran out, never an exception; the tree can still be read and deleted
// but may have lost its meaning (discard it), and objects half built when
// memory ran out may leak.
#pragma once

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KUV_API KuvEeNodeDeveloper : public KuvEeNodeDispatcher<KuvEeNodeDeveloper> {
  KUV_DECLARE_TYPE(KuvEeNodeDeveloper)

public:
  KuvEeNodeDeveloper() = default;
  ~KuvEeNodeDeveloper() override;

  // Develops the tree held by ref; the root may be replaced.
  HRESULT develop(KuvEeNodeRef& ref);

  // out = the product of the two factors, a new tree owned by the caller:
  // And(a, b) when neither is an Or, else the Or of And(term of a, term of
  // b) over every pair, a's terms outside. The factors are left as they are.
  virtual HRESULT product(KuvEeNodeRef& a, KuvEeNodeRef& b, KuvEeGroupOp*& out);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeDeveloper>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
};
