// The binary normal form: exact bytes of each leaf kind and of the
// header's edge cases, refusal of corrupt and truncated binaries with the
// right trace, round trips over random normal forms, and the content
// analysis that reads only the table. Every damaged copy of forms that hold
// every leaf kind together reads as a form that writes again or as nothing,
// in both term kinds, and the analysis leaves its classification alone on
// failure.
#include "BioDnfModel.h"
#include "support/KuvMutations.h"
#include "support/KuvTestSupport.h"

namespace {

using namespace bio_dnf_test;
using namespace kuv_test;
constexpr auto List = KuvDnfAndTermFactory::List;
constexpr auto Map = KuvDnfAndTermFactory::Map;

KuvInGuid G(unsigned n) { return Guid(n).guid(); }

Bytes written(const KuvDnf& dnf) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, KuvBioDnfWriter::write(dnf, out));
  return bytesOf(out);
}

std::unique_ptr<KuvDnf> readBack(const Bytes& bytes, KuvDnfAndTermFactory::E_Type type = List) {
  return std::unique_ptr<KuvDnf>(
      KuvBioDnfReader::read_0toEND(bytes.data(), static_cast<std::uint32_t>(bytes.size()), type));
}

// S_OK when the bytes read, for EXPECT_TRACES.
HRESULT readCode(const Bytes& bytes, KuvDnfAndTermFactory::E_Type type = List) {
  return readBack(bytes, type) != nullptr ? S_OK : E_FAIL;
}

// value as digits upper-case hexadecimal digits.
std::string hex(std::size_t value, int digits) {
  char out[17];
  std::snprintf(out, sizeof out, "%0*zX", digits, value);
  return out;
}

// The whole binary of one term of one leaf: header, widths, table (kind,
// GUID number), T = 1, one leaf.
std::string oneLeafBinary(const std::vector<std::pair<int, unsigned>>& table, const std::string& leaf) {
  std::string body = "000104" + hex(table.size(), 8);
  for (const auto& [kind, n] : table) body += hex(static_cast<std::size_t>(kind), 2) + text(G(n));
  body += "00000001" "00000001" + leaf;
  return "646E6601" + hex(body.size() / 2, 8) + body;
}

KuvInListVal ranges(KuvInObjectTypeClass* type, std::initializer_list<const KuvInObjectVal*> items) {
  KuvInListVal list(type);
  for (const KuvInObjectVal* item : items) list.PutBack(*item);
  return list;
}

TEST(KuvBioDnf, ConstantsAndTheOneEffectivityForm) {
  KuvBioBufferOut out;
  ASSERT_EQ(S_OK, KuvBioDnfWriter::write(KuvDnf(DNF_COND_FALSE), out));
  EXPECT_EQ("646E66010000000102", text(out));
  ASSERT_EQ(S_OK, KuvBioDnfWriter::write(KuvDnf(DNF_COND_TRUE), out));
  EXPECT_EQ("646E66010000000101", text(out));
  ASSERT_EQ(S_OK, KuvBioDnfWriter::write(KuvDnf(DNF_COND_NONE), out));
  EXPECT_EQ("646E6601" "0000000B" "00" "0104" "00000000" "00000000", text(out));
  ASSERT_EQ(S_OK, KuvBioDnfWriter::write(*dnfOf(std::make_unique<KuvDnfEff>(G(1), true)), out));
  EXPECT_EQ(oneLeafBinary({{7, 1}}, "050001"), text(out));
  for (E_DnfSpecCond cond : {DNF_COND_TRUE, DNF_COND_FALSE}) {
    auto dnf = readBack(written(KuvDnf(cond)));
    ASSERT_NE(nullptr, dnf);
    EXPECT_EQ(cond, dnf->getSpecialCondition());
  }
}

// One leaf of each kind: its bytes, the table it registers, and the way back.
TEST(KuvBioDnf, EachLeafKindBytesAndBack) {
  KuvInDate d1(2001, 2, 3, 5, 6, 7);
  KuvInDate inf;
  inf.setInfPos();
  KuvInDateInterval dates;
  dates.setInterval(d1, inf);
  KuvInSerialInterval serials;
  serials.setInterval(1, true, 5, true);
  KuvInTreeEvalIndexBound b12(1);
  b12.AddNewLevelWithValue(2);
  KuvInTreeEvalIndexBound b41(4);
  b41.AddNewLevelWithValue(1);
  const KuvInMilestonesEvalInterval track(KuvInMilestonesEvalIntervalValue(b12, true), true,
                                          KuvInMilestonesEvalIntervalValue(KuvInTreeEvalIndexBound(3)), false);
  const KuvInTreeEvalInterval tree(KuvInTreeEvalIndexBound(4), false, b41, true);
  auto selection = std::make_unique<KuvDnfSelectionEff>(G(3), 2, true, false);
  selection->putValue(G(4));
  selection->putValue(G(5));
  auto restricted = [](KuvDnfRestrictionEff* leaf, std::initializer_list<unsigned> guids, bool negated) {
    for (unsigned n : guids) leaf->putVariable(G(n));
    if (negated) leaf->negate();
    return std::unique_ptr<KuvDnfLeaf>(leaf);
  };
  struct Row {
    std::unique_ptr<KuvDnfLeaf> leaf;
    std::vector<std::pair<int, unsigned>> table;
    std::string bytes;
  };
  Row rows[] = {
      {std::make_unique<KuvDnfEff>(G(1), false), {{7, 1}}, "050000"},
      {std::make_unique<KuvDnfOptionEff>(G(1), G(2), 5, false), {{1, 1}, {2, 2}}, "0400010005"},
      {std::move(selection), {{5, 3}, {6, 4}, {6, 5}}, "0300000100020102"},
      {std::make_unique<KuvDnfDateEff>(G(6), ranges(KuvInDateInterval::sType(), {&dates}), false, true),
       {{4, 6}},
       "020003000001" "07D1020305060" "7" "4E200D20183C3E"},
      {std::make_unique<KuvDnfSerialEff>(G(7), ranges(KuvInSerialInterval::sType(), {&serials}), 13, true, false),
       {{3, 7}},
       "0D000003000103" "00000001" "00000005"},
      {std::make_unique<KuvDnfMilestonesEff>(G(8), ranges(KuvInMilestonesEvalInterval::sType(), {&track}), false,
                                             true),
       {{10, 8}},
       "180002000102" "0002" "00000001" "00000002" "01" "0001" "00000003" "00"},
      {std::make_unique<KuvDnfTreeSeriesEff>(G(9), ranges(KuvInTreeEvalInterval::sType(), {&tree}), 18, true, false),
       {{9, 9}},
       "1412000100" "0101" "000100000004" "00020000000400000001"},
      {restricted(new KuvDnfSerialRestrictionEff(1, 12), {10}, true), {{3, 10}}, "0F01000100"},
      {restricted(new KuvDnfSerialRestrictionEff(1, 1), {10}, false), {{3, 10}}, "0600000100"},
      {restricted(new KuvDnfTreeSeriesRestrictionEff(0, 19), {}, false), {}, "16000000"},
      {restricted(new KuvDnfCategoryOptionRestrictionEff(2, G(11)), {12, 13}, false),
       {{2, 11}, {1, 12}, {1, 13}},
       "09000000020102"},
      {restricted(new KuvDnfDateRestrictionEff(1), {6}, false), {{4, 6}}, "0700000100"},
      {restricted(new KuvDnfSelectionRestrictionEff(1), {3}, false), {{5, 3}}, "0800000100"},
      {restricted(new KuvDnfCategoryRestrictionEff(1), {2}, false), {{2, 2}}, "0A00000100"},
      {restricted(new KuvDnfEffRestrictionEff(1), {1}, true), {{7, 1}}, "0B01000100"},
      {restricted(new KuvDnfMilestonesRestrictionEff(1), {8}, false), {{10, 8}}, "1900000100"},
  };
  // Sets are written in GUID order, whatever order they were filled in.
  auto reversed = std::make_unique<KuvDnfSelectionEff>(G(3), 2, true, false);
  reversed->putValue(G(5));
  reversed->putValue(G(4));
  EXPECT_EQ(written(*dnfOf(std::unique_ptr<KuvDnfLeaf>(rows[2].leaf->clone()))), written(*dnfOf(std::move(reversed))));
  for (Row& row : rows) {
    const std::string expected = oneLeafBinary(row.table, row.bytes);
    const std::string leafText = text(*row.leaf);
    for (auto type : {List, Map}) {
      auto dnf = dnfOf(std::unique_ptr<KuvDnfLeaf>(row.leaf->clone()), type);
      const Bytes bytes = written(*dnf);
      EXPECT_EQ(expected, text(KuvBioBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0)))
          << leafText;
      auto back = readBack(bytes, type);
      ASSERT_NE(nullptr, back) << leafText;
      EXPECT_EQ(text(*dnf), text(*back));
      EXPECT_EQ(bytes, written(*back)) << leafText;
    }
  }
}

// A date stored without its time reads at the first second of a lower date
// and the last of an upper one; the infinities keep their sentinels.
TEST(KuvBioDnf, DatesWithoutTimeTakeTheDefaults) {
  const Bytes bytes = fromHex(oneLeafBinary({{4, 6}}, "0200000000" "02" "07D10203" "07D20304" "00000000" "4E200D20"));
  auto dnf = readBack(bytes);
  ASSERT_NE(nullptr, dnf);
  const auto& leaf = static_cast<const KuvDnfDateEff&>(*dnf->getAndTerm(0)->getDnfLeaf(0));
  ASSERT_EQ(2, leaf.getIntervals().GetLength());
  const auto& first = static_cast<const KuvInDateInterval&>(*leaf.getIntervals().Get(0));
  const auto& second = static_cast<const KuvInDateInterval&>(*leaf.getIntervals().Get(1));
  EXPECT_EQ(KuvInDate(2001, 2, 3, 1, 1, 1), first.getA());
  EXPECT_EQ(KuvInDate(2002, 3, 4, 24, 60, 60), first.getB());
  EXPECT_FALSE(first.getA().isTimeSet());
  EXPECT_TRUE(second.getA().isInfNeg());
  EXPECT_TRUE(second.getB().isInfPos());
  EXPECT_FALSE(leaf.isNegated());
}

// 256 distinct GUIDs need two-byte indices: the width byte says so and
// every leaf's index takes two bytes.
TEST(KuvBioDnf, TwoHundredFiftySixGuidsWidenTheIndices) {
  KuvDnf dnf(1, DNF_COND_NONE);
  auto* term = KuvDnfAndTermFactory::create(List, 256);
  for (unsigned n = 1; n <= 256; ++n) term->addDnfLeaf(*new KuvDnfEff(G(n), false));
  dnf.addAndTerm(term);
  const Bytes bytes = written(dnf);
  ASSERT_EQ(8u + 3 + 4 + 17 * 256 + 8 + 256 * 4, bytes.size());
  EXPECT_EQ(2, bytes[9]);
  EXPECT_EQ(4, bytes[10]);
  EXPECT_EQ(Bytes({5, 0, 0xFF, 0}), Bytes(bytes.end() - 4, bytes.end()));
  auto back = readBack(bytes);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(text(dnf), text(*back));
}

TEST(KuvBioDnf, CorruptBinariesAreRefusedWithTheirTrace) {
  const std::string eff = oneLeafBinary({{7, 1}}, "050001");
  auto patched = [&eff](std::size_t at, const std::string& hex) {
    std::string copy = eff;
    return copy.replace(2 * at, hex.size(), hex);
  };
  struct Row {
    const char* name;
    std::string hex;
    const char* message;
  };
  const std::size_t leaf = eff.size() / 2 - 3;
  const Row rows[] = {
      {"version 2", "646E66020000000102", "ERROR: Invalid Dnf header"},
      {"bad magic", "646E67010000000102", "ERROR: Invalid Dnf header"},
      {"length past the bytes", "646E66010000000202", "ERROR: Invalid Dnf header"},
      {"a byte beyond the length", "646E6601000000020200", "ERROR: Invalid Dnf header"},
      {"special condition 3", "646E66010000000103", "ERROR, DNF is of unknown Type"},
      {"index width 3", patched(9, "03"), "ERROR : KuvBioBuffer::Read FAILED."},
      {"table longer than the bytes", patched(11, "00000009"), "ERROR : KuvBioBuffer::Read FAILED."},
      {"leaf kind 0", patched(leaf, "00"), "ERROR: incorrect dnfEffType"},
      {"leaf kind 26", patched(leaf, "1A"), "ERROR: incorrect dnfEffType"},
      {"index past the table", patched(leaf + 1, "01"), "ERROR : KuvBioBuffer::Read FAILED."},
      {"entry of another kind", patched(15, "01"), "ERROR: Incorrect variable type"},
      {"negation byte 2", patched(leaf + 2, "02"), "ERROR: Incorrect input value"},
      {"a billion terms promised", patched(32, "3B9ACA00"), "ERROR : KuvBioBuffer::Read FAILED."},
      {"a billion leaves promised", patched(36, "3B9ACA00"), "ERROR : KuvBioBuffer::Read FAILED."},
      {"option value 8", oneLeafBinary({{1, 1}, {2, 2}}, "0400010008"), "ERROR: Incorrect input value"},
      {"serial no-value byte 1", oneLeafBinary({{3, 7}}, "0D0000010000"), "ERROR: Incorrect input value"},
      {"serial range upside down", oneLeafBinary({{3, 7}}, "0D00000200010300000005" "00000001"),
       "ERROR: Incorrect input value"},
      {"tree bound of no level", oneLeafBinary({{9, 9}}, "14120000000103" "0000" "000100000004"),
       "ERROR: Incorrect input value"},
      {"tree bound levels past the end", oneLeafBinary({{9, 9}}, "14120000000103" "FFFF00000004"),
       "ERROR : KuvBioBuffer::Read FAILED."},
      {"selection values past the end", oneLeafBinary({{5, 3}}, "03000000FFFF"), "ERROR : KuvBioBuffer::Read FAILED."},
      {"date 2001-02-30", oneLeafBinary({{4, 6}}, "0200000000" "01" "07D1021E" "07D20304"),
       "ERROR: Incorrect input value"},
      {"tree type restriction kind 24 read as milestones", oneLeafBinary({{9, 9}}, "1800000100"),
       "ERROR: Incorrect variable type"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRACES(E_FAIL, row.message, readCode(fromHex(row.hex)));
  }
}

// A map term refuses what would make it inconsistent; a list term keeps it.
TEST(KuvBioDnf, MapTermsRefuseTwoLeavesOnOneEffectivity) {
  const std::string leaves = "050000" "050001";
  std::string hex = oneLeafBinary({{7, 1}}, leaves);
  hex.replace(2 * 32 + 8, 8, "00000002");
  EXPECT_EQ(S_OK, readCode(fromHex(hex), List));
  EXPECT_TRACES(E_FAIL, "ERROR: addDnfLeaf FAILED.", readCode(fromHex(hex), Map));
}

TEST(KuvBioDnf, WriterRefusalsAreTraced) {
  KuvInTreeEvalInterval unvaluated(KuvInTreeEvalIndexBound(), true, KuvInTreeEvalIndexBound(2), true);
  KuvInTreeEvalIndexBound deep(new std::uint32_t[65536](), 65536);
  KuvInTreeEvalInterval tooDeep(deep, true, deep, true);
  auto manyVariables = std::make_unique<KuvDnfEffRestrictionEff>(65536);
  for (unsigned n = 1; n <= 65536; ++n) manyVariables->putVariable(G(n));
  struct Row {
    std::unique_ptr<KuvDnfLeaf> leaf;
    const char* message;
  };
  Row rows[] = {
      {std::make_unique<KuvDnfTreeSeriesEff>(G(9), ranges(KuvInTreeEvalInterval::sType(), {&unvaluated}), 18, false,
                                             false),
       "ERROR: Unable to write a not valuated TreeEvalIndexBound."},
      {std::make_unique<KuvDnfTreeSeriesEff>(G(9), ranges(KuvInTreeEvalInterval::sType(), {&tooDeep}), 18, false,
                                             false),
       "ERROR: Unable to write value because it's upper than 16 bits."},
      {std::make_unique<KuvDnfOptionEff>(G(1), G(2), 8, false), "ERROR: Incorrect input value"},
      {std::make_unique<KuvDnfSerialEff>(G(7), KuvInListVal(KuvInSerialInterval::sType()), 2, false, false),
       "ERROR: Unsupported/unexpected case"},
      {std::make_unique<KuvDnfTreeSeriesRestrictionEff>(0, 17), "ERROR: Unsupported/unexpected case"},
      {std::move(manyVariables), "ERROR : Cannot write binary - overflow"},
  };
  for (Row& row : rows) {
    auto dnf = dnfOf(std::move(row.leaf));
    KuvBioBufferOut out;
    const std::string traced = kuv_test::captured([&] { EXPECT_EQ(E_FAIL, KuvBioDnfWriter::write(*dnf, out)); });
    EXPECT_NE(std::string::npos, traced.find(row.message)) << traced;
    EXPECT_NE(std::string::npos, traced.find("ERROR: write failed")) << traced;
  }
  // Terms written against a caller's table that lacks one of their GUIDs.
  KuvBioTypedIdsWriter table;
  table.registerTypedGuid(KuvBioConstants::E_Effectivity, G(1));
  auto dnf = dnfOf(std::make_unique<KuvDnfEff>(G(2), false));
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", KuvBioDnfWriter::writeAllAndTerms(*dnf, out, table));
}

// Compiled binaries write one table for several normal forms and then
// each one's terms.
TEST(KuvBioDnf, TermsAgainstATableOfTheCaller) {
  std::mt19937 rng(7);
  auto first = randomDnf(rng, Map, 3, 6);
  auto second = randomDnf(rng, Map, 2, 6);
  KuvBioTypedIdsWriter table;
  ASSERT_EQ(S_OK, KuvBioDnfWriter::prepareToWrite(*first, table));
  ASSERT_EQ(S_OK, KuvBioDnfWriter::prepareToWrite(*second, table));
  KuvBioBufferOut out;
  table.writeTypedUids(out);
  ASSERT_EQ(S_OK, KuvBioDnfWriter::writeAllAndTerms(*first, out, table));
  ASSERT_EQ(S_OK, KuvBioDnfWriter::writeAllAndTerms(*second, out, table));
  KuvBioBuffer in(out);
  KuvBioTypedIdsReader ids;
  ASSERT_EQ(S_OK, ids.readTypedGuids(in));
  ids.setIndexSizeAccordingToTableSize();
  for (const KuvDnf* expected : {first.get(), second.get()}) {
    KuvDnf* read = nullptr;
    ASSERT_EQ(S_OK, KuvBioDnfReader::readAllAndTerms(in, ids, Map, read));
    EXPECT_EQ(text(*expected), text(*std::unique_ptr<KuvDnf>(read)));
  }
  EXPECT_EQ(0u, in.getRemaining());
}

// Read(Write(d)) prints as d, and Write(Read(b)) gives b back, for random
// normal forms of every leaf kind, with list and map terms.
TEST(KuvBioDnf, RoundTripsOverRandomNormalForms) {
  std::mt19937 rng(20261206);
  for (int i = 0; i < 300; ++i) {
    const auto type = i % 2 == 0 ? List : Map;
    auto dnf = randomDnf(rng, type, i % 7, 1 + i % 9);
    const Bytes bytes = written(*dnf);
    auto back = readBack(bytes, type);
    ASSERT_NE(nullptr, back) << text(*dnf);
    ASSERT_EQ(text(*dnf), text(*back));
    ASSERT_EQ(bytes, written(*back)) << text(*dnf);
  }
}

// Every prefix of a binary is refused, also where the header's length is
// made to agree with it; the analysis needs no more than the table.
TEST(KuvBioDnf, EveryTruncationIsRefused) {
  std::mt19937 rng(11);
  const Bytes whole = written(*randomDnf(rng, List, 5, 15));
  const std::uint32_t count = KuvBioBasic::getUINT32(whole.data() + 11);
  const std::size_t tableEnd = 15 + 17 * std::size_t{count};
  for (std::size_t length = 0; length < whole.size(); ++length) {
    Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    // The refusals' traces are expected by the hundred.
    std::unique_ptr<KuvDnf> sized;
    std::unique_ptr<KuvDnf> trusting;
    HRESULT analysis = E_FAIL;
    kuv_test::captured([&] {
      sized = readBack(prefix);
      if (length < 8) return;
      const std::uint32_t body = static_cast<std::uint32_t>(length - 8);
      for (int i = 0; i < 4; ++i) prefix[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(body >> (24 - 8 * i));
      trusting.reset(KuvBioDnfReader::read_0toEND(prefix.data(), List));
      KuvEVCClassification found;
      analysis = KuvBioDnfReader::analyzeEVCContent(prefix.data(), found);
    });
    EXPECT_EQ(nullptr, sized) << length;
    EXPECT_EQ(nullptr, trusting) << length;
    // A length of 1 is a constant, which the analysis takes as it is.
    EXPECT_EQ(length == 9 || length >= tableEnd ? S_OK : E_FAIL, analysis) << length;
  }
}

TEST(KuvBioDnf, ContentAnalysisReadsTheTableOnly) {
  std::mt19937 rng(3);
  struct Row {
    std::vector<LeafKind> kinds;
    bool variant, evolution, change;
  };
  const Row rows[] = {
      {{LeafKind::Option}, true, false, false},
      {{LeafKind::Selection, LeafKind::CategoryRestriction}, true, false, false},
      {{LeafKind::Serial}, false, true, false},
      {{LeafKind::Date, LeafKind::Milestones, LeafKind::TreeSeries}, false, true, false},
      {{LeafKind::Eff, LeafKind::Option}, true, false, true},
  };
  for (const Row& row : rows) {
    KuvDnf dnf(1, DNF_COND_NONE);
    auto* term = KuvDnfAndTermFactory::create(List, 2);
    for (LeafKind kind : row.kinds) term->addDnfLeaf(*randomLeaf(rng, kind).release());
    dnf.addAndTerm(term);
    KuvEVCClassification found;
    ASSERT_EQ(S_OK, KuvBioDnfReader::analyzeEVCContent(written(dnf).data(), found)) << text(dnf);
    EXPECT_EQ(row.variant, found.isVariant()) << text(dnf);
    EXPECT_EQ(row.evolution, found.isEvolution()) << text(dnf);
    EXPECT_EQ(row.change, found.isChange()) << text(dnf);
  }
  KuvEVCClassification untouched(0);
  untouched.setDate(1);
  const KuvEVCClassification before(untouched);
  EXPECT_EQ(S_OK, KuvBioDnfReader::analyzeEVCContent(written(KuvDnf(DNF_COND_TRUE)).data(), untouched));
  EXPECT_TRUE(before.equals(untouched));
  EXPECT_TRACES(E_FAIL, "UNEXPECTED: 0 variables found in DNF.",
                KuvBioDnfReader::analyzeEVCContent(written(KuvDnf(DNF_COND_NONE)).data(), untouched));
  const Bytes dictionary = fromHex(oneLeafBinary({{8, 1}}, "050001"));
  EXPECT_TRACES(E_FAIL, "ERROR: Unexpected type of var.", KuvBioDnfReader::analyzeEVCContent(dictionary.data(), untouched));
  EXPECT_TRACES(E_FAIL, "ERROR: read_0to8 FAILED.",
                KuvBioDnfReader::analyzeEVCContent(fromHex("646E66020000000102").data(), untouched));
  EXPECT_TRUE(before.equals(untouched));
}

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
    kuv_test::forEachVariant(written(dnf), [&](const Bytes& bytes, const std::string& label) {
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
