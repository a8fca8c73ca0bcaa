// KuvDnfAndTermList: an And term that keeps its leaves in a plain list and
// compares every pair of leaves; it refuses nothing.
#pragma once

#include "KuvDnfAndTerm.h"

class KUV_API KuvDnfAndTermList : public KuvDnfAndTerm {
  KUV_DECLARE_TYPE(KuvDnfAndTermList)

public:
  explicit KuvDnfAndTermList(std::int32_t capacity = 0);
  ~KuvDnfAndTermList() override;

  HRESULT addDnfLeaf(KuvDnfLeaf& leaf) override;
  using KuvDnfAndTerm::isIntersect;
  // Every pair, this term's leaves outer.
  HRESULT isIntersect(const KuvDnfAndTerm& other, unsigned char& out) const override;
  // Answers S_OK and leaves out alone.
  HRESULT isIncluding(const KuvDnfAndTerm& other, unsigned char& out) const override;
  // E_NOTIMPL.
  HRESULT getSameDnfAndTermWithoutRestriction(KuvDnfAndTerm*& term) const override;
  KuvDnfAndTerm* clone() const override;
};
