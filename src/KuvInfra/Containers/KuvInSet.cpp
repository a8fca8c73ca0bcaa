#include "KuvInSet.h"

#include <vector>

#include "KuvInHashSet_Define.h"

template class kuv::detail::HashSet<KuvInSet, kuv::detail::HoldsPointers>;

KUV_DEFINE_TYPE(KuvInSet, KuvInObjectVal)

bool KuvInSet::Delete(KuvInObject* obj) {
  if (!Remove(obj)) return false;
  delete obj;
  return true;
}

void KuvInSet::DeleteAll() {
  // Collected first: a destructor must not run while the chain is walked.
  std::vector<KuvInObject*> elements;
  m_table.forEach([&elements](KuvInObject* element) { elements.push_back(element); });
  for (KuvInObject* element : elements) {
    m_table.remove(*element);
    delete element;
  }
  Clear();
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
