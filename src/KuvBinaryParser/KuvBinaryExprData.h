// KuvBinaryExprData: the dependency lists of a binary expression. A binary
// never names a dictionary object; it writes the object's position in one of
// the ten lists below, and the caller persists the lists beside the binary
// (as GUIDs, see ConvertDependenciesIntoGuids).
//
//      list                         index map
//   1  ExprCriteria                 A (shared by lists 1 to 5)
//   2  ExprCriteriaRule             A
//   3  ExprCriteriaDefault          A
//   4  ExprCriteriaDismissed        A
//   5  ExprCriteriaIncompatible     A
//   6  ExprImpactingCriteria        B  predefined effectivities
//   7  CriteriaEeModel              C  model dictionaries of the criteria
//   8  InheritedEffectivity         D  effectivities inherited from another context
//   9  InheritedEffectivityModel    E  the dictionaries of those
//  10  VolatileCriteria             F  date variables, rebuilt, never persisted
//
// Each map goes from an object's identity (KuvInObjectPtr) to its index
// (KuvInIntHolder). Because lists 1 to 5 share one map, an object has one
// index among them: its position in the list it was first added to.
//
//     KuvBinaryExprData data;
//     data.addExprCriteria(option);          // index 0
//     data.addExprCriteriaDefault(option);   // S_FALSE: already indexed
//     data.getExprCriteriaIndex(option);     // 0
//
// Ownership. The lists refer to their elements and do not own them, with
// these exceptions, all deleted with the data and never shared:
// - the placeholders that setX pads a list with (replaced ones go at once);
// - the garbage: objects handed over with addObjectToGarbage or with the
//   garbage flag of setX, the date variables createVolatileCriteriaList
//   creates and the GUIDs ConvertDependenciesIntoGuids creates (those are
//   deleted as soon as ConvertDependenciesIntoEeObjects replaces them).
// Dictionary objects may therefore be shared by any number of data objects
// and may outlive or die before them; a data object whose referents are gone
// may still be destroyed, but not used. deleteDependencies is the one
// operation that deletes list elements the data did not create (see there).
// The binary bytes are never owned.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_set>

#include "KuvInList.h"
#include "KuvInMapVal.h"

class KuvEeExpressionContext;

class KUV_API KuvBinaryExprData : public KuvInObject {
  KUV_DECLARE_TYPE(KuvBinaryExprData)

public:
  // Fake dependencies: the lists hold placeholders a reader made up at the
  // indices it met, for callers that need the structure only.
  enum DependenciesType : std::int32_t { RealDependencies = 1, FakeDependencies = 2 };

  KuvBinaryExprData();
  KuvBinaryExprData(const KuvBinaryExprData&) = delete;
  KuvBinaryExprData& operator=(const KuvBinaryExprData&) = delete;
  ~KuvBinaryExprData() override;

  // The list family. addX appends an object that has no index in the list's
  // map and maps it to its position; S_FALSE, nothing added, when it has one.
  // addInheritedEffectivity always appends (the map keeps the last
  // position). getX is null out of range. getXIndex is -1 for an object not
  // mapped. hasX says whether the list has elements.
  //
  // setX (index, obj, addToGarbage) pads the list with placeholders up to
  // index and puts obj in the slot when it holds a placeholder (handing obj
  // to the garbage when asked); when the slot holds an object already: S_FALSE
  // if of obj's type (obj is then not taken), E_FAIL otherwise.
  // E_INVALIDARG for a negative index.
  HRESULT addExprCriteria(KuvInObject& obj) { return add(ExprCriteria, obj); }
  HRESULT addExprCriteriaRule(KuvInObject& obj) { return add(ExprCriteriaRule, obj); }
  HRESULT addExprCriteriaDefault(KuvInObject& obj) { return add(ExprCriteriaDefault, obj); }
  HRESULT addExprCriteriaDismissed(KuvInObject& obj) { return add(ExprCriteriaDismissed, obj); }
  HRESULT addExprCriteriaIncompatible(KuvInObject& obj) { return add(ExprCriteriaIncompatible, obj); }
  HRESULT addExprImpactingCriteria(KuvInObject& obj) { return add(ExprImpactingCriteria, obj); }
  HRESULT addCriteriaEeModel(KuvInObject& obj) { return add(CriteriaEeModel, obj); }
  HRESULT addInheritedEffectivity(KuvInObject& obj) { return add(InheritedEffectivity, obj); }
  HRESULT addInheritedEffectivityModel(KuvInObject& obj) { return add(InheritedEffectivityModel, obj); }
  HRESULT addVolatileCriteria(KuvInObject& obj) { return add(VolatileCriteria, obj); }

  KuvInObject* getExprCriteria(std::int32_t i) const { return get(ExprCriteria, i); }
  KuvInObject* getExprCriteriaRule(std::int32_t i) const { return get(ExprCriteriaRule, i); }
  KuvInObject* getExprCriteriaDefault(std::int32_t i) const { return get(ExprCriteriaDefault, i); }
  KuvInObject* getExprCriteriaDismissed(std::int32_t i) const { return get(ExprCriteriaDismissed, i); }
  KuvInObject* getExprCriteriaIncompatible(std::int32_t i) const { return get(ExprCriteriaIncompatible, i); }
  KuvInObject* getExprImpactingCriteria(std::int32_t i) const { return get(ExprImpactingCriteria, i); }
  KuvInObject* getCriteriaEeModel(std::int32_t i) const { return get(CriteriaEeModel, i); }
  KuvInObject* getInheritedEffectivity(std::int32_t i) const { return get(InheritedEffectivity, i); }
  KuvInObject* getInheritedEffectivityModel(std::int32_t i) const {
    return get(InheritedEffectivityModel, i);
  }
  KuvInObject* getVolatileCriteria(std::int32_t i) const { return get(VolatileCriteria, i); }

  // The index in the shared map of lists 1 to 5.
  std::int32_t getExprCriteriaIndex(const KuvInObject& obj) const { return getIndex(ExprCriteria, obj); }
  std::int32_t getExprImpactingCriteriaIndex(const KuvInObject& obj) const {
    return getIndex(ExprImpactingCriteria, obj);
  }
  std::int32_t getCriteriaEeModelIndex(const KuvInObject& obj) const {
    return getIndex(CriteriaEeModel, obj);
  }
  std::int32_t getInheritedEffectivityIndex(const KuvInObject& obj) const {
    return getIndex(InheritedEffectivity, obj);
  }
  std::int32_t getInheritedEffectivityModelIndex(const KuvInObject& obj) const {
    return getIndex(InheritedEffectivityModel, obj);
  }
  std::int32_t getVolatileCriteriaIndex(const KuvInObject& obj) const {
    return getIndex(VolatileCriteria, obj);
  }

  HRESULT setExprCriteria(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(ExprCriteria, i, obj, addToGarbage);
  }
  HRESULT setExprCriteriaRule(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(ExprCriteriaRule, i, obj, addToGarbage);
  }
  HRESULT setExprCriteriaDefault(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(ExprCriteriaDefault, i, obj, addToGarbage);
  }
  HRESULT setExprCriteriaDismissed(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(ExprCriteriaDismissed, i, obj, addToGarbage);
  }
  HRESULT setExprCriteriaIncompatible(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(ExprCriteriaIncompatible, i, obj, addToGarbage);
  }
  HRESULT setExprImpactingCriteria(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(ExprImpactingCriteria, i, obj, addToGarbage);
  }
  HRESULT setCriteriaEeModel(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(CriteriaEeModel, i, obj, addToGarbage);
  }
  HRESULT setInheritedEffectivity(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(InheritedEffectivity, i, obj, addToGarbage);
  }
  HRESULT setInheritedEffectivityModel(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(InheritedEffectivityModel, i, obj, addToGarbage);
  }
  HRESULT setVolatileCriteria(std::int32_t i, KuvInObject& obj, bool addToGarbage) {
    return set(VolatileCriteria, i, obj, addToGarbage);
  }

  bool hasExprCriteria() const { return has(ExprCriteria); }
  bool hasExprCriteriaRule() const { return has(ExprCriteriaRule); }
  bool hasExprCriteriaDefault() const { return has(ExprCriteriaDefault); }
  bool hasExprCriteriaDismissed() const { return has(ExprCriteriaDismissed); }
  bool hasExprCriteriaIncompatible() const { return has(ExprCriteriaIncompatible); }
  bool hasExprImpactingCriteria() const { return has(ExprImpactingCriteria); }
  bool hasCriteriaEeModel() const { return has(CriteriaEeModel); }
  bool hasInheritedEffectivity() const { return has(InheritedEffectivity); }
  bool hasInheritedEffectivityModel() const { return has(InheritedEffectivityModel); }
  bool hasVolatileCriteria() const { return has(VolatileCriteria); }

  std::int32_t getNumberExprCriteria() const { return getNumber(ExprCriteria); }
  std::int32_t getNumberExprCriteriaRule() const { return getNumber(ExprCriteriaRule); }
  std::int32_t getNumberExprCriteriaDefault() const { return getNumber(ExprCriteriaDefault); }
  std::int32_t getNumberExprCriteriaDismissed() const { return getNumber(ExprCriteriaDismissed); }
  std::int32_t getNumberExprCriteriaIncompatible() const { return getNumber(ExprCriteriaIncompatible); }
  std::int32_t getNumberExprImpactingCriteria() const { return getNumber(ExprImpactingCriteria); }
  std::int32_t getNumberCriteriaEeModel() const { return getNumber(CriteriaEeModel); }
  std::int32_t getNumberInheritedEffectivity() const { return getNumber(InheritedEffectivity); }
  std::int32_t getNumberInheritedEffectivityModel() const { return getNumber(InheritedEffectivityModel); }
  std::int32_t getNumberVolatileCriteria() const { return getNumber(VolatileCriteria); }

  const KuvInList& getListExprCriteria() const { return getList(ExprCriteria); }
  const KuvInList& getListExprCriteriaRule() const { return getList(ExprCriteriaRule); }
  const KuvInList& getListExprCriteriaDefault() const { return getList(ExprCriteriaDefault); }
  const KuvInList& getListExprCriteriaDismissed() const { return getList(ExprCriteriaDismissed); }
  const KuvInList& getListExprCriteriaIncompatible() const { return getList(ExprCriteriaIncompatible); }
  const KuvInList& getListExprImpactingCriteria() const { return getList(ExprImpactingCriteria); }
  const KuvInList& getListCriteriaEeModel() const { return getList(CriteriaEeModel); }
  const KuvInList& getListInheritedEffectivity() const { return getList(InheritedEffectivity); }
  const KuvInList& getListInheritedEffectivityModel() const { return getList(InheritedEffectivityModel); }
  const KuvInList& getListVolatileCriteria() const { return getList(VolatileCriteria); }

  DependenciesType getDependenciesType() const { return m_dependenciesType; }
  void setDependenciesType(DependenciesType type) { m_dependenciesType = type; }
  bool areFakeDependencies() const { return m_dependenciesType == FakeDependencies; }

  // The binary these lists belong to, read in place; the bytes stay the
  // caller's and must outlive their use through this object.
  void setBinary(const std::uint8_t* bytes, std::uint32_t length) {
    m_binary = bytes;
    m_binaryLength = length;
  }
  const std::uint8_t* getBinary() const { return m_binary; }
  std::uint32_t getBinaryLength() const { return m_binaryLength; }

  // Empties the lists and maps; the elements are left alone, except
  // placeholders, which go. The garbage stays.
  void clearDependencies();
  // Deletes every element of the lists (each object once, garbage and
  // placeholders included), then empties them. Only for lists whose elements
  // the caller handed over, such as GUIDs read back from storage: it deletes
  // dictionary objects just as well.
  void deleteDependencies();
  // Rebuilds the six maps from the positions in the lists: the first
  // position among lists 1 to 5, the last position for inherited
  // effectivities. Placeholders are not mapped.
  void recomputeIndicesMap();
  // Takes the element out of the impacting criteria list (a placeholder is
  // deleted), forgets its index and moves the index of every later element
  // down by one. E_INVALIDARG when index is out of range.
  HRESULT removeExprImpactingCriteria(std::int32_t index);
  // Refills the volatile criteria list: the context's date variable, then the
  // date variable of each criteria dictionary in list order; a dictionary
  // without one gets a new variable named and identified after it.
  HRESULT createVolatileCriteriaList(const KuvEeExpressionContext& context);
  // Real dependencies only: lists 1 to 9 become lists of new KuvInGuid
  // objects (in the same order); the volatile list and the maps are emptied.
  // Nothing changes when an element is no dictionary object.
  HRESULT ConvertDependenciesIntoGuids();
  // The reverse, through the context; lists of dictionary objects are kept.
  // Then the maps are rebuilt and the volatile list created again. Nothing
  // changes when a GUID is unknown or a list mixes kinds.
  HRESULT ConvertDependenciesIntoEeObjects(const KuvEeExpressionContext& context);
  // The data deletes obj with itself. S_FALSE when obj is there already.
  HRESULT addObjectToGarbage(KuvInObject& obj);
  bool isInGarbage(const KuvInObject& obj) const { return m_garbage.count(&obj) != 0; }

  // The dump for traces: the binary, then each printed list with its
  // elements, each map after its lists (the dismissed and incompatible lists
  // are not printed).
  KuvInString toString() const override;

private:
  enum ListId : std::int32_t {
    ExprCriteria,
    ExprCriteriaRule,
    ExprCriteriaDefault,
    ExprCriteriaDismissed,
    ExprCriteriaIncompatible,
    ExprImpactingCriteria,
    CriteriaEeModel,
    InheritedEffectivity,
    InheritedEffectivityModel,
    VolatileCriteria,
    NbLists
  };
  static constexpr std::int32_t sc_nbMaps = 6;
  // The lists GUIDs replace when the dependencies are persisted.
  static constexpr std::int32_t sc_nbPersistedLists = VolatileCriteria;

  HRESULT add(ListId id, KuvInObject& obj);
  KuvInObject* get(ListId id, std::int32_t i) const { return m_lists[id].Get(i); }
  std::int32_t getIndex(ListId id, const KuvInObject& obj) const;
  HRESULT set(ListId id, std::int32_t i, KuvInObject& obj, bool addToGarbage);
  bool has(ListId id) const { return !m_lists[id].IsEmpty(); }
  std::int32_t getNumber(ListId id) const { return m_lists[id].GetLength(); }
  const KuvInList& getList(ListId id) const { return m_lists[id]; }

  static std::int32_t mapOf(ListId id);
  KuvInMapVal& indices(ListId id) const { return *m_maps[mapOf(id)]; }
  HRESULT putIndex(ListId id, KuvInObject& obj, std::int32_t index);
  // Empties one list (its placeholders go); its map is left alone.
  void clearList(ListId id);
  // Deletes obj when the data owns it (placeholder or garbage); other
  // objects are left alone.
  void release(const KuvInObject* obj);
  void appendListText(KuvInString& text, ListId id, const char* countLabel, const char* itemLabel) const;
  void appendMapText(KuvInString& text, ListId id, const char* label) const;

  std::array<KuvInList, NbLists> m_lists;
  std::array<std::unique_ptr<KuvInMapVal>, sc_nbMaps> m_maps;
  DependenciesType m_dependenciesType = RealDependencies;
  const std::uint8_t* m_binary = nullptr;
  std::uint32_t m_binaryLength = 0;
  std::unordered_set<const KuvInObject*> m_placeholders;
  std::unordered_set<const KuvInObject*> m_garbage;
};
