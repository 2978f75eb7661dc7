// Candidate path table: golden bytes, the read by XC info, and the walk by group.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbCandiPathEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);
  e.vrId = 7, e.vrfIndex = 0x00010002, e.tunnelId = 0x11223344, e.groupId = 0x21222324;
  e.xcId = 0x31323334, e.xcType = 9, e.attr1 = 0x41;
  e.attr2 = 0x51525354, e.attr3 = 0x61626364, e.attr4 = 0x71727374;
  Ramp(e.octets, 0xC0);
  e.smoothId = 0x5A5A0001, e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  return e;
}();
const Srv6DbCandiPathGroupInfo kGroup = {7, 0x00010002, 0x11223344, 0x21222324};
constexpr char kPrimaryKey[] = "07000000 02000100 44332211 24232221 34333231 09";
constexpr char kGroupKey[] = "07000000 02000100 44332211 24232221";
constexpr char kXcKey[] = "07000000 02000100 34333231 09";
// Bytes 22 and 23 stay 0.
constexpr char kRecord[] =
    "07000000 02000100 44332211 24232221 34333231 09410000 54535251 64636261"
    "74737271 c0c1c2c3 c4c5c6c7 c8c9cacb cccdcecf d0d1d2d3 d4d5d6d7 d8d9dadb"  // 32
    "dcdddedf e0e1e2e3 01005a5a 08070605 04030201 18171615 14131211";          // 64

const GoldenRegistrar kGolden(
    {"CandiPath", SRV6_DB_TABLE_CANDIPATH, kEntry, SRV6_DB_SetCandiPathFields,
     SRV6_DB_CreateCandiPath, kRecord, kPrimaryKey},
    {{"Primary", SRV6_DB_SetCandiPathPriKey, kEntry, 0x00010015, kPrimaryKey},
     {"GroupInfo", SRV6_DB_SetCandiPathGroupInfoHashKey, kGroup, 0x01090010, kGroupKey},
     {"XcInfo", SRV6_DB_SetCandiPathXcinfoKey, kEntry, 0x0209000D, kXcKey},
     {"Smooth", SRV6_DB_SetCandiPathSmoothHashKey, kSmoothKey, 0x0309000C, kSmoothIdLast}},
    ByVrf(SRV6_DB_CreateCandiPathIteratorByVrf, SRV6_DB_GetNextCandiPathEntry,
          SRV6_DB_ReleaseCandiPathIterator, &E::xcId, 0x0309000C, kSmoothIdLast));

using CandiPath = LibraryTest;

// The caller knows the VRF and the XC only; tunnelId and groupId come back from the record.
// An XC nobody has gives 1 and leaves the entry alone; xcType is part of the key.
TEST_F(CandiPath, XcInfoReadOverwritesTunnelAndGroup) {
  E otherType = kEntry;
  otherType.xcType = 10, otherType.tunnelId = 0x99;
  ASSERT_EQ(SRV6_DB_CreateCandiPath(&kEntry), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateCandiPath(&otherType), SRV6_DB_OK);
  auto query = Filled<E>(0x77);
  query.vrId = kEntry.vrId, query.vrfIndex = kEntry.vrfIndex;
  query.xcId = kEntry.xcId, query.xcType = kEntry.xcType;
  ASSERT_EQ(SRV6_DB_ReadCandiPathByXcinfo(&query), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0209000D, Hex(kXcKey)));
  EXPECT_EQ(RecordOf(SRV6_DB_SetCandiPathFields, query), Hex(kRecord));
  query.xcType = 10;
  ASSERT_EQ(SRV6_DB_ReadCandiPathByXcinfo(&query), SRV6_DB_OK);
  EXPECT_EQ(query.tunnelId, 0x99u);

  E missing = kEntry;
  missing.xcId += 1;
  const E before = missing;
  EXPECT_EQ(SRV6_DB_ReadCandiPathByXcinfo(&missing), SRV6_DB_ERR);
  EXPECT_EQ(BytesOf(missing), BytesOf(before));
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(CandiPath, GroupWalkYieldsThePathsOfTheGroupOnly) {
  E second = kEntry, otherGroup = kEntry, otherTunnel = kEntry;
  second.xcId = 2;
  otherGroup.groupId = 1, otherGroup.xcId = 3;
  otherTunnel.tunnelId = 1, otherTunnel.xcId = 4;
  for (const E &e : {kEntry, otherGroup, second, otherTunnel}) {
    ASSERT_EQ(SRV6_DB_CreateCandiPath(&e), SRV6_DB_OK);
  }
  EXPECT_TRUE(Walker(SRV6_DB_GetNextCandiPathEntry, SRV6_DB_ReleaseCandiPathIterator, &E::xcId)(
      SRV6_DB_CreateCandiPathIteratorByGroupInfo(&kGroup, 10), 0x01090010, kGroupKey,
      {2, 0x31323334}));
}

}  // namespace
}  // namespace srv6db::test
