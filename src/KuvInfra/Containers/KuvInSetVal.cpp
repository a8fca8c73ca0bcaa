#include "KuvInSetVal.h"

#include "KuvInHashSet_Define.h"

template class kuv::detail::HashSet<KuvInSetVal, kuv::detail::HoldsCopies>;

KUV_DEFINE_TYPE(KuvInSetVal, KuvInObjectVal)
