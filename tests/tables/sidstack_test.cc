// SID stack table: golden bytes with eleven swapped addresses, the IID key shared with the IID
// table, and the four keyed walks.
#include <cstring>

#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbSidStackEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);  // gaps and spare hold junk
  e.vrId = 7, e.vrfIndex = 0x00010002, e.listId = 0x11223344, e.listType = 3, e.attr1 = 0x41;
  e.attr2 = 0x51525354;
  Assign(e.localSid, {0x20010DB8, 0x0000AAAA, 0, 1});
  for (uint32_t i = 0; i < 9; ++i)
    Assign(e.sidList[i], {0x20010DB8, i, 0x01020304 * (i + 1), 0xA0000000 | i});
  Assign(e.iid, {0xFC000000, 0x12345678, 0x9ABCDEF0, 0x0F1E2D3C});
  e.iidPrefixLen = 64;
  Ramp(e.reserved1, 0xA1);
  e.attr3 = 0x61626364;
  Ramp(e.reserved2, 0xB1);
  e.attr4 = 0x71727374, e.attr5 = 0x81828384;
  Ramp(e.reserved3, 0x10);
  e.smoothId = 0x5A5A0001, e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  return e;
}();
const uint32_t kVrId = 0x01020304;
constexpr char kPrimaryKey[] = "07000000 02000100 44332211 03";
constexpr char kIidKey[] = "07000000 02000100 fc000000 12345678 9abcdef0 0f1e2d3c 40";
constexpr char kLocalSidKey[] = "07000000 02000100 20010db8 0000aaaa 00000000 00000001";

const GoldenRegistrar kGolden(
    {"SidStack", SRV6_DB_TABLE_SIDSTACK, kEntry, SRV6_DB_SetSidStackFields, SRV6_DB_CreateSidStack,
     "07000000 02000100 44332211 03410000 54535251"
     "20010db8 0000aaaa 00000000 00000001"  // 20: localSid
     "20010db8 00000000 01020304 a0000000"  // 36: sidList
     "20010db8 00000001 02040608 a0000001"
     "20010db8 00000002 0306090c a0000002"
     "20010db8 00000003 04080c10 a0000003"
     "20010db8 00000004 050a0f14 a0000004"
     "20010db8 00000005 060c1218 a0000005"
     "20010db8 00000006 070e151c a0000006"
     "20010db8 00000007 08101820 a0000007"
     "20010db8 00000008 09121b24 a0000008"
     "fc000000 12345678 9abcdef0 0f1e2d3c 4000a1a2 64636261"                    // 180
     "b1b2b3b4 b5b6b7b8 74737271 84838281"                                      // 204
     "10111213 14151617 18191a1b 1c1d1e1f 20212223 24252627 28292a2b 2c2d2e2f"  // 220
     "30313233 34353637 38393a3b 3c3d3e3f 40414243 44454647 48494a4b 4c4d4e4f"  // 252
     "50515253 01005a5a 08070605 04030201 18171615 14131211",                   // 284
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetSidStackPriKey, kEntry, 0x0001000D, kPrimaryKey},
     {"Iid", SRV6_DB_SetSidStackIidHashKey, kEntry, 0x01090019, kIidKey},
     {"LocalSid", SRV6_DB_SetSidStackLocalSidHashKey, kEntry, 0x02090018, kLocalSidKey},
     {"Vrid", SRV6_DB_SetSidStackVridHashKey, kVrId, 0x03090004, "04030201"},
     {"Smooth", SRV6_DB_SetSidStackSmoothHashKey, kSmoothKey, 0x0409000C, kSmoothIdLast}},
    ByVrf(SRV6_DB_CreateSidStackIteratorByVrf, SRV6_DB_GetNextSidStackEntry,
          SRV6_DB_ReleaseSidStackIterator, &E::listId, 0x0409000C, kSmoothIdLast));

using SidStack = LibraryTest;

// A stack names its IID by the IID table's primary key bytes, under another key word.
TEST_F(SidStack, IidKeyHoldsTheIidTablePrimaryKeyBytes) {
  auto iid = Filled<Srv6DbIidEntry>(0x55);
  iid.vrId = kEntry.vrId, iid.vrfIndex = kEntry.vrfIndex, iid.prefixLen = kEntry.iidPrefixLen;
  std::memcpy(iid.iid, kEntry.iid, 16);
  EXPECT_TRUE(SetsKey([&](uint32_t *w, void *k) { SRV6_DB_SetIidPriKey(&iid, w, k); }, 0x00010019,
                      Hex(kIidKey)));
}

// Each keyed walk sends its key and yields exactly the stacks that share it.
TEST_F(SidStack, KeyedWalksYieldTheMatchingStacks) {
  E otherPrefix = kEntry, otherVrf = kEntry, otherVr = kEntry;
  otherPrefix.listId = 2, otherPrefix.iidPrefixLen = 48;  // same IID, another prefix length
  otherVrf.listId = 3, otherVrf.vrfIndex = 9;
  otherVr.listId = 4, otherVr.vrId = 8;
  for (const E &e : {kEntry, otherPrefix, otherVrf, otherVr}) {
    ASSERT_EQ(SRV6_DB_CreateSidStack(&e), SRV6_DB_OK);
  }
  auto query = Filled<E>(0x77);  // only the keys' fields are set
  query.vrId = kEntry.vrId, query.vrfIndex = kEntry.vrfIndex;
  query.iidPrefixLen = kEntry.iidPrefixLen;
  std::memcpy(query.iid, kEntry.iid, 16);
  std::memcpy(query.localSid, kEntry.localSid, 16);
  const uint32_t vrId = 7;
  const auto walk =
      Walker(SRV6_DB_GetNextSidStackEntry, SRV6_DB_ReleaseSidStackIterator, &E::listId);
  EXPECT_TRUE(walk(SRV6_DB_CreateSidStackIteratorByIid(&query, SRV6_DB_ITER_NO_COUNT), 0x01090019,
                   kIidKey, {0x11223344}));
  EXPECT_TRUE(walk(SRV6_DB_CreateSidStackIteratorByLocalSid(&query, SRV6_DB_ITER_NO_COUNT),
                   0x02090018, kLocalSidKey, {2, 0x11223344}));
  EXPECT_TRUE(walk(SRV6_DB_CreateSidStackIteratorByVrid(&vrId, SRV6_DB_ITER_NO_COUNT), 0x03090004,
                   "07000000", {2, 3, 0x11223344}));
}

}  // namespace
}  // namespace srv6db::test
