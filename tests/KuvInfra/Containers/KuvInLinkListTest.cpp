// The link lists: what differs from the array lists, and the in-place sort
// that string utilities build on the iterators.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "KuvInfra/KuvInListTestSupport.h"

namespace {

TEST(KuvInLinkList, KeepsTheRootTextAndHasNothingToSize) {
  ValuePool pool(2);
  KuvInLinkList pointers(CountedValue::sType());
  KuvInLinkListVal values(CountedValue::sType());
  for (int v : {0, 1}) {
    pointers.PutBack(pool[v]);
    values.PutBack(pool[v]);
  }
  pointers.SetCapacity(100);
  values.SetCapacity(0);
  EXPECT_EQ(forwardValues(pointers), (std::vector<int>{0, 1}));
  EXPECT_EQ(forwardValues(values), (std::vector<int>{0, 1}));
  EXPECT_EQ(std::string(pointers.toString().ConvertToChar()).rfind("KuvInLinkList:", 0), 0u);
  EXPECT_EQ(std::string(values.toString().ConvertToChar()).rfind("KuvInLinkListVal:", 0), 0u);
}

// Splitting fills a value list from text; sorting then swaps neighbours in
// place, moving the list's own copies rather than making new ones.
TEST(KuvInLinkListVal, SortsInPlaceBySwappingNeighbours) {
  KuvInLinkListVal words(KuvInString::sType());
  for (const char* w : {"pear", "apple", "fig", "banana", "apple"}) ASSERT_NE(words.PutBack(KuvInString(w)), nullptr);
  std::set<const KuvInObject*> copies;
  for (KuvInLinkListVal::const_iterator it = words.cBegin(); it.IsValid();) copies.insert(it.GetGoToNext());

  for (bool swapped = true; swapped;) {
    swapped = false;
    KuvInLinkListVal::iterator it = words.Begin(), next = it;
    for (next.Next(); next.IsValid(); it.Next(), next.Next())
      if (*KuvInString::cast(*next.Get()) < *KuvInString::cast(*it.Get())) swapped = it.SwapWithNext() == S_OK;
  }

  std::vector<std::string> sorted;
  for (KuvInLinkListVal::const_iterator it = words.cBegin(); it.IsValid(); it.Next()) {
    EXPECT_EQ(copies.count(it.Get()), 1u);
    sorted.emplace_back(KuvInString::cast(*it.Get())->ConvertToChar());
  }
  EXPECT_EQ(sorted, (std::vector<std::string>{"apple", "apple", "banana", "fig", "pear"}));
  EXPECT_EQ(words.Find(KuvInString("fig")), 3);
  EXPECT_EQ(words.Find(KuvInString("apple"), 2), -1);
}

}  // namespace
