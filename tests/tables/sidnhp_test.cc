// SID next-hop table: golden bytes (the 64-bit values close up the entry's alignment gap).
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

const Srv6DbSidNhpEntry kEntry = [] {
  auto e = Filled<Srv6DbSidNhpEntry>(0xEE);
  e.vrId = 0x11121314, e.vrfIndex = 0x21222324, e.nhpId = 0x31323334, e.attr1 = 0x41424344;
  e.attr2 = 0x51525354, e.shortAttr1 = 0x7172, e.smoothId = 0xA1A2A3A4, e.attr3 = 0xB1B2B3B4;
  Ramp(e.reserved1, 0x60);
  Ramp(e.reserved2, 0x80);
  e.data1 = 0xC1C2C3C4C5C6C7C8, e.data2 = 0xD1D2D3D4D5D6D7D8;
  return e;
}();
constexpr char kPrimaryKey[] = "14131211 24232221 34333231";

const GoldenRegistrar kGolden(
    {"SidNhp", SRV6_DB_TABLE_SIDNHP, kEntry, SRV6_DB_SetSidNhpFields, SRV6_DB_CreateSidNhp,
     "14131211 24232221 34333231 44434241 54535251 60616263 64657271"
     "80818283 84858687 88898a8b 8c8d8e8f 90919293 94959697 98999a9b 9c9d9e9f"  // 28
     "a4a3a2a1 b4b3b2b1 c8c7c6c5 c4c3c2c1 d8d7d6d5 d4d3d2d1",                   // 60
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetSidNhpPriKey, kEntry, 0x0001000C, kPrimaryKey},
     {"Smooth", SRV6_DB_SetSidNhpSmoothHashKey, kSmoothKey, 0x0109000C, kSmoothIdFirst}},
    ByVrf(SRV6_DB_CreateSidNhpIteratorByVrf, SRV6_DB_GetNextSidNhpEntry,
          SRV6_DB_ReleaseSidNhpIterator, &Srv6DbSidNhpEntry::nhpId, 0x0109000C, kSmoothIdFirst));

}  // namespace
}  // namespace srv6db::test
