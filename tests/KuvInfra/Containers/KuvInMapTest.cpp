#include "KuvInfra/KuvInSetTestSupport.h"
#include "support/KuvTestSupport.h"

namespace {

using Keys = std::vector<std::uint32_t>;

// Holders that outlive every map, so that both maps take them by pointer.
KuvInIntHolder* h(std::uint32_t v) {
  static std::map<std::uint32_t, KuvInIntHolder> pool;
  return &pool.try_emplace(v, v).first->second;
}
std::uint32_t valueOf(const KuvInObject* holder) {
  return holder != nullptr ? static_cast<const KuvInIntHolder*>(holder)->getValue() : 999;
}
template <class Map>
Keys keysOf(const Map& map) {
  Keys keys;
  for (auto it = map.cBegin(); !it.IsEnd();) keys.push_back(valueOf(it.GetKeyGoToNext()));
  return keys;
}

template <class Map>
struct HashMapTest : testing::Test {
  // KuvInMapVal copies the values; KuvInMap holds the pointers.
  static constexpr bool kCopies = std::is_same_v<Map, KuvInMapVal>;
  static KuvInString named(const std::string& text) {
    return KuvInString(((kCopies ? "KuvInMapVal" : "KuvInMap") + text).c_str());
  }
};
using Maps = testing::Types<KuvInMap, KuvInMapVal>;
TYPED_TEST_SUITE(HashMapTest, Maps);

}  // namespace

TYPED_TEST(HashMapTest, IteratorsTypeChecksTextEqualityAndHash) {
  TypeParam a(KuvInIntHolder::sType(), KuvInIntHolder::sType()), b(nullptr, nullptr);  // compatible types
  auto it = a.cBegin();
  EXPECT_TRUE(it.IsEnd() && !it.IsBegin() && it.GetEntryGoToNext() == nullptr && it.Next() == E_FAIL);
  EXPECT_EQ(a.Begin().SetVal(h(1)), E_FAIL);
  EXPECT_EQ(a.toString(), this->named("[0]"));
  testing::internal::CaptureStdout();       // KuvInMap reports refusals (see below)
  EXPECT_EQ(a.Put(h(1), nullptr), E_FAIL);  // a null has no type
  EXPECT_EQ(std::tuple(a.badKeyCastErr(), a.badValCastErr()), std::tuple(0, 1));
  EXPECT_EQ(a.Put(nullptr, h(1)), E_FAIL);
  EXPECT_EQ(a.badKeyCastErr(), 1);
  EXPECT_TRUE(b.Put(nullptr, h(5)) == S_OK && b.Put(h(1), nullptr) == S_OK);
  EXPECT_EQ(b.toString(), this->named("[2]\nNULL_KEY <=>5\n[1] <=>NULL_VALUE"));
  b.Remove(nullptr);
  for (std::uint32_t k : {2, 1}) b.Put(h(k), h(100 * k));
  for (std::uint32_t k : {1, 2}) a.Put(h(k), h(100 * k));
  EXPECT_EQ(a.toString(), this->named("[2]\n[2] <=>200\n[1] <=>100"));
  EXPECT_TRUE(a.equals(b));
  // Per entry, the value's hash (of the pointer's bytes, for pointers) XOR the key's.
  auto term = [](KuvInIntHolder* v) {
    return TestFixture::kCopies ? holderHash(v->getValue()) : byteHash(&v, 8);
  };
  EXPECT_EQ(a.hash(), term(h(100)) ^ holderHash(1) ^ term(h(200)) ^ holderHash(2));
  EXPECT_EQ(a.hash(), b.hash());

  it = a.cBegin();
  EXPECT_TRUE(it.IsBegin());
  EXPECT_EQ(it.GetEntryGoToNext()->dType(), TypeParam::entry::sType());
  EXPECT_FALSE(it.IsBegin());
  EXPECT_EQ(valueOf(it.GetValGoToNext()), 100u);
  KuvInIntHolder twin(200);  // equal contents, another object
  auto m = b.Begin();        // at key 2
  EXPECT_EQ(m.SetVal(&twin), S_OK);
  EXPECT_EQ(b.ContainsValue(&twin), !TestFixture::kCopies);  // a copy is found only as the map's own
  EXPECT_TRUE(b.ContainsValue(m.GetVal()));
  EXPECT_EQ(a == b, TestFixture::kCopies);
  KuvInSignedIntHolder wrong(3);
  EXPECT_EQ(a.Begin().SetVal(&wrong), E_FAIL);
  EXPECT_EQ(std::tuple(a.badValCastErr(), valueOf(a.Get(h(2)))), std::tuple(1, 200u));
  testing::internal::GetCapturedStdout();

  const std::unique_ptr<KuvInObjectVal> clone(&a.clone());
  EXPECT_TRUE(a.equals(*clone) && !a.equals(*h(1)));
  TypeParam strings(KuvInString::sType(), nullptr);
  EXPECT_FALSE(a == strings);
  EXPECT_EQ(a.badKeyCastErr(), 1);
  strings = a;  // refused: nothing changes
  b = a;
  EXPECT_TRUE(strings.IsEmpty() && b == a);
}

// Keys are always the map's copies, values only in KuvInMapVal; KuvInMap
// destroys values in Delete and DeleteAll alone, each once.
TYPED_TEST(HashMapTest, Ownership) {
  const int before = CountedValue::live();
  CountedValue k1(1), k2(2), v10(10), v20(20);
  const int entry = TestFixture::kCopies ? 2 : 1;
  {
    TypeParam map(CountedValue::sType(), CountedValue::sType());
    map.Put(&k1, &v10);
    map.Put(&k2, &v20);
    // The map's own key and value, put again: copied before the old entry goes.
    map.Put(map.cBegin().GetKey(), map.cBegin().GetVal());
    EXPECT_EQ(map.Begin().SetVal(map.cBegin().GetVal()), S_OK);
    EXPECT_EQ(CountedValue::live(), before + 4 + 2 * entry);
    map.Remove(&k2);
    EXPECT_EQ(CountedValue::live(), before + 4 + entry);
    TypeParam copy(map);
    copy = map;
    EXPECT_EQ(CountedValue::live(), before + 4 + 2 * entry);
    copy.Clear();
    EXPECT_EQ(CountedValue::live(), before + 4 + entry);
    if constexpr (!TestFixture::kCopies) {
      auto* shared = new CountedValue(30);
      map.Put(&k1, shared);
      map.Put(&k2, shared);
      map.Put(&v10, new CountedValue(40));
      EXPECT_TRUE(map.Delete(h(99)) == S_OK && map.Delete(v10) == S_OK);  // an absent key destroys nothing
      EXPECT_EQ(CountedValue::live(), before + 4 + 2 + 1);
      KuvInMap untyped(KuvInIntHolder::sType(), nullptr);  // a key without a value stays
      untyped.Put(h(98), nullptr);
      EXPECT_TRUE(untyped.Delete(h(98)) == S_OK && untyped.ContainsKey(h(98)));
      map.DeleteAll();
      EXPECT_TRUE(map.IsEmpty());
    }
  }
  EXPECT_EQ(CountedValue::live(), before + 4);
}

// Contents against std::map, the size against the growth and Clear rules and
// the order against a model, over random operations from maps built with
// each row's capacity and load factor. Sizes are never rounded to a power of
// two; a capacity below 2 counts as 8, a load factor outside (0.1, 2.0) as
// 0.75, compared in double as for sets (0.1f lies just inside). The order is by bucket index (only some buckets serve: 11 buckets
// mask the hashes with 10), then by insertion; re-putting a key moves it to
// its bucket's end, and growth re-links in the old order.
TYPED_TEST(HashMapTest, AgreesWithStdMapAndTheOrderModelOverRandomOperations) {
  std::mt19937 random(20240611);
  const std::pair<std::int32_t, float> rows[] = {{8, 0.75f}, {2, 1.5f}, {0, 0.75f}, {8, 3.0f},
                                                 {100, 0.1f}, {16, 0.5f}, {10, 1.0f}};
  for (auto [capacity, factor] : rows) {
    TypeParam map(KuvInIntHolder::sType(), KuvInIntHolder::sType(), capacity, factor);
    const float loadFactor = factor > 0.1 && factor < 2.0 ? factor : 0.75f;
    std::map<std::uint32_t, std::uint32_t> model;
    auto sizeFor = [&](float c) {
      return static_cast<std::uint32_t>(std::ceil((c < 2 ? 8 : c) / loadFactor));
    };
    std::uint32_t tableSize = sizeFor(static_cast<float>(capacity));
    auto threshold = [&] { return std::floor(static_cast<float>(tableSize) * loadFactor); };
    auto byBucket = [&](std::uint32_t a, std::uint32_t b) {
      return (holderHash(a) & (tableSize - 1)) < (holderHash(b) & (tableSize - 1));
    };
    Keys order;
    for (int step = 0; step < 1000; ++step) {
      const std::uint32_t k = random() % 96, v = random() % 16, op = random() % 8;
      if (op < 4) {
        map.Put(h(k), h(v));
        model[k] = v;
        std::erase(order, k);
        order.insert(std::upper_bound(order.begin(), order.end(), k, byBucket), k);
        if (model.size() > threshold()) {
          tableSize *= 2;
          std::stable_sort(order.begin(), order.end(), byBucket);
        }
      } else if (op < 7) {
        EXPECT_EQ(map.Remove(h(k)), S_OK);
        model.erase(k);
        std::erase(order, k);
      } else if (step % 50 == 0) {
        map.Clear();
        model.clear();
        order.clear();
        tableSize = sizeFor(threshold());
      }
      ASSERT_EQ(valueOf(map.Get(h(k))), model.count(k) == 1 ? model[k] : 999) << step;
      ASSERT_EQ(std::tuple(map.GetLength(), map.GetTableSize(), static_cast<float>(map.GetThreshold())),
                std::tuple(static_cast<std::int32_t>(model.size()), tableSize, threshold()))
          << capacity << " " << factor << " step " << step;
      ASSERT_EQ(keysOf(map), order) << step;
    }
    EXPECT_EQ(keysOf(TypeParam(map)), order);  // same sizing, same order
  }
}

// Only KuvInMap reports refusals: one line whatever the flags, and with call
// tracing on the calls into Put and the checks.
TEST(KuvInMap, RefusedKeysAndValuesAreTracedWhateverTheFlags) {
  const std::string label = KuvInMap::traceChannel().getLabel();
  KuvInMap map(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  KuvInMapVal values(KuvInIntHolder::sType(), KuvInIntHolder::sType());
  KuvInSignedIntHolder bad(1);
  std::string out;
  {
    kuv_test::ScopedFlags off(KuvInMap::traceChannel(), 0);
    out = kuv_test::captured([&] { EXPECT_EQ(map.Put(bad, h(1)), E_FAIL); });
  }
  kuv_test::ScopedFlags calls(KuvInMap::traceChannel(), 3), silentCalls(KuvInMapVal::traceChannel(), 3);
  out += kuv_test::captured(
      [&] { EXPECT_TRUE(values.Put(h(1), &bad) == E_FAIL && map.Put(h(1), &bad) == E_FAIL); });
  std::string expected = label + "ERROR: typeKeyIsBad => bad type error.\n";
  for (const char* line : {">>>> Put {", ": >>>> typeKeyIsBad {", ": }", ": >>>> typeValIsBad {",
                           ": : ERROR: typeValIsBad => bad type error.", ": }", "}"})
    expected += label + line + "\n";
  EXPECT_EQ(out, expected);
}
