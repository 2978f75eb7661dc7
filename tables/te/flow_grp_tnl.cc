// Flow group tunnel table (te_flow_grp_tnl, id 11): the tunnels of TE flow groups, reachable by
// tunnel type, IID group, group, combine index and smooth id.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbFlowGrpTnlEntry;
using R = Srv6DbFlowGrpTnlRecord;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),          SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tnlKeyId, Codec::kCopy),      SRV6DB_FIELD(combineIndex, Codec::kCopy),
    SRV6DB_FIELD(tnlKeyByte, Codec::kCopy),    SRV6DB_FIELD(grpType, Codec::kCopy),
    SRV6DB_FIELD(tnlType, Codec::kCopy),       SRV6DB_FIELD(grpId, Codec::kCopy),
    SRV6DB_FIELD(iidGroupId, Codec::kCopy),    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),         SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),     SRV6DB_FIELD(block1, Codec::kBoundedCopy),
    SRV6DB_FIELD(block2, Codec::kBoundedCopy), SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),         SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
};

// Key segments place u32 values at any offset: the keys are unaligned byte strings.
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),          SRV6DB_KEY(E, vrfIndex, 4),    SRV6DB_KEY(E, tnlKeyId, 8),
    SRV6DB_KEY(E, combineIndex, 12), SRV6DB_KEY(E, tnlKeyByte, 24),
};
constexpr KeySegment kTnlType[] = {
    SRV6DB_KEY(E, vrId, 0),    SRV6DB_KEY(E, vrfIndex, 4), SRV6DB_KEY(E, grpType, 8),
    SRV6DB_KEY(E, tnlType, 9), SRV6DB_KEY(E, grpId, 10),
};
constexpr KeySegment kIidGroup[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, grpType, 4),
    SRV6DB_KEY(E, iidGroupId, 5),
};
constexpr KeySegment kGroup[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, grpType, 8),
    SRV6DB_KEY(E, grpId, 9),
};
constexpr KeySegment kCombine[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, combineIndex, 8),
};
constexpr KeyDef kTnlTypeKey = {0x0109000E, kTnlType, sizeof(E)};
constexpr KeyDef kIidGroupKey = {0x02090009, kIidGroup, sizeof(E)};
constexpr KeyDef kGroupKey = {0x0309000D, kGroup, sizeof(E)};
constexpr KeyDef kCombineKey = {0x04090014, kCombine, sizeof(E)};
constexpr KeyDef kSmoothKey = {0x0509000C, kSmoothInputOrder, sizeof(Srv6DbSmoothKey)};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_te_flow_grp_tnl_table_smooth_id);

constexpr TableDef kFlowGrpTnl = {
    .id = SRV6_DB_TABLE_FLOW_GRP_TNL,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010019, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kFlowGrpTnl), "flow group tunnel: a row overruns or overlaps another");
static_assert(IsWellFormed(kTnlTypeKey) && IsWellFormed(kIidGroupKey) && IsWellFormed(kGroupKey) &&
                  IsWellFormed(kCombineKey) && IsWellFormed(kSmoothKey),
              "flow group tunnel: secondary key segments do not tile their key");

}  // namespace
}  // namespace srv6db

using srv6db::kFlowGrpTnl;

extern "C" {

// clang-format off
void SRV6_DB_SetFlowGrpTnlFields(const Srv6DbFlowGrpTnlEntry *e, Srv6DbFlowGrpTnlRecord *r) { srv6db::EncodeRecord<kFlowGrpTnl>(e, r); }
void SRV6_DB_GetFlowGrpTnlFields(const Srv6DbFlowGrpTnlRecord *r, Srv6DbFlowGrpTnlEntry *e) { srv6db::DecodeRecord<kFlowGrpTnl>(r, e); }
void SRV6_DB_SetFlowGrpTnlPriKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kFlowGrpTnl.primaryKey, e, w, k); }
void SRV6_DB_SetFlowGrpTnlSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
void SRV6_DB_SetFlowGrpTnlCombineHashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kCombineKey, e, w, k); }
void SRV6_DB_SetFlowGrpTnlKey2HashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kGroupKey, e, w, k); }
void SRV6_DB_SetFlowGrpTnlKey1Key2HashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kTnlTypeKey, e, w, k); }
void SRV6_DB_SetFlowGrpTnlKey3HashKey(const Srv6DbFlowGrpTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kIidGroupKey, e, w, k); }
uint32_t SRV6_DB_CreateFlowGrpTnl(const Srv6DbFlowGrpTnlEntry *e) { return srv6db::Create<kFlowGrpTnl>(e); }
uint32_t SRV6_DB_ReadFlowGrpTnl(Srv6DbFlowGrpTnlEntry *e) { return srv6db::Read<kFlowGrpTnl>(e); }
uint32_t SRV6_DB_DeleteFlowGrpTnl(const Srv6DbFlowGrpTnlEntry *e) { return srv6db::Delete<kFlowGrpTnl>(e); }
uint32_t SRV6_DB_UpdateFlowGrpTnlSmoothId(const Srv6DbFlowGrpTnlEntry *e) { return srv6db::Update<kFlowGrpTnl>(e, SRV6_DB_SetFlowGrpTnlSmoothID); }
uint32_t SRV6_DB_SetFlowGrpTnlSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIterator(uint32_t n) { return srv6db::CreateIterator(kFlowGrpTnl, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kFlowGrpTnl, srv6db::kSmoothKey, s, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByTnlTypeId(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator(kFlowGrpTnl, srv6db::kTnlTypeKey, e, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator(kFlowGrpTnl, srv6db::kIidGroupKey, e, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByGrpId(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator(kFlowGrpTnl, srv6db::kGroupKey, e, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByCombineIndex(const Srv6DbFlowGrpTnlEntry *e, uint32_t n) { return srv6db::CreateIterator(kFlowGrpTnl, srv6db::kCombineKey, e, n); }
uint32_t SRV6_DB_CountFlowGrpTnlByIidGroupId(const Srv6DbFlowGrpTnlEntry *e, uint64_t *c) { return srv6db::Count(kFlowGrpTnl, srv6db::kIidGroupKey, e, c); }
uint32_t SRV6_DB_GetNextFlowGrpTnlEntry(Srv6DbIter *i, Srv6DbFlowGrpTnlEntry *e) { return srv6db::GetNext<kFlowGrpTnl>(i, e); }
void SRV6_DB_ReleaseFlowGrpTnlIterator(Srv6DbIter *i) { srv6db::Release(kFlowGrpTnl, i); }
// clang-format on

}  // extern "C"
