// Policy table: golden bytes, the three unique reads, and tunnel type in the keys.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbPolicyEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);  // gaps and spare hold junk
  e.vrId = 7, e.vrfIndex = 0x00010002, e.tunnelId = 0x11223344, e.tunnelType = 5;
  e.priGroupId = 0x0A0B0C0D, e.backupGroupId = 0x0E0F1011, e.attr1 = 0x31323334;
  Ramp(e.reserved1, 0xA1);
  Assign(e.ipv6Addr1, {0x20010DB8, 1, 2, 3});
  Assign(e.ipv6Addr2, {0xFE800000, 0, 0x02AABBFF, 0xFECCDD01});
  Ramp(e.reserved2, 0xB1);
  Ramp(e.octets, 0xC0);
  e.attr2 = 0x51525354, e.attr3 = 0x61626364, e.smoothId = 0x5A5A0001, e.attr4 = 0x41424344;
  e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  return e;
}();
constexpr char kPrimaryKey[] = "07000000 02000100 44332211 05";
constexpr char kPriGroupKey[] = "07000000 02000100 44332211 0d0c0b0a";
constexpr char kBackupGroupKey[] = "07000000 02000100 44332211 11100f0e";
constexpr char kTunnelIdKey[] = "07000000 02000100 44332211";
// Byte 60 stays 0 whatever spare holds.
constexpr char kRecord[] =
    "07000000 02000100 44332211 05a1a2a3 0d0c0b0a 11100f0e"
    "20010db8 00000001 00000002 00000003 34333231"                             // 24
    "fe800000 00000000 02aabbff feccdd01 00b1b2b3 b4b5b6b7 54535251 64636261"  // 44
    "c0c1c2c3 c4c5c6c7 c8c9cacb cccdcecf d0d1d2d3 d4d5d6d7 d8d9dadb dcdddedf"  // 76
    "e0e1e2e3 01005a5a 08070605 04030201 18171615 14131211 44434241";          // 108

const GoldenRegistrar kGolden(
    {"Policy", SRV6_DB_TABLE_POLICY, kEntry, SRV6_DB_SetPolicyFields, SRV6_DB_CreatePolicy, kRecord,
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetPolicyPriKey, kEntry, 0x0001000D, kPrimaryKey},
     {"PriGroup", SRV6_DB_SetPolicyPriGroupKey, kEntry, 0x01090010, kPriGroupKey},
     {"BackupGroup", SRV6_DB_SetPolicyBackupGroupKey, kEntry, 0x02090010, kBackupGroupKey},
     {"Smooth", SRV6_DB_SetPolicySmoothHashKey, kSmoothKey, 0x0309000C, kSmoothIdLast},
     {"TunnelId", SRV6_DB_SetPolicyTunnelIdHashKey, kEntry, 0x0409000C, kTunnelIdKey}},
    ByVrf(SRV6_DB_CreatePolicyIteratorByVrf, SRV6_DB_GetNextPolicyEntry,
          SRV6_DB_ReleasePolicyIterator, &E::tunnelId, 0x0309000C, kSmoothIdLast));

using Policy = LibraryTest;

// Each unique read sends its index key and fills the whole entry from what it finds; only
// the fields of that key need to be right in the caller's entry. A read that matches nothing
// answers 1, not 60, entry untouched; the group keys include tunnelId, so the right group
// under another tunnel matches nothing either.
TEST_F(Policy, UniqueReadsFindTheRecordByTheirIndexKeyAlone) {
  ASSERT_EQ(SRV6_DB_CreatePolicy(&kEntry), SRV6_DB_OK);
  E otherTunnel = kEntry, otherGroup = kEntry;
  otherTunnel.tunnelId += 1;
  otherGroup.priGroupId += 1, otherGroup.backupGroupId += 1;
  const struct {
    const char *name;
    uint32_t (*read)(E *);
    uint32_t E::*group;  // the key's fourth field, if it has one
    uint32_t keyWord;
    const char *key;
    std::vector<E> misses;
  } cases[] = {
      {"primary group",
       SRV6_DB_ReadPolicyByPriGroup,
       &E::priGroupId,
       0x01090010,
       kPriGroupKey,
       {otherTunnel, otherGroup}},
      {"backup group",
       SRV6_DB_ReadPolicyByBackupGroup,
       &E::backupGroupId,
       0x02090010,
       kBackupGroupKey,
       {otherTunnel, otherGroup}},
      {"tunnel id", SRV6_DB_ReadPolicyByTunnelId, nullptr, 0x0409000C, kTunnelIdKey, {otherTunnel}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto query = Filled<E>(0x77);
    query.vrId = kEntry.vrId, query.vrfIndex = kEntry.vrfIndex, query.tunnelId = kEntry.tunnelId;
    if (c.group != nullptr) query.*c.group = kEntry.*c.group;
    ASSERT_EQ(c.read(&query), SRV6_DB_OK);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, c.keyWord, Hex(c.key)));
    EXPECT_EQ(RecordOf(SRV6_DB_SetPolicyFields, query), Hex(kRecord));
    EXPECT_EQ(query.spare, 0x77);
    for (const E &want : c.misses) {
      E miss = want;
      EXPECT_EQ(c.read(&miss), SRV6_DB_ERR);
      EXPECT_EQ(BytesOf(miss), BytesOf(want));
    }
  }
  EXPECT_TRUE(NoStatChanged());
  EXPECT_TRUE(ErrLog().empty());
}

TEST_F(Policy, TunnelTypeSeparatesRecordsButNotTheTunnelIdIndex) {
  E b = kEntry;
  b.tunnelType = 6, b.attr1 = 0x99;
  ASSERT_EQ(SRV6_DB_CreatePolicy(&kEntry), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreatePolicy(&b), SRV6_DB_OK);
  E readB = b;
  readB.attr1 = 0;
  ASSERT_EQ(SRV6_DB_ReadPolicy(&readB), SRV6_DB_OK);
  EXPECT_EQ(readB.attr1, 0x99u);
  E byTunnel = b;  // tunnelType 6, but the index yields the first record
  ASSERT_EQ(SRV6_DB_ReadPolicyByTunnelId(&byTunnel), SRV6_DB_OK);
  EXPECT_EQ(byTunnel.tunnelType, 5);
}

}  // namespace
}  // namespace srv6db::test
