// Flow group table: golden bytes.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

const Srv6DbFlowGrpEntry kEntry = [] {
  auto e = Filled<Srv6DbFlowGrpEntry>(0xCC);  // the alignment gap must not reach the record
  e.vrId = 0x01020304, e.vrfIndex = 0x05060708, e.grpId = 0x090A0B0C, e.grpType = 0x0D;
  e.byte1 = 0x0E, e.attr1 = 0x11121314;
  Assign(e.ipv6Addr1, {0x20212223, 0x24252627, 0x28292A2B, 0x2C2D2E2F});
  e.attr2 = 0x31323334, e.attr3 = 0x35363738, e.smoothId = 0x41424344;
  e.data1 = 0x5152535455565758, e.data2 = 0x6162636465666768;
  return e;
}();
constexpr char kPrimaryKey[] = "04030201 08070605 0c0b0a09 0d";

const GoldenRegistrar kGolden(
    {"FlowGrp", SRV6_DB_TABLE_FLOW_GRP, kEntry, SRV6_DB_SetFlowGrpFields, SRV6_DB_CreateFlowGrp,
     "04030201 08070605 0c0b0a09 0d0e0000 14131211 20212223 24252627 28292a2b"
     "2c2d2e2f 34333231 38373635 44434241 58575655 54535251 68676665 64636261",  // 32
     kPrimaryKey},
    {{"Primary", SRV6_DB_SetFlowGrpPriKey, kEntry, 0x0001000D, kPrimaryKey},
     {"Smooth", SRV6_DB_SetFlowGrpSmoothHashKey, kSmoothKey, 0x0109000C, kSmoothIdLast}},
    ByVrf(SRV6_DB_CreateFlowGrpIteratorByVrf, SRV6_DB_GetNextFlowGrpEntry,
          SRV6_DB_ReleaseFlowGrpIterator, &Srv6DbFlowGrpEntry::grpId, 0x0109000C, kSmoothIdLast));

}  // namespace
}  // namespace srv6db::test
