// KuvDnfAndTermMap: an And term that indexes its leaves (created on the
// first leaf): option leaves by option, selection leaves by feature, date,
// milestones and effectivity leaves by their GUID, tree-series leaves by
// variable and tree type, serial leaves by variable in a
// KuvDnfSerialEffMultiStruct, and one slot per restriction kind and type
// (category-option restrictions by category). The indexes refer to leaves
// the term's list owns.
//
// A leaf that would make the term inconsistent (a second leaf on the same
// key, an UNDEFINED serial leaf beside a typed one of the same variable) is
// refused with E_FAIL and stays the caller's.
//
// The intersection test looks each leaf of the other term up under its key
// instead of comparing all pairs; see isIntersect.
#pragma once

#include <memory>

#include "KuvDnfAndTerm.h"

class KUV_API KuvDnfAndTermMap : public KuvDnfAndTerm {
  KUV_DECLARE_TYPE(KuvDnfAndTermMap)

public:
  explicit KuvDnfAndTermMap(std::int32_t capacity = 0);
  ~KuvDnfAndTermMap() override;

  HRESULT addDnfLeaf(KuvDnfLeaf& leaf) override;
  using KuvDnfAndTerm::isIntersect;
  // Each leaf of other against this term's leaf on the same key and this
  // term's restriction of its kind; a restriction of other against every
  // leaf of this term it restricts. Keys this term does not hold do not
  // restrict. Serial leaves meet the leaf of their type, else the UNDEFINED
  // one, else (UNDEFINED) the first typed one. With exclusive variables, a
  // serial leaf of other is disjoint from a term that constrains another
  // serial variable or two of them.
  HRESULT isIntersect(const KuvDnfAndTerm& other, unsigned char& out) const override;
  // Whether other and the negation of this term (one negated leaf per
  // term) have no configuration in common.
  HRESULT isIncluding(const KuvDnfAndTerm& other, unsigned char& out) const override;
  HRESULT getSameDnfAndTermWithoutRestriction(KuvDnfAndTerm*& term) const override;
  KuvDnfAndTerm* clone() const override;

  // The leaf on that key, or null (for the kinds the map holds by GUID).
  const KuvDnfLeaf* findLeaf(KuvDnfLeaf::Kind kind, const KuvInGuid& guid, std::uint32_t treeType = 0) const;
  // The serial leaves of a variable, or null.
  const KuvDnfSerialEffMultiStruct* findSerials(const KuvInGuid& variable) const;

  struct Indexes;

protected:
  void forgetIndexes() override;

private:
  HRESULT index(KuvDnfLeaf& leaf);
  HRESULT intersectLeaf(const KuvDnfLeaf& leaf, unsigned char& out) const;

  std::unique_ptr<Indexes> m_indexes;
};
