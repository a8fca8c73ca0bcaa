#include "KuvBioDnf/BioDnfModel.h"
#include "KuvBioFiltering/FilteringTestSupport.h"
#include "support/KuvTestSupport.h"

using namespace kuv_test;
using Parser = KuvCompiledBinaryParser;
using filtering_test::optionDnf;

namespace {

using filtering_test::kMode150;

// The text of Guid(n) for n < 256.
std::string guidHex(unsigned n) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string{digits[n >> 4], digits[n & 15]} + std::string(28, '0') + "A5";
}

// Hexadecimal text without the blanks that group it for reading.
std::string hex(std::string grouped) {
  std::erase(grouped, ' ');
  return grouped;
}

std::vector<std::uint8_t> bytesOf(const std::string& grouped) { return bio_dnf_test::fromHex(hex(grouped)); }

std::string write(const KuvInObject& object) {
  KuvBioBufferOut out;
  EXPECT_EQ(S_OK, Parser::Write(object, out));
  return out.toString().ConvertToChar();
}

std::unique_ptr<KuvInObject> read(const std::vector<std::uint8_t>& bytes, HRESULT expected = S_OK) {
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  KuvInObject* object = nullptr;
  EXPECT_EQ(expected, Parser::Read(in, object));
  return std::unique_ptr<KuvInObject>(object);
}

}  // namespace

TEST(CompiledBinary, ExactBytes) {
  KuvFltEffectivity falseEff;
  falseEff.setDnf(KuvDiversityDomain_DWS, CFG_EXPRVIEW_SOURCE, Guid(1).guid(), new KuvDnf(DNF_COND_FALSE));
  EXPECT_EQ(hex("666C74 04 04 00000000 01  01 010000  00000001 08" + guidHex(1) + " 01  00 0001  00 0001  02"),
            write(falseEff));

  // Two dictionaries that share one form: written once, both numbered 1.
  KuvFltFilter shared(CFG_EXPRVIEW_CURRENT, kMode150);
  auto* both = new KuvDnf(DNF_COND_TRUE);
  shared.setDnf(KuvDiversityDomain_ConfigChange, Guid(1).guid(), both);
  shared.setDnf(KuvDiversityDomain_ConfigChange, Guid(2).guid(), both);
  EXPECT_EQ(hex("666C74 03 00  03 03 01 020000  00000002 08" + guidHex(1) + " 08" + guidHex(2) +
                " 01  00 02  00 0001  01 0001  01"),
            write(shared));

  KuvFltApplicability applicability;
  applicability.addCriteria(Guid(1).guid(), new KuvDnf(DNF_COND_FALSE));
  EXPECT_EQ(hex("666C74 03 02  01 020000  00000001 08" + guidHex(1) + " 01  00 01  00 0001  02"),
            write(applicability));

  KuvFltCompositionMatrix matrix;
  matrix.IF_SetCriteria(Guid(1).guid(), new KuvDnf(DNF_COND_TRUE));
  matrix.THEN_SetCriteria(Guid(2).guid(), new KuvDnf(DNF_COND_FALSE));
  EXPECT_EQ(hex("666C74 03 03  02  00000002 08" + guidHex(1) + " 08" + guidHex(2) + "  01 00 01  01 01 02"),
            write(matrix));

  // A real form: the block's table names the dictionary, then the option
  // and its feature; the terms follow the form byte 0.
  KuvFltEffectivity optionEff;
  optionEff.setDnf(KuvDiversityDomain_EngineeringActivation, CFG_EXPRVIEW_PROJECTED, Guid(1).guid(), optionDnf(10, true));
  EXPECT_EQ(hex("666C74 04 04 00000000 01  01 030000  00000003 08" + guidHex(1) + " 01" + guidHex(10) + " 02" +
                guidHex(11) + "  01  02 0001  00 0001  00 00000001 00000001 04 01 02 01 01"),
            write(optionEff));
}

// Each filter view has its byte; the selection mode is stored plus 2.
TEST(CompiledBinary, FilterViewAndModeBytes) {
  const struct {
    KuvExpressionView view;
    int mode;
    const char* bytes;
  } rows[] = {
      {CFG_EXPRVIEW_SOURCE, 0, "01 02"},
      {CFG_EXPRVIEW_CURRENT, 1, "03 03"},
      {CFG_EXPRVIEW_PROJECTED, 4, "02 06"},
      {CFG_EXPRVIEW_NONE, 0, "00 02"},
  };
  for (const auto& row : rows) {
    KuvFltFilter filter(row.view, static_cast<KuvFltFilter::SELECTION_MODE>(row.mode));
    const std::string binary = write(filter);
    EXPECT_EQ(hex(std::string("666C74 03 00 ") + row.bytes + " 00"), binary);
    const auto back = read(bytesOf(binary));
    const KuvFltFilter* filterBack = KuvFltFilter::cast(*back);
    ASSERT_NE(nullptr, filterBack);
    EXPECT_EQ(row.view, filterBack->getView());
    EXPECT_EQ(row.mode, filterBack->getSelectionMode());
  }
  KuvFltFilter badMode(CFG_EXPRVIEW_SOURCE, static_cast<KuvFltFilter::SELECTION_MODE>(5));
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: unexpected.", Parser::Write(badMode, out));
  EXPECT_EQ(0u, out.GetLength());
}

// What a reader meets in the wild: each refusal has its message.
TEST(CompiledBinary, RefusedBinaries) {
  const std::string table1 = "00000001 08" + guidHex(1);
  const struct {
    std::string bytes;
    const char* message;
  } rows[] = {
      {"666C75 03 00", "ERROR : Unexpected header"},
      {"666C74 05 00", "ERROR : Unexpected format for binary"},
      {"666C74 04", "ERROR : readUINT8 for minor version FAILED"},
      {"666C74 04 04 0000", "ERROR : readUINT8 for stamp FAILED"},
      {"666C74 03 07", "ERROR : unexpected."},
      {"666C74 03 00 04 02 00", "ERROR: unexpected."},
      {"666C74 03 00 01 07 00", "ERROR: unexpected."},
      {"666C74 03 00 01 03 01 010000 " + table1 + " 02 00 01 00 0001 00 01 00 0001 01 01",
       "ERROR : one and only one view should be specified for a filter"},
      {"666C74 03 00 01 03 01 010000 " + table1 + " 01 00 01 00 0001 03", "ERROR, DNF is of unknown Type"},
      {"666C74 03 00 01 03 01 010000 00000001 07" + guidHex(1) + " 01 00 01 00 0001 01",
       "ERROR : Given context is not a dico !!! FAIL !!!"},
      {"666C74 03 00 01 03 01 010000 " + table1 + " 01 00 01 00 0000", "ERROR : bad entry of a dictionary"},
      {"666C74 03 01 01 060000", "ERROR : unexpected domain 6"},
      {"666C74 03 01 01 010000 " + table1 + " 01 04 01 00 0001 01", "ERROR : unexpected view 4"},
      // A failed read names the kind it was reading.
      {"666C74 03 00 01 03 01", "ERROR : CompiledBinaryParser::Read for filter FAILED."},
      {"666C74 04 04 00000000 01 01", "ERROR : CompiledBinaryParser::Read for effectivity FAILED."},
      {"666C74 03 02 01", "ERROR : CompiledBinaryParser::Read for applicability FAILED."},
      {"666C74 03 03 02 00000001", "ERROR : CompiledBinaryParser::Read for CompositionMatrix FAILED."},
      {"666C74", "ERROR : ReadHeader FAILED"},
  };
  for (const auto& row : rows) {
    const std::vector<std::uint8_t> bytes = bytesOf(row.bytes);
    KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
    KuvInObject* object = nullptr;
    const std::string traced = captured([&] { EXPECT_EQ(E_FAIL, Parser::Read(in, object)) << row.bytes; });
    EXPECT_NE(std::string::npos, traced.find(row.message)) << row.bytes << "\n" << traced;
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0u, in.getPosition());
  }
  KuvDnf notAFilteringObject(DNF_COND_TRUE);
  KuvBioBufferOut out;
  EXPECT_TRACES(E_FAIL, "ERROR: currently unsupported.", Parser::Write(notAFilteringObject, out));
  KuvFltApplicability empty;
  EXPECT_TRACES(KuvBioConstants::sc_valueTooLarge, "We expect a number between 1 and 254, trying to write 0",
                Parser::Write(empty, out));
  EXPECT_EQ(0u, out.GetLength());
}

// An effectivity of version 3 counts its entries in one byte; it is
// written back in version 4.
TEST(CompiledBinary, EffectivityOfVersion3) {
  const std::string block = "00000001 08" + guidHex(1) + " 01 00 ";
  const auto object = read(bytesOf("666C74 03 01 01 010000 " + block + "01 00 0001 02"));
  ASSERT_NE(nullptr, KuvFltEffectivity::cast(*object));
  EXPECT_EQ(hex("666C74 04 04 00000000 01 01 010000 " + block + "0001 00 0001 02"), write(*object));
}

// A filter keeps its shared forms shared; an effectivity whose entries
// share a number gives each view its own copy.
TEST(CompiledBinary, SharedFormsOnReading) {
  const std::string table = "00000002 08" + guidHex(1) + " 08" + guidHex(2);
  const auto filter = read(bytesOf("666C74 03 00 01 03 01 010000 " + table + " 01 00 02 00 0001 01 0001 01"));
  const KuvFltDomainFilter* domain = KuvFltFilter::cast(*filter)->getFilterForDomain(KuvDiversityDomain_DWS);
  EXPECT_EQ(domain->getDnf(Guid(1).guid()), domain->getDnf(Guid(2).guid()));
  const auto eff = read(bytesOf("666C74 03 01 01 010000 " + table + " 02 00 01 00 0001 01 01 01 0001 01"));
  const KuvFltDomainEffectivity* domainEff = KuvFltEffectivity::cast(*eff)->getDomainEffectivity(1);
  EXPECT_NE(domainEff->getDnf(CFG_EXPRVIEW_SOURCE, Guid(1).guid()),
            domainEff->getDnf(CFG_EXPRVIEW_CURRENT, Guid(2).guid()));
}

TEST(CompiledBinary, ValuatedDomains) {
  KuvFltFilter filter(CFG_EXPRVIEW_SOURCE, kMode150);
  filter.setDnf(KuvDiversityDomain_DWS, Guid(1).guid(), new KuvDnf(DNF_COND_TRUE));
  filter.setDnf(KuvDiversityDomain_EngineeringActivation, Guid(1).guid(), new KuvDnf(DNF_COND_TRUE));
  KuvFltEffectivity eff;
  eff.setDnf(KuvDiversityDomain_ConfigChangeVariant, CFG_EXPRVIEW_NONE, Guid(1).guid(), new KuvDnf(DNF_COND_TRUE));
  const struct {
    const KuvInObject* object;
    std::vector<std::uint32_t> domains;
  } rows[] = {{&filter, {1, 3}}, {&eff, {5}}};
  for (const auto& row : rows) {
    const std::vector<std::uint8_t> bytes = bytesOf(write(*row.object));
    KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
    KuvInListVal domains(KuvInIntHolder::sType());
    ASSERT_EQ(S_OK, Parser::GetValuatedDomains(in, domains));
    ASSERT_EQ(static_cast<std::int32_t>(row.domains.size()), domains.GetLength());
    for (std::size_t i = 0; i < row.domains.size(); ++i)
      EXPECT_EQ(row.domains[i], KuvInIntHolder::cast(*domains.Get(static_cast<std::int32_t>(i)))->getValue());
    for (std::uint32_t d = 1; d <= 5; ++d) {
      const bool listed = std::find(row.domains.begin(), row.domains.end(), d) != row.domains.end();
      EXPECT_EQ(listed ? S_OK : S_FALSE, Parser::IsDomainValuated(in, static_cast<KuvDiversityDomain>(d)));
    }
    EXPECT_EQ(0u, in.getPosition());
  }
  KuvBioBuffer empty;
  KuvInListVal domains(KuvInIntHolder::sType());
  EXPECT_EQ(S_FALSE, Parser::GetValuatedDomains(empty, domains));
  EXPECT_EQ(S_FALSE, Parser::IsDomainValuated(empty, KuvDiversityDomain_DWS));
  const std::vector<std::uint8_t> bad = bytesOf("666C74 03 00 01 03 02 0100");
  KuvBioBuffer in(bad.data(), static_cast<std::uint32_t>(bad.size()), 0);
  EXPECT_TRACES(E_FAIL, "ERROR : GetValuatedDomains FAILED", Parser::IsDomainValuated(in, KuvDiversityDomain_DWS));
}

namespace {

// Random filtering objects over three dictionaries, with TRUE, FALSE and
// option or colour forms.
class Generator {
public:
  explicit Generator(unsigned seed) : m_rng(seed) {}

  KuvDnf* form() {
    switch (pick(4)) {
      case 0: return new KuvDnf(DNF_COND_TRUE);
      case 1: return new KuvDnf(DNF_COND_FALSE);
      case 2: {
        const bool negated = pick(2) == 0;  // drawn in sequence: the same forms from every compiler
        return optionDnf(10 + 2 * pick(3), negated);
      }
    }
    auto* dnf = new KuvDnf(DNF_COND_NONE);
    for (unsigned t = 0, n = 1 + pick(2); t < n; ++t) {
      auto* colours = new KuvDnfSelectionEff(Guid(30).guid(), 2, pick(2) == 0, false);
      for (unsigned v = 0, values = 1 + pick(2); v < values; ++v) colours->putValue(Guid(31 + pick(3)).guid());
      auto* term = new KuvDnfAndTermMap(2);
      term->addDnfLeaf(*colours);
      if (pick(2) == 0) {
        const bool negated = pick(2) == 0;
        term->addDnfLeaf(*new KuvDnfOptionEff(Guid(40).guid(), Guid(41).guid(), 1 + pick(7), negated));
      }
      dnf->addAndTerm(term);
    }
    return dnf;
  }
  unsigned pick(unsigned n) { return static_cast<unsigned>(m_rng() % n); }
  KuvInGuid dictionary() { return Guid(1 + pick(3)).guid(); }

  std::unique_ptr<KuvInObject> object() {
    switch (pick(4)) {
      case 0: {
        const auto mode = static_cast<KuvFltFilter::SELECTION_MODE>(pick(5));
        auto filter = std::make_unique<KuvFltFilter>(static_cast<KuvExpressionView>(pick(4)), mode);
        for (int d = 1; d <= 5; ++d) {
          if (pick(2) == 0) continue;
          KuvDnf* dnf = form();
          filter->setDnf(static_cast<KuvDiversityDomain>(d), dictionary(), dnf);
          if (pick(2) == 0) filter->setDnf(static_cast<KuvDiversityDomain>(d), dictionary(), pick(2) == 0 ? dnf : form());
        }
        return filter;
      }
      case 1: {
        auto eff = std::make_unique<KuvFltEffectivity>();
        for (int d = 1; d <= 5; ++d)
          for (int v = 0; v < 4 && pick(2) == 0; ++v)
            for (unsigned n = 0, count = 1 + pick(3); n < count; ++n)
              eff->setDnf(static_cast<KuvDiversityDomain>(d), static_cast<KuvExpressionView>(pick(4)), dictionary(), form());
        return eff;
      }
      case 2: {
        auto applicability = std::make_unique<KuvFltApplicability>();
        for (unsigned n = 0, count = 1 + pick(3); n < count; ++n) applicability->addCriteria(dictionary(), form());
        return applicability;
      }
    }
    auto matrix = std::make_unique<KuvFltCompositionMatrix>();
    for (unsigned n = 0, count = pick(3); n < count; ++n) matrix->IF_SetCriteria(dictionary(), form());
    for (unsigned n = 0, count = pick(3); n < count; ++n) matrix->THEN_SetCriteria(dictionary(), form());
    return matrix;
  }

private:
  std::mt19937 m_rng;
};

}  // namespace

// Reading a binary and writing it again gives the same bytes (texts may
// differ: a selection lists its values in hash order); every proper prefix of a binary is refused without moving the
// cursor or leaving an object.
TEST(CompiledBinary, RoundTripAndTruncation) {
  Generator generator(20261206);
  for (int round = 0; round < 200; ++round) {
    const std::unique_ptr<KuvInObject> made = generator.object();
    const std::string binary = write(*made);
    const std::vector<std::uint8_t> bytes = bytesOf(binary);
    const auto back = read(bytes);
    ASSERT_NE(nullptr, back) << binary;
    EXPECT_EQ(binary, write(*back));
    if (round % 10 != 0) continue;
    captured([&] {
      for (std::uint32_t size = 0; size < bytes.size(); ++size) {
        KuvBioBuffer in(bytes.data(), size, 0);
        KuvInObject* object = nullptr;
        EXPECT_TRUE(FAILED(Parser::Read(in, object))) << size << " of " << binary;
        EXPECT_EQ(nullptr, object);
        EXPECT_EQ(0u, in.getPosition());
      }
    });
  }
}

// Binaries read one after the other from one buffer.
TEST(CompiledBinary, ReadStopsAfterItsBinary) {
  KuvFltApplicability applicability;
  applicability.addCriteria(Guid(1).guid(), optionDnf(10, false));
  KuvFltFilter filter(CFG_EXPRVIEW_SOURCE, kMode150);
  const std::vector<std::uint8_t> bytes = bytesOf(write(applicability) + write(filter));
  KuvBioBuffer in(bytes.data(), static_cast<std::uint32_t>(bytes.size()), 0);
  KuvInObject* first = nullptr;
  KuvInObject* second = nullptr;
  ASSERT_EQ(S_OK, Parser::Read(in, first));
  ASSERT_EQ(S_OK, Parser::Read(in, second));
  const std::unique_ptr<KuvInObject> owned1(first), owned2(second);
  EXPECT_NE(nullptr, KuvFltApplicability::cast(*first));
  EXPECT_NE(nullptr, KuvFltFilter::cast(*second));
  EXPECT_EQ(0u, in.getRemaining());
  EXPECT_TRACES(E_INVALIDARG, "ERROR: output parameter should be NULL.", Parser::Read(in, first));
}

// With call tracing the writer shows the object and the bytes it wrote.
TEST(CompiledBinary, TracesOfWrite) {
  KuvFltCompositionMatrix matrix;
  const ScopedFlags flags(Parser::traceChannel(), 3);
  KuvBioBufferOut out;
  const std::string traced = captured([&] { EXPECT_EQ(S_OK, Parser::Write(matrix, out)); });
  for (const char* line : {"WRITING compiled binary for Filtering Object : ", "FltCompositionMatrix : ",
                           "WRITTEN compiled binary : ", "666C7403030200000000"})
    EXPECT_NE(std::string::npos, traced.find(line)) << traced;
}
