#include "KuvCoreEVC_NodeClassifier.h"

#include "KuvEVCClassification.h"
#include "KuvEeAndOp.h"
#include "KuvEeDateVar.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeFalse.h"
#include "KuvEeMilestonesVar.h"
#include "KuvEeNodeVisitor.h"
#include "KuvEeNotDomainOp.h"
#include "KuvEeNotOp.h"
#include "KuvEeOptionVar.h"
#include "KuvEeOrOp.h"
#include "KuvEePredefEff.h"
#include "KuvEeRestrictionEffLeaf.h"
#include "KuvEeSelectionVar.h"
#include "KuvEeSerialVar.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTreeSeriesVar.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInIntHolder.h"
#include "KuvInLinkList.h"
#include "KuvInMapVal.h"
#include "KuvInSetVal.h"
#include "KuvOutOfMemory.h"

#include <map>
#include <unordered_map>
#include <vector>

namespace kuv::detail {

// Finds, bottom-up, the set of classification indices of every node of a
// tree. A set is held as a bit mask (bit i = index i) in visiting order,
// children before their operator; sets as objects are made only for what a
// caller asks for.
class ClassificationVisitor : public KuvEeNodeVisitor {
  KUV_DECLARE_TYPE(ClassificationVisitor)

public:
  using Mask = std::uint8_t;

  ClassificationVisitor() = default;
  ~ClassificationVisitor() override = default;

  HRESULT run(KuvEeNode& root) {
    // The walk recurses once per level.
    if (kuv::detail::isTreeTooDeep(&root)) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
    // Fresh tables: clearing would cost the size of the largest tree seen.
    std::unordered_map<const KuvEeNode*, Mask>().swap(m_masks);
    std::vector<const KuvEeNode*>().swap(m_order);
    return root.acceptVisitor(*this);
  }
  // Null when node was not visited.
  const Mask* maskOf(const KuvEeNode* node) const {
    auto it = m_masks.find(node);
    return it != m_masks.end() ? &it->second : nullptr;
  }
  const std::vector<const KuvEeNode*>& order() const { return m_order; }

  static HRESULT toSet(Mask mask, KuvInSetVal& set) {
    for (std::uint32_t index = 0; index <= KuvEeNodeClassifier::CLASSIF_HISTORY; ++index)
      if ((mask & (1U << index)) != 0 && FAILED(set.Put(KuvInIntHolder(index)))) return E_FAIL;
    return S_OK;
  }

  HRESULT visitFalse(KuvEeFalse& node) override {
    return storeIndex(node, KuvEeNodeClassifier::CLASSIF_NONE);
  }
  HRESULT visitTrue(KuvEeTrue& node) override { return storeIndex(node, KuvEeNodeClassifier::CLASSIF_NONE); }
  HRESULT visitAndOp(KuvEeAndOp& node) override { return visitGroup(node); }
  HRESULT visitOrOp(KuvEeOrOp& node) override { return visitGroup(node); }
  HRESULT visitNotDomainOp(KuvEeNotDomainOp& node) override { return visitSingle(node); }
  HRESULT visitNotOp(KuvEeNotOp& node) override { return visitSingle(node); }
  HRESULT visitEffLeaf(KuvEeEffLeaf& node) override;
  HRESULT visitVarEffLeaf(KuvEeVarEffLeaf& node) override;
  HRESULT visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) override;

private:
  HRESULT visitGroup(KuvEeGroupOp& node);
  HRESULT visitSingle(KuvEeSingleOp& node);
  // Stores the union of the children's sets as the operator's.
  HRESULT storeUnionOfChildren(KuvEeOp& node);
  HRESULT storeIndex(KuvEeNode& node, std::uint32_t index) {
    return store(node, static_cast<Mask>(1U << index));
  }
  HRESULT store(KuvEeNode& node, Mask mask) {
    if (m_masks.insert_or_assign(&node, mask).second) m_order.push_back(&node);
    return S_OK;
  }

  std::unordered_map<const KuvEeNode*, Mask> m_masks;
  std::vector<const KuvEeNode*> m_order;
};

KUV_DEFINE_TYPE_NAMED(ClassificationVisitor, KuvEeNodeVisitor, "KuvCoreEVC_ClassificationVisitor")

HRESULT ClassificationVisitor::visitEffLeaf(KuvEeEffLeaf& node) {
  KUV_TRACE_CALL("visitEffLeaf");
  const KuvEeEffectivity* target = node.getTargetEff();
  if (target != nullptr) {
    if (KuvEePredefEff::cast(*target) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_CHANGE);
    if (KuvEeBasicEff::cast(*target) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_EFFECTIVITY);
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected KuvEeEffectivity-derived type.");
}

HRESULT ClassificationVisitor::visitVarEffLeaf(KuvEeVarEffLeaf& node) {
  KUV_TRACE_CALL("visitVarEffLeaf");
  const KuvEeVariable* var = node.getVarEff() != nullptr ? node.getVarEff()->getVar() : nullptr;
  if (var != nullptr) {
    if (KuvEeSerialVar::cast(*var) != nullptr || KuvEeTreeSeriesVar::cast(*var) != nullptr ||
        KuvEeMilestonesVar::cast(*var) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_EVOLUTION);
    if (KuvEeDateVar::cast(*var) != nullptr) return storeIndex(node, KuvEeNodeClassifier::CLASSIF_HISTORY);
    if (KuvEeSelectionVar::cast(*var) != nullptr || KuvEeOptionVar::cast(*var) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_VARIANT);
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");
}

HRESULT ClassificationVisitor::visitRestrictionEffLeaf(KuvEeRestrictionEffLeaf& node) {
  KUV_TRACE_CALL("visitRestrictionEffLeaf");
  const KuvEeRestrictionEff* restriction = node.getRestrictionEff();
  if (restriction != nullptr) {
    if (KuvEeSerialRestrictionEff::cast(*restriction) != nullptr ||
        KuvEeTreeSeriesRestrictionEff::cast(*restriction) != nullptr ||
        KuvEeMilestonesRestrictionEff::cast(*restriction) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_EVOLUTION);
    if (KuvEeDateRestrictionEff::cast(*restriction) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_HISTORY);
    if (KuvEeCategoryOptionRestrictionEff::cast(*restriction) != nullptr ||
        KuvEeSelectionRestrictionEff::cast(*restriction) != nullptr ||
        KuvEeCategoryRestrictionEff::cast(*restriction) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_VARIANT);
    if (KuvEePredefEffRestrictionEff::cast(*restriction) != nullptr)
      return storeIndex(node, KuvEeNodeClassifier::CLASSIF_CHANGE);
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected case");
}

HRESULT ClassificationVisitor::visitGroup(KuvEeGroupOp& node) {
  KUV_TRACE_CALL("visitGroupOp");
  if (FAILED(node.childrenAcceptVisitor(*this)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: childrenAcceptVisitor failed");
  return storeUnionOfChildren(node);
}

HRESULT ClassificationVisitor::visitSingle(KuvEeSingleOp& node) {
  KUV_TRACE_CALL("visitSingleOp");
  const KuvEeNodeRef* child = node.getChildRef();
  if (child != nullptr && FAILED(child->getNode()->acceptVisitor(*this)))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: accept visitor failed");
  return storeUnionOfChildren(node);
}

HRESULT ClassificationVisitor::storeUnionOfChildren(KuvEeOp& node) {
  Mask all = 0;
  auto add = [this, &all](const KuvEeNodeRef* child) {
    const Mask* mask = child != nullptr ? maskOf(child->getNode()) : nullptr;
    if (mask != nullptr) all |= *mask;
    return mask != nullptr;
  };
  if (const KuvEeGroupOp* group = KuvEeGroupOp::cast(node)) {
    for (auto it = group->childrenRefs().cBegin(); it.IsValid(); it.Next())
      if (!add(static_cast<const KuvEeNodeRef*>(it.Get()))) KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
  } else {
    const KuvEeNodeRef* child = static_cast<KuvEeSingleOp&>(node).getChildRef();
    if (child != nullptr && !add(child)) KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
  }
  return store(node, all);
}

}  // namespace kuv::detail

KUV_DEFINE_TYPE(KuvCoreEVC_NodeClassifier, KuvEeNodeClassifier)

KuvCoreEVC_NodeClassifier::KuvCoreEVC_NodeClassifier() : m_visitor(new kuv::detail::ClassificationVisitor) {}

KuvCoreEVC_NodeClassifier::~KuvCoreEVC_NodeClassifier() = default;

HRESULT KuvCoreEVC_NodeClassifier::visit(const KuvEeNodeRef& node) {
  if (node.getNode() == nullptr || FAILED(m_visitor->run(*node.getNode())))
    KUV_RETURN_ERROR(E_FAIL, "ERROR; visitor failed");
  return S_OK;
}

HRESULT KuvCoreEVC_NodeClassifier::classify(const KuvEeNodeRef& node, KuvEVCClassification& classification) {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KUV_TRACE_CALL("classify");
        classification.clear();
        KuvInSetVal indices(KuvInIntHolder::sType());
        const HRESULT hr = getClassificationIndex(node, indices);
        if (FAILED(hr)) return hr;
        if (FAILED(convertClassificationSetToObject(indices, classification)))
          KUV_RETURN_ERROR(E_FAIL, "ERROR; convertClassificationSetToObject FAILED.");
        return S_OK;
      },
      kuv::detail::emptying(classification));
}

HRESULT KuvCoreEVC_NodeClassifier::getClassificationIndex(const KuvEeNodeRef& node, KuvInSetVal& indices) {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KUV_TRACE_CALL("getClassificationIndex");
        if (!indices.IsTypeAccepted(KuvInIntHolder::sType())) KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
        if (FAILED(visit(node))) return E_FAIL;
        const kuv::detail::ClassificationVisitor::Mask* mask = m_visitor->maskOf(node.getNode());
        if (mask == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
        indices.Clear();
        if (FAILED(kuv::detail::ClassificationVisitor::toSet(*mask, indices)))
          KUV_RETURN_ERROR(E_FAIL, "ERROR: put failed");
        return S_OK;
      },
      kuv::detail::emptying(indices));
}

HRESULT KuvCoreEVC_NodeClassifier::getClassificationIndex(const KuvEeNodeRef& node, KuvInMapVal& nodeSets) {
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&] {
        KUV_TRACE_CALL("getClassificationIndex");
        if (!nodeSets.IsKeyTypeAccepted(KuvInObjectPtr::sType()) ||
            !nodeSets.IsValueTypeAccepted(KuvInSetVal::sType()))
          KUV_RETURN_ERROR(E_FAIL, "ERROR: badCastError");
        if (FAILED(visit(node))) return E_FAIL;
        nodeSets.Clear();
        // One set object per distinct mask, copied into the map per node.
        std::map<kuv::detail::ClassificationVisitor::Mask, KuvInSetVal> sets;
        for (const KuvEeNode* visited : m_visitor->order()) {
          const kuv::detail::ClassificationVisitor::Mask mask = *m_visitor->maskOf(visited);
          auto [it, isNew] = sets.try_emplace(mask, KuvInIntHolder::sType());
          if (isNew && FAILED(kuv::detail::ClassificationVisitor::toSet(mask, it->second)))
            KUV_RETURN_ERROR(E_FAIL, "ERROR: put failed");
          if (FAILED(nodeSets.Put(KuvInObjectPtr(const_cast<KuvEeNode*>(visited)), it->second)))
            KUV_RETURN_ERROR(E_FAIL, "ERROR: put failed");
        }
        return S_OK;
      },
      kuv::detail::emptying(nodeSets));
}

HRESULT KuvCoreEVC_NodeClassifier::getVisitedClassification(const KuvEeNode& node,
                                                            KuvEVCClassification& classification) const {
  classification.clear();
  const kuv::detail::ClassificationVisitor::Mask* mask = m_visitor->maskOf(&node);
  if (mask == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected NULL pointer. Classification not found.");
  // Read from the mask itself: no set to make, so no memory to run out of.
  for (std::uint32_t index = 0; index <= CLASSIF_HISTORY; ++index)
    if ((*mask & (1U << index)) != 0) setFlagsOf(index, classification);
  return S_OK;
}

HRESULT KuvCoreEVC_NodeClassifier::convertClassificationSetToObject(const KuvInSetVal& indices,
                                                                    KuvEVCClassification& classification) {
  KUV_TRACE_CALL("convertClassificationSetToObject");
  // Checked before anything is set, so a refused set changes nothing.
  for (KuvInSetVal::const_iterator it = indices.cBegin(); it.IsValid(); it.Next()) {
    const KuvInIntHolder* index = KuvInIntHolder::cast(*it.Get());
    if (index == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer");
    if (index->getValue() > CLASSIF_HISTORY) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unexpected case");
  }
  for (KuvInSetVal::const_iterator it = indices.cBegin(); it.IsValid(); it.Next())
    setFlagsOf(KuvInIntHolder::cast(*it.Get())->getValue(), classification);
  return S_OK;
}

void KuvCoreEVC_NodeClassifier::setFlagsOf(std::uint32_t index, KuvEVCClassification& classification) {
  switch (index) {
    case CLASSIF_VARIANT:
      classification.setVariant(1);
      break;
    case CLASSIF_EVOLUTION:
      classification.setEvolution(1);
      break;
    case CLASSIF_CHANGE:
      classification.setChange(1);
      break;
    case CLASSIF_EFFECTIVITY:
      classification.setEffectivity(1);
      break;
    case CLASSIF_HISTORY:
      classification.setHistory(1);
      break;
    default:
      break;
  }
}
