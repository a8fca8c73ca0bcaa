// The typed-GUID table: exact bytes, indices in order of first
// registration, and a reader that refuses what the bytes cannot hold.
#include "support/KuvTestSupport.h"

namespace {

using C = KuvBioConstants;
using kuv_test::Guid;

TEST(KuvBioTypedIds, TableBytesAndIndices) {
  KuvBioTypedIdsWriter writer;
  writer.registerTypedGuid(C::E_SerialVar, Guid(2).guid());
  writer.registerTypedGuid(C::E_Option, Guid(1).guid());
  writer.registerTypedGuid(C::E_SerialVar, Guid(2).guid());  // already there
  writer.registerTypedGuid(C::E_Category, Guid(2).guid());   // same GUID, other kind
  EXPECT_EQ(3u, writer.getNbTypedGuids());
  KuvBioBufferOut out;
  writer.writeTypedUids(out);
  ASSERT_EQ(S_OK, writer.writeIndex(out, Guid(2).guid(), C::E_Category));
  ASSERT_EQ(S_OK, writer.writeIndex(out, Guid(1).guid(), C::E_Option));
  EXPECT_TRACES(E_FAIL, "ERROR: NULL pointer", writer.writeIndex(out, Guid(1).guid(), C::E_DateVar));
  EXPECT_EQ("00000003"
            "03020000000000000000000000000000A5"
            "01010000000000000000000000000000A5"
            "02020000000000000000000000000000A5"
            "0201",
            kuv_test::text(out));
  writer.clean();
  EXPECT_EQ(0u, writer.getNbTypedGuids());
  EXPECT_TRACES(E_FAIL, "", writer.writeIndex(out, Guid(1).guid(), C::E_Option));
}

// 256 entries need two-byte indices; each index resolves to its entry.
TEST(KuvBioTypedIds, ReaderResolvesWhatTheWriterWrote) {
  for (unsigned count : {1u, 255u, 256u}) {
    KuvBioTypedIdsWriter writer;
    for (unsigned n = 1; n <= count; ++n)
      writer.registerTypedGuid(static_cast<C::E_VarType>(n % 10 + 1), Guid(n).guid());
    KuvBioBufferOut out;
    writer.writeTypedUids(out);
    for (unsigned n = count; n >= 1; --n)
      ASSERT_EQ(S_OK, writer.writeIndex(out, Guid(n).guid(), static_cast<C::E_VarType>(n % 10 + 1)));
    KuvBioBuffer in(out);
    KuvBioTypedIdsReader reader;
    ASSERT_EQ(S_OK, reader.readTypedGuids(in));
    reader.setIndexSizeAccordingToTableSize();
    EXPECT_EQ(writer.getIndexSize(), reader.getIndexSize());
    EXPECT_EQ(count < 256 ? C::E_IndexSize1 : C::E_IndexSize2, reader.getIndexSize());
    for (unsigned n = count; n >= 1; --n) {
      std::uint8_t type = 0;
      const std::uint8_t* guid = nullptr;
      ASSERT_EQ(S_OK, reader.readIndexGetTypedGuid(in, type, guid));
      EXPECT_EQ(n % 10 + 1, type);
      EXPECT_EQ(0, std::memcmp(Guid(n).data(), guid, 16));
    }
    EXPECT_EQ(in.getSize(), in.getPosition());
  }
}

TEST(KuvBioTypedIds, ReaderRefusesWhatTheBytesCannotHold) {
  struct Row {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  const Row rows[] = {
      {"short count", {0, 0, 1}},
      {"one entry promised, 16 bytes there", {0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"count * 17 past 32 bits", {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}},
      {"count * 17 wrapping to a small number", {0x0F, 0x0F, 0x0F, 0x10, 1, 2, 3}},
  };
  for (const Row& row : rows) {
    KuvBioBuffer in(row.bytes.data(), static_cast<std::uint32_t>(row.bytes.size()), 0);
    KuvBioTypedIdsReader reader;
    EXPECT_EQ(E_FAIL, reader.readTypedGuids(in)) << row.name;
    EXPECT_EQ(0u, in.getPosition()) << row.name;
    EXPECT_EQ(0u, reader.getNbTypedIds()) << row.name;
  }
  const std::uint8_t oneEntry[] = {0, 0, 0, 1, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xEE, 1, 0};
  KuvBioBuffer in(oneEntry, sizeof oneEntry, 0);
  KuvBioTypedIdsReader reader;
  ASSERT_EQ(S_OK, reader.readTypedGuids(in));
  EXPECT_EQ(C::E_IndexSize4, reader.getIndexSize());  // until set
  reader.setIndexSize(C::E_IndexSize2);
  std::uint8_t type = 0;
  const std::uint8_t* guid = nullptr;
  EXPECT_EQ(E_FAIL, reader.getTypedGuidAtIndex(1, type, guid));
  ASSERT_EQ(S_OK, reader.getTypedGuidAtIndex(0, type, guid));
  EXPECT_EQ(7, type);
  EXPECT_EQ(oneEntry + 5, guid);  // in place, not copied
  EXPECT_EQ(E_FAIL, reader.readIndexGetTypedGuid(in, type, guid));  // index 0xEE01
  EXPECT_EQ(21u, in.getPosition());
  reader.setIndexSize(C::E_IndexSize1);
  in.increment(1);
  EXPECT_EQ(S_OK, reader.readIndexGetTypedGuid(in, type, guid));
  EXPECT_EQ(E_FAIL, reader.readIndexGetTypedGuid(in, type, guid));  // nothing left
}

}  // namespace
