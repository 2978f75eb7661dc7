// Flow group tunnel table: golden record and key bytes, every secondary index end to end, and
// the IID group count and iterator addressing the same records.
#include <cstring>
#include <set>

#include "tests/support/test_env.h"
#include "tests/tables/te_test_util.h"

namespace srv6db::test {
namespace {

using Entry = Srv6DbFlowGrpTnlEntry;

class FlowGrpTnl : public LibraryTest {
 protected:
  static Entry Sample() {
    Entry e;
    std::memset(&e, 0xCC, sizeof(e));  // alignment gap and tail must not reach the record
    e.vrId = 0x01020304;
    e.vrfIndex = 0x05060708;
    e.tnlKeyId = 0x090A0B0C;
    e.combineIndex[0] = 0x11121314;
    e.combineIndex[1] = 0x15161718;
    e.combineIndex[2] = 0x191A1B1C;
    e.tnlKeyByte = 0x1D;
    e.grpType = 0x1E;
    e.tnlType = 0x1F;
    e.grpId = 0x21222324;
    e.iidGroupId = 0x25262728;
    e.attr1 = 0x31323334;
    e.attr2 = 0x35363738;
    e.attr3 = 0x393A3B3C;
    FillSequence(e.reserved1, 0x41);
    FillSequence(e.block1, 0x50);
    FillSequence(e.block2, 0x60);
    e.smoothId = 0x71727374;
    e.data1 = 0x8182838485868788;
    e.data2 = 0x9192939495969798;
    e.attr4 = 0xA1A2A3A4;
    return e;
  }

  static Golden PrimaryKeyPart(size_t size) {
    return Golden(size)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .U32(8, 0x090A0B0C)
        .U32(12, 0x11121314)
        .U32(16, 0x15161718)
        .U32(20, 0x191A1B1C)
        .U8(24, 0x1D);
  }

  static Bytes SampleRecord() {
    return PrimaryKeyPart(108)
        .U8(25, 0x1E)
        .U8(26, 0x1F)
        .U32(28, 0x21222324)
        .U32(32, 0x25262728)
        .U32(36, 0x31323334)
        .U32(40, 0x35363738)
        .U32(44, 0x393A3B3C)
        .Fill(48, 4, 0x41)
        .Fill(52, 16, 0x50)  // blocks are bytes: no word swap
        .Fill(68, 16, 0x60)
        .U32(84, 0x71727374)
        .U64(88, 0x8182838485868788)
        .U64(96, 0x9192939495969798)
        .U32(104, 0xA1A2A3A4)
        .bytes();
  }

  static Bytes TnlTypeKey() {
    return Golden(14)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .U8(8, 0x1E)
        .U8(9, 0x1F)
        .U32(10, 0x21222324)
        .bytes();
  }
  static Bytes IidGroupKey() {
    return Golden(9).U32(0, 0x01020304).U8(4, 0x1E).U32(5, 0x25262728).bytes();
  }
  static Bytes GroupKey() {
    return Golden(13).U32(0, 0x01020304).U32(4, 0x05060708).U8(8, 0x1E).U32(9, 0x21222324).bytes();
  }
  static Bytes CombineKey() {
    return Golden(20)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .U32(8, 0x11121314)
        .U32(12, 0x15161718)
        .U32(16, 0x191A1B1C)
        .bytes();
  }

  static std::set<uint32_t> TnlKeyIds(const std::vector<Entry> &entries) {
    std::set<uint32_t> ids;
    for (const Entry &e : entries) ids.insert(e.tnlKeyId);
    return ids;
  }
};

std::vector<Entry> Walk(Srv6DbIter *iter) {
  return Drain<Entry>(iter, SRV6_DB_GetNextFlowGrpTnlEntry, SRV6_DB_ReleaseFlowGrpTnlIterator);
}

TEST_F(FlowGrpTnl, RecordAndKeysFollowTheLayout) {
  const Entry e = Sample();
  Srv6DbFlowGrpTnlRecord record;
  std::memset(&record, 0, sizeof(record));
  SRV6_DB_SetFlowGrpTnlFields(&e, &record);
  EXPECT_EQ(AsBytes(&record, sizeof(record)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_FLOW_GRP_TNL, PrimaryKeyPart(25).bytes(), 108),
            SampleRecord());

  Entry small;
  std::memset(&small, 0, sizeof(small));
  small.vrId = 1;
  small.vrfIndex = 5;
  small.grpType = 6;
  small.tnlType = 7;
  small.grpId = 9;
  const Srv6DbSmoothKey smooth = {1, 2, 3};
  for (const KeyRow &row : {
           KeyRow{"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlPriKey(&e, w, k); },
                  0x00010019, PrimaryKeyPart(25).bytes()},
           KeyRow{"tunnel type",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlKey1Key2HashKey(&e, w, k); },
                  0x0109000E, TnlTypeKey()},
           KeyRow{"IID group",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlKey3HashKey(&e, w, k); },
                  0x02090009, IidGroupKey()},
           KeyRow{"group",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlKey2HashKey(&e, w, k); },
                  0x0309000D, GroupKey()},
           KeyRow{"combine",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlCombineHashKey(&e, w, k); },
                  0x04090014, CombineKey()},
           KeyRow{"smooth",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlSmoothHashKey(&smooth, w, k); },
                  0x0509000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3).bytes()},
           KeyRow{"tunnel type, small values",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlKey1Key2HashKey(&small, w, k); },
                  0x0109000E,
                  {1, 0, 0, 0, 5, 0, 0, 0, 6, 7, 9, 0, 0, 0}},
           KeyRow{"group, small values",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpTnlKey2HashKey(&small, w, k); },
                  0x0309000D,
                  {1, 0, 0, 0, 5, 0, 0, 0, 6, 9, 0, 0, 0}},
       }) {
    ExpectKeySetter(row);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(FlowGrpTnl, EachSecondaryIndexFindsTheRecordByItsKey) {
  const Entry e = Sample();
  Entry elsewhere = Sample();  // shares no secondary key with e
  elsewhere.vrId += 1;
  ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(&e), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(&elsewhere), SRV6_DB_OK);

  const Srv6DbSmoothKey smooth = {e.vrId, e.vrfIndex, e.smoothId};
  struct Row {
    const char *name;
    Srv6DbIter *(*create)(const Entry *e, const Srv6DbSmoothKey *s);
    uint32_t keyWord;
    Bytes key;
  };
  const Row rows[] = {
      {"tunnel type",
       [](const Entry *x, const Srv6DbSmoothKey *) {
         return SRV6_DB_CreateFlowGrpTnlIteratorByTnlTypeId(x, SRV6_DB_ITER_NO_COUNT);
       },
       0x0109000E, TnlTypeKey()},
      {"IID group",
       [](const Entry *x, const Srv6DbSmoothKey *) {
         return SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(x, SRV6_DB_ITER_NO_COUNT);
       },
       0x02090009, IidGroupKey()},
      {"group",
       [](const Entry *x, const Srv6DbSmoothKey *) {
         return SRV6_DB_CreateFlowGrpTnlIteratorByGrpId(x, SRV6_DB_ITER_NO_COUNT);
       },
       0x0309000D, GroupKey()},
      {"combine",
       [](const Entry *x, const Srv6DbSmoothKey *) {
         return SRV6_DB_CreateFlowGrpTnlIteratorByCombineIndex(x, SRV6_DB_ITER_NO_COUNT);
       },
       0x04090014, CombineKey()},
      {"VRF",
       [](const Entry *, const Srv6DbSmoothKey *s) {
         return SRV6_DB_CreateFlowGrpTnlIteratorByVrf(s, SRV6_DB_ITER_NO_COUNT);
       },
       0x0509000C, Golden(12).U32(0, e.vrId).U32(4, e.vrfIndex).U32(8, e.smoothId).bytes()},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<Entry> got = Walk(row.create(&e, &smooth));
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, row.keyWord, row.key));
    ASSERT_EQ(got.size(), 1u);
    Srv6DbFlowGrpTnlRecord back;
    std::memset(&back, 0, sizeof(back));
    SRV6_DB_SetFlowGrpTnlFields(&got[0], &back);
    EXPECT_EQ(AsBytes(&back, sizeof(back)), SampleRecord());
    EXPECT_EQ(row.create(nullptr, nullptr), nullptr);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(FlowGrpTnl, IidGroupCountAndIteratorAddressTheSameRecords) {
  Entry member = Sample();
  Entry otherVrf = Sample();  // the IID group key carries no vrfIndex
  otherVrf.tnlKeyId = 2;
  otherVrf.vrfIndex = 77;
  Entry otherGrpType = Sample();
  otherGrpType.tnlKeyId = 3;
  otherGrpType.grpType = 0x2E;
  Entry otherIidGroup = Sample();
  otherIidGroup.tnlKeyId = 4;
  otherIidGroup.iidGroupId = 0x35363738;
  Entry otherVr = Sample();
  otherVr.tnlKeyId = 5;
  otherVr.vrId = 9;
  for (const Entry *e : {&member, &otherVrf, &otherGrpType, &otherIidGroup, &otherVr}) {
    ASSERT_EQ(SRV6_DB_CreateFlowGrpTnl(e), SRV6_DB_OK);
  }
  const std::set<uint32_t> expected = {member.tnlKeyId, otherVrf.tnlKeyId};

  for (const Entry *probe : {&member, &otherVrf}) {
    uint64_t count = 0;
    ASSERT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(probe, &count), SRV6_DB_OK);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x02090009, IidGroupKey()));
    EXPECT_EQ(count, expected.size());
    EXPECT_EQ(TnlKeyIds(Walk(SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(probe, 0xFFFFFFFF))),
              expected);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(FlowGrpTnl, CountWithoutCountPointerReachesTheGenericCheck) {
  const Entry e = Sample();
  EXPECT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(&e, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_FLOW_GRP_TNL, SRV6_DB_STAT_PARAM_INVALID));

  uint64_t count = 42;
  EXPECT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(nullptr, &count), SRV6_DB_ERR);
  EXPECT_EQ(count, 42u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_FLOW_GRP_TNL, SRV6_DB_STAT_PARAM_INVALID));
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

}  // namespace
}  // namespace srv6db::test
