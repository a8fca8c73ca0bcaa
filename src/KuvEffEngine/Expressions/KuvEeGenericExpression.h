// KuvEeGenericExpression: the expression of a plain configuration criterion,
// either one expression tree or a criteria list (a query) with its list mode.
// Readers of the literal syntax and of binaries hand one to their callers.
//
//     KuvEeGenericExpression* expression = new KuvEeGenericExpression(tree);
//     KuvEeNodeRef* copy = expression->GetNodeRefClone();      // caller's
//     KuvEeNodeRef* root = KuvEeGenericExpression::KeepNodeRefAndDeleteObject(expression);
//     // root is the caller's now, expression is null
//
// Ownership: the expression owns its tree or its list; the two exclude each
// other, setting one deletes the other.
#pragma once

#include <cstdint>
#include <memory>

#include "KuvEeExpression.h"
#include "KuvEeNodeRef.h"
#include "KuvQmSpecList.h"

class KuvInSet;

class KUV_API KuvEeGenericExpression : public KuvEeExpression {
  KUV_DECLARE_TYPE(KuvEeGenericExpression)

public:
  // How the items of a list combine when the list is used as a query: NONE
  // for a tree, STRICT and 150 as the filters' selection modes.
  enum ListMode : std::int32_t { CFG_LISTMODE_NONE = 0, CFG_LISTMODE_STRICT = 1, CFG_LISTMODE_150 = 2 };

  KuvEeGenericExpression() = default;
  // Takes tree over (null for an empty expression).
  explicit KuvEeGenericExpression(KuvEeNodeRef* tree);
  ~KuvEeGenericExpression() override;

  // The tree, still owned by the expression; null for a list or when empty.
  KuvEeNodeRef* GetNodeRef() const { return m_tree.get(); }
  // A copy of the tree owned by the caller; null without a tree or when the
  // copy fails.
  KuvEeNodeRef* GetNodeRefClone() const;
  // Takes tree over; the previous tree or list is deleted and the mode
  // becomes CFG_LISTMODE_NONE. Setting the tree held already keeps it.
  HRESULT SetExpression(KuvEeNodeRef* tree);
  // Takes list over; the previous tree or list is deleted. E_INVALIDARG for
  // a null list (nothing changes, the caller keeps nothing to free).
  HRESULT SetExpression(KuvQmSpecList* list, ListMode mode);
  // The list, still owned by the expression; null for a tree.
  KuvQmSpecList* GetList() const { return m_list.get(); }
  ListMode GetMode() const { return m_mode; }
  void SetMode(ListMode mode) { m_mode = mode; }
  bool IsList() const { return m_list != nullptr; }

  // Detaches the tree, deletes the expression, clears the caller's pointer
  // and returns the tree (the caller's now; null for a list or a null
  // expression).
  static KuvEeNodeRef* KeepNodeRefAndDeleteObject(KuvEeGenericExpression*& expression);

  // Comparisons through the normal forms.
  HRESULT IsEqual(const KuvEeGenericExpression& other, bool& equal) const;
  HRESULT IsIncluding(const KuvEeGenericExpression& other, bool& including) const;
  HRESULT IsIntersect(const KuvEeGenericExpression& other, bool& intersect) const;
  // dnf: a new normal form of the expression (of its negation), the
  // caller's; null on entry and on failure.
  HRESULT GetDNF(KuvDnf*& dnf) const;
  HRESULT GetNotDNF(KuvDnf*& dnf) const;
  // Puts into criteria the dictionary objects the expression refers to:
  // every object a binary of it indexes (variables and the categories of
  // their options, selection values, the dictionaries of serial and
  // tree-series variables, the revisions at the bounds of states and
  // manufacturing plans, the elements and milestones at tree bounds,
  // effectivities and the dictionaries they are taken from). The final
  // dependencies follow the effectivities: one with a definition counts
  // what its definition refers to instead of itself, recursively; one
  // without a definition, or met again inside its own, stays. Objects
  // already in criteria stay; E_FAIL on a leaf without a criterion or on
  // definitions nested more than 2000 deep ("ERROR: expression too deep"),
  // criteria then unchanged.
  HRESULT GetDependencies(KuvInSet& criteria) const;
  HRESULT GetFinalDependencies(KuvInSet& criteria) const;

  // Not available on generic expressions: traces and answers E_FAIL.
  HRESULT runConstVisitor(KuvEeNodeVisitor& visitor) const override;
  // Simplifies the tree; S_FALSE, nothing done, for a list or an empty
  // expression.
  HRESULT simplify() override;

  // "GenericExpression( " then the tree's or the list's text, or "EMPTY",
  // then " )".
  KuvInString toString() const override;

private:
  std::unique_ptr<KuvEeNodeRef> m_tree;
  std::unique_ptr<KuvQmSpecList> m_list;
  ListMode m_mode = CFG_LISTMODE_NONE;
};
