#include "KuvEeNodeWalker.h"

#include "KuvEeNodeDispatcher_Define.h"

KUV_DEFINE_TYPE(KuvEeNodeWalker, KuvEeNodeVisitor)
// The dispatcher's own handlers are the walk.
template class KuvEeNodeDispatcher<KuvEeNodeWalker>;

KuvEeNodeWalker::~KuvEeNodeWalker() = default;
