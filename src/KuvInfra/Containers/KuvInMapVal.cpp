#include "KuvInMapVal.h"

#include "KuvInHashMap_Define.h"

template class kuv::detail::MapEntry<KuvInMapVal, kuv::detail::HoldsCopies>;
template class kuv::detail::HashMap<KuvInMapVal, kuv::detail::HoldsCopies>;

KUV_DEFINE_TYPE(KuvInMapVal, KuvInObjectVal)
KUV_DEFINE_TYPE_NAMED(KuvInMapVal::entry, KuvInObjectVal, "KuvInMapVal::entry")
