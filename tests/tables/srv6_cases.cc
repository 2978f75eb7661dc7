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

const TableCaseRegistrar kXsid({
    .name = "Xsid",
    .tableId = SRV6_DB_TABLE_XSID_PREFIX,
    .entrySize = 184,
    .recordSize = 180,
    .entryUncarried = {{164, 4}},
    .recordUnwritten = {},
    .primaryKeyFields = {{0, 58}},
    .smoothIdOffset = 160,
    .primaryKeyWord = 0x0001003A,
    SRV6DB_TEST_TABLE_FUNCS(Xsid),
    SRV6DB_TEST_TABLE_SMOOTH(Xsid),
    SRV6DB_TEST_TABLE_REST(Xsid),
    .extraOps =
        {
            SRV6DB_TEST_OP(Xsid, "UpdateDiscriminator", kUpdate,
                           SRV6_DB_UpdateXsidDiscriminator(e)),
            SRV6DB_TEST_WALK(Xsid, "ByLocalHash", SRV6_DB_CreateXsidIteratorByLocalHash(e, 1)),
            SRV6DB_TEST_WALK(Xsid, "ByIidg", SRV6_DB_CreateXsidIteratorByIidg(e, 1)),
            SRV6DB_TEST_WALK(Xsid, "ByVrf", SRV6_DB_CreateXsidIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_OP(Xsid, "ReadByLocalHash", kBoundedRead,
                           SRV6_DB_ReadXsidByLocalHash(e, sizeof(Srv6DbXsidEntry),
                                                       OneEntry<Srv6DbXsidEntry>())),
            SRV6DB_TEST_OP(Xsid, "CountByLocalHash", kCount,
                           SRV6_DB_GetXsidCountByLocalhash(e, CountSink())),
            SRV6DB_TEST_OP(Xsid, "CountByIidg", kCount,
                           SRV6_DB_CountXsidByIidgIndexHashKey(e, CountSink())),
            SRV6DB_TEST_OP(Xsid, "ReadBySvcCtx", kUnique, SRV6_DB_ReadXsidBySvcCtxKey(e)),
        },
});

const TableCaseRegistrar kLocalSid({
    .name = "LocalSid",
    .tableId = SRV6_DB_TABLE_LOCAL_SID,
    .entrySize = 72,
    .recordSize = 68,
    .entryUncarried = {{52, 4}},
    .recordUnwritten = {},
    .primaryKeyFields = {{0, 25}},
    .smoothIdOffset = 40,
    .primaryKeyWord = 0x00010019,
    SRV6DB_TEST_TABLE_FUNCS(LocalSid),
    SRV6DB_TEST_TABLE_SMOOTH(LocalSid),
    SRV6DB_TEST_TABLE_REST(LocalSid),
    .extraOps =
        {
            SRV6DB_TEST_WALK(LocalSid, "ByFunctId", SRV6_DB_CreateLocalSidIteratorByFunctId(e, 1)),
            SRV6DB_TEST_WALK(LocalSid, "ByVrf",
                             SRV6_DB_CreateLocalSidIteratorByVrf(SmoothKeyOf(e), 1)),
        },
});

const TableCaseRegistrar kSidFunct({
    .name = "SidFunct",
    .tableId = SRV6_DB_TABLE_SID_FUNCT,
    .entrySize = 64,
    .recordSize = 68,
    .entryUncarried = {},
    .recordUnwritten = {{36, 4}},
    .primaryKeyFields = {{0, 12}},
    .smoothIdOffset = 36,
    .primaryKeyWord = 0x0001000C,
    SRV6DB_TEST_TABLE_FUNCS(SidFunct),
    SRV6DB_TEST_TABLE_SMOOTH(SidFunct),
    SRV6DB_TEST_TABLE_REST(SidFunct),
    .extraOps =
        {
            SRV6DB_TEST_WALK(SidFunct, "ByVrf",
                             SRV6_DB_CreateSidFunctIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_WALK(SidFunct, "ByPortGroup",
                             SRV6_DB_CreateSidFunctIteratorByPortGroup(e, 1)),
        },
});

const TableCaseRegistrar kSidNhp({
    .name = "SidNhp",
    .tableId = SRV6_DB_TABLE_SIDNHP,
    .entrySize = 88,
    .recordSize = 84,
    .entryUncarried = {{68, 4}},
    .recordUnwritten = {},
    .primaryKeyFields = {{0, 12}},
    .smoothIdOffset = 60,
    .primaryKeyWord = 0x0001000C,
    SRV6DB_TEST_TABLE_FUNCS(SidNhp),
    SRV6DB_TEST_TABLE_SMOOTH(SidNhp),
    SRV6DB_TEST_TABLE_REST(SidNhp),
    .extraOps =
        {
            SRV6DB_TEST_WALK(SidNhp, "ByVrf", SRV6_DB_CreateSidNhpIteratorByVrf(SmoothKeyOf(e), 1)),
        },
});

const TableCaseRegistrar kPortInfo({
    .name = "PortInfo",
    .tableId = SRV6_DB_TABLE_PORTINFO,
    .entrySize = 104,
    .recordSize = 104,
    .entryUncarried = {{47, 1}},
    .recordUnwritten = {{47, 1}},
    .primaryKeyFields = {{0, 32}},
    .smoothIdOffset = 84,
    .primaryKeyWord = 0x00010020,
    SRV6DB_TEST_TABLE_FUNCS(PortInfo),
    SRV6DB_TEST_TABLE_SMOOTH(PortInfo),
    SRV6DB_TEST_TABLE_REST(PortInfo),
    .extraOps =
        {
            SRV6DB_TEST_OP(PortInfo, "CountByNdRefresh", kCount,
                           SRV6_DB_CountPortInfoByNdRefreshHashKey(e, CountSink())),
            SRV6DB_TEST_WALK(PortInfo, "ByPortGroup",
                             SRV6_DB_CreatePortInfoIteratoryByPortGroup(e, 1)),
            SRV6DB_TEST_WALK(PortInfo, "ByL3if", SRV6_DB_CreatePortInfoIteratoryByL3if(e, 1)),
            SRV6DB_TEST_WALK(PortInfo, "ByNdRefresh",
                             SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(e, 1)),
            SRV6DB_TEST_WALK(PortInfo, "ByVrf",
                             SRV6_DB_CreatePortInfoIteratorByVrf(SmoothKeyOf(e), 1)),
            SRV6DB_TEST_OP(PortInfo, "VisitByPortGroup", kVisit,
                           SRV6_DB_ReadPortInfoByPortGroupHashKey(
                               e, [](Srv6DbPortInfoEntry *, void *) -> uint32_t { return 0; },
                               nullptr)),
        },
});

}  // namespace
}  // namespace srv6db::test
