// Flow group map table (te_flow_grp_map, id 12): flow group mappings; no secondary index.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbFlowGrpMapEntry;
using R = Srv6DbFlowGrpMapRecord;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),        SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(mapKeyBytes, Codec::kCopy), SRV6DB_FIELD(mapKeyId1, Codec::kCopy),
    SRV6DB_FIELD(mapKeyId2, Codec::kCopy),   SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),       SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),       SRV6DB_FIELD(byte1, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),       SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),       SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),       SRV6DB_KEY(E, vrfIndex, 4),   SRV6DB_KEY(E, mapKeyBytes, 8),
    SRV6DB_KEY(E, mapKeyId1, 12), SRV6DB_KEY(E, mapKeyId2, 16),
};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_te_flow_grp_map_table_smooth_id);

constexpr TableDef kFlowGrpMap = {
    .id = SRV6_DB_TABLE_FLOW_GRP_MAP,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010014, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kFlowGrpMap), "flow group map: a row overruns or overlaps another");

}  // namespace
}  // namespace srv6db

using srv6db::kFlowGrpMap;

extern "C" {

// clang-format off
void SRV6_DB_SetFlowGrpMapFields(const Srv6DbFlowGrpMapEntry *e, Srv6DbFlowGrpMapRecord *r) { srv6db::EncodeRecord<kFlowGrpMap>(e, r); }
void SRV6_DB_GetFlowGrpMapFields(const Srv6DbFlowGrpMapRecord *r, Srv6DbFlowGrpMapEntry *e) { srv6db::DecodeRecord<kFlowGrpMap>(r, e); }
void SRV6_DB_SetFlowGrpMapPriKey(const Srv6DbFlowGrpMapEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kFlowGrpMap.primaryKey, e, w, k); }
uint32_t SRV6_DB_CreateFlowGrpMap(const Srv6DbFlowGrpMapEntry *e) { return srv6db::Create<kFlowGrpMap>(e); }
uint32_t SRV6_DB_ReadFlowGrpMap(Srv6DbFlowGrpMapEntry *e) { return srv6db::Read<kFlowGrpMap>(e); }
uint32_t SRV6_DB_DeleteFlowGrpMap(const Srv6DbFlowGrpMapEntry *e) { return srv6db::Delete<kFlowGrpMap>(e); }
uint32_t SRV6_DB_UpdateFlowGrpMapSmoothId(const Srv6DbFlowGrpMapEntry *e) { return srv6db::Update<kFlowGrpMap>(e, SRV6_DB_SetFlowGrpMapSmoothID); }
uint32_t SRV6_DB_SetFlowGrpMapSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateFlowGrpMapIterator(uint32_t n) { return srv6db::CreateIterator(kFlowGrpMap, n); }
uint32_t SRV6_DB_GetNextFlowGrpMapEntry(Srv6DbIter *i, Srv6DbFlowGrpMapEntry *e) { return srv6db::GetNext<kFlowGrpMap>(i, e); }
void SRV6_DB_ReleaseFlowGrpMapIterator(Srv6DbIter *i) { srv6db::Release(kFlowGrpMap, i); }
// clang-format on

}  // extern "C"
