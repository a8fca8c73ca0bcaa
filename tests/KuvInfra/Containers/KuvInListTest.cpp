// The array lists' capacity arithmetic (their text is pinned by the range
// lists' exact texts).
#include "support/KuvTestSupport.h"

#include "KuvInfra/KuvInListTestSupport.h"

namespace {

template <class L>
class ArrayLists : public ::testing::Test {};
using ArrayListTypes = ::testing::Types<KuvInList, KuvInListVal>;
TYPED_TEST_SUITE(ArrayLists, ArrayListTypes);

enum class Op {
  PutBack, PutFront, InsertArray, PutBackList, SetCapacity, CopyOf, AssignFrom, RemoveAll, Clear
};

TYPED_TEST(ArrayLists, CapacityFollowsTheGrowthRules) {
  using P = ElementPtr<TypeParam>;
  ValuePool pool(1);
  const std::vector<P> twelve(12, pool[0]);
  // length and capacity: the list before the operation.
  struct Case { int length, capacity; Op op; int n; int expected; } cases[] = {
      {0, 0, Op::PutBack, 0, 4},       {3, 4, Op::PutBack, 0, 4},        {4, 4, Op::PutBack, 0, 8},
      {8, 8, Op::PutFront, 0, 16},     {0, 0, Op::InsertArray, 4, 4},    {0, 0, Op::InsertArray, 5, 5},
      {2, 4, Op::InsertArray, 1, 4},   {3, 4, Op::InsertArray, 1, 8},    {1, 4, Op::InsertArray, 10, 11},
      {0, 0, Op::InsertArray, 0, 0},   {3, 4, Op::PutBackList, 3, 8},    {5, 8, Op::SetCapacity, 3, 8},
      {5, 8, Op::SetCapacity, 6, 6},   {0, 8, Op::SetCapacity, 0, 0},    {5, 8, Op::CopyOf, 0, 5},
      {1, 8, Op::AssignFrom, 3, 4},    {1, 8, Op::AssignFrom, 6, 6},     {5, 8, Op::RemoveAll, 0, 8},
      {5, 8, Op::Clear, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    TypeParam list(CountedValue::sType()), other(CountedValue::sType());
    list.SetCapacity(c.capacity);
    for (int k = 0; k < c.length; ++k) list.PutBack(pool[0]);
    ASSERT_EQ(list.GetCapacity(), c.capacity);
    for (int k = 0; k < c.n; ++k) other.PutBack(pool[0]);
    switch (c.op) {
      case Op::PutBack: list.PutBack(pool[0]); break;
      case Op::PutFront: list.PutFront(pool[0]); break;
      case Op::InsertArray: list.InsertArray(0, twelve.data(), c.n); break;
      case Op::PutBackList: list.PutBackList(other); break;
      case Op::SetCapacity: list.SetCapacity(c.n); break;
      case Op::CopyOf: EXPECT_EQ(TypeParam(list).GetCapacity(), c.expected); continue;
      case Op::AssignFrom: list = other; break;
      case Op::RemoveAll:  // removal keeps the array
        EXPECT_EQ(list.RemoveRange(0, 4), S_OK);
        releasePopped<TypeParam>(list.PopBack());
        EXPECT_TRUE(list.IsEmpty());
        break;
      case Op::Clear: list.Clear(); break;
    }
    EXPECT_EQ(list.GetCapacity(), c.expected);
  }
}

}  // namespace
