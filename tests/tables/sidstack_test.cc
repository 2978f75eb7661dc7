// SID stack table: eleven swapped addresses at their offsets, the four keyed walks.
#include <algorithm>
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6te_test_util.h"

namespace srv6db::test {
namespace {

class SidStack : public LibraryTest {};

constexpr uint32_t kLocalSid[4] = {0x20010DB8, 0x0000AAAA, 0x00000000, 0x00000001};
constexpr uint32_t kIid[4] = {0xFC000000, 0x12345678, 0x9ABCDEF0, 0x0F1E2D3C};

// SID i of the list: 2001:db8:0:i:: with a distinct last word.
void SidOf(uint32_t i, uint32_t (&out)[4]) {
  out[0] = 0x20010DB8;
  out[1] = i;
  out[2] = 0x01020304 * (i + 1);
  out[3] = 0xA0000000 | i;
}

Srv6DbSidStackEntry Sample() {
  Srv6DbSidStackEntry e;
  std::memset(&e, 0xEE, sizeof(e));
  e.vrId = 7;
  e.vrfIndex = 0x00010002;
  e.listId = 0x11223344;
  e.listType = 3;
  e.attr1 = 0x41;
  e.attr2 = 0x51525354;
  std::memcpy(e.localSid, kLocalSid, 16);
  for (uint32_t i = 0; i < 9; ++i) SidOf(i, e.sidList[i]);
  std::memcpy(e.iid, kIid, 16);
  e.iidPrefixLen = 64;
  Pattern(e.reserved1, 0xA1);
  e.attr3 = 0x61626364;
  Pattern(e.reserved2, 0xB1);
  e.attr4 = 0x71727374;
  e.attr5 = 0x81828384;
  Pattern(e.reserved3, 0x10);
  e.smoothId = 0x5A5A0001;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  return e;
}

Bytes SampleRecord() {
  Golden g(308);
  g.U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344).U8(12, 3).U8(13, 0x41);
  g.U32(16, 0x51525354).Addr(20, kLocalSid);
  for (uint32_t i = 0; i < 9; ++i) {
    uint32_t sid[4];
    SidOf(i, sid);
    g.Addr(36 + 16 * i, sid);
  }
  g.Addr(180, kIid).U8(196, 64).Run(198, 2, 0xA1).U32(200, 0x61626364).Run(204, 8, 0xB1);
  g.U32(212, 0x71727374).U32(216, 0x81828384).Run(220, 68, 0x10).U32(288, 0x5A5A0001);
  g.U64(292, 0x0102030405060708).U64(300, 0x1112131415161718);
  return g;
}

const Bytes kPriKey = Golden(13).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344).U8(12, 3);
const Bytes kIidKey = Golden(25).U32(0, 7).U32(4, 0x00010002).Addr(8, kIid).U8(24, 64);
const Bytes kLocalSidKey = Golden(24).U32(0, 7).U32(4, 0x00010002).Addr(8, kLocalSid);

Bytes RecordOf(const Srv6DbSidStackEntry &e) {
  Srv6DbSidStackRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetSidStackFields(&e, &r);
  return BytesOf(r);
}

TEST_F(SidStack, RecordHoldsEachFieldAtItsOffset) {
  const Srv6DbSidStackEntry e = Sample();
  EXPECT_EQ(RecordOf(e), SampleRecord());
  ASSERT_EQ(SRV6_DB_CreateSidStack(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SIDSTACK, kPriKey, 308), SampleRecord());
}

TEST_F(SidStack, KeySettersWriteDocumentedBytes) {
  const Srv6DbSidStackEntry e = Sample();
  const Srv6DbSmoothKey smooth = {1, 2, 3};
  const uint32_t vrId = 0x01020304;
  ExpectKeys({
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetSidStackPriKey(&e, w, k); }, 0x0001000D,
       kPriKey},
      {"iid", [&](uint32_t *w, void *k) { SRV6_DB_SetSidStackIidHashKey(&e, w, k); }, 0x01090019,
       kIidKey},
      {"local sid", [&](uint32_t *w, void *k) { SRV6_DB_SetSidStackLocalSidHashKey(&e, w, k); },
       0x02090018, kLocalSidKey},
      {"vr id", [&](uint32_t *w, void *k) { SRV6_DB_SetSidStackVridHashKey(&vrId, w, k); },
       0x03090004, Golden(4).U32(0, 0x01020304)},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetSidStackSmoothHashKey(&smooth, w, k); },
       0x0409000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3)},
  });
}

// A stack names its IID by the IID table's primary key bytes, under another key word.
TEST_F(SidStack, IidKeyHoldsTheIidTablePrimaryKeyBytes) {
  const Srv6DbSidStackEntry stack = Sample();
  Srv6DbIidEntry iid;
  std::memset(&iid, 0x55, sizeof(iid));
  iid.vrId = stack.vrId;
  iid.vrfIndex = stack.vrfIndex;
  std::memcpy(iid.iid, stack.iid, 16);
  iid.prefixLen = stack.iidPrefixLen;
  uint32_t stackWord = 0, iidWord = 0;
  Bytes stackKey(25), iidKey(25);
  SRV6_DB_SetSidStackIidHashKey(&stack, &stackWord, stackKey.data());
  SRV6_DB_SetIidPriKey(&iid, &iidWord, iidKey.data());
  EXPECT_EQ(stackKey, iidKey);
  EXPECT_NE(stackWord, iidWord);
}

// Each keyed walk sends its key and yields exactly the stacks that share it.
TEST_F(SidStack, KeyedWalksYieldTheMatchingStacks) {
  const Srv6DbSidStackEntry base = Sample();
  Srv6DbSidStackEntry otherPrefix = Sample();  // same IID, another prefix length
  otherPrefix.listId = 2;
  otherPrefix.iidPrefixLen = 48;
  Srv6DbSidStackEntry otherVrf = Sample();  // same vrId, another vrfIndex
  otherVrf.listId = 3;
  otherVrf.vrfIndex = 9;
  Srv6DbSidStackEntry otherVr = Sample();
  otherVr.listId = 4;
  otherVr.vrId = 8;
  for (const auto &e : {base, otherPrefix, otherVrf, otherVr}) {
    ASSERT_EQ(SRV6_DB_CreateSidStack(&e), SRV6_DB_OK);
  }
  Srv6DbSidStackEntry query;  // only the key's fields are set
  std::memset(&query, 0x77, sizeof(query));
  query.vrId = base.vrId;
  query.vrfIndex = base.vrfIndex;
  std::memcpy(query.iid, base.iid, 16);
  query.iidPrefixLen = base.iidPrefixLen;
  std::memcpy(query.localSid, base.localSid, 16);
  const uint32_t vrId = base.vrId;

  const auto walk = [](Srv6DbIter *it) {
    std::vector<uint32_t> ids;
    for (const auto &e : Drain(it, SRV6_DB_GetNextSidStackEntry, SRV6_DB_ReleaseSidStackIterator)) {
      ids.push_back(e.listId);
    }
    return ids;
  };
  const auto check = [&](const char *name, Srv6DbIter *it, uint32_t keyWord, const Bytes &key,
                         std::vector<uint32_t> want) {
    SCOPED_TRACE(name);
    std::vector<uint32_t> got = walk(it);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, keyWord, key));
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want);
  };
  check("iid", SRV6_DB_CreateSidStackIteratorByIid(&query, SRV6_DB_ITER_NO_COUNT), 0x01090019,
        kIidKey, {0x11223344});
  check("local sid", SRV6_DB_CreateSidStackIteratorByLocalSid(&query, SRV6_DB_ITER_NO_COUNT),
        0x02090018, kLocalSidKey, {2, 0x11223344});
  check("vr id", SRV6_DB_CreateSidStackIteratorByVrid(&vrId, SRV6_DB_ITER_NO_COUNT), 0x03090004,
        Golden(4).U32(0, 7), {2, 3, 0x11223344});

  Srv6DbSidStackEntry smooth = otherVrf;
  smooth.smoothId = 44;
  ASSERT_EQ(SRV6_DB_UpdateSidStackSmoothId(&smooth), SRV6_DB_OK);
  const Srv6DbSmoothKey smoothKey = {7, 9, 44};
  check("smooth", SRV6_DB_CreateSidStackIteratorByVrf(&smoothKey, SRV6_DB_ITER_NO_COUNT),
        0x0409000C, Golden(12).U32(0, 7).U32(4, 9).U32(8, 44), {3});
}

}  // namespace
}  // namespace srv6db::test
