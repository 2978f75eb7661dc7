// SID function table: the moved 16-bit values and port group id, the unused record word, the
// keys, and both secondary indexes end to end.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_env.h"
#include "tests/tables/srv6_test_util.h"

namespace srv6db::test {
namespace {

Srv6DbSidFunctEntry Sample() {
  Srv6DbSidFunctEntry e;
  std::memset(&e, 0, sizeof(e));
  e.vrId = 0x11121314;
  e.vrfIndex = 0x21222324;
  e.functId = 0x31323334;
  e.attr1 = 0x41424344;
  e.attr2 = 0x51525354;
  e.portGroupId = 0x61626364;
  e.shortAttr1 = 0x7172;
  e.shortAttr2 = 0x7374;
  e.attr3 = 0x81828384;
  e.attr4 = 0x91929394;
  e.smoothId = 0xA1A2A3A4;
  e.attr5 = 0xB1B2B3B4;
  e.attr6 = 0xC1C2C3C4;
  e.data1 = 0xD1D2D3D4D5D6D7D8;
  e.data2 = 0xE1E2E3E4E5E6E7E8;
  return e;
}

ByteVec SampleRecord() {
  return Bytes(68)
      .U32(0, 0x11121314)
      .U32(4, 0x21222324)
      .U32(8, 0x31323334)
      .U32(12, 0x41424344)
      .U32(16, 0x51525354)
      .U16(20, 0x7374)  // shortAttr2 first
      .U16(22, 0x7172)
      .U32(24, 0x61626364)
      .U32(28, 0x81828384)
      .U32(32, 0x91929394)
      // 36..39 never written
      .U32(40, 0xA1A2A3A4)
      .U32(44, 0xB1B2B3B4)
      .U32(48, 0xC1C2C3C4)
      .U64(52, 0xD1D2D3D4D5D6D7D8)
      .U64(60, 0xE1E2E3E4E5E6E7E8);
}

const ByteVec kSamplePrimaryKey =
    Bytes(12).U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x31323334);

class SidFunct : public LibraryTest {};

TEST_F(SidFunct, RecordHoldsMovedFieldsAndLeavesWord36Zero) {
  const Srv6DbSidFunctEntry e = Sample();
  Srv6DbSidFunctRecord r;
  std::memset(&r, 0, sizeof(r));
  SRV6_DB_SetSidFunctFields(&e, &r);
  EXPECT_EQ(AsBytes(&r, sizeof(r)), SampleRecord());

  ASSERT_EQ(SRV6_DB_CreateSidFunct(&e), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(SRV6_DB_TABLE_SID_FUNCT, kSamplePrimaryKey, 68), SampleRecord());
}

TEST_F(SidFunct, StoredWord36NeverReachesTheCaller) {
  ByteVec stored = Bytes(SampleRecord()).Raw(36, {0xDE, 0xAD, 0xBE, 0xEF});
  ASSERT_EQ(srv6db_engine_put_record(SRV6_DB_TABLE_SID_FUNCT, stored.data(), 68), 0u);

  // The entry has no byte that is not carried: every one must come back as created.
  Srv6DbSidFunctEntry read;
  std::memset(&read, 0x5A, sizeof(read));
  read.vrId = 0x11121314;
  read.vrfIndex = 0x21222324;
  read.functId = 0x31323334;
  ASSERT_EQ(SRV6_DB_ReadSidFunct(&read), SRV6_DB_OK);
  const Srv6DbSidFunctEntry want = Sample();
  EXPECT_EQ(AsBytes(&read, sizeof(read)), AsBytes(&want, sizeof(want)));
}

TEST_F(SidFunct, KeySettersBuildDocumentedWordAndBytes) {
  const Srv6DbSidFunctEntry e = Sample();
  const Srv6DbSmoothKey s = {1, 2, 3};
  const KeySetterCase cases[] = {
      {"primary", [&](uint32_t *w, void *k) { SRV6_DB_SetSidFunctPriKey(&e, w, k); }, 0x0001000C,
       kSamplePrimaryKey},
      {"smooth", [&](uint32_t *w, void *k) { SRV6_DB_SetSidFunctSmoothHashKey(&s, w, k); },
       0x0109000C, Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2)},
      {"port group",
       [&](uint32_t *w, void *k) { SRV6_DB_SetSidFunctPortGroupHashKeyField(&e, w, k); },
       0x0209000C, Bytes(12).U32(0, 0x11121314).U32(4, 0x21222324).U32(8, 0x61626364)},
  };
  for (const KeySetterCase &c : cases) ExpectKeySetter(c);
}

TEST_F(SidFunct, SecondaryIndexesYieldTheirRecords) {
  // Functions 1 to 4 in VRF (1, 2) unless noted: port group 5 on 1, 2 and 4 (4 in VRF (1, 3));
  // smooth id 3 on 2 and 3.
  const struct {
    uint32_t functId, vrfIndex, portGroupId, smoothId;
  } rows[] = {{1, 2, 5, 9}, {2, 2, 5, 3}, {3, 2, 6, 3}, {4, 3, 5, 3}};
  for (const auto &row : rows) {
    Srv6DbSidFunctEntry e = Sample();
    e.vrId = 1;
    e.vrfIndex = row.vrfIndex;
    e.functId = row.functId;
    e.portGroupId = row.portGroupId;
    e.smoothId = row.smoothId;
    ASSERT_EQ(SRV6_DB_CreateSidFunct(&e), SRV6_DB_OK);
  }
  Srv6DbSidFunctEntry byGroup = Sample();  // functId and the rest play no part
  byGroup.vrId = 1;
  byGroup.vrfIndex = 2;
  byGroup.portGroupId = 5;
  const Srv6DbSmoothKey byVrf = {1, 2, 3};
  const IndexCase cases[] = {
      {"vrf",
       [&] { return SRV6_DB_CreateSidFunctIteratorByVrf(&byVrf, SRV6_DB_ITER_NO_COUNT); },
       0x0109000C,
       Bytes(12).U32(0, 3).U32(4, 1).U32(8, 2),
       {2, 3}},
      {"port group",
       [&] { return SRV6_DB_CreateSidFunctIteratorByPortGroup(&byGroup, SRV6_DB_ITER_NO_COUNT); },
       0x0209000C,
       Bytes(12).U32(0, 1).U32(4, 2).U32(8, 5),
       {1, 2}},
  };
  for (const IndexCase &c : cases) {
    ExpectIndexWalk<Srv6DbSidFunctEntry>(c, SRV6_DB_GetNextSidFunctEntry,
                                         SRV6_DB_ReleaseSidFunctIterator,
                                         [](const Srv6DbSidFunctEntry &e) { return e.functId; });
  }
  EXPECT_EQ(SRV6_DB_CreateSidFunctIteratorByVrf(nullptr, 1), nullptr);
  EXPECT_EQ(SRV6_DB_CreateSidFunctIteratorByPortGroup(nullptr, 1), nullptr);
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
