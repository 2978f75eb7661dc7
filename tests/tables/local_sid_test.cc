// Local SID table: record and key bytes against the documented layout, both secondary
// indexes end to end.
#include <gtest/gtest.h>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

const Srv6DbLocalSidEntry kSample = {.vrId = 0x11121314,
                                     .vrfIndex = 0x21222324,
                                     .sid = {0x20010DB8, 0x10002, 0x30004, 0x50006},
                                     .prefixLen = 0x40,
                                     .reserved1 = {0xA1, 0xA2, 0xA3},
                                     .functId = 0x31323334,
                                     .attr1 = 0x41424344,
                                     .attr2 = 0x51525354,
                                     .smoothId = 0x61626364,
                                     .attr3 = 0x71727374,
                                     .attr4 = 0x81828384,
                                     .data1 = 0x9192939495969798,
                                     .data2 = 0xA1A2A3A4A5A6A7A8};
const ByteVec kRecord =
    Bytes(68)
        .U32s(0, {0x11121314, 0x21222324})
        .Ipv6(8, {0x20010DB8, 0x10002, 0x30004, 0x50006})
        .Raw(24, {0x40, 0xA1, 0xA2, 0xA3})
        .U32s(28, {0x31323334, 0x41424344, 0x51525354, 0x61626364, 0x71727374, 0x81828384})
        .U64s(52, {0x9192939495969798, 0xA1A2A3A4A5A6A7A8});
const ByteVec kPrimaryKey = Bytes(25)
                                .U32s(0, {0x11121314, 0x21222324})
                                .Ipv6(8, {0x20010DB8, 0x10002, 0x30004, 0x50006})
                                .U8(24, 0x40);

class LocalSid : public LibraryTest {};

TEST_F(LocalSid, RecordAndKeysHoldTheDocumentedBytes) {
  Srv6DbLocalSidRecord r = {};
  SRV6_DB_SetLocalSidFields(&kSample, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), kRecord);
  ASSERT_EQ(SRV6_DB_CreateLocalSid(&kSample), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_LOCAL_SID, kPrimaryKey, 68), kRecord);

  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {{"primary", 0x00010019, kPrimaryKey},
       [](uint32_t *w, void *k) { SRV6_DB_SetLocalSidPriKey(&kSample, w, k); }},
      {{"function id", 0x0109000C, Bytes(12).U32s(0, {0x11121314, 0x21222324, 0x31323334})},
       [](uint32_t *w, void *k) { SRV6_DB_SetLocalSidHashKeyField(&kSample, w, k); }},
      {{"smooth", 0x0209000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetLocalSidSmoothHashKey(&s, w, k); }},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(LocalSid, SecondaryIndexesYieldTheirRecords) {
  // {attr1 naming the record, vrfIndex, functId, smoothId}, all of vrId 1. Record 4 would
  // match both keys below but lives in VRF (1, 9).
  const uint32_t rows[][4] = {{1, 2, 7, 3}, {2, 2, 7, 4}, {3, 2, 8, 3}, {4, 9, 7, 3}};
  for (const auto &[attr1, vrfIndex, functId, smoothId] : rows) {
    Srv6DbLocalSidEntry e = kSample;
    e.vrId = 1, e.vrfIndex = vrfIndex, e.sid[3] = attr1, e.attr1 = attr1;
    e.functId = functId, e.smoothId = smoothId;
    ASSERT_EQ(SRV6_DB_CreateLocalSid(&e), SRV6_DB_OK);
  }
  Srv6DbLocalSidEntry byFunct = kSample;  // only vrId, vrfIndex and functId count
  byFunct.vrId = 1, byFunct.vrfIndex = 2, byFunct.functId = 7;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const IndexCase cases[] = {
      {{"function id", 0x0109000C, Bytes(12).U32s(0, {1, 2, 7})},
       [&] { return SRV6_DB_CreateLocalSidIteratorByFunctId(&byFunct, SRV6_DB_ITER_NO_COUNT); },
       {1, 2}},
      {{"vrf", 0x0209000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&] { return SRV6_DB_CreateLocalSidIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       {1, 3}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk(c, SRV6_DB_GetNextLocalSidEntry, SRV6_DB_ReleaseLocalSidIterator,
                    &Srv6DbLocalSidEntry::attr1);
  }
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
