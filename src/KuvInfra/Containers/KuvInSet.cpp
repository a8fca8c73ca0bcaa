#include "KuvInSet.h"

#include <new>

#include "KuvInHashSet_Define.h"

template class kuv::detail::HashSet<KuvInSet, kuv::detail::HoldsPointers>;

KUV_DEFINE_TYPE(KuvInSet, KuvInObjectVal)

bool KuvInSet::Delete(KuvInObject* obj) {
  if (!Remove(obj)) return false;
  delete obj;
  return true;
}

void KuvInSet::DeleteAll() {
  // Each element leaves the set before it is deleted, so that no destructor
  // runs while the chain is walked, and nothing is allocated: destructors
  // call this.
  TakeEach([](KuvInObject* element) { delete element; });
  // Sized afresh as Clear sizes it, when there is memory for it.
  try {
    Clear();
  } catch (const std::bad_alloc&) {
  }
}

void KuvInSet::DeleteAllAndThis() {
  DeleteAll();
  delete this;
}

KuvInObject** KuvInSet::GetArray() const {
  if (IsEmpty()) return nullptr;
  auto** array = new KuvInObject*[static_cast<std::size_t>(GetLength())];
  KuvInObject** next = array;
  m_table.forEach([&next](KuvInObject* element) { *next++ = element; });
  return array;
}

KuvInString KuvInSet::toString() const {
  KuvInString text("Set(");
  text.Append(KuvInString::FromNum(GetLength()), ")[ ");
  const char* separator = "";
  m_table.forEach([&](KuvInObject* element) {
    text.Append(separator, element->toString());
    separator = ", ";
  });
  return text.Append(" ]");
}
