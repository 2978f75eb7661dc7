// Flow group map table: golden record and key bytes, and a read by the byte-wise primary key.
#include <cstddef>
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/te_test_util.h"

namespace srv6db::test {
namespace {

using Entry = Srv6DbFlowGrpMapEntry;

class FlowGrpMap : public LibraryTest {
 protected:
  static Entry Sample() {
    Entry e;
    std::memset(&e, 0xCC, sizeof(e));  // the alignment gap must not reach the record
    e.vrId = 0x01020304;
    e.vrfIndex = 0x05060708;
    FillSequence(e.mapKeyBytes, 0x09);
    e.mapKeyId1 = 0x11121314;
    e.mapKeyId2 = 0x15161718;
    e.attr1 = 0x21222324;
    e.attr2 = 0x25262728;
    e.attr3 = 0x292A2B2C;
    e.attr4 = 0x2D2E2F30;
    e.byte1 = 0x31;
    e.attr5 = 0x41424344;
    e.smoothId = 0x51525354;
    e.data1 = 0x6162636465666768;
    e.data2 = 0x7172737475767778;
    return e;
  }

  static Golden PrimaryKeyPart(size_t size) {
    return Golden(size)
        .U32(0, 0x01020304)
        .U32(4, 0x05060708)
        .Raw(8, {0x09, 0x0A, 0x0B, 0x0C})
        .U32(12, 0x11121314)
        .U32(16, 0x15161718);
  }

  static Bytes SampleRecord() {
    return PrimaryKeyPart(64)
        .U32(20, 0x21222324)
        .U32(24, 0x25262728)
        .U32(28, 0x292A2B2C)
        .U32(32, 0x2D2E2F30)
        .U8(36, 0x31)
        .U32(40, 0x41424344)
        .U32(44, 0x51525354)
        .U64(48, 0x6162636465666768)
        .U64(56, 0x7172737475767778)
        .bytes();
  }
};

TEST_F(FlowGrpMap, RecordAndKeyFollowTheLayout) {
  const Entry e = Sample();
  Srv6DbFlowGrpMapRecord record;
  std::memset(&record, 0, sizeof(record));
  SRV6_DB_SetFlowGrpMapFields(&e, &record);
  EXPECT_EQ(AsBytes(&record, sizeof(record)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateFlowGrpMap(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_FLOW_GRP_MAP, PrimaryKeyPart(20).bytes(), 64),
            SampleRecord());
  ExpectKeySetter({"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetFlowGrpMapPriKey(&e, w, k); },
                   0x00010014, PrimaryKeyPart(20).bytes()});

  Entry key = Sample();
  std::memset(&key.attr1, 0, sizeof(Entry) - offsetof(Entry, attr1));
  ASSERT_EQ(SRV6_DB_ReadFlowGrpMap(&key), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_READ, 0x00010014, PrimaryKeyPart(20).bytes()));
  EXPECT_EQ(key.attr5, e.attr5);
}

}  // namespace
}  // namespace srv6db::test
