// KuvDnfRestrictionEff and its kinds: a set of allowed variables of one
// kind, with a negation flag. Not negated, every variable of its kind (and
// part: serial type, tree type, category) outside the set has no value;
// negated, one of them has a value.
//
// So a restriction that is not negated meets a variable leaf of its kind on
// a variable outside its set only when that leaf holds the no-value state;
// R(S) and the negated R(T) of the same kind and part are disjoint exactly
// when S lies within T; every other pair intersects. The category kind and
// the effectivity kind restrict no leaf a normal form holds (no leaf has a
// category for variable, and effectivity leaves have no "no value").
#pragma once

#include "KuvDnfLeaf.h"
#include "KuvInFastSetVal.h"

class KUV_API KuvDnfRestrictionEff : public KuvDnfLeaf {
  KUV_DECLARE_TYPE(KuvDnfRestrictionEff)

public:
  ~KuvDnfRestrictionEff() override;

  // Replaces the set (of KuvInGuid) and the negation flag.
  HRESULT set(const KuvInFastSetVal& variables, unsigned char negated);
  // Adds one allowed variable.
  HRESULT putVariable(const KuvInGuid& variable);
  const KuvInFastSetVal& getVariables() const { return m_variables; }

  using KuvDnfLeaf::isIntersect;
  HRESULT isIntersect(const KuvDnfLeaf& other, unsigned char& out) const override;
  virtual HRESULT isIntersect(const KuvDnfRestrictionEff& other, unsigned char& out) const;
  virtual HRESULT isIntersect(const KuvDnfEff& other, unsigned char& out) const;
  virtual HRESULT isIntersect(const KuvDnfVarEff& other, unsigned char& out) const;

  // Whether leaf is a variable leaf of this kind and part.
  virtual bool restricts(const KuvDnfVarEff& leaf) const = 0;
  // The part of the kind this restriction speaks of: serial or tree type,
  // 0 for the others (category options: see getCategory).
  virtual std::uint32_t getPart() const { return 0; }

  // ["!"] class name without "Kuv" "{" variables ", "-separated "}".
  KuvInString toString() const override;

protected:
  KuvDnfRestrictionEff(std::int32_t capacity, const char* name);
  KuvDnfRestrictionEff(const KuvDnfRestrictionEff& other);
  virtual bool samePart(const KuvDnfRestrictionEff& other) const;

private:
  KuvInFastSetVal m_variables;
  const char* m_name;
};

#define KUV_DNF_DECLARE_RESTRICTION(Class)    \
  KUV_DECLARE_TYPE(Class)                     \
                                              \
public:                                       \
  Class(const Class& other) = default;        \
  ~Class() override;                          \
  KuvDnfLeaf* clone() const override;         \
  bool restricts(const KuvDnfVarEff& leaf) const override;

// Options of one category (by the option leaves' feature).
class KUV_API KuvDnfCategoryOptionRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfCategoryOptionRestrictionEff)
  KuvDnfCategoryOptionRestrictionEff(std::int32_t capacity, const KuvInGuid& category);
  const KuvInGuid& getCategory() const { return m_guid; }

protected:
  bool samePart(const KuvDnfRestrictionEff& other) const override;
};

class KUV_API KuvDnfCategoryRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfCategoryRestrictionEff)
  explicit KuvDnfCategoryRestrictionEff(std::int32_t capacity);
};

class KUV_API KuvDnfDateRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfDateRestrictionEff)
  explicit KuvDnfDateRestrictionEff(std::int32_t capacity);
};

// Serial variables of one external type (1, 12, 13 or 14).
class KUV_API KuvDnfSerialRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfSerialRestrictionEff)
  KuvDnfSerialRestrictionEff(std::int32_t capacity, std::int32_t serialType);
  std::int32_t getSerialType() const { return m_type; }
  std::uint32_t getPart() const override { return static_cast<std::uint32_t>(m_type); }

private:
  std::int32_t m_type;
};

// Tree series of one tree type (18 or 19).
class KUV_API KuvDnfTreeSeriesRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfTreeSeriesRestrictionEff)
  KuvDnfTreeSeriesRestrictionEff(std::int32_t capacity, std::uint32_t treeType);
  std::uint32_t getTreeType() const { return m_treeType; }
  std::uint32_t getPart() const override { return m_treeType; }

private:
  std::uint32_t m_treeType;
};

class KUV_API KuvDnfMilestonesRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfMilestonesRestrictionEff)
  explicit KuvDnfMilestonesRestrictionEff(std::int32_t capacity);
};

class KUV_API KuvDnfSelectionRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfSelectionRestrictionEff)
  explicit KuvDnfSelectionRestrictionEff(std::int32_t capacity);
};

// Predefined effectivities.
class KUV_API KuvDnfEffRestrictionEff : public KuvDnfRestrictionEff {
  KUV_DNF_DECLARE_RESTRICTION(KuvDnfEffRestrictionEff)
  explicit KuvDnfEffRestrictionEff(std::int32_t capacity);
};

#undef KUV_DNF_DECLARE_RESTRICTION
