// Flow group table: golden record and key bytes, and the smooth index end to end.
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/te_test_util.h"

namespace srv6db::test {
namespace {

class FlowGrp : public LibraryTest {
 protected:
  static Srv6DbFlowGrpEntry Sample() {
    Srv6DbFlowGrpEntry e;
    std::memset(&e, 0xCC, sizeof(e));  // the alignment gap must not reach the record
    e.vrId = 0x01020304;
    e.vrfIndex = 0x05060708;
    e.grpId = 0x090A0B0C;
    e.grpType = 0x0D;
    e.byte1 = 0x0E;
    e.attr1 = 0x11121314;
    e.ipv6Addr1[0] = 0x20212223;
    e.ipv6Addr1[1] = 0x24252627;
    e.ipv6Addr1[2] = 0x28292A2B;
    e.ipv6Addr1[3] = 0x2C2D2E2F;
    e.attr2 = 0x31323334;
    e.attr3 = 0x35363738;
    e.smoothId = 0x41424344;
    e.data1 = 0x5152535455565758;
    e.data2 = 0x6162636465666768;
    return e;
  }

  static Bytes SampleRecord() {
    return Golden(64)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .U32(8, 0x090A0B0C)
        .U8(12, 0x0D)
        .U8(13, 0x0E)
        .U32(16, 0x11121314)
        .Fill(20, 16, 0x20)  // each word byte-reversed: 0x20212223 is stored 20 21 22 23
        .U32(36, 0x31323334)
        .U32(40, 0x35363738)
        .U32(44, 0x41424344)
        .U64(48, 0x5152535455565758)
        .U64(56, 0x6162636465666768)
        .bytes();
  }

  static Bytes SamplePrimaryKey() {
    return Golden(13).U32(0, 0x01020304).U32(4, 0x05060708).U32(8, 0x090A0B0C).U8(12, 0x0D).bytes();
  }
};

TEST_F(FlowGrp, RecordAndKeysFollowTheLayout) {
  const Srv6DbFlowGrpEntry e = Sample();
  Srv6DbFlowGrpRecord record;
  std::memset(&record, 0, sizeof(record));
  SRV6_DB_SetFlowGrpFields(&e, &record);
  EXPECT_EQ(AsBytes(&record, sizeof(record)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateFlowGrp(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_FLOW_GRP, SamplePrimaryKey(), 64), SampleRecord());

  const Srv6DbSmoothKey smooth = {1, 2, 3};
  for (const KeyRow &row : {
           KeyRow{"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpPriKey(&e, w, k); },
                  0x0001000D, SamplePrimaryKey()},
           KeyRow{"smooth",
                  [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpSmoothHashKey(&smooth, w, k); },
                  0x0109000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3).bytes()},
       }) {
    ExpectKeySetter(row);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(FlowGrp, IteratorByVrfWalksTheSmoothIndex) {
  Srv6DbFlowGrpEntry match = Sample();
  Srv6DbFlowGrpEntry other = Sample();
  other.grpId += 1;
  other.smoothId += 1;
  ASSERT_EQ(SRV6_DB_CreateFlowGrp(&match), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateFlowGrp(&other), SRV6_DB_OK);

  const Srv6DbSmoothKey smooth = {match.vrId, match.vrfIndex, match.smoothId};
  const auto got =
      Drain<Srv6DbFlowGrpEntry>(SRV6_DB_CreateFlowGrpIteratorByVrf(&smooth, SRV6_DB_ITER_NO_COUNT),
                                SRV6_DB_GetNextFlowGrpEntry, SRV6_DB_ReleaseFlowGrpIterator);
  EXPECT_TRUE(EngineGotKey(
      SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0109000C,
      Golden(12).U32(0, match.vrId).U32(4, match.vrfIndex).U32(8, match.smoothId).bytes()));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].grpId, match.grpId);
  EXPECT_EQ(SRV6_DB_CreateFlowGrpIteratorByVrf(nullptr, 0), nullptr);
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
