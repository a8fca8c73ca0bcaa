#include "KuvEeNodeClassifier.h"

KUV_DEFINE_TYPE(KuvEeNodeClassifier, KuvInObject)

KuvEeNodeClassifier::~KuvEeNodeClassifier() = default;
