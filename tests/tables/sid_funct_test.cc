// SID function table: golden bytes, and the port group index end to end.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

using E = Srv6DbSidFunctEntry;

const E kEntry = [] {
  auto e = Filled<E>(0xEE);
  e.vrId = 0x11121314, e.vrfIndex = 0x21222324, e.functId = 0x31323334, e.attr1 = 0x41424344;
  e.attr2 = 0x51525354, e.portGroupId = 0x61626364, e.shortAttr1 = 0x7172, e.shortAttr2 = 0x7374;
  e.attr3 = 0x81828384, e.attr4 = 0x91929394, e.smoothId = 0xA1A2A3A4, e.attr5 = 0xB1B2B3B4;
  e.attr6 = 0xC1C2C3C4, e.data1 = 0xD1D2D3D4D5D6D7D8, e.data2 = 0xE1E2E3E4E5E6E7E8;
  return e;
}();
constexpr char kPrimaryKey[] = "14131211 24232221 34333231";

// shortAttr2, shortAttr1 and portGroupId stand at 20, 22 and 24; offset 36 is never written.
const GoldenRegistrar kGolden(
    {"SidFunct", SRV6_DB_TABLE_SID_FUNCT, kEntry, SRV6_DB_SetSidFunctFields, SRV6_DB_CreateSidFunct,
     "14131211 24232221 34333231 44434241 54535251 74737271 64636261 84838281"
     "94939291 00000000 a4a3a2a1 b4b3b2b1 c4c3c2c1"  // 32
     "d8d7d6d5 d4d3d2d1 e8e7e6e5 e4e3e2e1",          // 52
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetSidFunctPriKey, kEntry, 0x0001000C, kPrimaryKey},
     {"Smooth", SRV6_DB_SetSidFunctSmoothHashKey, kSmoothKey, 0x0109000C, kSmoothIdFirst},
     {"PortGroup", SRV6_DB_SetSidFunctPortGroupHashKeyField, kEntry, 0x0209000C,
      "14131211 24232221 64636261"}},
    ByVrf(SRV6_DB_CreateSidFunctIteratorByVrf, SRV6_DB_GetNextSidFunctEntry,
          SRV6_DB_ReleaseSidFunctIterator, &E::functId, 0x0109000C, kSmoothIdFirst));

using SidFunct = LibraryTest;

TEST_F(SidFunct, PortGroupIndexYieldsTheRecordsOfOneVrfAndGroup) {
  const uint32_t rows[][3] = {
      {1, 2, 5}, {2, 2, 5}, {3, 2, 6}, {4, 3, 5}};  // functId, vrfIndex, group
  for (const auto &[functId, vrfIndex, group] : rows) {
    E e = kEntry;
    e.vrId = 1, e.vrfIndex = vrfIndex, e.functId = functId, e.portGroupId = group;
    ASSERT_EQ(SRV6_DB_CreateSidFunct(&e), SRV6_DB_OK);
  }
  E key = Filled<E>(0x77);  // functId and the rest play no part
  key.vrId = 1, key.vrfIndex = 2, key.portGroupId = 5;
  const auto walk =
      Walker(SRV6_DB_GetNextSidFunctEntry, SRV6_DB_ReleaseSidFunctIterator, &E::functId);
  EXPECT_TRUE(walk(SRV6_DB_CreateSidFunctIteratorByPortGroup(&key, SRV6_DB_ITER_NO_COUNT),
                   0x0209000C, "01000000 02000000 05000000", {1, 2}));
  EXPECT_TRUE(NoStatChanged());
}

}  // namespace
}  // namespace srv6db::test
