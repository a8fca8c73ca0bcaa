#include "KuvEeNodeLeaf.h"

KUV_DEFINE_TYPE(KuvEeNodeLeaf, KuvEeNode)

KuvEeNodeLeaf::~KuvEeNodeLeaf() = default;
