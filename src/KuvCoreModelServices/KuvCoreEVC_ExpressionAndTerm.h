// KuvCoreEVC_ExpressionAndTerm: one and-term of an effectivity split by
// KuvCoreEVC_Expression into its criteria families: an evolution part
// (units, states, plans, milestones, dates), a variant part (options and
// selections) and a change part (change operations). The term stands for
// the And of the parts it has; any of them may be missing.
//
//     KuvEeNodeRef *evolution = nullptr, *variant = nullptr, *change = nullptr;
//     term->GetContent(evolution, variant, change);   // the term's, may be null
//
// Ownership: the term owns its three trees and frees them with itself; it
// belongs to the KuvCoreEVC_Expression that made it.
#pragma once

#include <memory>

#include "KuvEeNodeRef.h"
#include "KuvInObject.h"

class KUV_API KuvCoreEVC_ExpressionAndTerm : public KuvInObject {
  KUV_DECLARE_TYPE(KuvCoreEVC_ExpressionAndTerm)

public:
  // Takes the three trees over (each may be null).
  KuvCoreEVC_ExpressionAndTerm(KuvEeNodeRef* evolution, KuvEeNodeRef* variant, KuvEeNodeRef* change);
  ~KuvCoreEVC_ExpressionAndTerm() override;
  KuvCoreEVC_ExpressionAndTerm(const KuvCoreEVC_ExpressionAndTerm&) = delete;
  KuvCoreEVC_ExpressionAndTerm& operator=(const KuvCoreEVC_ExpressionAndTerm&) = delete;

  // The three parts, still the term's. The three pointers must be null on
  // entry ("ERROR: PONITER NOT EMPTY", E_FAIL, all untouched, otherwise).
  HRESULT GetContent(KuvEeNodeRef*& evolution, KuvEeNodeRef*& variant, KuvEeNodeRef*& change) const;

private:
  std::unique_ptr<KuvEeNodeRef> m_evolution;
  std::unique_ptr<KuvEeNodeRef> m_variant;
  std::unique_ptr<KuvEeNodeRef> m_change;
};
