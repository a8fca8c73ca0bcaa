#include "KuvVersion.h"

// The build defines KUV_VERSION_TEXT from the project version, so that
// there is one place to change it.
const char* KuvVersion() { return KUV_VERSION_TEXT; }
