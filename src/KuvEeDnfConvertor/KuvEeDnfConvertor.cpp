#include "KuvEeDnfConvertor.h"

#include <memory>

#include "KuvEeMakeDnfNode.h"
#include "KuvEeNodeCloner.h"
#include "KuvTbDnfBuilder.h"

KuvDnf* KuvEeDnfConvertor::NodeRef2Dnf(const KuvEeNodeRef& ref) {
  KuvEeNodeCloner cloner;
  std::unique_ptr<KuvEeNodeRef> copy(cloner.clone(ref));
  if (!copy) {
    KUV_TRACE_ERROR("ERROR: Unable to clone NodeRef.");
    return nullptr;
  }
  if (FAILED(KuvEeMakeDnfNode::makeDnfNode(*copy))) {
    KUV_TRACE_ERROR("ERROR: makeDnfNode for Node failed");
    return nullptr;
  }
  KuvDnf* dnf = KuvTbDnfBuilder::createDnf(*copy, KuvDnfAndTermFactory::Map);
  if (dnf == nullptr) KUV_TRACE_ERROR("ERROR: Unable to create Dnf from cloned NodeRef.");
  return dnf;
}
