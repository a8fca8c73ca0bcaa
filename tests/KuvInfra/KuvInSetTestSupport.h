// Helpers shared by the hash container tests: a value whose hash is constant,
// the byte hash computed independently, and a model of the set bucket chain
// that fixes the iteration order.
#pragma once

#include "support/KuvTestSupport.h"

using kuv_test::CountedValue;

// Every value lands in the same bucket; 16-aligned so that in-place copies
// must respect an alignment beyond that of pointers.
class CollidingValue : public KuvInObjectVal {
  KUV_DECLARE_TYPE(CollidingValue)

public:
  explicit CollidingValue(std::uint32_t value) : m_value(value) {}
  CollidingValue(const CollidingValue& other) = default;
  ~CollidingValue() override = default;

  std::uint32_t getValue() const { return m_value; }
  std::uint32_t hash() const override { return 0; }
  bool equals(const KuvInObjectVal& other) const override {
    const CollidingValue* o = CollidingValue::cast(other);
    return o != nullptr && o->m_value == m_value;
  }
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }

private:
  alignas(16) std::uint32_t m_value;
};

// h = h * 131 + byte over the bytes in memory order, bytes signed, bit 31
// cleared.
inline std::uint32_t byteHash(const void* bytes, std::size_t length) {
  std::uint32_t h = 0;
  for (std::size_t i = 0; i < length; ++i)
    h = h * 131u + static_cast<std::uint32_t>(static_cast<const signed char*>(bytes)[i]);
  return h & 0x7FFFFFFFu;
}

// The hash of a KuvInIntHolder of that value.
inline std::uint32_t holderHash(std::uint32_t value) { return byteHash(&value, sizeof value); }

// The iteration order of a set: the non-empty buckets, the most recently
// filled first, each with its values in insertion order. Values hash as
// holders of them do unless another hash is given.
class ChainModel {
public:
  using Hash = std::function<std::uint32_t(std::uint32_t)>;
  explicit ChainModel(std::uint32_t tableSize, Hash hash = holderHash)
      : m_tableSize(tableSize), m_hash(std::move(hash)) {}

  std::uint32_t tableSize() const { return m_tableSize; }
  std::size_t size() const { return m_order.size(); }
  const std::vector<std::uint32_t>& order() const { return m_order; }
  bool contains(std::uint32_t value) const { return std::ranges::find(m_order, value) != m_order.end(); }
  std::size_t buckets() const {
    std::set<std::uint32_t> used;
    for (std::uint32_t v : m_order) used.insert(index(v));
    return used.size();
  }

  // Appends a value known to be absent: after the last value of its bucket,
  // or at the head when it fills its bucket.
  void insert(std::uint32_t value) {
    auto last = std::find_if(m_order.rbegin(), m_order.rend(),
                             [&](std::uint32_t v) { return index(v) == index(value); });
    m_order.insert(last.base(), value);
  }
  void erase(std::uint32_t value) { std::erase(m_order, value); }
  // Puts every value again, in the current order, into a table of tableSize.
  void rebuild(std::uint32_t tableSize) {
    std::vector<std::uint32_t> values = std::move(m_order);
    clear(tableSize);
    for (std::uint32_t v : values) insert(v);
  }
  void clear(std::uint32_t tableSize) {
    m_order.clear();
    m_tableSize = tableSize;
  }

private:
  std::uint32_t index(std::uint32_t value) const { return m_hash(value) & (m_tableSize - 1); }

  std::uint32_t m_tableSize;
  Hash m_hash;
  std::vector<std::uint32_t> m_order;
};

inline std::uint32_t heldValue(const KuvInIntHolder& h) { return h.getValue(); }
inline std::uint32_t heldValue(const CollidingValue& c) { return c.getValue(); }
inline std::uint32_t heldValue(const CountedValue& c) { return static_cast<std::uint32_t>(c.value()); }

// The values of a set of Holder in iteration order.
template <class Holder, class Set>
std::vector<std::uint32_t> valuesOf(const Set& set) {
  std::vector<std::uint32_t> values;
  for (auto it = set.cBegin(); it.IsValid();) values.push_back(heldValue(*Holder::cast(*it.GetGoToNext())));
  return values;
}
