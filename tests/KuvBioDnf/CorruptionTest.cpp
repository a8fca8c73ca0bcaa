// Every prefix, bit flip and 0x00/0xFF byte of normal forms that together
// hold every leaf kind: reading gives a form that writes again or nothing,
// in both term kinds; the content analysis gives one of its codes and
// leaves its classification alone on failure.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "BioDnfModel.h"
#include "KuvBioDnfReader.h"
#include "KuvBioDnfWriter.h"
#include "KuvEVCClassification.h"
#include "support/KuvMutations.h"
#include "support/KuvTestSupport.h"

namespace {

using namespace bio_dnf_test;
using kuv_test::Bytes;

TEST(KuvBioDnf, EveryCorruptionIsRefusedOrUsable) {
  std::mt19937 rng(7);
  kuv_test::Outcomes reads;
  kuv_test::Outcomes analyses;
  for (int first = 0; first < sc_nbLeafKinds; first += 3) {
    KuvDnf dnf(2, DNF_COND_NONE);
    for (int term = 0; term < 2; ++term) {
      auto* made = KuvDnfAndTermFactory::create(KuvDnfAndTermFactory::List, 3);
      for (int kind = first; kind < first + 3; ++kind)
        made->addDnfLeaf(*randomLeaf(rng, static_cast<LeafKind>((kind + term) % sc_nbLeafKinds)).release());
      dnf.addAndTerm(made);
    }
    KuvBioBufferOut out;
    ASSERT_EQ(S_OK, KuvBioDnfWriter::write(dnf, out));
    kuv_test::forEachVariant(bytesOf(out), [&](const Bytes& bytes, const std::string& label) {
      const auto size = static_cast<std::uint32_t>(bytes.size());
      KuvEVCClassification found(0);
      found.setDate(1);
      const KuvEVCClassification before(found);
      HRESULT analysis = S_OK;
      kuv_test::captured([&] {
        for (auto type : {KuvDnfAndTermFactory::List, KuvDnfAndTermFactory::Map}) {
          const std::unique_ptr<KuvDnf> read(KuvBioDnfReader::read_0toEND(bytes.data(), size, type));
          reads.add(read != nullptr ? S_OK : E_FAIL);
          if (read == nullptr) continue;
          KuvBioBufferOut again;
          EXPECT_EQ(S_OK, KuvBioDnfWriter::write(*read, again)) << label;
        }
        analysis = KuvBioDnfReader::analyzeEVCContent(bytes.data(), size, found);
      });
      analyses.add(analysis);
      if (FAILED(analysis)) {
        EXPECT_TRUE(before.equals(found)) << label;
      }
    });
  }
  reads.expectWithin({S_OK, E_FAIL}, "read");
  analyses.expectWithin({S_OK, E_FAIL}, "analysis");
}

}  // namespace
