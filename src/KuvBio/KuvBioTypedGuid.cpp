#include "KuvBioTypedGuid.h"

KUV_DEFINE_TYPE(KuvBioTypedGuid, KuvInObjectVal)

KuvBioTypedGuid::~KuvBioTypedGuid() = default;

bool KuvBioTypedGuid::equals(const KuvInObjectVal& other) const {
  const KuvBioTypedGuid* o = cast(other);
  return o != nullptr && *this == *o;
}

KuvInObjectVal& KuvBioTypedGuid::clone(void* where) const { return cloneOf(*this, where); }
