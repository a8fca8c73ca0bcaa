#include "KuvEeNodeExpander.h"

#include <algorithm>

#include "KuvEeChangeExpression.h"
#include "KuvEeEffectivityExpression.h"
#include "KuvEeModelDico.h"
#include "KuvEeNodeDispatcher_Define.h"
#include "KuvEePredefEff.h"
#include "KuvEeTransformDepth.h"
#include "KuvEeTransformEntry.h"
#include "KuvEeTransformLists.h"
#include "KuvInSet.h"
#include "KuvOutOfMemory.h"

KUV_DEFINE_TYPE(KuvEeNodeExpander, KuvEeNodeVisitor)
template class KuvEeNodeDispatcher<KuvEeNodeExpander>;

namespace {

using kuv::detail::OwnedNode;
using ModelCriteria = KuvEeMultiModelExpression::ModelCriteria;

OwnedNode copyOf(const KuvEeNodeRef* tree) { return OwnedNode(tree->getNode()->clone()); }

}  // namespace

KuvEeNodeExpander::~KuvEeNodeExpander() = default;

HRESULT KuvEeNodeExpander::expand(KuvEeNodeRef& ref, E_Expand mode, const KuvInSet* selection,
                                  KuvEeModelDico* dictionary) {
  return kuv::detail::unlessOutOfMemory(traceChannel(), [&] {
    kuv::detail::TransformEntry entry(traceChannel(), "expand", ref);
    m_mode = mode;
    m_selection = selection;
    m_dictionary = dictionary;
    if (selection != nullptr)
      KUV_TRACE_DETAIL(
          "WARNING: Expand Effectivities in Expression special mode of EXPLICITLY CHOSEN EFFS TO "
          "EXPAND!");
    return entry.run(*this);
  });
}

HRESULT KuvEeNodeExpander::visitGroup(KuvEeGroupOp& node, NodeKind kind) {
  const kuv::detail::DepthLevel level(m_depth);
  if (!level.admitted()) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return KuvEeNodeDispatcher::visitGroup(node, kind);
}

HRESULT KuvEeNodeExpander::visitSingle(KuvEeSingleOp& node, NodeKind kind) {
  const kuv::detail::DepthLevel level(m_depth);
  if (!level.admitted()) KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  return KuvEeNodeDispatcher::visitSingle(node, kind);
}

HRESULT KuvEeNodeExpander::visitLeaf(KuvEeNodeLeaf& node, NodeKind kind) {
  if (kind != NodeKind::EffLeaf) return S_OK;
  KUV_TRACE_CALL(visitName(kind));
  auto& leaf = static_cast<KuvEeEffLeaf&>(node);
  KuvEeEffectivity* target = leaf.getTargetEff();
  if (target != nullptr && m_selection != nullptr && !m_selection->Find(target)) {
    KUV_TRACE_DETAIL("WARNING: skipping Effectivity as NOT IN THE SELECTION.");
    return S_OK;
  }
  if (target != nullptr) {
    if (auto* basic = KuvEeBasicEff::cast(*target)) return expandBasic(leaf, *basic);
    if (auto* change = KuvEePredefEff::cast(*target)) return expandPredef(leaf, *change);
  }
  KUV_RETURN_ERROR(E_FAIL, "ERROR: Unsupported EeEffectivity-derived type.");
}

HRESULT KuvEeNodeExpander::enter(const KuvEeEffectivity& target) {
  if (std::find(m_chain.begin(), m_chain.end(), &target) != m_chain.end())
    KUV_RETURN_ERROR(E_FAIL, "ERROR: cyclic effectivity definition.");
  return S_OK;
}

HRESULT KuvEeNodeExpander::expandBasic(KuvEeEffLeaf& leaf, KuvEeBasicEff& target) {
  if ((m_mode & EXPAND_BASIC) == 0 || leaf.convertToTrueFalse()) return S_OK;
  if (FAILED(enter(target))) return E_FAIL;
  if (const KuvEeNodeRef* tree = target.getExpr()) {
    OwnedNode copy = copyOf(tree);
    if (copy == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: clone failed");
    return replace(leaf, std::move(copy), &target);
  }
  OwnedNode definition;
  const HRESULT hr = inheritedDefinition(leaf, target, definition);
  if (FAILED(hr)) return hr;
  // Its inherited part is expanded already; its criteria are the
  // dictionary's own.
  return replace(leaf, std::move(definition), nullptr);
}

HRESULT KuvEeNodeExpander::inheritedDefinition(const KuvEeEffLeaf& leaf, const KuvEeBasicEff& target,
                                               OwnedNode& definition) {
  KuvEeExpression* expression = nullptr;
  if (FAILED(target.getExpr(expression))) KUV_RETURN_ERROR(E_FAIL, "ERROR: getExpr FAILED.");
  KuvEeModelDico* context = leaf.getReferencedContext();
  if (expression == nullptr || context == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: empty eff not supported.");
  const auto* effectivity = KuvEeEffectivityExpression::cast(*expression);
  if (effectivity == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: getModelCriteria FAILED.");
  const ModelCriteria* criteria = effectivity->getModelCriteria(context);
  if (criteria == nullptr)
    KUV_RETURN_ERROR(E_FAIL, "ERROR: invalid InheritedEff usage. Dictionary=", context->getGuid().toString(),
                     " is NOT defined on the target effectivity=", target.getGuid().toString());
  OwnedNode parts[2];
  const KuvEeNodeRef* trees[2] = {criteria->getInheritedEffCriteria(), criteria->getCriteria()};
  for (int i = 0; i < 2; ++i) {
    if (trees[i] == nullptr) continue;
    parts[i] = copyOf(trees[i]);
    if (parts[i] == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: NULL pointer: clone failed");
  }
  if (parts[0] != nullptr) {
    // Each inherited level nests an expander: the chain bounds the stack.
    if (m_chain.size() >= static_cast<std::size_t>(kuv::detail::kMaxTransformDepth))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
    KuvEeNodeExpander nested;
    nested.m_chain = m_chain;
    nested.m_chain.push_back(&target);
    nested.m_depth = m_depth;  // its walk runs on top of this one
    const HRESULT hr = nested.expand(*parts[0], EXPAND_BASIC, nullptr, nullptr);
    if (FAILED(hr)) return hr;
  }
  if (parts[0] != nullptr && parts[1] != nullptr) {
    auto* both = new KuvEeAndOp;
    definition.reset(both->getNodeRef());
    for (OwnedNode& part : parts) {
      if (FAILED(kuv::detail::throwIfOutOfMemory(both->addChild(part->getNode()))))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: addChild failed");
      part.release();
    }
    return S_OK;
  }
  definition = std::move(parts[0] != nullptr ? parts[0] : parts[1]);
  if (definition == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: unexpected.");
  return S_OK;
}

HRESULT KuvEeNodeExpander::expandPredef(KuvEeEffLeaf& leaf, KuvEePredefEff& target) {
  const bool defined = target.isDefined();
  const bool rejected = target.getPublicationStatus() == KuvEePredefEff::Rejected;
  const bool officialized = target.getPublicationStatus() == KuvEePredefEff::Officialized;
  const bool evaluated = (m_mode & (EXPAND_PREDEF | EXPAND_OFFICIALIZED)) != 0;
  const bool expands =
      defined && (((m_mode & EXPAND_PREDEF) != 0 && !rejected) || ((m_mode & EXPAND_OFFICIALIZED) != 0 && officialized));
  if (!expands && !(evaluated && rejected)) return S_OK;
  // A rejected change counts as never applied, whatever state the leaf is in.
  if (!expands) return replace(leaf, OwnedNode((new KuvEeFalse)->getNodeRef()), nullptr);
  // A leaf that is always true or false does not depend on its target.
  if (leaf.convertToTrueFalse()) return S_OK;
  if (FAILED(enter(target))) return E_FAIL;
  OwnedNode definition;
  if (const KuvEeNodeRef* tree = target.getExpr()) {
    definition = copyOf(tree);
  } else {
    const HRESULT hr = changeDefinition(target, definition);
    if (FAILED(hr)) return hr;
  }
  if (definition == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Null pointer on the cloned node.");
  return replace(leaf, std::move(definition), &target);
}

HRESULT KuvEeNodeExpander::changeDefinition(const KuvEePredefEff& target, OwnedNode& definition) {
  KuvEeExpression* expression = nullptr;
  target.getExpr(expression);
  const auto* change = expression != nullptr ? KuvEeChangeExpression::cast(*expression) : nullptr;
  if (change == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: Retrieved Expression isn't a KuvEeChangeExpression.");
  const KuvEeNodeRef* source = nullptr;
  if (m_dictionary != nullptr) {
    const ModelCriteria* criteria = change->getModelCriteria(m_dictionary);
    // The change does not apply to the dictionary.
    if (criteria == nullptr) {
      definition.reset((new KuvEeFalse)->getNodeRef());
      return S_OK;
    }
    source = criteria->getCriteria();
    if (source == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: ModelCriteria with null pointer on expression.");
  } else {
    if (target.getType() != KuvEePredefEff::GLOBAL)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : unexpected to expand a Predef Eff of type IN CONTEXT in a global criteria");
    source = change->getGlobalCriteria();
    if (source == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: GlobalCriteria with null pointer on expression.");
  }
  definition = copyOf(source);
  return S_OK;
}

HRESULT KuvEeNodeExpander::replace(KuvEeEffLeaf& leaf, OwnedNode replacement, const KuvEeEffectivity* expandedFrom) {
  if (expandedFrom != nullptr && m_chain.size() >= static_cast<std::size_t>(kuv::detail::kMaxTransformDepth))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: expression too deep");
  if (leaf.isNegated()) {
    auto* notOp = new KuvEeNotOp;
    notOp->setChildRef(replacement.release());
    replacement.reset(notOp->getNodeRef());
  }
  KuvEeNodeRef* ref = leaf.getNodeRef();
  // A fresh copy is no ancestor of the leaf: no walk up a tree that may
  // have grown as deep as its chain of definitions.
  leaf.becomeUnchecked(replacement.release()->getNode());
  if (expandedFrom == nullptr) return S_OK;
  m_chain.push_back(expandedFrom);
  // Left however the walk ends, out of memory too: a definition left in the
  // chain would pass for a cycle in the expander's next call.
  struct Leave {
    std::vector<const KuvEeEffectivity*>& chain;
    ~Leave() { chain.pop_back(); }
  } leave{m_chain};
  return ref->getNode()->acceptVisitor(*this);
}
