// KuvInListVal: a dynamic array of copies of KuvInObjectVals bound to an
// element type. The list owns its copies (made with clone()) and destroys
// them when they leave; elements are compared with equals() and hashed with
// hash(). The operations are those of KuvInOwningList.h, over a KuvInList of
// the copies, so the array grows exactly as KuvInList's does.
//
//     KuvInListVal words(KuvInString::sType());
//     words.PutBack(KuvInString("first"));
//     KuvInString* w = KuvInString::cast(*words.Get(0));   // the list's copy
#pragma once

#include <cstdint>

#include "KuvInList.h"
#include "KuvInOwningList.h"

class KUV_API KuvInListVal : public kuv::detail::OwningList<KuvInList, KuvInListVal> {
  KUV_DECLARE_TYPE(KuvInListVal)

public:
  explicit KuvInListVal(KuvInObjectTypeClass* elementType = nullptr) : OwningList(elementType) {}
  // The copies of the elements from..to of other; an invalid range gives an
  // empty list.
  KuvInListVal(const KuvInListVal& other, std::int32_t from, std::int32_t to) : OwningList(other, from, to) {}

  std::int32_t GetCapacity() const { return m_items.GetCapacity(); }

  // "[Empty]", or the elements' texts joined by " | ".
  KuvInString toString() const override { return m_items.toString(); }
};
