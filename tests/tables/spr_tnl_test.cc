// SR tunnel table: golden bytes, the widened byte fields, the policy and next-hop group indexes
// end to end, and null arguments.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbSprTnlEntry;

constexpr uint32_t kNhpGrpId = 0x21222324;  // attr1: the in-memory engine's group index field

const E kEntry = [] {
  auto e = Filled<E>(0xCC);  // alignment gaps must not reach the record
  e.vrId = 0x01020304, e.vrfIndex = 0x05060708, e.tnlIndex = 0x090A0B0C;
  e.tunnelId = 0x11121314, e.tunnelType = 0x15, e.byte1 = 0x16;
  e.attr1 = kNhpGrpId, e.attr2 = 0x25262728;
  Ramp(e.reserved1, 0x30);
  e.byte2 = 0xFF, e.byte3 = 0x81, e.smoothId = 0xA1A2A3A4;
  e.data1 = 0xB1B2B3B4B5B6B7B8, e.data2 = 0xC1C2C3C4C5C6C7C8;
  return e;
}();
constexpr char kPrimaryKey[] = "04030201 08070605 0c0b0a09 14131211 15";
constexpr char kPolicyKey[] = "04030201 08070605 14131211 15";
constexpr char kNhpGrpKey[] = "04030201 08070605 24232221";
// byte2 and byte3 widened to u32 at 96 and 100; data1 packed at 108, not 8-byte aligned.
constexpr char kRecord[] =
    "04030201 08070605 0c0b0a09 14131211 15160000 24232221 28272625 30313233"
    "34353637 38393a3b 3c3d3e3f 40414243 44454647 48494a4b 4c4d4e4f 50515253"  // 32
    "54555657 58595a5b 5c5d5e5f 60616263 64656667 68696a6b 6c6d6e6f 70717273"  // 64
    "ff000000 81000000 a4a3a2a1 b8b7b6b5 b4b3b2b1 c8c7c6c5 c4c3c2c1";          // 96

const GoldenRegistrar kGolden(
    {"SprTnl", SRV6_DB_TABLE_SPR_TNL, kEntry, SRV6_DB_SetSprTnlFields, SRV6_DB_CreateSprTnl,
     kRecord, kPrimaryKey},
    {{"Primary", SRV6_DB_SetSprTnlPriKey, kEntry, 0x00010011, kPrimaryKey},
     {"Policy", SRV6_DB_SetSprTnlIdTypeKey, kEntry, 0x0109000D, kPolicyKey},
     {"NhpGrp",
      [](uint32_t *w, void *k) {
        SRV6_DB_SetSprTnlGrpIdHashKey(0x01020304, 0x05060708, kNhpGrpId, w, k);
      },
      0x0209000C, kNhpGrpKey},
     {"Smooth", SRV6_DB_SetSprTnlSmoothHashKey, kSmoothKey, 0x0309000C, kSmoothIdLast}},
    ByVrf(SRV6_DB_CreateSprTnlIteratorByVrf, SRV6_DB_GetNextSprTnlEntry,
          SRV6_DB_ReleaseSprTnlIterator, &E::tnlIndex, 0x0309000C, kSmoothIdLast));

using SprTnl = LibraryTest;

TEST_F(SprTnl, WidenedBytesKeepOnlyTheirLowEightBits) {
  Bytes stored = Hex(kRecord);
  std::ranges::copy(Hex("ff010000 12efcdab"), stored.begin() + 96);
  ASSERT_EQ(srv6db_engine_put_record(SRV6_DB_TABLE_SPR_TNL, stored.data(), 124), 0u);
  E e = kEntry;
  e.byte2 = 0, e.byte3 = 0;
  ASSERT_EQ(SRV6_DB_ReadSprTnl(&e), SRV6_DB_OK);
  EXPECT_EQ(e.byte2, 0xFF);
  EXPECT_EQ(e.byte3, 0x12);
  EXPECT_EQ(e.smoothId, 0xA1A2A3A4u);
}

TEST_F(SprTnl, SecondaryIndexesFindTheirTunnels) {
  E second = kEntry, otherPolicy = kEntry;  // second: same policy and next-hop group
  second.tnlIndex = 2;
  otherPolicy.tnlIndex = 3, otherPolicy.tunnelType = 0x25, otherPolicy.attr1 = kNhpGrpId + 1;
  for (const E &e : {kEntry, second, otherPolicy}) ASSERT_EQ(SRV6_DB_CreateSprTnl(&e), 0u);
  const auto walk = Walker(SRV6_DB_GetNextSprTnlEntry, SRV6_DB_ReleaseSprTnlIterator, &E::tnlIndex);
  EXPECT_TRUE(walk(SRV6_DB_CreateSprTnlIteratorByPolicy(&kEntry, 0xFFFFFFFF), 0x0109000D,
                   kPolicyKey, {2, 0x090A0B0C}));
  EXPECT_TRUE(walk(SRV6_DB_CreateSprTnlIteratorByGrpId(0x01020304, 0x05060708, kNhpGrpId, 9),
                   0x0209000C, kNhpGrpKey, {2, 0x090A0B0C}));
  uint64_t count = 0;
  ASSERT_EQ(SRV6_DB_GetSprTnlCountByNhpGrpId(0x01020304, 0x05060708, kNhpGrpId, &count), 0u);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x0209000C, Hex(kNhpGrpKey)));
  EXPECT_EQ(count, 2u);
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(SprTnl, NullArgumentsFailBeforeTheEngine) {
  EXPECT_EQ(SRV6_DB_GetSprTnlCountByNhpGrpId(1, 2, 3, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CreateSprTnlIteratorByPolicy(nullptr, 0), nullptr);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
