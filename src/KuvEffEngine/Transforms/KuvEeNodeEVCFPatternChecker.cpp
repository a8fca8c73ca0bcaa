#include "KuvEeNodeEVCFPatternChecker.h"

#include <vector>

#include "KuvCoreEVC_NodeClassifier.h"
#include "KuvEVCClassification.h"
#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeNodeRef.h"
#include "KuvEeOrOp.h"
#include "KuvInIntHolder.h"
#include "KuvInLinkList.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeEVCFPatternChecker, KuvInObject)

namespace {

bool hasOtherCriteria(const KuvEVCClassification& classification) {
  return classification.isVariant() || classification.isEvolution() || classification.isChange();
}

std::vector<KuvEeNode*> childrenOf(const KuvEeGroupOp& group) {
  KuvInLinkList refs(KuvEeNodeRef::sType());
  kuv::detail::throwIfOutOfMemory(group.getChildrenRefs(refs));
  std::vector<KuvEeNode*> nodes;
  for (auto it = refs.cBegin(); it.IsValid(); it.Next()) nodes.push_back(static_cast<KuvEeNodeRef*>(it.Get())->getNode());
  return nodes;
}

}  // namespace

KuvEeNodeEVCFPatternChecker::KuvEeNodeEVCFPatternChecker()
    : m_classifications(KuvInObjectPtr::sType(), KuvInSetVal::sType()) {}

KuvEeNodeEVCFPatternChecker::~KuvEeNodeEVCFPatternChecker() = default;

HRESULT KuvEeNodeEVCFPatternChecker::checkPatternToFindEVCPart(const KuvEeNodeRef& tree, unsigned char& compatible,
                                                               KuvEeNodeRef*& part) {
  KUV_TRACE_CALL("checkPatternToFindEVCPart");
  KuvCoreEVC_NodeClassifier classifier;
  if (tree.getNode() == nullptr || FAILED(classifier.getClassificationIndex(tree, m_classifications)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: classify failed");
  KuvEVCClassification root;
  if (FAILED(retrieveClassificationForNode(*tree.getNode(), root)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: RetrieveClassificationForNode failed");
  compatible = 1;
  part = nullptr;
  if (!root.isInheritedEff()) {
    // The caller holds the tree; the part is handed back as its own.
    part = const_cast<KuvEeNodeRef*>(&tree);
    return S_OK;
  }
  if (!hasOtherCriteria(root)) {
    compatible = isReferenceGroup(*tree.getNode()) ? 1 : 0;
    return S_OK;
  }
  // One part beside one group of references.
  const auto* andOp = KuvEeAndOp::cast(*tree.getNode());
  const std::vector<KuvEeNode*> children = andOp != nullptr ? childrenOf(*andOp) : std::vector<KuvEeNode*>{};
  compatible = children.size() == 2 ? 1 : 0;
  bool seenReferences = false;
  for (std::size_t i = 0; compatible != 0 && i < children.size(); ++i) {
    KuvEVCClassification classification;
    if (FAILED(retrieveClassificationForNode(*children[i], classification)))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: RetrieveClassificationForNode failed");
    if (!classification.isInheritedEff()) {
      part = children[i]->getNodeRef();
      continue;
    }
    compatible = !hasOtherCriteria(classification) && !seenReferences && isReferenceGroup(*children[i]) ? 1 : 0;
    seenReferences = true;
  }
  if (compatible == 0) part = nullptr;
  return S_OK;
}

HRESULT KuvEeNodeEVCFPatternChecker::isExpressionCompatibleToPattern(const KuvEeNodeRef& tree,
                                                                     unsigned char& compatible) {
  KUV_TRACE_CALL("isExpressionCompatibleToPattern");
  KuvEeNodeRef* part = nullptr;
  return checkPatternToFindEVCPart(tree, compatible, part);
}

HRESULT KuvEeNodeEVCFPatternChecker::retrieveClassificationForNode(const KuvEeNode& node,
                                                                   KuvEVCClassification& classification) const {
  const KuvInObjectVal* found = m_classifications.Get(KuvInObjectPtr(const_cast<KuvEeNode*>(&node)));
  const KuvInSetVal* indices = found != nullptr ? KuvInSetVal::cast(*found) : nullptr;
  if (indices == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected NULL pointer. Classification not found.");
  classification.clear();
  return KuvCoreEVC_NodeClassifier::convertClassificationSetToObject(*indices, classification);
}

bool KuvEeNodeEVCFPatternChecker::isReferenceGroup(const KuvEeNode& node) {
  if (KuvEeEffLeaf::isObjectOfThisType(node)) return true;
  const auto* orOp = KuvEeOrOp::cast(node);
  if (orOp == nullptr) return false;
  for (const KuvEeNode* child : childrenOf(*orOp))
    if (!KuvEeEffLeaf::isObjectOfThisType(*child)) return false;
  return true;
}
