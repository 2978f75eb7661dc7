// Table descriptions of the SRv6 family for the table-driven tests.
#include "tests/tables/table_case.h"

namespace srv6db::test {
namespace {

const TableCaseRegistrar kCommon({
    .name = "Common",
    .tableId = SRV6_DB_TABLE_COMMON,
    .entrySize = 112,
    .recordSize = 112,
    .entryUncarried = {{50, 2}, {92, 4}},
    .recordUnwritten = {{50, 2}, {88, 4}},
    .primaryKeyFields = {{0, 4}},
    .smoothIdOffset = 88,
    .primaryKeyWord = 0x00010004,
    SRV6DB_TEST_TABLE_FUNCS(Common),
    SRV6DB_TEST_TABLE_SMOOTH(Common),
    SRV6DB_TEST_TABLE_REST(Common),
});

}  // namespace
}  // namespace srv6db::test
