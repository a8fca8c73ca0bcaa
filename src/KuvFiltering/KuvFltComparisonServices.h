// KuvFltComparisonServices: the static entry points that compare decoded
// filtering objects. Answers are booleans; the operations return result
// codes, and an answer is only meaningful when the code is not negative.
//
//     unsigned char visible = 0;
//     KuvFltComparisonServices::IsIntersect(filter, effectivity, KuvComparisonMode_All, KuvComparisonMode_All,
//                                           visible, 1);
//
// Choices of this library where the rules are ours:
// - Effectivities are included in and equal to each other as
//   KuvFltEffectivity::isIncluding and isEqual decide; the view and domain
//   modes, and IsIncluding's dictionary flag, are taken for symmetry with
//   IsIntersect and not used: inclusion compares forms of one dictionary.
// - Two applicabilities are equal when they state the same dictionaries
//   and, dictionary by dictionary, forms with the same configurations (the
//   test filter equality makes of one dictionary).
// - An applicability includes another as a domain filter does
//   (KuvFltDomainFilter::isIncluding): each of its dictionaries' forms
//   includes the other's form of that dictionary, one the other lacks
//   counting as included.
// - A filter and an effectivity intersect in one domain when either lacks
//   it or their parts meet there (dictionary flag set, as filtering does).
//
// The overloads over compiled binaries decode with KuvCompiledBinaryParser,
// which comes after this module: they are defined in KuvFilteringAnalysis.
// They refuse a binary that does not read, or of a kind the comparison does
// not take, with the failure of the read or E_INVALIDARG.
#pragma once

#include "KuvFltObject.h"

class KuvBioBuffer;
class KuvFltApplicability;
class KuvFltEffectivity;
class KuvFltFilter;
class KuvInList;

class KUV_API KuvFltComparisonServices : public KuvInObject {
  KUV_DECLARE_TYPE(KuvFltComparisonServices)

public:
  // answer 1 when the effectivity passes the filter (KuvFltFilter::isIntersect).
  static HRESULT IsIntersect(const KuvFltFilter& filter, const KuvFltEffectivity& effectivity,
                             KuvComparisonMode domainMode, KuvComparisonMode viewMode, unsigned char& answer,
                             unsigned char dictionaryFlag);
  // answer 1 when the two effectivities meet (KuvFltEffectivity::isIntersect,
  // with the flag).
  static HRESULT IsIntersect(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                             KuvComparisonMode viewMode, KuvComparisonMode domainMode, unsigned char& answer,
                             unsigned char dictionaryFlag = 0);
  // answer 1 when the applicability meets the filter.
  static HRESULT IsIntersect(const KuvFltFilter& filter, const KuvFltApplicability& applicability,
                             KuvComparisonMode mode, unsigned char& answer);

  // answer 1 when the two filters select the same configurations: same view
  // and selection mode, and per domain of a, each dictionary's forms
  // contain each other (neither meets the other's negation). mode 1: every
  // domain must be equal and b may have no other domain; mode 0: one equal
  // domain is enough. Dictionaries within a domain: the last one decides,
  // one that b lacks makes the domain unequal. Two filters without any
  // domain are equal in mode 1 only.
  static HRESULT IsEqual(const KuvFltFilter& a, const KuvFltFilter& b, KuvComparisonMode mode,
                         unsigned char& answer);
  // answer 1 when a includes b, or they are equal (see above).
  static HRESULT IsIncluding(const KuvFltEffectivity& a, const KuvFltEffectivity& b,
                             KuvComparisonMode viewMode, KuvComparisonMode domainMode, unsigned char& answer,
                             unsigned char dictionaryFlag = 0);
  static HRESULT IsEqual(const KuvFltEffectivity& a, const KuvFltEffectivity& b, KuvComparisonMode viewMode,
                         KuvComparisonMode domainMode, unsigned char& answer);
  static HRESULT IsIncluding(const KuvFltApplicability& a, const KuvFltApplicability& b, unsigned char& answer);
  static HRESULT IsEqual(const KuvFltApplicability& a, const KuvFltApplicability& b, unsigned char& answer);

  // Over compiled binaries (defined in KuvFilteringAnalysis). A filter and
  // an effectivity (either order) as IsIntersect above with mode for both
  // modes and the dictionary flag set; two effectivities with mode for both
  // modes; a filter and an applicability (either order) with mode.
  static HRESULT IsIntersect(KuvBioBuffer& a, KuvBioBuffer& b, KuvComparisonMode mode, unsigned char& answer);
  // A filter and an effectivity (either order) in one domain only.
  static HRESULT IsIntersect(KuvBioBuffer& a, KuvBioBuffer& b, KuvDiversityDomain domain, unsigned char& answer);
  // reference against each binary of the KuvInList of KuvBioBuffer, as
  // above; answers: a new array of one byte per binary, the caller's
  // (free()), null on failure. A binary that fails fails the call.
  static HRESULT IsIntersect(KuvBioBuffer& reference, const KuvInList& binaries, KuvComparisonMode mode,
                             unsigned char*& answers);
  // a includes b: two filters (KuvFltFilter::isIncluding, its refusals
  // returned), two effectivities or two applicabilities.
  static HRESULT IsIncluding(KuvBioBuffer& a, KuvBioBuffer& b, unsigned char& answer, KuvComparisonMode viewMode,
                             KuvComparisonMode domainMode);
  // reference includes each listed binary; answers as for IsIntersect.
  static HRESULT IsIncluding(KuvBioBuffer& reference, const KuvInList& binaries, KuvComparisonMode viewMode,
                             KuvComparisonMode domainMode, unsigned char*& answers);
  // Two filters (with mode), two effectivities or two applicabilities.
  static HRESULT IsEqual(KuvBioBuffer& a, KuvBioBuffer& b, KuvComparisonMode mode, unsigned char& answer);
};
