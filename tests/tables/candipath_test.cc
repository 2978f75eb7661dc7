// Candidate path table: record and key bytes at their offsets, XC info read, group walks.
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6te_test_util.h"

namespace srv6db::test {
namespace {

class CandiPath : public LibraryTest {};

Srv6DbCandiPathEntry Sample() {
  Srv6DbCandiPathEntry e;
  std::memset(&e, 0xEE, sizeof(e));
  e.vrId = 7;
  e.vrfIndex = 0x00010002;
  e.tunnelId = 0x11223344;
  e.groupId = 0x21222324;
  e.xcId = 0x31323334;
  e.xcType = 9;
  e.attr1 = 0x41;
  e.attr2 = 0x51525354;
  e.attr3 = 0x61626364;
  e.attr4 = 0x71727374;
  Pattern(e.octets, 0xC0);
  e.smoothId = 0x5A5A0001;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  return e;
}

const Bytes kRecord = Golden(92)
                          .U32(0, 7)
                          .U32(4, 0x00010002)
                          .U32(8, 0x11223344)
                          .U32(12, 0x21222324)
                          .U32(16, 0x31323334)
                          .U8(20, 9)
                          .U8(21, 0x41)  // bytes 22 and 23 stay 0
                          .U32(24, 0x51525354)
                          .U32(28, 0x61626364)
                          .U32(32, 0x71727374)
                          .Run(36, 36, 0xC0)
                          .U32(72, 0x5A5A0001)
                          .U64(76, 0x0102030405060708)
                          .U64(84, 0x1112131415161718);
const Bytes kPriKey = Golden(21)
                          .U32(0, 7)
                          .U32(4, 0x00010002)
                          .U32(8, 0x11223344)
                          .U32(12, 0x21222324)
                          .U32(16, 0x31323334)
                          .U8(20, 9);
const Bytes kGroupKey =
    Golden(16).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344).U32(12, 0x21222324);
const Bytes kXcKey = Golden(13).U32(0, 7).U32(4, 0x00010002).U32(8, 0x31323334).U8(12, 9);

Bytes RecordOf(const Srv6DbCandiPathEntry &e) {
  Srv6DbCandiPathRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetCandiPathFields(&e, &r);
  return BytesOf(r);
}

TEST_F(CandiPath, RecordHoldsEachFieldAtItsOffset) {
  const Srv6DbCandiPathEntry e = Sample();
  EXPECT_EQ(RecordOf(e), kRecord);
  ASSERT_EQ(SRV6_DB_CreateCandiPath(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_CANDIPATH, kPriKey, 92), kRecord);
}

TEST_F(CandiPath, KeySettersWriteDocumentedBytes) {
  const Srv6DbCandiPathEntry e = Sample();
  const Srv6DbSmoothKey smooth = {1, 2, 3};
  const Srv6DbCandiPathGroupInfo group = {e.vrId, e.vrfIndex, e.tunnelId, e.groupId};
  ExpectKeys({
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetCandiPathPriKey(&e, w, k); }, 0x00010015,
       kPriKey},
      {"group info",
       [&](uint32_t *w, void *k) { SRV6_DB_SetCandiPathGroupInfoHashKey(&group, w, k); },
       0x01090010, kGroupKey},
      {"xc info", [&](uint32_t *w, void *k) { SRV6_DB_SetCandiPathXcinfoKey(&e, w, k); },
       0x0209000D, kXcKey},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetCandiPathSmoothHashKey(&smooth, w, k); },
       0x0309000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3)},
  });
}

// The caller knows the VRF and the XC only; tunnelId and groupId come back from the record.
TEST_F(CandiPath, XcInfoReadOverwritesTunnelAndGroup) {
  const Srv6DbCandiPathEntry stored = Sample();
  ASSERT_EQ(SRV6_DB_CreateCandiPath(&stored), SRV6_DB_OK);
  Srv6DbCandiPathEntry query;
  std::memset(&query, 0x77, sizeof(query));
  query.vrId = stored.vrId;
  query.vrfIndex = stored.vrfIndex;
  query.xcId = stored.xcId;
  query.xcType = stored.xcType;
  ASSERT_EQ(SRV6_DB_ReadCandiPathByXcinfo(&query), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0209000D, kXcKey));
  EXPECT_EQ(RecordOf(query), kRecord);

  Srv6DbCandiPathEntry missing = stored;
  missing.xcId += 1;
  const Srv6DbCandiPathEntry before = missing;
  EXPECT_EQ(SRV6_DB_ReadCandiPathByXcinfo(&missing), SRV6_DB_ERR);
  EXPECT_EQ(BytesOf(missing), BytesOf(before));
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(CandiPath, XcTypeSeparatesRecordsAndXcInfoKeys) {
  Srv6DbCandiPathEntry a = Sample();
  Srv6DbCandiPathEntry b = Sample();
  b.xcType = 10;
  b.tunnelId = 0x99;
  ASSERT_EQ(SRV6_DB_CreateCandiPath(&a), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateCandiPath(&b), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_CANDIPATH), 2u);
  for (const Srv6DbCandiPathEntry &want : {a, b}) {
    Srv6DbCandiPathEntry e = Sample();
    e.xcType = want.xcType;
    ASSERT_EQ(SRV6_DB_ReadCandiPathByXcinfo(&e), SRV6_DB_OK);
    EXPECT_EQ(e.tunnelId, want.tunnelId);
  }
}

TEST_F(CandiPath, GroupWalkYieldsEveryPathOfTheGroupOnly) {
  Srv6DbCandiPathEntry first = Sample();
  Srv6DbCandiPathEntry second = Sample();
  second.xcId = 2;
  Srv6DbCandiPathEntry otherGroup = Sample();
  otherGroup.groupId = 1;
  Srv6DbCandiPathEntry otherTunnel = Sample();
  otherTunnel.tunnelId = 1;
  for (const auto &e : {first, otherGroup, second, otherTunnel}) {
    ASSERT_EQ(SRV6_DB_CreateCandiPath(&e), SRV6_DB_OK);
  }
  const Srv6DbCandiPathGroupInfo group = {first.vrId, first.vrfIndex, first.tunnelId,
                                          first.groupId};
  const auto found = Drain(SRV6_DB_CreateCandiPathIteratorByGroupInfo(&group, 10),
                           SRV6_DB_GetNextCandiPathEntry, SRV6_DB_ReleaseCandiPathIterator);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x01090010, kGroupKey));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_NE(found[0].xcId, found[1].xcId);
  for (const auto &e : found) {
    EXPECT_EQ(e.tunnelId, first.tunnelId);
    EXPECT_EQ(e.groupId, first.groupId);
  }
}

TEST_F(CandiPath, VrfWalkSendsInputOrder) {
  const Srv6DbSmoothKey key = {1, 2, 3};
  EXPECT_TRUE(Drain(SRV6_DB_CreateCandiPathIteratorByVrf(&key, SRV6_DB_ITER_NO_COUNT),
                    SRV6_DB_GetNextCandiPathEntry, SRV6_DB_ReleaseCandiPathIterator)
                  .empty());
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0309000C,
                           Golden(12).U32(0, 1).U32(4, 2).U32(8, 3)));
}

}  // namespace
}  // namespace srv6db::test
