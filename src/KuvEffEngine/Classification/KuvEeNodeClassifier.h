// KuvEeNodeClassifier: the interface of node classifiers, which give every
// node of a tree the set of criteria families found below it, as
// classification indices (KuvInIntHolder values): 0 none (True, False),
// 1 variant, 2 evolution, 3 change, 4 inherited effectivity, 5 history
// (dates). Node grouping and the pattern checker take a classifier through
// this interface; KuvCoreEVC_NodeClassifier is the implementation.
//
//     KuvCoreEVC_NodeClassifier classifier;
//     KuvInMapVal sets(KuvInObjectPtr::sType(), KuvInSetVal::sType());
//     classifier.getClassificationIndex(*root, sets);   // node -> its set
#pragma once

#include <cstdint>

#include "KuvInObject.h"

class KuvEVCClassification;
class KuvEeNode;
class KuvEeNodeRef;
class KuvInMapVal;
class KuvInSetVal;

class KUV_API KuvEeNodeClassifier : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeNodeClassifier)

public:
  enum ClassificationIndex : std::uint32_t {
    CLASSIF_NONE = 0,
    CLASSIF_VARIANT = 1,
    CLASSIF_EVOLUTION = 2,
    CLASSIF_CHANGE = 3,
    CLASSIF_EFFECTIVITY = 4,
    CLASSIF_HISTORY = 5
  };

  ~KuvEeNodeClassifier() override;

  // classification = the families of criteria of the tree under node (it is
  // cleared first).
  virtual HRESULT classify(const KuvEeNodeRef& node, KuvEVCClassification& classification) = 0;
  // indices (element type KuvInIntHolder) = the classification indices of
  // the tree under node.
  virtual HRESULT getClassificationIndex(const KuvEeNodeRef& node, KuvInSetVal& indices) = 0;
  // nodeSets = one entry per node of the tree under node: the node, held as
  // a KuvInObjectPtr, to its set of indices (a KuvInSetVal).
  virtual HRESULT getClassificationIndex(const KuvEeNodeRef& node, KuvInMapVal& nodeSets) = 0;

protected:
  KuvEeNodeClassifier() = default;
};
