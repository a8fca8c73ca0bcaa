// KuvEeVarSpace: the variables a reader of text or XML expressions can
// name, indexed by kind, with the named effectivities the reader may refer
// to and the effectivity symbols it could not resolve yet.
//
// A variable space owns nothing it holds. Serial variables are looked up
// with fallbacks between kinds (a type-1 series named "X_Build" answers a
// unit look-up; one named "MP-..." or "MPM-..." a manufacturing-plan one).
//
//     KuvEeVarSpace space("Reader", nullptr);
//     space.addOptionVar(option);                // also adds its category
//     KuvEeOptionVar* o = space.getOptionVar("Engine", "V8");
#pragma once

#include <cstdint>

#include "KuvEeDico.h"

class KuvEeCategory;
class KuvEeDateVar;
class KuvEeMilestonesVar;
class KuvEeModelDico;
class KuvEeNode;
class KuvEeOptionVar;
class KuvEeSelectionVar;
class KuvEeSerialVar;
class KuvEeTreeSeriesVar;

class KUV_API KuvEeVarSpace : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeVarSpace)

public:
  KuvEeVarSpace(const KuvInString& name, const unsigned char* guid);
  ~KuvEeVarSpace() override;

  // Each S_OK, or E_FAIL when refused (null, duplicate name or GUID), or
  // E_OUTOFMEMORY; a call that fails changes nothing.
  HRESULT addOptionVar(KuvEeOptionVar* option);
  HRESULT addCategory(KuvEeCategory* category);
  HRESULT addSelectionVar(KuvEeSelectionVar* variable);
  HRESULT addDateVar(KuvEeDateVar* variable);
  // By the variable's external type: 1, 12, 13 or 14 (E_FAIL otherwise).
  HRESULT addSerialVar(KuvEeSerialVar* variable);
  // Tree series by their external type, 18 or 19 (E_FAIL otherwise): a
  // model's two tree series share its GUID.
  HRESULT addTreeSeriesVar(KuvEeTreeSeriesVar* variable);
  HRESULT addMilestonesTrack(KuvEeMilestonesVar* track);
  // Every variable of the model, which keeps owning them: its categories
  // and their options, selections, series, tree series, milestone tracks
  // and date variable. S_OK, or E_FAIL at the first one refused, or
  // E_OUTOFMEMORY (those before it stay).
  HRESULT addModelVariables(const KuvEeModelDico& model);
  // Named effectivities (KuvEeEffectivity).
  HRESULT addPossibleSourceEff(KuvEeDicoObject* effectivity);
  HRESULT addCompleteQueryEff(KuvEeDicoObject* effectivity);
  // Symbol leaves (KuvEeEffSymbolLeaf) waiting for solveEffSymbols.
  HRESULT addEffSymbol(KuvEeNode* symbol);
  HRESULT removeEffSymbol(KuvEeNode* symbol);

  KuvEeOptionVar* getOptionVar(const KuvInGuid& guid) const;
  KuvEeOptionVar* getOptionVar(const KuvInString& categoryName, const KuvInString& optionName) const;
  KuvEeCategory* getCategory(const KuvInGuid& guid) const;
  KuvEeCategory* getCategory(const KuvInString& name) const;
  KuvEeSelectionVar* getSelectionVar(const KuvInGuid& guid) const;
  KuvEeSelectionVar* getSelectionVar(const KuvInString& name) const;
  KuvEeDateVar* getDateVar(const KuvInGuid& guid) const;
  KuvEeDateVar* getDateVar(const KuvInString& name) const;
  KuvEeDicoObject* getPossibleSourceEff(const KuvInGuid& guid) const;
  KuvEeDicoObject* getPossibleSourceEff(const KuvInString& name) const;
  // With the fallbacks between kinds described above; null when not found.
  KuvEeSerialVar* getSerialVar(const KuvInGuid& guid, std::int32_t type) const;
  KuvEeSerialVar* getSerialVar(const KuvInString& name, std::int32_t type) const;
  // Null when not found, or for a type other than 18 and 19.
  KuvEeTreeSeriesVar* getTreeSeriesVar(const KuvInGuid& guid, std::uint32_t type) const;
  KuvEeMilestonesVar* getMilestonesTrack(const KuvInGuid& guid) const;

  const KuvInSet& getOptionVars() const { return m_optionVars.getSet(); }
  const KuvInSet& getCategories() const { return m_categories.getSet(); }
  const KuvInSet& getSelectionVars() const { return m_selectionVars.getSet(); }
  const KuvInSet& getDateVars() const { return m_dateVars.getSet(); }
  const KuvInSet& getSerialVars() const { return m_serialVars.getSet(); }
  const KuvInSet& getStateVars() const { return m_stateVars.getSet(); }
  const KuvInSet& getUnitVars() const { return m_unitVars.getSet(); }
  const KuvInSet& getMPlanVars() const { return m_mplanVars.getSet(); }
  const KuvInSet& getVars() const { return m_vars; }
  const KuvInSet& getPossibleSourceEffs() const { return m_sourceEffs.getSet(); }
  const KuvInSet& getCompleteQueryEffs() const { return m_completeQueryEffs; }
  const KuvInSet& getEffSymbols() const { return m_effSymbols; }

  // Turns every registered symbol leaf into an effectivity leaf; S_OK and
  // the symbols are forgotten, or E_FAIL at the first that fails.
  HRESULT solveEffSymbols();

private:
  HRESULT addVariable(KuvEeDico& dico, KuvEeDicoObject* variable);
  HRESULT addModelVariablesOrThrow(const KuvEeModelDico& model);

  KuvEeDico m_optionVars;
  KuvEeDico m_selectionVars;
  KuvEeDico m_serialVars;
  KuvEeDico m_dateVars;
  KuvEeDico m_sourceEffs;
  KuvEeDico m_categories;
  KuvEeDico m_stateVars;
  KuvEeDico m_unitVars;
  KuvEeDico m_mplanVars;
  KuvEeDico m_treeStateVars;
  KuvEeDico m_treePlanVars;
  KuvEeDico m_tracks;
  KuvInSet m_effSymbols;
  KuvInSet m_vars;
  KuvInSet m_completeQueryEffs;
};
