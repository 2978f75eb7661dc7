// Port information table: record and key bytes against the documented layout, the four
// secondary indexes and the ND refresh count end to end, and the port group walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

// fe80::1:2:3:4 and fe80::9 as entries hold them (native words), and the engine's bytes.
constexpr uint32_t kNdA[4] = {0xFE800000, 0x00000000, 0x00010002, 0x00030004};
constexpr uint32_t kNdB[4] = {0xFE800000, 0x00000000, 0x00000000, 0x00000009};
#define SRV6DB_ND_A_BYTES \
  0xFE, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04

Srv6DbPortInfoEntry Sample() {
  Srv6DbPortInfoEntry e;
  std::memset(&e, 0, sizeof(e));
  e.vrId = 0x11121314;
  e.vrfIndex = 0x21222324;
  e.portGroupId = 0x31323334;
  std::memcpy(e.ndAddr, kNdA, sizeof(e.ndAddr));
  e.l3IfIndex = 0x41424344;
  e.attr1 = 0x51525354;
  e.attr2 = 0x61626364;
  e.attr3 = 0x71727374;
  e.shortAttr1 = 0x8182;
  e.byteAttr1 = 0x83;
  e.spare = 0xFF;  // never reaches the record
  for (uint8_t i = 0; i < 36; ++i) e.octets[i] = static_cast<uint8_t>(0x90 + i);
  e.smoothId = 0xC1C2C3C4;
  e.data1 = 0xD1D2D3D4D5D6D7D8;
  e.data2 = 0xE1E2E3E4E5E6E7E8;
  return e;
}

ByteVec SampleRecord() {
  Bytes r(104);
  r.U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x31323334).Raw(12, {SRV6DB_ND_A_BYTES});
  r.U32(28, 0x41424344).U32(32, 0x51525354).U32(36, 0x61626364).U32(40, 0x71727374);
  r.U16(44, 0x8182).U8(46, 0x83);  // 47 never written
  for (uint8_t i = 0; i < 36; ++i) r.U8(48 + i, static_cast<uint8_t>(0x90 + i));
  r.U32(84, 0xC1C2C3C4).U64(88, 0xD1D2D3D4D5D6D7D8).U64(96, 0xE1E2E3E4E5E6E7E8);
  return r;
}

const ByteVec kSamplePrimaryKey = Bytes(32)
                                      .U32(0, 0x11121314)
                                      .U32(4, 0x21222324)
                                      .U32(8, 0x31323334)
                                      .Raw(12, {SRV6DB_ND_A_BYTES})
                                      .U32(28, 0x41424344);

class PortInfo : public LibraryTest {
 protected:
  // Creates one record per row; attr1 tells them apart.
  struct Row {
    uint32_t attr1, vrId, vrfIndex, portGroupId;
    const uint32_t *ndAddr;
    uint32_t l3IfIndex, smoothId;
  };
  static void CreateRows(std::initializer_list<Row> rows) {
    for (const Row &row : rows) {
      Srv6DbPortInfoEntry e = Sample();
      e.attr1 = row.attr1;
      e.vrId = row.vrId;
      e.vrfIndex = row.vrfIndex;
      e.portGroupId = row.portGroupId;
      std::memcpy(e.ndAddr, row.ndAddr, sizeof(e.ndAddr));
      e.l3IfIndex = row.l3IfIndex;
      e.smoothId = row.smoothId;
      ASSERT_EQ(SRV6_DB_CreatePortInfo(&e), SRV6_DB_OK);
    }
  }
};

TEST_F(PortInfo, RecordHoldsEveryFieldAtItsDocumentedOffset) {
  const Srv6DbPortInfoEntry e = Sample();
  Srv6DbPortInfoRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetPortInfoFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreatePortInfo(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_PORTINFO, kSamplePrimaryKey, 104), SampleRecord());
}

TEST_F(PortInfo, KeySettersBuildDocumentedWordAndBytes) {
  const Srv6DbPortInfoEntry e = Sample();
  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoPriKey(&e, w, k); }, 0x00010020,
       kSamplePrimaryKey},
      {"port group", [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoPortGroupHashkey(&e, w, k); },
       0x0109000C, Bytes(12).U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x31323334)},
      {"nd refresh", [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoNdRefreshHashkey(&e, w, k); },
       0x02090014, Bytes(20).Raw(0, {SRV6DB_ND_A_BYTES}).U32(16, 0x41424344)},
      {"l3 interface", [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoL3ifHashkey(&e, w, k); },
       0x03090004, Bytes(4).U32(0, 0x41424344)},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoSmoothHashKey(&s, w, k); },
       0x0409000C, Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2)},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(PortInfo, SecondaryIndexesSpanVrfsOnlyWhereTheirKeysDo) {
  // 1, 3 and 4 share address A on interface 10 in three VRFs; 5 shares only the interface.
  CreateRows({{1, 1, 2, 5, kNdA, 10, 3},
              {2, 1, 2, 5, kNdB, 11, 4},
              {3, 1, 3, 6, kNdA, 10, 3},
              {4, 4, 5, 5, kNdA, 10, 3},
              {5, 1, 2, 6, kNdB, 10, 9}});
  Srv6DbPortInfoEntry key = Sample();  // other fields hold the sample's values
  key.vrId = 1;
  key.vrfIndex = 2;
  key.portGroupId = 5;
  key.l3IfIndex = 10;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const IndexCase cases[] = {
      {"port group",
       [&] { return SRV6_DB_CreatePortInfoIteratoryByPortGroup(&key, SRV6_DB_ITER_NO_COUNT); },
       0x0109000C,
       Bytes(12).U32(0, 1).U32(4, 2).U32(8, 5),
       {1, 2}},
      {"nd refresh",
       [&] {
         return SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(&key, SRV6_DB_ITER_NO_COUNT);
       },
       0x02090014,
       Bytes(20).Raw(0, {SRV6DB_ND_A_BYTES}).U32(16, 10),
       {1, 3, 4}},
      {"l3 interface",
       [&] { return SRV6_DB_CreatePortInfoIteratoryByL3if(&key, SRV6_DB_ITER_NO_COUNT); },
       0x03090004,
       Bytes(4).U32(0, 10),
       {1, 3, 4, 5}},
      {"vrf",
       [&] { return SRV6_DB_CreatePortInfoIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       0x0409000C,
       Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2),
       {1}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk<Srv6DbPortInfoEntry>(c, SRV6_DB_GetNextPortInfoEntry,
                                         SRV6_DB_ReleasePortInfoIterator,
                                         [](const Srv6DbPortInfoEntry &e) { return e.attr1; });
  }

  uint64_t count = 99;
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&key, &count), SRV6_DB_OK);
  EXPECT_EQ(count, 3u);
  const BuiltKey seen = LastEngineKey(SRV6DB_ENGINE_FN_COUNT);
  EXPECT_EQ(seen.word, 0x02090014u);
  EXPECT_EQ(seen.bytes, ByteVec(Bytes(20).Raw(0, {SRV6DB_ND_A_BYTES}).U32(16, 10)));
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(PortInfo, MissingInputsGiveOneAndCountNothing) {
  const Srv6DbPortInfoEntry e = Sample();
  uint64_t count = 99;
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&e, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(nullptr, &count), SRV6_DB_ERR);
  EXPECT_EQ(count, 99u);
  EXPECT_EQ(SRV6_DB_CreatePortInfoIteratoryByPortGroup(nullptr, 1), nullptr);
  EXPECT_EQ(SRV6_DB_CreatePortInfoIteratoryByL3if(nullptr, 1), nullptr);
  EXPECT_EQ(SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(nullptr, 1), nullptr);
  EXPECT_EQ(SRV6_DB_CreatePortInfoIteratorByVrf(nullptr, 1), nullptr);
  EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&e, nullptr, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(
                nullptr, [](Srv6DbPortInfoEntry *, void *) -> uint32_t { return 0; }, nullptr),
            SRV6_DB_ERR);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
  EXPECT_TRUE(NoStatChanged());
}

// The port group walk: which records the visitor sees and what the walk answers.
struct WalkCase {
  const char *name;
  uint32_t records;  // records in the walked port group
  size_t stopAt;     // the visit (1-based) at which the visitor answers stopCode; 0: never
  uint32_t stopCode;
  uint32_t failRead;  // the engine read (1-based) made to fail with code 7; 0: none
  uint32_t wantResult;
  size_t wantVisits;
};

struct VisitLog {
  size_t stopAt;
  uint32_t stopCode;
  std::vector<uint32_t> seen;  // attr1 of each visited entry
  bool spareAlwaysZero = true;
};

uint32_t LogVisit(Srv6DbPortInfoEntry *e, void *user) {
  auto *log = static_cast<VisitLog *>(user);
  log->seen.push_back(e->attr1);
  log->spareAlwaysZero = log->spareAlwaysZero && e->spare == 0;
  return log->seen.size() == log->stopAt ? log->stopCode : 0;
}

TEST_F(PortInfo, PortGroupWalkStopsAsTheVisitorOrTheEngineSays) {
  const WalkCase cases[] = {
      {"empty group", 0, 0, 0, 0, SRV6_DB_OK, 0},
      {"every record", 3, 0, 0, 0, SRV6_DB_OK, 3},
      {"visitor stops with 60", 3, 1, 60, 0, SRV6_DB_OK, 1},
      {"visitor stops with 5", 3, 1, 5, 0, 5, 1},
      {"visitor stops with 5 later", 3, 2, 5, 0, 5, 2},
      {"second read fails", 3, 0, 0, 2, SRV6_DB_ERR, 1},
  };
  for (const WalkCase &c : cases) {
    SCOPED_TRACE(c.name);
    srv6db_engine_reset();
    // The walked group (1, 2, 5) and a record of group 6 that must never be visited.
    for (uint32_t i = 1; i <= c.records; ++i) CreateRows({{i, 1, 2, 5, kNdA, 10 + i, 0}});
    CreateRows({{100, 1, 2, 6, kNdA, 10, 0}});
    if (c.failRead != 0) {
      ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_READ, SRV6_DB_TABLE_PORTINFO, 7,
                                           SRV6DB_ENGINE_FAULT_NTH, c.failRead),
                0u);
    }
    const uint32_t readFailedBefore = StatDelta(SRV6_DB_TABLE_PORTINFO, 1);

    Srv6DbPortInfoEntry key = Sample();
    key.vrId = 1;
    key.vrfIndex = 2;
    key.portGroupId = 5;
    VisitLog log{c.stopAt, c.stopCode, {}};
    EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&key, LogVisit, &log), c.wantResult);

    EXPECT_EQ(log.seen.size(), c.wantVisits);
    std::vector<uint32_t> seen = log.seen;
    std::sort(seen.begin(), seen.end());
    EXPECT_TRUE(std::adjacent_find(seen.begin(), seen.end()) == seen.end()) << "a record twice";
    for (uint32_t id : seen) EXPECT_TRUE(id >= 1 && id <= c.records) << id;
    EXPECT_TRUE(log.spareAlwaysZero) << "the working entry was not zeroed";
    uint32_t lastCount = 0;
    uint64_t propertyCalls = 0;
    srv6db_engine_iter_property_stats(&lastCount, &propertyCalls);
    EXPECT_EQ(lastCount, 1u);
    EXPECT_EQ(StatDelta(SRV6_DB_TABLE_PORTINFO, 1) - readFailedBefore, c.failRead != 0 ? 1u : 0u);
    srv6db_engine_clear_faults();
  }
}

}  // namespace
}  // namespace srv6db::test
