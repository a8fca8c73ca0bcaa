// The list family's test elements: counted values (see kuv_test::CountedValue),
// so that tests can prove value lists destroy each copy exactly once.
#pragma once

#include "support/KuvTestSupport.h"

using kuv_test::CountedValue;

// The value of an element handed out by any of the four lists.
inline int valueOf(const KuvInObject* element) { return CountedValue::cast(*element)->value(); }

template <class L>
inline constexpr bool kOwnsCopies = std::is_same_v<L, KuvInListVal> || std::is_same_v<L, KuvInLinkListVal>;

// What InsertArray takes: the objects themselves, or the values to copy.
template <class L>
using ElementPtr = std::conditional_t<kOwnsCopies<L>, const KuvInObjectVal*, KuvInObject*>;

// Releases what PopBack / PopFront handed over: value lists give up a copy.
template <class L>
void releasePopped(KuvInObject* element) {
  if constexpr (kOwnsCopies<L>) delete element;
}

// One object per value 0..n-1: pointer lists hold these, value lists copy
// them, so value and identity go together in both.
class ValuePool {
public:
  explicit ValuePool(int n) {
    for (int v = 0; v < n; ++v) m_objects.push_back(std::make_unique<CountedValue>(v));
  }
  CountedValue* operator[](int v) const { return m_objects[v].get(); }

private:
  std::vector<std::unique_ptr<CountedValue>> m_objects;
};

// The values of a list, walked forwards and backwards with const iterators.
template <class L>
std::vector<int> forwardValues(const L& list) {
  std::vector<int> values;
  for (typename L::const_iterator it = list.cBegin(); it.IsValid();)
    values.push_back(valueOf(it.GetGoToNext()));
  return values;
}

template <class L>
std::vector<int> backwardValues(const L& list) {
  std::vector<int> values;
  for (typename L::const_iterator it = list.cLast(); it.IsValid();)
    values.insert(values.begin(), valueOf(it.GetGoToPrev()));
  return values;
}
