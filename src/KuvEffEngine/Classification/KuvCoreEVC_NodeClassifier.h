// KuvCoreEVC_NodeClassifier: classifies the nodes of a tree by the families
// of criteria below them (see KuvEeNodeClassifier for the indices).
//
// A leaf's set follows its criterion: a variable effectivity by its
// variable (options and selections are variant; series, tree series and
// milestones evolution; dates history), a restriction by its kind, an
// effectivity leaf by its target (a predefined effectivity is a change, a
// basic one an inherited effectivity); True and False give {0}. An
// operator's set is the union of its children's. Every call walks the tree
// anew: the sets of an earlier call are forgotten. Out of memory, a call
// answers E_OUTOFMEMORY with its output cleared.
//
//     KuvCoreEVC_NodeClassifier classifier;
//     KuvEVCClassification c;
//     classifier.classify(*root, c);
//     c.isVariant();
#pragma once

#include <memory>

#include "KuvEeNodeClassifier.h"

namespace kuv::detail {
class ClassificationVisitor;
}

class KUV_API KuvCoreEVC_NodeClassifier : public KuvEeNodeClassifier {
  KUV_DECLARE_TYPE(KuvCoreEVC_NodeClassifier)

public:
  KuvCoreEVC_NodeClassifier();
  ~KuvCoreEVC_NodeClassifier() override;
  KuvCoreEVC_NodeClassifier(const KuvCoreEVC_NodeClassifier&) = delete;
  KuvCoreEVC_NodeClassifier& operator=(const KuvCoreEVC_NodeClassifier&) = delete;

  // E_FAIL, classification cleared, when a node cannot be classified.
  HRESULT classify(const KuvEeNodeRef& node, KuvEVCClassification& classification) override;
  // E_FAIL, output untouched, when a node cannot be classified or the
  // output has the wrong element types.
  HRESULT getClassificationIndex(const KuvEeNodeRef& node, KuvInSetVal& indices) override;
  HRESULT getClassificationIndex(const KuvEeNodeRef& node, KuvInMapVal& nodeSets) override;

  // classification = that of node as the last call on a tree holding it
  // found it, without walking again: one walk serves every node of a tree
  // that is read node by node. E_FAIL, classification cleared, for a node
  // that walk did not reach.
  HRESULT getVisitedClassification(const KuvEeNode& node, KuvEVCClassification& classification) const;

  // Sets in classification the flags of the indices: 1 setVariant,
  // 2 setEvolution, 3 setChange, 4 setEffectivity, 5 setHistory, 0 nothing.
  // E_FAIL, classification untouched, for an element that is no
  // KuvInIntHolder or an index above 5.
  static HRESULT convertClassificationSetToObject(const KuvInSetVal& indices, KuvEVCClassification& classification);

private:
  // The flags of one index, nothing for 0 or an unknown one.
  static void setFlagsOf(std::uint32_t index, KuvEVCClassification& classification);
  // Walks the tree under node; its sets are then those of the visitor.
  HRESULT visit(const KuvEeNodeRef& node);

  std::unique_ptr<kuv::detail::ClassificationVisitor> m_visitor;
};
