// The applying view of an effectivity: under which view (source, current or
// projected) its references to predefined effectivities are evaluated when
// objects are filtered. NONE asks for no view. KuvCoreEncodingsToolbox
// converts the first three to and from their database texts. The fixed
// type keeps any value a host or a binary gives valid, so that range checks
// hold.
#pragma once

#include <cstdint>

enum KuvExpressionView : std::int32_t {
  CFG_EXPRVIEW_SOURCE = 0,
  CFG_EXPRVIEW_CURRENT = 1,
  CFG_EXPRVIEW_PROJECTED = 2,
  CFG_EXPRVIEW_NONE = 3
};
