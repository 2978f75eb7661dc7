// Table descriptions of the SRv6-TE family for the table-driven tests.
#include <cstdint>

#include "tests/tables/table_case.h"

namespace srv6db::test {
namespace {

const TableCaseRegistrar kPolicy({
    .name = "Policy",
    .tableId = SRV6_DB_TABLE_POLICY,
    .entrySize = 144,
    .recordSize = 136,
    .entryUncarried = {{60, 1}, {116, 4}, {140, 4}},
    .recordUnwritten = {{60, 1}},
    .primaryKeyFields = {{0, 13}},
    .smoothIdOffset = 112,
    .primaryKeyWord = 0x0001000D,
    SRV6DB_TEST_TABLE_FUNCS(Policy),
    SRV6DB_TEST_TABLE_SMOOTH(Policy),
    SRV6DB_TEST_TABLE_REST(Policy),
});

const TableCaseRegistrar kCandiPath({
    .name = "CandiPath",
    .tableId = SRV6_DB_TABLE_CANDIPATH,
    .entrySize = 96,
    .recordSize = 92,
    .entryUncarried = {{22, 2}, {76, 4}},
    .recordUnwritten = {{22, 2}},
    .primaryKeyFields = {{0, 21}},
    .smoothIdOffset = 72,
    .primaryKeyWord = 0x00010015,
    SRV6DB_TEST_TABLE_FUNCS(CandiPath),
    SRV6DB_TEST_TABLE_SMOOTH(CandiPath),
    SRV6DB_TEST_TABLE_REST(CandiPath),
});

const TableCaseRegistrar kSidStack({
    .name = "SidStack",
    .tableId = SRV6_DB_TABLE_SIDSTACK,
    .entrySize = 312,
    .recordSize = 308,
    .entryUncarried = {{14, 2}, {197, 1}, {292, 4}},
    .recordUnwritten = {{14, 2}, {197, 1}},
    .primaryKeyFields = {{0, 13}},
    .smoothIdOffset = 288,
    .primaryKeyWord = 0x0001000D,
    SRV6DB_TEST_TABLE_FUNCS(SidStack),
    SRV6DB_TEST_TABLE_SMOOTH(SidStack),
    SRV6DB_TEST_TABLE_REST(SidStack),
});

// The last 16 bytes of each 32-byte block are not carried.
const TableCaseRegistrar kIid({
    .name = "Iid",
    .tableId = SRV6_DB_TABLE_IID,
    .entrySize = 176,
    .recordSize = 140,
    .entryUncarried = {{50, 2}, {100, 16}, {132, 16}, {172, 4}},
    .recordUnwritten = {{82, 2}},
    .primaryKeyFields = {{0, 25}},
    .smoothIdOffset = 148,
    .primaryKeyWord = 0x00010019,
    SRV6DB_TEST_TABLE_FUNCS(Iid),
    SRV6DB_TEST_TABLE_SMOOTH(Iid),
    SRV6DB_TEST_TABLE_REST(Iid),
});

const TableCaseRegistrar kBsid({
    .name = "Bsid",
    .tableId = SRV6_DB_TABLE_BSID,
    .entrySize = 144,
    .recordSize = 104,
    .entryUncarried = {{33, 3}, {80, 32}, {116, 4}, {140, 4}},
    .recordUnwritten = {{33, 3}},
    .primaryKeyFields = {{0, 12}},
    .smoothIdOffset = 112,
    .primaryKeyWord = 0x0001000C,
    SRV6DB_TEST_TABLE_FUNCS(Bsid),
    SRV6DB_TEST_TABLE_SMOOTH(Bsid),
    SRV6DB_TEST_TABLE_REST(Bsid),
});

const TableCaseRegistrar kTraStat({
    .name = "TraStat",
    .tableId = SRV6_DB_TABLE_TRASTAT,
    .entrySize = 136,
    .recordSize = 136,
    .entryUncarried = {{17, 3}},
    .recordUnwritten = {{17, 3}},
    .primaryKeyFields = {{0, 17}},
    .smoothIdOffset = SIZE_MAX,
    .primaryKeyWord = 0x00010011,
    SRV6DB_TEST_TABLE_FUNCS(TraStat),
    .updateSmoothId = nullptr,
    SRV6DB_TEST_TABLE_REST(TraStat),
});

}  // namespace
}  // namespace srv6db::test
