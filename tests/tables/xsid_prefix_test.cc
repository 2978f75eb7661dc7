// XSID prefix table: record and key bytes against the documented layout, the four secondary
// indexes, the counts, the bounded read by local key, the read by service context key and
// the single-field updates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

// Addresses as entries hold them (native words); the macros are the engine's bytes.
constexpr uint32_t kPrefixA[4] = {0x20010DB8, 0x000A0000, 0x00000000, 0x00000001};
constexpr uint32_t kPrefixB[4] = {0x20010DB8, 0x000B0000, 0x00000000, 0x00000001};
constexpr uint32_t kAddr2[4] = {0xFC000000, 0x00000000, 0x00000000, 0x00000002};
constexpr uint32_t kSvcAddr[4] = {0x20010DB8, 0x00FF0000, 0x00000000, 0x00000003};
#define SRV6DB_PREFIX_A_BYTES \
  0x20, 0x01, 0x0D, 0xB8, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01
#define SRV6DB_ADDR2_BYTES \
  0xFC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02
#define SRV6DB_SVC_BYTES \
  0x20, 0x01, 0x0D, 0xB8, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03

constexpr size_t kEntry = 184;

Srv6DbXsidEntry Sample() {
  Srv6DbXsidEntry e;
  std::memset(&e, 0, sizeof(e));
  e.vrId = 0x11121314;
  e.vrfIndex = 0x21222324;
  std::memcpy(e.prefix, kPrefixA, sizeof(e.prefix));
  std::memcpy(e.ipv6Addr2, kAddr2, sizeof(e.ipv6Addr2));
  std::memcpy(e.svcAddr, kSvcAddr, sizeof(e.svcAddr));
  e.svcCtx1 = 0x31;
  e.svcCtx2 = 0x32;
  e.reserved1[0] = 0x33;
  e.reserved1[1] = 0x34;
  e.attr1 = 0x41424344;
  e.attr2 = 0x51525354;
  e.attr3 = 0x61626364;
  e.discriminator = 0x71727374;
  e.iidgIndex = 0x81828384;
  for (uint8_t i = 0; i < 4; ++i) e.reserved2[i] = static_cast<uint8_t>(0x85 + i);
  for (uint8_t i = 0; i < 32; ++i) e.reserved3[i] = static_cast<uint8_t>(0x90 + i);
  e.attr4 = 0xB1B2B3B4;
  e.attr5 = 0xC1C2C3C4;
  for (uint8_t i = 0; i < 32; ++i) e.reserved4[i] = static_cast<uint8_t>(0xD0 + i);
  e.attr6 = 0xF1F2F3F4;
  e.smoothId = 0x0A0B0C0D;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  return e;
}

ByteVec SampleRecord() {
  Bytes r(180);
  r.U32(0, 0x11121314).U32(4, 0x21222324);
  r.Raw(8, {SRV6DB_PREFIX_A_BYTES}).Raw(24, {SRV6DB_ADDR2_BYTES}).Raw(40, {SRV6DB_SVC_BYTES});
  r.U8(56, 0x31).U8(57, 0x32).Raw(58, {0x33, 0x34});
  r.U32(60, 0x51525354).U32(64, 0x61626364).U32(68, 0x71727374).U32(72, 0x81828384);
  r.U32(76, 0x41424344);  // attr1, after iidgIndex
  r.Raw(80, {0x85, 0x86, 0x87, 0x88});
  for (uint8_t i = 0; i < 32; ++i) r.U8(84 + i, static_cast<uint8_t>(0x90 + i));
  r.U32(116, 0xB1B2B3B4).U32(120, 0xC1C2C3C4);
  for (uint8_t i = 0; i < 32; ++i) r.U8(124 + i, static_cast<uint8_t>(0xD0 + i));
  r.U32(156, 0xF1F2F3F4).U32(160, 0x0A0B0C0D);
  r.U64(164, 0x0102030405060708).U64(172, 0x1112131415161718);
  return r;
}

const ByteVec kSamplePrimaryKey = Bytes(58)
                                      .U32(0, 0x11121314)
                                      .U32(4, 0x21222324)
                                      .Raw(8, {SRV6DB_PREFIX_A_BYTES})
                                      .Raw(24, {SRV6DB_ADDR2_BYTES})
                                      .Raw(40, {SRV6DB_SVC_BYTES})
                                      .U8(56, 0x31)
                                      .U8(57, 0x32);

class Xsid : public LibraryTest {
 protected:
  // One record per row; attr1 tells them apart, ipv6Addr2's last word keeps primary keys apart.
  struct Row {
    uint32_t attr1, vrId, vrfIndex;
    const uint32_t *prefix;
    uint32_t iidgIndex, smoothId;
  };
  static void CreateRows(std::initializer_list<Row> rows) {
    for (const Row &row : rows) {
      Srv6DbXsidEntry e = Sample();
      e.attr1 = row.attr1;
      e.ipv6Addr2[3] = row.attr1;
      e.vrId = row.vrId;
      e.vrfIndex = row.vrfIndex;
      std::memcpy(e.prefix, row.prefix, sizeof(e.prefix));
      e.iidgIndex = row.iidgIndex;
      e.smoothId = row.smoothId;
      ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
    }
  }
  // An entry holding only the given local key fields, everything else 0x5A.
  static Srv6DbXsidEntry LocalKey(uint32_t vrId, uint32_t vrfIndex, const uint32_t *prefix) {
    Srv6DbXsidEntry e;
    std::memset(&e, 0x5A, sizeof(e));
    e.vrId = vrId;
    e.vrfIndex = vrfIndex;
    std::memcpy(e.prefix, prefix, sizeof(e.prefix));
    return e;
  }
};

TEST_F(Xsid, RecordHoldsAttr1AfterIidgIndexAndEveryOtherFieldInPlace) {
  const Srv6DbXsidEntry e = Sample();
  Srv6DbXsidRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetXsidFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_XSID_PREFIX, kSamplePrimaryKey, 180), SampleRecord());
}

TEST_F(Xsid, KeySettersBuildDocumentedWordAndBytes) {
  const Srv6DbXsidEntry e = Sample();
  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {"primary", [&](uint32_t *w, void *k) { EXPECT_EQ(SRV6_DB_SetXsidPriKey(&e, w, k), 0u); },
       0x0001003A, kSamplePrimaryKey},
      {"iidg", [&](uint32_t *w, void *k) { SRV6_DB_SetXsidIidgHashKey(&e, w, k); }, 0x01090008,
       Bytes(8).U32(0, 0x11121314).U32(4, 0x81828384)},
      {"local", [&](uint32_t *w, void *k) { SRV6_DB_SetXsidlocalHashKey(&e, w, k); }, 0x02090018,
       Bytes(24).U32(0, 0x11121314).U32(4, 0x21222324).Raw(8, {SRV6DB_PREFIX_A_BYTES})},
      {"service context",
       [&](uint32_t *w, void *k) { EXPECT_EQ(SRV6_DB_SetXsidSvcKeyField(&e, w, k), 0u); },
       0x0309001A,
       Bytes(26)
           .U32(0, 0x11121314)
           .U32(4, 0x21222324)
           .Raw(8, {SRV6DB_SVC_BYTES})
           .U8(24, 0x31)
           .U8(25, 0x32)},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetXsidSmoothHashKey(&s, w, k); }, 0x0409000C,
       Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2)},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(Xsid, IndexesAndCountsSelectByTheirKeysAlone) {
  // 1 and 2 share a local key; 1, 3 and 5 an IIDG key (vrId 1, IIDG 7) across VRFs.
  CreateRows({{1, 1, 2, kPrefixA, 7, 3},
              {2, 1, 2, kPrefixA, 8, 4},
              {3, 1, 3, kPrefixA, 7, 3},
              {4, 2, 2, kPrefixA, 7, 3},
              {5, 1, 2, kPrefixB, 7, 9}});
  Srv6DbXsidEntry local = LocalKey(1, 2, kPrefixA);
  Srv6DbXsidEntry iidg = LocalKey(1, 99, kPrefixB);  // vrfIndex is no part of the IIDG key
  iidg.iidgIndex = 7;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const ByteVec localKey = Bytes(24).U32(0, 1).U32(4, 2).Raw(8, {SRV6DB_PREFIX_A_BYTES});
  const ByteVec iidgKey = Bytes(8).U32(0, 1).U32(4, 7);
  const IndexCase cases[] = {
      {"local",
       [&] { return SRV6_DB_CreateXsidIteratorByLocalHash(&local, SRV6_DB_ITER_NO_COUNT); },
       0x02090018,
       localKey,
       {1, 2}},
      {"iidg",
       [&] { return SRV6_DB_CreateXsidIteratorByIidg(&iidg, SRV6_DB_ITER_NO_COUNT); },
       0x01090008,
       iidgKey,
       {1, 3, 5}},
      {"vrf",
       [&] { return SRV6_DB_CreateXsidIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       0x0409000C,
       Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2),
       {1}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk<Srv6DbXsidEntry>(c, SRV6_DB_GetNextXsidEntry, SRV6_DB_ReleaseXsidIterator,
                                     [](const Srv6DbXsidEntry &e) { return e.attr1; });
  }

  const struct {
    const char *name;
    uint32_t (*count)(const Srv6DbXsidEntry *, uint64_t *);
    const Srv6DbXsidEntry *key;
    uint32_t word;
    ByteVec bytes;
    uint64_t want;
  } counts[] = {
      {"local", SRV6_DB_GetXsidCountByLocalhash, &local, 0x02090018, localKey, 2},
      {"iidg", SRV6_DB_CountXsidByIidgIndexHashKey, &iidg, 0x01090008, iidgKey, 3},
  };
  for (const auto &c : counts) {
    SCOPED_TRACE(c.name);
    uint64_t n = 99;
    EXPECT_EQ(c.count(c.key, &n), SRV6_DB_OK);
    EXPECT_EQ(n, c.want);
    const BuiltKey seen = LastEngineKey(SRV6DB_ENGINE_FN_COUNT);
    EXPECT_EQ(seen.word, c.word);
    EXPECT_EQ(seen.bytes, c.bytes);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, NullCountIsAnsweredByTheLocalCountAndCountedByTheIidgCount) {
  const Srv6DbXsidEntry e = Sample();
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(&e, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
  EXPECT_TRUE(NoStatChanged());
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(&e, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_PARAM_INVALID));

  uint64_t n = 99;
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(nullptr, &n), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(nullptr, &n), SRV6_DB_ERR);
  EXPECT_EQ(n, 99u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_PARAM_INVALID));
}

// The bounded read by local key: how many entries it writes and asks the engine for.
struct BoundedReadCase {
  const char *name;
  uint32_t records;  // records with the local key read
  uint32_t bufLen;
  uint32_t wantResult;
  size_t wantWritten;
  uint64_t wantNextCalls;  // iterator steps asked of the engine
};

TEST_F(Xsid, BoundedReadFillsWholeEntriesAndAsksForNoMore) {
  const BoundedReadCase cases[] = {
      {"less than one entry", 1, 183, SRV6_DB_OK, 0, 0},
      {"no record", 0, 184, SRV6_DB_NOT_FOUND, 0, 1},
      {"exactly one entry", 2, 184, SRV6_DB_OK, 1, 1},
      {"room for two, one record", 1, 368, SRV6_DB_NOT_FOUND, 1, 2},
      {"room for two, two records", 2, 368, SRV6_DB_OK, 2, 2},
      {"room for two and a part", 3, 400, SRV6_DB_OK, 2, 2},
  };
  for (const BoundedReadCase &c : cases) {
    SCOPED_TRACE(c.name);
    srv6db_engine_reset();
    for (uint32_t i = 1; i <= c.records; ++i) CreateRows({{i, 1, 2, kPrefixA, 7, 3}});
    CreateRows({{100, 1, 2, kPrefixB, 7, 3}});  // another local key, never read

    ByteVec out(3 * kEntry, 0xEE);
    const Srv6DbXsidEntry key = LocalKey(1, 2, kPrefixA);
    EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&key, c.bufLen,
                                          reinterpret_cast<Srv6DbXsidEntry *>(out.data())),
              c.wantResult);

    std::vector<uint32_t> ids;
    for (size_t i = 0; i < c.wantWritten; ++i) {
      Srv6DbXsidEntry got;
      std::memcpy(&got, out.data() + i * kEntry, kEntry);
      ids.push_back(got.attr1);
      EXPECT_EQ(got.vrId, 1u);
      EXPECT_EQ(got.discriminator, 0x71727374u);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end()) << "a record twice";
    for (uint32_t id : ids) EXPECT_TRUE(id >= 1 && id <= c.records) << id;
    EXPECT_TRUE(std::all_of(out.begin() + static_cast<std::ptrdiff_t>(c.wantWritten * kEntry),
                            out.end(), [](uint8_t b) { return b == 0xEE; }))
        << "bytes past the last entry read were written";
    EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6_DB_TABLE_XSID_PREFIX),
              c.wantNextCalls);
    uint32_t lastCount = 0;
    uint64_t propertyCalls = 0;
    srv6db_engine_iter_property_stats(&lastCount, &propertyCalls);
    EXPECT_EQ(lastCount, 1u);
    const BuiltKey seen = LastEngineKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER);
    EXPECT_EQ(seen.word, 0x02090018u);
    EXPECT_EQ(seen.bytes, ByteVec(Bytes(24).U32(0, 1).U32(4, 2).Raw(8, {SRV6DB_PREFIX_A_BYTES})));
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, BoundedReadWithoutKeyOrArrayGivesOne) {
  CreateRows({{1, 1, 2, kPrefixA, 7, 3}});
  const Srv6DbXsidEntry key = LocalKey(1, 2, kPrefixA);
  Srv6DbXsidEntry out;
  EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(nullptr, kEntry, &out), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&key, kEntry, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, ReadByServiceContextReturnsOneWholeRecord) {
  // 1 and 2 differ only in ipv6Addr2: one local key and one service context key.
  CreateRows({{1, 1, 2, kPrefixA, 7, 3}, {2, 1, 2, kPrefixA, 7, 3}});
  Srv6DbXsidEntry e;
  std::memset(&e, 0x5A, sizeof(e));
  e.vrId = 1;
  e.vrfIndex = 2;
  std::memcpy(e.svcAddr, kSvcAddr, sizeof(e.svcAddr));
  e.svcCtx1 = 0x31;
  e.svcCtx2 = 0x32;
  ASSERT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(&e), SRV6_DB_OK);

  const BuiltKey seen = LastEngineKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER);
  EXPECT_EQ(seen.word, 0x0309001Au);
  EXPECT_EQ(
      seen.bytes,
      ByteVec(Bytes(26).U32(0, 1).U32(4, 2).Raw(8, {SRV6DB_SVC_BYTES}).U8(24, 0x31).U8(25, 0x32)));
  ASSERT_TRUE(e.attr1 == 1 || e.attr1 == 2) << e.attr1;
  Srv6DbXsidEntry want = Sample();
  want.vrId = 1;
  want.vrfIndex = 2;
  want.attr1 = e.attr1;
  want.ipv6Addr2[3] = e.attr1;
  want.iidgIndex = 7;
  want.smoothId = 3;
  std::memset(reinterpret_cast<uint8_t *>(&want) + 164, 0x5A, 4);  // the gap is not carried
  EXPECT_EQ(AsBytes(&e, sizeof(e)), AsBytes(&want, sizeof(want)));

  Srv6DbXsidEntry none = e;
  none.svcCtx2 = 0x33;
  const Srv6DbXsidEntry before = none;
  EXPECT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(&none), SRV6_DB_ERR);
  EXPECT_EQ(AsBytes(&none, sizeof(none)), AsBytes(&before, sizeof(before)));
  EXPECT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(nullptr), SRV6_DB_ERR);
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
    // Every field but the key differs; only the updated one may reach the record.
    Srv6DbXsidEntry changed;
    std::memset(&changed, 0x77, sizeof(changed));
    std::memcpy(&changed, &created, 58);
    changed.discriminator = 0xCAFE0001;
    changed.smoothId = 0xCAFE0001;
    ASSERT_EQ(c.update(&changed), SRV6_DB_OK);
    EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_XSID_PREFIX, kSamplePrimaryKey, 180),
              ByteVec(Bytes(SampleRecord()).U32(c.recordOffset, 0xCAFE0001)));
    const BuiltKey seen = LastEngineKey(SRV6DB_ENGINE_FN_UPDATE);
    EXPECT_EQ(seen.word, 0x0001003Au);
    EXPECT_EQ(seen.bytes, kSamplePrimaryKey);
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, DiscriminatorUpdatePassesTheEngineCodeBack) {
  const Srv6DbXsidEntry e = Sample();
  ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_DISCRIMINATOR,
                                       SRV6_DB_TABLE_XSID_PREFIX, 7, SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  EXPECT_EQ(SRV6_DB_UpdateXsidDiscriminator(&e), 7u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_SET_FIELD_FAILED));
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_UPDATE, SRV6_DB_TABLE_XSID_PREFIX), 0u);
  EXPECT_EQ(SRV6_DB_SetXsidStdDiscriminator(nullptr, nullptr), SRV6_DB_ERR);
}

}  // namespace
}  // namespace srv6db::test
