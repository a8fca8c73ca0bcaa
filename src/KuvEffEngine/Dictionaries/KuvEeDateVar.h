// KuvEeDateVar: the date criterion of a model, with the domain of dates its
// effectivities range over (unbounded unless set).
#pragma once

#include "KuvEeVariable.h"
#include "KuvInDateInterval.h"

class KUV_API KuvEeDateVar : public KuvEeVariable {
  KUV_DECLARE_TYPE(KuvEeDateVar)

public:
  KuvEeDateVar(const KuvInString& name, const unsigned char* guid);
  ~KuvEeDateVar() override;

  // E_FAIL (domain unchanged) when end is before start.
  HRESULT setDomain(const KuvInDate& start, const KuvInDate& end);
  const KuvInDateInterval& getDomain() const { return m_domain; }

private:
  KuvInDateInterval m_domain;
};
