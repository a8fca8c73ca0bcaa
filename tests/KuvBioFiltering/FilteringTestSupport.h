// What the filtering tests share: an option form, an object's compiled
// binary, the address and size arrays the services take, a handler's binary written back, and
// whether a form holds a term that admits no configuration on its own (the
// normal-form test looks at leaves of one variable pairwise, so such a term
// still meets forms on other variables).
#pragma once

#include "KuvEeDnfConvertor/DnfTruth.h"
#include "KuvFiltering/FltForms.h"
#include "support/KuvTestSupport.h"

namespace filtering_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes compiled(const KuvInObject& object) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvCompiledBinaryParser::Write(object, out));
  return kuv_test::bytesOf(out);
}

// The addresses and sizes of binaries, in order; the binaries must outlive it.
struct Binaries {
  explicit Binaries(const std::vector<Bytes>& objects = {}) { add(objects); }
  void add(const std::vector<Bytes>& objects) {
    for (const Bytes& b : objects) {
      data.push_back(b.data());
      sizes.push_back(static_cast<unsigned int>(b.size()));
    }
  }
  unsigned int count() const { return static_cast<unsigned int>(sizes.size()); }
  std::vector<const std::uint8_t*> data;
  std::vector<unsigned int> sizes;
};

inline Bytes writtenBack(const KuvFilterHandler& handler) {
  const std::uint8_t* bytes = nullptr;
  unsigned int size = 0;
  EXPECT_EQ(S_OK, handler.getFilterCompiledBinary(bytes, size));
  const Bytes copy(bytes, bytes + size);
  std::free(const_cast<std::uint8_t*>(bytes));
  return copy;
}

// What handler answers for one object, the call expected to succeed.
inline int applied(const KuvFilterHandler& handler, const Bytes& object) {
  int result = -2;
  EXPECT_EQ(S_OK, handler.Apply(object.data(), static_cast<unsigned int>(object.size()), result));
  return result;
}

inline bool hasEmptyTerm(const kuv_test::TruthModel& m, const KuvDnf& dnf) {
  for (const KuvDnfAndTerm* term : dnf.andTerms()) {
    KuvDnf alone(DNF_COND_NONE);
    alone.addAndTerm(term->clone());
    if (kuv_test::dnfTable(m, alone)->none()) return true;
  }
  return false;
}

}  // namespace filtering_test
