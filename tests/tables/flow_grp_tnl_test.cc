// Flow group tunnel table: golden bytes, every secondary index end to end, and the IID group
// count and iterator addressing the same records across VRFs.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbFlowGrpTnlEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xCC);  // alignment gap and tail must not reach the record
  e.vrId = 0x01020304, e.vrfIndex = 0x05060708, e.tnlKeyId = 0x090A0B0C;
  Assign(e.combineIndex, {0x11121314, 0x15161718, 0x191A1B1C});
  e.tnlKeyByte = 0x1D, e.grpType = 0x1E, e.tnlType = 0x1F;
  e.grpId = 0x21222324, e.iidGroupId = 0x25262728;
  e.attr1 = 0x31323334, e.attr2 = 0x35363738, e.attr3 = 0x393A3B3C;
  Ramp(e.reserved1, 0x41);
  Ramp(e.block1, 0x50);
  Ramp(e.block2, 0x60);
  e.smoothId = 0x71727374, e.data1 = 0x8182838485868788, e.data2 = 0x9192939495969798;
  e.attr4 = 0xA1A2A3A4;
  return e;
}();
// Small values, each byte of its own: a segment at the wrong key offset shows.
const E kSmall = [] {
  E e = {};
  e.vrId = 1, e.vrfIndex = 5, e.grpType = 6, e.tnlType = 7, e.grpId = 9;
  return e;
}();
constexpr char kPrimaryKey[] = "04030201 08070605 0c0b0a09 14131211 18171615 1c1b1a19 1d";
constexpr char kTnlTypeKey[] = "04030201 08070605 1e1f 24232221";
constexpr char kIidGroupKey[] = "04030201 1e 28272625";
constexpr char kGroupKey[] = "04030201 08070605 1e 24232221";
constexpr char kCombineKey[] = "04030201 08070605 14131211 18171615 1c1b1a19";
constexpr char kRecord[] =
    "04030201 08070605 0c0b0a09 14131211 18171615 1c1b1a19 1d1e1f00 24232221"
    "28272625 34333231 38373635 3c3b3a39 41424344"                             // 32
    "50515253 54555657 58595a5b 5c5d5e5f 60616263 64656667 68696a6b 6c6d6e6f"  // 52
    "74737271 88878685 84838281 98979695 94939291 a4a3a2a1";                   // 84

const GoldenRegistrar kGolden(
    {"FlowGrpTnl", SRV6_DB_TABLE_FLOW_GRP_TNL, kEntry, SRV6_DB_SetFlowGrpTnlFields,
     SRV6_DB_CreateFlowGrpTnl, kRecord, kPrimaryKey},
    {{"Primary", SRV6_DB_SetFlowGrpTnlPriKey, kEntry, 0x00010019, kPrimaryKey},
     {"TnlType", SRV6_DB_SetFlowGrpTnlKey1Key2HashKey, kEntry, 0x0109000E, kTnlTypeKey},
     {"IidGroup", SRV6_DB_SetFlowGrpTnlKey3HashKey, kEntry, 0x02090009, kIidGroupKey},
     {"Group", SRV6_DB_SetFlowGrpTnlKey2HashKey, kEntry, 0x0309000D, kGroupKey},
     {"Combine", SRV6_DB_SetFlowGrpTnlCombineHashKey, kEntry, 0x04090014, kCombineKey},
     {"Smooth", SRV6_DB_SetFlowGrpTnlSmoothHashKey, kSmoothKey, 0x0509000C, kSmoothIdLast},
     {"TnlTypeSmall", SRV6_DB_SetFlowGrpTnlKey1Key2HashKey, kSmall, 0x0109000E,
      "01000000 05000000 0607 09000000"},
     {"GroupSmall", SRV6_DB_SetFlowGrpTnlKey2HashKey, kSmall, 0x0309000D,
      "01000000 05000000 06 09000000"}},
    ByVrf(SRV6_DB_CreateFlowGrpTnlIteratorByVrf, SRV6_DB_GetNextFlowGrpTnlEntry,
          SRV6_DB_ReleaseFlowGrpTnlIterator, &E::tnlKeyId, 0x0509000C, kSmoothIdLast));

using FlowGrpTnl = LibraryTest;

TEST_F(FlowGrpTnl, EachSecondaryIndexFindsTheRecordByItsKey) {
  E elsewhere = kEntry;  // shares no secondary key with kEntry
  elsewhere.vrId += 1, elsewhere.tnlKeyId = 2;
  ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(&kEntry), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(&elsewhere), SRV6_DB_OK);
  const struct {
    const char *name;
    Srv6DbIter *(*create)(const E *, uint32_t);
    uint32_t keyWord;
    const char *key;
  } cases[] = {
      {"tunnel type", SRV6_DB_CreateFlowGrpTnlIteratorByTnlTypeId, 0x0109000E, kTnlTypeKey},
      {"IID group", SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId, 0x02090009, kIidGroupKey},
      {"group", SRV6_DB_CreateFlowGrpTnlIteratorByGrpId, 0x0309000D, kGroupKey},
      {"combine", SRV6_DB_CreateFlowGrpTnlIteratorByCombineIndex, 0x04090014, kCombineKey},
  };
  const auto walk =
      Walker(SRV6_DB_GetNextFlowGrpTnlEntry, SRV6_DB_ReleaseFlowGrpTnlIterator, &E::tnlKeyId);
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(walk(c.create(&kEntry, SRV6_DB_ITER_NO_COUNT), c.keyWord, c.key, {0x090A0B0C}));
    EXPECT_EQ(c.create(nullptr, SRV6_DB_ITER_NO_COUNT), nullptr);
  }
  EXPECT_TRUE(NoStatChanged());
}

// The IID group key carries no vrfIndex: count and walk find the group in every VRF.
TEST_F(FlowGrpTnl, IidGroupCountAndIteratorSpanVrfs) {
  E otherVrf = kEntry, otherGrpType = kEntry, otherIidGroup = kEntry, otherVr = kEntry;
  otherVrf.tnlKeyId = 2, otherVrf.vrfIndex = 77;
  otherGrpType.tnlKeyId = 3, otherGrpType.grpType = 0x2E;
  otherIidGroup.tnlKeyId = 4, otherIidGroup.iidGroupId = 0x35363738;
  otherVr.tnlKeyId = 5, otherVr.vrId = 9;
  for (const E &e : {kEntry, otherVrf, otherGrpType, otherIidGroup, otherVr}) {
    ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(&e), SRV6_DB_OK);
  }
  const auto walk =
      Walker(SRV6_DB_GetNextFlowGrpTnlEntry, SRV6_DB_ReleaseFlowGrpTnlIterator, &E::tnlKeyId);
  for (const E &probe : {kEntry, otherVrf}) {
    uint64_t count = 0;
    ASSERT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(&probe, &count), SRV6_DB_OK);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x02090009, Hex(kIidGroupKey)));
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(walk(SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(&probe, 0xFFFFFFFF), 0x02090009,
                     kIidGroupKey, {2, 0x090A0B0C}));
  }
  EXPECT_TRUE(NoStatChanged());
}

// A null count, or a null entry, reaches the generic check: 1 and ParamInvalid counted.
TEST_F(FlowGrpTnl, CountWithoutCountPointerReachesTheGenericCheck) {
  EXPECT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(&kEntry, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_FLOW_GRP_TNL, SRV6_DB_STAT_PARAM_INVALID));
  uint64_t count = 42;
  EXPECT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(nullptr, &count), SRV6_DB_ERR);
  EXPECT_EQ(count, 42u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_FLOW_GRP_TNL, SRV6_DB_STAT_PARAM_INVALID));
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

}  // namespace
}  // namespace srv6db::test
