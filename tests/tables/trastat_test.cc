// Traffic statistics table: golden bytes, the read by XC info, the tunnel id walk.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

const Srv6DbTraStatEntry kEntry = [] {
  auto e = Filled<Srv6DbTraStatEntry>(0xEE);
  e.statId1 = 0x01020304, e.statId2 = 0x11121314, e.statId3 = 0x21222324;
  e.xcId = 0x31323334, e.xcType = 4, e.attr1 = 0x41424344;
  Ramp(e.reserved1, 0xA0);
  for (uint64_t i = 0; i < 12; ++i) e.statValues[i] = 0x1000000000000000 * (i + 1) + i;
  return e;
}();
const uint32_t kTunnelId = 0xA1B2C3D4;
constexpr char kPrimaryKey[] = "04030201 14131211 24232221 34333231 04";
constexpr char kXcKey[] = "34333231 04";
// Bytes 17 to 19 stay 0.
constexpr char kRecord[] =
    "04030201 14131211 24232221 34333231 04000000"
    "a0a1a2a3 a4a5a6a7 a8a9aaab acadaeaf 44434241"                              // 20
    "00000000 00000010 01000000 00000020 02000000 00000030 03000000 00000040"   // 40
    "04000000 00000050 05000000 00000060 06000000 00000070 07000000 00000080"   // 72
    "08000000 00000090 09000000 000000a0 0a000000 000000b0 0b000000 000000c0";  // 104

const GoldenRegistrar kGolden(
    {"TraStat", SRV6_DB_TABLE_TRASTAT, kEntry, SRV6_DB_SetTraStatFields, SRV6_DB_CreateTraStat,
     kRecord, kPrimaryKey},
    {{"Primary", SRV6_DB_SetTraStatPriKey, kEntry, 0x00010011, kPrimaryKey},
     {"TnlId", SRV6_DB_SetTraStatTnlIdHashkey, kTunnelId, 0x01090004, "d4c3b2a1"},
     {"XcInfo", SRV6_DB_SetTraStatXcInfoKey, kEntry, 0x02090005, kXcKey}});

using TraStat = LibraryTest;

// Records that share an XC differ in their statIds; the read by XC info brings one of them
// back whole, the caller's statIds overwritten. An XC nobody has gives 1, entry untouched.
TEST_F(TraStat, XcInfoReadNeedsOnlyTheXc) {
  Srv6DbTraStatEntry b = kEntry;
  b.statId1 = 99;
  ASSERT_EQ(SRV6_DB_CreateTraStat(&kEntry), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateTraStat(&b), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_TRASTAT), 2u);

  auto query = Filled<Srv6DbTraStatEntry>(0x77);
  query.xcId = kEntry.xcId, query.xcType = kEntry.xcType;
  ASSERT_EQ(SRV6_DB_ReadTraStatByXcInfo(&query), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x02090005, Hex(kXcKey)));
  EXPECT_TRUE(query.statId1 == kEntry.statId1 || query.statId1 == b.statId1);
  query.statId1 = kEntry.statId1;
  EXPECT_EQ(RecordOf(SRV6_DB_SetTraStatFields, query), Hex(kRecord));

  Srv6DbTraStatEntry missing = kEntry;
  missing.xcType = 5;
  const Srv6DbTraStatEntry before = missing;
  EXPECT_EQ(SRV6_DB_ReadTraStatByXcInfo(&missing), SRV6_DB_ERR);
  EXPECT_EQ(BytesOf(missing), BytesOf(before));
  EXPECT_TRUE(NoStatChanged());
}

// The engine's tunnel id index is filled from each record's attr1.
TEST_F(TraStat, TunnelWalkYieldsRecordsWhoseAttr1Matches) {
  Srv6DbTraStatEntry e = kEntry;
  for (uint32_t i = 0; i < 3; ++i) {
    e.statId3 = i, e.attr1 = i == 1 ? 8 : 9;
    ASSERT_EQ(SRV6_DB_CreateTraStat(&e), SRV6_DB_OK);
  }
  const uint32_t tunnelId = 9;
  EXPECT_TRUE(Walker(SRV6_DB_GetNextTraStatEntry, SRV6_DB_ReleaseTraStatIterator,
                     &Srv6DbTraStatEntry::statId3)(
      SRV6_DB_CreateTraStatIteratorByTnlId(&tunnelId, SRV6_DB_ITER_NO_COUNT), 0x01090004,
      "09000000", {0, 2}));
  EXPECT_EQ(SRV6_DB_CreateTraStatIteratorByTnlId(nullptr, SRV6_DB_ITER_NO_COUNT), nullptr);
}

}  // namespace
}  // namespace srv6db::test
