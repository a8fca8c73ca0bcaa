// Tree effectivities: constraints on a tree variable (a milestone track, a
// tree series), a list of tree selections (KuvEeTreeSelection.h) plus,
// possibly, the no-value element.
//
//     KuvEeMilestonesEff eff(&track, KuvEeMilestonesEff::AllFalse);
//     KuvEeMilestonesSelection m3;
//     m3.setSingleSelection(KuvEeMilestonesSelectionBound(&milestone3, true));
//     KuvInListVal selections(KuvEeMilestonesSelection::sType());
//     selections.PutBack(m3);
//     eff.addSelections(selections);
//
// The combinations follow the common algebra of KuvEeVarEff over the
// elements of the variable, placed by their tree evaluation indices (also
// in no-tree mode, where no tree links them).
#pragma once

#include "KuvEeTreeSelection.h"
#include "KuvEeVarEff.h"

class KuvEeTreeBaseVar;
class KuvEeMilestonesVar;
class KuvEeTreeSeriesVar;

class KUV_API KuvEeTreeBaseEff : public KuvEeVarEff {
  KUV_DECLARE_TYPE(KuvEeTreeBaseEff)

public:
  // 0 makes the effectivity all-true, any other value all-false.
  enum E_SpecialCondition : std::int32_t { AllTrue = 0, AllFalse = 1 };

  ~KuvEeTreeBaseEff() override;

  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  bool isNegated() const override { return m_negated != 0; }
  bool getNoVar() const override { return m_noVar != 0; }
  void switchNoVar() override { m_noVar = m_noVar != 0 ? 0 : 1; }

  void set(E_SpecialCondition condition);
  // Adds the selections of list to the positive part; E_INVALIDARG, nothing
  // changed, for a selection of another kind.
  HRESULT addSelections(const KuvInListVal& list);
  // Fills list (emptied first) with copies of the positive part's
  // selections.
  HRESULT getSelections(KuvInListVal& list) const;
  void cutNoVar() { m_noVar = m_negated; }
  void orNoVar() { m_noVar = m_negated != 0 ? 0 : 1; }

  // Kind name + "( " + variable name + "/" + GUID text, then "[ALL_TRUE]",
  // "[ALL_FALSE]", or "! " when negated, "[N]" with the no-value element and
  // the selections, then " )".
  KuvInString toString() const override;

protected:
  KuvEeTreeBaseEff(KuvEeTreeBaseVar* var, E_SpecialCondition condition, KuvInObjectTypeClass* selectionType);
  KuvEeTreeBaseEff(const KuvEeTreeBaseEff& other) = default;

  // Declared before the hooks: slot 17 of the tree kinds.
  virtual HRESULT addSelection(const KuvEeTreeSelection& selection);
  virtual const char* kindName() const = 0;

  void backup() override;
  void restore() override;

  bool isSameKind(const KuvEeVarEff& other) const override;
  HRESULT partAnd(const KuvEeVarEff& other) override;
  HRESULT partCut(const KuvEeVarEff& other) override;
  HRESULT partCutFrom(const KuvEeVarEff& other) override;
  HRESULT partAdd(const KuvEeVarEff& other) override;
  bool isPartEmpty() const override { return m_selections.IsEmpty() && m_noVar == 0; }
  void setNegated(bool negated) override { m_negated = negated ? 1 : 0; }
  void setNoVar(bool noVar) override { m_noVar = noVar ? 1 : 0; }

private:
  KuvInListVal m_selections;
  unsigned char m_noVar = 0;
  unsigned char m_negated = 0;
  KuvInListVal m_backupSelections;
  unsigned char m_backupNoVar = 0;
  unsigned char m_backupNegated = 0;
};

class KUV_API KuvEeMilestonesEff : public KuvEeTreeBaseEff {
  KUV_DECLARE_TYPE(KuvEeMilestonesEff)

public:
  KuvEeMilestonesEff(KuvEeMilestonesVar* var, E_SpecialCondition condition);
  KuvEeMilestonesEff(const KuvEeMilestonesEff& other) = default;
  ~KuvEeMilestonesEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  KuvEeMilestonesVar* getMilestonesVar() const;

protected:
  const char* kindName() const override { return "MilestonesEff"; }
};

class KUV_API KuvEeTreeSeriesEff : public KuvEeTreeBaseEff {
  KUV_DECLARE_TYPE(KuvEeTreeSeriesEff)

public:
  KuvEeTreeSeriesEff(KuvEeTreeSeriesVar* var, E_SpecialCondition condition);
  KuvEeTreeSeriesEff(const KuvEeTreeSeriesEff& other) = default;
  ~KuvEeTreeSeriesEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  KuvEeTreeSeriesVar* getTreeSeriesVar() const;

protected:
  const char* kindName() const override { return "TreeSeriesEff"; }
};
