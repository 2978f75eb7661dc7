// Policy table (srv6te_policy, id 0): one record per SRv6-TE policy.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbPolicyEntry;
using R = Srv6DbPolicyRecord;
using S = Srv6DbSmoothKey;

// The entry's spare byte and record byte 60 have no row: neither direction connects them.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tunnelId, Codec::kCopy),
    SRV6DB_FIELD(tunnelType, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(priGroupId, Codec::kCopy),
    SRV6DB_FIELD(backupGroupId, Codec::kCopy),
    SRV6DB_FIELD(ipv6Addr1, Codec::kIpv6Words),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(ipv6Addr2, Codec::kIpv6Words),
    SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // no alignment gap before it in the record
    SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                   SRV6DB_KEY(E, tunnelId, 8), SRV6DB_KEY(E, tunnelType, 12)};
constexpr KeySegment kPriGroup[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                    SRV6DB_KEY(E, tunnelId, 8), SRV6DB_KEY(E, priGroupId, 12)};
constexpr KeySegment kBackupGroup[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                       SRV6DB_KEY(E, tunnelId, 8),
                                       SRV6DB_KEY(E, backupGroupId, 12)};
constexpr KeySegment kTunnelId[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                    SRV6DB_KEY(E, tunnelId, 8)};

constexpr KeyDef kPriGroupKey = {0x01090010, kPriGroup, sizeof(E)};
constexpr KeyDef kBackupGroupKey = {0x02090010, kBackupGroup, sizeof(E)};
constexpr KeyDef kSmoothKey = {0x0309000C, kSmoothInputOrder, sizeof(S)};
constexpr KeyDef kTunnelIdKey = {0x0409000C, kTunnelId, sizeof(E)};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6te_policy_table_smooth_id);

constexpr TableDef kPolicy = {
    .id = SRV6_DB_TABLE_POLICY,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x0001000D, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kPolicy), "policy: a row overruns or overlaps another");
static_assert(IsWellFormed(kPriGroupKey) && IsWellFormed(kBackupGroupKey) &&
                  IsWellFormed(kSmoothKey) && IsWellFormed(kTunnelIdKey),
              "policy: a secondary key does not tile its length");

}  // namespace
}  // namespace srv6db

using srv6db::kPolicy;

extern "C" {

// clang-format off
void SRV6_DB_SetPolicyFields(const Srv6DbPolicyEntry *e, Srv6DbPolicyRecord *r) { srv6db::EncodeRecord<kPolicy>(e, r); }
void SRV6_DB_GetPolicyFields(const Srv6DbPolicyRecord *r, Srv6DbPolicyEntry *e) { srv6db::DecodeRecord<kPolicy>(r, e); }
void SRV6_DB_SetPolicyPriKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kPolicy.primaryKey, e, w, k); }
void SRV6_DB_SetPolicyPriGroupKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kPriGroupKey, e, w, k); }
void SRV6_DB_SetPolicyBackupGroupKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kBackupGroupKey, e, w, k); }
void SRV6_DB_SetPolicySmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
void SRV6_DB_SetPolicyTunnelIdHashKey(const Srv6DbPolicyEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kTunnelIdKey, e, w, k); }
uint32_t SRV6_DB_CreatePolicy(const Srv6DbPolicyEntry *e) { return srv6db::Create<kPolicy>(e); }
uint32_t SRV6_DB_ReadPolicy(Srv6DbPolicyEntry *e) { return srv6db::Read<kPolicy>(e); }
uint32_t SRV6_DB_DeletePolicy(const Srv6DbPolicyEntry *e) { return srv6db::Delete<kPolicy>(e); }
uint32_t SRV6_DB_UpdatePolicySmoothId(const Srv6DbPolicyEntry *e) { return srv6db::Update<kPolicy>(e, SRV6_DB_SetPolicySmoothID); }
uint32_t SRV6_DB_SetPolicySmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
uint32_t SRV6_DB_ReadPolicyByPriGroup(Srv6DbPolicyEntry *e) { return srv6db::ReadUnique<kPolicy>(srv6db::kPriGroupKey, e); }
uint32_t SRV6_DB_ReadPolicyByBackupGroup(Srv6DbPolicyEntry *e) { return srv6db::ReadUnique<kPolicy>(srv6db::kBackupGroupKey, e); }
uint32_t SRV6_DB_ReadPolicyByTunnelId(Srv6DbPolicyEntry *e) { return srv6db::ReadUnique<kPolicy>(srv6db::kTunnelIdKey, e); }
Srv6DbIter *SRV6_DB_CreatePolicyIterator(uint32_t n) { return srv6db::CreateIterator(kPolicy, n); }
Srv6DbIter *SRV6_DB_CreatePolicyIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kPolicy, srv6db::kSmoothKey, s, n); }
uint32_t SRV6_DB_GetNextPolicyEntry(Srv6DbIter *i, Srv6DbPolicyEntry *e) { return srv6db::GetNext<kPolicy>(i, e); }
void SRV6_DB_ReleasePolicyIterator(Srv6DbIter *i) { srv6db::Release(kPolicy, i); }
// clang-format on

}  // extern "C"
