// KuvEeNodeEVCFPatternChecker: tells whether an expression tree has the
// shape the expression toolbox accepts, references to named effectivities
// combined with at most one variant, evolution or change part, and finds
// that part, so that only it is simplified or developed.
//
// Accepted shapes (e: effectivity leaf, P: a subtree without references):
//
//     P                      part = the whole tree
//     e, Or(e1, e2, ...)     no part
//     And(R, P), And(P, R)   part = P, where R is one of the two above
//
//     KuvEeNodeEVCFPatternChecker checker;
//     unsigned char compatible = 0;
//     KuvEeNodeRef* part = nullptr;
//     if (SUCCEEDED(checker.checkPatternToFindEVCPart(*root, compatible, part)) && part != nullptr)
//       KuvEeNodeSimplifier().simplify(*part);   // the tree is simplified there
//
// Ownership: the part is the reference that holds that subtree inside the
// tree, not a copy: it stays the tree's, and is valid until the tree
// changes above it. The checker keeps the classification of the last tree
// it checked (node -> KuvInSetVal of indices) and owns it.
#pragma once

#include "KuvInMapVal.h"

class KuvEVCClassification;
class KuvEeNode;
class KuvEeNodeRef;

class KUV_API KuvEeNodeEVCFPatternChecker : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNodeEVCFPatternChecker)

public:
  KuvEeNodeEVCFPatternChecker();
  ~KuvEeNodeEVCFPatternChecker() override;

  // compatible = 1 when tree has an accepted shape, else 0; part = the part
  // to work on, or null (none, or incompatible). E_FAIL when the tree
  // cannot be classified.
  HRESULT checkPatternToFindEVCPart(const KuvEeNodeRef& tree, unsigned char& compatible, KuvEeNodeRef*& part);
  // The same, without the part.
  HRESULT isExpressionCompatibleToPattern(const KuvEeNodeRef& tree, unsigned char& compatible);

private:
  // classification = the families of criteria under node, as classified.
  HRESULT retrieveClassificationForNode(const KuvEeNode& node, KuvEVCClassification& classification) const;
  // node is an effectivity leaf or an Or of effectivity leaves only.
  static bool isReferenceGroup(const KuvEeNode& node);

  // KuvInObjectPtr to a node -> KuvInSetVal of its classification indices.
  KuvInMapVal m_classifications;
};
