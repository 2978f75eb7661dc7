// SR tunnel group table (spr_tnl_grp, id 14): next-hop groups of SR tunnels.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbSprTnlGrpEntry;
using R = Srv6DbSprTnlGrpRecord;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),          SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(nhpGrpId, Codec::kCopy),      SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),         SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),     SRV6DB_FIELD(block1, Codec::kBoundedCopy),
    SRV6DB_FIELD(block2, Codec::kBoundedCopy), SRV6DB_FIELD(byte1, Codec::kCopy),
    SRV6DB_FIELD(byte2, Codec::kCopy),         SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // packed right after smoothId, 4 bytes before its entry
                                        // slot
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, nhpGrpId, 8),
};
// The same shape as the primary key: only the key word tells the engine which index is meant.
constexpr KeyDef kSmoothKey = {0x0109000C, kSmoothInputOrder, sizeof(Srv6DbSmoothKey)};
constexpr UpdateField kSmoothId = SRV6DB_UPDATE_FIELD(smoothId, db_set_spr_tnl_grp_table_smooth_id);

constexpr TableDef kSprTnlGrp = {
    .id = SRV6_DB_TABLE_SPR_TNL_GRP,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000C, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kSprTnlGrp), "SR tunnel group: a row overruns or overlaps another");
static_assert(IsWellFormed(kSmoothKey), "SR tunnel group: smooth key segments do not tile the key");

}  // namespace
}  // namespace srv6db

using srv6db::kSprTnlGrp;

extern "C" {

// clang-format off
void SRV6_DB_SetSprTnlGrpFields(const Srv6DbSprTnlGrpEntry *e, Srv6DbSprTnlGrpRecord *r) { srv6db::EncodeRecord<kSprTnlGrp>(e, r); }
void SRV6_DB_GetSprTnlGrpFields(const Srv6DbSprTnlGrpRecord *r, Srv6DbSprTnlGrpEntry *e) { srv6db::DecodeRecord<kSprTnlGrp>(r, e); }
void SRV6_DB_SetSprTnlGrpPriKey(const Srv6DbSprTnlGrpEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kSprTnlGrp.primaryKey, e, w, k); }
void SRV6_DB_SetSprTnlGrpSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
uint32_t SRV6_DB_CreateSprTnlGrp(const Srv6DbSprTnlGrpEntry *e) { return srv6db::Create<kSprTnlGrp>(e); }
uint32_t SRV6_DB_ReadSprTnlGrp(Srv6DbSprTnlGrpEntry *e) { return srv6db::Read<kSprTnlGrp>(e); }
uint32_t SRV6_DB_DeleteSprTnlGrp(const Srv6DbSprTnlGrpEntry *e) { return srv6db::Delete<kSprTnlGrp>(e); }
uint32_t SRV6_DB_UpdateSprTnlGrpSmoothId(const Srv6DbSprTnlGrpEntry *e) { return srv6db::Update<kSprTnlGrp>(e, SRV6_DB_SetSprTnlGrpSmoothID); }
uint32_t SRV6_DB_SetSprTnlGrpSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateSprTnlGrpIterator(uint32_t n) { return srv6db::CreateIterator(kSprTnlGrp, n); }
Srv6DbIter *SRV6_DB_CreateSprTnlGrpIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kSprTnlGrp, srv6db::kSmoothKey, s, n); }
uint32_t SRV6_DB_GetNextSprTnlGrpEntry(Srv6DbIter *i, Srv6DbSprTnlGrpEntry *e) { return srv6db::GetNext<kSprTnlGrp>(i, e); }
void SRV6_DB_ReleaseSprTnlGrpIterator(Srv6DbIter *i) { srv6db::Release(kSprTnlGrp, i); }
// clang-format on

}  // extern "C"
