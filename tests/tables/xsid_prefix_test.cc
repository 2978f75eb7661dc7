// XSID prefix table: record and key bytes against the documented layout, the secondary
// indexes and counts, the bounded read by local key, the read by service context key and
// the single-field updates.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kPrefixA[4] = {0x20010DB8, 0xA0000, 0, 1};  // 2001:db8:a::1
constexpr uint32_t kPrefixB[4] = {0x20010DB8, 0xB0000, 0, 1};  // 2001:db8:b::1
constexpr size_t kEntry = 184;

Srv6DbXsidEntry Sample() {
  Srv6DbXsidEntry e = {.vrId = 0x11121314,
                       .vrfIndex = 0x21222324,
                       .prefix = {kPrefixA[0], kPrefixA[1], kPrefixA[2], kPrefixA[3]},
                       .ipv6Addr2 = {0xFC000000, 0, 0, 2},
                       .svcAddr = {0x20010DB8, 0xFF0000, 0, 3},
                       .svcCtx1 = 0x31,
                       .svcCtx2 = 0x32,
                       .reserved1 = {0x33, 0x34},
                       .attr1 = 0x41424344,
                       .attr2 = 0x51525354,
                       .attr3 = 0x61626364,
                       .discriminator = 0x71727374,
                       .iidgIndex = 0x81828384,
                       .reserved2 = {0x85, 0x86, 0x87, 0x88},
                       .reserved3 = {},
                       .attr4 = 0xB1B2B3B4,
                       .attr5 = 0xC1C2C3C4,
                       .reserved4 = {},
                       .attr6 = 0xF1F2F3F4,
                       .smoothId = 0x0A0B0C0D,
                       .data1 = 0x0102030405060708,
                       .data2 = 0x1112131415161718};
  Ramp(e.reserved3, 32, 0x90);
  Ramp(e.reserved4, 32, 0xD0);
  return e;
}

const ByteVec kPrimaryKey = Bytes(58)
                                .U32s(0, {0x11121314, 0x21222324})
                                .Ipv6(8, {0x20010DB8, 0xA0000, 0, 1})
                                .Ipv6(24, {0xFC000000, 0, 0, 2})
                                .Ipv6(40, {0x20010DB8, 0xFF0000, 0, 3})
                                .Raw(56, {0x31, 0x32});
// attr1 stands after iidgIndex, so attr2 to iidgIndex each move up one word.
const ByteVec kRecord = Bytes(180, kPrimaryKey)
                            .Raw(58, {0x33, 0x34})
                            .U32s(60, {0x51525354, 0x61626364, 0x71727374, 0x81828384})
                            .U32(76, 0x41424344)
                            .Raw(80, {0x85, 0x86, 0x87, 0x88})
                            .Ramp(84, 32, 0x90)
                            .U32s(116, {0xB1B2B3B4, 0xC1C2C3C4})
                            .Ramp(124, 32, 0xD0)
                            .U32s(156, {0xF1F2F3F4, 0x0A0B0C0D})
                            .U64s(164, {0x0102030405060708, 0x1112131415161718});

const KeyCase kLocalKeyA = {"local", 0x02090018,
                            Bytes(24).U32s(0, {1, 2}).Ipv6(8, {0x20010DB8, 0xA0000, 0, 1})};
const KeyCase kIidgKey7 = {"iidg", 0x01090008, Bytes(8).U32s(0, {1, 7})};

class Xsid : public LibraryTest {
 protected:
  // {attr1 naming the record, vrId, vrfIndex, iidgIndex, smoothId} and prefix. ipv6Addr2
  // takes attr1 too, keeping primary keys apart.
  static void Create(
      std::initializer_list<std::pair<std::array<uint32_t, 5>, const uint32_t *>> rows) {
    for (const auto &[v, prefix] : rows) {
      Srv6DbXsidEntry e = Sample();
      e.attr1 = v[0], e.ipv6Addr2[3] = v[0], e.vrId = v[1], e.vrfIndex = v[2];
      e.iidgIndex = v[3], e.smoothId = v[4];
      std::memcpy(e.prefix, prefix, sizeof(e.prefix));
      ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
    }
  }
  // An entry of 0x5A bytes holding only a local key.
  static Srv6DbXsidEntry LocalKey(uint32_t vrId, uint32_t vrfIndex, const uint32_t *prefix) {
    Srv6DbXsidEntry e;
    std::memset(&e, 0x5A, sizeof(e));
    e.vrId = vrId, e.vrfIndex = vrfIndex;
    std::memcpy(e.prefix, prefix, sizeof(e.prefix));
    return e;
  }
};

TEST_F(Xsid, RecordAndKeysHoldTheDocumentedBytes) {
  const Srv6DbXsidEntry e = Sample();
  Srv6DbXsidRecord r = {};
  SRV6_DB_SetXsidFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), kRecord);
  ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_XSID_PREFIX, kPrimaryKey, 180), kRecord);

  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {{"primary", 0x0001003A, kPrimaryKey},
       [&](uint32_t *w, void *k) { EXPECT_EQ(SRV6_DB_SetXsidPriKey(&e, w, k), 0u); }},
      {{"iidg", 0x01090008, Bytes(8).U32s(0, {0x11121314, 0x81828384})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetXsidIidgHashKey(&e, w, k); }},
      {{"local", 0x02090018,
        Bytes(24).U32s(0, {0x11121314, 0x21222324}).Ipv6(8, {0x20010DB8, 0xA0000, 0, 1})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetXsidlocalHashKey(&e, w, k); }},
      {{"service context", 0x0309001A,
        Bytes(26)
            .U32s(0, {0x11121314, 0x21222324})
            .Ipv6(8, {0x20010DB8, 0xFF0000, 0, 3})
            .Raw(24, {0x31, 0x32})},
       [&](uint32_t *w, void *k) { EXPECT_EQ(SRV6_DB_SetXsidSvcKeyField(&e, w, k), 0u); }},
      {{"smooth", 0x0409000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&](uint32_t *w, void *k) { SRV6_DB_SetXsidSmoothHashKey(&s, w, k); }},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(Xsid, IndexesAndCountsSelectByTheirKeysAlone) {
  // 1 and 2 share a local key; 1, 3 and 5 the IIDG key (vrId 1, IIDG 7) across VRFs.
  Create({{{1, 1, 2, 7, 3}, kPrefixA},
          {{2, 1, 2, 8, 4}, kPrefixA},
          {{3, 1, 3, 7, 3}, kPrefixA},
          {{4, 2, 2, 7, 3}, kPrefixA},
          {{5, 1, 2, 7, 9}, kPrefixB}});
  const Srv6DbXsidEntry local = LocalKey(1, 2, kPrefixA);
  Srv6DbXsidEntry iidg = LocalKey(1, 99, kPrefixB);  // vrfIndex is no part of the IIDG key
  iidg.iidgIndex = 7;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const IndexCase cases[] = {
      {kLocalKeyA,
       [&] { return SRV6_DB_CreateXsidIteratorByLocalHash(&local, SRV6_DB_ITER_NO_COUNT); },
       {1, 2}},
      {kIidgKey7,
       [&] { return SRV6_DB_CreateXsidIteratorByIidg(&iidg, SRV6_DB_ITER_NO_COUNT); },
       {1, 3, 5}},
      {{"vrf", 0x0409000C, Bytes(12).U32s(0, {3, 1, 2})},
       [&] { return SRV6_DB_CreateXsidIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       {1}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk(c, SRV6_DB_GetNextXsidEntry, SRV6_DB_ReleaseXsidIterator,
                    &Srv6DbXsidEntry::attr1);
  }

  uint64_t n = 99;
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(&local, &n), SRV6_DB_OK);
  EXPECT_EQ(n, 2u);
  ExpectEngineKey(SRV6DB_ENGINE_FN_COUNT, kLocalKeyA);
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(&iidg, &n), SRV6_DB_OK);
  EXPECT_EQ(n, 3u);
  ExpectEngineKey(SRV6DB_ENGINE_FN_COUNT, kIidgKey7);
  EXPECT_TRUE(NoStatChanged());

  // A null count: the local count answers it alone, the IIDG count leaves it to the core.
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(&local, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(NoStatChanged());
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(&iidg, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_PARAM_INVALID));
}

// The bounded read by local key: the entries written and the iterator steps asked for.
struct BoundedReadCase {
  const char *name;
  uint32_t records;  // records with the local key read
  uint32_t bufLen;
  bool array;  // false: a null entry array
  uint32_t wantResult;
  size_t wantWritten;
  uint64_t wantSteps;
};

TEST_F(Xsid, BoundedReadFillsWholeEntriesAndAsksForNoMore) {
  const BoundedReadCase cases[] = {
      {"less than one entry", 1, 183, true, SRV6_DB_OK, 0, 0},
      {"no record", 0, 184, true, SRV6_DB_NOT_FOUND, 0, 1},
      {"exactly one entry", 2, 184, true, SRV6_DB_OK, 1, 1},
      {"room for two, one record", 1, 368, true, SRV6_DB_NOT_FOUND, 1, 2},
      {"room for two, two records", 2, 368, true, SRV6_DB_OK, 2, 2},
      {"room for two and a part", 3, 400, true, SRV6_DB_OK, 2, 2},
      {"no array", 1, 184, false, SRV6_DB_ERR, 0, 0},
  };
  for (const BoundedReadCase &c : cases) {
    SCOPED_TRACE(c.name);
    srv6db_engine_reset();
    for (uint32_t i = 1; i <= c.records; ++i) Create({{{i, 1, 2, 7, 3}, kPrefixA}});
    Create({{{100, 1, 2, 7, 3}, kPrefixB}});  // another local key, never read

    ByteVec out(3 * kEntry, 0xEE);
    const Srv6DbXsidEntry key = LocalKey(1, 2, kPrefixA);
    auto *entries = c.array ? reinterpret_cast<Srv6DbXsidEntry *>(out.data()) : nullptr;
    EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&key, c.bufLen, entries), c.wantResult);

    std::vector<uint32_t> ids;
    for (size_t i = 0; i < c.wantWritten; ++i) {
      Srv6DbXsidEntry got;
      std::memcpy(&got, out.data() + i * kEntry, kEntry);
      EXPECT_EQ(got.discriminator, 0x71727374u);
      ids.push_back(got.attr1);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end()) << "a record twice";
    EXPECT_TRUE(ids.empty() || (ids.front() >= 1 && ids.back() <= c.records));
    EXPECT_EQ(ByteVec(out.begin() + static_cast<std::ptrdiff_t>(c.wantWritten * kEntry), out.end()),
              ByteVec(out.size() - c.wantWritten * kEntry, 0xEE))
        << "bytes past the last entry read were written";
    EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6_DB_TABLE_XSID_PREFIX),
              c.wantSteps);
    uint32_t lastCount = 0;
    uint64_t propertyCalls = 0;
    srv6db_engine_iter_property_stats(&lastCount, &propertyCalls);
    EXPECT_EQ(lastCount, 1u);
    ExpectEngineKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, kLocalKeyA);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, ReadByServiceContextReturnsOneWholeRecord) {
  // 1 and 2 differ only in ipv6Addr2: they share the service context key.
  Create({{{1, 1, 2, 7, 3}, kPrefixA}, {{2, 1, 2, 7, 3}, kPrefixA}});
  Srv6DbXsidEntry e = LocalKey(1, 2, kPrefixB);  // the prefix is no part of the key
  const uint32_t svc[4] = {0x20010DB8, 0xFF0000, 0, 3};
  std::memcpy(e.svcAddr, svc, sizeof(svc));
  e.svcCtx1 = 0x31, e.svcCtx2 = 0x32;
  Srv6DbXsidEntry unmatched = e;
  unmatched.svcCtx2 = 0x33;
  const Srv6DbXsidEntry before = unmatched;
  EXPECT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(&unmatched), SRV6_DB_ERR);
  EXPECT_EQ(AsBytes(&unmatched, kEntry), AsBytes(&before, kEntry));

  ASSERT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(&e), SRV6_DB_OK);
  ExpectEngineKey(
      SRV6DB_ENGINE_FN_CREATE_ROOT_ITER,
      {"service context", 0x0309001A,
       Bytes(26).U32s(0, {1, 2}).Ipv6(8, {0x20010DB8, 0xFF0000, 0, 3}).Raw(24, {0x31, 0x32})});
  ASSERT_TRUE(e.attr1 == 1 || e.attr1 == 2) << e.attr1;
  Srv6DbXsidEntry want = Sample();
  want.attr1 = e.attr1, want.ipv6Addr2[3] = e.attr1, want.vrId = 1, want.vrfIndex = 2;
  want.iidgIndex = 7, want.smoothId = 3;
  std::memset(reinterpret_cast<uint8_t *>(&want) + 164, 0x5A, 4);  // the gap is not carried
  EXPECT_EQ(AsBytes(&e, kEntry), AsBytes(&want, kEntry));
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, EachUpdateWritesItsOneFieldOnly) {
  const struct {
    const char *name;
    uint32_t (*update)(const Srv6DbXsidEntry *);
    size_t recordOffset;
  } cases[] = {
      {"discriminator", SRV6_DB_UpdateXsidDiscriminator, 68},
      {"smooth id", SRV6_DB_UpdateXsidSmoothId, 160},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    srv6db_engine_reset();
    const Srv6DbXsidEntry created = Sample();
    ASSERT_EQ(SRV6_DB_CreateXsid(&created), SRV6_DB_OK);
    Srv6DbXsidEntry changed;  // every field but the primary key differs
    std::memset(&changed, 0x77, sizeof(changed));
    std::memcpy(&changed, &created, 58);
    changed.discriminator = 0xCAFE0001, changed.smoothId = 0xCAFE0001;
    ASSERT_EQ(c.update(&changed), SRV6_DB_OK);
    EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_XSID_PREFIX, kPrimaryKey, 180),
              ByteVec(Bytes(kRecord).U32(c.recordOffset, 0xCAFE0001)));
    ExpectEngineKey(SRV6DB_ENGINE_FN_UPDATE, {"primary", 0x0001003A, kPrimaryKey});
  }
  EXPECT_TRUE(NoStatChanged());

  // The discriminator callback passes the engine's own code back.
  srv6db_engine_reset_call_counts();
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_DISCRIMINATOR,
                                       SRV6_DB_TABLE_XSID_PREFIX, 7, SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  const Srv6DbXsidEntry e = Sample();
  EXPECT_EQ(SRV6_DB_UpdateXsidDiscriminator(&e), 7u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_SET_FIELD_FAILED));
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_UPDATE, SRV6_DB_TABLE_XSID_PREFIX), 0u);
}

}  // namespace
}  // namespace srv6db::test
