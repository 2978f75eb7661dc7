// SR tunnel table (spr_tnl, id 13): SR tunnels, reachable by policy, next-hop group and smooth id.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbSprTnlEntry;
using R = Srv6DbSprTnlRecord;

// The group index key comes from three scalar arguments; the wrappers gather them here.
struct NhpGrpKeyInput {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t nhpGrpId;
};

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tnlIndex, Codec::kCopy),
    SRV6DB_FIELD(tunnelId, Codec::kCopy),
    SRV6DB_FIELD(tunnelType, Codec::kCopy),
    SRV6DB_FIELD(byte1, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(byte2, Codec::kWidenU8),
    SRV6DB_FIELD(byte3, Codec::kWidenU8),
    SRV6DB_FIELD(smoothId, Codec::kCopy),  // from here on four bytes further than in the entry
    SRV6DB_FIELD(data1, Codec::kCopy),
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),      SRV6DB_KEY(E, vrfIndex, 4),    SRV6DB_KEY(E, tnlIndex, 8),
    SRV6DB_KEY(E, tunnelId, 12), SRV6DB_KEY(E, tunnelType, 16),
};
constexpr KeySegment kPolicy[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, tunnelId, 8),
    SRV6DB_KEY(E, tunnelType, 12),
};
constexpr KeySegment kNhpGrp[] = {
    SRV6DB_KEY(NhpGrpKeyInput, vrId, 0),
    SRV6DB_KEY(NhpGrpKeyInput, vrfIndex, 4),
    SRV6DB_KEY(NhpGrpKeyInput, nhpGrpId, 8),
};
constexpr KeyDef kPolicyKey = {0x0109000D, kPolicy, sizeof(E)};
constexpr KeyDef kNhpGrpKey = {0x0209000C, kNhpGrp, sizeof(NhpGrpKeyInput)};
constexpr KeyDef kSmoothKey = {0x0309000C, kSmoothInputOrder, sizeof(Srv6DbSmoothKey)};
constexpr UpdateField kSmoothId = SRV6DB_UPDATE_FIELD(smoothId, db_set_spr_tnl_table_smooth_id);

constexpr TableDef kSprTnl = {
    .id = SRV6_DB_TABLE_SPR_TNL,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010011, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kSprTnl), "SR tunnel: a row overruns or overlaps another");
static_assert(IsWellFormed(kPolicyKey) && IsWellFormed(kNhpGrpKey) && IsWellFormed(kSmoothKey),
              "SR tunnel: secondary key segments do not tile their key");

}  // namespace
}  // namespace srv6db

using srv6db::kSprTnl;
using srv6db::NhpGrpKeyInput;

extern "C" {

// clang-format off
void SRV6_DB_SetSprTnlFields(const Srv6DbSprTnlEntry *e, Srv6DbSprTnlRecord *r) { srv6db::EncodeRecord<kSprTnl>(e, r); }
void SRV6_DB_GetSprTnlFields(const Srv6DbSprTnlRecord *r, Srv6DbSprTnlEntry *e) { srv6db::DecodeRecord<kSprTnl>(r, e); }
void SRV6_DB_SetSprTnlPriKey(const Srv6DbSprTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kSprTnl.primaryKey, e, w, k); }
void SRV6_DB_SetSprTnlIdTypeKey(const Srv6DbSprTnlEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kPolicyKey, e, w, k); }
void SRV6_DB_SetSprTnlGrpIdHashKey(uint32_t v, uint32_t f, uint32_t g, uint32_t *w, void *k) { const NhpGrpKeyInput in = {v, f, g}; srv6db::BuildKey(srv6db::kNhpGrpKey, &in, w, k); }
void SRV6_DB_SetSprTnlSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
uint32_t SRV6_DB_CreateSprTnl(const Srv6DbSprTnlEntry *e) { return srv6db::Create<kSprTnl>(e); }
uint32_t SRV6_DB_ReadSprTnl(Srv6DbSprTnlEntry *e) { return srv6db::Read<kSprTnl>(e); }
uint32_t SRV6_DB_DeleteSprTnl(const Srv6DbSprTnlEntry *e) { return srv6db::Delete<kSprTnl>(e); }
uint32_t SRV6_DB_UpdateSprTnlSmoothId(const Srv6DbSprTnlEntry *e) { return srv6db::Update<kSprTnl>(e, SRV6_DB_SetSprTnlSmoothID); }
uint32_t SRV6_DB_SetSprTnlSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
Srv6DbIter *SRV6_DB_CreateSprTnlIterator(uint32_t n) { return srv6db::CreateIterator(kSprTnl, n); }
Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kSprTnl, srv6db::kSmoothKey, s, n); }
Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByPolicy(const Srv6DbSprTnlEntry *e, uint32_t n) { return srv6db::CreateIterator(kSprTnl, srv6db::kPolicyKey, e, n); }
Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByGrpId(uint32_t v, uint32_t f, uint32_t g, uint32_t n) { const NhpGrpKeyInput in = {v, f, g}; return srv6db::CreateIterator(kSprTnl, srv6db::kNhpGrpKey, &in, n); }
// a null count returns 1 here, before the generic count could count ParamInvalid
uint32_t SRV6_DB_GetSprTnlCountByNhpGrpId(uint32_t v, uint32_t f, uint32_t g, uint64_t *c) { const NhpGrpKeyInput in = {v, f, g}; return c == nullptr ? SRV6_DB_ERR : srv6db::Count(kSprTnl, srv6db::kNhpGrpKey, &in, c); }
uint32_t SRV6_DB_GetNextSprTnlEntry(Srv6DbIter *i, Srv6DbSprTnlEntry *e) { return srv6db::GetNext<kSprTnl>(i, e); }
void SRV6_DB_ReleaseSprTnlIterator(Srv6DbIter *i) { srv6db::Release(kSprTnl, i); }
// clang-format on

}  // extern "C"
