// A hash set of object pointers, bound to an element type.
//
// Identity is pointer identity and the set never owns what it holds: only
// Delete, DeleteAll and DeleteAllAndThis destroy elements. Since the hash is
// that of the pointer, the iteration order depends on object addresses. The
// operations and the sizing rule are those of KuvInHashSet.h.
//
//     KuvInSet nodes(KuvEeNode::sType());
//     nodes.Put(node);
//     for (KuvInSet::const_iterator it = nodes.cBegin(); it.IsValid();) use(it.GetGoToNext());
#pragma once

#include <cstdint>

#include "KuvInHashSet.h"

class KUV_API KuvInSet : public kuv::detail::HashSet<KuvInSet, kuv::detail::HoldsPointers> {
  KUV_DECLARE_TYPE(KuvInSet)

public:
  explicit KuvInSet(KuvInObjectTypeClass* elementType = nullptr, std::int32_t capacity = 12,
                    float loadFactor = 0.75f)
      : HashSet(elementType, capacity, loadFactor) {}
  KuvInSet(const KuvInSet& other, std::int32_t capacity = 0, float loadFactor = 0.0f)
      : HashSet(other, capacity, loadFactor) {}

  // Remove, then destroy obj when it was there.
  bool Delete(KuvInObject* obj);
  // Destroys every element, each once it has left the set, then resets the
  // table as Clear does when memory allows; allocates nothing else, so
  // destructors may call it.
  void DeleteAll();
  // DeleteAll, then deletes this set, which must have been created with new.
  void DeleteAllAndThis();
  // A new array of the elements in iteration order (null when empty); the
  // caller releases it with delete[].
  KuvInObject** GetArray() const;
  // Empties the set without allocating, keeping its table size, then calls
  // each with every element in iteration order, once it has left the set:
  // for destructors, where GetArray or Clear could run out of memory.
  template <class F>
  void TakeEach(F each) {
    m_table.takeEach(each);
  }

  // "Set(" count ")[ " then the elements' texts separated by ", ", then " ]".
  KuvInString toString() const override;
};
