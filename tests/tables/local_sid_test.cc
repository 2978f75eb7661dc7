// Local SID table: record and key bytes against the documented layout, both secondary
// indexes end to end, and the prefix length as part of the identity.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

// 2001:db8:1:2:3:4:5:6 as the entry holds it (native words) and as the engine holds it.
constexpr uint32_t kSidWords[4] = {0x20010DB8, 0x00010002, 0x00030004, 0x00050006};
#define SRV6DB_SID_BYTES \
  0x20, 0x01, 0x0D, 0xB8, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00, 0x06

Srv6DbLocalSidEntry Sample() {
  Srv6DbLocalSidEntry e;
  std::memset(&e, 0, sizeof(e));
  e.vrId = 0x11121314;
  e.vrfIndex = 0x21222324;
  std::memcpy(e.sid, kSidWords, sizeof(e.sid));
  e.prefixLen = 0x40;
  e.reserved1[0] = 0xA1;
  e.reserved1[1] = 0xA2;
  e.reserved1[2] = 0xA3;
  e.functId = 0x31323334;
  e.attr1 = 0x41424344;
  e.attr2 = 0x51525354;
  e.smoothId = 0x61626364;
  e.attr3 = 0x71727374;
  e.attr4 = 0x81828384;
  e.data1 = 0x9192939495969798;
  e.data2 = 0xA1A2A3A4A5A6A7A8;
  return e;
}

ByteVec SampleRecord() {
  return Bytes(68)
      .U32(0, 0x11121314)
      .U32(4, 0x21222324)
      .Raw(8, {SRV6DB_SID_BYTES})
      .U8(24, 0x40)
      .Raw(25, {0xA1, 0xA2, 0xA3})
      .U32(28, 0x31323334)
      .U32(32, 0x41424344)
      .U32(36, 0x51525354)
      .U32(40, 0x61626364)
      .U32(44, 0x71727374)
      .U32(48, 0x81828384)
      .U64(52, 0x9192939495969798)
      .U64(60, 0xA1A2A3A4A5A6A7A8);
}

ByteVec SamplePrimaryKey() {
  return Bytes(25).U32(0, 0x11121314).U32(4, 0x21222324).Raw(8, {SRV6DB_SID_BYTES}).U8(24, 0x40);
}

class LocalSid : public LibraryTest {};

TEST_F(LocalSid, RecordHoldsEveryFieldAtItsDocumentedOffset) {
  const Srv6DbLocalSidEntry e = Sample();
  Srv6DbLocalSidRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetLocalSidFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateLocalSid(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_LOCAL_SID, SamplePrimaryKey(), 68), SampleRecord());
}

TEST_F(LocalSid, KeySettersBuildDocumentedWordAndBytes) {
  const Srv6DbLocalSidEntry e = Sample();
  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetLocalSidPriKey(&e, w, k); }, 0x00010019,
       SamplePrimaryKey()},
      {"function id", [&](uint32_t *w, void *k) { SRV6_DB_SetLocalSidHashKeyField(&e, w, k); },
       0x0109000C, Bytes(12).U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x31323334)},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetLocalSidSmoothHashKey(&s, w, k); },
       0x0209000C, Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2)},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(LocalSid, SecondaryIndexesYieldTheirRecords) {
  // Records told apart by attr1. In VRF (1, 2): 1 and 2 of function 7, 3 of function 8;
  // 1 and 3 with smooth id 3. Record 4 matches both keys but lives in VRF (1, 9).
  const struct {
    uint32_t attr1, vrfIndex, functId, smoothId;
  } rows[] = {{1, 2, 7, 3}, {2, 2, 7, 4}, {3, 2, 8, 3}, {4, 9, 7, 3}};
  for (const auto &row : rows) {
    Srv6DbLocalSidEntry e = Sample();
    e.vrId = 1;
    e.vrfIndex = row.vrfIndex;
    e.sid[3] = row.attr1;  // a distinct primary key per record
    e.attr1 = row.attr1;
    e.functId = row.functId;
    e.smoothId = row.smoothId;
    ASSERT_EQ(SRV6_DB_CreateLocalSid(&e), SRV6_DB_OK);
  }
  Srv6DbLocalSidEntry byFunct = Sample();  // only vrId, vrfIndex and functId count
  byFunct.vrId = 1;
  byFunct.vrfIndex = 2;
  byFunct.functId = 7;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const IndexCase cases[] = {
      {"function id",
       [&] { return SRV6_DB_CreateLocalSidIteratorByFunctId(&byFunct, SRV6_DB_ITER_NO_COUNT); },
       0x0109000C,
       Bytes(12).U32(0, 1).U32(4, 2).U32(8, 7),
       {1, 2}},
      {"vrf",
       [&] { return SRV6_DB_CreateLocalSidIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       0x0209000C,
       Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2),
       {1, 3}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk<Srv6DbLocalSidEntry>(c, SRV6_DB_GetNextLocalSidEntry,
                                         SRV6_DB_ReleaseLocalSidIterator,
                                         [](const Srv6DbLocalSidEntry &e) { return e.attr1; });
  }
  EXPECT_EQ(SRV6_DB_CreateLocalSidIteratorByFunctId(nullptr, 1), nullptr);
  EXPECT_EQ(SRV6_DB_CreateLocalSidIteratorByVrf(nullptr, 1), nullptr);
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(LocalSid, PrefixLengthIsPartOfTheIdentity) {
  Srv6DbLocalSidEntry a = Sample();
  Srv6DbLocalSidEntry b = Sample();
  b.prefixLen = 0x30;
  b.attr1 = 0x0BADCAFE;
  ASSERT_EQ(SRV6_DB_CreateLocalSid(&a), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateLocalSid(&b), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_LOCAL_SID), 2u);

  Srv6DbLocalSidEntry read = Sample();
  read.attr1 = 0;
  ASSERT_EQ(SRV6_DB_ReadLocalSid(&read), SRV6_DB_OK);
  EXPECT_EQ(read.attr1, a.attr1);
  ASSERT_EQ(SRV6_DB_DeleteLocalSid(&b), SRV6_DB_OK);
  EXPECT_EQ(SRV6_DB_ReadLocalSid(&b), SRV6_DB_NOT_FOUND);
  EXPECT_EQ(SRV6_DB_ReadLocalSid(&read), SRV6_DB_OK);
}

}  // namespace
}  // namespace srv6db::test
