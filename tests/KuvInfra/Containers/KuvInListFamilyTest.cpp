// Behaviours shared by the four lists, pinned once for all of them.
#include "support/KuvTestSupport.h"

#include "KuvInfra/KuvInListTestSupport.h"

namespace {

template <class L>
class ListFamily : public ::testing::Test {};
using AllLists = ::testing::Types<KuvInList, KuvInListVal, KuvInLinkList, KuvInLinkListVal>;
TYPED_TEST_SUITE(ListFamily, AllLists);

template <class L>
void fill(L& list, const ValuePool& pool, const std::vector<int>& values) {
  for (int v : values) list.PutBack(pool[v]);
}

TYPED_TEST(ListFamily, IteratorsStopOneBeyondEachEndAndEmptyListsHaveNoPosition) {
  ValuePool pool(9);
  TypeParam empty(CountedValue::sType()), list(CountedValue::sType());
  typename TypeParam::iterator none = empty.Begin();
  EXPECT_EQ(none.GetIndex(), -2);
  EXPECT_EQ(empty.cLast().GetIndex(), -2);
  EXPECT_TRUE(!none.IsValid() && none.IsEnd());
  EXPECT_EQ(none.Next(), E_FAIL);
  EXPECT_EQ(none.Prev(), E_FAIL);
  EXPECT_EQ(none.GetGoToNext(), nullptr);
  EXPECT_EQ(none.SwapWithNext(), E_FAIL);
  EXPECT_EQ(none.GetIndex(), -2);
  // Inserting through it lands at 0 and leaves it after the new element.
  EXPECT_EQ(none.Insert(pool[0]), S_OK);
  EXPECT_EQ(none.GetIndex(), 1);
  EXPECT_TRUE(none.IsEnd());

  fill(list, pool, {0, 1, 2});
  typename TypeParam::const_iterator it = list.cBegin();
  EXPECT_TRUE(it.IsBegin());
  EXPECT_EQ(it.Prev(), S_OK);
  EXPECT_EQ(it.GetIndex(), -1);
  EXPECT_EQ(it.Prev(), E_FAIL);
  EXPECT_EQ(it.Get(), nullptr);
  EXPECT_EQ(it.Next(), S_OK);
  EXPECT_EQ(valueOf(it.GetGoToNext()), 0);
  EXPECT_EQ(valueOf(it.GetGoToNext()), 1);
  EXPECT_TRUE(it.IsLast() && it == list.cLast());
  EXPECT_EQ(it.Next(), S_OK);
  EXPECT_EQ(it.GetIndex(), 3);
  EXPECT_EQ(it.Next(), E_FAIL);
  EXPECT_EQ(it.GetGoToPrev(), nullptr);
  EXPECT_EQ(it.Prev(), S_OK);
  EXPECT_EQ(valueOf(it.GetGoToPrev()), 2);
  EXPECT_EQ(it.GetIndex(), 1);

  // Inserting a list or removing keeps an iterator on its element (the
  // random test below covers the other iterator edits).
  TypeParam pair(CountedValue::sType());
  fill(pair, pool, {7, 8});
  typename TypeParam::iterator at = list.Begin();
  at.Next();
  EXPECT_EQ(at.InsertList(pair), S_OK);
  EXPECT_EQ(at.GetIndex(), 3);
  EXPECT_EQ(valueOf(at.Get()), 1);
  EXPECT_EQ(at.RemoveGoToPrev(), S_OK);
  EXPECT_EQ(valueOf(at.Get()), 8);
  EXPECT_EQ(forwardValues(list), (std::vector<int>{0, 7, 8, 2}));
}

// InsertArray checks every element before inserting any (positions are the
// random test's).
TYPED_TEST(ListFamily, RefusedElementsSetTheFlagAndChangeNothing) {
  using P = ElementPtr<TypeParam>;
  ValuePool pool(3);
  KuvInIntHolder stranger(1);
  TypeParam list(CountedValue::sType()), untyped(nullptr), holders(KuvInIntHolder::sType());
  list.PutBack(&stranger);
  EXPECT_EQ(list.GetLength(), 0);
  EXPECT_EQ(list.badCastErr(), 1);
  list.PutBack(pool[0]);
  EXPECT_EQ(list.badCastErr(), 0);
  P good[] = {pool[1], pool[2]};
  P withNull[] = {pool[1], nullptr};
  P withStranger[] = {pool[1], &stranger};
  struct Case { int at; const P* array; int n; HRESULT expected; unsigned char flag; } cases[] = {
      {0, nullptr, 0, S_OK, 0},     {0, nullptr, 1, E_FAIL, 0},        {0, good, -1, E_FAIL, 0},
      {0, withNull, 2, E_FAIL, 0}, {1, withStranger, 2, E_FAIL, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(list.InsertArray(c.at, c.array, c.n), c.expected);
    EXPECT_EQ(list.badCastErr(), c.flag);
    EXPECT_EQ(forwardValues(list), std::vector<int>{0});
  }
  EXPECT_EQ(list.Set(0, &stranger), E_FAIL);
  EXPECT_EQ(list.Find(&stranger), -1);
  EXPECT_EQ(list.badCastErr(), 1);
  EXPECT_EQ(list.PutBackList(holders), E_FAIL);
  EXPECT_FALSE(list == holders);
  EXPECT_EQ(list.badCastErr(), 1);

  // An untyped list takes anything, so it cannot be assigned to a typed one.
  untyped.PutBack(&stranger);
  list = untyped;
  EXPECT_EQ(list.badCastErr(), 1);
  EXPECT_EQ(forwardValues(list), std::vector<int>{0});
  // A range of it is checked element by element.
  untyped.PutBack(pool[0]);
  EXPECT_EQ(list.InsertListRange(0, untyped, 0, 2), E_FAIL);
  EXPECT_EQ(list.badCastErr(), 1);
  EXPECT_EQ(list.InsertListRange(0, untyped, 1, 2), S_OK);
  EXPECT_EQ(forwardValues(list), (std::vector<int>{0, 0}));
  untyped = list;
  EXPECT_EQ(untyped.badCastErr(), 0);
  EXPECT_TRUE(untyped == list);
  EXPECT_EQ(untyped.GetElementType(), nullptr);
  EXPECT_EQ(list.InsertArray(1, good, 2), S_OK);
  EXPECT_EQ(list.badCastErr(), 0);
  EXPECT_EQ(forwardValues(list), (std::vector<int>{0, 1, 2, 0}));
}

TYPED_TEST(ListFamily, EqualityIsIdentityForPointersAndEqualsForValues) {
  ValuePool a(2), b(2);
  TypeParam x(CountedValue::sType()), y(CountedValue::sType()), reversed(CountedValue::sType());
  fill(x, a, {0, 1});
  fill(y, b, {0, 1});
  fill(reversed, a, {1, 0});
  EXPECT_EQ(x == y, kOwnsCopies<TypeParam>);
  EXPECT_EQ(x.equals(y), kOwnsCopies<TypeParam>);
  EXPECT_FALSE(x == reversed);
  EXPECT_EQ(x.hash(), reversed.hash());

  std::unique_ptr<KuvInObjectVal> clone(&x.clone());
  EXPECT_EQ(clone->dType(), TypeParam::sType());
  EXPECT_TRUE(x.equals(*clone));
  EXPECT_EQ(x.hash(), clone->hash());
  EXPECT_FALSE(x.equals(KuvInIntHolder(0)));

  if constexpr (!kOwnsCopies<TypeParam>) {
    // A pointer list's hash stops at its first null element.
    TypeParam withNull(CountedValue::sType()), prefix(CountedValue::sType());
    fill(withNull, a, {0});
    EXPECT_EQ(withNull.PutBack(nullptr), S_OK);
    fill(withNull, a, {1});
    fill(prefix, a, {0});
    KuvInObject* first = a[0];
    EXPECT_EQ(withNull.hash(), KuvInObjectVal::ComputeBinHash(&first, sizeof first));
    EXPECT_EQ(withNull.hash(), prefix.hash());
    EXPECT_EQ(withNull.Find(nullptr), 1);
  }
}

// Pointer lists destroy elements in the Delete operations alone; value lists
// destroy each copy exactly once (the random test below counts copies after
// every other edit).
TYPED_TEST(ListFamily, OwnershipOfElements) {
  const int live = CountedValue::live();
  if constexpr (!kOwnsCopies<TypeParam>) {
    std::unique_ptr<KuvInObject> removed(new CountedValue(0));
    TypeParam list(CountedValue::sType());
    list.PutBack(removed.get());
    for (int v = 1; v <= 4; ++v) list.PutBack(new CountedValue(v));
    EXPECT_EQ(list.Remove(0), S_OK);
    std::unique_ptr<KuvInObject> popped(list.PopFront());
    EXPECT_EQ(valueOf(popped.get()), 1);
    EXPECT_EQ(CountedValue::live(), live + 5);

    EXPECT_EQ(list.Delete(0), S_OK);
    EXPECT_EQ(CountedValue::live(), live + 4);
    typename TypeParam::iterator it = list.Begin();
    EXPECT_EQ(it.DeleteGoToNext(), S_OK);
    EXPECT_EQ(valueOf(it.Get()), 4);
    list.PutBack(new CountedValue(5));
    EXPECT_EQ(list.DeleteRange(0, 1), S_OK);
    EXPECT_EQ(CountedValue::live(), live + 3);
    list.DeleteAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(CountedValue::live(), live + 2);

    auto* heap = new TypeParam(CountedValue::sType());
    heap->PutBack(new CountedValue(6));
    heap->DeleteAllAndThis();
    EXPECT_EQ(CountedValue::live(), live + 2);
  } else {
    {
      CountedValue zero(0), one(1);
      TypeParam list(CountedValue::sType());
      KuvInObjectVal* stored = list.PutBack(zero);
      EXPECT_EQ(stored, list.Get(0));
      list.PutBack(one);
      // A copy set over itself must be copied before the old one goes.
      EXPECT_EQ(list.Set(1, *list.Get(1)), S_OK);
      EXPECT_EQ(forwardValues(list), (std::vector<int>{0, 1}));
      auto* heap = new TypeParam(CountedValue::sType());
      heap->PutBack(one);
      heap->DeleteAllAndThis();
    }
    EXPECT_EQ(CountedValue::live(), live);
  }
}

// Each list against a std::vector over a random sequence of operations,
// valid and invalid, including self-insertion, iterator edits and sizing. Value
// lists must also hold exactly one live copy per element.
TYPED_TEST(ListFamily, AgreesWithAVectorOverRandomOperations) {
  using P = ElementPtr<TypeParam>;
  constexpr int kValues = 10;
  ValuePool pool(kValues);
  const int live = CountedValue::live();
  TypeParam list(CountedValue::sType());
  std::vector<int> model;
  std::mt19937 rng(20240611);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto slice = [&model](int from, int to) {
    return std::vector<int>(model.begin() + from, model.begin() + to);
  };

  for (int step = 0; step < 1500; ++step) {
    const int len = static_cast<int>(model.size());
    const int v = pick(0, kValues - 1);
    const int i = pick(-1, len + 1);
    const int j = pick(-1, len + 1);
    const bool atOk = 0 <= i && i <= len;
    const bool indexOk = 0 <= i && i < len;
    const bool rangeOk = 0 <= i && i < j && j <= len;
    int op = pick(0, 14);
    if (len > 40 && op < 6) op = 7;  // keep lists short: insertions become range removals
    SCOPED_TRACE(testing::Message() << "step " << step << " op " << op << " i " << i << " j " << j);

    switch (op) {
      case 0:
        list.PutBack(pool[v]);
        model.push_back(v);
        break;
      case 1:
        EXPECT_EQ(list.PutFront(pool[v]), S_OK);
        model.insert(model.begin(), v);
        break;
      case 2:
        EXPECT_EQ(list.Insert(i, pool[v]), atOk ? S_OK : E_FAIL);
        if (atOk) model.insert(model.begin() + i, v);
        break;
      case 3: {
        std::vector<P> array;
        std::vector<int> values;
        for (int k = pick(0, 3); k > 0; --k) {
          values.push_back(pick(0, kValues - 1));
          array.push_back(pool[values.back()]);
        }
        EXPECT_EQ(list.InsertArray(i, array.data(), static_cast<int>(array.size())), atOk ? S_OK : E_FAIL);
        if (atOk) model.insert(model.begin() + i, values.begin(), values.end());
        break;
      }
      case 4: {
        const int from = pick(-1, len), to = pick(0, len + 1);
        const bool ok = atOk && 0 <= from && from < to && to <= len;
        EXPECT_EQ(list.InsertListRange(i, list, from, to), ok ? S_OK : E_FAIL);
        if (ok) {
          std::vector<int> part = slice(from, to);
          model.insert(model.begin() + i, part.begin(), part.end());
        }
        break;
      }
      case 5: {
        if (len > 20) break;
        std::vector<int> copy = model;
        if (v % 2 == 0) {
          EXPECT_EQ(list.PutBackList(list), S_OK);
          model.insert(model.end(), copy.begin(), copy.end());
        } else {
          EXPECT_EQ(list.PutFrontList(list), S_OK);
          model.insert(model.begin(), copy.begin(), copy.end());
        }
        break;
      }
      case 6:
        EXPECT_EQ(list.Set(i, pool[v]), indexOk ? S_OK : E_FAIL);
        if (indexOk) model[i] = v;
        break;
      case 7:
        EXPECT_EQ(list.RemoveRange(i, j), rangeOk ? S_OK : E_FAIL);
        if (rangeOk) model.erase(model.begin() + i, model.begin() + j);
        break;
      case 8:
        EXPECT_EQ(list.Remove(i), indexOk ? S_OK : E_FAIL);
        if (indexOk) model.erase(model.begin() + i);
        break;
      case 9: {
        KuvInObject* popped = v % 2 == 0 ? list.PopBack() : list.PopFront();
        if (len == 0) {
          EXPECT_EQ(popped, nullptr);
          break;
        }
        EXPECT_EQ(valueOf(popped), v % 2 == 0 ? model.back() : model.front());
        releasePopped<TypeParam>(popped);
        if (v % 2 == 0)
          model.pop_back();
        else
          model.erase(model.begin());
        break;
      }
      case 10: {
        int expected = -1;
        if (indexOk) {
          auto found = std::find(model.begin() + i, model.end(), v);
          if (found != model.end()) expected = static_cast<int>(found - model.begin());
        }
        EXPECT_EQ(list.Find(pool[v], i), expected);
        break;
      }
      case 11: {
        const int at = pick(0, len);
        typename TypeParam::iterator it = list.Begin();
        for (int k = 0; k < at; ++k) it.Next();
        switch (v % 4) {
          case 0:
            EXPECT_EQ(it.Insert(pool[v]), S_OK);
            EXPECT_EQ(it.GetIndex(), at + 1);
            model.insert(model.begin() + at, v);
            break;
          case 1:
            EXPECT_EQ(it.RemoveGoToNext(), at < len ? S_OK : E_FAIL);
            if (at < len) model.erase(model.begin() + at);
            break;
          case 2:
            EXPECT_EQ(it.SwapWithNext(), at < len - 1 ? S_OK : E_FAIL);
            if (at < len - 1) std::swap(model[at], model[at + 1]);
            break;
          default:
            EXPECT_EQ(it.Set(pool[v]), at < len ? S_OK : E_FAIL);
            if (at < len) model[at] = v;
        }
        break;
      }
      case 12: {
        TypeParam copy(list), part(list, i, j);
        EXPECT_TRUE(copy == list);
        EXPECT_EQ(forwardValues(part), rangeOk ? slice(i, j) : std::vector<int>{});
        part = list;
        EXPECT_TRUE(part == list);
        break;
      }
      case 13:
        list.SetCapacity(pick(0, 2 * len));  // changes no element, and nothing in a link list
        break;
      default:
        if (v == 0) {
          list.Clear();
          model.clear();
        }
    }

    ASSERT_EQ(list.GetLength(), static_cast<int>(model.size()));
    ASSERT_EQ(forwardValues(list), model);
    ASSERT_EQ(backwardValues(list), model);
    ASSERT_EQ(list.Get(list.GetLength()), nullptr);
    // Index reads in turn after each edit: link lists answer them from a cursor.
    for (int k = 0; k < list.GetLength(); ++k) ASSERT_EQ(valueOf(list.Get(k)), model[k]);
    ASSERT_EQ(CountedValue::live(), live + (kOwnsCopies<TypeParam> ? static_cast<int>(model.size()) : 0));
  }
}

}  // namespace
