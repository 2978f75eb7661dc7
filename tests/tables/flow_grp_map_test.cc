// Flow group map table: golden bytes of its byte-wise primary key and record.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

const Srv6DbFlowGrpMapEntry kEntry = [] {
  auto e = Filled<Srv6DbFlowGrpMapEntry>(0xCC);  // the alignment gap must not reach the record
  e.vrId = 0x01020304, e.vrfIndex = 0x05060708;
  Ramp(e.mapKeyBytes, 0x09);
  e.mapKeyId1 = 0x11121314, e.mapKeyId2 = 0x15161718;
  e.attr1 = 0x21222324, e.attr2 = 0x25262728, e.attr3 = 0x292A2B2C, e.attr4 = 0x2D2E2F30;
  e.byte1 = 0x31, e.attr5 = 0x41424344, e.smoothId = 0x51525354;
  e.data1 = 0x6162636465666768, e.data2 = 0x7172737475767778;
  return e;
}();
constexpr char kPrimaryKey[] = "04030201 08070605 090a0b0c 14131211 18171615";

const GoldenRegistrar kGolden(
    {"FlowGrpMap", SRV6_DB_TABLE_FLOW_GRP_MAP, kEntry, SRV6_DB_SetFlowGrpMapFields,
     SRV6_DB_CreateFlowGrpMap,
     "04030201 08070605 090a0b0c 14131211 18171615 24232221 28272625 2c2b2a29"
     "302f2e2d 31000000 44434241 54535251 68676665 64636261 78777675 74737271",  // 32
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetFlowGrpMapPriKey, kEntry, 0x00010014, kPrimaryKey}});

}  // namespace
}  // namespace srv6db::test
