// KuvEeChangeExpression: the applicability of a change, a multi-model
// expression (global criteria and per-dictionary criteria) with nothing of
// its own. A predefined effectivity used with a dictionary carries one.
//
//     KuvEeChangeExpression* copy = nullptr;
//     KuvEeChangeExpression::clone(applicability, copy);  // caller's copy
//
// Ownership: as for every multi-model expression.
#pragma once

#include "KuvEeMultiModelExpression.h"

class KUV_API KuvEeChangeExpression : public KuvEeMultiModelExpression {
  KUV_DECLARE_TYPE(KuvEeChangeExpression)

public:
  KuvEeChangeExpression();
  ~KuvEeChangeExpression() override;

  // copy: a new expression with copies of source's criteria, the caller's;
  // null on entry, stays null on failure.
  static HRESULT clone(const KuvEeChangeExpression& source, KuvEeChangeExpression*& copy);
};
