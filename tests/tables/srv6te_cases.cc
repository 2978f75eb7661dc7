// Table descriptions of the SRv6-TE family for the table-driven tests.
#include <cstdint>

#include "tests/tables/table_case.h"

namespace srv6db::test {
namespace {

// The group key input of a stored candidate path; null for a null entry.
const Srv6DbCandiPathGroupInfo *GroupInfoOf(const Srv6DbCandiPathEntry *e) {
  thread_local Srv6DbCandiPathGroupInfo info;
  if (e == nullptr) return nullptr;
  info = {e->vrId, e->vrfIndex, e->tunnelId, e->groupId};
  return &info;
}

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
    .extraOps =
        {
            SRV6DB_TEST_OP(Policy, "ReadByPriGroup", kUnique, SRV6_DB_ReadPolicyByPriGroup(e)),
            SRV6DB_TEST_OP(Policy, "ReadByBackupGroup", kUnique,
                           SRV6_DB_ReadPolicyByBackupGroup(e)),
            SRV6DB_TEST_OP(Policy, "ReadByTunnelId", kUnique, SRV6_DB_ReadPolicyByTunnelId(e)),
            SRV6DB_TEST_WALK(Policy, "ByVrf", SRV6_DB_CreatePolicyIteratorByVrf(SmoothKeyOf(e), 1)),
        },
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
    .extraOps =
        {
            SRV6DB_TEST_OP(CandiPath, "ReadByXcinfo", kUnique, SRV6_DB_ReadCandiPathByXcinfo(e)),
            SRV6DB_TEST_WALK(CandiPath, "ByVrf",
                             SRV6_DB_CreateCandiPathIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_WALK(CandiPath, "ByGroupInfo",
                             SRV6_DB_CreateCandiPathIteratorByGroupInfo(GroupInfoOf(e), 1)),
        },
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
    .extraOps =
        {
            SRV6DB_TEST_WALK(SidStack, "ByVrf",
                             SRV6_DB_CreateSidStackIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_WALK(SidStack, "ByIid", SRV6_DB_CreateSidStackIteratorByIid(e, 1)),
            SRV6DB_TEST_WALK(SidStack, "ByLocalSid",
                             SRV6_DB_CreateSidStackIteratorByLocalSid(e, 1)),
            SRV6DB_TEST_WALK(SidStack, "ByVrid",
                             SRV6_DB_CreateSidStackIteratorByVrid(e == nullptr ? nullptr : &e->vrId,
                                                                  1)),
        },
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
    .extraOps =
        {
            SRV6DB_TEST_OP(Iid, "CountByIidg", kCount,
                           SRV6_DB_CountIidByIidgIndexHashKey(e, CountSink())),
            SRV6DB_TEST_WALK(Iid, "ByVrf", SRV6_DB_CreateIidIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_WALK(Iid, "ByIidg", SRV6_DB_CreateIidIteratorByIidg(e, 1)),
        },
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
    .extraOps =
        {
            SRV6DB_TEST_OP(Bsid, "ReadByPolicyInfo", kUnique, SRV6_DB_ReadBsidByPolicyInfo(e)),
            SRV6DB_TEST_OP(Bsid, "ReadByListInfo", kUnique, SRV6_DB_ReadBsidByListInfo(e)),
            SRV6DB_TEST_WALK(Bsid, "ByVrf", SRV6_DB_CreateBsidIteratoryByVrf(SmoothKeyOf(e), 1)),
        },
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
    .extraOps =
        {
            SRV6DB_TEST_OP(TraStat, "ReadByXcInfo", kUnique, SRV6_DB_ReadTraStatByXcInfo(e)),
            // the engine's tunnel id index reads attr1
            SRV6DB_TEST_WALK(
                TraStat, "ByTnlId",
                SRV6_DB_CreateTraStatIteratorByTnlId(e == nullptr ? nullptr : &e->attr1, 1)),
        },
});

}  // namespace
}  // namespace srv6db::test
