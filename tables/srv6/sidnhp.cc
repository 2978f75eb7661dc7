// SID next-hop table (srv6_sidnhp, id 8): SID next hops by VRF and next-hop id.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbSidNhpEntry;
using R = Srv6DbSidNhpRecord;
using S = Srv6DbSmoothKey;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),       SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(nhpId, Codec::kCopy),      SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),      SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(shortAttr1, Codec::kCopy), SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),   SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // the entry's alignment gap before it is not carried
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, nhpId, 8),
};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6_sid_nhp_table_smooth_id);

constexpr TableDef kSidNhp = {
    .id = SRV6_DB_TABLE_SIDNHP,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000C, kPrimary, sizeof(E)},
};
constexpr KeyDef kByVrf = {0x0109000C, kSmoothIdFirst, sizeof(S)};
static_assert(IsWellFormed(kSidNhp), "sid nhp: a row overruns or overlaps another");
static_assert(IsWellFormed(kByVrf), "sid nhp: the smooth key is malformed");

}  // namespace
}  // namespace srv6db

using srv6db::kByVrf;
using srv6db::kSidNhp;

extern "C" {

// clang-format off
void SRV6_DB_SetSidNhpFields(const Srv6DbSidNhpEntry *e, Srv6DbSidNhpRecord *r) { srv6db::EncodeRecord<kSidNhp>(e, r); }
void SRV6_DB_GetSidNhpFields(const Srv6DbSidNhpRecord *r, Srv6DbSidNhpEntry *e) { srv6db::DecodeRecord<kSidNhp>(r, e); }
void SRV6_DB_SetSidNhpPriKey(const Srv6DbSidNhpEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kSidNhp.primaryKey, e, w, k); }
void SRV6_DB_SetSidNhpSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(kByVrf, s, w, k); }
uint32_t SRV6_DB_CreateSidNhp(const Srv6DbSidNhpEntry *e) { return srv6db::Create<kSidNhp>(e); }
uint32_t SRV6_DB_ReadSidNhp(Srv6DbSidNhpEntry *e) { return srv6db::Read<kSidNhp>(e); }
uint32_t SRV6_DB_DeleteSidNhp(const Srv6DbSidNhpEntry *e) { return srv6db::Delete<kSidNhp>(e); }
uint32_t SRV6_DB_UpdateSidNhpSmoothId(const Srv6DbSidNhpEntry *e) { return srv6db::Update<kSidNhp>(e, SRV6_DB_SetSidNhpSmoothID); }
uint32_t SRV6_DB_SetSidNhpSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateSidNhpIterator(uint32_t n) { return srv6db::CreateIterator(kSidNhp, n); }
Srv6DbIter *SRV6_DB_CreateSidNhpIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kSidNhp, kByVrf, s, n); }
uint32_t SRV6_DB_GetNextSidNhpEntry(Srv6DbIter *i, Srv6DbSidNhpEntry *e) { return srv6db::GetNext<kSidNhp>(i, e); }
void SRV6_DB_ReleaseSidNhpIterator(Srv6DbIter *i) { srv6db::Release(kSidNhp, i); }
// clang-format on

}  // extern "C"
