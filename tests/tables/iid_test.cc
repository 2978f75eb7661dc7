// IID table: moved reserved3, half-carried blocks, the IIDG count and walk.
#include <algorithm>
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6te_test_util.h"

namespace srv6db::test {
namespace {

class Iid : public LibraryTest {};

constexpr uint32_t kAddr[4] = {0xFC000000, 0x12345678, 0x9ABCDEF0, 0x0F1E2D3C};

Srv6DbIidEntry Sample() {
  Srv6DbIidEntry e;
  std::memset(&e, 0xEE, sizeof(e));
  e.vrId = 7;
  e.vrfIndex = 0x00010002;
  std::memcpy(e.iid, kAddr, 16);
  e.prefixLen = 96;
  e.attr1 = 0x41;
  e.attr2 = 0x4243;
  e.attr3 = 0x51525354;
  e.iidgIndex = 0x61626364;
  e.attr4 = 0x71727374;
  e.attr5 = 0x81828384;
  Pattern(e.reserved1, 0xA1);
  Pattern(e.reserved2, 0xB1);
  Pattern(e.reserved3, 0x10);
  Pattern(e.block1, 0x40);  // 0x40..0x5F: only 0x40..0x4F reach the record
  Pattern(e.block2, 0x80);
  e.smoothId = 0x5A5A0001;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  e.attr6 = 0x91929394;
  return e;
}

const Bytes kRecord = Golden(140)
                          .U32(0, 7)
                          .U32(4, 0x00010002)
                          .Addr(8, kAddr)
                          .U8(24, 96)
                          .U8(25, 0x41)
                          .U16(26, 0x4243)
                          .U32(28, 0x51525354)
                          .U32(32, 0x61626364)
                          .U32(36, 0x71727374)
                          .U32(40, 0x81828384)
                          .Run(44, 4, 0xA1)
                          .Run(48, 32, 0x10)  // reserved3 before reserved2
                          .Run(80, 2, 0xB1)   // bytes 82 and 83 stay 0
                          .Run(84, 16, 0x40)  // blocks byte for byte, not reordered
                          .Run(100, 16, 0x80)
                          .U32(116, 0x5A5A0001)
                          .U64(120, 0x0102030405060708)
                          .U64(128, 0x1112131415161718)
                          .U32(136, 0x91929394);
const Bytes kPriKey = Golden(25).U32(0, 7).U32(4, 0x00010002).Addr(8, kAddr).U8(24, 96);
const Bytes kIidgKey = Golden(8).U32(0, 7).U32(4, 0x61626364);

Bytes RecordOf(const Srv6DbIidEntry &e) {
  Srv6DbIidRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetIidFields(&e, &r);
  return BytesOf(r);
}

TEST_F(Iid, RecordHoldsEachFieldAtItsOffset) {
  const Srv6DbIidEntry e = Sample();
  EXPECT_EQ(RecordOf(e), kRecord);
  ASSERT_EQ(SRV6_DB_CreateIid(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_IID, kPriKey, 140), kRecord);
}

TEST_F(Iid, KeySettersWriteDocumentedBytes) {
  const Srv6DbIidEntry e = Sample();
  const Srv6DbSmoothKey smooth = {1, 2, 3};
  ExpectKeys({
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetIidPriKey(&e, w, k); }, 0x00010019,
       kPriKey},
      {"iidg", [&](uint32_t *w, void *k) { SRV6_DB_SetIidIidgIndexHashKey(&e, w, k); }, 0x01090008,
       kIidgKey},
      {"iidg, lower-case k",
       [&](uint32_t *w, void *k) { SRV6_DB_SetIidIidgIndexHashkey(&e, w, k); }, 0x01090008,
       kIidgKey},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetIidSmoothHashKey(&smooth, w, k); },
       0x0209000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3)},
  });
}

// The IIDG key leaves vrfIndex out: a group spans the VRFs of one VR.
TEST_F(Iid, IidgCountAndWalkSpanEveryVrf) {
  Srv6DbIidEntry a = Sample();
  Srv6DbIidEntry b = Sample();
  b.vrfIndex = 9;
  Srv6DbIidEntry c = Sample();
  c.prefixLen = 64;  // differs only in prefixLen: another record
  Srv6DbIidEntry otherGroup = Sample();
  otherGroup.prefixLen = 32;
  otherGroup.iidgIndex = 1;
  for (const auto &e : {a, b, c, otherGroup}) ASSERT_EQ(SRV6_DB_CreateIid(&e), SRV6_DB_OK);
  ASSERT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_IID), 4u);

  Srv6DbIidEntry query;
  std::memset(&query, 0x77, sizeof(query));
  query.vrId = a.vrId;
  query.iidgIndex = a.iidgIndex;
  uint64_t count = 0;
  ASSERT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&query, &count), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x01090008, kIidgKey));
  EXPECT_EQ(count, 3u);

  std::vector<uint32_t> vrfs;
  for (const auto &e : Drain(SRV6_DB_CreateIidIteratorByIidg(&query, SRV6_DB_ITER_NO_COUNT),
                             SRV6_DB_GetNextIidEntry, SRV6_DB_ReleaseIidIterator)) {
    EXPECT_EQ(e.iidgIndex, a.iidgIndex);
    vrfs.push_back(e.vrfIndex);
  }
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x01090008, kIidgKey));
  std::sort(vrfs.begin(), vrfs.end());
  EXPECT_EQ(vrfs, (std::vector<uint32_t>{9, 0x00010002, 0x00010002}));
}

// A failed count passes the engine's code through; the caller's count keeps its value. A
// missing output is the wrapper's own check: 1, nothing counted.
TEST_F(Iid, CountFailuresLeaveTheOutputAlone) {
  const Srv6DbIidEntry e = Sample();
  uint64_t count = 12345;
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_COUNT, SRV6_DB_TABLE_IID, 5,
                                       SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&e, &count), 5u);
  EXPECT_EQ(count, 12345u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_IID, SRV6_DB_STAT_COUNT_DB_FAILED));

  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&e, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(nullptr, &count), SRV6_DB_ERR);
  EXPECT_EQ(count, 12345u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_IID, SRV6_DB_STAT_COUNT_DB_FAILED));
}

TEST_F(Iid, VrfWalkUsesIndexTwo) {
  Srv6DbIidEntry e = Sample();
  ASSERT_EQ(SRV6_DB_CreateIid(&e), SRV6_DB_OK);
  e.smoothId = 3;
  ASSERT_EQ(SRV6_DB_UpdateIidSmoothId(&e), SRV6_DB_OK);
  const Srv6DbSmoothKey key = {e.vrId, e.vrfIndex, 3};
  const auto found = Drain(SRV6_DB_CreateIidIteratorByVrf(&key, SRV6_DB_ITER_NO_COUNT),
                           SRV6_DB_GetNextIidEntry, SRV6_DB_ReleaseIidIterator);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0209000C,
                           Golden(12).U32(0, 7).U32(4, 0x00010002).U32(8, 3)));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].smoothId, 3u);
}

}  // namespace
}  // namespace srv6db::test
