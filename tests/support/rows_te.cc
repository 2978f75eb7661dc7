// Rows of the TE tables. Each entry is Pattern(size, 0): byte i holds i % 255 + 1.
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

// clang-format off
const TableCaseRegistrar kFlowGrp({SRV6DB_TEST_TABLE(FlowGrp, SRV6_DB_TABLE_FLOW_GRP),
    SRV6DB_TEST_SMOOTH(FlowGrp), .entryUncarried = {{14, 2}}, .recordUnwritten = {{14, 2}},
    .primaryKeyFields = {{0, 13}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0000 11121314 18171615 1c1b1a19 201f1e1d"
                  "24232221 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"),
    .keys = {SRV6DB_TEST_PRIMARY(FlowGrp, 0x0001000D, "01020304 05060708 090a0b0c 0d"),
             SRV6DB_TEST_SMOOTH_KEY(FlowGrp, 0x0109000C, "01020304 05060708 2d2e2f30")},
    .extraOps = {SRV6DB_TEST_BY_VRF(FlowGrp, SRV6_DB_CreateFlowGrpIteratorByVrf)},
});

const TableCaseRegistrar kFlowGrpTnl({SRV6DB_TEST_TABLE(FlowGrpTnl, SRV6_DB_TABLE_FLOW_GRP_TNL),
    SRV6DB_TEST_SMOOTH(FlowGrpTnl), .entryUncarried = {{27, 1}, {108, 4}},
    .recordUnwritten = {{27, 1}}, .primaryKeyFields = {{0, 25}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 191a1b00 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 51525354 55565758 595a5b5c 5d5e5f60"
                  "61626364 65666768 696a6b6c"),
    .keys = {SRV6DB_TEST_PRIMARY(FlowGrpTnl, 0x00010019,
                 "01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 19"),
             SRV6DB_TEST_KEY_BY(FlowGrpTnl, "TnlType", Key1Key2HashKey,
                 0x0109000E, "01020304 05060708 1a1b 1d1e1f20"),
             SRV6DB_TEST_KEY_BY(FlowGrpTnl, "IidGroup", Key3HashKey,
                 0x02090009, "01020304 1a 21222324"),
             SRV6DB_TEST_KEY_BY(FlowGrpTnl, "Group", Key2HashKey,
                 0x0309000D, "01020304 05060708 1a 1d1e1f20"),
             SRV6DB_TEST_KEY_BY(FlowGrpTnl, "Combine", CombineHashKey,
                 0x04090014, "01020304 05060708 0d0e0f10 11121314 15161718"),
             SRV6DB_TEST_SMOOTH_KEY(FlowGrpTnl, 0x0509000C, "01020304 05060708 55565758")},
    .extraOps = {SRV6DB_TEST_BY_VRF(FlowGrpTnl, SRV6_DB_CreateFlowGrpTnlIteratorByVrf),
                 SRV6DB_TEST_WALK_BY(FlowGrpTnl, TnlTypeId, "TnlType"),
                 SRV6DB_TEST_WALK_BY(FlowGrpTnl, IidGroupId, "IidGroup"),
                 SRV6DB_TEST_WALK_BY(FlowGrpTnl, GrpId, "Group"),
                 SRV6DB_TEST_WALK_BY(FlowGrpTnl, CombineIndex, "Combine"),
                 SRV6DB_TEST_OP(FlowGrpTnl, "CountByIidGroupId", kCount, "IidGroup",
                   SRV6_DB_CountFlowGrpTnlByIidGroupId(e, CountSink()))},
});

const TableCaseRegistrar kFlowGrpMap({SRV6DB_TEST_TABLE(FlowGrpMap, SRV6_DB_TABLE_FLOW_GRP_MAP),
    SRV6DB_TEST_SMOOTH(FlowGrpMap), .entryUncarried = {{37, 3}}, .recordUnwritten = {{37, 3}},
    .primaryKeyFields = {{0, 20}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 191a1b1c 1d1e1f20"
                  "21222324 25000000 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"),
    .keys = {SRV6DB_TEST_PRIMARY(FlowGrpMap, 0x00010014,
                 "01020304 05060708 090a0b0c 0d0e0f10 11121314")},
});

// byte2 and byte3 widen to u32 words; the engine's next-hop group index reads attr1, and its
// walk and count take scalars.
const TableCaseRegistrar kSprTnl({SRV6DB_TEST_TABLE(SprTnl, SRV6_DB_TABLE_SPR_TNL),
    SRV6DB_TEST_SMOOTH(SprTnl), .entryUncarried = {{18, 2}, {98, 2}}, .recordUnwritten = {{18, 2}},
    .primaryKeyFields = {{0, 17}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11120000 15161718 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 51525354 55565758 595a5b5c 5d5e5f60"
                  "61000000 62000000 65666768 696a6b6c 6d6e6f70 71727374 75767778"),
    .keys = {SRV6DB_TEST_PRIMARY(SprTnl, 0x00010011, "01020304 05060708 090a0b0c 0d0e0f10 11"),
             SRV6DB_TEST_KEY_BY(SprTnl, "Policy", IdTypeKey,
                 0x0109000D, "01020304 05060708 0d0e0f10 11"),
             SRV6DB_TEST_KEY_OF(SprTnl, "NhpGrp", SRV6_DB_SetSprTnlGrpIdHashKey,
                 0x0209000C, "01020304 05060708 15161718", e->vrId, e->vrfIndex, e->attr1),
             SRV6DB_TEST_SMOOTH_KEY(SprTnl, 0x0309000C, "01020304 05060708 65666768")},
    .extraOps = {SRV6DB_TEST_BY_VRF(SprTnl, SRV6_DB_CreateSprTnlIteratorByVrf),
                 SRV6DB_TEST_WALK_BY(SprTnl, Policy, "Policy"),
                 SRV6DB_TEST_SCALAR(SprTnl, "ByGrpId", kWalk, "NhpGrp",
                     WalkToEnd(SRV6_DB_CreateSprTnlIteratorByGrpId(e->vrId, e->vrfIndex, e->attr1, 1),
                               &SRV6_DB_GetNextSprTnlEntry, &SRV6_DB_ReleaseSprTnlIterator)),
                 SRV6DB_TEST_SCALAR(SprTnl, "CountByNhpGrpId", kCount, "NhpGrp",
                     SRV6_DB_GetSprTnlCountByNhpGrpId(e->vrId, e->vrfIndex, e->attr1, CountSink()))},
});

// data1 right after smoothId; its key words make the SR tunnel table's next-hop group key too.
const TableCaseRegistrar kSprTnlGrp({SRV6DB_TEST_TABLE(SprTnlGrp, SRV6_DB_TABLE_SPR_TNL_GRP),
    SRV6DB_TEST_SMOOTH(SprTnlGrp), .entryUncarried = {{62, 2}, {68, 4}},
    .recordUnwritten = {{62, 2}}, .primaryKeyFields = {{0, 12}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e0000"
                  "41424344 494a4b4c 4d4e4f50 51525354 55565758"),
    .keys = {SRV6DB_TEST_PRIMARY(SprTnlGrp, 0x0001000C, "01020304 05060708 090a0b0c"),
             SRV6DB_TEST_SMOOTH_KEY(SprTnlGrp, 0x0109000C, "01020304 05060708 41424344"),
             SRV6DB_TEST_KEY_OF(SprTnlGrp, "SprTnlNhpGrp", SRV6_DB_SetSprTnlGrpIdHashKey,
                 0x0209000C, "01020304 05060708 090a0b0c", e->vrId, e->vrfIndex, e->nhpGrpId)},
    .extraOps = {SRV6DB_TEST_BY_VRF(SprTnlGrp, SRV6_DB_CreateSprTnlGrpIteratorByVrf)},
});
// clang-format on

}  // namespace
}  // namespace srv6db::test
