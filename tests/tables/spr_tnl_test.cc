// SR tunnel table: golden record and key bytes, the widened byte fields, the policy, next-hop
// group and smooth indexes end to end, and the count without a count pointer.
#include <cstring>
#include <functional>
#include <set>

#include "tests/support/test_env.h"
#include "tests/tables/te_test_util.h"

namespace srv6db::test {
namespace {

using Entry = Srv6DbSprTnlEntry;

constexpr uint32_t kNhpGrpId = 0x21222324;  // attr1: the in-memory engine's group index field

class SprTnl : public LibraryTest {
 protected:
  static Entry Sample() {
    Entry e;
    std::memset(&e, 0xCC, sizeof(e));  // alignment gaps must not reach the record
    e.vrId = 0x01020304;
    e.vrfIndex = 0x05060708;
    e.tnlIndex = 0x090A0B0C;
    e.tunnelId = 0x11121314;
    e.tunnelType = 0x15;
    e.byte1 = 0x16;
    e.attr1 = kNhpGrpId;
    e.attr2 = 0x25262728;
    FillSequence(e.reserved1, 0x30);
    e.byte2 = 0xFF;
    e.byte3 = 0x81;
    e.smoothId = 0xA1A2A3A4;
    e.data1 = 0xB1B2B3B4B5B6B7B8;
    e.data2 = 0xC1C2C3C4C5C6C7C8;
    return e;
  }

  static Golden PrimaryKeyPart(size_t size) {
    return Golden(size)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .U32(8, 0x090A0B0C)
        .U32(12, 0x11121314)
        .U8(16, 0x15);
  }

  static Golden SampleRecord() {
    return PrimaryKeyPart(124)
        .U8(17, 0x16)
        .U32(20, kNhpGrpId)
        .U32(24, 0x25262728)
        .Fill(28, 68, 0x30)
        .U32(96, 0xFF)  // byte2 and byte3 widened to u32
        .U32(100, 0x81)
        .U32(104, 0xA1A2A3A4)
        .U64(108, 0xB1B2B3B4B5B6B7B8)  // packed: not 8-byte aligned
        .U64(116, 0xC1C2C3C4C5C6C7C8);
  }

  static Bytes PolicyKey() {
    return Golden(13).U32(0, 0x01020304).U32(4, 0x05060708).U32(8, 0x11121314).U8(12, 0x15).bytes();
  }
  static Bytes NhpGrpKey() {
    return Golden(12).U32(0, 0x01020304).U32(4, 0x05060708).U32(8, kNhpGrpId).bytes();
  }

  static std::set<uint32_t> TnlIndexes(Srv6DbIter *iter) {
    std::set<uint32_t> ids;
    for (const Entry &e :
         Drain<Entry>(iter, SRV6_DB_GetNextSprTnlEntry, SRV6_DB_ReleaseSprTnlIterator)) {
      ids.insert(e.tnlIndex);
    }
    return ids;
  }
};

TEST_F(SprTnl, RecordAndKeysFollowTheLayout) {
  const Entry e = Sample();
  Srv6DbSprTnlRecord record;
  std::memset(&record, 0, sizeof(record));
  SRV6_DB_SetSprTnlFields(&e, &record);
  EXPECT_EQ(AsBytes(&record, sizeof(record)), SampleRecord().bytes());

  ASSERT_EQ(SRV6_DB_CreateSprTnl(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SPR_TNL, PrimaryKeyPart(17).bytes(), 124),
            SampleRecord().bytes());

  const Srv6DbSmoothKey smooth = {1, 2, 3};
  for (const KeyRow &row : {
           KeyRow{"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetSprTnlPriKey(&e, w, k); },
                  0x00010011, PrimaryKeyPart(17).bytes()},
           KeyRow{"policy", [&](uint32_t *w, void *k) { SRV6_DB_SetSprTnlIdTypeKey(&e, w, k); },
                  0x0109000D, PolicyKey()},
           KeyRow{"next-hop group",
                  [](uint32_t *w, void *k) {
                    SRV6_DB_SetSprTnlGrpIdHashKey(0x01020304, 0x05060708, kNhpGrpId, w, k);
                  },
                  0x0209000C, NhpGrpKey()},
           KeyRow{"smooth",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetSprTnlSmoothHashKey(&smooth, w, k); },
                  0x0309000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3).bytes()},
       }) {
    ExpectKeySetter(row);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(SprTnl, WidenedBytesKeepOnlyTheirLowEightBits) {
  const Bytes stored = SampleRecord().U32(96, 0x1FF).U32(100, 0xABCDEF12).bytes();
  ASSERT_EQ(srv6db_engine_put_record(SRV6_DB_TABLE_SPR_TNL, stored.data(), 124), 0u);
  Entry e = Sample();
  e.byte2 = 0;
  e.byte3 = 0;
  ASSERT_EQ(SRV6_DB_ReadSprTnl(&e), SRV6_DB_OK);
  EXPECT_EQ(e.byte2, 0xFF);
  EXPECT_EQ(e.byte3, 0x12);
  EXPECT_EQ(e.smoothId, 0xA1A2A3A4u);
}

TEST_F(SprTnl, SecondaryIndexesFindTheirTunnels) {
  Entry first = Sample();
  Entry second = Sample();  // same policy and next-hop group, another tunnel index
  second.tnlIndex = 2;
  second.smoothId = 7;
  Entry otherPolicy = Sample();  // another tunnel type and next-hop group
  otherPolicy.tnlIndex = 3;
  otherPolicy.tunnelType = 0x25;
  otherPolicy.attr1 = kNhpGrpId + 1;
  for (const Entry *e : {&first, &second, &otherPolicy}) ASSERT_EQ(SRV6_DB_CreateSprTnl(e), 0u);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_SPR_TNL), 3u);

  const std::set<uint32_t> sameGroup = {first.tnlIndex, second.tnlIndex};
  const Srv6DbSmoothKey smooth = {second.vrId, second.vrfIndex, second.smoothId};
  struct Row {
    const char *name;
    std::function<Srv6DbIter *()> create;
    uint32_t keyWord;
    Bytes key;
    std::set<uint32_t> tnlIndexes;
  };
  const Row rows[] = {
      {"policy", [&] { return SRV6_DB_CreateSprTnlIteratorByPolicy(&first, 0xFFFFFFFF); },
       0x0109000D, PolicyKey(), sameGroup},
      {"next-hop group",
       [] { return SRV6_DB_CreateSprTnlIteratorByGrpId(0x01020304, 0x05060708, kNhpGrpId, 9); },
       0x0209000C, NhpGrpKey(), sameGroup},
      {"VRF",
       [&] { return SRV6_DB_CreateSprTnlIteratorByVrf(&smooth, 0xFFFFFFFF); },
       0x0309000C,
       Golden(12).U32(0, 0x01020304).U32(4, 0x05060708).U32(8, 7).bytes(),
       {second.tnlIndex}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(TnlIndexes(row.create()), row.tnlIndexes);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, row.keyWord, row.key));
  }

  uint64_t count = 0;
  ASSERT_EQ(SRV6_DB_GetSprTnlCountByNhpGrpId(0x01020304, 0x05060708, kNhpGrpId, &count), 0u);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x0209000C, NhpGrpKey()));
  EXPECT_EQ(count, sameGroup.size());
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(SprTnl, CountWithoutCountPointerFailsBeforeTheEngine) {
  EXPECT_EQ(SRV6_DB_GetSprTnlCountByNhpGrpId(1, 2, 3, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(NoStatChanged());
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
  EXPECT_EQ(SRV6_DB_CreateSprTnlIteratorByPolicy(nullptr, 0), nullptr);
  EXPECT_EQ(SRV6_DB_CreateSprTnlIteratorByVrf(nullptr, 0), nullptr);
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
