#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KuvInIntHolder.h"
#include "KuvInMap.h"
#include "KuvInMapVal.h"

namespace {

std::uint32_t key(const KuvInObjectVal* k) { return static_cast<const KuvInIntHolder*>(k)->getValue(); }
std::uint32_t val(const KuvInObject* v) { return static_cast<const KuvInIntHolder*>(v)->getValue(); }

template <class Map>
std::vector<std::uint32_t> keysInOrder(const Map& map) {
  std::vector<std::uint32_t> keys;
  for (auto it = map.cBegin(); !it.IsEnd(); it.Next()) keys.push_back(key(it.GetKey()));
  return keys;
}

// The byte hash of a KuvInIntHolder, computed from its definition.
std::uint32_t byteHash(std::uint32_t v) {
  std::uint32_t h = 0;
  for (int i = 0; i < 4; ++i)
    h = h * 131u + static_cast<std::uint32_t>(static_cast<signed char>(v >> (8 * i)));
  return h & 0x7FFFFFFFu;
}

}  // namespace

// Named, so that the type macros' members count as used.
namespace map_test {

// A value that counts its live instances, to see who owns what.
class Counted : public KuvInObjectVal {
  KUV_DECLARE_TYPE(Counted)

public:
  static int s_live;
  explicit Counted(int id) : m_id(id) { ++s_live; }
  Counted(const Counted& o) : KuvInObjectVal(o), m_id(o.m_id) { ++s_live; }
  ~Counted() override { --s_live; }
  std::uint32_t hash() const override { return static_cast<std::uint32_t>(m_id); }
  bool equals(const KuvInObjectVal& o) const override { return cast(o) != nullptr && cast(o)->m_id == m_id; }
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }

private:
  int m_id;
};
int Counted::s_live = 0;
KUV_DEFINE_TYPE(Counted, KuvInObjectVal)

}  // namespace map_test

namespace {

using map_test::Counted;

// Restores a channel's flags when the test ends, whatever happens.
struct FlagsGuard {
  KuvInTraceClass& channel;
  unsigned char saved = channel.getFlags();
  ~FlagsGuard() { channel.setFlags(saved); }
};

}  // namespace

TEST(KuvInMap, SizingRuleAndGrowthByDoubling) {
  struct Case {
    std::int32_t capacity;
    float loadFactor;
    std::uint32_t tableSize;
    std::int32_t threshold;
  } cases[] = {
      {8, 0.75f, 11, 8},      // the defaults: not rounded to a power of two
      {0, 0.75f, 11, 8},      // capacity below 2 becomes 8
      {8, 3.0f, 11, 8},       // load factor out of range becomes 0.75
      {100, 0.1f, 134, 100},  // 0.1 itself is out of range
      {16, 0.5f, 32, 16},    {10, 1.0f, 10, 10},
  };
  for (const Case& c : cases) {
    KuvInMapVal map(nullptr, nullptr, c.capacity, c.loadFactor);
    EXPECT_EQ(map.GetTableSize(), c.tableSize) << c.capacity << " " << c.loadFactor;
    EXPECT_EQ(map.GetThreshold(), c.threshold) << c.capacity << " " << c.loadFactor;
  }

  KuvInMap map(KuvInIntHolder::sType(), nullptr);
  EXPECT_EQ(map.GetTableSize(), 11u);
  EXPECT_EQ(map.GetThreshold(), 8);
  for (std::uint32_t k = 1; k <= 8; ++k) map.Put(KuvInIntHolder(k), nullptr);
  EXPECT_EQ(map.GetTableSize(), 11u);
  map.Put(KuvInIntHolder(9), nullptr);
  EXPECT_EQ(map.GetTableSize(), 22u);
  EXPECT_EQ(map.GetThreshold(), 16);
  for (std::uint32_t k = 10; k <= 17; ++k) map.Put(KuvInIntHolder(k), nullptr);
  EXPECT_EQ(map.GetTableSize(), 44u);
  EXPECT_EQ(map.GetThreshold(), 33);
  // Clear sizes for the current threshold, never back to the defaults.
  map.Clear();
  EXPECT_TRUE(map.IsEmpty());
  EXPECT_EQ(map.GetTableSize(), 44u);
}

TEST(KuvInMap, IterationOrderIsBucketIndexThenInsertion) {
  // Hashes of 1..9 and their buckets: 11 buckets mask with 10, 22 with 21.
  const std::uint32_t mask11[] = {10, 2, 0, 8, 2, 2, 8, 8, 2};
  const std::uint32_t mask22[] = {17, 20, 17, 4, 5, 0, 21, 16, 17};
  for (std::uint32_t k = 1; k <= 9; ++k) {
    EXPECT_EQ(KuvInIntHolder(k).hash(), byteHash(k));
    EXPECT_EQ(byteHash(k) & 10u, mask11[k - 1]);
    EXPECT_EQ(byteHash(k) & 21u, mask22[k - 1]);
  }

  KuvInMapVal map(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  for (std::uint32_t k = 1; k <= 8; ++k) map.Put(KuvInIntHolder(k), KuvInIntHolder(k));
  // Only buckets 0, 2, 8 and 10 are reachable with AND 10.
  EXPECT_EQ(keysInOrder(map), (std::vector<std::uint32_t>{3, 2, 5, 6, 4, 7, 8, 1}));

  // Growth re-puts in the old order (9 already in bucket 2), so 1 ends up
  // after 3 and 9 in the new bucket 17.
  map.Put(KuvInIntHolder(9), KuvInIntHolder(9));
  EXPECT_EQ(keysInOrder(map), (std::vector<std::uint32_t>{6, 4, 5, 8, 3, 9, 1, 2, 7}));

  // Re-putting a key keeps the count, replaces the value and moves the
  // entry to the end of its bucket.
  map.Put(KuvInIntHolder(3), KuvInIntHolder(33));
  EXPECT_EQ(map.GetLength(), 9);
  EXPECT_EQ(val(map.Get(KuvInIntHolder(3))), 33u);
  EXPECT_EQ(keysInOrder(map), (std::vector<std::uint32_t>{6, 4, 5, 8, 9, 1, 3, 2, 7}));

  // A copy has the same sizing, hence the same order.
  KuvInMapVal copy(map);
  EXPECT_EQ(keysInOrder(copy), keysInOrder(map));
  EXPECT_EQ(map.Remove(KuvInIntHolder(12345)), S_OK);
  EXPECT_EQ(map.GetLength(), 9);
}

TEST(KuvInMap, IteratorsAtBothEnds) {
  KuvInMap empty(nullptr, nullptr);
  auto e = empty.cBegin();
  EXPECT_TRUE(e.IsEnd());
  EXPECT_FALSE(e.IsBegin());
  EXPECT_EQ(e.Next(), E_FAIL);
  EXPECT_EQ(e.GetKeyGoToNext(), nullptr);
  EXPECT_EQ(empty.Begin().SetVal(nullptr), E_FAIL);

  KuvInIntHolder a(10), b(20);
  KuvInMap map(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  map.Put(KuvInIntHolder(1), &a);
  map.Put(KuvInIntHolder(2), &b);
  auto it = map.cBegin();
  EXPECT_TRUE(it.IsBegin());
  EXPECT_EQ(key(it.GetEntryGoToNext()->GetKey()), 2u);  // bucket 2 before bucket 10
  EXPECT_FALSE(it.IsBegin());
  EXPECT_EQ(it.GetValGoToNext(), &a);
  EXPECT_TRUE(it.IsEnd());

  auto m = map.Begin();
  EXPECT_EQ(m.SetVal(&a), S_OK);
  EXPECT_EQ(map.Get(KuvInIntHolder(2)), &a);
  KuvInSignedIntHolder wrong(3);
  testing::internal::CaptureStdout();
  EXPECT_EQ(m.SetVal(&wrong), E_FAIL);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("ERROR: typeValIsBad"), std::string::npos);
  EXPECT_EQ(map.badValCastErr(), 1);
  EXPECT_EQ(map.Get(KuvInIntHolder(2)), &a);
}

TEST(KuvInMap, RefusedKeysAndValuesAreTracedWhateverTheFlags) {
  KuvInTraceClass& channel = KuvInMap::traceChannel();
  FlagsGuard guard{channel};
  const std::string label = channel.getLabel();
  KuvInIntHolder good(1);
  KuvInSignedIntHolder bad(1);
  KuvInMap map(KuvInIntHolder::sType(), KuvInIntHolder::sType());

  channel.setFlags(0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(map.Put(bad, &good), E_FAIL);
  EXPECT_EQ(map.badKeyCastErr(), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), label + "ERROR: typeKeyIsBad => bad type error.\n");

  channel.setFlags(3);
  testing::internal::CaptureStdout();
  EXPECT_EQ(map.Put(good, &bad), E_FAIL);
  EXPECT_EQ(map.badKeyCastErr(), 0);
  EXPECT_EQ(map.badValCastErr(), 1);
  std::string expected;
  for (const char* line : {">>>> Put {", ": >>>> typeKeyIsBad {", ": }", ": >>>> typeValIsBad {",
                           ": : ERROR: typeValIsBad => bad type error.", ": }", "}"})
    expected += label + line + "\n";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
  EXPECT_TRUE(map.IsEmpty());

  // The value map reports nothing, even with calls on.
  FlagsGuard valGuard{KuvInMapVal::traceChannel()};
  KuvInMapVal::traceChannel().setFlags(3);
  KuvInMapVal values(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  testing::internal::CaptureStdout();
  EXPECT_EQ(values.Put(bad, good), E_FAIL);
  EXPECT_EQ(values.Put(good, bad), E_FAIL);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(values.badValCastErr(), 1);
}

TEST(KuvInMap, NullKeysAndValuesOnlyInUntypedMaps) {
  KuvInMap typed(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  testing::internal::CaptureStdout();
  EXPECT_EQ(typed.Put(KuvInIntHolder(1), nullptr), E_FAIL);
  EXPECT_EQ(typed.Put(nullptr, nullptr), E_FAIL);
  testing::internal::GetCapturedStdout();

  KuvInIntHolder five(5);
  KuvInMap map(nullptr, nullptr);
  EXPECT_EQ(map.Put(nullptr, &five), S_OK);
  EXPECT_EQ(map.Put(KuvInIntHolder(1), nullptr), S_OK);
  EXPECT_EQ(map.Get(nullptr), &five);
  EXPECT_TRUE(map.ContainsKey(KuvInIntHolder(1)));
  EXPECT_EQ(map.toString(), KuvInString("KuvInMap[2]\nNULL_KEY <=>5\n[1] <=>NULL_VALUE"));
}

TEST(KuvInMap, TextEqualityAndHash) {
  KuvInIntHolder v1(100), v2(200), v2twin(200);
  KuvInMap a(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  EXPECT_EQ(a.toString(), KuvInString("KuvInMap[0]"));
  a.Put(KuvInIntHolder(1), &v1);
  a.Put(KuvInIntHolder(2), &v2);
  EXPECT_EQ(a.toString(), KuvInString("KuvInMap[2]\n[2] <=>200\n[1] <=>100"));

  KuvInMap b(KuvInIntHolder::sType(), nullptr);  // compatible types
  b.Put(KuvInIntHolder(2), &v2);
  b.Put(KuvInIntHolder(1), &v1);
  EXPECT_TRUE(a == b);
  EXPECT_TRUE(a.equals(b));
  EXPECT_EQ(a.hash(), b.hash());
  b.Put(KuvInIntHolder(2), &v2twin);  // equal contents, another object
  EXPECT_FALSE(a == b);

  const std::unique_ptr<KuvInObjectVal> clone(&a.clone());
  EXPECT_TRUE(a.equals(*clone));
  EXPECT_FALSE(a.equals(v1));

  KuvInMap strings(KuvInString::sType(), nullptr);
  EXPECT_FALSE(a == strings);
  EXPECT_EQ(a.badKeyCastErr(), 1);
  strings = a;  // refused: nothing changes
  EXPECT_TRUE(strings.IsEmpty());

  KuvInMapVal va(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  KuvInMapVal vb(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  va.Put(KuvInIntHolder(1), KuvInIntHolder(200));
  vb.Put(KuvInIntHolder(1), v2twin);
  EXPECT_TRUE(va == vb);  // values compare by equals
  EXPECT_EQ(va.hash(), KuvInIntHolder(1).hash() ^ v2.hash());
  EXPECT_EQ(va.toString(), KuvInString("KuvInMapVal[1]\n[1] <=>200"));
  EXPECT_FALSE(va.ContainsValue(&v2twin));  // only the map's own copy is found
  EXPECT_TRUE(va.ContainsValue(va.Get(KuvInIntHolder(1))));
}

TEST(KuvInMap, OwnershipOfKeysAndValues) {
  {
    KuvInMapVal map(Counted::sType(), Counted::sType());
    map.Put(Counted(1), Counted(10));
    map.Put(Counted(2), Counted(20));
    EXPECT_EQ(Counted::s_live, 4);  // key and value copies
    // Re-put with the map's own value: copied before the old entry goes.
    map.Put(Counted(1), *map.Get(Counted(1)));
    auto it = map.Begin();
    it.SetVal(it.GetVal());
    EXPECT_EQ(Counted::s_live, 4);
    map.Remove(Counted(2));
    EXPECT_EQ(Counted::s_live, 2);
    KuvInMapVal copy(map);
    copy = map;
    EXPECT_EQ(Counted::s_live, 4);
  }
  EXPECT_EQ(Counted::s_live, 0);

  {
    KuvInMap map(Counted::sType(), Counted::sType());
    auto* v1 = new Counted(10);
    auto* v2 = new Counted(20);
    map.Put(Counted(1), v1);
    map.Put(Counted(2), v1);  // two keys share a value
    map.Put(Counted(3), v2);
    EXPECT_EQ(Counted::s_live, 5);  // key copies only
    // Re-put with the entry's own key copy, then remove: values stay.
    map.Put(*map.cBegin().GetKey(), v1);
    map.Remove(Counted(3));
    EXPECT_EQ(Counted::s_live, 4);
    map.Delete(Counted(99));
    EXPECT_EQ(Counted::s_live, 4);
    map.Put(Counted(3), v2);
    map.Delete(Counted(3));
    EXPECT_EQ(Counted::s_live, 3);
    map.DeleteAll();  // the shared value is destroyed once
    EXPECT_EQ(Counted::s_live, 0);
    EXPECT_TRUE(map.IsEmpty());
  }
}

TEST(KuvInMap, AgreesWithStdMapOverRandomOperations) {
  std::mt19937 rng(20240611);
  std::vector<KuvInIntHolder> values;
  for (std::uint32_t v = 0; v < 16; ++v) values.emplace_back(v);
  KuvInMapVal byValue(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  KuvInMap byPointer(KuvInIntHolder::sType(), KuvInIntHolder::sType(), 2, 1.5f);
  std::map<std::uint32_t, std::uint32_t> model;

  for (int step = 0; step < 3000; ++step) {
    const std::uint32_t k = rng() % 96;
    const std::uint32_t v = rng() % 16;
    const std::uint32_t op = rng() % 8;
    if (op < 4) {
      ASSERT_EQ(byValue.Put(KuvInIntHolder(k), values[v]), S_OK);
      ASSERT_EQ(byPointer.Put(KuvInIntHolder(k), &values[v]), S_OK);
      model[k] = v;
    } else if (op < 7) {
      byValue.Remove(KuvInIntHolder(k));
      byPointer.Remove(KuvInIntHolder(k));
      model.erase(k);
    } else {
      const auto found = model.find(k);
      ASSERT_EQ(byValue.ContainsKey(KuvInIntHolder(k)), found != model.end());
      ASSERT_EQ(byPointer.Get(KuvInIntHolder(k)), found != model.end() ? &values[found->second] : nullptr);
    }
    if (step % 1000 == 999) {
      byValue.Clear();
      byPointer.Clear();
      model.clear();
    }
    ASSERT_EQ(byValue.GetLength(), static_cast<std::int32_t>(model.size()));
    ASSERT_EQ(byPointer.GetLength(), static_cast<std::int32_t>(model.size()));
    if (step % 50 != 0) continue;

    // Contents agree, and the order is by bucket index.
    std::map<std::uint32_t, std::uint32_t> seen;
    std::uint32_t lastBucket = 0;
    const std::uint32_t mask = byValue.GetTableSize() - 1;
    for (auto it = byValue.cBegin(); !it.IsEnd(); it.Next()) {
      const std::uint32_t bucket = it.GetKey()->hash() & mask;
      ASSERT_GE(bucket, lastBucket);
      lastBucket = bucket;
      seen[key(it.GetKey())] = val(it.GetVal());
    }
    ASSERT_EQ(seen, model);
  }
}
