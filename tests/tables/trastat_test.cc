// Traffic statistics table: record and key bytes, the XC info read, the tunnel id walk.
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6te_test_util.h"

namespace srv6db::test {
namespace {

class TraStat : public LibraryTest {};

Srv6DbTraStatEntry Sample() {
  Srv6DbTraStatEntry e;
  std::memset(&e, 0xEE, sizeof(e));
  e.statId1 = 0x01020304;
  e.statId2 = 0x11121314;
  e.statId3 = 0x21222324;
  e.xcId = 0x31323334;
  e.xcType = 4;
  Pattern(e.reserved1, 0xA0);
  e.attr1 = 0x41424344;
  for (uint64_t i = 0; i < 12; ++i) e.statValues[i] = 0x1000000000000000 * (i + 1) + i;
  return e;
}

Bytes SampleRecord() {
  Golden g(136);
  g.U32(0, 0x01020304).U32(4, 0x11121314).U32(8, 0x21222324).U32(12, 0x31323334).U8(16, 4);
  g.Run(20, 16, 0xA0).U32(36, 0x41424344);  // bytes 17 to 19 stay 0
  for (uint64_t i = 0; i < 12; ++i) g.U64(40 + 8 * i, 0x1000000000000000 * (i + 1) + i);
  return g;
}

const Bytes kPriKey = Golden(17)
                          .U32(0, 0x01020304)
                          .U32(4, 0x11121314)
                          .U32(8, 0x21222324)
                          .U32(12, 0x31323334)
                          .U8(16, 4);
const Bytes kXcKey = Golden(5).U32(0, 0x31323334).U8(4, 4);

Bytes RecordOf(const Srv6DbTraStatEntry &e) {
  Srv6DbTraStatRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetTraStatFields(&e, &r);
  return BytesOf(r);
}

TEST_F(TraStat, RecordHoldsEachFieldAtItsOffset) {
  const Srv6DbTraStatEntry e = Sample();
  EXPECT_EQ(RecordOf(e), SampleRecord());
  ASSERT_EQ(SRV6_DB_CreateTraStat(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_TRASTAT, kPriKey, 136), SampleRecord());
}

TEST_F(TraStat, KeySettersWriteDocumentedBytes) {
  const Srv6DbTraStatEntry e = Sample();
  const uint32_t tunnelId = 0xA1B2C3D4;
  ExpectKeys({
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetTraStatPriKey(&e, w, k); }, 0x00010011,
       kPriKey},
      {"tunnel id", [&](uint32_t *w, void *k) { SRV6_DB_SetTraStatTnlIdHashkey(&tunnelId, w, k); },
       0x01090004, Golden(4).U32(0, 0xA1B2C3D4)},
      {"xc info", [&](uint32_t *w, void *k) { SRV6_DB_SetTraStatXcInfoKey(&e, w, k); }, 0x02090005,
       kXcKey},
  });
}

// Records that share an XC differ in their statIds; the read by XC info brings one of them
// back whole, the caller's statIds overwritten. An XC nobody has gives 1, entry untouched.
TEST_F(TraStat, XcInfoReadNeedsOnlyTheXc) {
  Srv6DbTraStatEntry a = Sample();
  Srv6DbTraStatEntry b = Sample();
  b.statId1 = 99;
  ASSERT_EQ(SRV6_DB_CreateTraStat(&a), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateTraStat(&b), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_TRASTAT), 2u);

  Srv6DbTraStatEntry query;
  std::memset(&query, 0x77, sizeof(query));
  query.xcId = a.xcId;
  query.xcType = a.xcType;
  ASSERT_EQ(SRV6_DB_ReadTraStatByXcInfo(&query), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x02090005, kXcKey));
  EXPECT_TRUE(query.statId1 == a.statId1 || query.statId1 == b.statId1);
  query.statId1 = a.statId1;
  EXPECT_EQ(RecordOf(query), SampleRecord());

  Srv6DbTraStatEntry missing = a;
  missing.xcType = 5;
  const Srv6DbTraStatEntry before = missing;
  EXPECT_EQ(SRV6_DB_ReadTraStatByXcInfo(&missing), SRV6_DB_ERR);
  EXPECT_EQ(BytesOf(missing), BytesOf(before));
  EXPECT_TRUE(NoStatChanged());
}

// The engine's tunnel id index is filled from each record's attr1.
TEST_F(TraStat, TunnelWalkYieldsRecordsWhoseAttr1Matches) {
  Srv6DbTraStatEntry e = Sample();
  for (uint32_t i = 0; i < 3; ++i) {
    e.statId3 = i;
    e.attr1 = i == 1 ? 8 : 9;
    ASSERT_EQ(SRV6_DB_CreateTraStat(&e), SRV6_DB_OK);
  }
  const uint32_t tunnelId = 9;
  const auto found = Drain(SRV6_DB_CreateTraStatIteratorByTnlId(&tunnelId, SRV6_DB_ITER_NO_COUNT),
                           SRV6_DB_GetNextTraStatEntry, SRV6_DB_ReleaseTraStatIterator);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x01090004, Golden(4).U32(0, 9)));
  ASSERT_EQ(found.size(), 2u);
  for (const auto &f : found) {
    EXPECT_EQ(f.attr1, 9u);
    EXPECT_NE(f.statId3, 1u);
  }
  EXPECT_EQ(SRV6_DB_CreateTraStatIteratorByTnlId(nullptr, SRV6_DB_ITER_NO_COUNT), nullptr);
}

}  // namespace
}  // namespace srv6db::test
