// KuvDnfVsBuilder: the same for a variable space: the variables and
// categories a normal form names are created where missing, added to the
// space, and put into the set of objects (the caller's set; the objects
// belong to the space's dictionaries as the space's adders say).
#pragma once

#include "KuvInObject.h"

#include "KuvDnf.h"

class KuvEeVarSpace;
class KuvInSet;

class KUV_API KuvDnfVsBuilder : public KuvInObject {
  KUV_DECLARE_TYPE(KuvDnfVsBuilder)

public:
  // Unless keep, objects is cleared first.
  static HRESULT buildVS(const KuvDnf& dnf, KuvEeVarSpace& varSpace, KuvInSet& objects, unsigned char keep);
};
