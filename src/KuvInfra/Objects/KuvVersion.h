// The version of the kuv library a host is running against, as
// "major.minor.patch": the project version the library was built from,
// which may differ from the headers a host was compiled with.
#pragma once

#include "KuvInTypes.h"

// A static text; never null.
KUV_API const char* KuvVersion();
