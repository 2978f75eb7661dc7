// XSID prefix table: golden bytes, the secondary indexes and counts, the bounded read by local
// key, the read by service context key and the single-field updates.
#include <array>
#include <cstring>
#include <set>

#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kPrefixA[4] = {0x20010DB8, 0xA0000, 0, 1};  // 2001:db8:a::1
constexpr uint32_t kPrefixB[4] = {0x20010DB8, 0xB0000, 0, 1};  // 2001:db8:b::1
constexpr size_t kEntrySize = 184;

const Srv6DbXsidEntry kEntry = [] {
  auto e = Filled<Srv6DbXsidEntry>(0xEE);
  e.vrId = 0x11121314, e.vrfIndex = 0x21222324;
  std::memcpy(e.prefix, kPrefixA, sizeof(kPrefixA));
  Assign(e.ipv6Addr2, {0xFC000000, 0, 0, 2});
  Assign(e.svcAddr, {0x20010DB8, 0xFF0000, 0, 3});
  e.svcCtx1 = 0x31, e.svcCtx2 = 0x32;
  Assign(e.reserved1, {0x33, 0x34});
  e.attr1 = 0x41424344, e.attr2 = 0x51525354, e.attr3 = 0x61626364;
  e.discriminator = 0x71727374, e.iidgIndex = 0x81828384;
  Ramp(e.reserved2, 0x85);
  Ramp(e.reserved3, 0x90);
  e.attr4 = 0xB1B2B3B4, e.attr5 = 0xC1C2C3C4;
  Ramp(e.reserved4, 0xD0);
  e.attr6 = 0xF1F2F3F4, e.smoothId = 0x0A0B0C0D;
  e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  return e;
}();
constexpr char kPrimaryKey[] =
    "14131211 24232221 20010db8 000a0000 00000000 00000001 fc000000 00000000"
    "00000000 00000002 20010db8 00ff0000 00000000 00000003 3132";
constexpr char kRecord[] =
    "14131211 24232221 20010db8 000a0000 00000000 00000001 fc000000 00000000"
    "00000000 00000002 20010db8 00ff0000 00000000 00000003 31323334"           // 32
    "54535251 64636261 74737271 84838281 44434241 85868788"                    // 60
    "90919293 94959697 98999a9b 9c9d9e9f a0a1a2a3 a4a5a6a7 a8a9aaab acadaeaf"  // 84
    "b4b3b2b1 c4c3c2c1"                                                        // 116
    "d0d1d2d3 d4d5d6d7 d8d9dadb dcdddedf e0e1e2e3 e4e5e6e7 e8e9eaeb ecedeeef"  // 124
    "f4f3f2f1 0d0c0b0a 08070605 04030201 18171615 14131211";                   // 156

// attr1 stands after iidgIndex, so attr2 to iidgIndex each move up one word.
const GoldenRegistrar kGolden(
    {"Xsid", SRV6_DB_TABLE_XSID_PREFIX, kEntry, SRV6_DB_SetXsidFields, SRV6_DB_CreateXsid, kRecord,
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetXsidPriKey, kEntry, 0x0001003A, kPrimaryKey},
     {"Iidg", SRV6_DB_SetXsidIidgHashKey, kEntry, 0x01090008, "14131211 84838281"},
     {"Local", SRV6_DB_SetXsidlocalHashKey, kEntry, 0x02090018,
      "14131211 24232221 20010db8 000a0000 00000000 00000001"},
     {"SvcCtx", SRV6_DB_SetXsidSvcKeyField, kEntry, 0x0309001A,
      "14131211 24232221 20010db8 00ff0000 00000000 00000003 3132"},
     {"Smooth", SRV6_DB_SetXsidSmoothHashKey, kSmoothKey, 0x0409000C, kSmoothIdFirst}},
    ByVrf(SRV6_DB_CreateXsidIteratorByVrf, SRV6_DB_GetNextXsidEntry, SRV6_DB_ReleaseXsidIterator,
          &Srv6DbXsidEntry::svcCtx1, 0x0409000C, kSmoothIdFirst));

constexpr char kLocalKeyA[] = "01000000 02000000 20010db8 000a0000 00000000 00000001";

class Xsid : public LibraryTest {
 protected:
  // {attr1 naming the record, vrId, vrfIndex, iidgIndex} and prefix. ipv6Addr2
  // takes attr1 too, keeping primary keys apart.
  static void Create(
      std::initializer_list<std::pair<std::array<uint32_t, 4>, const uint32_t *>> rows) {
    for (const auto &[v, prefix] : rows) {
      Srv6DbXsidEntry e = kEntry;
      e.attr1 = v[0], e.ipv6Addr2[3] = v[0], e.vrId = v[1], e.vrfIndex = v[2];
      e.iidgIndex = v[3];
      std::memcpy(e.prefix, prefix, sizeof(e.prefix));
      ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
    }
  }
  // An entry of 0x5A bytes holding only a local key.
  static Srv6DbXsidEntry LocalKey(uint32_t vrId, uint32_t vrfIndex, const uint32_t *prefix) {
    auto e = Filled<Srv6DbXsidEntry>(0x5A);
    e.vrId = vrId, e.vrfIndex = vrfIndex;
    std::memcpy(e.prefix, prefix, sizeof(e.prefix));
    return e;
  }
};

TEST_F(Xsid, IndexesAndCountsSelectByTheirKeysAlone) {
  // 1 and 2 share a local key; 1, 3 and 5 the IIDG key (vrId 1, IIDG 7) across VRFs.
  Create({{{1, 1, 2, 7}, kPrefixA},
          {{2, 1, 2, 8}, kPrefixA},
          {{3, 1, 3, 7}, kPrefixA},
          {{4, 2, 2, 7}, kPrefixA},
          {{5, 1, 2, 7}, kPrefixB}});
  const Srv6DbXsidEntry local = LocalKey(1, 2, kPrefixA);
  Srv6DbXsidEntry iidg = LocalKey(1, 99, kPrefixB);  // vrfIndex is no part of the IIDG key
  iidg.iidgIndex = 7;
  constexpr char kIidgKey[] = "01000000 07000000";
  const auto walk =
      Walker(SRV6_DB_GetNextXsidEntry, SRV6_DB_ReleaseXsidIterator, &Srv6DbXsidEntry::attr1);
  EXPECT_TRUE(walk(SRV6_DB_CreateXsidIteratorByLocalHash(&local, SRV6_DB_ITER_NO_COUNT), 0x02090018,
                   kLocalKeyA, {1, 2}));
  EXPECT_TRUE(walk(SRV6_DB_CreateXsidIteratorByIidg(&iidg, SRV6_DB_ITER_NO_COUNT), 0x01090008,
                   kIidgKey, {1, 3, 5}));

  uint64_t n = 99;
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(&local, &n), SRV6_DB_OK);
  EXPECT_EQ(n, 2u);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x02090018, Hex(kLocalKeyA)));
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(&iidg, &n), SRV6_DB_OK);
  EXPECT_EQ(n, 3u);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_COUNT, 0x01090008, Hex(kIidgKey)));
  EXPECT_TRUE(NoStatChanged());

  // A null count: the local count answers it alone, the IIDG count leaves it to the core.
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(&local, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(NoStatChanged());
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(&iidg, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_PARAM_INVALID));
}

TEST_F(Xsid, BoundedReadFillsWholeEntriesAndAsksForNoMore) {
  const struct {
    const char *name;
    uint32_t records;  // records with the local key read
    uint32_t bufLen;
    bool array;  // false: a null entry array
    uint32_t wantResult;
    size_t wantWritten;
    uint64_t wantSteps;  // iterator steps asked of the engine
  } cases[] = {
      {"less than one entry", 1, 183, true, SRV6_DB_OK, 0, 0},
      {"no record", 0, 184, true, SRV6_DB_NOT_FOUND, 0, 1},
      {"exactly one entry", 2, 184, true, SRV6_DB_OK, 1, 1},
      {"room for two, one record", 1, 368, true, SRV6_DB_NOT_FOUND, 1, 2},
      {"room for two, two records", 2, 368, true, SRV6_DB_OK, 2, 2},
      {"room for two and a part", 3, 400, true, SRV6_DB_OK, 2, 2},
      {"no array", 1, 184, false, SRV6_DB_ERR, 0, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    srv6db_engine_reset();
    for (uint32_t i = 1; i <= c.records; ++i) Create({{{i, 1, 2, 7}, kPrefixA}});
    Create({{{100, 1, 2, 7}, kPrefixB}});  // another local key, never read

    Bytes out(3 * kEntrySize, 0xEE);
    const Srv6DbXsidEntry key = LocalKey(1, 2, kPrefixA);
    auto *entries = c.array ? reinterpret_cast<Srv6DbXsidEntry *>(out.data()) : nullptr;
    EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&key, c.bufLen, entries), c.wantResult);

    std::set<uint32_t> ids;  // whole entries of distinct records with the key read
    for (size_t i = 0; i < c.wantWritten; ++i) {
      Srv6DbXsidEntry got;
      std::memcpy(&got, out.data() + i * kEntrySize, kEntrySize);
      EXPECT_EQ(got.discriminator, 0x71727374u);
      EXPECT_TRUE(got.attr1 >= 1 && got.attr1 <= c.records && ids.insert(got.attr1).second);
    }
    EXPECT_EQ(Bytes(out.begin() + std::ssize(ids) * kEntrySize, out.end()),
              Bytes(out.size() - ids.size() * kEntrySize, 0xEE))
        << "bytes past the last entry read were written";
    EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6_DB_TABLE_XSID_PREFIX),
              c.wantSteps);
    uint32_t lastCount = 0;
    uint64_t propertyCalls = 0;
    srv6db_engine_iter_property_stats(&lastCount, &propertyCalls);
    EXPECT_EQ(lastCount, 1u);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x02090018, Hex(kLocalKeyA)));
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Xsid, ReadByServiceContextReturnsOneWholeRecord) {
  // 1 and 2 differ only in ipv6Addr2: they share the service context key.
  Create({{{1, 1, 2, 7}, kPrefixA}, {{2, 1, 2, 7}, kPrefixA}});
  Srv6DbXsidEntry e = LocalKey(1, 2, kPrefixB);  // the prefix is no part of the key
  std::memcpy(e.svcAddr, kEntry.svcAddr, sizeof(e.svcAddr));
  e.svcCtx1 = 0x31, e.svcCtx2 = 0x32;
  Srv6DbXsidEntry unmatched = e;
  unmatched.svcCtx2 = 0x33;
  const Srv6DbXsidEntry before = unmatched;
  EXPECT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(&unmatched), SRV6_DB_ERR);
  EXPECT_EQ(BytesOf(unmatched), BytesOf(before));

  ASSERT_EQ(SRV6_DB_ReadXsidBySvcCtxKey(&e), SRV6_DB_OK);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0309001A,
                           Hex("01000000 02000000 20010db8 00ff0000 00000000 00000003 3132")));
  ASSERT_TRUE(e.attr1 == 1 || e.attr1 == 2) << e.attr1;
  Srv6DbXsidEntry want = kEntry;
  want.attr1 = e.attr1, want.ipv6Addr2[3] = e.attr1, want.vrId = 1, want.vrfIndex = 2;
  want.iidgIndex = 7;
  std::memset(reinterpret_cast<uint8_t *>(&want) + 164, 0x5A, 4);  // the gap is not carried
  EXPECT_EQ(BytesOf(e), BytesOf(want));
  EXPECT_TRUE(NoStatChanged());
}

// The discriminator update writes that one field and nothing else; the callback passes the
// engine's own code back.
TEST_F(Xsid, DiscriminatorUpdateWritesItsOneField) {
  ASSERT_EQ(SRV6_DB_CreateXsid(&kEntry), SRV6_DB_OK);
  auto changed = Filled<Srv6DbXsidEntry>(0x77);  // every field but the primary key differs
  std::memcpy(&changed, &kEntry, 58);
  changed.discriminator = 0xCAFE0001;
  ASSERT_EQ(SRV6_DB_UpdateXsidDiscriminator(&changed), SRV6_DB_OK);
  Bytes want = Hex(kRecord);
  std::ranges::copy(Hex("0100feca"), want.begin() + 68);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_XSID_PREFIX, Hex(kPrimaryKey), 180), want);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_UPDATE, 0x0001003A, Hex(kPrimaryKey)));
  EXPECT_TRUE(NoStatChanged());

  srv6db_engine_reset_call_counts();
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_DISCRIMINATOR,
                                       SRV6_DB_TABLE_XSID_PREFIX, 7, SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  EXPECT_EQ(SRV6_DB_UpdateXsidDiscriminator(&kEntry), 7u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_XSID_PREFIX, SRV6_DB_STAT_SET_FIELD_FAILED));
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_UPDATE, SRV6_DB_TABLE_XSID_PREFIX), 0u);
}

}  // namespace
}  // namespace srv6db::test
