// KuvInLinkListVal: a doubly linked list of copies of KuvInObjectVals bound
// to an element type. The list owns its copies (made with clone()) and
// destroys them when they leave; elements are compared with equals() and
// hashed with hash(). The operations are those of KuvInOwningList.h, over a
// KuvInLinkList of the copies: iterators keep their node, index-based
// operations walk from the first node. The text form is the root's.
//
//     // One pass of an in-place sort: no element is copied.
//     KuvInLinkListVal::iterator it = list.Begin(), next = it;
//     for (next.Next(); next.IsValid(); it.Next(), next.Next())
//       if (outOfOrder(*it.Get(), *next.Get())) it.SwapWithNext();
#pragma once

#include <cstdint>

#include "KuvInLinkList.h"
#include "KuvInOwningList.h"

class KUV_API KuvInLinkListVal : public kuv::detail::OwningList<KuvInLinkList, KuvInLinkListVal> {
  KUV_DECLARE_TYPE(KuvInLinkListVal)

public:
  explicit KuvInLinkListVal(KuvInObjectTypeClass* elementType = nullptr) : OwningList(elementType) {}
  // The copies of the elements from..to of other; an invalid range gives an
  // empty list.
  KuvInLinkListVal(const KuvInLinkListVal& other, std::int32_t from, std::int32_t to)
      : OwningList(other, from, to) {}
};
