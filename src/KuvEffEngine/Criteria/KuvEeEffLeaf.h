// KuvEeEffLeaf: the leaf that puts a named effectivity (KuvEeEffectivity)
// into an expression tree. The leaf refers to its target, never owns it,
// and may name the model dictionary the target was taken from.
//
// Two flags say which configurations the leaf admits: those where the
// target holds, and those where it does not. A new leaf admits the first
// only (the target itself); the negated target admits the second only
// (isNegated); both make the leaf always true, neither always false. Two
// leaves on the same target merge by combining the flags, so And of a leaf
// with its own negation is always false and Or always true.
//
//     KuvEeEffLeaf* leaf = new KuvEeEffLeaf(&eff);
//     andOp->addChild(leaf);
#pragma once

#include "KuvEeNodeElementaryLeaf.h"

class KuvEeEffectivity;
class KuvEeModelDico;

class KUV_API KuvEeEffLeaf : public KuvEeNodeElementaryLeaf {
  KUV_DECLARE_TYPE(KuvEeEffLeaf)

public:
  using KuvEeNodeElementaryLeaf::opAnd;
  using KuvEeNodeElementaryLeaf::opNot;
  using KuvEeNodeElementaryLeaf::opOr;

  explicit KuvEeEffLeaf(KuvEeEffectivity* target, KuvEeModelDico* context = nullptr);
  // A new leaf, in no tree, on the same target with the same flags.
  KuvEeEffLeaf(const KuvEeEffLeaf& other);
  ~KuvEeEffLeaf() override;

  // Calls visitor.visitEffLeaf.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  bool isEquivalentToTrue() const override;
  bool isEquivalentToFalse() const override;
  // With an effectivity leaf on the same target the flags combine and merged
  // is true; with any other leaf merged is false and nothing changes.
  HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) override;
  HRESULT opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) override;
  HRESULT opNot() override;
  // The target effectivity.
  KuvInObject* getConstraintCriterion() const override;
  // "EffLeaf( " [" ! "] target text ["{ALL_TRUE}" | "{ALL_FALSE} "] " )";
  // "ERROR" for a missing target.
  KuvInString toString() const override;

  virtual KuvEeEffectivity* getTargetEff() const;
  virtual KuvEeModelDico* getReferencedContext() const;
  virtual void setReferencedContext(KuvEeModelDico* context);
  // Admits exactly the configurations where the target does not hold.
  virtual bool isNegated() const;

private:
  HRESULT combine(const KuvEeNodeElementaryLeaf* other, bool& merged, bool isAnd);

  KuvEeEffectivity* m_target;
  KuvEeModelDico* m_context;
  // Admits the configurations where the target holds.
  bool m_whenHolds = true;
  // Admits the configurations where the target does not hold.
  bool m_whenNotHolds = false;
};
