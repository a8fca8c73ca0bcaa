#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "KuvInSetVal.h"
#include "KuvInfra/KuvInSetTestSupport.h"

using Values = std::vector<std::uint32_t>;

namespace {

// The table size of a set for a capacity, and its threshold.
std::uint32_t sizeFor(std::int32_t capacity, float loadFactor) {
  if (capacity < 1) capacity = 12;
  std::uint32_t size = 16;
  while (static_cast<float>(size) < std::ceil(static_cast<float>(capacity) / loadFactor)) size *= 2;
  return size;
}

std::int32_t thresholdOf(std::uint32_t size, float loadFactor) {
  return static_cast<std::int32_t>(std::floor(static_cast<float>(size) * loadFactor));
}

// Put into the model with the growth rule of the sets.
void modelPut(ChainModel& model, std::uint32_t value, float loadFactor) {
  model.insert(value);
  if (static_cast<std::int32_t>(model.size()) > thresholdOf(model.tableSize(), loadFactor))
    model.rebuild(model.tableSize() * 2);
}

}  // namespace

TEST(KuvInSetValOrder, NewestBucketFirstThenInsertionOrderWithinABucket) {
  // Values below 128 hash to value * 131^3 = value * 2248091, so in 16
  // buckets the index is value * 11 mod 16: 1 -> 11, 2 -> 6, 3 -> 1, 17 -> 11.
  EXPECT_EQ(holderHash(17), 17u * 2248091u);
  EXPECT_EQ(KuvInIntHolder(17).hash(), holderHash(17));
  EXPECT_EQ(KuvInIntHolder(200).hash(), holderHash(200));  // a negative byte
  KuvInSetVal set(KuvInIntHolder::sType());
  for (std::uint32_t v : {1u, 2u, 3u, 17u}) set.Put(KuvInIntHolder(v));
  EXPECT_EQ(valuesOf<KuvInIntHolder>(set), (Values{3, 2, 1, 17}));

  // Removing the only value of a bucket drops the bucket from the chain;
  // refilling it makes it the newest.
  set.Remove(KuvInIntHolder(2));
  set.Put(KuvInIntHolder(2));
  EXPECT_EQ(valuesOf<KuvInIntHolder>(set), (Values{2, 3, 1, 17}));
  set.Remove(KuvInIntHolder(1));
  EXPECT_EQ(valuesOf<KuvInIntHolder>(set), (Values{2, 3, 17}));
}

TEST(KuvInSetValOrder, GrowthReinsertsInTheOldIterationOrder) {
  // Enough values for two doublings (16 -> 32 -> 64), some sharing buckets.
  Values input;
  for (std::uint32_t v = 0; v < 40; ++v) input.push_back((v * 37u + 5u) % 300u);
  KuvInSetVal set(KuvInIntHolder::sType(), 0);
  ChainModel model(16);
  for (std::uint32_t v : input) {
    ASSERT_TRUE(set.Put(KuvInIntHolder(v)));
    modelPut(model, v, 0.75f);
    ASSERT_EQ(valuesOf<KuvInIntHolder>(set), model.order()) << "after " << v;
  }
  EXPECT_EQ(set.GetTableSize(), 64u);

  // A copy re-inserts in the source's order into a table sized for its count.
  KuvInSetVal copy(set);
  ChainModel copied(sizeFor(set.GetLength(), 0.75f));
  for (std::uint32_t v : model.order()) copied.insert(v);
  EXPECT_EQ(copy.GetTableSize(), copied.tableSize());
  EXPECT_EQ(valuesOf<KuvInIntHolder>(copy), copied.order());

  // SetMinCapacity rebuilds the same way, only when the table size changes.
  set.SetMinCapacity(200, 0.5f);
  model.rebuild(512);
  EXPECT_EQ(set.GetTableSize(), 512u);
  EXPECT_EQ(set.GetThreshold(), 256);
  EXPECT_EQ(valuesOf<KuvInIntHolder>(set), model.order());
  set.SetMinCapacity(1, 1.0f);  // max(1, count) = 40 -> 64 buckets
  model.rebuild(64);
  EXPECT_EQ(set.GetLoadFactor(), 1.0f);
  EXPECT_EQ(valuesOf<KuvInIntHolder>(set), model.order());
  set.SetMinCapacity(50, 0.9f);  // still 64: nothing changes, not even the load factor
  EXPECT_EQ(set.GetLoadFactor(), 1.0f);
  set.SetMinCapacity(0, 7.0f);  // out of range: the current load factor
  EXPECT_EQ(set.GetTableSize(), 64u);
}

TEST(KuvInSetVal, OwnsItsCopiesAndReleasesEachOnce) {
  int before = CountedSetValue::s_live;
  {
    KuvInSetVal set(CountedSetValue::sType());
    CountedSetValue five(5);
    EXPECT_TRUE(set.Put(five));
    EXPECT_FALSE(set.Put(CountedSetValue(5)));  // equal: no copy kept
    EXPECT_EQ(CountedSetValue::s_live, before + 2);
    EXPECT_NE(set.cBegin().Get(), &five);
    for (std::uint32_t i = 0; i < 30; ++i) set.Put(CountedSetValue(i));  // grows twice
    EXPECT_EQ(CountedSetValue::s_live, before + 1 + 30);
    EXPECT_TRUE(set.Remove(CountedSetValue(7)));
    EXPECT_TRUE(set.Remove(set.cBegin().Get()));  // the set's own copy
    EXPECT_EQ(CountedSetValue::s_live, before + 1 + 28);

    KuvInSetVal evens(CountedSetValue::sType());
    for (std::uint32_t i = 0; i < 40; i += 2) evens.Put(CountedSetValue(i));
    KuvInSetVal copy(set);
    EXPECT_EQ(CountedSetValue::s_live, before + 1 + 28 + 20 + 28);
    copy.Intersect(evens);
    EXPECT_EQ(copy.GetLength(), CountedSetValue::s_live - (before + 1 + 28 + 20));
    copy.Intersect(copy, set);  // aliasing: built aside
    copy.Intersect(evens, copy);
    EXPECT_TRUE(copy.IsIncludedIn(evens));
    copy.RemoveSet(copy);
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(CountedSetValue::s_live, before + 1 + 28 + 20);
    evens.Clear();
    EXPECT_EQ(CountedSetValue::s_live, before + 1 + 28);
    KuvInObjectVal& cloned = set.clone();
    EXPECT_EQ(CountedSetValue::s_live, before + 1 + 28 + 28);
    delete &cloned;
  }
  EXPECT_EQ(CountedSetValue::s_live, before);
}

TEST(KuvInSetVal, EqualityAndHashIgnoreOrder) {
  KuvInSetVal ab(KuvInIntHolder::sType()), ba(KuvInIntHolder::sType());  // 1 and 17 share a bucket
  ab.Put(KuvInIntHolder(1));
  ab.Put(KuvInIntHolder(17));
  ba.Put(KuvInIntHolder(17));
  ba.Put(KuvInIntHolder(1));
  EXPECT_NE(valuesOf<KuvInIntHolder>(ab), valuesOf<KuvInIntHolder>(ba));
  EXPECT_TRUE(ab == ba);
  EXPECT_TRUE(ab.equals(ba));
  EXPECT_EQ(ab.hash(), holderHash(1) ^ holderHash(17));
  EXPECT_EQ(ab.hash(), ba.hash());
  EXPECT_TRUE(ab.IsIntersect(ba));
  ba.Remove(KuvInIntHolder(1));
  EXPECT_TRUE(ab != ba);
  EXPECT_FALSE(ab.equals(KuvInIntHolder(1)));

  KuvInSetVal signedInts(KuvInSignedIntHolder::sType());
  EXPECT_FALSE(ab == signedInts);
  EXPECT_EQ(ab.badCastErr(), 1);
  EXPECT_FALSE(ab.Put(KuvInSignedIntHolder(3)));
  EXPECT_FALSE(ab.Put(nullptr));
  EXPECT_EQ(ab.GetLength(), 2);
  EXPECT_EQ(ab.toString().SearchSubString("KuvInSetVal:"), 0);  // the root's text
}

TEST(KuvInSetVal, IteratorsAndStatistics) {
  KuvInSetVal set(KuvInIntHolder::sType());
  KuvInSetVal::const_iterator empty = set.cBegin();
  EXPECT_FALSE(empty.IsValid());
  EXPECT_TRUE(empty.IsEnd());
  EXPECT_FALSE(empty.IsBegin());
  EXPECT_EQ(empty.Get(), nullptr);
  EXPECT_EQ(empty.GetGoToNext(), nullptr);
  EXPECT_EQ(empty.Next(), E_FAIL);

  std::int32_t count, threshold, longest;
  float loadFactor;
  std::uint32_t tableSize;
  double mean;
  set.GetStatistics(count, threshold, loadFactor, tableSize, mean, longest);
  EXPECT_TRUE(std::isnan(mean));
  EXPECT_EQ(longest, 0);

  for (std::uint32_t v : {1u, 2u, 17u, 33u}) set.Put(KuvInIntHolder(v));  // 1, 17, 33 share bucket 11
  set.GetStatistics(count, threshold, loadFactor, tableSize, mean, longest);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(threshold, 12);
  EXPECT_EQ(loadFactor, 0.75f);
  EXPECT_EQ(tableSize, 16u);
  EXPECT_DOUBLE_EQ(mean, 1.0);  // (2 + 0) / 2 buckets
  EXPECT_EQ(longest, 2);

  KuvInSetVal::const_iterator it = set.cBegin();
  EXPECT_TRUE(it.IsBegin());
  EXPECT_EQ(KuvInIntHolder::cast(*it.Get())->getValue(), 2u);
  EXPECT_EQ(it.Next(), S_OK);
  EXPECT_FALSE(it.IsBegin());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(it.Next(), S_OK);
  EXPECT_TRUE(it.IsEnd());
  EXPECT_EQ(it.Next(), E_FAIL);
}

// Random operations against std::set for the contents and the chain model
// for the order, with values that collide in buckets and bytes that are
// negative.
TEST(KuvInSetVal, AgreesWithStdSetAndTheChainModelOverRandomOperations) {
  std::mt19937 random(7);
  KuvInSetVal set(KuvInIntHolder::sType(), 0);
  std::set<std::uint32_t> contents;
  ChainModel model(16);
  float loadFactor = 0.75f;
  for (int step = 0; step < 2000; ++step) {
    std::uint32_t v = random() % 4 == 0 ? 128u + random() % 200u : random() % 120u;
    switch (random() % 12) {
      case 0: {
        auto capacity = static_cast<std::int32_t>(random() % 300);
        float factor = 0.25f * static_cast<float>(1 + random() % 6);
        std::uint32_t size = sizeFor(std::max(capacity, set.GetLength()), factor);
        set.SetMinCapacity(capacity, factor);
        if (size != model.tableSize()) {
          loadFactor = factor;
          model.rebuild(size);
        }
        break;
      }
      case 1:
        if (random() % 10 == 0) {
          set.Clear();
          contents.clear();
          model.clear(sizeFor(12, loadFactor));
        }
        break;
      case 2:
      case 3:
      case 4:
        EXPECT_EQ(set.Remove(KuvInIntHolder(v)), contents.erase(v) == 1);
        model.erase(v);
        break;
      case 5:
        EXPECT_EQ(set.Find(KuvInIntHolder(v)), contents.count(v) == 1);
        break;
      default:
        EXPECT_EQ(set.Put(KuvInIntHolder(v)), contents.insert(v).second);
        if (!model.contains(v)) modelPut(model, v, loadFactor);
    }
    ASSERT_EQ(set.GetTableSize(), model.tableSize()) << "step " << step;
    ASSERT_EQ(valuesOf<KuvInIntHolder>(set), model.order()) << "step " << step;
  }
  Values sorted = valuesOf<KuvInIntHolder>(set);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, Values(contents.begin(), contents.end()));
}
