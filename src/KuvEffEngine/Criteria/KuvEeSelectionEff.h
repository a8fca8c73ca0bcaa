// KuvEeSelectionEff: a constraint on a selection variable, a set of its
// values (each with the code telling how it was chosen) plus, possibly, the
// no-value element. Values are compared by identity and not owned.
//
//     KuvEeSelectionEff eff(&colour, KuvEeSelectionEff::AllFalse);
//     eff.add(red, KuvCriteriaSelectedBy_UserSelected);
//     eff.add(KuvInString("Blue"));
//     eff.opNotDom();      // every other colour, but a colour
#pragma once

#include <memory>

#include "KuvCriteriaSelectedBy.h"
#include "KuvEeVarEff.h"

class KuvEeSelectionVar;
class KuvEeSelectionValue;
class KuvEeSelectionValueDico;
class KuvInGuid;
class KuvInList;
class KuvInListVal;
class KuvInSet;

class KUV_API KuvEeSelectionEff : public KuvEeVarEff {
  KUV_DECLARE_TYPE(KuvEeSelectionEff)

public:
  // 0 makes the effectivity all-true, any other value all-false.
  enum E_SpecialCondition : std::int32_t { AllTrue = 0, AllFalse = 1 };

  KuvEeSelectionEff(KuvEeSelectionVar* var, E_SpecialCondition condition);
  KuvEeSelectionEff(const KuvEeSelectionEff& other);
  ~KuvEeSelectionEff() override;

  KuvEeVarEff* createVarEffClone() const override;
  HRESULT equals(const KuvEeVarEff* other, bool& equal) const override;
  bool isNegated() const override { return m_negated != 0; }
  bool getNoVar() const override { return m_noVar != 0; }
  void switchNoVar() override { m_noVar = m_noVar != 0 ? 0 : 1; }

  void set(E_SpecialCondition condition);
  // Puts a value of this variable (given itself, by GUID or by name) into the
  // positive part; E_FAIL ("ERROR: add failed"), nothing changed, for an
  // unknown value or one of another variable. A value already there keeps
  // its code.
  HRESULT add(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  HRESULT add(const KuvInGuid& guid, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  HRESULT add(const KuvInString& name, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  // The positive part becomes that one value, without the no-value element,
  // not negated; E_FAIL ("ERROR: set failed"), nothing changed, when the
  // value cannot be added.
  HRESULT set(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  HRESULT set(const KuvInGuid& guid, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  HRESULT set(const KuvInString& name, KuvCriteriaSelectedBy selectedBy = KuvCriteriaSelectedBy_None);
  // The same from all the values of a list or set (KuvEeSelectionValue
  // elements, no code).
  HRESULT set(const KuvInList& values);
  HRESULT set(const KuvInSet& values);

  // The values of the positive part.
  const KuvInSet& getValues() const;
  // Fills list (emptied first) with the GUIDs of the positive part's values.
  HRESULT getValueGuids(KuvInListVal& list) const;
  KuvCriteriaSelectedBy getSelectedBy(const KuvEeSelectionValue* value) const;
  KuvCriteriaSelectedBy getSelectedBy(const KuvInGuid& guid) const;
  KuvEeSelectionVar* getSelectionVar() const;
  // The represented set loses (gains) the no-value element.
  void cutNoVar() { m_noVar = m_negated; }
  void orNoVar() { m_noVar = m_negated != 0 ? 0 : 1; }

  // "SelectionEff( " + variable name + "/" + GUID text, then "[ALL_TRUE]",
  // "[ALL_FALSE]", or "! " when negated, "[N]" with the no-value element and
  // "[" + name + selected-by text + "]" for each value in name order, then
  // " )".
  KuvInString toString() const override;

protected:
  bool isSameKind(const KuvEeVarEff& other) const override;
  HRESULT partAnd(const KuvEeVarEff& other) override;
  HRESULT partCut(const KuvEeVarEff& other) override;
  HRESULT partCutFrom(const KuvEeVarEff& other) override;
  HRESULT partAdd(const KuvEeVarEff& other) override;
  bool isPartEmpty() const override;
  void setNegated(bool negated) override { m_negated = negated ? 1 : 0; }
  void setNoVar(bool noVar) override { m_noVar = noVar ? 1 : 0; }

private:
  HRESULT addChecked(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy);
  HRESULT setFrom(KuvEeSelectionValue* value, KuvCriteriaSelectedBy selectedBy);
  void reset();
  // What a set replaces, given back when the set fails. The combinations
  // cannot fail and take none: a copy of every value per combination made
  // uniting many values one by one quadratic.
  void save();
  void restoreSaved();

  std::unique_ptr<KuvEeSelectionValueDico> m_values;
  unsigned char m_noVar = 0;
  unsigned char m_negated = 0;
  std::unique_ptr<KuvEeSelectionValueDico> m_savedValues;  // null until the first save
  unsigned char m_savedNoVar = 0;
  unsigned char m_savedNegated = 0;
};
