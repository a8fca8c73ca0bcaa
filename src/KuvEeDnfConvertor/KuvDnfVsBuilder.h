// KuvDnfVsBuilder: the same for a variable space: the variables and
// categories a normal form names are created where missing, added to the
// space, and put into the set of objects.
//
// Ownership: a variable space owns nothing, so the objects buildVS creates
// (categories, options, selection, date, serial and tree-series variables,
// milestone tracks, predefined effectivities) are the caller's. objects
// receives every one the form names, found or created (selection values
// excepted: their variable owns them); with a space that held none of them
// before (a working space), objects.DeleteAll() frees them once the trees
// built on them are gone.
// A failure leaves what was already created in the space and in objects.
// Tree series and milestone tracks created here have no elements: the
// normal-form leaves on them keep their ranges, not tree selections.
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
