// KuvFltComparisonServices: the static entry points that compare decoded
// filtering objects. Answers are booleans; the operations return result
// codes, and an answer is only meaningful when the code is not negative.
//
//     unsigned char visible = 0;
//     KuvFltComparisonServices::IsIntersect(filter, effectivity, KuvComparisonMode_All, KuvComparisonMode_All,
//                                           visible, 1);
#pragma once

#include "KuvFltObject.h"

class KuvFltApplicability;
class KuvFltEffectivity;
class KuvFltFilter;

class KUV_API KuvFltComparisonServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFltComparisonServices)

public:
  // answer 1 when the effectivity passes the filter (KuvFltFilter::isIntersect).
  static HRESULT IsIntersect(const KuvFltFilter& filter, const KuvFltEffectivity& effectivity,
                             KuvComparisonMode domainMode, KuvComparisonMode viewMode, unsigned char& answer,
                             unsigned char dictionaryFlag);
  // answer 1 when the two effectivities meet (KuvFltEffectivity::isIntersect).
  static HRESULT IsIntersect(const KuvFltEffectivity& a, const KuvFltEffectivity& b, KuvComparisonMode viewMode,
                             KuvComparisonMode domainMode, unsigned char& answer);
  // answer 1 when the applicability meets the filter.
  static HRESULT IsIntersect(const KuvFltFilter& filter, const KuvFltApplicability& applicability,
                             KuvComparisonMode mode, unsigned char& answer);
};
