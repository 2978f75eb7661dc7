// Port information table: record and key bytes against the documented layout, the secondary
// indexes and the ND refresh count across VRFs, and the port group walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kNdA[4] = {0xFE800000, 0, 0x10002, 0x30004};  // fe80::1:2:3:4
constexpr uint32_t kNdB[4] = {0xFE800000, 0, 0, 9};              // fe80::9

Srv6DbPortInfoEntry Sample() {
  Srv6DbPortInfoEntry e = {.vrId = 0x11121314,
                           .vrfIndex = 0x21222324,
                           .portGroupId = 0x31323334,
                           .ndAddr = {kNdA[0], kNdA[1], kNdA[2], kNdA[3]},
                           .l3IfIndex = 0x41424344,
                           .attr1 = 0x51525354,
                           .attr2 = 0x61626364,
                           .attr3 = 0x71727374,
                           .shortAttr1 = 0x8182,
                           .byteAttr1 = 0x83,
                           .spare = 0xFF,  // never reaches the record
                           .octets = {},
                           .smoothId = 0xC1C2C3C4,
                           .data1 = 0xD1D2D3D4D5D6D7D8,
                           .data2 = 0xE1E2E3E4E5E6E7E8};
  Ramp(e.octets, 36, 0x90);
  return e;
}

const ByteVec kRecord = Bytes(104)
                            .U32s(0, {0x11121314, 0x21222324, 0x31323334})
                            .Ipv6(12, {0xFE800000, 0, 0x10002, 0x30004})
                            .U32s(28, {0x41424344, 0x51525354, 0x61626364, 0x71727374})
                            .U16(44, 0x8182)
                            .U8(46, 0x83)  // 47 never written
                            .Ramp(48, 36, 0x90)
                            .U32(84, 0xC1C2C3C4)
                            .U64s(88, {0xD1D2D3D4D5D6D7D8, 0xE1E2E3E4E5E6E7E8});
const ByteVec kPrimaryKey = Bytes(32)
                                .U32s(0, {0x11121314, 0x21222324, 0x31323334})
                                .Ipv6(12, {0xFE800000, 0, 0x10002, 0x30004})
                                .U32(28, 0x41424344);

class PortInfo : public LibraryTest {
 protected:
  // {attr1 naming the record, vrId, vrfIndex, portGroupId, l3IfIndex, smoothId} and address.
  static void Create(
      std::initializer_list<std::pair<std::array<uint32_t, 6>, const uint32_t *>> rows) {
    for (const auto &[v, nd] : rows) {
      Srv6DbPortInfoEntry e = Sample();
      e.attr1 = v[0], e.vrId = v[1], e.vrfIndex = v[2], e.portGroupId = v[3];
      e.l3IfIndex = v[4], e.smoothId = v[5];
      std::memcpy(e.ndAddr, nd, sizeof(e.ndAddr));
      ASSERT_EQ(SRV6_DB_CreatePortInfo(&e), SRV6_DB_OK);
    }
  }
};

TEST_F(PortInfo, RecordAndKeysHoldTheDocumentedBytes) {
  const Srv6DbPortInfoEntry e = Sample();
  Srv6DbPortInfoRecord r = {};
  SRV6_DB_SetPortInfoFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), kRecord);
  ASSERT_EQ(SRV6_DB_CreatePortInfo(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_PORTINFO, kPrimaryKey, 104), kRecord);

  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {{"primary", 0x00010020, kPrimaryKey},
       [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoPriKey(&e, w, k); }},
      {{"port group", 0x0109000C, Bytes(12).U32s(0, {0x11121314, 0x21222324, 0x31323334})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoPortGroupHashkey(&e, w, k); }},
      {{"nd refresh", 0x02090014,
        Bytes(20).Ipv6(0, {0xFE800000, 0, 0x10002, 0x30004}).U32(16, 0x41424344)},
       [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoNdRefreshHashkey(&e, w, k); }},
      {{"l3 interface", 0x03090004, Bytes(4).U32(0, 0x41424344)},
       [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoL3ifHashkey(&e, w, k); }},
      {{"smooth", 0x0409000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetPortInfoSmoothHashKey(&s, w, k); }},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(PortInfo, NdRefreshAndL3ifKeysSpanVrfs) {
  // 1, 3 and 4 share address A on interface 10 in three VRFs; 5 shares only the interface.
  Create({{{1, 1, 2, 5, 10, 3}, kNdA},
          {{2, 1, 2, 5, 11, 4}, kNdB},
          {{3, 1, 3, 6, 10, 3}, kNdA},
          {{4, 4, 5, 5, 10, 3}, kNdA},
          {{5, 1, 2, 6, 10, 9}, kNdB}});
  Srv6DbPortInfoEntry key = Sample();
  key.vrId = 1, key.vrfIndex = 2, key.portGroupId = 5, key.l3IfIndex = 10;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const KeyCase ndKey = {"nd refresh", 0x02090014,
                         Bytes(20).Ipv6(0, {0xFE800000, 0, 0x10002, 0x30004}).U32(16, 10)};
  const IndexCase cases[] = {
      {{"port group", 0x0109000C, Bytes(12).U32s(0, {1, 2, 5})},
       [&] { return SRV6_DB_CreatePortInfoIteratoryByPortGroup(&key, SRV6_DB_ITER_NO_COUNT); },
       {1, 2}},
      {ndKey,
       [&] {
         return SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(&key, SRV6_DB_ITER_NO_COUNT);
       },
       {1, 3, 4}},
      {{"l3 interface", 0x03090004, Bytes(4).U32(0, 10)},
       [&] { return SRV6_DB_CreatePortInfoIteratoryByL3if(&key, SRV6_DB_ITER_NO_COUNT); },
       {1, 3, 4, 5}},
      {{"vrf", 0x0409000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&] { return SRV6_DB_CreatePortInfoIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       {1}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk(c, SRV6_DB_GetNextPortInfoEntry, SRV6_DB_ReleasePortInfoIterator,
                    &Srv6DbPortInfoEntry::attr1);
  }

  uint64_t count = 99;
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&key, &count), SRV6_DB_OK);
  EXPECT_EQ(count, 3u);
  ExpectEngineKey(SRV6DB_ENGINE_FN_COUNT, ndKey);
  // A null count is answered before any engine work.
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&key, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(NoStatChanged());
}

// The port group walk: which records the visitor sees and what the walk answers.
struct WalkCase {
  const char *name;
  uint32_t records;  // records in the walked port group
  size_t stopAt;     // the visit (from 1) at which the visitor answers stopCode; 0: never
  uint32_t stopCode;
  uint32_t failRead;  // the engine read (from 1) made to fail with code 7; 0: none
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
    for (uint32_t i = 1; i <= c.records; ++i) Create({{{i, 1, 2, 5, 10 + i, 0}, kNdA}});
    Create({{{100, 1, 2, 6, 10, 0}, kNdA}});  // another port group, never visited
    if (c.failRead != 0) {
      ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_READ, SRV6_DB_TABLE_PORTINFO, 7,
                                           SRV6DB_ENGINE_FAULT_NTH, c.failRead),
                0u);
    }
    const uint32_t readFailedBefore = StatDelta(SRV6_DB_TABLE_PORTINFO, 1);
    Srv6DbPortInfoEntry key = Sample();
    key.vrId = 1, key.vrfIndex = 2, key.portGroupId = 5;
    VisitLog log{c.stopAt, c.stopCode, {}};
    EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&key, LogVisit, &log), c.wantResult);

    std::vector<uint32_t> seen = log.seen;
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen.size(), c.wantVisits);
    EXPECT_TRUE(std::adjacent_find(seen.begin(), seen.end()) == seen.end()) << "a record twice";
    EXPECT_TRUE(seen.empty() || (seen.front() >= 1 && seen.back() <= c.records));
    EXPECT_TRUE(log.spareAlwaysZero) << "the working entry was not zeroed";
    uint32_t lastCount = 0;
    uint64_t propertyCalls = 0;
    srv6db_engine_iter_property_stats(&lastCount, &propertyCalls);
    EXPECT_EQ(lastCount, 1u);
    EXPECT_EQ(StatDelta(SRV6_DB_TABLE_PORTINFO, 1) - readFailedBefore, c.failRead != 0 ? 1u : 0u);
  }
  // Without a visitor nothing is asked of the engine.
  srv6db_engine_reset();
  const Srv6DbPortInfoEntry key = Sample();
  EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&key, nullptr, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

}  // namespace
}  // namespace srv6db::test
