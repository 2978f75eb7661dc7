// IID table: golden bytes (moved reserved3, half-carried blocks), the IIDG count and walk
// across VRFs, and count failures.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbIidEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);
  e.vrId = 7, e.vrfIndex = 0x00010002;
  Assign(e.iid, {0xFC000000, 0x12345678, 0x9ABCDEF0, 0x0F1E2D3C});
  e.prefixLen = 96, e.attr1 = 0x41, e.attr2 = 0x4243, e.attr3 = 0x51525354;
  e.iidgIndex = 0x61626364, e.attr4 = 0x71727374, e.attr5 = 0x81828384;
  Ramp(e.reserved1, 0xA1);
  Ramp(e.reserved2, 0xB1);
  Ramp(e.reserved3, 0x10);
  Ramp(e.block1, 0x40);  // 0x40..0x5F: only 0x40..0x4F reach the record
  Ramp(e.block2, 0x80);
  e.smoothId = 0x5A5A0001, e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  e.attr6 = 0x91929394;
  return e;
}();
constexpr char kPrimaryKey[] = "07000000 02000100 fc000000 12345678 9abcdef0 0f1e2d3c 60";
constexpr char kIidgKey[] = "07000000 64636261";

// reserved3 before reserved2, bytes 82 and 83 zero, the blocks byte for byte.
const GoldenRegistrar kGolden(
    {"Iid", SRV6_DB_TABLE_IID, kEntry, SRV6_DB_SetIidFields, SRV6_DB_CreateIid,
     "07000000 02000100 fc000000 12345678 9abcdef0 0f1e2d3c 60414342 54535251"
     "64636261 74737271 84838281 a1a2a3a4"                                      // 32
     "10111213 14151617 18191a1b 1c1d1e1f 20212223 24252627 28292a2b 2c2d2e2f"  // 48
     "b1b2 0000 40414243 44454647 48494a4b 4c4d4e4f"                            // 80
     "80818283 84858687 88898a8b 8c8d8e8f"                                      // 100
     "01005a5a 08070605 04030201 18171615 14131211 94939291",                   // 116
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetIidPriKey, kEntry, 0x00010019, kPrimaryKey},
     {"Iidg", SRV6_DB_SetIidIidgIndexHashKey, kEntry, 0x01090008, kIidgKey},
     {"IidgLowerCaseK", SRV6_DB_SetIidIidgIndexHashkey, kEntry, 0x01090008, kIidgKey},
     {"Smooth", SRV6_DB_SetIidSmoothHashKey, kSmoothKey, 0x0209000C, kSmoothIdLast}},
    ByVrf(SRV6_DB_CreateIidIteratorByVrf, SRV6_DB_GetNextIidEntry, SRV6_DB_ReleaseIidIterator,
          &E::prefixLen, 0x0209000C, kSmoothIdLast));

using Iid = LibraryTest;

// The IIDG key leaves vrfIndex out: a group spans the VRFs of one VR.
TEST_F(Iid, IidgCountAndWalkSpanEveryVrf) {
  E otherVrf = kEntry, otherPrefix = kEntry, otherGroup = kEntry;
  otherVrf.vrfIndex = 9;
  otherPrefix.prefixLen = 64;  // differs only in prefixLen: another record
  otherGroup.prefixLen = 32, otherGroup.iidgIndex = 1;
  for (const E &e : {kEntry, otherVrf, otherPrefix, otherGroup}) {
    ASSERT_EQ(SRV6_DB_CreateIid(&e), SRV6_DB_OK);
  }
  auto query = Filled<E>(0x77);
  query.vrId = kEntry.vrId, query.iidgIndex = kEntry.iidgIndex;
  uint64_t count = 0;
  ASSERT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&query, &count), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x01090008, Hex(kIidgKey)));
  EXPECT_EQ(count, 3u);
  EXPECT_TRUE(Walker(SRV6_DB_GetNextIidEntry, SRV6_DB_ReleaseIidIterator, &E::vrfIndex)(
      SRV6_DB_CreateIidIteratorByIidg(&query, SRV6_DB_ITER_NO_COUNT), 0x01090008, kIidgKey,
      {9, 0x00010002, 0x00010002}));
}

// A failed count passes the engine's code through; the caller's count keeps its value. A
// missing output is the wrapper's own check: 1, nothing counted.
TEST_F(Iid, CountFailuresLeaveTheOutputAlone) {
  uint64_t count = 12345;
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_COUNT, SRV6_DB_TABLE_IID, 5,
                                       SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&kEntry, &count), 5u);
  EXPECT_EQ(count, 12345u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_IID, SRV6_DB_STAT_COUNT_DB_FAILED));

  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&kEntry, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(nullptr, &count), SRV6_DB_ERR);
  EXPECT_EQ(count, 12345u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_IID, SRV6_DB_STAT_COUNT_DB_FAILED));
}

}  // namespace
}  // namespace srv6db::test
