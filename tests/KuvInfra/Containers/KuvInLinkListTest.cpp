// What the link lists do differently from the array lists: they have nothing
// to size (their in-place swaps are pinned by the string-list sort).
#include <gtest/gtest.h>

#include <vector>

#include "KuvInfra/KuvInListTestSupport.h"

namespace {

TEST(KuvInLinkList, HasNothingToSize) {
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
}

}  // namespace
