// The byte layer every binary rests on: big-endian order, the growth rule a
// host observes through the capacity, and reads that fail without moving.
#include "support/KuvTestSupport.h"

namespace {

using C = KuvBioConstants;

TEST(KuvBioBufferOut, WritesBigEndian) {
  KuvBioBufferOut out;
  out.writeUINT16(0x12345);  // cut to 16 bits
  out.writeINT32(-2);
  out.writeIndex(0x0A0B0C0D, C::E_IndexSize1);
  out.writeIndex(0x0A0B0C0D, C::E_IndexSize2);
  out.writeIndex(0x0A0B0C0D, C::E_IndexSize4);
  out.writeIndex(7, static_cast<C::E_IndexSize>(3));
  out.writeGuid(kuv_test::Guid(0x0201).guid());
  EXPECT_EQ("2345FFFFFFFE0D0C0D0A0B0C0D010200000000000000000000000000A5", kuv_test::text(out));
  EXPECT_EQ(C::sc_valueTooLarge, out.writeUINT16WithCheck(65536));
  EXPECT_EQ(S_OK, out.writeUINT16WithCheck(65535));
  EXPECT_EQ(31u, out.GetLength());
}

// The capacity is handed to hosts with the array, so each step is pinned.
TEST(KuvBioBufferOut, GrowsByTheWrittenRule) {
  KuvBioBufferOut out;
  std::vector<std::uint32_t> capacities;
  for (int i = 0; i < 9; ++i) {
    out.PutBack(static_cast<std::uint8_t>(i));
    capacities.push_back(out.GetCapacity());
  }
  EXPECT_EQ((std::vector<std::uint32_t>{4, 4, 4, 4, 8, 8, 8, 8, 16}), capacities);

  KuvBioBufferOut block;
  block.PutBack(out);  // from 0: the needed size, at least 4
  EXPECT_EQ(9u, block.GetCapacity());
  block.PutBack(out);  // twice the capacity beats the needed 18
  EXPECT_EQ(18u, block.GetCapacity());
  block.PutBack(block);  // the needed 36 beats nothing smaller; self-append is safe
  EXPECT_EQ(36u, block.GetCapacity());
  EXPECT_EQ(36u, block.GetLength());
  EXPECT_EQ(8, block.Get(35));
  KuvBioBufferOut small;
  small.PutBack(KuvBioBufferOut());  // reaching the capacity 0 already grows
  EXPECT_EQ(4u, small.GetCapacity());
  small.PutBack(KuvBioBufferOut());
  EXPECT_EQ(4u, small.GetCapacity());
  for (int i = 0; i < 8; ++i) out.PutBack(*out.GetAsPtr(1));  // our own byte, also when it grows
  EXPECT_EQ(1, out.Get(15));
  EXPECT_EQ(1, out.Get(16));
}

TEST(KuvBioBufferOut, InsertsInPlaceOrGrows) {
  KuvBioBufferOut out;
  for (std::uint8_t b : {1, 2, 3}) out.PutBack(b);  // capacity 4
  const std::uint8_t two[] = {0xA, 0xB};
  EXPECT_EQ(E_FAIL, out.Insert(4, two[0], 2));
  EXPECT_EQ(S_OK, out.Insert(3, two[0], 0));  // 3 + 0 < 4: in place
  EXPECT_EQ(4u, out.GetCapacity());
  EXPECT_EQ(S_OK, out.Insert(1, two[0], 1));  // 3 + 1 reaches 4: grows to 8
  EXPECT_EQ(8u, out.GetCapacity());
  EXPECT_EQ(S_OK, out.Insert(0, *out.GetAsPtr(2), 2));  // from its own bytes
  EXPECT_EQ(S_OK, out.Insert(6, two[0], 2));           // 6 + 2 reaches 8: grows to 16
  EXPECT_EQ("0203010A02030A0B", kuv_test::text(out));
  EXPECT_EQ(16u, out.GetCapacity());
}

TEST(KuvBioBufferOut, OverwritesOnlyInsideTheWrittenBytes) {
  KuvBioBufferOut out;
  for (int i = 0; i < 6; ++i) out.PutBack(0);
  EXPECT_EQ(S_OK, out.overwriteUINT32(4, 0x11223344));
  EXPECT_EQ(S_OK, out.overwriteUINT16(0, 0xABCD));
  EXPECT_EQ(C::sc_valueTooLarge, out.overwriteUINT16(2, 0x10000));
  EXPECT_EQ(S_OK, out.overwriteUINT16(5, 0x5566));
  EXPECT_EQ("ABCD00001155", kuv_test::text(out));
  EXPECT_EQ(E_FAIL, out.Set(6, 1));
  EXPECT_EQ(nullptr, out.GetAsPtr(6));
  EXPECT_EQ(0, out.Get(6));
}

TEST(KuvBioBufferOut, HandsItsArrayOver) {
  auto* out = new KuvBioBufferOut;
  for (std::uint8_t b : {1, 2, 0xAB, 4, 5}) out->PutBack(b);
  const std::uint8_t* bytes = nullptr;
  std::uint32_t size = 0;
  std::uint32_t capacity = 0;
  ASSERT_EQ(S_OK, KuvBioBufferOut::KeepByteAndDeleteObject(out, bytes, size, capacity));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(5u, size);
  EXPECT_EQ(8u, capacity);
  EXPECT_EQ("0102AB", kuv_test::text(KuvBioBuffer(bytes, 3, 0)));
  // The host frees it as any plain allocation; the sanitizers check the pairing.
  std::free(const_cast<std::uint8_t*>(bytes));
  EXPECT_EQ(E_FAIL, KuvBioBufferOut::KeepByteAndDeleteObject(out, bytes, size, capacity));
}

// Whatever is written reads back in order, whichever width each value took.
TEST(KuvBioBuffer, ReadsBackWhatWasWritten) {
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    KuvBioBufferOut out;
    std::vector<std::pair<int, std::uint32_t>> written;
    for (int i = static_cast<int>(random() % 40); i > 0; --i) {
      const int kind = static_cast<int>(random() % 4);
      const std::uint32_t v = static_cast<std::uint32_t>(random());
      if (kind == 0) out.PutBack(static_cast<std::uint8_t>(v));
      if (kind == 1) out.writeUINT16(v);
      if (kind == 2) out.writeUINT32(v);
      if (kind == 3) out.writeIndex(v, C::E_IndexSize2);
      written.emplace_back(kind, kind == 0 ? v & 0xFF : kind == 2 ? v : v & 0xFFFF);
    }
    KuvBioBuffer in(out);
    for (const auto& [kind, expected] : written) {
      std::uint32_t v = 0;
      std::uint8_t b = 0;
      std::uint16_t w = 0;
      const HRESULT hr = kind == 0   ? in.readUINT8(b)
                         : kind == 1 ? in.readUINT16(w)
                         : kind == 2 ? in.readUINT32(v)
                                     : in.readIndex(C::E_IndexSize2, v);
      ASSERT_EQ(S_OK, hr);
      if (kind == 0) v = b;
      if (kind == 1) v = w;
      ASSERT_EQ(expected, v);
    }
    EXPECT_EQ(in.getSize(), in.getPosition());
  }
}

TEST(KuvBioBuffer, FailedReadsStayPut) {
  const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7};
  struct Row {
    std::uint32_t width;
    const char* message;
  };
  for (const Row& row : {Row{1, "ERROR: getUINT8 failed"}, Row{2, "ERROR: getUINT16 failed"},
                         Row{4, "ERROR: getUINT32 failed"}}) {
    for (std::uint32_t left = 0; left < row.width; ++left) {
      KuvBioBuffer in(bytes, 7, 0);
      in.increment(7 - left);
      std::uint8_t b = 0;
      std::uint16_t w = 0;
      std::uint32_t v = 0;
      if (row.width == 1) EXPECT_TRACES(E_FAIL, row.message, in.readUINT8(b));
      if (row.width == 2) EXPECT_TRACES(E_FAIL, row.message, in.readUINT16(w));
      if (row.width == 4) EXPECT_TRACES(E_FAIL, row.message, in.readUINT32(v));
      EXPECT_EQ(E_FAIL, in.readIndex(static_cast<C::E_IndexSize>(row.width), v));
      EXPECT_EQ(7 - left, in.getPosition());
    }
  }
  KuvBioBuffer in(bytes, 7, 0);
  std::uint32_t v = 0;
  EXPECT_EQ(E_FAIL, in.getIndex(static_cast<C::E_IndexSize>(3), v));
  EXPECT_EQ(S_OK, in.getIndex(C::E_IndexSize4, v));
  EXPECT_EQ(0x01020304u, v);
  EXPECT_EQ(0u, in.getPosition());
  EXPECT_FALSE(in.isReadValid(0xFFFFFFFFull * 17));
}

// A copy of an owning buffer owns its own bytes and outlives the source; a
// copy of a non-owning one reads the caller's bytes in place.
TEST(KuvBioBuffer, CopiesFollowOwnership) {
  std::vector<std::uint8_t> bytes{9, 8, 7};
  KuvBioBuffer shared(bytes.data(), 3, 0);
  shared.increment(1);
  auto owning = std::make_unique<KuvBioBuffer>(bytes.data(), 3, 1);
  owning->increment(2);
  KuvBioBuffer copyOfShared(shared);
  KuvBioBuffer copyOfOwning(*owning);
  owning.reset();
  bytes[2] = 0x70;
  std::uint8_t b = 0;
  EXPECT_EQ(S_OK, copyOfShared.readUINT8(b));
  EXPECT_EQ(8, b);
  EXPECT_EQ(bytes.data(), copyOfShared.getBytes());
  EXPECT_EQ(S_OK, copyOfOwning.readUINT8(b));
  EXPECT_EQ(7, b);
  copyOfOwning = copyOfOwning;
  copyOfOwning = shared;
  EXPECT_FALSE(copyOfOwning.isOwning());
  EXPECT_EQ(1u, copyOfOwning.getPosition());
  copyOfOwning = KuvBioBufferOut();
  EXPECT_EQ(0u, copyOfOwning.getSize());
  EXPECT_EQ("090870", kuv_test::text(shared));
}

TEST(KuvBioBasic, IndexWidths) {
  for (auto [n, size] : {std::pair{0u, 1}, {255u, 1}, {256u, 2}, {65535u, 2}, {65536u, 4}, {0xFFFFFFFFu, 4}})
    EXPECT_EQ(size, KuvBioBasic::getIndexSizeFromNbIndices(n)) << n;
  for (int byte = 0; byte < 256; ++byte) {
    C::E_IndexSize size = C::E_IndexSize2;
    const bool width = byte == 1 || byte == 2 || byte == 4;
    EXPECT_EQ(width ? S_OK : E_FAIL, KuvBioBasic::getIndexSizeFromByte(static_cast<std::uint8_t>(byte), size));
    EXPECT_EQ(width ? byte : 2, size);
  }
  const std::uint8_t p[] = {0xFF, 0xFE, 0xFD, 0xFC};
  EXPECT_EQ(-66052, KuvBioBasic::getINT32(p));
  EXPECT_EQ(0xFFFEu, KuvBioBasic::getIndex(p, C::E_IndexSize2));
}

TEST(KuvBioFlags, ReadsTwoWidthsOrNothing) {
  KuvBioBufferOut out;
  KuvBioFlags::write(out, C::E_IndexSize4, C::E_IndexSize1);
  out.PutBack(3);
  KuvBioBuffer in(out);
  C::E_IndexSize first = C::E_IndexSize2;
  C::E_IndexSize second = C::E_IndexSize2;
  ASSERT_EQ(S_OK, KuvBioFlags::read(in, first, second));
  EXPECT_EQ(C::E_IndexSize4, first);
  EXPECT_EQ(C::E_IndexSize1, second);
  in.reset();
  in.increment(1);
  EXPECT_EQ(E_FAIL, KuvBioFlags::read(in, first, second));  // 0x01 then the bad 0x03
  in.increment(1);
  EXPECT_EQ(E_FAIL, KuvBioFlags::read(in, first, second));  // one byte left
  EXPECT_EQ(2u, in.getPosition());
  EXPECT_EQ(C::E_IndexSize4, first);
}

}  // namespace
