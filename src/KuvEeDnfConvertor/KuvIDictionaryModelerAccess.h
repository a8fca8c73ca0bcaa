// KuvIDictionaryModelerAccess: implemented by the host, which knows the
// display names of its dictionary objects. The conversions that create
// dictionary objects for a normal form ask it for names; without one (a
// null pointer) an object is named by its GUID.
#pragma once

#include "KuvInGuid.h"
#include "KuvInString.h"

class KUV_API KuvIDictionaryModelerAccess {
public:
  virtual ~KuvIDictionaryModelerAccess() = default;
  // The display name of the object with that GUID; a failure code when
  // the host has none.
  virtual HRESULT GetName(const KuvInGuid& guid, KuvInString& name) const = 0;
};
