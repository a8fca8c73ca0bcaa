// The expressions' ways to their normal forms (see KuvEeNormalFormHooks.h).
#include <memory>
#include <vector>

#include "KuvDnf.h"
#include "KuvEeAndOp.h"
#include "KuvEeEffLeaf.h"
#include "KuvEeEffectivity.h"
#include "KuvEeNodeCloner.h"
#include "KuvEeNormalFormHooks.h"
#include "KuvEeNotOp.h"
#include "KuvEeTrue.h"
#include "KuvEeVarEff.h"
#include "KuvEeVarEffLeaf.h"
#include "KuvInMap.h"
#include "KuvInSet.h"
#include "KuvOutOfMemory.h"
#include "KuvQmSpecList.h"

namespace kuv::detail {

namespace {
KuvInTraceClass& traceChannel() { return KuvDnf::traceChannel(); }
constexpr const char* kAbsent = "ERROR: the normal-form conversions are not available";

std::unique_ptr<KuvEeNodeRef> cloneOf(const KuvEeNodeRef& tree) {
  KuvEeNodeCloner cloner;
  return std::unique_ptr<KuvEeNodeRef>(cloner.clone(tree));
}

// The normal form of a tree of this file's own making, converted in place.
HRESULT ownedTreeDnf(KuvEeNodeRef& tree, KuvDnf*& dnf) {
  const auto convert = normalFormHooks().ownedToDnf;
  if (convert == nullptr) KUV_RETURN_ERROR(E_NOTIMPL, kAbsent);
  dnf = convert(tree);
  if (dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: GetDNF failed");
  return S_OK;
}
}  // namespace

HRESULT treeDnf(const KuvEeNodeRef* tree, bool negated, KuvDnf*& dnf) {
  dnf = nullptr;
  const NormalFormHooks& hooks = normalFormHooks();
  if (hooks.toDnf == nullptr) KUV_RETURN_ERROR(E_NOTIMPL, kAbsent);
  if (tree == nullptr || tree->getNode() == nullptr) {
    dnf = new KuvDnf(negated ? DNF_COND_FALSE : DNF_COND_TRUE);
    return S_OK;
  }
  if (!negated) {
    dnf = hooks.toDnf(*tree);
  } else {
    std::unique_ptr<KuvEeNodeRef> copy = cloneOf(*tree);
    if (!copy) KUV_RETURN_ERROR(E_FAIL, "ERROR: clone failed");
    auto* negation = new KuvEeNotOp;
    std::unique_ptr<KuvEeNodeRef> root(negation->getNodeRef());
    if (FAILED(negation->setChildRef(copy.get()))) KUV_RETURN_ERROR(E_FAIL, "ERROR: setChildRef failed");
    copy.release();
    return ownedTreeDnf(*root, dnf);
  }
  if (dnf == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: GetDNF failed");
  return S_OK;
}

HRESULT productDnf(const KuvEeNodeRef* const* trees, int count, KuvDnf*& dnf) {
  dnf = nullptr;
  std::vector<std::unique_ptr<KuvEeNodeRef>> copies;
  for (int i = 0; i < count; ++i) {
    if (trees[i] == nullptr || trees[i]->getNode() == nullptr) continue;
    copies.push_back(cloneOf(*trees[i]));
    if (!copies.back()) KUV_RETURN_ERROR(E_FAIL, "ERROR: clone failed");
  }
  return ownedProductDnf(copies.data(), static_cast<int>(copies.size()), dnf);
}

HRESULT ownedProductDnf(std::unique_ptr<KuvEeNodeRef>* trees, int count, KuvDnf*& dnf) {
  dnf = nullptr;
  auto* product = new KuvEeAndOp;
  std::unique_ptr<KuvEeNodeRef> root(product->getNodeRef());
  for (int i = 0; i < count; ++i) {
    if (!trees[i] || trees[i]->getNode() == nullptr) continue;
    if (FAILED(kuv::detail::throwIfOutOfMemory(product->addChild(trees[i]->getNode()))))
      KUV_RETURN_ERROR(E_FAIL, "ERROR: clone failed");
    trees[i].release();
  }
  if (product->childrenRefs().IsEmpty()) return treeDnf(nullptr, false, dnf);
  return ownedTreeDnf(*root, dnf);
}

HRESULT listTree(const KuvQmSpecList& list, KuvEeNodeRef*& tree) {
  tree = nullptr;
  if (list.IsEmpty()) {
    tree = (new KuvEeTrue)->getNodeRef();
    return S_OK;
  }
  auto* product = new KuvEeAndOp;
  std::unique_ptr<KuvEeNodeRef> root(product->getNodeRef());
  for (auto it = list.GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) {
    std::unique_ptr<KuvEeVarEff> eff(static_cast<const KuvEeVarEff*>(it.GetVal())->createVarEffClone());
    if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: a criterion of the list cannot be copied");
    // Each held by its owner until the next takes it.
    std::unique_ptr<KuvEeNodeRef> leaf((new KuvEeVarEffLeaf(eff.get()))->getNodeRef());
    eff.release();
    kuv::detail::throwIfOutOfMemory(product->addChild(leaf->getNode()));
    leaf.release();
  }
  for (auto it = list.GetEffs().cBegin(); it.IsValid();) {
    auto* eff = KuvEeEffectivity::cast(*it.GetGoToNext());
    if (eff == nullptr) KUV_RETURN_ERROR(E_FAIL, "ERROR: an effectivity of the list cannot be referred to");
    std::unique_ptr<KuvEeNodeRef> leaf((new KuvEeEffLeaf(eff))->getNodeRef());
    kuv::detail::throwIfOutOfMemory(product->addChild(leaf->getNode()));
    leaf.release();
  }
  tree = root.release();
  return S_OK;
}

HRESULT askDnfs(const KuvDnf& a, const KuvDnf& b, DnfQuestion question, bool& answer) {
  answer = false;
  if (question == DnfQuestion::Intersect) {
    unsigned char meets = 0;
    HRESULT hr = a.isIntersect(b, meets);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: isIntersect failed");
    answer = meets != 0;
    return S_OK;
  }
  const NormalFormHooks& hooks = normalFormHooks();
  if (hooks.isAIncludingB == nullptr) KUV_RETURN_ERROR(E_NOTIMPL, kAbsent);
  const KuvInGuid noModel;
  HRESULT hr = hooks.isAIncludingB(&a, &b, noModel);
  if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: IsAIncludingB failed");
  if (hr == S_OK && question == DnfQuestion::Equal) {
    hr = hooks.isAIncludingB(&b, &a, noModel);
    if (FAILED(hr)) KUV_RETURN_ERROR(hr, "ERROR: IsAIncludingB failed");
  }
  answer = hr == S_OK;
  return S_OK;
}

}  // namespace kuv::detail
