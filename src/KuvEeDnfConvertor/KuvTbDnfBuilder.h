// KuvTbDnfBuilder: reads a tree in disjunctive shape (True, False, a leaf,
// an And of leaves, or an Or of those) into a KuvDnf whose terms are of
// the given kind. A map term refuses inconsistent leaves, and then the
// whole conversion fails. The DNF is the caller's; null on failure.
//
// Tree effectivities in tree form (selections of the elements of a
// milestone track or tree series) become ranges of tree positions, chosen
// so that two of them are equal, meet or include one another exactly when
// the sets of elements they select do. An element stands for the upper
// bound of its tree evaluation index, which no other element shares when
// the spans are wide. The elements considered are those the selection
// algebra walks (the variable's, and those the bounds name with everything
// below them). Where their indices make a forest of wide spans (each valid
// with lower < upper, distinct, any two nested or apart), every greatest
// subtree whose elements are all selected becomes ]lower, upper] of its top
// element, which holds its whole subtree and no other element, and each
// other selected element the single position [upper, upper]; otherwise
// each selected element becomes its single position. The ranges are then
// simplified and sorted. Milestone ranges take the same positions, their
// ends flagged as derived dates when the milestone has a date. The
// no-value flag and the negation are carried over as they are (milestone
// leaves meet by their ranges alone, whatever their no-value flags).
#pragma once

#include "KuvInObject.h"

#include "KuvDnf.h"
#include "KuvEeNodeRef.h"

class KuvEeNode;

class KUV_API KuvTbDnfBuilder : public KuvInObject {
  KUV_DECLARE_TYPE(KuvTbDnfBuilder)

public:
  static KuvDnf* createDnf(const KuvEeNodeRef& ref, KuvDnfAndTermFactory::E_Type type);
  // The normal-form leaf of a tree leaf (the caller's), or null when the
  // leaf has none (a constant effectivity, an unknown kind).
  static KuvDnfLeaf* createDnfLeaf(const KuvEeNode& leaf);
};
