#include "KuvBinaryExprData.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "KuvBioBasic.h"
#include "KuvEeDateVar.h"
#include "KuvEeExpressionContext.h"
#include "KuvEeModelDico.h"
#include "KuvInGuid.h"
#include "KuvInIntHolder.h"

KUV_DEFINE_TYPE(KuvBinaryExprData, KuvInObject)

namespace {

KuvInString textOf(const KuvInObject* obj) { return obj != nullptr ? obj->toString() : KuvInString("NULL"); }

}  // namespace

KuvBinaryExprData::KuvBinaryExprData() {
  for (std::unique_ptr<KuvInMapVal>& map : m_maps)
    map = std::make_unique<KuvInMapVal>(KuvInObjectPtr::sType(), KuvInIntHolder::sType());
}

KuvBinaryExprData::~KuvBinaryExprData() {
  for (const KuvInObject* placeholder : m_placeholders) delete placeholder;
  for (const KuvInObject* owned : m_garbage) delete owned;
}

std::int32_t KuvBinaryExprData::mapOf(ListId id) {
  return id <= ExprCriteriaIncompatible ? 0 : static_cast<std::int32_t>(id) - ExprCriteriaIncompatible;
}

HRESULT KuvBinaryExprData::add(ListId id, KuvInObject& obj) {
  KuvInMapVal& map = indices(id);
  // An inherited effectivity may stand several times in one expression.
  if (id != InheritedEffectivity && map.ContainsKey(KuvInObjectPtr(&obj))) return S_FALSE;
  KuvInList& list = m_lists[id];
  list.PutBack(&obj);
  if (FAILED(map.Put(KuvInObjectPtr(&obj), KuvInIntHolder(list.GetLength() - 1))))
    KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to add object into objectIndiceMap.");
  return S_OK;
}

std::int32_t KuvBinaryExprData::getIndex(ListId id, const KuvInObject& obj) const {
  const KuvInObjectVal* value = indices(id).Get(KuvInObjectPtr(const_cast<KuvInObject*>(&obj)));
  if (value == nullptr) return -1;
  const KuvInIntHolder* index = KuvInIntHolder::cast(*value);
  if (index == nullptr) {
    KUV_TRACE_ERROR("ERROR: Retrieved Object Index isn't a KuvInIntHolder.");
    return -1;
  }
  return static_cast<std::int32_t>(index->getValue());
}

HRESULT KuvBinaryExprData::set(ListId id, std::int32_t i, KuvInObject& obj, bool addToGarbage) {
  if (i < 0) return E_INVALIDARG;
  KuvInList& list = m_lists[id];
  if (const KuvInObject* current = list.Get(i); current != nullptr && m_placeholders.count(current) == 0) {
    if (current->dType() == obj.dType()) return S_FALSE;
    KUV_RETURN_ERROR(E_FAIL,
                     "ERROR: An object with an other type already exists in the same list and same index.");
  }
  while (list.GetLength() <= i) {
    // Each placeholder is the data's from the start: it goes with the data
    // if the list cannot take it.
    auto placeholder = std::make_unique<KuvInIntHolder>(static_cast<std::uint32_t>(list.GetLength()));
    m_placeholders.insert(placeholder.get());
    list.PutBack(placeholder.release());
  }
  const KuvInObject* replaced = list.Get(i);
  if (FAILED(list.Set(i, &obj))) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to set object into objects list.");
  // Out of memory, the slot gets its old object back and obj stays its
  // caller's: the data is left as it was.
  HRESULT indexed = E_FAIL;
  try {
    indexed = indices(id).Put(KuvInObjectPtr(&obj), KuvInIntHolder(static_cast<std::uint32_t>(i)));
    if (SUCCEEDED(indexed) && addToGarbage) addObjectToGarbage(obj);
  } catch (const std::bad_alloc&) {
    if (SUCCEEDED(indexed)) indices(id).Remove(KuvInObjectPtr(&obj));
    list.Set(i, const_cast<KuvInObject*>(replaced));
    throw;
  }
  release(replaced);
  if (FAILED(indexed)) KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to put object pointer into objects map.");
  return S_OK;
}

void KuvBinaryExprData::release(const KuvInObject* obj) {
  if (m_placeholders.erase(obj) != 0 || m_garbage.erase(obj) != 0) delete obj;
}

void KuvBinaryExprData::clearList(ListId id) {
  KuvInList& list = m_lists[id];
  for (std::int32_t i = 0; i < list.GetLength(); ++i)
    if (m_placeholders.erase(list.Get(i)) != 0) delete list.Get(i);
  list.Clear();
}

void KuvBinaryExprData::clearDependencies() {
  for (std::int32_t id = 0; id < NbLists; ++id) clearList(static_cast<ListId>(id));
  for (std::unique_ptr<KuvInMapVal>& map : m_maps) map->Clear();
}

void KuvBinaryExprData::deleteDependencies() {
  std::unordered_set<const KuvInObject*> deleted;
  for (KuvInList& list : m_lists) {
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const KuvInObject* obj = list.Get(i);
      if (obj == nullptr || !deleted.insert(obj).second) continue;
      m_placeholders.erase(obj);
      m_garbage.erase(obj);
      delete obj;
    }
    list.Clear();
  }
  for (std::unique_ptr<KuvInMapVal>& map : m_maps) map->Clear();
}

void KuvBinaryExprData::recomputeIndicesMap() {
  for (std::unique_ptr<KuvInMapVal>& map : m_maps) map->Clear();
  for (std::int32_t id = 0; id < NbLists; ++id) {
    const KuvInList& list = m_lists[id];
    KuvInMapVal& map = indices(static_cast<ListId>(id));
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const KuvInObjectPtr key(list.Get(i));
      if (key.getObject() == nullptr || m_placeholders.count(key.getObject()) != 0) continue;
      if (id != InheritedEffectivity && map.ContainsKey(key)) continue;
      map.Put(key, KuvInIntHolder(static_cast<std::uint32_t>(i)));
    }
  }
}

HRESULT KuvBinaryExprData::removeExprImpactingCriteria(std::int32_t index) {
  KuvInList& list = m_lists[ExprImpactingCriteria];
  if (index < 0 || index >= list.GetLength()) return E_INVALIDARG;
  KuvInObject* removed = list.Get(index);
  list.Remove(index);
  KuvInMapVal& map = indices(ExprImpactingCriteria);
  map.Remove(KuvInObjectPtr(removed));
  for (std::int32_t i = index; i < list.GetLength(); ++i) {
    auto* position = static_cast<KuvInIntHolder*>(map.Get(KuvInObjectPtr(list.Get(i))));
    if (position != nullptr && position->getValue() > static_cast<std::uint32_t>(index))
      position->setValue(position->getValue() - 1);
  }
  if (m_placeholders.erase(removed) != 0) delete removed;
  return S_OK;
}

HRESULT KuvBinaryExprData::createVolatileCriteriaList(const KuvEeExpressionContext& context) {
  KUV_TRACE_CALL("createVolatileCriteriaList");
  const KuvInList& models = m_lists[CriteriaEeModel];
  for (std::int32_t i = 0; i < models.GetLength(); ++i)
    if (models.Get(i) == nullptr || !KuvEeModelDico::isObjectOfThisType(*models.Get(i)))
      KUV_RETURN_ERROR(
          E_FAIL, "ERROR : unexpected to have a type other than a MD in Criteria EeModel List. Object is : ",
          textOf(models.Get(i)));
  KuvEeDateVar* date = nullptr;
  if (FAILED(context.GetDate(date))) KUV_RETURN_ERROR(E_FAIL, "ERROR : GetDate from the context FAILED");

  clearList(VolatileCriteria);
  indices(VolatileCriteria).Clear();
  if (date != nullptr) {
    if (FAILED(addVolatileCriteria(*date))) KUV_RETURN_ERROR(E_FAIL, "ERROR : addVolatileCriteria FAILED");
  } else {
    KUV_TRACE_DETAIL("Potential error : dates are not activated on the context...");
  }
  for (std::int32_t i = 0; i < models.GetLength(); ++i) {
    const auto* model = static_cast<const KuvEeModelDico*>(models.Get(i));
    date = model->getDateVariable();
    if (date == nullptr) {
      date = new KuvEeDateVar(model->getName(), model->getGuid().getArray());
      if (FAILED(addObjectToGarbage(*date))) {
        delete date;
        KUV_RETURN_ERROR(E_FAIL, "ERROR : addObjectToGarbage FAILED");
      }
    }
    if (FAILED(addVolatileCriteria(*date))) KUV_RETURN_ERROR(E_FAIL, "ERROR : addVolatileCriteria FAILED");
  }
  return S_OK;
}

HRESULT KuvBinaryExprData::ConvertDependenciesIntoGuids() {
  KUV_TRACE_CALL("ConvertDependenciesIntoGuids");
  if (areFakeDependencies())
    KUV_RETURN_ERROR(E_FAIL, "ERROR : Method can only be used with EeDicoObjects dependencies.");
  for (std::int32_t id = 0; id < sc_nbPersistedLists; ++id)
    for (std::int32_t i = 0; i < m_lists[id].GetLength(); ++i)
      if (m_lists[id].Get(i) == nullptr || !KuvEeDicoObject::isObjectOfThisType(*m_lists[id].Get(i)))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: Unable to cast element from input Guid list into KuvInGuid.");

  for (std::int32_t id = 0; id < sc_nbPersistedLists; ++id) {
    KuvInList& list = m_lists[id];
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      auto* guid = new KuvInGuid(static_cast<const KuvEeDicoObject*>(list.Get(i))->getGuid());
      m_garbage.insert(guid);
      list.Set(i, guid);
    }
  }
  clearList(VolatileCriteria);
  for (std::unique_ptr<KuvInMapVal>& map : m_maps) map->Clear();
  return S_OK;
}

HRESULT KuvBinaryExprData::ConvertDependenciesIntoEeObjects(const KuvEeExpressionContext& context) {
  KUV_TRACE_CALL("ConvertDependenciesIntoEeObjects");
  // Every list is resolved before any is changed.
  std::vector<std::pair<ListId, std::vector<KuvEeDicoObject*>>> resolved;
  for (std::int32_t id = 0; id < sc_nbPersistedLists; ++id) {
    const KuvInList& list = m_lists[id];
    std::int32_t nbGuids = 0;
    std::int32_t nbObjects = 0;
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const KuvInObject* obj = list.Get(i);
      if (obj != nullptr && KuvInGuid::isObjectOfThisType(*obj))
        ++nbGuids;
      else if (obj != nullptr && KuvEeDicoObject::isObjectOfThisType(*obj))
        ++nbObjects;
      else
        KUV_RETURN_ERROR(E_FAIL, "ERROR : object in dependency list is neither a Guid neither a Dico Object");
    }
    if (nbGuids != 0 && nbObjects != 0)
      KUV_RETURN_ERROR(E_FAIL, "ERROR : mixed guid and ee Objects in one list");
    if (nbGuids == 0) continue;
    std::vector<KuvEeDicoObject*> objects(static_cast<std::size_t>(list.GetLength()), nullptr);
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const auto* guid = static_cast<const KuvInGuid*>(list.Get(i));
      if (!context.GetEEObject(*guid, objects[static_cast<std::size_t>(i)]))
        KUV_RETURN_ERROR(E_FAIL, "ERROR: Fail to retrieve into context, EeObject with Guid ",
                         guid->toString());
    }
    resolved.emplace_back(static_cast<ListId>(id), std::move(objects));
  }

  for (auto& [id, objects] : resolved) {
    KuvInList& list = m_lists[id];
    for (std::int32_t i = 0; i < list.GetLength(); ++i) {
      const KuvInObject* guid = list.Get(i);
      list.Set(i, objects[static_cast<std::size_t>(i)]);
      release(guid);
    }
  }
  recomputeIndicesMap();
  return createVolatileCriteriaList(context);
}

HRESULT KuvBinaryExprData::addObjectToGarbage(KuvInObject& obj) {
  return m_garbage.insert(&obj).second ? S_OK : S_FALSE;
}

void KuvBinaryExprData::appendListText(KuvInString& text, ListId id, const char* countLabel,
                                       const char* itemLabel) const {
  const KuvInList& list = m_lists[id];
  text.Append("## \t ", countLabel, " nb = ", KuvInString::FromNum(list.GetLength()), "\n");
  for (std::int32_t i = 0; i < list.GetLength(); ++i)
    text.Append("## \t ", itemLabel, " ", KuvInString::FromNum(i), " : \n", textOf(list.Get(i)), "\n");
}

void KuvBinaryExprData::appendMapText(KuvInString& text, ListId id, const char* label) const {
  const KuvInMapVal& map = indices(id);
  text.Append("## \t ", label, " indices map size = ", KuvInString::FromNum(map.GetLength()), "\n");
  std::int32_t entry = 0;
  for (KuvInMapVal::const_iterator it = map.cBegin(); !it.IsEnd(); it.Next(), ++entry) {
    const auto* key = static_cast<const KuvInObjectPtr*>(it.GetKey());
    text.Append("## \t indice ", KuvInString::FromNum(entry), ": \n\t\t object=", textOf(key->getObject()));
    text.Append(" \n\t\t index=", textOf(it.GetVal()), "\n");
  }
}

KuvInString KuvBinaryExprData::toString() const {
  KuvInString text("## => content of binary expr data: \n");
  if (m_binary != nullptr)
    text.Append(" ## \t Binary : ", KuvBioBasic::toHexText(m_binary, m_binaryLength), "\n");
  else
    text.Append(" ## \t Binary : NULL\n");
  // Each map follows the last of its lists.
  static constexpr struct {
    ListId id;
    const char* countLabel;
    const char* itemLabel;
    const char* mapLabel;
  } sc_printed[] = {
      {ExprCriteria, "expr criteria", "expr criteria", nullptr},
      {ExprCriteriaRule, "expr criteria rule", "expr criteria rule", nullptr},
      {ExprCriteriaDefault, "expr criteria default", "expr criteria default", "expr criteria"},
      {ExprImpactingCriteria, "expr impacting criteria", "expr impacting criteria",
       "expr impacting criteria"},
      {CriteriaEeModel, "expr criteria dictionary", "expr criteria dictionary", "expr criteria dictionary"},
      {InheritedEffectivity, "expr inherited effectivities", "expr inherited effectivity",
       "expr inherited effectivities"},
      {InheritedEffectivityModel, "expr inherited dictionaries", "expr inherited dictionary",
       "expr inherited dictionaries"},
      {VolatileCriteria, "expr volatile criteria", "expr volatile criteria", "expr volatile criteria"}};
  for (const auto& printed : sc_printed) {
    appendListText(text, printed.id, printed.countLabel, printed.itemLabel);
    if (printed.mapLabel != nullptr) appendMapText(text, printed.id, printed.mapLabel);
  }
  return text;
}
