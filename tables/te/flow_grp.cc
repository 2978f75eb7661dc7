// Flow group table (te_flow_grp, id 10): flow groups keyed by VRF, group id and group type.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbFlowGrpEntry;
using R = Srv6DbFlowGrpRecord;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),           SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(grpId, Codec::kCopy),          SRV6DB_FIELD(grpType, Codec::kCopy),
    SRV6DB_FIELD(byte1, Codec::kCopy),          SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(ipv6Addr1, Codec::kIpv6Words), SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),          SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),          SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, grpId, 8),
    SRV6DB_KEY(E, grpType, 12),
};
constexpr KeyDef kSmoothKey = {0x0109000C, kSmoothInputOrder, sizeof(Srv6DbSmoothKey)};
constexpr UpdateField kSmoothId = SRV6DB_UPDATE_FIELD(smoothId, db_set_te_flow_grp_table_smooth_id);

constexpr TableDef kFlowGrp = {
    .id = SRV6_DB_TABLE_FLOW_GRP,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000D, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kFlowGrp), "flow group: a row overruns or overlaps another");
static_assert(IsWellFormed(kSmoothKey), "flow group: smooth key segments do not tile the key");

}  // namespace
}  // namespace srv6db

using srv6db::kFlowGrp;

extern "C" {

// clang-format off
void SRV6_DB_SetFlowGrpFields(const Srv6DbFlowGrpEntry *e, Srv6DbFlowGrpRecord *r) { srv6db::EncodeRecord<kFlowGrp>(e, r); }
void SRV6_DB_GetFlowGrpFields(const Srv6DbFlowGrpRecord *r, Srv6DbFlowGrpEntry *e) { srv6db::DecodeRecord<kFlowGrp>(r, e); }
void SRV6_DB_SetFlowGrpPriKey(const Srv6DbFlowGrpEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kFlowGrp.primaryKey, e, w, k); }
void SRV6_DB_SetFlowGrpSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
uint32_t SRV6_DB_CreateFlowGrp(const Srv6DbFlowGrpEntry *e) { return srv6db::Create<kFlowGrp>(e); }
uint32_t SRV6_DB_ReadFlowGrp(Srv6DbFlowGrpEntry *e) { return srv6db::Read<kFlowGrp>(e); }
uint32_t SRV6_DB_DeleteFlowGrp(const Srv6DbFlowGrpEntry *e) { return srv6db::Delete<kFlowGrp>(e); }
uint32_t SRV6_DB_UpdateFlowGrpSmoothId(const Srv6DbFlowGrpEntry *e) { return srv6db::Update<kFlowGrp>(e, SRV6_DB_SetFlowGrpSmoothID); }
uint32_t SRV6_DB_SetFlowGrpSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateFlowGrpIterator(uint32_t n) { return srv6db::CreateIterator(kFlowGrp, n); }
Srv6DbIter *SRV6_DB_CreateFlowGrpIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kFlowGrp, srv6db::kSmoothKey, s, n); }
uint32_t SRV6_DB_GetNextFlowGrpEntry(Srv6DbIter *i, Srv6DbFlowGrpEntry *e) { return srv6db::GetNext<kFlowGrp>(i, e); }
void SRV6_DB_ReleaseFlowGrpIterator(Srv6DbIter *i) { srv6db::Release(kFlowGrp, i); }
// clang-format on

}  // extern "C"
