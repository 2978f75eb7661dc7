// Local SID table (srv6_local_sid, id 6): local SIDs by VRF, address and prefix length.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbLocalSidEntry;
using R = Srv6DbLocalSidRecord;
using S = Srv6DbSmoothKey;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(sid, Codec::kIpv6Words),
    SRV6DB_FIELD(prefixLen, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(functId, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // 4-byte aligned in the record: no gap before it
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY_IPV6(E, sid, 8),
    SRV6DB_KEY(E, prefixLen, 24),
};
constexpr KeySegment kFunctIdKey[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, functId, 8),
};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6_local_sid_table_smooth_id);

constexpr TableDef kLocalSid = {
    .id = SRV6_DB_TABLE_LOCAL_SID,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010019, kPrimary, sizeof(E)},
};
constexpr KeyDef kByFunctId = {0x0109000C, kFunctIdKey, sizeof(E)};
constexpr KeyDef kByVrf = {0x0209000C, kSmoothIdFirst, sizeof(S)};
static_assert(IsWellFormed(kLocalSid), "local sid: a row overruns or overlaps another");
static_assert(IsWellFormed(kByFunctId) && IsWellFormed(kByVrf), "local sid: a key is malformed");

}  // namespace
}  // namespace srv6db

using srv6db::kByFunctId;
using srv6db::kByVrf;
using srv6db::kLocalSid;

extern "C" {

// clang-format off
void SRV6_DB_SetLocalSidFields(const Srv6DbLocalSidEntry *e, Srv6DbLocalSidRecord *r) { srv6db::EncodeRecord<kLocalSid>(e, r); }
void SRV6_DB_GetLocalSidFields(const Srv6DbLocalSidRecord *r, Srv6DbLocalSidEntry *e) { srv6db::DecodeRecord<kLocalSid>(r, e); }
void SRV6_DB_SetLocalSidPriKey(const Srv6DbLocalSidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kLocalSid.primaryKey, e, w, k); }
void SRV6_DB_SetLocalSidHashKeyField(const Srv6DbLocalSidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByFunctId, e, w, k); }
void SRV6_DB_SetLocalSidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(kByVrf, s, w, k); }
uint32_t SRV6_DB_CreateLocalSid(const Srv6DbLocalSidEntry *e) { return srv6db::Create<kLocalSid>(e); }
uint32_t SRV6_DB_ReadLocalSid(Srv6DbLocalSidEntry *e) { return srv6db::Read<kLocalSid>(e); }
uint32_t SRV6_DB_DeleteLocalSid(const Srv6DbLocalSidEntry *e) { return srv6db::Delete<kLocalSid>(e); }
uint32_t SRV6_DB_UpdateLocalSidSmoothId(const Srv6DbLocalSidEntry *e) { return srv6db::Update<kLocalSid>(e, SRV6_DB_SetLocalSidSmoothID); }
uint32_t SRV6_DB_SetLocalSidSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateLocalSidIterator(uint32_t n) { return srv6db::CreateIterator(kLocalSid, n); }
Srv6DbIter *SRV6_DB_CreateLocalSidIteratorByFunctId(const Srv6DbLocalSidEntry *e, uint32_t n) { return srv6db::CreateIterator(kLocalSid, kByFunctId, e, n); }
Srv6DbIter *SRV6_DB_CreateLocalSidIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kLocalSid, kByVrf, s, n); }
uint32_t SRV6_DB_GetNextLocalSidEntry(Srv6DbIter *i, Srv6DbLocalSidEntry *e) { return srv6db::GetNext<kLocalSid>(i, e); }
void SRV6_DB_ReleaseLocalSidIterator(Srv6DbIter *i) { srv6db::Release(kLocalSid, i); }
// clang-format on

}  // extern "C"
