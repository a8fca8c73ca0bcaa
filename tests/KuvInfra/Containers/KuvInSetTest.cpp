#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "KuvInSet.h"
#include "KuvInSetVal.h"
#include "KuvInfra/KuvInSetTestSupport.h"

KUV_DEFINE_TYPE(CountedSetValue, KuvInObjectVal)
KUV_DEFINE_TYPE(CollidingValue, KuvInObjectVal)

TEST(KuvInSetSizing, TableSizeAndThresholdFollowCapacityAndLoadFactor) {
  struct Case {
    std::int32_t capacity;
    float loadFactor;
    std::uint32_t tableSize;
    std::int32_t threshold;
    float usedLoadFactor;
  } cases[] = {
      {0, 0.75f, 16, 12, 0.75f},    // capacity below 1 counts as 12
      {-7, 0.75f, 16, 12, 0.75f},
      {12, 0.75f, 16, 12, 0.75f},   // 12 / 0.75 = 16 exactly
      {13, 0.75f, 32, 24, 0.75f},
      {5, 3.0f, 16, 12, 0.75f},     // out of range: 0.75
      {5, 2.0f, 16, 12, 0.75f},     // the bounds are excluded
      {100, 1.0f, 128, 128, 1.0f},
      {100, 0.5f, 256, 128, 0.5f},
      {1, 1.5f, 16, 24, 1.5f},
  };
  for (const Case& c : cases) {
    KuvInSet pointers(nullptr, c.capacity, c.loadFactor);
    KuvInSetVal values(nullptr, c.capacity, c.loadFactor);
    EXPECT_EQ(pointers.GetTableSize(), c.tableSize) << c.capacity << " " << c.loadFactor;
    EXPECT_EQ(pointers.GetThreshold(), c.threshold) << c.capacity << " " << c.loadFactor;
    EXPECT_EQ(pointers.GetLoadFactor(), c.usedLoadFactor);
    EXPECT_EQ(values.GetTableSize(), c.tableSize);
    EXPECT_EQ(values.GetThreshold(), c.threshold);
  }
}

TEST(KuvInSetSizing, ThirteenthPutDoublesTheTable) {
  std::vector<std::unique_ptr<CountedSetValue>> objects;
  KuvInSet pointers(nullptr, 0, 0.75f);
  KuvInSetVal values(nullptr, 0, 0.75f);
  for (std::uint32_t i = 0; i < 13; ++i) {
    EXPECT_EQ(pointers.GetTableSize(), 16u);
    EXPECT_EQ(values.GetTableSize(), 16u);
    objects.push_back(std::make_unique<CountedSetValue>(i));
    EXPECT_TRUE(pointers.Put(objects.back().get()));
    EXPECT_TRUE(values.Put(KuvInIntHolder(i)));
  }
  EXPECT_EQ(pointers.GetTableSize(), 32u);
  EXPECT_EQ(pointers.GetThreshold(), 24);
  EXPECT_EQ(values.GetTableSize(), 32u);
  EXPECT_EQ(values.GetThreshold(), 24);
  EXPECT_EQ(pointers.GetLength(), 13);
  for (const auto& object : objects) EXPECT_TRUE(pointers.Find(object.get()));
}

TEST(KuvInSet, IdentityIsThePointerAndNothingIsDestroyedButByDelete) {
  int before = CountedSetValue::s_live;
  auto* a = new CountedSetValue(1);
  auto* twin = new CountedSetValue(1);
  KuvInSet set(CountedSetValue::sType());
  EXPECT_TRUE(set.Put(a));
  EXPECT_FALSE(set.Put(a));
  EXPECT_TRUE(set.Put(twin));  // equal contents, another object
  EXPECT_EQ(set.GetLength(), 2);
  EXPECT_TRUE(set.Remove(twin));
  EXPECT_FALSE(set.Remove(twin));
  EXPECT_EQ(CountedSetValue::s_live, before + 2);
  EXPECT_FALSE(set.Delete(twin));  // absent: not destroyed
  EXPECT_TRUE(set.Delete(a));
  EXPECT_EQ(CountedSetValue::s_live, before + 1);
  delete twin;

  auto* heapSet = new KuvInSet(CountedSetValue::sType(), 40);
  for (std::uint32_t i = 0; i < 30; ++i) heapSet->Put(new CountedSetValue(i));
  heapSet->DeleteAll();
  EXPECT_EQ(CountedSetValue::s_live, before);
  EXPECT_TRUE(heapSet->IsEmpty());
  EXPECT_EQ(heapSet->GetTableSize(), 16u);  // reset as Clear does
  for (std::uint32_t i = 0; i < 3; ++i) heapSet->Put(new CountedSetValue(i));
  heapSet->DeleteAllAndThis();
  EXPECT_EQ(CountedSetValue::s_live, before);
}

TEST(KuvInSet, RefusedElementsChangeNothingAndSetTheFlag) {
  KuvInIntHolder one(1);
  KuvInSignedIntHolder minusOne(-1);
  KuvInSet set(KuvInIntHolder::sType());
  EXPECT_FALSE(set.Put(&minusOne));
  EXPECT_EQ(set.badCastErr(), 1);
  EXPECT_TRUE(set.Put(&one));
  EXPECT_EQ(set.badCastErr(), 0);
  EXPECT_FALSE(set.Put(nullptr));
  EXPECT_EQ(set.badCastErr(), 1);
  EXPECT_FALSE(set.Find(&minusOne));
  EXPECT_FALSE(set.Remove(nullptr));
  EXPECT_EQ(set.GetLength(), 1);

  KuvInSet strings(KuvInString::sType());
  EXPECT_EQ(set.PutSet(strings), E_FAIL);
  EXPECT_EQ(set.Intersect(strings), E_FAIL);
  EXPECT_FALSE(set == strings);
  EXPECT_EQ(set.badCastErr(), 1);
  EXPECT_EQ(set.GetLength(), 1);

  // A set of any object is compatible; its elements are still checked one by one.
  KuvInSet any;
  any.Put(&minusOne);
  EXPECT_EQ(set.PutSet(any), S_OK);
  EXPECT_EQ(set.badCastErr(), 1);
  EXPECT_EQ(set.GetLength(), 1);
  EXPECT_TRUE(set.IsTypeAccepted(KuvInIntHolder::sType()));
  EXPECT_FALSE(set.IsTypeAccepted(KuvInObjectVal::sType()));
}

TEST(KuvInSet, TextArrayHashAndEqualityFollowIterationOrder) {
  KuvInIntHolder one(1), two(2);
  KuvInSet set(KuvInIntHolder::sType());
  EXPECT_STREQ(set.toString().ConvertToChar(), "Set(0)[  ]");
  EXPECT_EQ(set.GetArray(), nullptr);
  set.Put(&one);
  set.Put(&two);

  KuvInObject** array = set.GetArray();
  std::vector<KuvInObject*> iterated;
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();) iterated.push_back(it.GetGoToNext());
  EXPECT_EQ(std::vector<KuvInObject*>(array, array + 2), iterated);
  delete[] array;
  std::string expected = std::string("Set(2)[ ") + iterated[0]->toString().ConvertToChar() + ", " +
                         iterated[1]->toString().ConvertToChar() + " ]";
  EXPECT_EQ(set.toString().ConvertToChar(), expected);

  KuvInIntHolder* p1 = &one;
  KuvInIntHolder* p2 = &two;
  EXPECT_EQ(set.hash(), set.BinHashFunc(&p1, 8) ^ set.BinHashFunc(&p2, 8));

  KuvInSet copy(set, 100, 0.5f);
  EXPECT_EQ(copy.GetTableSize(), 256u);
  EXPECT_TRUE(copy == set);
  EXPECT_TRUE(set.equals(copy));
  KuvInObjectVal& cloned = set.clone();
  EXPECT_TRUE(cloned.equals(set));
  delete &cloned;
  KuvInSetVal values;
  EXPECT_FALSE(set.equals(values));
  copy.Remove(&two);
  EXPECT_TRUE(copy != set);
  EXPECT_TRUE(copy.IsIncludedIn(set));
  EXPECT_FALSE(set.IsIncludedIn(copy));
}

// Pointer sets against std::set over random operations on a pool of objects.
TEST(KuvInSet, AgreesWithStdSetOverRandomOperations) {
  std::vector<std::unique_ptr<CountedSetValue>> pool;
  for (std::uint32_t i = 0; i < 48; ++i) pool.push_back(std::make_unique<CountedSetValue>(i % 8));
  std::mt19937 random(20240611);
  KuvInSet set(CountedSetValue::sType(), 0);
  std::set<KuvInObject*> model;
  for (int step = 0; step < 3000; ++step) {
    KuvInObject* object = pool[random() % pool.size()].get();
    switch (random() % 10) {
      case 0:
        set.SetMinCapacity(static_cast<std::int32_t>(random() % 80), 0.5f + static_cast<float>(random() % 4) / 4);
        break;
      case 1:
        if (random() % 20 == 0) {
          set.Clear();
          model.clear();
        }
        break;
      case 2:
      case 3:
        EXPECT_EQ(set.Remove(object), model.erase(object) == 1);
        break;
      case 4:
        EXPECT_EQ(set.Find(object), model.count(object) == 1);
        break;
      default:
        EXPECT_EQ(set.Put(object), model.insert(object).second);
    }
    ASSERT_EQ(set.GetLength(), static_cast<std::int32_t>(model.size()));
  }
  std::set<KuvInObject*> iterated;
  for (KuvInSet::const_iterator it = set.cBegin(); it.IsValid();) iterated.insert(it.GetGoToNext());
  EXPECT_EQ(iterated, model);
  KuvInSet copy(set);
  EXPECT_TRUE(copy == set);
}
