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
});

}  // namespace
}  // namespace srv6db::test
