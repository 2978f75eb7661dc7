// SID function table: the moved 16-bit values and port group id, the unwritten record word,
// the keys, and both secondary indexes end to end.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

const Srv6DbSidFunctEntry kSample = {.vrId = 0x11121314,
                                     .vrfIndex = 0x21222324,
                                     .functId = 0x31323334,
                                     .attr1 = 0x41424344,
                                     .attr2 = 0x51525354,
                                     .portGroupId = 0x61626364,
                                     .shortAttr1 = 0x7172,
                                     .shortAttr2 = 0x7374,
                                     .attr3 = 0x81828384,
                                     .attr4 = 0x91929394,
                                     .smoothId = 0xA1A2A3A4,
                                     .attr5 = 0xB1B2B3B4,
                                     .attr6 = 0xC1C2C3C4,
                                     .data1 = 0xD1D2D3D4D5D6D7D8,
                                     .data2 = 0xE1E2E3E4E5E6E7E8};
// shortAttr2, shortAttr1 and portGroupId at 20, 22, 24; offset 36 never written.
const ByteVec kRecord = Bytes(68)
                            .U32s(0, {0x11121314, 0x21222324, 0x31323334, 0x41424344, 0x51525354})
                            .U16(20, 0x7374)
                            .U16(22, 0x7172)
                            .U32s(24, {0x61626364, 0x81828384, 0x91929394})
                            .U32s(40, {0xA1A2A3A4, 0xB1B2B3B4, 0xC1C2C3C4})
                            .U64s(52, {0xD1D2D3D4D5D6D7D8, 0xE1E2E3E4E5E6E7E8});
const ByteVec kPrimaryKey = Bytes(12).U32s(0, {0x11121314, 0x21222324, 0x31323334});

class SidFunct : public LibraryTest {};

TEST_F(SidFunct, RecordAndKeysHoldTheDocumentedBytes) {
  Srv6DbSidFunctRecord r = {};
  SRV6_DB_SetSidFunctFields(&kSample, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), kRecord);
  ASSERT_EQ(SRV6_DB_CreateSidFunct(&kSample), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SID_FUNCT, kPrimaryKey, 68), kRecord);

  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {{"primary", 0x0001000C, kPrimaryKey},
       [](uint32_t *w, void *k) { SRV6_DB_SetSidFunctPriKey(&kSample, w, k); }},
      {{"smooth", 0x0109000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetSidFunctSmoothHashKey(&s, w, k); }},
      {{"port group", 0x0209000C, Bytes(12).U32s(0, {0x11121314, 0x21222324, 0x61626364})},
       [](uint32_t *w, void *k) { SRV6_DB_SetSidFunctPortGroupHashKeyField(&kSample, w, k); }},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(SidFunct, SecondaryIndexesYieldTheirRecords) {
  // {functId naming the record, vrfIndex, portGroupId, smoothId}, all of vrId 1.
  const uint32_t rows[][4] = {{1, 2, 5, 9}, {2, 2, 5, 3}, {3, 2, 6, 3}, {4, 3, 5, 3}};
  for (const auto &[functId, vrfIndex, portGroupId, smoothId] : rows) {
    Srv6DbSidFunctEntry e = kSample;
    e.vrId = 1, e.vrfIndex = vrfIndex, e.functId = functId;
    e.portGroupId = portGroupId, e.smoothId = smoothId;
    ASSERT_EQ(SRV6_DB_CreateSidFunct(&e), SRV6_DB_OK);
  }
  Srv6DbSidFunctEntry byGroup = kSample;  // functId and the rest play no part
  byGroup.vrId = 1, byGroup.vrfIndex = 2, byGroup.portGroupId = 5;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const IndexCase cases[] = {
      {{"vrf", 0x0109000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&] { return SRV6_DB_CreateSidFunctIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       {2, 3}},
      {{"port group", 0x0209000C, Bytes(12).U32s(0, {1, 2, 5})},
       [&] { return SRV6_DB_CreateSidFunctIteratorByPortGroup(&byGroup, SRV6_DB_ITER_NO_COUNT); },
       {1, 2}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk(c, SRV6_DB_GetNextSidFunctEntry, SRV6_DB_ReleaseSidFunctIterator,
                    &Srv6DbSidFunctEntry::functId);
  }
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
