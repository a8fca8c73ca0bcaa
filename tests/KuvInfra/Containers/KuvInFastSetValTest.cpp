#include "KuvInfra/KuvInSetTestSupport.h"
#include "support/KuvTestSupport.h"

using Values = std::vector<std::uint32_t>;

namespace {

using kuv_test::ScopedFlags;

// The arena bookkeeping of a set of KuvInIntHolder, derived from the sizing
// formulas, with the chain model for the order.
class ArenaModel {
public:
  // The constructor's normalisations: capacity below 2 counts as 8, a load
  // factor outside ]0.1, 2[ as 0.75.
  ArenaModel(std::int32_t capacity, float loadFactor, std::size_t elementSize)
      : m_chain(0), m_loadFactor(loadFactor > 0.1 && loadFactor < 2.0 ? loadFactor : 0.75f),
        m_elementSize(elementSize) {
    reset(capacity < 2 ? 8 : capacity);
  }

  bool put(std::uint32_t value) {
    if (m_used + 40 + m_elementSize > m_arena) resize();
    if (m_chain.contains(value)) return false;
    m_chain.insert(value);
    account();
    return true;
  }
  void clear() { reset(m_capacity); }
  void setMinCapacity(std::int32_t capacity, float loadFactor) {
    float factor = loadFactor > 0.1 && loadFactor < 2.0 ? loadFactor : m_loadFactor;
    float needed = std::ceil(static_cast<float>(std::max<std::size_t>(capacity, m_chain.size())) / factor);
    if (needed == static_cast<float>(m_chain.tableSize())) return;
    m_loadFactor = factor;
    resize();
  }
  // Keeps the values that pass, put again into a fresh arena of the same capacity.
  template <class Keep>
  void retain(Keep keep) {
    Values kept;
    for (std::uint32_t v : m_chain.order())
      if (keep(v)) kept.push_back(v);
    reset(m_capacity);
    for (std::uint32_t v : kept) put(v);
  }

  std::int32_t capacity() const { return m_capacity; }
  std::size_t used() const { return m_used; }
  std::size_t arena() const { return m_arena; }
  const ChainModel& chain() const { return m_chain; }

private:
  std::uint32_t tableSizeFor(std::int32_t capacity) const {
    return static_cast<std::uint32_t>(std::ceil(static_cast<float>(capacity) / m_loadFactor));
  }
  void reset(std::int32_t capacity) {
    m_capacity = capacity;
    m_chain.clear(tableSizeFor(capacity));
    m_arena = (m_elementSize + 16) * static_cast<std::size_t>(capacity) + m_chain.tableSize() * 32;
    account();
  }
  void resize() {
    Values values = m_chain.order();
    reset(m_capacity * 2);
    for (std::uint32_t v : values) m_chain.insert(v);
    account();
  }
  void account() {
    m_used = m_chain.tableSize() * 8 + m_chain.size() * (m_elementSize + 16) + m_chain.buckets() * 24;
  }

  ChainModel m_chain;
  float m_loadFactor;
  std::size_t m_elementSize;
  std::int32_t m_capacity = 0;
  std::size_t m_arena = 0;
  std::size_t m_used = 0;
};

}  // namespace

TEST(KuvInFastSetVal, OverflowingPutReportsTheResize) {
  ScopedFlags errorsOn(KuvInFastSetVal::traceChannel(), 1);
  KuvInFastSetVal set(KuvInIntHolder::sType(), sizeof(KuvInIntHolder), 2, 1.0f);
  set.Put(KuvInIntHolder(1));
  set.Put(KuvInIntHolder(3));
  EXPECT_TRACES(true,
                "        ERROR: KuvInFastSetVal is being resized. It will still proceed correctly but "
                "performances will be deteriorated. Please make sure you initialize it with the right size.\n",
                set.Put(KuvInIntHolder(5)));
  EXPECT_EQ(set.GetCapacity(), 4);
}

TEST(KuvInFastSetVal, CopiesInPlaceAreDestroyedExactlyOnce) {
  ScopedFlags silent(KuvInFastSetVal::traceChannel(), 0);
  int before = CountedValue::live();
  {
    KuvInFastSetVal set(CountedValue::sType(), sizeof(CountedValue), 2);
    for (std::uint32_t i = 0; i < 50; ++i) set.Put(CountedValue(i % 40));  // several resizes
    EXPECT_EQ(CountedValue::live(), before + 40);
    KuvInFastSetVal copy(set);
    EXPECT_EQ(copy.GetCapacity(), 40);
    EXPECT_EQ(CountedValue::live(), before + 80);
    KuvInFastSetVal small(CountedValue::sType(), sizeof(CountedValue));
    for (std::uint32_t i = 0; i < 60; i += 3) small.Put(CountedValue(i));
    copy.Intersect(small);
    EXPECT_EQ(copy.GetLength(), 14);  // 0, 3, ..., 39
    EXPECT_EQ(CountedValue::live(), before + 40 + 14 + 20);
    copy.Intersect(small, copy);  // aliasing: built aside
    EXPECT_EQ(copy.GetLength(), 14);
    std::int32_t grown = set.GetCapacity();
    EXPECT_GE(grown, 32);
    set.Clear();
    EXPECT_EQ(CountedValue::live(), before + 14 + 20);
    EXPECT_EQ(set.GetCapacity(), grown);
    EXPECT_EQ(set.GetBytesUsed(), set.GetTableSize() * 8u);
  }
  EXPECT_EQ(CountedValue::live(), before);
}

TEST(KuvInFastSetVal, OverAlignedValuesInOneBucketStayAlignedAndFound) {
  ScopedFlags silent(KuvInFastSetVal::traceChannel(), 0);
  // A generous element size that is not a multiple of 8, a tiny load factor
  // and one bucket for all: copies spill into the unused bucket-node room.
  KuvInFastSetVal set(CollidingValue::sType(), sizeof(CollidingValue) + 4, 2, 0.11f);
  Values expected;
  for (std::uint32_t v = 0; v < 300; ++v) {
    ASSERT_TRUE(set.Put(CollidingValue(v)));
    expected.push_back(v);
  }
  EXPECT_FALSE(set.Put(CollidingValue(299)));
  EXPECT_EQ(valuesOf<CollidingValue>(set), expected);
  for (KuvInFastSetVal_const_iterator it = set.cBegin(); it.IsValid();)
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(it.GetGoToNext()) % alignof(CollidingValue), 0u);
  EXPECT_LE(set.GetBytesUsed(), set.GetArenaSize());
}

// A kind of KuvInIntHolder too large for a slot sized for one.
class WideIntHolder : public KuvInIntHolder {
  KUV_DECLARE_TYPE(WideIntHolder)

public:
  explicit WideIntHolder(std::uint32_t value) : KuvInIntHolder(value) {}
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }

private:
  unsigned char m_extra[64] = {};
};
KUV_DEFINE_TYPE(WideIntHolder, KuvInIntHolder)

TEST(KuvInFastSetVal, TextEqualityAndTypeChecks) {
  KuvInFastSetVal set(KuvInIntHolder::sType(), sizeof(KuvInIntHolder));
  EXPECT_STREQ(set.toString().ConvertToChar(), "The set is empty.\n");
  set.Put(KuvInIntHolder(1));
  set.Put(KuvInIntHolder(2));  // 11 buckets, mask 10: 1 -> 10, 2 -> 2
  EXPECT_STREQ(set.toString().ConvertToChar(), "KuvInFastSetVal[2 KuvInIntHolder](object):\t{((2)\t(1)\t}\n");

  KuvInFastSetVal other(set, 50, 0.5f);
  EXPECT_EQ(other.GetTableSize(), 100u);
  EXPECT_TRUE(other == set);
  other.Put(KuvInIntHolder(3));
  EXPECT_TRUE(other != set);
  EXPECT_TRUE(set.IsIncludedIn(other));
  EXPECT_FALSE(other.IsIncludedIn(set));
  EXPECT_TRUE(other.IsIntersect(set));

  EXPECT_FALSE(set.Put(KuvInSignedIntHolder(4)));
  EXPECT_EQ(set.badCastErr(), 1);
  EXPECT_FALSE(set.Put(WideIntHolder(4)));  // would overrun its slot
  EXPECT_EQ(set.badCastErr(), 1);
  EXPECT_TRUE(KuvInFastSetVal(KuvInIntHolder::sType(), sizeof(WideIntHolder)).Put(WideIntHolder(4)));
  EXPECT_FALSE(set.Find(nullptr));
  EXPECT_TRUE(set.Find(KuvInIntHolder(2)));
  EXPECT_EQ(set.badCastErr(), 0);
  KuvInFastSetVal strings(KuvInString::sType(), sizeof(KuvInString));
  EXPECT_EQ(set.PutSet(strings), E_FAIL);
  EXPECT_FALSE(set == strings);
  EXPECT_EQ(set.GetLength(), 2);
  EXPECT_EQ(set.PutSet(other), S_OK);
  EXPECT_EQ(set.GetLength(), 3);
}

// Random operations against std::set for the contents and the arena model
// for the order, the capacity and the bytes used, from sets built with each
// row's element size, capacity and load factor.
TEST(KuvInFastSetVal, AgreesWithStdSetAndTheArenaModelOverRandomOperations) {
  ScopedFlags silent(KuvInFastSetVal::traceChannel(), 0);
  std::mt19937 random(1234);
  const struct { std::int32_t elementSize, capacity; float loadFactor; } rows[] = {
      {sizeof(KuvInIntHolder), 4, 0.75f}, {24, 0, 0.75f}, {24, 1, 0.75f}, {24, 2, 0.75f},
      {24, 10, 1.0f},  {24, 100, 3.0f},  {16, 64, 0.5f}};
  for (const auto& row : rows) {
    KuvInFastSetVal set(KuvInIntHolder::sType(), row.elementSize, row.capacity, row.loadFactor);
    ArenaModel model(row.capacity, row.loadFactor, static_cast<std::size_t>(row.elementSize));
    std::set<std::uint32_t> contents;
    for (int step = 0; step < 300; ++step) {
      SCOPED_TRACE(testing::Message() << "capacity " << row.capacity << " step " << step);
      ASSERT_EQ(set.GetCapacity(), model.capacity());
      ASSERT_EQ(set.GetTableSize(), model.chain().tableSize());
      ASSERT_EQ(set.GetArenaSize(), model.arena());
      ASSERT_EQ(set.GetBytesUsed(), model.used());
      std::uint32_t v = random() % 4 == 0 ? 128u + random() % 200u : random() % 150u;
      switch (random() % 16) {
        case 0: {
          // Every resize doubles the capacity: keep the arena small.
          if (set.GetCapacity() >= 256) break;
          auto capacity = static_cast<std::int32_t>(random() % 100);
          float factor = 0.25f * static_cast<float>(1 + random() % 9);
          set.SetMinCapacity(capacity, factor);
          model.setMinCapacity(capacity, factor);
          break;
        }
        case 1:
          if (random() % 8 == 0) {
            set.Clear();
            model.clear();
            contents.clear();
          }
          break;
        case 2: {
          KuvInFastSetVal filter(KuvInIntHolder::sType(), sizeof(KuvInIntHolder), 64);
          std::uint32_t modulus = 2 + random() % 3;
          for (std::uint32_t x = 0; x < 330; x += modulus) filter.Put(KuvInIntHolder(x));
          set.Intersect(filter);
          auto keep = [modulus](std::uint32_t x) { return x % modulus == 0; };
          model.retain(keep);
          std::erase_if(contents, [&](std::uint32_t x) { return !keep(x); });
          break;
        }
        case 3:
          EXPECT_EQ(set.Find(KuvInIntHolder(v)), contents.count(v) == 1);
          break;
        default:
          EXPECT_EQ(set.Put(KuvInIntHolder(v)), contents.insert(v).second);
          model.put(v);
      }
      ASSERT_EQ(valuesOf<KuvInIntHolder>(set), model.chain().order());
    }
    EXPECT_EQ(static_cast<std::size_t>(set.GetLength()), contents.size());
  }
}

// A resize doubles the capacity once when the copies fit, even exactly; it
// doubles again only when they would overrun the arena.
TEST(KuvInFastSetVal, SetMinCapacityDoublesOnceWhenTheCopiesFit) {
  ScopedFlags silent(KuvInFastSetVal::traceChannel(), 0);
  KuvInFastSetVal set(KuvInIntHolder::sType(), sizeof(KuvInIntHolder), 4, 0.25f);
  ArenaModel model(4, 0.25f, sizeof(KuvInIntHolder));
  for (std::uint32_t v = 0; v < 16; ++v) {
    set.Put(KuvInIntHolder(v));
    model.put(v);
  }
  set.SetMinCapacity(0, 1.0f);
  model.setMinCapacity(0, 1.0f);
  EXPECT_EQ(model.used(), model.arena());
  EXPECT_EQ(std::tuple(set.GetCapacity(), set.GetTableSize(), set.GetBytesUsed()),
            std::tuple(model.capacity(), model.chain().tableSize(), model.used()));
  EXPECT_EQ(valuesOf<KuvInIntHolder>(set), model.chain().order());
}
