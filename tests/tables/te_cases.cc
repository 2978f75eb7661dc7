// Table descriptions of the TE flow group and SR tunnel family for the table-driven tests.
#include "tests/tables/table_case.h"

namespace srv6db::test {
namespace {

const TableCaseRegistrar kFlowGrp({
    .name = "FlowGrp",
    .tableId = SRV6_DB_TABLE_FLOW_GRP,
    .entrySize = 64,
    .recordSize = 64,
    .entryUncarried = {{14, 2}},
    .recordUnwritten = {{14, 2}},
    .primaryKeyFields = {{0, 13}},
    .smoothIdOffset = 44,
    .primaryKeyWord = 0x0001000D,
    SRV6DB_TEST_TABLE_FUNCS(FlowGrp),
    SRV6DB_TEST_TABLE_SMOOTH(FlowGrp),
    SRV6DB_TEST_TABLE_REST(FlowGrp),
    .extraOps =
        {
            SRV6DB_TEST_WALK(FlowGrp, "ByVrf",
                             SRV6_DB_CreateFlowGrpIteratorByVrf(SmoothKeyOf(e), 1)),
        },
});

const TableCaseRegistrar kFlowGrpTnl({
    .name = "FlowGrpTnl",
    .tableId = SRV6_DB_TABLE_FLOW_GRP_TNL,
    .entrySize = 112,
    .recordSize = 108,
    .entryUncarried = {{27, 1}, {108, 4}},
    .recordUnwritten = {{27, 1}},
    .primaryKeyFields = {{0, 25}},
    .smoothIdOffset = 84,
    .primaryKeyWord = 0x00010019,
    SRV6DB_TEST_TABLE_FUNCS(FlowGrpTnl),
    SRV6DB_TEST_TABLE_SMOOTH(FlowGrpTnl),
    SRV6DB_TEST_TABLE_REST(FlowGrpTnl),
    .extraOps =
        {
            SRV6DB_TEST_WALK(FlowGrpTnl, "ByVrf",
                             SRV6_DB_CreateFlowGrpTnlIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_WALK(FlowGrpTnl, "ByTnlTypeId",
                             SRV6_DB_CreateFlowGrpTnlIteratorByTnlTypeId(e, 1)),
            SRV6DB_TEST_WALK(FlowGrpTnl, "ByIidGroupId",
                             SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(e, 1)),
            SRV6DB_TEST_WALK(FlowGrpTnl, "ByGrpId", SRV6_DB_CreateFlowGrpTnlIteratorByGrpId(e, 1)),
            SRV6DB_TEST_WALK(FlowGrpTnl, "ByCombineIndex",
                             SRV6_DB_CreateFlowGrpTnlIteratorByCombineIndex(e, 1)),
            SRV6DB_TEST_OP(FlowGrpTnl, "CountByIidGroupId", kCount,
                           SRV6_DB_CountFlowGrpTnlByIidGroupId(e, CountSink())),
        },
});

const TableCaseRegistrar kFlowGrpMap({
    .name = "FlowGrpMap",
    .tableId = SRV6_DB_TABLE_FLOW_GRP_MAP,
    .entrySize = 64,
    .recordSize = 64,
    .entryUncarried = {{37, 3}},
    .recordUnwritten = {{37, 3}},
    .primaryKeyFields = {{0, 20}},
    .smoothIdOffset = 44,
    .primaryKeyWord = 0x00010014,
    SRV6DB_TEST_TABLE_FUNCS(FlowGrpMap),
    SRV6DB_TEST_TABLE_SMOOTH(FlowGrpMap),
    SRV6DB_TEST_TABLE_REST(FlowGrpMap),
});

// byte2 and byte3 are u32 words in the record: their upper bytes are written, always zero.
const TableCaseRegistrar kSprTnl({
    .name = "SprTnl",
    .tableId = SRV6_DB_TABLE_SPR_TNL,
    .entrySize = 120,
    .recordSize = 124,
    .entryUncarried = {{18, 2}, {98, 2}},
    .recordUnwritten = {{18, 2}},
    .primaryKeyFields = {{0, 17}},
    .smoothIdOffset = 100,
    .primaryKeyWord = 0x00010011,
    SRV6DB_TEST_TABLE_FUNCS(SprTnl),
    SRV6DB_TEST_TABLE_SMOOTH(SprTnl),
    SRV6DB_TEST_TABLE_REST(SprTnl),
    .extraOps =
        {
            SRV6DB_TEST_WALK(SprTnl, "ByVrf", SRV6_DB_CreateSprTnlIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_WALK(SprTnl, "ByPolicy", SRV6_DB_CreateSprTnlIteratorByPolicy(e, 1)),
            // the engine's next-hop group index reads attr1; both take scalars, not the entry
            ExtraOp{.name = "ByGrpId",
                    .kind = OpKind::kWalk,
                    .run =
                        [](void *p) {
                          const auto *e = static_cast<Srv6DbSprTnlEntry *>(p);
                          return WalkToEnd(SRV6_DB_CreateSprTnlIteratorByGrpId(e->vrId, e->vrfIndex,
                                                                               e->attr1, 1),
                                           &SRV6_DB_GetNextSprTnlEntry,
                                           &SRV6_DB_ReleaseSprTnlIterator);
                        },
                    .takesEntry = false},
            ExtraOp{.name = "CountByNhpGrpId",
                    .kind = OpKind::kCount,
                    .run =
                        [](void *p) {
                          const auto *e = static_cast<Srv6DbSprTnlEntry *>(p);
                          return SRV6_DB_GetSprTnlCountByNhpGrpId(e->vrId, e->vrfIndex, e->attr1,
                                                                  CountSink());
                        },
                    .takesEntry = false},
        },
});

const TableCaseRegistrar kSprTnlGrp({
    .name = "SprTnlGrp",
    .tableId = SRV6_DB_TABLE_SPR_TNL_GRP,
    .entrySize = 88,
    .recordSize = 84,
    .entryUncarried = {{62, 2}, {68, 4}},
    .recordUnwritten = {{62, 2}},
    .primaryKeyFields = {{0, 12}},
    .smoothIdOffset = 64,
    .primaryKeyWord = 0x0001000C,
    SRV6DB_TEST_TABLE_FUNCS(SprTnlGrp),
    SRV6DB_TEST_TABLE_SMOOTH(SprTnlGrp),
    SRV6DB_TEST_TABLE_REST(SprTnlGrp),
    .extraOps =
        {
            SRV6DB_TEST_WALK(SprTnlGrp, "ByVrf",
                             SRV6_DB_CreateSprTnlGrpIteratorByVrf(SmoothKeyOf(e), 1)),
        },
});

}  // namespace
}  // namespace srv6db::test
