// Binding SID table (srv6te_bsid, id 15): binding SIDs, found by their policy or their list.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbBsidEntry;
using R = Srv6DbBsidRecord;
using S = Srv6DbSmoothKey;

// The entry's 32 spare bytes have no room in the record: smoothId follows octets there.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),     SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(bsidId, Codec::kCopy),   SRV6DB_FIELD(tunnelId, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),    SRV6DB_FIELD(listId, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),    SRV6DB_FIELD(tunnelType, Codec::kCopy),
    SRV6DB_FIELD(listType, Codec::kCopy), SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),   SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),    SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                   SRV6DB_KEY(E, bsidId, 8)};
// The bytes of the policy's primary key for the same vrId, vrfIndex, tunnelId and tunnelType.
constexpr KeySegment kPolicyInfo[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                      SRV6DB_KEY(E, tunnelId, 8), SRV6DB_KEY(E, tunnelType, 12)};
// The bytes of the SID stack's primary key for the same vrId, vrfIndex, listId and listType.
constexpr KeySegment kListInfo[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                    SRV6DB_KEY(E, listId, 8), SRV6DB_KEY(E, listType, 12)};

constexpr KeyDef kPolicyInfoKey = {0x0109000D, kPolicyInfo, sizeof(E)};
constexpr KeyDef kListInfoKey = {0x0209000D, kListInfo, sizeof(E)};
constexpr KeyDef kSmoothKey = {0x0309000C, kSmoothInputOrder, sizeof(S)};
constexpr UpdateField kSmoothId = SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6te_bsid_table_smooth_id);

constexpr TableDef kBsid = {
    .id = SRV6_DB_TABLE_BSID,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000C, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kBsid), "bsid: a row overruns or overlaps another");
static_assert(IsWellFormed(kPolicyInfoKey) && IsWellFormed(kListInfoKey) &&
                  IsWellFormed(kSmoothKey),
              "bsid: a secondary key does not tile its length");

}  // namespace
}  // namespace srv6db

using srv6db::kBsid;

extern "C" {

// clang-format off
void SRV6_DB_SetBsidFields(const Srv6DbBsidEntry *e, Srv6DbBsidRecord *r) { srv6db::EncodeRecord<kBsid>(e, r); }
void SRV6_DB_GetBsidFields(const Srv6DbBsidRecord *r, Srv6DbBsidEntry *e) { srv6db::DecodeRecord<kBsid>(r, e); }
void SRV6_DB_SetBsidPriKey(const Srv6DbBsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kBsid.primaryKey, e, w, k); }
void SRV6_DB_SetBsidPolicyHashKey(const Srv6DbBsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kPolicyInfoKey, e, w, k); }
void SRV6_DB_SetBsidListHashKey(const Srv6DbBsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kListInfoKey, e, w, k); }
void SRV6_DB_SetBsidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
uint32_t SRV6_DB_CreateBsid(const Srv6DbBsidEntry *e) { return srv6db::Create<kBsid>(e); }
uint32_t SRV6_DB_ReadBsid(Srv6DbBsidEntry *e) { return srv6db::Read<kBsid>(e); }
uint32_t SRV6_DB_DeleteBsid(const Srv6DbBsidEntry *e) { return srv6db::Delete<kBsid>(e); }
uint32_t SRV6_DB_ReadBsidByPolicyInfo(Srv6DbBsidEntry *e) { return srv6db::ReadUnique<kBsid>(srv6db::kPolicyInfoKey, e); }
uint32_t SRV6_DB_ReadBsidByListInfo(Srv6DbBsidEntry *e) { return srv6db::ReadUnique<kBsid>(srv6db::kListInfoKey, e); }
uint32_t SRV6_DB_UpdateBsidSmoothId(const Srv6DbBsidEntry *e) { return srv6db::Update<kBsid>(e, SRV6_DB_SetBsidSmoothID); }
uint32_t SRV6_DB_SetBsidSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateBsidIterator(uint32_t n) { return srv6db::CreateIterator(kBsid, n); }
// "Iteratory": callers link against this spelling
Srv6DbIter *SRV6_DB_CreateBsidIteratoryByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kBsid, srv6db::kSmoothKey, s, n); }
uint32_t SRV6_DB_GetNextBsidEntry(Srv6DbIter *i, Srv6DbBsidEntry *e) { return srv6db::GetNext<kBsid>(i, e); }
void SRV6_DB_ReleaseBsidIterator(Srv6DbIter *i) { srv6db::Release(kBsid, i); }
// clang-format on

}  // extern "C"
