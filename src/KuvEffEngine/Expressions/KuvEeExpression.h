// KuvEeExpression: the root of the expression objects. An expression wraps
// one or more expression trees (or a criteria list) with what they mean:
// a generic expression, an effectivity or change expression over several
// model dictionaries, a filter, a composition-matrix rule.
//
// Every expression lets a visitor walk its trees without changing them
// (runConstVisitor) and can simplify itself:
//
//     KuvEeExpression* expression = ...;
//     MyStatisticsVisitor counter;
//     if (expression->runConstVisitor(counter) < 0) ...
//
// Expressions live on the heap and are deleted through this class; each one
// owns the trees and records it holds (see the subclasses).
#pragma once

#include "KuvInObjectVal.h"

class KuvEeNodeVisitor;
// The disjunctive normal form, built by the normal-form conversions.
class KuvDnf;

class KUV_API KuvEeExpression : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeExpression)

public:
  ~KuvEeExpression() override;
  KuvEeExpression(const KuvEeExpression&) = delete;
  KuvEeExpression& operator=(const KuvEeExpression&) = delete;

  // Lets every tree of the expression accept visitor; the visitor must not
  // rewrite what it is shown. The first negative code stops the walk.
  virtual HRESULT runConstVisitor(KuvEeNodeVisitor& visitor) const = 0;
  virtual HRESULT simplify() = 0;

protected:
  KuvEeExpression() = default;
};
