#include "KuvInMap.h"

#include <algorithm>
#include <new>
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
  try {
    values.reserve(static_cast<std::size_t>(GetLength()));
  } catch (const std::bad_alloc&) {
    // Destructors call this: without memory for the list, each value goes
    // at its first entry, found by comparing pointers with the entries
    // before it (quadratic, but only when memory is short).
    for (const_iterator it = cBegin(); !it.IsEnd(); it.Next()) {
      bool seen = false;
      for (const_iterator before = cBegin(); !seen && before.GetEntry() != it.GetEntry(); before.Next())
        seen = before.GetVal() == it.GetVal();
      if (!seen) delete it.GetVal();
    }
    Clear();
    return;
  }
  for (const_iterator it = cBegin(); !it.IsEnd();) values.push_back(it.GetValGoToNext());
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  for (KuvInObject* value : values) delete value;
  Clear();
}
