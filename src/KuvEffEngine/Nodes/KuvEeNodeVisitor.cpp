#include "KuvEeNodeVisitor.h"

KUV_DEFINE_TYPE(KuvEeNodeVisitor, KuvInObject)

KuvEeNodeVisitor::~KuvEeNodeVisitor() = default;
