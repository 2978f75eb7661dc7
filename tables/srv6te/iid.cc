// IID table (srv6te_iid, id 3): IID addresses, counted and walked by IID group.
#include "engine/engine_api.h"
#include "core/table_ops.h"
#include "core/table_walks.h"

namespace srv6db {
namespace {

using E = Srv6DbIidEntry;
using R = Srv6DbIidRecord;
using S = Srv6DbSmoothKey;

// Rows in record order: reserved3 precedes reserved2 there. The record holds only the first
// 16 bytes of each 32-byte block, so a read leaves the caller's last 16 bytes alone.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),      SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(iid, Codec::kIpv6Words),  SRV6DB_FIELD(prefixLen, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),     SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),     SRV6DB_FIELD(iidgIndex, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),     SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy), SRV6DB_FIELD(reserved3, Codec::kCopy),
    SRV6DB_FIELD(reserved2, Codec::kCopy), SRV6DB_FIELD(block1, Codec::kCopy),
    SRV6DB_FIELD(block2, Codec::kCopy),    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),     SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                   SRV6DB_KEY_IPV6(E, iid, 8), SRV6DB_KEY(E, prefixLen, 24)};
// The same bytes and key word as the XSID prefix table's IIDG index.
constexpr KeySegment kIidg[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, iidgIndex, 4)};

constexpr KeyDef kIidgKey = {0x01090008, kIidg, sizeof(E)};
constexpr KeyDef kSmoothKey = {0x0209000C, kSmoothInputOrder, sizeof(S)};  // index 2 in this table
constexpr UpdateField kSmoothId = SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6te_iid_table_smooth_id);

constexpr TableDef kIid = {
    .id = SRV6_DB_TABLE_IID,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010019, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kIid), "iid: a row overruns or overlaps another");
static_assert(IsWellFormed(kIidgKey) && IsWellFormed(kSmoothKey),
              "iid: a secondary key does not tile its length");

}  // namespace
}  // namespace srv6db

using srv6db::kIid;

extern "C" {

// clang-format off
void SRV6_DB_SetIidFields(const Srv6DbIidEntry *e, Srv6DbIidRecord *r) { srv6db::EncodeRecord<kIid>(e, r); }
void SRV6_DB_GetIidFields(const Srv6DbIidRecord *r, Srv6DbIidEntry *e) { srv6db::DecodeRecord<kIid>(r, e); }
void SRV6_DB_SetIidPriKey(const Srv6DbIidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kIid.primaryKey, e, w, k); }
void SRV6_DB_SetIidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
void SRV6_DB_SetIidIidgIndexHashKey(const Srv6DbIidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kIidgKey, e, w, k); }
// lower-case "key": callers link against both spellings
void SRV6_DB_SetIidIidgIndexHashkey(const Srv6DbIidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kIidgKey, e, w, k); }
uint32_t SRV6_DB_CreateIid(const Srv6DbIidEntry *e) { return srv6db::Create<kIid>(e); }
uint32_t SRV6_DB_ReadIid(Srv6DbIidEntry *e) { return srv6db::Read<kIid>(e); }
uint32_t SRV6_DB_DeleteIid(const Srv6DbIidEntry *e) { return srv6db::Delete<kIid>(e); }
uint32_t SRV6_DB_UpdateIidSmoothId(const Srv6DbIidEntry *e) { return srv6db::Update<kIid>(e, SRV6_DB_SetIidSmoothID); }
uint32_t SRV6_DB_SetIidSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
uint32_t SRV6_DB_CountIidByIidgIndexHashKey(const Srv6DbIidEntry *e, uint64_t *c) { return srv6db::CountChecked(kIid, srv6db::kIidgKey, e, c); }
Srv6DbIter *SRV6_DB_CreateIidIterator(uint32_t n) { return srv6db::CreateIterator(kIid, n); }
Srv6DbIter *SRV6_DB_CreateIidIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kIid, srv6db::kSmoothKey, s, n); }
Srv6DbIter *SRV6_DB_CreateIidIteratorByIidg(const Srv6DbIidEntry *e, uint32_t n) { return srv6db::CreateIterator(kIid, srv6db::kIidgKey, e, n); }
uint32_t SRV6_DB_GetNextIidEntry(Srv6DbIter *i, Srv6DbIidEntry *e) { return srv6db::GetNext<kIid>(i, e); }
void SRV6_DB_ReleaseIidIterator(Srv6DbIter *i) { srv6db::Release(kIid, i); }
// clang-format on

}  // extern "C"
