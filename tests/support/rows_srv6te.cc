// Rows of the SRv6-TE family. Each entry is Pattern(size, 0): byte i holds i % 255 + 1.
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

const Srv6DbCandiPathGroupInfo *GroupInfoOf(const Srv6DbCandiPathEntry *e) {
  thread_local Srv6DbCandiPathGroupInfo info;
  if (e == nullptr) return nullptr;
  info = {e->vrId, e->vrfIndex, e->tunnelId, e->groupId};
  return &info;
}

// clang-format off
// Byte 60 stays 0 whatever spare holds.
const TableCaseRegistrar kPolicy({SRV6DB_TEST_TABLE(Policy, SRV6_DB_TABLE_POLICY),
    SRV6DB_TEST_SMOOTH(Policy), .entryUncarried = {{60, 1}, {116, 4}, {140, 4}},
    .recordUnwritten = {{60, 1}}, .primaryKeyFields = {{0, 13}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 1c1b1a19 201f1e1d"
                  "24232221 28272625 292a2b2c 302f2e2d 34333231 38373635 3c3b3a39 003e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 51525354 55565758 595a5b5c 5d5e5f60"
                  "61626364 65666768 696a6b6c 6d6e6f70 71727374 797a7b7c 7d7e7f80 81828384"
                  "85868788 898a8b8c"),
    .keys = {SRV6DB_TEST_PRIMARY(Policy, 0x0001000D, "01020304 05060708 090a0b0c 0d"),
             SRV6DB_TEST_KEY_BY(Policy, "PriGroup", PriGroupKey,
                 0x01090010, "01020304 05060708 090a0b0c 11121314"),
             SRV6DB_TEST_KEY_BY(Policy, "BackupGroup", BackupGroupKey,
                 0x02090010, "01020304 05060708 090a0b0c 15161718"),
             SRV6DB_TEST_SMOOTH_KEY(Policy, 0x0309000C, "01020304 05060708 71727374"),
             SRV6DB_TEST_KEY_BY(Policy, "TunnelId", TunnelIdHashKey,
                 0x0409000C, "01020304 05060708 090a0b0c")},
    .extraOps = {SRV6DB_TEST_READ_BY(Policy, PriGroup, "PriGroup"),
                 SRV6DB_TEST_READ_BY(Policy, BackupGroup, "BackupGroup"),
                 SRV6DB_TEST_READ_BY(Policy, TunnelId, "TunnelId"),
                 SRV6DB_TEST_BY_VRF(Policy, SRV6_DB_CreatePolicyIteratorByVrf)},
});

const TableCaseRegistrar kCandiPath({SRV6DB_TEST_TABLE(CandiPath, SRV6_DB_TABLE_CANDIPATH),
    SRV6DB_TEST_SMOOTH(CandiPath), .entryUncarried = {{22, 2}, {76, 4}},
    .recordUnwritten = {{22, 2}}, .primaryKeyFields = {{0, 21}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15160000 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 51525354 55565758 595a5b5c 5d5e5f60"),
    .keys = {SRV6DB_TEST_PRIMARY(CandiPath, 0x00010015,
                 "01020304 05060708 090a0b0c 0d0e0f10 11121314 15"),
             SRV6DB_TEST_KEY_OF(CandiPath, "GroupInfo", SRV6_DB_SetCandiPathGroupInfoHashKey,
                 0x01090010, "01020304 05060708 090a0b0c 0d0e0f10", GroupInfoOf(e)),
             SRV6DB_TEST_KEY_BY(CandiPath, "XcInfo", XcinfoKey,
                 0x0209000D, "01020304 05060708 11121314 15"),
             SRV6DB_TEST_SMOOTH_KEY(CandiPath, 0x0309000C, "01020304 05060708 494a4b4c")},
    .extraOps = {SRV6DB_TEST_READ_BY(CandiPath, Xcinfo, "XcInfo"),
                 SRV6DB_TEST_BY_VRF(CandiPath, SRV6_DB_CreateCandiPathIteratorByVrf),
                 SRV6DB_TEST_WALK(CandiPath, "ByGroupInfo", "GroupInfo",
                     SRV6_DB_CreateCandiPathIteratorByGroupInfo(GroupInfoOf(e), 1))},
});

// Eleven swapped addresses; the IID key holds the IID table's primary key bytes.
const TableCaseRegistrar kSidStack({SRV6DB_TEST_TABLE(SidStack, SRV6_DB_TABLE_SIDSTACK),
    SRV6DB_TEST_SMOOTH(SidStack), .entryUncarried = {{14, 2}, {197, 1}, {292, 4}},
    .recordUnwritten = {{14, 2}, {197, 1}}, .primaryKeyFields = {{0, 13}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0000 11121314 18171615 1c1b1a19 201f1e1d"
                  "24232221 28272625 2c2b2a29 302f2e2d 34333231 38373635 3c3b3a39 403f3e3d"
                  "44434241 48474645 4c4b4a49 504f4e4d 54535251 58575655 5c5b5a59 605f5e5d"
                  "64636261 68676665 6c6b6a69 706f6e6d 74737271 78777675 7c7b7a79 807f7e7d"
                  "84838281 88878685 8c8b8a89 908f8e8d 94939291 98979695 9c9b9a99 a09f9e9d"
                  "a4a3a2a1 a8a7a6a5 acabaaa9 b0afaead b4b3b2b1 b8b7b6b5 bcbbbab9 c0bfbebd"
                  "c4c3c2c1 c500c7c8 c9cacbcc cdcecfd0 d1d2d3d4 d5d6d7d8 d9dadbdc dddedfe0"
                  "e1e2e3e4 e5e6e7e8 e9eaebec edeeeff0 f1f2f3f4 f5f6f7f8 f9fafbfc fdfeff01"
                  "02030405 06070809 0a0b0c0d 0e0f1011 12131415 16171819 1a1b1c1d 1e1f2021"
                  "22232425 2a2b2c2d 2e2f3031 32333435 36373839"),
    .keys = {SRV6DB_TEST_PRIMARY(SidStack, 0x0001000D, "01020304 05060708 090a0b0c 0d"),
             SRV6DB_TEST_KEY_BY(SidStack, "Iid", IidHashKey,
                 0x01090019, "01020304 05060708 b8b7b6b5 bcbbbab9 c0bfbebd c4c3c2c1 c5"),
             SRV6DB_TEST_KEY_BY(SidStack, "LocalSid", LocalSidHashKey,
                 0x02090018, "01020304 05060708 18171615 1c1b1a19 201f1e1d 24232221"),
             SRV6DB_TEST_KEY_OF(SidStack, "Vrid", SRV6_DB_SetSidStackVridHashKey,
                 0x03090004, "01020304", &e->vrId),
             SRV6DB_TEST_SMOOTH_KEY(SidStack, 0x0409000C, "01020304 05060708 22232425")},
    .extraOps = {SRV6DB_TEST_BY_VRF(SidStack, SRV6_DB_CreateSidStackIteratorByVrf),
                 SRV6DB_TEST_WALK_BY(SidStack, Iid, "Iid"),
                 SRV6DB_TEST_WALK_BY(SidStack, LocalSid, "LocalSid"),
                 SRV6DB_TEST_WALK(SidStack, "ByVrid", "Vrid",
                     SRV6_DB_CreateSidStackIteratorByVrid(e == nullptr ? nullptr : &e->vrId, 1))},
});

// reserved3 before reserved2, bytes 82 and 83 zero, the first half of each block carried.
const TableCaseRegistrar kIid({SRV6DB_TEST_TABLE(Iid, SRV6_DB_TABLE_IID), SRV6DB_TEST_SMOOTH(Iid),
    .entryUncarried = {{50, 2}, {100, 16}, {132, 16}, {172, 4}}, .recordUnwritten = {{82, 2}},
    .primaryKeyFields = {{0, 25}},
    .record = Hex("01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 35363738 393a3b3c 3d3e3f40 41424344"
                  "45464748 494a4b4c 4d4e4f50 51525354 31320000 55565758 595a5b5c 5d5e5f60"
                  "61626364 75767778 797a7b7c 7d7e7f80 81828384 95969798 999a9b9c 9d9e9fa0"
                  "a1a2a3a4 a5a6a7a8 a9aaabac"),
    .keys = {SRV6DB_TEST_PRIMARY(Iid, 0x00010019,
                 "01020304 05060708 0c0b0a09 100f0e0d 14131211 18171615 19"),
             SRV6DB_TEST_KEY_BY(Iid, "Iidg", IidgIndexHashKey, 0x01090008, "01020304 21222324"),
             SRV6DB_TEST_KEY_BY(Iid, "IidgLowerCaseK", IidgIndexHashkey,
                 0x01090008, "01020304 21222324"),
             SRV6DB_TEST_SMOOTH_KEY(Iid, 0x0209000C, "01020304 05060708 95969798")},
    .extraOps = {SRV6DB_TEST_OP(Iid, "CountByIidg", kCount, "Iidg",
                     SRV6_DB_CountIidByIidgIndexHashKey(e, CountSink())),
                 SRV6DB_TEST_BY_VRF(Iid, SRV6_DB_CreateIidIteratorByVrf),
                 SRV6DB_TEST_WALK_BY(Iid, Iidg, "Iidg")},
});

// The policy and list info keys are the policy's and the SID stack's primary key bytes.
const TableCaseRegistrar kBsid({SRV6DB_TEST_TABLE(Bsid, SRV6_DB_TABLE_BSID),
    SRV6DB_TEST_SMOOTH(Bsid), .entryUncarried = {{33, 3}, {80, 32}, {116, 4}, {140, 4}},
    .recordUnwritten = {{33, 3}}, .primaryKeyFields = {{0, 12}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11121314 15161718 191a1b1c 1d1e1f20"
                  "21000000 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 71727374 797a7b7c 7d7e7f80 81828384"
                  "85868788 898a8b8c"),
    .keys = {SRV6DB_TEST_PRIMARY(Bsid, 0x0001000C, "01020304 05060708 090a0b0c"),
             SRV6DB_TEST_KEY_BY(Bsid, "PolicyInfo", PolicyHashKey,
                 0x0109000D, "01020304 05060708 0d0e0f10 1d"),
             SRV6DB_TEST_KEY_BY(Bsid, "ListInfo", ListHashKey,
                 0x0209000D, "01020304 05060708 15161718 1e"),
             SRV6DB_TEST_SMOOTH_KEY(Bsid, 0x0309000C, "01020304 05060708 71727374")},
    .extraOps = {SRV6DB_TEST_READ_BY(Bsid, PolicyInfo, "PolicyInfo"),
                 SRV6DB_TEST_READ_BY(Bsid, ListInfo, "ListInfo"),
                 SRV6DB_TEST_BY_VRF(Bsid, SRV6_DB_CreateBsidIteratoryByVrf)},
});

// No smooth id; the engine's tunnel id index reads attr1.
const TableCaseRegistrar kTraStat({SRV6DB_TEST_TABLE(TraStat, SRV6_DB_TABLE_TRASTAT),
    .entryUncarried = {{17, 3}}, .recordUnwritten = {{17, 3}}, .primaryKeyFields = {{0, 17}},
    .record = Hex("01020304 05060708 090a0b0c 0d0e0f10 11000000 15161718 191a1b1c 1d1e1f20"
                  "21222324 25262728 292a2b2c 2d2e2f30 31323334 35363738 393a3b3c 3d3e3f40"
                  "41424344 45464748 494a4b4c 4d4e4f50 51525354 55565758 595a5b5c 5d5e5f60"
                  "61626364 65666768 696a6b6c 6d6e6f70 71727374 75767778 797a7b7c 7d7e7f80"
                  "81828384 85868788"),
    .keys = {SRV6DB_TEST_PRIMARY(TraStat, 0x00010011, "01020304 05060708 090a0b0c 0d0e0f10 11"),
             SRV6DB_TEST_KEY_OF(TraStat, "TnlId", SRV6_DB_SetTraStatTnlIdHashkey,
                 0x01090004, "25262728", &e->attr1),
             SRV6DB_TEST_KEY_BY(TraStat, "XcInfo", XcInfoKey, 0x02090005, "0d0e0f10 11")},
    .extraOps = {SRV6DB_TEST_READ_BY(TraStat, XcInfo, "XcInfo"),
                 SRV6DB_TEST_WALK(TraStat, "ByTnlId", "TnlId",
                     SRV6_DB_CreateTraStatIteratorByTnlId(e == nullptr ? nullptr : &e->attr1, 1))},
});
// clang-format on

}  // namespace
}  // namespace srv6db::test
