// KuvDnfLeaf: a member of an And term of a disjunctive normal form, a
// constraint on one criterion identified by GUID. Leaves are values: a term
// owns its leaves, clone() is deep, and nothing refers back to a dictionary.
//
// isIntersect answers whether the two leaves have a configuration in
// common. Leaves of different kinds, and leaves on different criteria,
// always do (serial leaves under exclusive variables excepted); a
// restriction leaf decides with its own test, whichever side it is on.
//
//     KuvDnfOptionEff a(option, feature, KuvDnfOptionEff::Selected, 0);
//     KuvDnfOptionEff b(option, feature, KuvDnfOptionEff::Selected, 1);
//     unsigned char common = 0;
//     a.isIntersect(b, common);   // 0: selected and not selected
#pragma once

#include <cstdint>

#include "KuvInGuid.h"
#include "KuvInObject.h"
#include "KuvInString.h"

class KuvInList;

class KUV_API KuvDnfLeaf : public KuvInObject {
  KUV_DECLARE_TYPE(KuvDnfLeaf)

public:
  // The concrete class, read without a type-class walk on the hot paths.
  enum class Kind : std::uint8_t { Eff, Option, Selection, Date, Serial, TreeSeries, Milestones, Restriction };

  ~KuvDnfLeaf() override;
  KuvDnfLeaf& operator=(const KuvDnfLeaf&) = delete;

  KuvInString toString() const override = 0;
  // out: 1 when some configuration satisfies both leaves. On failure out is
  // undefined.
  virtual HRESULT isIntersect(const KuvDnfLeaf& other, unsigned char& out) const;
  // A deep copy, owned by the caller.
  virtual KuvDnfLeaf* clone() const = 0;
  virtual void negate() { m_negated = m_negated != 0 ? 0 : 1; }
  virtual bool hasImplicitOr() const { return false; }
  // list must be empty (E_INVALIDARG). Leaves that hold no Or add nothing
  // and answer S_OK.
  virtual HRESULT splitIntoElementaryLeafWithoutImplicitOr(KuvInList& list) const;

  Kind getKind() const { return m_kind; }
  bool isNegated() const { return m_negated != 0; }
  // The effectivity, variable or (restrictions) nothing the leaf is on.
  const KuvInGuid& getGuid() const { return m_guid; }

protected:
  KuvDnfLeaf(Kind kind, const KuvInGuid& guid, bool negated)
      : m_guid(guid), m_kind(kind), m_negated(negated ? 1 : 0) {}
  KuvDnfLeaf(const KuvDnfLeaf& other) = default;

  KuvInGuid m_guid;
  Kind m_kind;
  unsigned char m_negated;
};

// A reference to a named (predefined) effectivity.
class KUV_API KuvDnfEff : public KuvDnfLeaf {
  KUV_DECLARE_TYPE(KuvDnfEff)

public:
  KuvDnfEff(const KuvInGuid& effectivity, bool negated);
  KuvDnfEff(const KuvDnfEff& other) = default;
  ~KuvDnfEff() override;

  // "!" when negated, "DnfEff : " and the GUID.
  KuvInString toString() const override;
  KuvDnfLeaf* clone() const override;
  using KuvDnfLeaf::isIntersect;
  // Disjoint exactly when one of the two is negated and the other is not.
  virtual HRESULT isIntersect(const KuvDnfEff& other, unsigned char& out) const;
};

// Base of the leaves on a variable of the product model; the GUID is the
// variable's configuration key. The no-value flag says whether the
// positive part holds the "no value" state (options keep it in their
// value bits instead).
class KUV_API KuvDnfVarEff : public KuvDnfLeaf {
  KUV_DECLARE_TYPE(KuvDnfVarEff)

public:
  ~KuvDnfVarEff() override;

  using KuvDnfLeaf::isIntersect;
  // Different kinds or variables intersect; otherwise the kind decides.
  virtual HRESULT isIntersect(const KuvDnfVarEff& other, unsigned char& out) const;

  bool getNoVar() const { return m_noVar != 0; }
  // Whether the positive part holds the "no value" state.
  void setNoVar(bool noVar) { m_noVar = noVar ? 1 : 0; }
  // Whether the leaf holds the configurations where its variable has no
  // value (what a restriction decides on).
  bool admitsNoValue() const;

protected:
  KuvDnfVarEff(Kind kind, const KuvInGuid& variable, bool noVar, bool negated)
      : KuvDnfLeaf(kind, variable, negated), m_noVar(noVar ? 1 : 0) {}
  KuvDnfVarEff(const KuvDnfVarEff& other) = default;

  // other is of this class and on this variable. The kinds answer through
  // their own non-virtual test, so that the virtual slots stay those of the
  // interface.
  HRESULT isIntersectSame(const KuvDnfVarEff& other, unsigned char& out) const;

  unsigned char m_noVar;
};
