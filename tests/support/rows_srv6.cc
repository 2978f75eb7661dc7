// Rows of the SRv6 family. Each entry is Pattern(size, 0): byte i holds i % 255 + 1.
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

thread_local Srv6DbXsidEntry OneXsid;
uint32_t VisitNone(Srv6DbPortInfoEntry *, void *) { return 0; }

// clang-format off
// The IPv6 words swapped; smoothId four bytes later in the record than in the entry.
const TableCaseRegistrar kCommon({SRV6DB_TEST_TABLE(Common, SRV6_DB_TABLE_COMMON),
    SRV6DB_TEST_SMOOTH(Common), .entryUncarried = {{50, 2}, {92, 4}},
    .recordUnwritten = {{50, 2}, {88, 4}}, .primaryKeyFields = {{0, 4}},
    .record = Hex("01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 1c1b1a19 201f1e1d"
                  "24232221 28272625 292a2b2c 2d2e2f30 31320000 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 51525354 55565758 00000000 595a5b5c"
                  "61626364 65666768 696a6b6c 6d6e6f70"),
    .keys = {SRV6DB_TEST_PRIMARY(Common, 0x00010004, "01020304")},
});

// attr1 stands after iidgIndex, so attr2 to iidgIndex each move up one word.
const TableCaseRegistrar kXsid({SRV6DB_TEST_TABLE(Xsid, SRV6_DB_TABLE_XSID_PREFIX),
    SRV6DB_TEST_SMOOTH(Xsid), .entryUncarried = {{164, 4}}, .primaryKeyFields = {{0, 58}},
    .record = Hex("01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 1c1b1a19 201f1e1d"
                  "24232221 28272625 2c2b2a29 302f2e2d 34333231 38373635 393a3b3c 41424344"
                  "45464748 494a4b4c 4d4e4f50 3d3e3f40 51525354 55565758 595a5b5c 5d5e5f60"
                  "61626364 65666768 696a6b6c 6d6e6f70 71727374 75767778 797a7b7c 7d7e7f80"
                  "81828384 85868788 898a8b8c 8d8e8f90 91929394 95969798 999a9b9c 9d9e9fa0"
                  "a1a2a3a4 a9aaabac adaeafb0 b1b2b3b4 b5b6b7b8"),
    .keys = {SRV6DB_TEST_KEY(Xsid, "Primary", SRV6_DB_SetXsidPriKey,
                 0x0001003A, "01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 1c1b1a19"
                 "201f1e1d 24232221 28272625 2c2b2a29 302f2e2d 34333231 38373635 393a"),
             SRV6DB_TEST_KEY_BY(Xsid, "Iidg", IidgHashKey, 0x01090008, "01020304 4d4e4f50"),
             SRV6DB_TEST_KEY_BY(Xsid, "Local", localHashKey,
                 0x02090018, "01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615"),
             SRV6DB_TEST_KEY_BY(Xsid, "SvcCtx", SvcKeyField,
                 0x0309001A, "01020304 05060708 2c2b2a29 302f2e2d 34333231 38373635 393a"),
             SRV6DB_TEST_SMOOTH_KEY(Xsid, 0x0409000C, "a1a2a3a4 01020304 05060708")},
    .extraOps = {SRV6DB_TEST_OP(Xsid, "UpdateDiscriminator", kUpdate, "Primary",
                     SRV6_DB_UpdateXsidDiscriminator(e)),
                 SRV6DB_TEST_WALK_BY(Xsid, LocalHash, "Local"),
                 SRV6DB_TEST_WALK_BY(Xsid, Iidg, "Iidg"),
                 SRV6DB_TEST_BY_VRF(Xsid, SRV6_DB_CreateXsidIteratorByVrf),
                 SRV6DB_TEST_OP(Xsid, "ReadByLocalHash", kBoundedRead, "Local",
                   SRV6_DB_ReadXsidByLocalHash(e, sizeof(*e), &OneXsid)),
                 SRV6DB_TEST_OP(Xsid, "CountByLocalHash", kCount, "Local",
                     SRV6_DB_GetXsidCountByLocalhash(e, CountSink())),
                 SRV6DB_TEST_OP(Xsid, "CountByIidg", kCount, "Iidg",
                     SRV6_DB_CountXsidByIidgIndexHashKey(e, CountSink())),
                 SRV6DB_TEST_OP(Xsid, "ReadBySvcCtx", kUnique, "SvcCtx",
                     SRV6_DB_ReadXsidBySvcCtxKey(e))},
});

const TableCaseRegistrar kLocalSid({SRV6DB_TEST_TABLE(LocalSid, SRV6_DB_TABLE_LOCAL_SID),
    SRV6DB_TEST_SMOOTH(LocalSid), .entryUncarried = {{52, 4}}, .primaryKeyFields = {{0, 25}},
    .record = Hex("01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 393a3b3c 3d3e3f40 41424344"
                  "45464748"),
    .keys = {SRV6DB_TEST_PRIMARY(LocalSid, 0x00010019,
                 "01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 19"),
             SRV6DB_TEST_KEY_BY(LocalSid, "FunctId", HashKeyField,
                 0x0109000C, "01020304 05060708 1d1e1f20"),
             SRV6DB_TEST_SMOOTH_KEY(LocalSid, 0x0209000C, "292a2b2c 01020304 05060708")},
    .extraOps = {SRV6DB_TEST_WALK_BY(LocalSid, FunctId, "FunctId"),
                 SRV6DB_TEST_BY_VRF(LocalSid, SRV6_DB_CreateLocalSidIteratorByVrf)},
});

// shortAttr2, shortAttr1 and portGroupId stand at 20, 22 and 24; offset 36 is never written.
const TableCaseRegistrar kSidFunct({SRV6DB_TEST_TABLE(SidFunct, SRV6_DB_TABLE_SID_FUNCT),
    SRV6DB_TEST_SMOOTH(SidFunct), .recordUnwritten = {{36, 4}}, .primaryKeyFields = {{0, 12}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 1b1c191a 15161718 1d1e1f20"
                  "21222324 00000000 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c"
                  "3d3e3f40"),
    .keys = {SRV6DB_TEST_PRIMARY(SidFunct, 0x0001000C, "01020304 05060708 090a0b0c"),
             SRV6DB_TEST_SMOOTH_KEY(SidFunct, 0x0109000C, "25262728 01020304 05060708"),
             SRV6DB_TEST_KEY_BY(SidFunct, "PortGroup", PortGroupHashKeyField,
                 0x0209000C, "01020304 05060708 15161718")},
    .extraOps = {SRV6DB_TEST_BY_VRF(SidFunct, SRV6_DB_CreateSidFunctIteratorByVrf),
                 SRV6DB_TEST_WALK_BY(SidFunct, PortGroup, "PortGroup")},
});

// The 64-bit values close up the entry's alignment gap.
const TableCaseRegistrar kSidNhp({SRV6DB_TEST_TABLE(SidNhp, SRV6_DB_TABLE_SIDNHP),
    SRV6DB_TEST_SMOOTH(SidNhp), .entryUncarried = {{68, 4}}, .primaryKeyFields = {{0, 12}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 494a4b4c 4d4e4f50 51525354 55565758"),
    .keys = {SRV6DB_TEST_PRIMARY(SidNhp, 0x0001000C, "01020304 05060708 090a0b0c"),
             SRV6DB_TEST_SMOOTH_KEY(SidNhp, 0x0109000C, "3d3e3f40 01020304 05060708")},
    .extraOps = {SRV6DB_TEST_BY_VRF(SidNhp, SRV6_DB_CreateSidNhpIteratorByVrf)},
});

// spare never reaches the record.
const TableCaseRegistrar kPortInfo({SRV6DB_TEST_TABLE(PortInfo, SRV6_DB_TABLE_PORTINFO),
    SRV6DB_TEST_SMOOTH(PortInfo), .entryUncarried = {{47, 1}}, .recordUnwritten = {{47, 1}},
    .primaryKeyFields = {{0, 32}},
    .record = Hex("01020304 05060708 090a0b0c 100f0e0d 14131211 18171615 1c1b1a19 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f00 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 51525354 55565758 595a5b5c 5d5e5f60"
                  "61626364 65666768"),
    .keys = {SRV6DB_TEST_KEY(PortInfo, "Primary", SRV6_DB_SetPortInfoPriKey,
                 0x00010020, "01020304 05060708 090a0b0c 100f0e0d"
                 "14131211 18171615 1c1b1a19 1d1e1f20"),
             SRV6DB_TEST_KEY_BY(PortInfo, "PortGroup", PortGroupHashkey,
                 0x0109000C, "01020304 05060708 090a0b0c"),
             SRV6DB_TEST_KEY_BY(PortInfo, "NdRefresh", NdRefreshHashkey,
                 0x02090014, "100f0e0d 14131211 18171615 1c1b1a19 1d1e1f20"),
             SRV6DB_TEST_KEY_BY(PortInfo, "L3if", L3ifHashkey, 0x03090004, "1d1e1f20"),
             SRV6DB_TEST_SMOOTH_KEY(PortInfo, 0x0409000C, "55565758 01020304 05060708")},
    .extraOps = {SRV6DB_TEST_OP(PortInfo, "CountByNdRefresh", kCount, "NdRefresh",
                   SRV6_DB_CountPortInfoByNdRefreshHashKey(e, CountSink())),
                 SRV6DB_TEST_WALK(PortInfo, "ByPortGroup", "PortGroup",
                     SRV6_DB_CreatePortInfoIteratoryByPortGroup(e, 1)),
                 SRV6DB_TEST_WALK(PortInfo, "ByL3if", "L3if",
                     SRV6_DB_CreatePortInfoIteratoryByL3if(e, 1)),
                 SRV6DB_TEST_WALK(PortInfo, "ByNdRefresh", "NdRefresh",
                     SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(e, 1)),
                 SRV6DB_TEST_BY_VRF(PortInfo, SRV6_DB_CreatePortInfoIteratorByVrf),
                 SRV6DB_TEST_OP(PortInfo, "VisitByPortGroup", kVisit, "PortGroup",
                   SRV6_DB_ReadPortInfoByPortGroupHashKey(e, VisitNone, nullptr))},
});
// clang-format on

}  // namespace
}  // namespace srv6db::test
