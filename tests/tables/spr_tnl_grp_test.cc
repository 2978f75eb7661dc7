// SR tunnel group table: golden bytes with the packed 64-bit tail, and keys that differ only in
// their key word.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

const Srv6DbSprTnlGrpEntry kEntry = [] {
  auto e = Filled<Srv6DbSprTnlGrpEntry>(0xCC);  // alignment gaps must not reach the record
  e.vrId = 0x01020304, e.vrfIndex = 0x05060708, e.nhpGrpId = 0x090A0B0C;
  e.attr1 = 0x11121314, e.attr2 = 0x15161718, e.attr3 = 0x191A1B1C;
  Ramp(e.reserved1, 0x21);
  Ramp(e.block1, 0x30);
  Ramp(e.block2, 0x40);
  e.byte1 = 0x51, e.byte2 = 0x52, e.smoothId = 0x61626364;
  e.data1 = 0x7172737475767778, e.data2 = 0x8182838485868788;
  return e;
}();
// The same three words make the primary key, the smooth key and the SR tunnel table's
// next-hop group key: only the key word tells them apart.
const Srv6DbSmoothKey kThreeWordKey = {0x01020304, 0x05060708, 0x090A0B0C};
constexpr char kThreeWords[] = "04030201 08070605 0c0b0a09";

// data1 right after smoothId; the entry has it at 72.
const GoldenRegistrar kGolden(
    {"SprTnlGrp", SRV6_DB_TABLE_SPR_TNL_GRP, kEntry, SRV6_DB_SetSprTnlGrpFields,
     SRV6_DB_CreateSprTnlGrp,
     "04030201 08070605 0c0b0a09 14131211 18171615 1c1b1a19 21222324"
     "30313233 34353637 38393a3b 3c3d3e3f 40414243 44454647 48494a4b 4c4d4e4f"  // 28
     "51520000 64636261 78777675 74737271 88878685 84838281",                   // 60
     kThreeWords},
    {{"Primary", SRV6_DB_SetSprTnlGrpPriKey, kEntry, 0x0001000C, kThreeWords},
     {"Smooth", SRV6_DB_SetSprTnlGrpSmoothHashKey, kThreeWordKey, 0x0109000C, kThreeWords},
     {"SprTnlNhpGrp",
      [](uint32_t *w, void *k) {
        SRV6_DB_SetSprTnlGrpIdHashKey(0x01020304, 0x05060708, 0x090A0B0C, w, k);
      },
      0x0209000C, kThreeWords}},
    ByVrf(SRV6_DB_CreateSprTnlGrpIteratorByVrf, SRV6_DB_GetNextSprTnlGrpEntry,
          SRV6_DB_ReleaseSprTnlGrpIterator, &Srv6DbSprTnlGrpEntry::nhpGrpId, 0x0109000C,
          kSmoothIdLast));

}  // namespace
}  // namespace srv6db::test
