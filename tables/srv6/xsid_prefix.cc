// XSID prefix table (srv6_xsid_prefix, id 5): XSID prefixes by VRF, three addresses and two
// service context bytes, with local, IIDG, service context and smooth indexes.
#include "engine/engine_api.h"
#include "core/table_ops.h"
#include "core/table_walks.h"

namespace srv6db {
namespace {

using E = Srv6DbXsidEntry;
using R = Srv6DbXsidRecord;
using S = Srv6DbSmoothKey;

// The record's first 58 bytes are the primary key. attr1 is stored after iidgIndex, so
// attr2 to iidgIndex each stand one word earlier than in the entry.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),          SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(prefix, Codec::kIpv6Words),   SRV6DB_FIELD(ipv6Addr2, Codec::kIpv6Words),
    SRV6DB_FIELD(svcAddr, Codec::kIpv6Words),  SRV6DB_FIELD(svcCtx1, Codec::kCopy),
    SRV6DB_FIELD(svcCtx2, Codec::kCopy),       SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),         SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(discriminator, Codec::kCopy), SRV6DB_FIELD(iidgIndex, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),         SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(reserved3, Codec::kCopy),     SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),         SRV6DB_FIELD(reserved4, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),         SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),         SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),          SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY_IPV6(E, prefix, 8),   SRV6DB_KEY_IPV6(E, ipv6Addr2, 24),
    SRV6DB_KEY_IPV6(E, svcAddr, 40), SRV6DB_KEY(E, svcCtx1, 56),
    SRV6DB_KEY(E, svcCtx2, 57),
};
// The same bytes and key word as the IID table's IIDG key; vrfIndex is not part of it.
constexpr KeySegment kIidgKey[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, iidgIndex, 4),
};
constexpr KeySegment kLocalKey[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY_IPV6(E, prefix, 8),
};
constexpr KeySegment kSvcCtxKey[] = {
    SRV6DB_KEY(E, vrId, 0),     SRV6DB_KEY(E, vrfIndex, 4), SRV6DB_KEY_IPV6(E, svcAddr, 8),
    SRV6DB_KEY(E, svcCtx1, 24), SRV6DB_KEY(E, svcCtx2, 25),
};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6_xsid_prefix_table_smooth_id);
constexpr UpdateField kDiscriminator =
    SRV6DB_UPDATE_FIELD(discriminator, db_set_srv6_xsid_prefix_discriminator);

constexpr TableDef kXsid = {
    .id = SRV6_DB_TABLE_XSID_PREFIX,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001003A, kPrimary, sizeof(E)},
};
constexpr KeyDef kByIidg = {0x01090008, kIidgKey, sizeof(E)};
constexpr KeyDef kByLocal = {0x02090018, kLocalKey, sizeof(E)};
constexpr KeyDef kBySvcCtx = {0x0309001A, kSvcCtxKey, sizeof(E)};
constexpr KeyDef kByVrf = {0x0409000C, kSmoothIdFirst, sizeof(S)};
static_assert(IsWellFormed(kXsid), "xsid: a row overruns or overlaps another");
static_assert(IsWellFormed(kByIidg) && IsWellFormed(kByLocal) && IsWellFormed(kBySvcCtx) &&
                  IsWellFormed(kByVrf),
              "xsid: a key is malformed");

}  // namespace
}  // namespace srv6db

using srv6db::kByIidg;
using srv6db::kByLocal;
using srv6db::kBySvcCtx;
using srv6db::kByVrf;
using srv6db::kXsid;

extern "C" {

// clang-format off
void SRV6_DB_SetXsidFields(const Srv6DbXsidEntry *e, Srv6DbXsidRecord *r) { srv6db::EncodeRecord<kXsid>(e, r); }
void SRV6_DB_GetXsidFields(const Srv6DbXsidRecord *r, Srv6DbXsidEntry *e) { srv6db::DecodeRecord<kXsid>(r, e); }
// Two of the key setters answer a code (always 0), as callers link them.
uint32_t SRV6_DB_SetXsidPriKey(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kXsid.primaryKey, e, w, k); return SRV6_DB_OK; }
void SRV6_DB_SetXsidIidgHashKey(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByIidg, e, w, k); }
// Lower-case "local", as callers link it.
void SRV6_DB_SetXsidlocalHashKey(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByLocal, e, w, k); }
uint32_t SRV6_DB_SetXsidSvcKeyField(const Srv6DbXsidEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kBySvcCtx, e, w, k); return SRV6_DB_OK; }
void SRV6_DB_SetXsidSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(kByVrf, s, w, k); }
uint32_t SRV6_DB_CreateXsid(const Srv6DbXsidEntry *e) { return srv6db::Create<kXsid>(e); }
uint32_t SRV6_DB_ReadXsid(Srv6DbXsidEntry *e) { return srv6db::Read<kXsid>(e); }
uint32_t SRV6_DB_DeleteXsid(const Srv6DbXsidEntry *e) { return srv6db::Delete<kXsid>(e); }
uint32_t SRV6_DB_UpdateXsidSmoothId(const Srv6DbXsidEntry *e) { return srv6db::Update<kXsid>(e, SRV6_DB_SetXsidSmoothID); }
uint32_t SRV6_DB_SetXsidSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
uint32_t SRV6_DB_UpdateXsidDiscriminator(const Srv6DbXsidEntry *e) { return srv6db::Update<kXsid>(e, SRV6_DB_SetXsidStdDiscriminator); }
uint32_t SRV6_DB_SetXsidStdDiscriminator(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kDiscriminator, c, o); }
Srv6DbIter *SRV6_DB_CreateXsidIterator(uint32_t n) { return srv6db::CreateIterator(kXsid, n); }
Srv6DbIter *SRV6_DB_CreateXsidIteratorByLocalHash(const Srv6DbXsidEntry *e, uint32_t n) { return srv6db::CreateIterator(kXsid, kByLocal, e, n); }
Srv6DbIter *SRV6_DB_CreateXsidIteratorByIidg(const Srv6DbXsidEntry *e, uint32_t n) { return srv6db::CreateIterator(kXsid, kByIidg, e, n); }
Srv6DbIter *SRV6_DB_CreateXsidIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kXsid, kByVrf, s, n); }
uint32_t SRV6_DB_GetNextXsidEntry(Srv6DbIter *i, Srv6DbXsidEntry *e) { return srv6db::GetNext<kXsid>(i, e); }
void SRV6_DB_ReleaseXsidIterator(Srv6DbIter *i) { srv6db::Release(kXsid, i); }
uint32_t SRV6_DB_ReadXsidByLocalHash(const Srv6DbXsidEntry *e, uint32_t len, Srv6DbXsidEntry *out) { return srv6db::ReadIntoArray(kXsid, kByLocal, e, len, out); }
// Lower-case "hash", as callers link it; a null count is answered here, without a statistic.
uint32_t SRV6_DB_GetXsidCountByLocalhash(const Srv6DbXsidEntry *e, uint64_t *n) { return srv6db::CountChecked(kXsid, kByLocal, e, n); }
// A null count goes on to the core count, which counts ParamInvalid.
uint32_t SRV6_DB_CountXsidByIidgIndexHashKey(const Srv6DbXsidEntry *e, uint64_t *n) { return srv6db::Count(kXsid, kByIidg, e, n); }
uint32_t SRV6_DB_ReadXsidBySvcCtxKey(Srv6DbXsidEntry *e) { return srv6db::ReadUnique<kXsid>(kBySvcCtx, e); }
// clang-format on

}  // extern "C"
