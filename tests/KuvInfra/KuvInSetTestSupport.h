// Helpers shared by the set tests: a value class that counts its live
// copies, a value whose hash is constant, the byte hash of KuvInIntHolder
// computed independently, and a model of the bucket chain that fixes the
// iteration order.
#pragma once

#include <cstdint>
#include <cstring>
#include <list>
#include <utility>
#include <vector>

#include "KuvInIntHolder.h"
#include "KuvInObjectVal.h"

// Every constructed copy increments s_live and every destroyed one
// decrements it, so a leak or a double destruction shows in the count.
class CountedSetValue : public KuvInObjectVal {
  KUV_DECLARE_TYPE(CountedSetValue)

public:
  static inline int s_live = 0;

  explicit CountedSetValue(std::uint32_t value) : m_value(value) { ++s_live; }
  CountedSetValue(const CountedSetValue& other) : KuvInObjectVal(other), m_value(other.m_value) { ++s_live; }
  ~CountedSetValue() override { --s_live; }

  std::uint32_t getValue() const { return m_value; }
  std::uint32_t hash() const override { return BinHashFunc(&m_value, sizeof m_value); }
  bool equals(const KuvInObjectVal& other) const override {
    const CountedSetValue* o = CountedSetValue::cast(other);
    return o != nullptr && o->m_value == m_value;
  }
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }

private:
  std::uint32_t m_value;
};

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

// h = h * 131 + byte over the four bytes in memory order, bytes signed, bit
// 31 cleared.
inline std::uint32_t holderHash(std::uint32_t value) {
  signed char bytes[4];
  std::memcpy(bytes, &value, sizeof bytes);
  std::uint32_t h = 0;
  for (signed char b : bytes) h = h * 131u + static_cast<std::uint32_t>(b);
  return h & 0x7FFFFFFFu;
}

// The iteration order of a set of KuvInIntHolder: the non-empty buckets,
// the most recently filled first, each with its values in insertion order.
class ChainModel {
public:
  explicit ChainModel(std::uint32_t tableSize) : m_tableSize(tableSize) {}

  std::uint32_t tableSize() const { return m_tableSize; }
  std::size_t buckets() const { return m_chain.size(); }
  std::size_t size() const { return order().size(); }

  bool contains(std::uint32_t value) const {
    for (const auto& [index, values] : m_chain)
      for (std::uint32_t v : values)
        if (v == value) return true;
    return false;
  }

  // Appends a value known to be absent.
  void insert(std::uint32_t value) {
    std::uint32_t index = holderHash(value) & (m_tableSize - 1);
    for (auto& [i, values] : m_chain)
      if (i == index) {
        values.push_back(value);
        return;
      }
    m_chain.push_front({index, {value}});
  }

  void erase(std::uint32_t value) {
    for (auto it = m_chain.begin(); it != m_chain.end(); ++it)
      for (auto v = it->second.begin(); v != it->second.end(); ++v)
        if (*v == value) {
          it->second.erase(v);
          if (it->second.empty()) m_chain.erase(it);
          return;
        }
  }

  // Puts every value again, in the current order, into a table of tableSize.
  void rebuild(std::uint32_t tableSize) {
    std::vector<std::uint32_t> values = order();
    clear(tableSize);
    for (std::uint32_t v : values) insert(v);
  }

  void clear(std::uint32_t tableSize) {
    m_chain.clear();
    m_tableSize = tableSize;
  }

  std::vector<std::uint32_t> order() const {
    std::vector<std::uint32_t> all;
    for (const auto& [index, values] : m_chain) all.insert(all.end(), values.begin(), values.end());
    return all;
  }

private:
  std::uint32_t m_tableSize;
  std::list<std::pair<std::uint32_t, std::vector<std::uint32_t>>> m_chain;
};

// The values of a set of KuvInIntHolder (or CountedSetValue) in iteration order.
template <class Holder, class Set>
std::vector<std::uint32_t> valuesOf(const Set& set) {
  std::vector<std::uint32_t> values;
  for (auto it = set.cBegin(); it.IsValid();) values.push_back(Holder::cast(*it.GetGoToNext())->getValue());
  return values;
}
