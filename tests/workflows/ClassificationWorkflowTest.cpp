#include "workflows/HostModel.h"
