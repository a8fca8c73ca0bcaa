// KuvEeModelDico: the variables of one configuration model.
//
// A model owns its evolution variables (date, unit, state and
// manufacturing-plan series, tree state and tree manufacturing-plan series),
// created on demand by the enable operations, and its milestone tracks, all
// deleted with it. Its configuration features (selection variables and
// categories) are only indexed: whoever created them deletes them.
//
//     KuvEeModelDico model("Bike", guid);
//     model.enableDateEvolution();
//     model.enableEvolutionSeries(KuvEeSerialVar::UNIT);
//     model.addConfigFeature(colorVar);
#pragma once

#include <cstdint>

#include "KuvEeDico.h"
#include "KuvEeSerialVar.h"

class KuvEeDateVar;
class KuvEeMilestonesVar;
class KuvEeTreeSeriesVar;

class KUV_API KuvEeModelDico : public KuvEeDicoObject {
  KUV_DECLARE_TYPE(KuvEeModelDico)

public:
  KuvEeModelDico(const KuvInString& name, const KuvInGuid& guid);
  ~KuvEeModelDico() override;

  // A KuvEeSelectionVar or a KuvEeCategory: S_OK, or S_FALSE when its name
  // or GUID is taken. E_FAIL for any other object. Here and in the other
  // calls that add or create, E_OUTOFMEMORY changes nothing.
  HRESULT addConfigFeature(KuvEeDicoObject* feature);
  // S_OK when found, S_FALSE when not; feature must be null on entry
  // (E_INVALIDARG).
  HRESULT getConfigFeature(const KuvInGuid& guid, KuvEeDicoObject*& feature) const;
  HRESULT getConfigFeature(const KuvInString& name, KuvEeDicoObject*& feature) const;
  HRESULT getConfigFeatures(const KuvInSet*& features) const;
  // Forgets the feature (not deleted): S_OK, or E_FAIL when it is not here.
  HRESULT removeConfigFeature(KuvEeDicoObject* feature) { return m_configFeatures.remove(feature); }
  // Puts replacement, a feature of the same kind, in the place of old (not
  // deleted): false, and nothing changes, when old is not here or another
  // feature has replacement's name or GUID.
  bool replaceConfigFeature(KuvEeDicoObject* old, KuvEeDicoObject* replacement) {
    return old != nullptr && replacement != nullptr && old->dType() == replacement->dType() &&
           m_configFeatures.replace(old, replacement);
  }
  // Exchanges the features with those of features, allocating nothing, so
  // that a set of features built aside replaces them at once; false, and
  // nothing changes, unless features indexes as the model does (a default
  // KuvEeDico).
  bool swapConfigFeatures(KuvEeDico& features) noexcept { return m_configFeatures.swapContents(features); }

  // The track's holder must be this model (E_FAIL); S_OK, or S_FALSE when
  // its name or GUID is taken. The model then owns the track, and the
  // discipline leads to it even when an earlier track has the same one.
  HRESULT addMilestonesTrack(KuvEeMilestonesVar* track);
  // S_OK when found, S_FALSE when not; track must be null on entry
  // (E_INVALIDARG).
  HRESULT getMilestonesTrack(const KuvInGuid& guid, KuvEeMilestonesVar*& track) const;
  HRESULT getMilestonesTrack(const KuvInString& name, KuvEeMilestonesVar*& track) const;
  HRESULT getMilestonesTrackDiscipline(const KuvInString& discipline, KuvEeMilestonesVar*& track) const;
  // Clears set and puts every track in it; E_INVALIDARG when set refuses
  // tracks; S_FALSE when it ends empty; E_OUTOFMEMORY, set left empty.
  HRESULT getMilestonesTracks(KuvInSet& set) const;

  // S_OK when created, S_FALSE when it already exists.
  HRESULT enableDateEvolution();
  // Creates the series variable of type 12, 13 or 14 (domain [0,
  // 2000000000]) or the tree series variable of type 18 or 19. E_FAIL when
  // it exists or for another type.
  HRESULT enableEvolutionSeries(std::int32_t type);
  // Creates the tree series variable of type 18 or 19 in the given mode;
  // S_FALSE when it exists; E_FAIL for another type.
  HRESULT enableEvolutionTreeSeries(std::int32_t type, bool noTreeMode);
  // Deletes the tree series variable of type 18 or 19 if it holds no
  // element, so that an addition that enabled it and then failed leaves the
  // model as it was; false when there is none or it holds one.
  bool dropEmptyTreeSeries(std::int32_t type) noexcept;

  // Series of type 12, 13 or 14; null for other types or when not enabled.
  KuvEeSerialVar* getSeriesVariable(std::int32_t type) const;
  // The same as a result: S_OK when found, S_FALSE when not; variable must
  // be null on entry (E_INVALIDARG).
  HRESULT getSeriesVariable(std::int32_t type, KuvEeSerialVar*& variable) const;
  // Tree series of type 18 or 19, else null.
  KuvEeTreeSeriesVar* getTreeSeriesVariable(std::int32_t type) const;
  KuvEeDateVar* getDateVariable() const { return m_dateVar; }

  bool isDateEvolutionEnabled() const { return m_dateVar != nullptr; }
  // Types 12, 13 and 14; false for other types.
  bool isEvolutionSeriesEnabled(std::int32_t type) const;
  // Types 12, 13, 14, 18 and 19; E_FAIL for other types.
  HRESULT isEvolutionSeriesEnabled(std::int32_t type, bool& enabled) const;
  // Types 18 and 19.
  bool isEvolutionTreeSeriesEnabled(std::int32_t type) const;

private:
  // The member holding the variable of a type, or null; const with a const
  // model.
  template <class Self>
  static auto seriesSlot(Self& self, std::int32_t type) -> decltype(&self.m_unitVar);
  template <class Self>
  static auto treeSeriesSlot(Self& self, std::int32_t type) -> decltype(&self.m_treeStateVar);

  KuvEeSerialVar* m_unitVar = nullptr;
  KuvEeSerialVar* m_stateVar = nullptr;
  KuvEeSerialVar* m_manufPlanVar = nullptr;
  KuvEeTreeSeriesVar* m_treeStateVar = nullptr;
  KuvEeTreeSeriesVar* m_treeManufPlanVar = nullptr;
  KuvEeDateVar* m_dateVar = nullptr;
  KuvEeDico m_milestonesTracks;
  KuvEeDico m_configFeatures;
};
