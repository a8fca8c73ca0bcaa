// KuvFltObjectServices: operations that build new filtering objects from
// decoded ones.
#pragma once

#include "KuvFltObject.h"

class KuvFltEffectivity;

class KUV_API KuvFltObjectServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFltObjectServices)

public:
  // out (null on entry, the caller's, null on failure): the configurations
  // both effectivities admit. A domain or view only one of them has is
  // copied, since the other does not constrain it; in a view both have,
  // only the dictionaries both state are kept, each with the And of the two
  // forms (term pairs that cannot meet are dropped; no pair left gives
  // FALSE). E_INVALIDARG when out is not null on entry.
  static HRESULT GetIntersectionOfEffectivities(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                                                KuvFltEffectivity*& out);
};
