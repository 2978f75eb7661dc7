// Common table (srv6_common, id 4): records keyed by commonId.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbCommonEntry;
using R = Srv6DbCommonRecord;

constexpr Field kFields[] = {
    SRV6DB_FIELD(commonId, Codec::kCopy),       SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),          SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),          SRV6DB_FIELD(ipv6Addr1, Codec::kIpv6Words),
    SRV6DB_FIELD(ipv6Addr2, Codec::kIpv6Words), SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),          SRV6DB_FIELD(attr7, Codec::kCopy),
    SRV6DB_FIELD(attr8, Codec::kCopy),          SRV6DB_FIELD(attr9, Codec::kCopy),
    SRV6DB_FIELD(attr10, Codec::kCopy),         SRV6DB_FIELD(attr11, Codec::kCopy),
    SRV6DB_FIELD(attr12, Codec::kCopy),         SRV6DB_FIELD(octets, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),  // four bytes further on than in the entry
    SRV6DB_FIELD(data1, Codec::kCopy),          SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, commonId, 0)};
constexpr UpdateField kSmoothId = SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6_common_table_smooth_id);

constexpr TableDef kCommon = {
    .id = SRV6_DB_TABLE_COMMON,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010004, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kCommon), "common: a row overruns or overlaps another");

}  // namespace
}  // namespace srv6db

using srv6db::kCommon;

extern "C" {

// clang-format off
void SRV6_DB_SetCommonFields(const Srv6DbCommonEntry *e, Srv6DbCommonRecord *r) { srv6db::EncodeRecord<kCommon>(e, r); }
void SRV6_DB_GetCommonFields(const Srv6DbCommonRecord *r, Srv6DbCommonEntry *e) { srv6db::DecodeRecord<kCommon>(r, e); }
void SRV6_DB_SetCommonPriKey(const Srv6DbCommonEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kCommon.primaryKey, e, w, k); }
uint32_t SRV6_DB_CreateCommon(const Srv6DbCommonEntry *e) { return srv6db::Create<kCommon>(e); }
uint32_t SRV6_DB_ReadCommon(Srv6DbCommonEntry *e) { return srv6db::Read<kCommon>(e); }
uint32_t SRV6_DB_DeleteCommon(const Srv6DbCommonEntry *e) { return srv6db::Delete<kCommon>(e); }
uint32_t SRV6_DB_UpdateCommonSmoothId(const Srv6DbCommonEntry *e) { return srv6db::Update<kCommon>(e, SRV6_DB_SetCommonSmoothID); }
uint32_t SRV6_DB_SetCommonSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateCommonIterator(uint32_t n) { return srv6db::CreateIterator(kCommon, n); }
uint32_t SRV6_DB_GetNextCommonEntry(Srv6DbIter *i, Srv6DbCommonEntry *e) { return srv6db::GetNext<kCommon>(i, e); }
void SRV6_DB_ReleaseCommonIterator(Srv6DbIter *i) { srv6db::Release(kCommon, i); }
// clang-format on

}  // extern "C"
