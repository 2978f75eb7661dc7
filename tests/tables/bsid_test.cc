// Binding SID table: record and key bytes, the policy and list info reads and their keys.
#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6te_test_util.h"

namespace srv6db::test {
namespace {

class Bsid : public LibraryTest {};

Srv6DbBsidEntry Sample() {
  Srv6DbBsidEntry e;
  std::memset(&e, 0xEE, sizeof(e));  // gaps and the 32 spare bytes hold junk
  e.vrId = 7;
  e.vrfIndex = 0x00010002;
  e.bsidId = 0x11223344;
  e.tunnelId = 0x21222324;
  e.attr1 = 0x31323334;
  e.listId = 0x41424344;
  e.attr2 = 0x51525354;
  e.tunnelType = 5;
  e.listType = 6;
  Pattern(e.reserved1, 0xA1);
  e.attr3 = 0x61626364;
  e.attr4 = 0x71727374;
  Pattern(e.octets, 0xC0);
  e.smoothId = 0x5A5A0001;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  e.attr5 = 0x81828384;
  return e;
}

const Bytes kRecord = Golden(104)
                          .U32(0, 7)
                          .U32(4, 0x00010002)
                          .U32(8, 0x11223344)
                          .U32(12, 0x21222324)
                          .U32(16, 0x31323334)
                          .U32(20, 0x41424344)
                          .U32(24, 0x51525354)
                          .U8(28, 5)
                          .U8(29, 6)
                          .Run(30, 3, 0xA1)  // bytes 33 to 35 stay 0
                          .U32(36, 0x61626364)
                          .U32(40, 0x71727374)
                          .Run(44, 36, 0xC0)
                          .U32(80, 0x5A5A0001)  // directly behind octets
                          .U64(84, 0x0102030405060708)
                          .U64(92, 0x1112131415161718)
                          .U32(100, 0x81828384);
const Bytes kPriKey = Golden(12).U32(0, 7).U32(4, 0x00010002).U32(8, 0x11223344);
const Bytes kPolicyKey = Golden(13).U32(0, 7).U32(4, 0x00010002).U32(8, 0x21222324).U8(12, 5);
const Bytes kListKey = Golden(13).U32(0, 7).U32(4, 0x00010002).U32(8, 0x41424344).U8(12, 6);

Bytes RecordOf(const Srv6DbBsidEntry &e) {
  Srv6DbBsidRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetBsidFields(&e, &r);
  return BytesOf(r);
}

TEST_F(Bsid, RecordHoldsEachFieldAtItsOffset) {
  const Srv6DbBsidEntry e = Sample();
  EXPECT_EQ(RecordOf(e), kRecord);
  ASSERT_EQ(SRV6_DB_CreateBsid(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_BSID, kPriKey, 104), kRecord);
}

TEST_F(Bsid, KeySettersWriteDocumentedBytes) {
  const Srv6DbBsidEntry e = Sample();
  const Srv6DbSmoothKey smooth = {1, 2, 3};
  ExpectKeys({
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetBsidPriKey(&e, w, k); }, 0x0001000C,
       kPriKey},
      {"policy info", [&](uint32_t *w, void *k) { SRV6_DB_SetBsidPolicyHashKey(&e, w, k); },
       0x0109000D, kPolicyKey},
      {"list info", [&](uint32_t *w, void *k) { SRV6_DB_SetBsidListHashKey(&e, w, k); }, 0x0209000D,
       kListKey},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetBsidSmoothHashKey(&smooth, w, k); },
       0x0309000C, Golden(12).U32(0, 1).U32(4, 2).U32(8, 3)},
  });
}

// The policy info key is the policy's primary key and the list info key the SID stack's,
// byte for byte; only the key words differ.
TEST_F(Bsid, InfoKeysHoldTheReferencedPrimaryKeyBytes) {
  const Srv6DbBsidEntry bsid = Sample();
  Srv6DbPolicyEntry policy;
  std::memset(&policy, 0x55, sizeof(policy));
  policy.vrId = bsid.vrId;
  policy.vrfIndex = bsid.vrfIndex;
  policy.tunnelId = bsid.tunnelId;
  policy.tunnelType = bsid.tunnelType;
  Srv6DbSidStackEntry stack;
  std::memset(&stack, 0x55, sizeof(stack));
  stack.vrId = bsid.vrId;
  stack.vrfIndex = bsid.vrfIndex;
  stack.listId = bsid.listId;
  stack.listType = bsid.listType;

  uint32_t words[4] = {};
  Bytes keys[4] = {Bytes(13), Bytes(13), Bytes(13), Bytes(13)};
  SRV6_DB_SetBsidPolicyHashKey(&bsid, &words[0], keys[0].data());
  SRV6_DB_SetPolicyPriKey(&policy, &words[1], keys[1].data());
  SRV6_DB_SetBsidListHashKey(&bsid, &words[2], keys[2].data());
  SRV6_DB_SetSidStackPriKey(&stack, &words[3], keys[3].data());
  EXPECT_EQ(keys[0], keys[1]);
  EXPECT_EQ(keys[2], keys[3]);
  EXPECT_EQ(words[0] & 0xFFFF, words[1] & 0xFFFF);
  EXPECT_NE(words[0], words[1]);
  EXPECT_NE(words[2], words[3]);
}

// Each read needs only its info fields; bsidId and the other info come back from the record.
TEST_F(Bsid, InfoReadsOverwriteTheOtherIdentity) {
  const Srv6DbBsidEntry stored = Sample();
  ASSERT_EQ(SRV6_DB_CreateBsid(&stored), SRV6_DB_OK);
  struct Case {
    const char *name;
    uint32_t (*read)(Srv6DbBsidEntry *);
    bool byPolicy;
    uint32_t keyWord;
    const Bytes &key;
  };
  for (const Case &c :
       {Case{"policy info", SRV6_DB_ReadBsidByPolicyInfo, true, 0x0109000D, kPolicyKey},
        Case{"list info", SRV6_DB_ReadBsidByListInfo, false, 0x0209000D, kListKey}}) {
    SCOPED_TRACE(c.name);
    Srv6DbBsidEntry query;
    std::memset(&query, 0x77, sizeof(query));
    query.vrId = stored.vrId;
    query.vrfIndex = stored.vrfIndex;
    if (c.byPolicy) {
      query.tunnelId = stored.tunnelId;
      query.tunnelType = stored.tunnelType;
    } else {
      query.listId = stored.listId;
      query.listType = stored.listType;
    }
    ASSERT_EQ(c.read(&query), SRV6_DB_OK);
    EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, c.keyWord, c.key));
    EXPECT_EQ(RecordOf(query), kRecord);
    EXPECT_EQ(Bytes(query.spare, query.spare + 32), Bytes(32, 0x77));

    Srv6DbBsidEntry missing = stored;
    (c.byPolicy ? missing.tunnelType : missing.listType) = 0;
    const Srv6DbBsidEntry before = missing;
    EXPECT_EQ(c.read(&missing), SRV6_DB_ERR);
    EXPECT_EQ(BytesOf(missing), BytesOf(before));
  }
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Bsid, BsidIdSeparatesRecordsAndVrfWalkFindsOne) {
  Srv6DbBsidEntry a = Sample();
  Srv6DbBsidEntry b = Sample();
  b.bsidId = 2;
  ASSERT_EQ(SRV6_DB_CreateBsid(&a), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_CreateBsid(&b), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(SRV6_DB_TABLE_BSID), 2u);
  b.smoothId = 3;
  ASSERT_EQ(SRV6_DB_UpdateBsidSmoothId(&b), SRV6_DB_OK);
  const Srv6DbSmoothKey key = {b.vrId, b.vrfIndex, 3};
  const auto found = Drain(SRV6_DB_CreateBsidIteratoryByVrf(&key, SRV6_DB_ITER_NO_COUNT),
                           SRV6_DB_GetNextBsidEntry, SRV6_DB_ReleaseBsidIterator);
  EXPECT_TRUE(EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 0x0309000C,
                           Golden(12).U32(0, 7).U32(4, 0x00010002).U32(8, 3)));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].bsidId, 2u);
}

}  // namespace
}  // namespace srv6db::test
