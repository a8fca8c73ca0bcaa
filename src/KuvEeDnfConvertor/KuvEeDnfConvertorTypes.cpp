// The type and trace channel of each static service of the conversions.
#include "KuvDnfModelDicoBuilder.h"
#include "KuvDnfVsBuilder.h"
#include "KuvEeDnfConvertor.h"
#include "KuvEeMakeDnfNode.h"
#include "KuvTbDnfBuilder.h"

KUV_DEFINE_TYPE(KuvEeMakeDnfNode, KuvInObject)
KUV_DEFINE_TYPE(KuvTbDnfBuilder, KuvInObject)
KUV_DEFINE_TYPE(KuvEeDnfConvertor, KuvInObject)
KUV_DEFINE_TYPE(KuvDnfModelDicoBuilder, KuvInObject)
KUV_DEFINE_TYPE(KuvDnfVsBuilder, KuvInObject)

#include "KuvEeDnfComparisonServices.h"
#include "KuvEeDnfProduct.h"
#include "KuvEeNormalFormHooks.h"

namespace {
// The engine's expressions reach the conversions through these.
[[maybe_unused]] const bool kHooksRegistered = [] {
  kuv::detail::NormalFormHooks& hooks = kuv::detail::normalFormHooks();
  hooks.toDnf = &KuvEeDnfConvertor::NodeRef2Dnf;
  hooks.ownedToDnf = static_cast<KuvDnf* (*)(KuvEeNodeRef&)>(&kuv::detail::ownedTreeToDnf);
  hooks.isAIncludingB = &KuvEeDnfComparisonServices::IsAIncludingB;
  return true;
}();
}  // namespace
