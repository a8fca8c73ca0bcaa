#include "KuvInMap.h"

#include <algorithm>
#include <vector>

#include "KuvInHashMap_Define.h"

template class kuv::detail::MapEntry<KuvInMap, kuv::detail::HoldsPointers>;
template class kuv::detail::HashMap<KuvInMap, kuv::detail::HoldsPointers>;

KUV_DEFINE_TYPE(KuvInMap, KuvInObjectVal)
KUV_DEFINE_TYPE_NAMED(KuvInMap::entry, KuvInObjectVal, "KuvInMap::entry")

HRESULT KuvInMap::Delete(const KuvInObjectVal* key) {
  // An entry holding no value stays, as Get finds nothing to destroy.
  if (Get(key) == nullptr) return S_OK;
  if (auto removed = m_table.take(key)) delete removed->GetVal();
  return S_OK;
}

void KuvInMap::DeleteAll() {
  std::vector<KuvInObject*> values;
  values.reserve(static_cast<std::size_t>(GetLength()));
  for (const_iterator it = cBegin(); !it.IsEnd();) values.push_back(it.GetValGoToNext());
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  for (KuvInObject* value : values) delete value;
  Clear();
}
