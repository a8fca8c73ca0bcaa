// KuvEeRestrictionEff: a restriction effectivity, a set of variables of one
// kind (dates, serial numbers, selections, categories, category options,
// milestone tracks, tree series, or predefined effectivities) with a
// negation flag. A KuvEeRestrictionEffLeaf carries one into a tree.
//
// A restriction that is not negated holds every variable of its kind that
// is not in its set to no value; negated, it asks that one of them has a
// value. Serial and tree-series restrictions speak of the variables of one
// external type, category-option restrictions of the options of one
// category, which their variables tell (a restriction whose variables do
// not tell it combines with nothing).
//
// The operators build their result as a new node (owned by the caller), or
// give null when no single node says it:
// - with a restriction of the same kind and part, sets S and T: R(S) And
//   R(T) is R(S and T); R(S) implies R(T) when S is within T, which decides
//   the other flag combinations (False, True, or the larger restriction)
//   when one set is within the other;
// - with a variable-effectivity leaf on a variable of its kind and part
//   outside the set: the restriction fixes that the variable has no value,
//   so whether the leaf admits the no-value element decides (this
//   restriction, False, True, or the leaf or its complement);
// - with anything else: null.
//     auto* dates = new KuvEeDateRestrictionEff;
//     dates->setDates(dateVars);           // "DateRestrictionEff[Date1, Date2]"
//     auto* leaf = new KuvEeRestrictionEffLeaf(dates);
#pragma once

#include <cstdint>

#include "KuvInSet.h"

class KuvEeNode;
class KuvEeNodeElementaryLeaf;

class KUV_API KuvEeRestrictionEff : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeRestrictionEff)

public:
  enum E_OPERATOR : std::int32_t { OpAnd = 1, OpOr = 2, OpCut = 3 };

  ~KuvEeRestrictionEff() override;
  KuvEeRestrictionEff& operator=(const KuvEeRestrictionEff&) = delete;

  // Same kind, same variables, same negation flag.
  virtual HRESULT isEqual(const KuvEeRestrictionEff* other, bool& equal) const;
  virtual HRESULT opAnd(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const;
  virtual HRESULT opAnd(const KuvEeRestrictionEff* other, KuvEeNode*& out) const;
  virtual HRESULT opOr(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const;
  virtual HRESULT opOr(const KuvEeRestrictionEff* other, KuvEeNode*& out) const;
  virtual HRESULT opCut(const KuvEeNodeElementaryLeaf* other, KuvEeNode*& out) const;
  virtual HRESULT opCut(const KuvEeRestrictionEff* other, KuvEeNode*& out) const;
  // A new copy, owned by the caller.
  virtual KuvEeRestrictionEff* createClone() const = 0;
  virtual void opNot();
  virtual bool isNegated() const;

  // Replaces the variables by those of variables; "Incorrect parameters" and
  // E_FAIL (nothing changed) when one of them is not of this kind.
  HRESULT setVariables(const KuvInSet& variables);
  const KuvInSet& getVariables() const { return m_variables; }

  // ["!"] kind "[" the variable names, ", "-separated, "]", e.g.
  // "!DateRestrictionEff[D1, D2]".
  KuvInString toString() const override;

protected:
  // kind: the head of the text, e.g. "DateRestrictionEff".
  KuvEeRestrictionEff(KuvInObjectTypeClass* variableType, const char* kind);
  KuvEeRestrictionEff(const KuvEeRestrictionEff& other);

  // The one place every operator goes through; other is a
  // KuvEeNodeElementaryLeaf or a KuvEeRestrictionEff.
  HRESULT genericOperator(E_OPERATOR op, const KuvInObject* other, KuvEeNode*& out) const;

private:
  KuvInSet m_variables;
  unsigned char m_negated = 0;
  const char* m_kind;
};

// Restricts date variables (KuvEeDateVar).
class KUV_API KuvEeDateRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeDateRestrictionEff)

public:
  KuvEeDateRestrictionEff();
  KuvEeDateRestrictionEff(const KuvEeDateRestrictionEff& other);
  ~KuvEeDateRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
  HRESULT setDates(const KuvInSet& dates) { return setVariables(dates); }
  const KuvInSet& getDates() const { return getVariables(); }
};

// Restricts serial variables (KuvEeSerialVar).
class KUV_API KuvEeSerialRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeSerialRestrictionEff)

public:
  KuvEeSerialRestrictionEff();
  KuvEeSerialRestrictionEff(const KuvEeSerialRestrictionEff& other);
  ~KuvEeSerialRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};

// Restricts selection variables (KuvEeSelectionVar).
class KUV_API KuvEeSelectionRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeSelectionRestrictionEff)

public:
  KuvEeSelectionRestrictionEff();
  KuvEeSelectionRestrictionEff(const KuvEeSelectionRestrictionEff& other);
  ~KuvEeSelectionRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};

// Restricts categories (KuvEeCategory).
class KUV_API KuvEeCategoryRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeCategoryRestrictionEff)

public:
  KuvEeCategoryRestrictionEff();
  KuvEeCategoryRestrictionEff(const KuvEeCategoryRestrictionEff& other);
  ~KuvEeCategoryRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};

// Restricts options (KuvEeOptionVar).
class KUV_API KuvEeCategoryOptionRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeCategoryOptionRestrictionEff)

public:
  KuvEeCategoryOptionRestrictionEff();
  KuvEeCategoryOptionRestrictionEff(const KuvEeCategoryOptionRestrictionEff& other);
  ~KuvEeCategoryOptionRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};

// Restricts milestone tracks (KuvEeMilestonesVar).
class KUV_API KuvEeMilestonesRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeMilestonesRestrictionEff)

public:
  KuvEeMilestonesRestrictionEff();
  KuvEeMilestonesRestrictionEff(const KuvEeMilestonesRestrictionEff& other);
  ~KuvEeMilestonesRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};

// Restricts tree series (KuvEeTreeSeriesVar).
class KUV_API KuvEeTreeSeriesRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEeTreeSeriesRestrictionEff)

public:
  KuvEeTreeSeriesRestrictionEff();
  KuvEeTreeSeriesRestrictionEff(const KuvEeTreeSeriesRestrictionEff& other);
  ~KuvEeTreeSeriesRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};

// Restricts predefined effectivities (KuvEePredefEff).
class KUV_API KuvEePredefEffRestrictionEff : public KuvEeRestrictionEff {
  KUV_DECLARE_TYPE(KuvEePredefEffRestrictionEff)

public:
  KuvEePredefEffRestrictionEff();
  KuvEePredefEffRestrictionEff(const KuvEePredefEffRestrictionEff& other);
  ~KuvEePredefEffRestrictionEff() override;

  KuvEeRestrictionEff* createClone() const override;
};
