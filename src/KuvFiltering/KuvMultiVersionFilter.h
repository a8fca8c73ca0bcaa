// KuvMultiVersionFilter and KuvMultiVersionEffectivity: a decoded filter
// or effectivity tagged with the version of the parser that produced its
// compiled binary, for hosts that keep binaries of several parser
// generations side by side. Only a filter and an effectivity of the same
// parser version are compared; a mixed pair is refused rather than
// answered wrongly.
//
// Ownership: each wrapper owns the object it is given (null is allowed and
// holds nothing); release hands it back to the caller.
#pragma once

#include <cstdint>

#include "KuvFltEffectivity.h"
#include "KuvFltFilter.h"

class KuvMultiVersionEffectivity;

class KUV_API KuvMultiVersionFilter : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvMultiVersionFilter)

public:
  KuvMultiVersionFilter(std::uint32_t parserVersion, KuvFltFilter* filter)
      : m_version(parserVersion), m_filter(filter) {}
  KuvMultiVersionFilter(const KuvMultiVersionFilter&) = delete;
  KuvMultiVersionFilter& operator=(const KuvMultiVersionFilter&) = delete;
  ~KuvMultiVersionFilter() override;

  std::uint32_t getParserVersion() const { return m_version; }
  const KuvFltFilter* getFilter() const { return m_filter; }
  KuvFltFilter* release();

  // answer 1 when the effectivity passes the filter (domain and view modes
  // 1, dictionary flag set, as filtering does). E_INVALIDARG ("ERROR :
  // filter and effectivity of different parser versions") for a mixed pair,
  // E_FAIL when either wrapper holds nothing.
  HRESULT isIntersect(const KuvMultiVersionEffectivity& effectivity, unsigned char& answer) const;

  using KuvFltObject::toString;
  // "Parser version " n " : " and the filter's text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  std::uint32_t m_version;
  KuvFltFilter* m_filter;
};

class KUV_API KuvMultiVersionEffectivity : public KuvFltObject {
  KUV_DECLARE_TYPE(KuvMultiVersionEffectivity)

public:
  KuvMultiVersionEffectivity(std::uint32_t parserVersion, KuvFltEffectivity* effectivity)
      : m_version(parserVersion), m_effectivity(effectivity) {}
  KuvMultiVersionEffectivity(const KuvMultiVersionEffectivity&) = delete;
  KuvMultiVersionEffectivity& operator=(const KuvMultiVersionEffectivity&) = delete;
  ~KuvMultiVersionEffectivity() override;

  std::uint32_t getParserVersion() const { return m_version; }
  const KuvFltEffectivity* getEffectivity() const { return m_effectivity; }
  KuvFltEffectivity* release();

  using KuvFltObject::toString;
  // "Parser version " n " : " and the effectivity's text.
  KuvInString toString(const KuvIDictionaryModelerAccess* access) const override;

private:
  std::uint32_t m_version;
  KuvFltEffectivity* m_effectivity;
};
