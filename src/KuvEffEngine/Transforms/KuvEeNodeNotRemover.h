// KuvEeNodeNotRemover: the visitor that pushes Not and NotDomain nodes down
// a tree, in place: De Morgan through And and Or, double negations cancel,
// and leaves absorb the negation (a leaf negates itself, True and False
// swap).
//
// The negations removed above the current node and still to be applied
// form the pending state (E_RemNots). Each node kind has a switch: on, the
// remover pushes the pending negations into (or through) nodes of that
// kind; off, such a node is a barrier: its subtree is handled with nothing
// pending, then the pending operators are rebuilt as nodes above it.
//
//     KuvEeNodeNotRemover remover(1);   // every switch on
//     remover.setStatus_AndOp(0);       // keep a Not above an And
//     if (FAILED(remover.removeNots(*root, KuvEeNodeNotRemover::RemNots_None))) ...
//
// Trees deeper than 2000 levels are refused before any change ("ERROR:
// expression too deep"). Visiting a tree with
// acceptVisitor directly skips that check and the stored state: go through
// removeNots.
#pragma once

#include <cstdint>

#include "KuvEeNodeDispatcher.h"
#include "KuvEeNodeRef.h"

class KUV_API KuvEeNodeNotRemover : public KuvEeNodeDispatcher<KuvEeNodeNotRemover> {
  KUV_DECLARE_TYPE(KuvEeNodeNotRemover)

public:
  // The pending negation operators, outermost first. Any int32 may be given;
  // values outside 0..4 are refused by the visits.
  enum E_RemNots : std::int32_t {
    RemNots_None = 0,
    RemNots_NotDomain = 1,
    RemNots_Not = 2,
    // The node stands for Not(NotDomain(node)).
    RemNots_NotThenNotDomain = 3,
    // The node stands for NotDomain(Not(node)).
    RemNots_NotDomainThenNot = 4
  };

  // status sets all nine switches (nonzero: on).
  explicit KuvEeNodeNotRemover(unsigned char status);
  ~KuvEeNodeNotRemover() override;

  void setStatus_True(unsigned char status) { m_true = status; }
  void setStatus_False(unsigned char status) { m_false = status; }
  void setStatus_AndOp(unsigned char status) { m_andOp = status; }
  void setStatus_OrOp(unsigned char status) { m_orOp = status; }
  void setStatus_NotDomainOp(unsigned char status) { m_notDomainOp = status; }
  void setStatus_NotOp(unsigned char status) { m_notOp = status; }
  void setStatus_EffLeaf(unsigned char status) { m_effLeaf = status; }
  void setStatus_VarEffLeaf(unsigned char status) { m_varEffLeaf = status; }
  void setStatus_RestrictionEffLeaf(unsigned char status) { m_restrictionEffLeaf = status; }

  // Stores state as the pending negations of the root and visits it. The
  // root may be replaced: continue from ref. E_OUTOFMEMORY when memory runs
  // out; the tree can still be read and deleted but may have lost its
  // meaning (discard it).
  HRESULT removeNots(KuvEeNodeRef& ref, E_RemNots state);

  // Set once a flagged Not node was removed with nothing pending; it stays
  // set for the remover's life and makes later single negations of variable
  // effectivities keep negated ones within the domain.
  unsigned char getDomainNegationMarker() const { return m_domainNegation; }

private:
  HRESULT removeNotsIn(KuvEeNodeRef& ref, E_RemNots state);
  // Rebuilds the pending operators as new nodes above the node held by ref,
  // which keeps its place in the tree under them.
  virtual HRESULT restoreNotNodes(KuvEeNodeRef& ref);

  friend class KuvEeNodeDispatcher<KuvEeNodeNotRemover>;
  HRESULT visitGroup(KuvEeGroupOp& node, NodeKind kind);
  HRESULT visitSingle(KuvEeSingleOp& node, NodeKind kind);
  HRESULT visitLeaf(KuvEeNodeLeaf& node, NodeKind kind);
  // The switch of the node kind.
  unsigned char isOn(NodeKind kind) const;
  // A barrier: the subtree of node with nothing pending, then the pending
  // operators rebuilt above it.
  HRESULT visitBarrier(KuvEeNode& node);
  HRESULT negateVarEff(KuvEeVarEffLeaf& leaf);

  unsigned char m_true;
  unsigned char m_false;
  unsigned char m_andOp;
  unsigned char m_orOp;
  unsigned char m_notDomainOp;
  unsigned char m_notOp;
  unsigned char m_effLeaf;
  unsigned char m_varEffLeaf;
  unsigned char m_restrictionEffLeaf;
  E_RemNots m_state = RemNots_None;
  unsigned char m_domainNegation = 0;
};
