#include "KuvEeDnfConvertor.h"

#include <memory>

#include "KuvEeDnfProduct.h"
#include "KuvEeNodeCloner.h"
#include "KuvOutOfMemory.h"
#include "KuvTbDnfBuilder.h"

KuvDnf* KuvEeDnfConvertor::NodeRef2Dnf(const KuvEeNodeRef& ref) {
  // A normal form may need more memory than there is: its caller gets null,
  // as for any other failure.
  return kuv::detail::unlessOutOfMemory(
      traceChannel(),
      [&ref] {
        kuv::detail::DnfProduct product;
        KuvDnf* dnf = kuv::detail::nodeRefToDnf(ref, &product);
        return product.isRead() ? product.expand() : dnf;
      },
      []() -> KuvDnf* { return nullptr; });
}

KuvDnf* kuv::detail::nodeRefToDnf(const KuvEeNodeRef& ref, DnfProduct* product) {
  KuvEeNodeCloner cloner;
  std::unique_ptr<KuvEeNodeRef> copy(cloner.clone(ref));
  if (!copy) {
    KUV_TRACE_ERROR_ON(KuvEeDnfConvertor::traceChannel(), "ERROR: Unable to clone NodeRef.");
    return nullptr;
  }
  return ownedTreeToDnf(*copy, product);
}

KuvDnf* kuv::detail::ownedTreeToDnf(KuvEeNodeRef& tree, DnfProduct* product) {
  KuvInTraceClass& channel = KuvEeDnfConvertor::traceChannel();
  if (FAILED(makeDnfNode(tree, product))) {
    KUV_TRACE_ERROR_ON(channel, "ERROR: makeDnfNode for Node failed");
    return nullptr;
  }
  if (product != nullptr && product->isRead()) return nullptr;
  KuvDnf* dnf = KuvTbDnfBuilder::createDnf(tree, KuvDnfAndTermFactory::Map);
  if (dnf == nullptr) KUV_TRACE_ERROR_ON(channel, "ERROR: Unable to create Dnf from cloned NodeRef.");
  return dnf;
}

KuvDnf* kuv::detail::ownedTreeToDnf(KuvEeNodeRef& tree) {
  return unlessOutOfMemory(
      KuvEeDnfConvertor::traceChannel(),
      [&tree] {
        kuv::detail::DnfProduct product;
        KuvDnf* dnf = ownedTreeToDnf(tree, &product);
        return product.isRead() ? product.expand() : dnf;
      },
      []() -> KuvDnf* { return nullptr; });
}
