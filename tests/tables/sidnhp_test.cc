// SID next-hop table: record and key bytes against the documented layout (the 64-bit values
// close up to the entry's alignment gap), and the smooth index end to end.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

Srv6DbSidNhpEntry Sample() {
  Srv6DbSidNhpEntry e;
  std::memset(&e, 0, sizeof(e));
  e.vrId = 0x11121314;
  e.vrfIndex = 0x21222324;
  e.nhpId = 0x31323334;
  e.attr1 = 0x41424344;
  e.attr2 = 0x51525354;
  for (uint8_t i = 0; i < 6; ++i) e.reserved1[i] = static_cast<uint8_t>(0x60 + i);
  e.shortAttr1 = 0x7172;
  for (uint8_t i = 0; i < 32; ++i) e.reserved2[i] = static_cast<uint8_t>(0x80 + i);
  e.smoothId = 0xA1A2A3A4;
  e.attr3 = 0xB1B2B3B4;
  e.data1 = 0xC1C2C3C4C5C6C7C8;
  e.data2 = 0xD1D2D3D4D5D6D7D8;
  return e;
}

ByteVec SampleRecord() {
  Bytes r(84);
  r.U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x31323334).U32(12, 0x41424344);
  r.U32(16, 0x51525354).Raw(20, {0x60, 0x61, 0x62, 0x63, 0x64, 0x65}).U16(26, 0x7172);
  for (uint8_t i = 0; i < 32; ++i) r.U8(28 + i, static_cast<uint8_t>(0x80 + i));
  r.U32(60, 0xA1A2A3A4).U32(64, 0xB1B2B3B4);
  r.U64(68, 0xC1C2C3C4C5C6C7C8).U64(76, 0xD1D2D3D4D5D6D7D8);
  return r;
}

const ByteVec kSamplePrimaryKey =
    Bytes(12).U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x31323334);

class SidNhp : public LibraryTest {};

TEST_F(SidNhp, RecordHoldsEveryFieldAtItsDocumentedOffset) {
  const Srv6DbSidNhpEntry e = Sample();
  Srv6DbSidNhpRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetSidNhpFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateSidNhp(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SIDNHP, kSamplePrimaryKey, 84), SampleRecord());
}

TEST_F(SidNhp, KeySettersBuildDocumentedWordAndBytes) {
  const Srv6DbSidNhpEntry e = Sample();
  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetSidNhpPriKey(&e, w, k); }, 0x0001000C,
       kSamplePrimaryKey},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetSidNhpSmoothHashKey(&s, w, k); },
       0x0109000C, Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2)},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(SidNhp, SmoothIndexYieldsTheRecordsOfOneVrfAndSmoothId) {
  // Next hops 1 to 4: VRF (1, 2) with smooth id 3 for 1 and 4; 2 has smooth id 4; 3 is in VRF
  // (2, 1) with smooth id 3.
  const struct {
    uint32_t nhpId, vrId, vrfIndex, smoothId;
  } rows[] = {{1, 1, 2, 3}, {2, 1, 2, 4}, {3, 2, 1, 3}, {4, 1, 2, 3}};
  for (const auto &row : rows) {
    Srv6DbSidNhpEntry e = Sample();
    e.nhpId = row.nhpId;
    e.vrId = row.vrId;
    e.vrfIndex = row.vrfIndex;
    e.smoothId = row.smoothId;
    ASSERT_EQ(SRV6_DB_CreateSidNhp(&e), SRV6_DB_OK);
  }
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  ExpectIndexWalk<Srv6DbSidNhpEntry>(
      {"vrf",
       [&] { return SRV6_DB_CreateSidNhpIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       0x0109000C,
       Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2),
       {1, 4}},
      SRV6_DB_GetNextSidNhpEntry, SRV6_DB_ReleaseSidNhpIterator,
      [](const Srv6DbSidNhpEntry &e) { return e.nhpId; });
  EXPECT_EQ(SRV6_DB_CreateSidNhpIteratorByVrf(nullptr, 1), nullptr);
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
