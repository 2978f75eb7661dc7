// Port information table: golden bytes, the secondary indexes and the ND refresh count across
// VRFs, and the port group walk.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kNdA[4] = {0xFE800000, 0, 0x10002, 0x30004};  // fe80::1:2:3:4
constexpr uint32_t kNdB[4] = {0xFE800000, 0, 0, 9};              // fe80::9

const Srv6DbPortInfoEntry kEntry = [] {
  auto e = Filled<Srv6DbPortInfoEntry>(0xEE);
  e.vrId = 0x11121314, e.vrfIndex = 0x21222324, e.portGroupId = 0x31323334;
  std::memcpy(e.ndAddr, kNdA, sizeof(kNdA));
  e.l3IfIndex = 0x41424344, e.attr1 = 0x51525354, e.attr2 = 0x61626364, e.attr3 = 0x71727374;
  e.shortAttr1 = 0x8182, e.byteAttr1 = 0x83, e.spare = 0xFF;  // spare never reaches the record
  Ramp(e.octets, 0x90);
  e.smoothId = 0xC1C2C3C4, e.data1 = 0xD1D2D3D4D5D6D7D8, e.data2 = 0xE1E2E3E4E5E6E7E8;
  return e;
}();
constexpr char kPrimaryKey[] =
    "14131211 24232221 34333231 fe800000 00000000 00010002 00030004 44434241";

const GoldenRegistrar kGolden(
    {"PortInfo", SRV6_DB_TABLE_PORTINFO, kEntry, SRV6_DB_SetPortInfoFields, SRV6_DB_CreatePortInfo,
     "14131211 24232221 34333231 fe800000 00000000 00010002 00030004"
     "44434241 54535251 64636261 74737271 82818300"                             // 28
     "90919293 94959697 98999a9b 9c9d9e9f a0a1a2a3 a4a5a6a7 a8a9aaab acadaeaf"  // 48
     "b0b1b2b3 c4c3c2c1 d8d7d6d5 d4d3d2d1 e8e7e6e5 e4e3e2e1",                   // 80
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetPortInfoPriKey, kEntry, 0x00010020, kPrimaryKey},
     {"PortGroup", SRV6_DB_SetPortInfoPortGroupHashkey, kEntry, 0x0109000C,
      "14131211 24232221 34333231"},
     {"NdRefresh", SRV6_DB_SetPortInfoNdRefreshHashkey, kEntry, 0x02090014,
      "fe800000 00000000 00010002 00030004 44434241"},
     {"L3if", SRV6_DB_SetPortInfoL3ifHashkey, kEntry, 0x03090004, "44434241"},
     {"Smooth", SRV6_DB_SetPortInfoSmoothHashKey, kSmoothKey, 0x0409000C, kSmoothIdFirst}},
    ByVrf(SRV6_DB_CreatePortInfoIteratorByVrf, SRV6_DB_GetNextPortInfoEntry,
          SRV6_DB_ReleasePortInfoIterator, &Srv6DbPortInfoEntry::l3IfIndex, 0x0409000C,
          kSmoothIdFirst));

class PortInfo : public LibraryTest {
 protected:
  // {attr1 naming the record, vrId, vrfIndex, portGroupId, l3IfIndex} and address.
  static void Create(
      std::initializer_list<std::pair<std::array<uint32_t, 5>, const uint32_t *>> rows) {
    for (const auto &[v, nd] : rows) {
      Srv6DbPortInfoEntry e = kEntry;
      e.attr1 = v[0], e.vrId = v[1], e.vrfIndex = v[2], e.portGroupId = v[3];
      e.l3IfIndex = v[4];
      std::memcpy(e.ndAddr, nd, sizeof(e.ndAddr));
      ASSERT_EQ(SRV6_DB_CreatePortInfo(&e), SRV6_DB_OK);
    }
  }
};

TEST_F(PortInfo, NdRefreshAndL3ifKeysSpanVrfs) {
  // 1, 3 and 4 share address A on interface 10 in three VRFs; 5 shares only the interface.
  Create({{{1, 1, 2, 5, 10}, kNdA},
          {{2, 1, 2, 5, 11}, kNdB},
          {{3, 1, 3, 6, 10}, kNdA},
          {{4, 4, 5, 5, 10}, kNdA},
          {{5, 1, 2, 6, 10}, kNdB}});
  Srv6DbPortInfoEntry key = kEntry;
  key.vrId = 1, key.vrfIndex = 2, key.portGroupId = 5, key.l3IfIndex = 10;
  constexpr char kNdKey[] = "fe800000 00000000 00010002 00030004 0a000000";
  const auto walk = Walker(SRV6_DB_GetNextPortInfoEntry, SRV6_DB_ReleasePortInfoIterator,
                           &Srv6DbPortInfoEntry::attr1);
  EXPECT_TRUE(walk(SRV6_DB_CreatePortInfoIteratoryByPortGroup(&key, SRV6_DB_ITER_NO_COUNT),
                   0x0109000C, "01000000 02000000 05000000", {1, 2}));
  EXPECT_TRUE(walk(SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(&key, SRV6_DB_ITER_NO_COUNT),
                   0x02090014, kNdKey, {1, 3, 4}));
  EXPECT_TRUE(walk(SRV6_DB_CreatePortInfoIteratoryByL3if(&key, SRV6_DB_ITER_NO_COUNT), 0x03090004,
                   "0a000000", {1, 3, 4, 5}));

  uint64_t count = 99;
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&key, &count), SRV6_DB_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x02090014, Hex(kNdKey)));
  // A null count is answered before any engine work.
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&key, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(NoStatChanged());
}

struct VisitLog {
  size_t stopAt;  // the visit (from 1) at which the visitor answers stopCode; 0: never
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
  const struct {
    const char *name;
    uint32_t records;  // records in the walked port group
    size_t stopAt;
    uint32_t stopCode;
    uint32_t failRead;  // the engine read (from 1) made to fail with code 7; 0: none
    uint32_t wantResult;
    size_t wantVisits;
  } cases[] = {
      {"empty group", 0, 0, 0, 0, SRV6_DB_OK, 0},
      {"every record", 3, 0, 0, 0, SRV6_DB_OK, 3},
      {"visitor stops with 60", 3, 1, 60, 0, SRV6_DB_OK, 1},
      {"visitor stops with 5", 3, 1, 5, 0, 5, 1},
      {"visitor stops with 5 later", 3, 2, 5, 0, 5, 2},
      {"second read fails", 3, 0, 0, 2, SRV6_DB_ERR, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    srv6db_engine_reset();
    for (uint32_t i = 1; i <= c.records; ++i) Create({{{i, 1, 2, 5, 10 + i}, kNdA}});
    Create({{{100, 1, 2, 6, 10}, kNdA}});  // another port group, never visited
    if (c.failRead != 0) {
      ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_READ, SRV6_DB_TABLE_PORTINFO, 7,
                                           SRV6DB_ENGINE_FAULT_NTH, c.failRead),
                0u);
    }
    const uint32_t readFailedBefore = StatDelta(SRV6_DB_TABLE_PORTINFO, 1);
    Srv6DbPortInfoEntry key = kEntry;
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
  EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&kEntry, nullptr, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

}  // namespace
}  // namespace srv6db::test
