// SR tunnel group table: golden record with its packed 64-bit tail, keys that differ only in
// their key word, and the smooth index end to end.
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/te_test_util.h"

namespace srv6db::test {
namespace {

using Entry = Srv6DbSprTnlGrpEntry;

class SprTnlGrp : public LibraryTest {
 protected:
  static Entry Sample() {
    Entry e;
    std::memset(&e, 0xCC, sizeof(e));  // alignment gaps must not reach the record
    e.vrId = 0x01020304;
    e.vrfIndex = 0x05060708;
    e.nhpGrpId = 0x090A0B0C;
    e.attr1 = 0x11121314;
    e.attr2 = 0x15161718;
    e.attr3 = 0x191A1B1C;
    FillSequence(e.reserved1, 0x21);
    FillSequence(e.block1, 0x30);
    FillSequence(e.block2, 0x40);
    e.byte1 = 0x51;
    e.byte2 = 0x52;
    e.smoothId = 0x61626364;
    e.data1 = 0x7172737475767778;
    e.data2 = 0x8182838485868788;
    return e;
  }

  static Bytes ThreeWords() {
    return Golden(12).U32(0, 0x01020304).U32(4, 0x05060708).U32(8, 0x090A0B0C).bytes();
  }

  static Bytes SampleRecord() {
    return Golden(84)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .U32(8, 0x090A0B0C)
        .U32(12, 0x11121314)
        .U32(16, 0x15161718)
        .U32(20, 0x191A1B1C)
        .Fill(24, 4, 0x21)
        .Fill(28, 16, 0x30)  // blocks are bytes: no word swap
        .Fill(44, 16, 0x40)
        .U8(60, 0x51)
        .U8(61, 0x52)
        .U32(64, 0x61626364)
        .U64(68, 0x7172737475767778)  // right after smoothId; the entry has it at 72
        .U64(76, 0x8182838485868788)
        .bytes();
  }

  static Bytes RecordOf(const Entry &e) {
    Srv6DbSprTnlGrpRecord record;
    std::memset(&record, 0, sizeof(record));
    SRV6_DB_SetSprTnlGrpFields(&e, &record);
    return AsBytes(&record, sizeof(record));
  }
};

TEST_F(SprTnlGrp, RecordAndKeysFollowTheLayout) {
  const Entry e = Sample();
  EXPECT_EQ(RecordOf(e), SampleRecord());
  ASSERT_EQ(SRV6_DB_CreateSprTnlGrp(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SPR_TNL_GRP, ThreeWords(), 84), SampleRecord());

  // The same three words make the primary key, the smooth key and the SR tunnel table's
  // next-hop group key: only the key word tells them apart.
  const Srv6DbSmoothKey smooth = {0x01020304, 0x05060708, 0x090A0B0C};
  for (const KeyRow &row : {
           KeyRow{"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetSprTnlGrpPriKey(&e, w, k); },
                  0x0001000C, ThreeWords()},
           KeyRow{"smooth",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetSprTnlGrpSmoothHashKey(&smooth, w, k); },
                  0x0109000C, ThreeWords()},
           KeyRow{"SR tunnel next-hop group",
                  [](uint32_t *w, void *k) {
                    SRV6_DB_SetSprTnlGrpIdHashKey(0x01020304, 0x05060708, 0x090A0B0C, w, k);
                  },
                  0x0209000C, ThreeWords()},
       }) {
    ExpectKeySetter(row);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(SprTnlGrp, IteratorByVrfDeliversThePackedTailAtAlignedOffsets) {
  const Entry e = Sample();
  Entry other = Sample();
  other.nhpGrpId = 1;
  other.smoothId = 2;
  ASSERT_EQ(SRV6_DB_CreateSprTnlGrp(&e), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateSprTnlGrp(&other), SRV6_DB_OK);

  const Srv6DbSmoothKey smooth = {e.vrId, e.vrfIndex, e.smoothId};
  const auto got =
      Drain<Entry>(SRV6_DB_CreateSprTnlGrpIteratorByVrf(&smooth, SRV6_DB_ITER_NO_COUNT),
                   SRV6_DB_GetNextSprTnlGrpEntry, SRV6_DB_ReleaseSprTnlGrpIterator);
  EXPECT_TRUE(
      EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0109000C,
                   Golden(12).U32(0, e.vrId).U32(4, e.vrfIndex).U32(8, e.smoothId).bytes()));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].data1, e.data1);
  EXPECT_EQ(got[0].data2, e.data2);
  EXPECT_EQ(RecordOf(got[0]), SampleRecord());
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
