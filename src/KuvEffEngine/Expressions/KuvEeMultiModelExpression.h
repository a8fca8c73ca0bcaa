// KuvEeMultiModelExpression: an expression over several model dictionaries:
// global criteria, valid whatever the dictionary, and per dictionary its
// model criteria (ModelCriteria): an inherited-effectivity tree (references
// to effectivities defined with that dictionary) and a criteria tree (the
// dictionary's own criteria). Effectivity and change expressions are such
// expressions.
//
//     KuvEeNodeRef* inherited = ...;  KuvEeNodeRef* criteria = ...;
//     auto* record = new KuvEeMultiModelExpression::ModelCriteria(&inherited, &criteria);
//     // both pointers are null now, the record owns the trees
//     expression.setModelCriteria(&model, record);  // record is null now
//
// Ownership: the expression owns its global criteria tree and every
// ModelCriteria record (which owns its two trees); the dictionaries are
// keys only, owned elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "KuvEeExpression.h"
#include "KuvEeExpressionOperation.h"
#include "KuvEeNodeRef.h"
#include "KuvInMap.h"

class KuvEeModelDico;
class KuvInList;
class KuvInSet;

class KUV_API KuvEeMultiModelExpression : public KuvEeExpression {
  KUV_DECLARE_TYPE(KuvEeMultiModelExpression)

public:
  // The criteria of one model dictionary; either tree may be null.
  class KUV_API ModelCriteria : public KuvInObject {
    KUV_DECLARE_TYPE(ModelCriteria)

  public:
    // An empty record.
    ModelCriteria() = default;
    // Takes over *inheritedEff and *criteria and clears the caller's
    // pointers; a null address stands for no tree.
    ModelCriteria(KuvEeNodeRef** inheritedEff, KuvEeNodeRef** criteria);
    ~ModelCriteria() override;
    ModelCriteria(const ModelCriteria&) = delete;
    ModelCriteria& operator=(const ModelCriteria&) = delete;

    // copy: a new record with clones of both trees, the caller's; null on
    // entry, stays null on failure.
    HRESULT clone(ModelCriteria*& copy) const;

    // The trees, still owned by the record.
    KuvEeNodeRef* getInheritedEffCriteria() const { return m_inheritedEff.get(); }
    KuvEeNodeRef* getCriteria() const { return m_criteria.get(); }
    // Take tree over; the previous tree is deleted (the same tree is kept).
    void setInheritedEffCriteria(KuvEeNodeRef* tree);
    void setCriteria(KuvEeNodeRef* tree);
    // Hand the tree to the caller (null when there is none).
    KuvEeNodeRef* removeInheritedEffCriteria() { return m_inheritedEff.release(); }
    KuvEeNodeRef* removeCriteria() { return m_criteria.release(); }
    bool isEmpty() const { return m_inheritedEff == nullptr && m_criteria == nullptr; }

    // "ModelCriteria( InheritedEff: " tree or "NONE" " - Criteria: " tree
    // or "NONE" " )".
    KuvInString toString() const override;

  private:
    std::unique_ptr<KuvEeNodeRef> m_inheritedEff;
    std::unique_ptr<KuvEeNodeRef> m_criteria;
  };

  KuvEeMultiModelExpression();
  ~KuvEeMultiModelExpression() override;

  // Takes tree over, deleting the previous global criteria (the same tree
  // is kept); null removes them.
  virtual HRESULT setGlobalCriteria(KuvEeNodeRef* tree);
  // Develops every tree (And distributed over Or), in runConstVisitor's
  // order; the first failure stops.
  virtual HRESULT develop();

  // The global criteria tree, still owned by the expression, or null.
  KuvEeNodeRef* getGlobalCriteria() const { return m_global.get(); }
  // Hands the global criteria tree to the caller (null when there is none).
  KuvEeNodeRef* removeGlobalCriteria() { return m_global.release(); }
  void deleteGlobalCriteria() { m_global.reset(); }
  bool hasGlobalCriteria() const { return m_global != nullptr; }

  // The model's record, still owned by the expression, or null.
  ModelCriteria* getModelCriteria(const KuvEeModelDico* model) const;
  // Stores criteria under model, deleting a previous record of the model;
  // a null criteria becomes a new empty record. The expression takes the
  // record over and clears the caller's pointer; out of memory, it deletes
  // the record as it throws. E_INVALIDARG for a null model (the caller
  // keeps criteria).
  HRESULT setModelCriteria(KuvEeModelDico* model, ModelCriteria*& criteria);
  // Hands the model's record to the caller; S_FALSE (and null) when the
  // model has none.
  HRESULT removeModelCriteria(const KuvEeModelDico* model, ModelCriteria*& criteria);
  // S_FALSE when the model has no record.
  HRESULT deleteModelCriteria(const KuvEeModelDico* model);
  // Whether any dictionary, or the given one, has a record.
  bool hasModelCriteria() const { return !m_models.IsEmpty(); }
  bool hasModelCriteria(const KuvEeModelDico* model) const { return getModelCriteria(model) != nullptr; }
  // KuvInObjectPtr of each dictionary -> its ModelCriteria, in the order
  // writers follow.
  const KuvInMap& getAllModelCriteria() const { return m_models; }

  // Puts every dictionary that has a record into dictionaries.
  HRESULT getContextDictionaries(KuvInSet& dictionaries) const;
  // Appends those dictionaries to dictionaries sorted by name, then GUID.
  HRESULT getOrderedContextDictionaries(KuvInList& dictionaries) const;

  // dnf: a new normal form of the model's criteria (of the global criteria),
  // the caller's; null on entry and on failure.
  HRESULT getDNF(const KuvEeModelDico* model, KuvDnf*& dnf) const;
  // getDNF for an expression the caller drops afterwards: the model's trees
  // are taken out of its record rather than copied (the global criteria,
  // which serve every dictionary, are copied).
  HRESULT takeDNF(const KuvEeModelDico* model, KuvDnf*& dnf);
  HRESULT getGlobalCriteriaDNF(KuvDnf*& dnf) const;
  // The complement, so that negating twice restores the meaning: the global
  // criteria (none meaning every configuration) are negated. A dictionary
  // is valid under the global criteria And, when it has a record, the
  // record's trees; with records the complement is not expressible in this
  // form (the dictionaries without one would need criteria of their own),
  // so negate refuses it (E_FAIL) and changes nothing.
  HRESULT negate();
  // Combines other into this expression as a change action would: ADD
  // keeps what both allow, CUT cuts other's configurations away. Other
  // without records is a global change: the operation is performed on this
  // expression's global criteria tree and the dictionaries are ignored.
  // Other with records is a contextual change: for each dictionary of the
  // set, this expression's record (an empty one when it has none) gets the
  // operation performed on its criteria tree, as integrateOperations does;
  // inherited-effectivity trees are left alone. The operand is a copy of
  // other's meaning for the dictionary, as getDNF reads it (its global
  // criteria And the dictionary's record, True when there is nothing), so
  // that each dictionary's meaning becomes the old one And (And Not)
  // other's. Other may be this expression. A refused kind (RESERVED or
  // unknown) and a set element that is not a dictionary fail before
  // anything changes; a tree of other that cannot be copied fails with
  // E_FAIL, the dictionaries done before it staying done.
  HRESULT applyOperation(KuvEeExpressionOperation::OperationKind kind, const KuvEeMultiModelExpression& other,
                         const KuvInSet& dictionaries);

  // "CFG_MaximumModelCriteriaInEffAllowed" read as a decimal, clamped to
  // 1..65000; 10 when unset, empty or not a number.
  static std::int32_t getMaximumModelCriteriaNumberAllowed();

  // The global criteria tree, then each record's inherited-effectivity and
  // criteria trees in the map's order.
  HRESULT runConstVisitor(KuvEeNodeVisitor& visitor) const override;
  // Simplifies every tree in that order; the first failure stops.
  HRESULT simplify() override;

  // Class name, then "Global: " tree or "NONE", then each dictionary's name
  // and record, one per line.
  KuvInString toString() const override;

protected:
  // Replaces this expression's criteria by copies of other's; on failure
  // this expression is left empty.
  HRESULT copyCriteriaFrom(const KuvEeMultiModelExpression& other);

private:
  // A new tree (the caller's) for this expression's meaning for model
  // (null: the global criteria alone); null when a copy failed.
  KuvEeNodeRef* meaningFor(const KuvEeModelDico* model) const;
  // transform on the global criteria tree, then on each record's trees in
  // runConstVisitor's order; the first negative code stops and is answered.
  HRESULT forEachTree(const std::function<HRESULT(KuvEeNodeRef&)>& transform);

  std::unique_ptr<KuvEeNodeRef> m_global;
  // Values are owned ModelCriteria records.
  KuvInMap m_models;
};
