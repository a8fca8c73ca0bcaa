// KuvQmSpecList: a criteria list, the selection of a filter or of a list
// expression: at most one variable effectivity per variable, and a set of
// named effectivities. Its items are alternatives chosen by a user, not a
// tree: writers list them (variable effectivities in the map's order, then
// named effectivities in the set's order) and readers fill them in.
//
//     KuvQmSpecList list;
//     KuvEeVarEff* eff = new KuvEeOptionEff(&opt, KuvEeOptionEff::T);
//     list.AddVarEff(eff);          // the list owns it, eff is null
//     list.AddEff(&namedEff);       // referred to, never owned
//     for (auto it = list.GetVarEffs().cBegin(); !it.IsEnd(); it.Next()) ...
//
// Ownership: the list owns its variable effectivities (deleted with it); the
// named effectivities are dictionary objects owned elsewhere.
#pragma once

#include <cstdint>

#include "KuvInMap.h"
#include "KuvInSet.h"

class KuvEeEffectivity;
class KuvEeVarEff;
class KuvEeVariable;

class KUV_API KuvQmSpecList : public KuvInObject {
  KUV_DECLARE_TYPE(KuvQmSpecList)

public:
  KuvQmSpecList();
  ~KuvQmSpecList() override;
  KuvQmSpecList(const KuvQmSpecList&) = delete;
  KuvQmSpecList& operator=(const KuvQmSpecList&) = delete;

  // Takes varEff over and clears the caller's pointer. A variable already
  // in the list keeps one effectivity: the two are combined by Or and the
  // given one is deleted (the list's own one given back is simply kept).
  // E_INVALIDARG for null or an effectivity without
  // variable; a failing combination answers its code; on any failure the
  // caller keeps varEff and the list is unchanged.
  HRESULT AddVarEff(KuvEeVarEff*& varEff);
  // Takes varEff over in place of its variable's effectivity (deleted),
  // keeping the list's order, and clears the caller's pointer. S_FALSE when
  // the variable is not listed and E_INVALIDARG for null: the caller keeps
  // varEff.
  HRESULT ReplaceVarEff(KuvEeVarEff*& varEff);
  // S_FALSE when eff is already listed; E_INVALIDARG for null.
  HRESULT AddEff(KuvEeEffectivity* eff);
  // Hands the variable's effectivity to the caller; S_FALSE (and null) when
  // the variable has none.
  HRESULT RemoveVarEff(const KuvEeVariable* var, KuvEeVarEff*& varEff);
  // S_FALSE when eff was not listed.
  HRESULT RemoveEff(const KuvEeEffectivity* eff);

  // The variable's effectivity (still owned by the list), or null.
  KuvEeVarEff* GetVarEff(const KuvEeVariable* var) const;
  // KuvInObjectPtr of the variable -> its KuvEeVarEff.
  const KuvInMap& GetVarEffs() const { return m_varEffs; }
  // The KuvEeEffectivity items.
  const KuvInSet& GetEffs() const { return m_effs; }
  std::int32_t GetNbVarEffs() const { return m_varEffs.GetLength(); }
  std::int32_t GetNbEffs() const { return m_effs.GetLength(); }
  bool IsEmpty() const { return m_varEffs.IsEmpty() && m_effs.IsEmpty(); }

  // A new list with copies of the variable effectivities and the same named
  // effectivities, owned by the caller; null when a copy fails.
  KuvQmSpecList* Clone() const;

  // "QmSpecList( " then each variable effectivity and each named
  // effectivity followed by "; ", then ")".
  KuvInString toString() const override;

private:
  KuvInMap m_varEffs;
  KuvInSet m_effs;
};
