// KuvEeCompositionMatrixExpression: a composition-matrix rule: IF the
// configuration meets the IF criteria THEN it must meet the THEN criteria.
// Each part holds one criteria tree per model dictionary.
//
//     matrix.IF_SetCriteria(&model, tree);      // adopts tree
//     matrix.THEN_SetCriteria(&model, *other);  // stores a copy of other
//     KuvEeNodeRef* ifTree = nullptr;
//     matrix.IF_GetCriteria(&model, ifTree);    // still the matrix's
//
// Ownership: the expression owns every tree of both parts; dictionaries are
// keys only.
#pragma once

#include "KuvEeExpression.h"
#include "KuvInMap.h"

class KuvEeModelDico;
class KuvEeNodeRef;

class KUV_API KuvEeCompositionMatrixExpression : public KuvEeExpression {
  KUV_DECLARE_TYPE(KuvEeCompositionMatrixExpression)

public:
  KuvEeCompositionMatrixExpression();
  ~KuvEeCompositionMatrixExpression() override;

  // tree: the model's IF criteria, still owned by the expression; S_FALSE
  // (and null) when the model has none.
  virtual HRESULT IF_GetCriteria(const KuvEeModelDico* model, KuvEeNodeRef*& tree) const;
  // KuvInObjectPtr of each dictionary -> its KuvEeNodeRef, owned by the
  // expression.
  virtual const KuvInMap& IF_GetAllCriteria() const;
  virtual const KuvInMap& THEN_GetAllCriteria() const;
  // Adopt tree (cleared), replacing and deleting the model's previous tree.
  // E_INVALIDARG for a null model or tree (the caller keeps tree).
  virtual HRESULT IF_SetCriteria(KuvEeModelDico* model, KuvEeNodeRef*& tree);
  // Store a clone of tree; E_FAIL when it cannot be made.
  virtual HRESULT IF_SetCriteria(KuvEeModelDico* model, const KuvEeNodeRef& tree);
  virtual HRESULT THEN_SetCriteria(KuvEeModelDico* model, KuvEeNodeRef*& tree);
  virtual HRESULT THEN_SetCriteria(KuvEeModelDico* model, const KuvEeNodeRef& tree);

  // The THEN criteria of the model, still owned; S_FALSE (and null) when
  // there are none.
  HRESULT THEN_GetCriteria(const KuvEeModelDico* model, KuvEeNodeRef*& tree) const;

  // Every IF tree, then every THEN tree, each in its map's order.
  HRESULT runConstVisitor(KuvEeNodeVisitor& visitor) const override;
  // Simplifies every IF tree, then every THEN tree; the first failure stops.
  HRESULT simplify() override;

private:
  // Values are owned KuvEeNodeRef trees.
  KuvInMap m_if;
  KuvInMap m_then;
};
