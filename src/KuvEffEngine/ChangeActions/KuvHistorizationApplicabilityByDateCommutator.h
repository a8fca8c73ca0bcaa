// KuvHistorizationApplicabilityByDateCommutator: historization by date.
// Once a change action has taken effect, an applicability that depended on
// it can depend on the date instead: every effectivity leaf on that change
// is replaced by a leaf holding a copy of a date effectivity.
//
//     KuvHistorizationApplicabilityByDateCommutator commutator;
//     HRESULT hr = commutator.commute(*tree, change->getGuid(), fromDate);
//     // S_OK: replaced somewhere; S_FALSE: the change does not occur
//
// A negated leaf (its isNegated) becomes Not(date leaf). Leaves under a
// Not-within-the-domain are left as they are: that operator's meaning
// depends on the domain of the criteria below it, which a date would change.
//
// Ownership: the tree is rewritten in place and stays the caller's; the
// replaced leaves are deleted. The GUID and the date effectivity are only
// read (each new leaf owns its own copy) and not kept after commute returns.
#pragma once

#include <vector>

#include "KuvEeNodeWalker.h"

class KuvEeDateEff;
class KuvEeNodeRef;
class KuvInGuid;

class KUV_API KuvHistorizationApplicabilityByDateCommutator : public KuvEeNodeWalker {
  KUV_DECLARE_TYPE(KuvHistorizationApplicabilityByDateCommutator)

public:
  KuvHistorizationApplicabilityByDateCommutator() = default;
  ~KuvHistorizationApplicabilityByDateCommutator() override;

  // S_OK when at least one leaf was replaced, S_FALSE when none was, the
  // walk's failure otherwise, E_OUTOFMEMORY when memory runs out. A failing
  // call leaves the tree as it was.
  HRESULT commute(KuvEeNodeRef& tree, const KuvInGuid& change, const KuvEeDateEff& date);

  HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) override;
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;

private:
  const KuvInGuid* m_change = nullptr;
  const KuvEeDateEff* m_date = nullptr;
  unsigned char m_replaced = 0;
  // The leaves on the change, in the walk's order: they are replaced once
  // the walk succeeded.
  std::vector<KuvEeEffLeaf*> m_found;
};
