// SID stack table (srv6te_sidstack, id 2): segment lists with their local SID, nine SIDs and IID.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbSidStackEntry;
using R = Srv6DbSidStackRecord;
using S = Srv6DbSmoothKey;

// The entry's spare byte and record byte 197 have no row: neither direction connects them.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(listId, Codec::kCopy),
    SRV6DB_FIELD(listType, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(localSid, Codec::kIpv6Words),
    SRV6DB_FIELD(sidList, Codec::kIpv6Words),  // nine addresses, each word swapped
    SRV6DB_FIELD(iid, Codec::kIpv6Words),
    SRV6DB_FIELD(iidPrefixLen, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(reserved3, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // no alignment gap before it in the record
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                   SRV6DB_KEY(E, listId, 8), SRV6DB_KEY(E, listType, 12)};
// Addresses in the keys are swapped as in the record, so a key matches the stored bytes.
constexpr KeySegment kIid[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                               SRV6DB_KEY_IPV6(E, iid, 8), SRV6DB_KEY(E, iidPrefixLen, 24)};
constexpr KeySegment kLocalSid[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                    SRV6DB_KEY_IPV6(E, localSid, 8)};
constexpr KeySegment kVrid[] = {{0, 0, sizeof(uint32_t), Codec::kCopy}};

constexpr KeyDef kIidKey = {0x01090019, kIid, sizeof(E)};
constexpr KeyDef kLocalSidKey = {0x02090018, kLocalSid, sizeof(E)};
constexpr KeyDef kVridKey = {0x03090004, kVrid, sizeof(uint32_t)};
constexpr KeyDef kSmoothKey = {0x0409000C, kSmoothInputOrder, sizeof(S)};  // index 4 in this table
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6te_sidstack_table_smooth_id);

constexpr TableDef kSidStack = {
    .id = SRV6_DB_TABLE_SIDSTACK,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000D, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kSidStack), "sidstack: a row overruns or overlaps another");
static_assert(IsWellFormed(kIidKey) && IsWellFormed(kLocalSidKey) && IsWellFormed(kVridKey) &&
                  IsWellFormed(kSmoothKey),
              "sidstack: a secondary key does not tile its length");

}  // namespace
}  // namespace srv6db

using srv6db::kSidStack;

extern "C" {

// clang-format off
void SRV6_DB_SetSidStackFields(const Srv6DbSidStackEntry *e, Srv6DbSidStackRecord *r) { srv6db::EncodeRecord<kSidStack>(e, r); }
void SRV6_DB_GetSidStackFields(const Srv6DbSidStackRecord *r, Srv6DbSidStackEntry *e) { srv6db::DecodeRecord<kSidStack>(r, e); }
void SRV6_DB_SetSidStackPriKey(const Srv6DbSidStackEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kSidStack.primaryKey, e, w, k); }
void SRV6_DB_SetSidStackSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
void SRV6_DB_SetSidStackIidHashKey(const Srv6DbSidStackEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kIidKey, e, w, k); }
void SRV6_DB_SetSidStackLocalSidHashKey(const Srv6DbSidStackEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kLocalSidKey, e, w, k); }
void SRV6_DB_SetSidStackVridHashKey(const uint32_t *v, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kVridKey, v, w, k); }
uint32_t SRV6_DB_CreateSidStack(const Srv6DbSidStackEntry *e) { return srv6db::Create<kSidStack>(e); }
uint32_t SRV6_DB_ReadSidStack(Srv6DbSidStackEntry *e) { return srv6db::Read<kSidStack>(e); }
uint32_t SRV6_DB_DeleteSidStack(const Srv6DbSidStackEntry *e) { return srv6db::Delete<kSidStack>(e); }
uint32_t SRV6_DB_UpdateSidStackSmoothId(const Srv6DbSidStackEntry *e) { return srv6db::Update<kSidStack>(e, SRV6_DB_SetSidStackSmoothID); }
uint32_t SRV6_DB_SetSidStackSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateSidStackIterator(uint32_t n) { return srv6db::CreateIterator(kSidStack, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kSidStack, srv6db::kSmoothKey, s, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByIid(const Srv6DbSidStackEntry *e, uint32_t n) { return srv6db::CreateIterator(kSidStack, srv6db::kIidKey, e, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByLocalSid(const Srv6DbSidStackEntry *e, uint32_t n) { return srv6db::CreateIterator(kSidStack, srv6db::kLocalSidKey, e, n); }
Srv6DbIter *SRV6_DB_CreateSidStackIteratorByVrid(const uint32_t *v, uint32_t n) { return srv6db::CreateIterator(kSidStack, srv6db::kVridKey, v, n); }
uint32_t SRV6_DB_GetNextSidStackEntry(Srv6DbIter *i, Srv6DbSidStackEntry *e) { return srv6db::GetNext<kSidStack>(i, e); }
void SRV6_DB_ReleaseSidStackIterator(Srv6DbIter *i) { srv6db::Release(kSidStack, i); }
// clang-format on

}  // extern "C"
