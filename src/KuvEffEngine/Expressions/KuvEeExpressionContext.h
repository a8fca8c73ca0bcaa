// KuvEeExpressionContext: the registry that readers and converters fill while
// they build expressions, and consult to find dictionary objects again by
// GUID or name, and serial or tree-series revisions by sequence number.
//
//     KuvEeExpressionContext context;
//     context.AddModelDico(model, true);     // model may now designate an earlier one
//     context.AddRevision(model, KuvEeSerialVar::STATE, guid, "S1", "A", 1);
//     std::uint32_t seq = 0;
//     context.ComputeSequenceNumber(model->getSeriesVariable(KuvEeSerialVar::STATE), "S1", "A", seq);
//
// Ownership. Every object has exactly one owner:
// - The context owns what is handed to it: model dictionaries (with their
//   configuration features), configuration features (a category with its
//   options), inherited effectivities, changes, the options it creates and
//   its date variable. They are deleted with the context.
// - A model keeps owning its own variables, milestone tracks and tree
//   elements, a serial variable its revisions, a tree its elements and a
//   selection variable its values. The context only indexes those, including
//   the revisions, tree-series elements, milestones and tracks it creates:
//   they go to their variable or tree, never to the context's owned set.
// - Hand-over: the operations that take a pointer reference delete the
//   caller's object when an equivalent object is registered (a model of the
//   same name; a feature or effectivity of the same GUID and kind, whatever
//   its name; a known option or value must still have its name),
//   unless the context already owns it; the pointer then designates the
//   registered object and the result is S_FALSE (S_OK for models, which
//   only count as already there when the very object was registered). A
//   discarded category goes with its options, which nothing else can reach.
//   A discarded model goes alone: a model does not own its features, which
//   a host may share with another model or a variable space, so they stay
//   valid and remain their creator's to delete (AddModelDico handing back
//   another model than the one given tells the caller so).
// - From the moment a model is entered, the context owns it, even when a
//   later step of AddModelDico fails; but when memory runs out, AddModelDico
//   answers E_OUTOFMEMORY having changed nothing, and the model (with the
//   features that would have given way) stays the caller's. AddConfigFeature,
//   AddConfigFeatureOption, AddChangeRef, AddMilestonesTrack, AddMilestone
//   and AddRevision likewise (a tree series enabled for the revision goes
//   again). AddInheritedEff registers the effectivity, then each dictionary,
//   each all or nothing: a dictionary that fails leaves those before it.
//   Reading answers E_OUTOFMEMORY likewise, its outputs unchanged (a set
//   to fill left empty).
//
// Adding answers S_OK, S_FALSE when the object was already there, E_FAIL
// (E_INVALIDARG for a null input) with an error trace; a refused addition
// changes nothing. Reading answers S_OK when found, S_FALSE when not.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "KuvEeSerialVar.h"
#include "KuvInGuid.h"
#include "KuvInMap.h"
#include "KuvInMapVal.h"
#include "KuvInSet.h"

class KuvEeBasicEff;
class KuvEeDateVar;
class KuvEeMilestone;
class KuvEeMilestonesVar;
class KuvEeModelDico;
class KuvEePredefEff;
class KuvEeTreeSeriesElement;
class KuvEeTreeSeriesVar;
class KuvInDate;
class KuvInList;
class KuvInTreeEvalIndex;

class KUV_API KuvEeExpressionContext : public KuvInObject {
  KUV_DECLARE_TYPE(KuvEeExpressionContext)

public:
  // A revision of a serial or tree-series variable: element name, revision
  // text and the variable (not owned).
  class KUV_API SeriesElementID : public KuvInObjectVal {
    KUV_DECLARE_TYPE(SeriesElementID)

  public:
    SeriesElementID(const KuvInString& name, const KuvInString& revision, const KuvEeVariable* variable);
    SeriesElementID(const SeriesElementID& other) = default;
    SeriesElementID& operator=(const SeriesElementID&) = delete;
    ~SeriesElementID() override;

    const KuvInString& getName() const { return m_name; }
    const KuvInString& getRevision() const { return m_revision; }
    const KuvEeVariable* getVariable() const { return m_variable; }

    std::uint32_t hash() const override;
    // Same name, revision text and variable.
    bool equals(const KuvInObjectVal& other) const override;
    KuvInObjectVal& clone(void* where = nullptr) const override;

  private:
    KuvInString m_name;
    KuvInString m_revision;
    const KuvEeVariable* m_variable;
  };

  // A milestone by its name on its track (not owned).
  class KUV_API MilestoneElementID : public KuvInObjectVal {
    KUV_DECLARE_TYPE(MilestoneElementID)

  public:
    MilestoneElementID(const KuvInString& name, const KuvEeMilestonesVar* track);
    MilestoneElementID(const MilestoneElementID& other) = default;
    MilestoneElementID& operator=(const MilestoneElementID&) = delete;
    ~MilestoneElementID() override;

    const KuvInString& getName() const { return m_name; }
    const KuvEeMilestonesVar* getTrack() const { return m_track; }

    std::uint32_t hash() const override;
    // Same name and track.
    bool equals(const KuvInObjectVal& other) const override;
    KuvInObjectVal& clone(void* where = nullptr) const override;

  private:
    KuvInString m_name;
    const KuvEeMilestonesVar* m_track;
  };

  KuvEeExpressionContext();
  KuvEeExpressionContext(const KuvEeExpressionContext&) = delete;
  KuvEeExpressionContext& operator=(const KuvEeExpressionContext&) = delete;
  // Deletes every owned object and the date variable.
  ~KuvEeExpressionContext() override;

  // Registers a model of the expressions (main) or one met through an
  // inherited effectivity, with its features, revisions, tree-series
  // elements, tracks and milestones. A registered model of the same name
  // replaces the caller's (see Ownership), and a registered feature of the
  // same GUID replaces the model's, which is refused (E_FAIL, nothing
  // changes) when another feature of the model has the registered name.
  HRESULT AddModelDico(KuvEeModelDico*& model, bool main);
  // A category (with its options) or a selection variable (its values are
  // indexed); model, when given, must be registered and receives the
  // feature. A copy of a registered feature that the model has gives way to
  // it there, which is refused (E_FAIL, nothing changes) when another
  // feature of the model has the registered name.
  HRESULT AddConfigFeature(KuvEeDicoObject*& feature, KuvEeModelDico* model = nullptr);
  // Creates an option of a category or a value of a selection variable;
  // S_FALSE when an object of that kind and name has the GUID already.
  HRESULT AddConfigFeatureOption(const KuvInString& name, const KuvInGuid& guid, KuvEeDicoObject* feature);
  // Registers a basic effectivity and the dictionaries it was defined with
  // (each as an inherited model; the list's entries are replaced by the
  // registered models).
  HRESULT AddInheritedEff(KuvEeBasicEff*& eff, KuvInList& dicos);
  HRESULT AddChangeRef(KuvEePredefEff*& change);
  // Creates the track in a registered model unless it has one of that GUID
  // (S_FALSE when name and discipline agree).
  HRESULT AddMilestonesTrack(KuvEeModelDico* model, const KuvInGuid& guid, const KuvInString& name,
                             const KuvInString& discipline, bool noTreeMode);
  // Creates a milestone under parent, or as the track's root (in the bag in
  // no-tree mode) when parent is null; date is copied.
  HRESULT AddMilestone(KuvEeMilestonesVar* track, const KuvInGuid& guid, const KuvInString& name,
                       const KuvInTreeEvalIndex& index, const KuvInDate* date, KuvEeMilestone* parent);
  // Creates a revision of the variable; S_FALSE when its sequence number has
  // this very revision already, E_FAIL when it has another one.
  HRESULT AddRevision(KuvEeSerialVar* variable, const KuvInGuid& guid, const KuvInString& name,
                      const KuvInString& revision, std::uint32_t seqNumber);
  // The same on the model's series of that type.
  HRESULT AddRevision(KuvEeModelDico* model, KuvEeSerialVar::SerialExternalType type, const KuvInGuid& guid,
                      const KuvInString& name, const KuvInString& revision, std::uint32_t seqNumber);
  // Creates an element of the model's tree series of type 18 or 19 (enabled
  // in the given mode when the model has none) under parent, or as root (in
  // the bag in no-tree mode).
  HRESULT AddRevision(KuvEeModelDico* model, std::int32_t treeType, KuvEeTreeSeriesElement* parent,
                      const KuvInGuid& guid, const KuvInString& name, const KuvInString& revision,
                      const KuvInTreeEvalIndex& index, bool noTreeMode);
  // The date variable "Date" with GUID 01 00..00; S_FALSE when it exists.
  HRESULT ActivateDate();

  HRESULT GetModelDico(const KuvInGuid& guid, KuvEeModelDico*& model) const;
  // Main models first, then inherited ones.
  HRESULT GetModelDico(const KuvInString& name, KuvEeModelDico*& model) const;
  // Model name to model.
  HRESULT GetAllDictionariesByName(const KuvInMap*& dicos) const;
  HRESULT GetAllInheritedDictionariesByName(const KuvInMap*& dicos) const;
  HRESULT GetAllDictionariesForInheritedEffectivity(KuvEeBasicEff* eff, const KuvInMap*& dicos) const;
  std::int32_t GetNbDictionaries() const { return m_dicos.GetLength(); }
  // Categories and selection variables.
  HRESULT GetConfigFeature(const KuvInGuid& guid, KuvEeDicoObject*& feature) const;
  HRESULT GetConfigFeature(const KuvInString& name, KuvEeDicoObject*& feature) const;
  // Category options and selection values.
  HRESULT GetConfigFeatureOption(const KuvInGuid& guid, KuvEeDicoObject*& option) const;
  HRESULT GetChange(const KuvInGuid& guid, KuvEePredefEff*& change) const;
  HRESULT GetChange(const KuvInString& name, KuvEePredefEff*& change) const;
  HRESULT GetInheritedEff(const KuvInGuid& guid, KuvEeBasicEff*& eff) const;
  HRESULT GetInheritedEff(const KuvInString& name, KuvEeBasicEff*& eff) const;
  HRESULT GetDate(KuvEeDateVar*& date) const;
  bool GetEEObject(const KuvInGuid& guid, KuvEeDicoObject*& object) const;
  // Clears models and fills it with the main models (those of inheritedEff
  // when given) whose features hold feature (an option or value stands for
  // its category or variable).
  HRESULT GetSetOfMDsContainingFeature(const KuvEeDicoObject* feature, KuvInSet& models,
                                       KuvEeBasicEff* inheritedEff = nullptr) const;
  // E_FAIL when the revision was never registered.
  HRESULT ComputeSequenceNumber(const KuvEeSerialVar* variable, const KuvInString& name,
                                const KuvInString& revision, std::uint32_t& seqNumber) const;
  HRESULT ComputeSequenceNumber(const KuvEeTreeSeriesVar* variable, const KuvInString& name,
                                const KuvInString& revision, KuvInTreeEvalIndex& index) const;
  // Through the variable's revisions (+-2000000000 stand for the lowest and
  // highest); E_FAIL when there is none.
  HRESULT RetrieveSeriesElementIdentification(const KuvEeSerialVar* variable, std::int32_t seqNumber,
                                              KuvInString& name, KuvInString& revision) const;
  HRESULT RetrieveSeriesElementModelerID(const KuvEeSerialVar* variable, std::int32_t seqNumber,
                                         KuvInGuid& guid) const;
  HRESULT RetrieveMilestone(const KuvEeMilestonesVar* track, const KuvInString& name,
                            KuvEeMilestone*& milestone) const;
  HRESULT RetrieveTreeSeriesElement(const KuvEeTreeSeriesVar* variable, const KuvInString& name,
                                    const KuvInString& revision, KuvEeTreeSeriesElement*& element) const;

private:
  struct Registration;

  // AddModelDico, AddConfigFeature and AddConfigFeatureOption;
  // std::bad_alloc leaves them once what they changed is taken back.
  HRESULT addModelDico(KuvEeModelDico*& model, bool main);
  HRESULT addConfigFeature(KuvEeDicoObject*& feature, KuvEeModelDico* model);
  HRESULT addConfigFeatureOption(const KuvInString& name, const KuvInGuid& guid, KuvEeDicoObject* feature);
  // AddInheritedEff once checked; registered: the effectivity of eff's GUID.
  HRESULT addInheritedEff(KuvEeBasicEff*& eff, KuvEeBasicEff* registered, KuvInList& dicos);
  // Whether the names of features stay unique once each feature of a
  // registered GUID has given way to the registered one.
  bool namesStayUnique(const std::vector<KuvEeDicoObject*>& features) const;
  // The object registered under object's GUID when that is another object.
  KuvEeDicoObject* otherWithGuid(const KuvEeDicoObject& object) const;
  // Enters object under its GUID (when set) and its name (when set and free).
  void index(KuvEeDicoObject* object);
  KuvEeDicoObject* byGuid(const KuvInGuid& guid) const;
  bool isRegistered(const KuvEeModelDico* model) const;
  // Whether a feature may be registered, or handed over to the one of its GUID.
  HRESULT checkFeature(const KuvEeDicoObject& feature) const;
  void registerOptions(const KuvEeDicoObject& feature);
  // Appends to doomed what giving way deletes of a caller's feature: the
  // feature (a category with its options), unless owned.
  void discardable(KuvEeDicoObject* feature, std::vector<KuvEeDicoObject*>& doomed) const;
  void discardModel(KuvEeModelDico* model);
  void registerRevision(KuvEeSerialVarValue* revision);
  void registerTreeSeriesElement(KuvEeTreeSeriesElement* element);
  void registerMilestone(KuvEeMilestone* milestone);

  // Nothing walks it, so it needs no specified order; mixed, GUIDs that
  // differ only in their last bytes do not crowd.
  std::unordered_map<KuvInGuid, KuvEeDicoObject*, KuvInGuid::MixedHash> m_byGuid;
  KuvInMap m_byName;
  KuvInMap m_dicos;
  KuvInMap m_inheritedDicos;
  KuvInMap m_dicosPerInheritedEff;
  KuvInMap m_changes;
  std::unique_ptr<KuvEeDateVar> m_dateVar;
  KuvInSet m_owned;
  KuvInMap m_treeSeriesElements;
  KuvInMapVal m_seqNumbers;
  KuvInMap m_milestones;
};
