// KuvEeNodeCompletionRemover: the visitor that takes away, or widens, the
// completion KuvEeNodeAddCompletion gave the And terms of a tree.
//
//     KuvEeNodeCompletionRemover remover;
//     remover.removeCompletion(root, nullptr);     // the terms as they were
//     remover.removeCompletion(root, &criteria);   // the terms opened to criteria
//
// Only the restriction leaves that are children of an And are concerned;
// restriction leaves anywhere else are left alone. The walk goes through
// every operator, so nested terms are treated too.
//
// Without criteria, every restriction child of each And is deleted. An And
// left with a single child then becomes that child, so that a leaf that
// completion made a term of its own is the leaf again; an And that held no
// restriction is left as it is.
//
// With criteria (all eight sets given, else "ERROR: NULL pointer" and
// E_INVALIDARG before any change), in each And:
// - every restriction child of a kind the record has a set for takes in
//   that set's objects, when some are missing from it, all of them: a
//   serial or tree-series restriction those of every external type too;
// - a category-option restriction whose category is in the criteria's
//   categories takes in the criteria's options of that category;
// - then each category of the criteria's options that the And's last
//   category restriction, as widened, does not hold gets a new
//   category-option restriction at the end of the And, with the criteria's
//   options of that category (categories by name); options of no category
//   are left out.
//
// With call tracing on, the tree's text is traced after
// "Expression after RemoveCompletion: ". A null tree is refused with
// "ERROR: Input Expression is null." and E_FAIL; a failure on the way
// traces "ERROR: removeCompletion failed" and may leave terms already
// treated changed, as may running out of memory (E_OUTOFMEMORY).
//
// Ownership: the criteria and their sets stay the caller's; the remover
// reads them for one call only.
#pragma once

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"
#include "KuvInSet.h"
#include "KuvSortedByTypeCriteria.h"

class KuvEeAndOp;
class KuvEeCategoryRestrictionEff;
class KuvEeRestrictionEff;

class KUV_API KuvEeNodeCompletionRemover : public KuvEeNodeDispatcher<KuvEeNodeCompletionRemover> {
  KUV_DECLARE_TYPE(KuvEeNodeCompletionRemover)

public:
  KuvEeNodeCompletionRemover();
  ~KuvEeNodeCompletionRemover() override;

  // Treats the tree held by ref; the root may be replaced: continue from
  // ref. criteria may be null.
  HRESULT removeCompletion(KuvEeNodeRef*& ref, KuvSortedByTypeCriteria* criteria);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeCompletionRemover>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  // Without criteria: deletes the restriction children; true when term
  // became its single child.
  bool removeFrom(KuvEeAndOp& term);
  HRESULT widen(KuvEeAndOp& term);
  HRESULT widen(KuvEeRestrictionEff& restriction);

  const KuvSortedByTypeCriteria* m_criteria = nullptr;
  // The criteria's options, for one call.
  KuvInSet m_options;
  KuvEeCategoryRestrictionEff* m_lastCategory = nullptr;
};
