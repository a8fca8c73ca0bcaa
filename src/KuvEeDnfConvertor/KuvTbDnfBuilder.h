// KuvTbDnfBuilder: reads a tree in disjunctive shape (True, False, a leaf,
// an And of leaves, or an Or of those) into a KuvDnf whose terms are of
// the given kind. A map term refuses inconsistent leaves, and then the
// whole conversion fails. The DNF is the caller's; null on failure.
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
