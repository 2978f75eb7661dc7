// Policy table: record and key bytes at their offsets, the three unique reads, the VRF walk.
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6te_test_util.h"

namespace srv6db::test {
namespace {

class Policy : public LibraryTest {};

Srv6DbPolicyEntry Sample() {
  Srv6DbPolicyEntry e;
  std::memset(&e, 0xEE, sizeof(e));  // gaps and spare hold junk
  e.vrId = 7;
  e.vrfIndex = 0x00010002;
  e.tunnelId = 0x11223344;
  e.tunnelType = 5;
  Pattern(e.reserved1, 0xA1);
  e.priGroupId = 0x0A0B0C0D;
  e.backupGroupId = 0x0E0F1011;
  const uint32_t addr1[4] = {0x20010DB8, 0x00000001, 0x00000002, 0x00000003};
  const uint32_t addr2[4] = {0xFE800000, 0x00000000, 0x02AABBFF, 0xFECCDD01};
  std::memcpy(e.ipv6Addr1, addr1, 16);
  std::memcpy(e.ipv6Addr2, addr2, 16);
  e.attr1 = 0x31323334;
  Pattern(e.reserved2, 0xB1);
  e.attr2 = 0x51525354;
  e.attr3 = 0x61626364;
  Pattern(e.octets, 0xC0);
  e.smoothId = 0x5A5A0001;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  e.attr4 = 0x41424344;
  return e;
}

Bytes SampleRecord() {
  const uint32_t addr1[4] = {0x20010DB8, 0x00000001, 0x00000002, 0x00000003};
  const uint32_t addr2[4] = {0xFE800000, 0x00000000, 0x02AABBFF, 0xFECCDD01};
  return Golden(136)
      .U32(0, 7)
      .U32(4, 0x00010002)
      .U32(8, 0x11223344)
      .U8(12, 5)
      .Run(13, 3, 0xA1)
      .U32(16, 0x0A0B0C0D)
      .U32(20, 0x0E0F1011)
      .Addr(24, addr1)
      .U32(40, 0x31323334)
      .Addr(44, addr2)  // byte 60 stays 0 whatever spare holds
      .Run(61, 7, 0xB1)
      .U32(68, 0x51525354)
      .U32(72, 0x61626364)
      .Run(76, 36, 0xC0)
      .U32(112, 0x5A5A0001)
      .U64(116, 0x0102030405060708)
      .U64(124, 0x1112131415161718)
      .U32(132, 0x41424344);
}

const Bytes kPriKey = Golden(13).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344).U8(12, 5);
const Bytes kPriGroupKey =
    Golden(16).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344).U32(12, 0x0A0B0C0D);
const Bytes kBackupGroupKey =
    Golden(16).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344).U32(12, 0x0E0F1011);
const Bytes kTunnelIdKey = Golden(12).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344);

Bytes RecordOf(const Srv6DbPolicyEntry &e) {
  Srv6DbPolicyRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetPolicyFields(&e, &r);
  return BytesOf(r);
}

TEST_F(Policy, RecordHoldsEachFieldAtItsOffset) {
  const Srv6DbPolicyEntry e = Sample();
  EXPECT_EQ(RecordOf(e), SampleRecord());
  ASSERT_EQ(SRV6_DB_CreatePolicy(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_POLICY, kPriKey, 136), SampleRecord());
}

TEST_F(Policy, KeySettersWriteDocumentedBytes) {
  const Srv6DbPolicyEntry e = Sample();
  const Srv6DbSmoothKey smooth = {1, 2, 3};
  ExpectKeys({
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetPolicyPriKey(&e, w, k); }, 0x0001000D,
       kPriKey},
      {"primary group", [&](uint32_t *w, void *k) { SRV6_DB_SetPolicyPriGroupKey(&e, w, k); },
       0x01090010, kPriGroupKey},
      {"backup group", [&](uint32_t *w, void *k) { SRV6_DB_SetPolicyBackupGroupKey(&e, w, k); },
       0x02090010, kBackupGroupKey},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetPolicySmoothHashKey(&smooth, w, k); },
       0x0309000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3)},
      {"tunnel id", [&](uint32_t *w, void *k) { SRV6_DB_SetPolicyTunnelIdHashKey(&e, w, k); },
       0x0409000C, kTunnelIdKey},
  });
}

// Each unique read sends its index key and fills the whole entry from what it finds; only
// the fields of that key need to be right in the caller's entry.
TEST_F(Policy, UniqueReadsFindTheRecordByTheirIndexKey) {
  const Srv6DbPolicyEntry stored = Sample();
  ASSERT_EQ(SRV6_DB_CreatePolicy(&stored), SRV6_DB_OK);
  struct Case {
    const char *name;
    uint32_t (*read)(Srv6DbPolicyEntry *);
    void (*keep)(Srv6DbPolicyEntry &query, const Srv6DbPolicyEntry &from);
    uint32_t keyWord;
    const Bytes &key;
  };
  const Case cases[] = {
      {"primary group", SRV6_DB_ReadPolicyByPriGroup,
       [](Srv6DbPolicyEntry &q, const Srv6DbPolicyEntry &f) { q.priGroupId = f.priGroupId; },
       0x01090010, kPriGroupKey},
      {"backup group", SRV6_DB_ReadPolicyByBackupGroup,
       [](Srv6DbPolicyEntry &q, const Srv6DbPolicyEntry &f) { q.backupGroupId = f.backupGroupId; },
       0x02090010, kBackupGroupKey},
      {"tunnel id", SRV6_DB_ReadPolicyByTunnelId,
       [](Srv6DbPolicyEntry &, const Srv6DbPolicyEntry &) {}, 0x0409000C, kTunnelIdKey},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Srv6DbPolicyEntry query;
    std::memset(&query, 0x77, sizeof(query));
    query.vrId = stored.vrId;
    query.vrfIndex = stored.vrfIndex;
    query.tunnelId = stored.tunnelId;
    c.keep(query, stored);
    ASSERT_EQ(c.read(&query), SRV6_DB_OK);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, c.keyWord, c.key));
    EXPECT_EQ(RecordOf(query), SampleRecord());
    EXPECT_EQ(query.spare, 0x77);
  }
  EXPECT_TRUE(NoStatChanged());
}

// A unique read that matches nothing answers 1, not 60; the group keys include tunnelId, so
// the right group under another tunnel matches nothing either.
TEST_F(Policy, UniqueReadOfMissingKeyGivesOneAndLeavesEntry) {
  const Srv6DbPolicyEntry stored = Sample();
  ASSERT_EQ(SRV6_DB_CreatePolicy(&stored), SRV6_DB_OK);
  Srv6DbPolicyEntry otherTunnel = Sample();
  otherTunnel.tunnelId += 1;
  Srv6DbPolicyEntry otherGroup = Sample();
  otherGroup.priGroupId += 1;
  otherGroup.backupGroupId += 1;
  const struct {
    uint32_t (*read)(Srv6DbPolicyEntry *);
    const Srv6DbPolicyEntry &query;
  } cases[] = {
      {SRV6_DB_ReadPolicyByPriGroup, otherTunnel},    {SRV6_DB_ReadPolicyByPriGroup, otherGroup},
      {SRV6_DB_ReadPolicyByBackupGroup, otherTunnel}, {SRV6_DB_ReadPolicyByBackupGroup, otherGroup},
      {SRV6_DB_ReadPolicyByTunnelId, otherTunnel},
  };
  for (const auto &c : cases) {
    Srv6DbPolicyEntry e = c.query;
    EXPECT_EQ(c.read(&e), SRV6_DB_ERR);
    EXPECT_EQ(BytesOf(e), BytesOf(c.query));
  }
  EXPECT_TRUE(NoStatChanged());
  EXPECT_TRUE(ErrLog().empty());
}

TEST_F(Policy, TunnelTypeSeparatesRecordsButNotTheTunnelIdIndex) {
  Srv6DbPolicyEntry a = Sample();
  Srv6DbPolicyEntry b = Sample();
  b.tunnelType = 6;
  b.attr1 = 0x99;
  ASSERT_EQ(SRV6_DB_CreatePolicy(&a), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreatePolicy(&b), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_POLICY), 2u);
  Srv6DbPolicyEntry readB = b;
  readB.attr1 = 0;
  ASSERT_EQ(SRV6_DB_ReadPolicy(&readB), SRV6_DB_OK);
  EXPECT_EQ(readB.attr1, 0x99u);

  Srv6DbPolicyEntry byTunnel = b;  // tunnelType 6, but the index yields the first record
  ASSERT_EQ(SRV6_DB_ReadPolicyByTunnelId(&byTunnel), SRV6_DB_OK);
  EXPECT_EQ(byTunnel.tunnelType, 5);
}

TEST_F(Policy, VrfWalkFindsRecordsBySmoothId) {
  Srv6DbPolicyEntry a = Sample();
  Srv6DbPolicyEntry b = Sample();
  b.tunnelId = 1;
  ASSERT_EQ(SRV6_DB_CreatePolicy(&a), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreatePolicy(&b), SRV6_DB_OK);
  b.smoothId = 3;
  ASSERT_EQ(SRV6_DB_UpdatePolicySmoothId(&b), SRV6_DB_OK);

  const Srv6DbSmoothKey key = {a.vrId, a.vrfIndex, 3};
  const auto found = Drain(SRV6_DB_CreatePolicyIteratorByVrf(&key, SRV6_DB_ITER_NO_COUNT),
                           SRV6_DB_GetNextPolicyEntry, SRV6_DB_ReleasePolicyIterator);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0309000C,
                           Golden(12).U32(0, 7).U32(4, 0x00010002).U32(8, 3)));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].tunnelId, 1u);
  EXPECT_EQ(found[0].smoothId, 3u);
}

}  // namespace
}  // namespace srv6db::test
