// Binding SID table: golden bytes, the policy and list info keys shared with those tables, and
// the reads by them.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbBsidEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);  // gaps and the 32 spare bytes hold junk
  e.vrId = 7, e.vrfIndex = 0x00010002, e.bsidId = 0x11223344, e.tunnelId = 0x21222324;
  e.attr1 = 0x31323334, e.listId = 0x41424344, e.attr2 = 0x51525354;
  e.tunnelType = 5, e.listType = 6;
  Ramp(e.reserved1, 0xA1);
  e.attr3 = 0x61626364, e.attr4 = 0x71727374;
  Ramp(e.octets, 0xC0);
  e.smoothId = 0x5A5A0001, e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  e.attr5 = 0x81828384;
  return e;
}();
constexpr char kPrimaryKey[] = "07000000 02000100 44332211";
constexpr char kPolicyKey[] = "07000000 02000100 24232221 05";
constexpr char kListKey[] = "07000000 02000100 44434241 06";
// Bytes 33 to 35 stay 0; smoothId directly behind octets.
constexpr char kRecord[] =
    "07000000 02000100 44332211 24232221 34333231 44434241 54535251 0506a1a2"
    "a3000000 64636261 74737271"                                               // 32
    "c0c1c2c3 c4c5c6c7 c8c9cacb cccdcecf d0d1d2d3 d4d5d6d7 d8d9dadb dcdddedf"  // 44
    "e0e1e2e3 01005a5a 08070605 04030201 18171615 14131211 84838281";          // 76

const GoldenRegistrar kGolden(
    {"Bsid", SRV6_DB_TABLE_BSID, kEntry, SRV6_DB_SetBsidFields, SRV6_DB_CreateBsid, kRecord,
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetBsidPriKey, kEntry, 0x0001000C, kPrimaryKey},
     {"PolicyInfo", SRV6_DB_SetBsidPolicyHashKey, kEntry, 0x0109000D, kPolicyKey},
     {"ListInfo", SRV6_DB_SetBsidListHashKey, kEntry, 0x0209000D, kListKey},
     {"Smooth", SRV6_DB_SetBsidSmoothHashKey, kSmoothKey, 0x0309000C, kSmoothIdLast}},
    ByVrf(SRV6_DB_CreateBsidIteratoryByVrf, SRV6_DB_GetNextBsidEntry, SRV6_DB_ReleaseBsidIterator,
          &E::bsidId, 0x0309000C, kSmoothIdLast));

using Bsid = LibraryTest;

// The policy info key is the policy's primary key and the list info key the SID stack's,
// byte for byte; only the key words differ.
TEST_F(Bsid, InfoKeysHoldTheReferencedPrimaryKeyBytes) {
  auto policy = Filled<Srv6DbPolicyEntry>(0x55);
  policy.vrId = 7, policy.vrfIndex = 0x00010002, policy.tunnelId = 0x21222324;
  policy.tunnelType = 5;
  auto stack = Filled<Srv6DbSidStackEntry>(0x55);
  stack.vrId = 7, stack.vrfIndex = 0x00010002, stack.listId = 0x41424344, stack.listType = 6;
  EXPECT_TRUE(SetsKey([&](uint32_t *w, void *k) { SRV6_DB_SetPolicyPriKey(&policy, w, k); },
                      0x0001000D, Hex(kPolicyKey)));
  EXPECT_TRUE(SetsKey([&](uint32_t *w, void *k) { SRV6_DB_SetSidStackPriKey(&stack, w, k); },
                      0x0001000D, Hex(kListKey)));
}

// Each read needs only its info fields; bsidId and the other info come back from the record.
// Info nobody has gives 1 and leaves the entry alone.
TEST_F(Bsid, InfoReadsOverwriteTheOtherIdentity) {
  ASSERT_EQ(SRV6_DB_CreateBsid(&kEntry), SRV6_DB_OK);
  const struct {
    const char *name;
    uint32_t (*read)(E *);
    uint32_t E::*id;
    uint8_t E::*type;
    uint32_t keyWord;
    const char *key;
  } cases[] = {
      {"policy info", SRV6_DB_ReadBsidByPolicyInfo, &E::tunnelId, &E::tunnelType, 0x0109000D,
       kPolicyKey},
      {"list info", SRV6_DB_ReadBsidByListInfo, &E::listId, &E::listType, 0x0209000D, kListKey},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    auto query = Filled<E>(0x77);
    query.vrId = kEntry.vrId, query.vrfIndex = kEntry.vrfIndex;
    query.*c.id = kEntry.*c.id, query.*c.type = kEntry.*c.type;
    ASSERT_EQ(c.read(&query), SRV6_DB_OK);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, c.keyWord, Hex(c.key)));
    EXPECT_EQ(RecordOf(SRV6_DB_SetBsidFields, query), Hex(kRecord));
    EXPECT_EQ(Bytes(query.spare, query.spare + 32), Bytes(32, 0x77));

    E missing = kEntry;
    missing.*c.type = 0;
    const E before = missing;
    EXPECT_EQ(c.read(&missing), SRV6_DB_ERR);
    EXPECT_EQ(BytesOf(missing), BytesOf(before));
  }
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
