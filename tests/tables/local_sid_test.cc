// Local SID table: golden bytes, and the index by function id end to end.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbLocalSidEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);
  e.vrId = 0x11121314, e.vrfIndex = 0x21222324, e.prefixLen = 0x40, e.functId = 0x31323334;
  Assign(e.sid, {0x20010DB8, 0x10002, 0x30004, 0x50006});
  Assign(e.reserved1, {0xA1, 0xA2, 0xA3});
  e.attr1 = 0x41424344, e.attr2 = 0x51525354, e.smoothId = 0x61626364, e.attr3 = 0x71727374;
  e.attr4 = 0x81828384, e.data1 = 0x9192939495969798, e.data2 = 0xA1A2A3A4A5A6A7A8;
  return e;
}();
constexpr char kPrimaryKey[] = "14131211 24232221 20010db8 00010002 00030004 00050006 40";

const GoldenRegistrar kGolden(
    {"LocalSid", SRV6_DB_TABLE_LOCAL_SID, kEntry, SRV6_DB_SetLocalSidFields, SRV6_DB_CreateLocalSid,
     "14131211 24232221 20010db8 00010002 00030004 00050006 40a1a2a3"
     "34333231 44434241 54535251 64636261 74737271 84838281"  // 28
     "98979695 94939291 a8a7a6a5 a4a3a2a1",                   // 52
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetLocalSidPriKey, kEntry, 0x00010019, kPrimaryKey},
     {"FunctId", SRV6_DB_SetLocalSidHashKeyField, kEntry, 0x0109000C, "14131211 24232221 34333231"},
     {"Smooth", SRV6_DB_SetLocalSidSmoothHashKey, kSmoothKey, 0x0209000C, kSmoothIdFirst}},
    ByVrf(SRV6_DB_CreateLocalSidIteratorByVrf, SRV6_DB_GetNextLocalSidEntry,
          SRV6_DB_ReleaseLocalSidIterator, &E::prefixLen, 0x0209000C, kSmoothIdFirst));

using LocalSid = LibraryTest;

TEST_F(LocalSid, FunctIdIndexYieldsTheRecordsOfOneVrfAndFunction) {
  const uint32_t rows[][3] = {
      {1, 2, 7}, {2, 2, 7}, {3, 2, 8}, {4, 9, 7}};  // attr1, vrfIndex, functId
  for (const auto &[attr1, vrfIndex, functId] : rows) {
    E e = kEntry;
    e.vrId = 1, e.vrfIndex = vrfIndex, e.sid[3] = attr1, e.attr1 = attr1, e.functId = functId;
    ASSERT_EQ(SRV6_DB_CreateLocalSid(&e), SRV6_DB_OK);
  }
  E key = Filled<E>(0x77);  // only vrId, vrfIndex and functId count
  key.vrId = 1, key.vrfIndex = 2, key.functId = 7;
  const auto walk =
      Walker(SRV6_DB_GetNextLocalSidEntry, SRV6_DB_ReleaseLocalSidIterator, &E::attr1);
  EXPECT_TRUE(walk(SRV6_DB_CreateLocalSidIteratorByFunctId(&key, SRV6_DB_ITER_NO_COUNT), 0x0109000C,
                   "01000000 02000000 07000000", {1, 2}));
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
