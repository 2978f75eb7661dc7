// SID function table (srv6_sid_funct, id 7): SID functions by VRF and function id.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbSidFunctEntry;
using R = Srv6DbSidFunctRecord;
using S = Srv6DbSmoothKey;

// The record holds the two 16-bit values swapped and ahead of portGroupId, and a word at
// offset 36 that no field fills.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),       SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(functId, Codec::kCopy),    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),      SRV6DB_FIELD(shortAttr2, Codec::kCopy),
    SRV6DB_FIELD(shortAttr1, Codec::kCopy), SRV6DB_FIELD(portGroupId, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),      SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),   SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),      SRV6DB_FIELD(data1, Codec::kCopy),
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, functId, 8),
};
constexpr KeySegment kPortGroupKey[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, portGroupId, 8),
};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6_sid_funct_table_smooth_id);

constexpr TableDef kSidFunct = {
    .id = SRV6_DB_TABLE_SID_FUNCT,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000C, kPrimary, sizeof(E)},
};
constexpr KeyDef kByVrf = {0x0109000C, kSmoothIdFirst, sizeof(S)};
constexpr KeyDef kByPortGroup = {0x0209000C, kPortGroupKey, sizeof(E)};
static_assert(IsWellFormed(kSidFunct), "sid funct: a row overruns or overlaps another");
static_assert(IsWellFormed(kByVrf) && IsWellFormed(kByPortGroup), "sid funct: a key is malformed");

}  // namespace
}  // namespace srv6db

using srv6db::kByPortGroup;
using srv6db::kByVrf;
using srv6db::kSidFunct;

extern "C" {

// clang-format off
void SRV6_DB_SetSidFunctFields(const Srv6DbSidFunctEntry *e, Srv6DbSidFunctRecord *r) { srv6db::EncodeRecord<kSidFunct>(e, r); }
void SRV6_DB_GetSidFunctFields(const Srv6DbSidFunctRecord *r, Srv6DbSidFunctEntry *e) { srv6db::DecodeRecord<kSidFunct>(r, e); }
void SRV6_DB_SetSidFunctPriKey(const Srv6DbSidFunctEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kSidFunct.primaryKey, e, w, k); }
void SRV6_DB_SetSidFunctSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(kByVrf, s, w, k); }
void SRV6_DB_SetSidFunctPortGroupHashKeyField(const Srv6DbSidFunctEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByPortGroup, e, w, k); }
uint32_t SRV6_DB_CreateSidFunct(const Srv6DbSidFunctEntry *e) { return srv6db::Create<kSidFunct>(e); }
uint32_t SRV6_DB_ReadSidFunct(Srv6DbSidFunctEntry *e) { return srv6db::Read<kSidFunct>(e); }
uint32_t SRV6_DB_DeleteSidFunct(const Srv6DbSidFunctEntry *e) { return srv6db::Delete<kSidFunct>(e); }
uint32_t SRV6_DB_UpdateSidFunctSmoothId(const Srv6DbSidFunctEntry *e) { return srv6db::Update<kSidFunct>(e, SRV6_DB_SetSidFunctSmoothID); }
uint32_t SRV6_DB_SetSidFunctSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateSidFunctIterator(uint32_t n) { return srv6db::CreateIterator(kSidFunct, n); }
Srv6DbIter *SRV6_DB_CreateSidFunctIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kSidFunct, kByVrf, s, n); }
Srv6DbIter *SRV6_DB_CreateSidFunctIteratorByPortGroup(const Srv6DbSidFunctEntry *e, uint32_t n) { return srv6db::CreateIterator(kSidFunct, kByPortGroup, e, n); }
uint32_t SRV6_DB_GetNextSidFunctEntry(Srv6DbIter *i, Srv6DbSidFunctEntry *e) { return srv6db::GetNext<kSidFunct>(i, e); }
void SRV6_DB_ReleaseSidFunctIterator(Srv6DbIter *i) { srv6db::Release(kSidFunct, i); }
// clang-format on

}  // extern "C"
