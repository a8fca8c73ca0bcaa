// KuvEeNodeAddCompletion: the visitor that completes every And term of a
// filter tree in disjunctive shape (an Or of Ands of criterion leaves): each
// term gets, at its end, restriction-effectivity leaves
// (KuvEeRestrictionEffLeaf) saying that the variables of the kinds it
// speaks of, other than those it names, have no value. Nothing else of the
// tree changes, and KuvEeNodeCompletionRemover without criteria takes the
// completion away again, giving back the term as it was.
//
//     KuvEeNodeAddCompletion completion;
//     if (FAILED(completion.addCompletion(root, KuvEeFilterExpression::CFG_SELECTIONMODE_150))) ...
//
// addCompletion first removes any completion already there, so completing
// twice is completing once; a null tree becomes an empty And first. Then:
// - an Or completes its children, True and False stay as they are;
// - an effectivity or variable-effectivity leaf becomes a term of its own:
//   And(leaf), completed;
// - an And is a term; a Not or NotDomain among its children, or met
//   anywhere else, is refused ("UNEXPECTED: cannot have a Not operator on
//   this stage!"), so is a restriction leaf met outside a term ("UNEXPECTED:
//   cannot have a restriction leaf on this stage!"), with E_FAIL. A failure
//   leaves the terms completed so far completed; out of memory (answered
//   E_OUTOFMEMORY) a term may be completed in part, and the remover
//   without criteria gives the terms back.
//
// A term's completion lists what the term mentions, as KuvEeGetDependencies
// gathers it (below the term, named effectivities not followed), one leaf
// per kind and part, in this order:
//   serial restrictions, one per external type present (ascending type);
//   tree-series restrictions, one for tree states (18), then tree plans (19);
//   a milestones, a date and a selection restriction;
//   a category restriction: the categories of the options of a category;
//   category-option restrictions, one per such category (by category name),
//   with that category's options the term mentions;
//   a predefined-effectivity restriction.
// Free-standing options, which no category holds, are not completed. An
// effectivity leaf whose target is not a predefined effectivity fails the
// term ("ERROR: ONLY Predef Effectivities are supported
// (KuvEeNodeAddCompletion)!"), as does a tree series of another type
// ("ERROR : unexpected tree series type !").
//
// A term that mentions no evolution criterion (serial, tree series,
// milestones, dates) is by default left open on evolution. Under selection
// mode 4, and under any mode but 2 and 3 while the environment variable
// "CGE_VARIANT_FILTER_NO_EVOLUTION" is set (read at each call; only whether
// it is set counts), it is held to no evolution instead: it gets an empty
// serial, tree-series, milestones and date restriction. Modes 2 and 3 always
// leave such a term open.
//
// With call tracing on, each term that gets serial (tree-series) restrictions
// traces "ADDING SerialRestrictionEff :" with the counts of its state (12)
// and plan (14) variables after "\n linear states=" and "\n linear mplans="
// ("ADDING TreeSeriesRestrictionEff :", "\ntree states=", "\ntree
// mplans=").
//
// Ownership: the restriction leaves are the tree's; the restrictions point
// at the dictionaries' objects without owning them.
#pragma once

#include "KuvEeFilterExpression.h"
#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KuvEeAndOp;

class KUV_API KuvEeNodeAddCompletion : public KuvEeNodeDispatcher<KuvEeNodeAddCompletion> {
  KUV_DECLARE_TYPE(KuvEeNodeAddCompletion)

public:
  KuvEeNodeAddCompletion() = default;
  ~KuvEeNodeAddCompletion() override;

  // Completes the tree held by ref (null: a new empty And); the root may be
  // replaced: continue from ref.
  HRESULT addCompletion(KuvEeNodeRef*& ref, KuvEeFilterExpression::SELECTION_MODE mode);

private:
  friend class KuvEeNodeDispatcher<KuvEeNodeAddCompletion>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  HRESULT completeTerm(KuvEeAndOp& term);
  // Whether a term without evolution criteria is held to no evolution.
  bool closesEvolution() const;

  KuvEeFilterExpression::SELECTION_MODE m_mode = KuvEeFilterExpression::CFG_SELECTIONMODE_STRICT;
};
