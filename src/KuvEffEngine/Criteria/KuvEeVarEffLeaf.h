// KuvEeVarEffLeaf: the leaf that puts one variable effectivity into an
// expression tree. The leaf owns its effectivity; two leaves constraining the
// same variable merge through the effectivities' own algebra.
//
//     KuvEeVarEffLeaf* leaf = new KuvEeVarEffLeaf(new KuvEeOptionEff(&opt, KuvEeOptionEff::T));
//     andOp->addChild(leaf);
//     ...
//     KuvEeVarEff* eff = KuvEeVarEffLeaf::DeleteLeafKeepVarEff(leaf);  // leaf is null now
#pragma once

#include <memory>

#include "KuvEeNodeElementaryLeaf.h"
#include "KuvEeVarEff.h"

class KUV_API KuvEeVarEffLeaf : public KuvEeNodeElementaryLeaf {
  KUV_DECLARE_TYPE(KuvEeVarEffLeaf)

public:
  using KuvEeNodeElementaryLeaf::opAnd;
  using KuvEeNodeElementaryLeaf::opNot;
  using KuvEeNodeElementaryLeaf::opOr;

  // Takes ownership of varEff.
  explicit KuvEeVarEffLeaf(KuvEeVarEff* varEff);
  // A new leaf, in no tree, with a copy of other's effectivity.
  KuvEeVarEffLeaf(const KuvEeVarEffLeaf& other);
  ~KuvEeVarEffLeaf() override;

  // Calls visitor.visitVarEffLeaf.
  HRESULT acceptVisitor(KuvEeNodeVisitor& visitor) override;
  bool isEquivalentToTrue() const override;
  bool isEquivalentToFalse() const override;
  // With another variable-effectivity leaf, the effectivities' opAnd/opOr;
  // with any other leaf, merged is false and nothing changes.
  HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, bool& merged) override;
  HRESULT opOr(const KuvEeNodeElementaryLeaf* other, bool& merged) override;
  HRESULT opNot() override;
  // The effectivity's variable.
  KuvInObject* getConstraintCriterion() const override;
  // "EeVarEffLeaf : " and the effectivity's text ("ERROR" without one).
  KuvInString toString() const override;

  KuvEeVarEff* getVarEff() const { return m_varEff.get(); }
  // Deletes the current effectivity and takes ownership of varEff (its own
  // effectivity given back stays as it is).
  void setVarEff(KuvEeVarEff* varEff);
  // Takes the effectivity out of leaf, deletes leaf (out of its tree, if
  // any), clears the caller's pointer and returns the effectivity, which the
  // caller now owns.
  static KuvEeVarEff* DeleteLeafKeepVarEff(KuvEeVarEffLeaf*& leaf);

private:
  HRESULT combine(const KuvEeNodeElementaryLeaf* other, bool& merged, bool isAnd);

  std::unique_ptr<KuvEeVarEff> m_varEff;
};
