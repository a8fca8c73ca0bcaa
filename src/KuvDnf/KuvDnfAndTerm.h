// KuvDnfAndTerm: an And of normal-form leaves. The term owns its leaves
// (deleted with it or by clear); getDnfLeaves hands out pointers the term
// keeps owning. Two implementations: KuvDnfAndTermList, a plain list whose
// tests compare every pair of leaves, and KuvDnfAndTermMap, which indexes
// its leaves by kind and criterion so that a test only compares leaves on
// the same criterion, and refuses leaves that would make it inconsistent.
#pragma once

#include <cstdint>
#include <vector>

#include "KuvDnfLeaf.h"

class KuvDnfAndTermList;
class KuvDnfAndTermMap;

class KUV_API KuvDnfAndTerm : public KuvInObject {
  KUV_DECLARE_TYPE(KuvDnfAndTerm)

public:
  ~KuvDnfAndTerm() override;
  KuvDnfAndTerm& operator=(const KuvDnfAndTerm&) = delete;

  // The leaves' texts joined by "\t AND ".
  KuvInString toString() const override;
  // Takes the leaf over when it is accepted (S_OK); a refused leaf stays
  // the caller's and the term is unchanged.
  virtual HRESULT addDnfLeaf(KuvDnfLeaf& leaf) = 0;
  // Appends the term's leaf pointers, in insertion order.
  virtual HRESULT getDnfLeaves(KuvInList& leaves) const;
  virtual std::int32_t getNbDnfLeaves() const { return static_cast<std::int32_t>(m_leaves.size()); }
  // out: 1 when some configuration satisfies both terms.
  virtual HRESULT isIntersect(const KuvDnfAndTermList& other, unsigned char& out) const;
  virtual HRESULT isIntersect(const KuvDnfAndTermMap& other, unsigned char& out) const;
  virtual HRESULT isIntersect(const KuvDnfAndTerm& other, unsigned char& out) const = 0;
  // out: 1 when every configuration of other satisfies this term. S_OK
  // without an answer where the kind does not decide it.
  virtual HRESULT isIncluding(const KuvDnfAndTerm& other, unsigned char& out) const = 0;
  // A new term (the caller's) with clones of every leaf but restrictions.
  virtual HRESULT getSameDnfAndTermWithoutRestriction(KuvDnfAndTerm*& term) const = 0;
  // Deletes every leaf.
  virtual void clear();
  // Takes out the first leaf with an implicit Or and gives it to the
  // caller; null when there is none.
  virtual KuvDnfLeaf* popDnfLeafWithImplicitOr();
  // A new term of the same kind with clones of the leaves, in order.
  virtual KuvDnfAndTerm* clone() const = 0;

  // The i-th leaf in insertion order (the term's), or null.
  const KuvDnfLeaf* getDnfLeaf(std::int32_t i) const {
    return i >= 0 && i < getNbDnfLeaves() ? m_leaves[static_cast<std::size_t>(i)] : nullptr;
  }
  const std::vector<KuvDnfLeaf*>& leaves() const { return m_leaves; }

protected:
  explicit KuvDnfAndTerm(std::int32_t capacity);
  // Called when a leaf leaves through popDnfLeafWithImplicitOr or clear.
  virtual void forgetIndexes() {}

  std::vector<KuvDnfLeaf*> m_leaves;
};

class KuvDnfSerialEff;

// The serial leaves of one serial variable in a map term, at most one per
// external type (UNDEFINED 1, State 12, Unit 13, ManufPlan 14).
class KUV_API KuvDnfSerialEffMultiStruct {
public:
  // The leaf of that type, null for none or another type.
  KuvDnfSerialEff* Get(std::int32_t type) const;
  // Whether a leaf of that type may be put (a known type, free slot).
  static bool isKnownType(std::int32_t type);
  void Put(KuvDnfSerialEff* leaf);
  // The first of State, Unit and ManufPlan present.
  KuvDnfSerialEff* getFirstTyped() const;
  // 0..3 for the types UNDEFINED, State, Unit, ManufPlan; -1 for others.
  static int slotOf(std::int32_t type);

private:
  KuvDnfSerialEff* m_leaves[4] = {nullptr, nullptr, nullptr, nullptr};
};
