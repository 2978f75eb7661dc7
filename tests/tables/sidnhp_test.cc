// SID next-hop table: record and key bytes against the documented layout (the 64-bit values
// close up the entry's alignment gap), and the smooth index end to end.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

Srv6DbSidNhpEntry Sample() {
  Srv6DbSidNhpEntry e = {.vrId = 0x11121314,
                         .vrfIndex = 0x21222324,
                         .nhpId = 0x31323334,
                         .attr1 = 0x41424344,
                         .attr2 = 0x51525354,
                         .reserved1 = {0x60, 0x61, 0x62, 0x63, 0x64, 0x65},
                         .shortAttr1 = 0x7172,
                         .reserved2 = {},
                         .smoothId = 0xA1A2A3A4,
                         .attr3 = 0xB1B2B3B4,
                         .data1 = 0xC1C2C3C4C5C6C7C8,
                         .data2 = 0xD1D2D3D4D5D6D7D8};
  Ramp(e.reserved2, 32, 0x80);
  return e;
}

const ByteVec kRecord = Bytes(84)
                            .U32s(0, {0x11121314, 0x21222324, 0x31323334, 0x41424344, 0x51525354})
                            .Raw(20, {0x60, 0x61, 0x62, 0x63, 0x64, 0x65})
                            .U16(26, 0x7172)
                            .Ramp(28, 32, 0x80)
                            .U32s(60, {0xA1A2A3A4, 0xB1B2B3B4})
                            .U64s(68, {0xC1C2C3C4C5C6C7C8, 0xD1D2D3D4D5D6D7D8});
const ByteVec kPrimaryKey = Bytes(12).U32s(0, {0x11121314, 0x21222324, 0x31323334});

class SidNhp : public LibraryTest {};

TEST_F(SidNhp, RecordAndKeysHoldTheDocumentedBytes) {
  const Srv6DbSidNhpEntry e = Sample();
  Srv6DbSidNhpRecord r = {};
  SRV6_DB_SetSidNhpFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), kRecord);
  ASSERT_EQ(SRV6_DB_CreateSidNhp(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SIDNHP, kPrimaryKey, 84), kRecord);

  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {{"primary", 0x0001000C, kPrimaryKey},
       [&](uint32_t *w, void *k) { SRV6_DB_SetSidNhpPriKey(&e, w, k); }},
      {{"smooth", 0x0109000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetSidNhpSmoothHashKey(&s, w, k); }},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(SidNhp, SmoothIndexYieldsTheRecordsOfOneVrfAndSmoothId) {
  // {nhpId naming the record, vrId, vrfIndex, smoothId}.
  const uint32_t rows[][4] = {{1, 1, 2, 3}, {2, 1, 2, 4}, {3, 2, 1, 3}, {4, 1, 2, 3}};
  for (const auto &[nhpId, vrId, vrfIndex, smoothId] : rows) {
    Srv6DbSidNhpEntry e = Sample();
    e.nhpId = nhpId, e.vrId = vrId, e.vrfIndex = vrfIndex, e.smoothId = smoothId;
    ASSERT_EQ(SRV6_DB_CreateSidNhp(&e), SRV6_DB_OK);
  }
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  ExpectIndexWalk({{"vrf", 0x0109000C, Bytes(12).U32s(0, {3, 1, 2})},
                   [&] { return SRV6_DB_CreateSidNhpIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
                   {1, 4}},
                  SRV6_DB_GetNextSidNhpEntry, SRV6_DB_ReleaseSidNhpIterator,
                  &Srv6DbSidNhpEntry::nhpId);
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
