// What every test file starts with: GoogleTest, the standard headers the
// tests use, and the library as a host includes it (internal helpers are
// included where they are tested). Then the helpers every test program
// links: what a call prints, trace-flag guards, GUIDs, a value that counts
// its live copies, and compact texts of lists and expression trees.
#pragma once

#include <gtest/gtest.h>

#include <Kuv.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace kuv_test {

// An array the library handed over, freed as a host frees it.
struct FreeDeleter {
  void operator()(const void* p) const { std::free(const_cast<void*>(p)); }
};
template <class T>
using Handed = std::unique_ptr<T, FreeDeleter>;

// What body prints on standard output.
template <class Body>
std::string captured(Body&& body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

// Expects call to give code and to print message ("" where the code alone
// tells the branch apart).
#define EXPECT_TRACES(code, message, call)                                                              \
  do {                                                                                                  \
    const std::string kuvTraced_ = ::kuv_test::captured([&] { EXPECT_EQ(code, call) << #call; });      \
    EXPECT_NE(kuvTraced_.find(message), std::string::npos) << #call << " printed:\n" << kuvTraced_; \
  } while (0)

// Sets a channel's flags for one scope.
class ScopedFlags {
public:
  ScopedFlags(KuvInTraceClass& channel, unsigned char flags) : m_channel(channel), m_old(channel.getFlags()) {
    channel.setFlags(flags);
  }
  ~ScopedFlags() { m_channel.setFlags(m_old); }
  ScopedFlags(const ScopedFlags&) = delete;
  ScopedFlags& operator=(const ScopedFlags&) = delete;

private:
  KuvInTraceClass& m_channel;
  unsigned char m_old;
};

// A distinct GUID per n (n > 0); n = 0 gives the unset GUID.
struct Guid {
  explicit Guid(unsigned n) {
    bytes[0] = static_cast<unsigned char>(n);
    bytes[1] = static_cast<unsigned char>(n >> 8);
    if (n != 0) bytes[15] = 0xA5;
  }
  const unsigned char* data() const { return bytes.data(); }
  KuvInGuid guid() const { return KuvInGuid(bytes.data()); }
  std::array<unsigned char, KuvInGuid::sc_size> bytes{};
};

// Counts its live copies, so that a leak or a double destruction shows.
class CountedValue : public KuvInObjectVal {
  KUV_DECLARE_TYPE(CountedValue)

public:
  explicit CountedValue(int value) : m_value(value) { ++s_live; }
  CountedValue(const CountedValue& other) : KuvInObjectVal(other), m_value(other.m_value) { ++s_live; }
  ~CountedValue() override { --s_live; }

  int value() const { return m_value; }
  static int live() { return s_live; }

  KuvInString toString() const override;
  std::uint32_t hash() const override { return static_cast<std::uint32_t>(m_value) * 2654435761u; }
  bool equals(const KuvInObjectVal& other) const override {
    const CountedValue* o = cast(other);
    return o != nullptr && o->m_value == m_value;
  }
  KuvInObjectVal& clone(void* where = nullptr) const override { return cloneOf(*this, where); }

private:
  int m_value;
  static inline int s_live = 0;
};

std::string text(const KuvInObject& object);
std::vector<std::string> textsOf(const KuvInListVal& list);

using Tree = std::unique_ptr<KuvEeNodeRef>;
Tree own(KuvEeNode* node);
// The child nodes of an operator, in order.
std::vector<KuvEeNode*> children(const KuvEeOp& op);
// A compact structure: And(T,Or(F,x)), Not(...), Dom(...); option leaves as
// x, !x (negated) or x:TF (other states), effectivity leaves as Ref(name),
// other leaves by their text.
std::string shape(const KuvEeNode* node);
inline std::string shape(const KuvEeNodeRef& ref) { return shape(ref.getNode()); }
// Same shape, same kinds, equal criteria (the effectivities' own equality).
bool sameTree(const KuvEeNode& a, const KuvEeNode& b);

// What a writer put in out.
inline std::vector<std::uint8_t> bytesOf(const KuvBioBufferOut& out) {
  if (out.GetLength() == 0) return {};
  return {out.GetAsPtr(0), out.GetAsPtr(0) + out.GetLength()};
}

#if defined(__GNUC__) && !defined(_WIN32)
// Where a virtual member sits in its class's virtual table, counted as the
// interface counts: 0 the destructor, 1 dType, 2 toString. Under the Itanium
// ABI a pointer to a virtual member holds 1 + the byte offset of its entry,
// and the destructor takes two entries.
template <class Member>
std::uint64_t slotOf(Member member) {
  static_assert(sizeof member == 2 * sizeof(std::uintptr_t));
  std::uintptr_t word = 0;
  std::memcpy(&word, &member, sizeof word);
  return (word - 1) / sizeof(void*) - 1;
}
#endif

}  // namespace kuv_test
