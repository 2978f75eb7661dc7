// Candidate path table (srv6te_candipath, id 1): the paths of a policy, gathered by group.
#include "engine/engine_api.h"
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbCandiPathEntry;
using R = Srv6DbCandiPathRecord;
using S = Srv6DbSmoothKey;
using G = Srv6DbCandiPathGroupInfo;

constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),     SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tunnelId, Codec::kCopy), SRV6DB_FIELD(groupId, Codec::kCopy),
    SRV6DB_FIELD(xcId, Codec::kCopy),     SRV6DB_FIELD(xcType, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),   SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // no alignment gap before it in the record
    SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, vrId, 0),     SRV6DB_KEY(E, vrfIndex, 4),
                                   SRV6DB_KEY(E, tunnelId, 8), SRV6DB_KEY(E, groupId, 12),
                                   SRV6DB_KEY(E, xcId, 16),    SRV6DB_KEY(E, xcType, 20)};
constexpr KeySegment kGroupInfo[] = {SRV6DB_KEY(G, vrId, 0), SRV6DB_KEY(G, vrfIndex, 4),
                                     SRV6DB_KEY(G, tunnelId, 8), SRV6DB_KEY(G, groupId, 12)};
constexpr KeySegment kXcInfo[] = {SRV6DB_KEY(E, vrId, 0), SRV6DB_KEY(E, vrfIndex, 4),
                                  SRV6DB_KEY(E, xcId, 8), SRV6DB_KEY(E, xcType, 12)};

constexpr KeyDef kGroupInfoKey = {0x01090010, kGroupInfo, sizeof(G)};
constexpr KeyDef kXcInfoKey = {0x0209000D, kXcInfo, sizeof(E)};
constexpr KeyDef kSmoothKey = {0x0309000C, kSmoothInputOrder, sizeof(S)};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6te_candipath_table_smooth_id);

constexpr TableDef kCandiPath = {
    .id = SRV6_DB_TABLE_CANDIPATH,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010015, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kCandiPath), "candipath: a row overruns or overlaps another");
static_assert(IsWellFormed(kGroupInfoKey) && IsWellFormed(kXcInfoKey) && IsWellFormed(kSmoothKey),
              "candipath: a secondary key does not tile its length");

}  // namespace
}  // namespace srv6db

using srv6db::kCandiPath;

extern "C" {

// clang-format off
void SRV6_DB_SetCandiPathFields(const Srv6DbCandiPathEntry *e, Srv6DbCandiPathRecord *r) { srv6db::EncodeRecord<kCandiPath>(e, r); }
void SRV6_DB_GetCandiPathFields(const Srv6DbCandiPathRecord *r, Srv6DbCandiPathEntry *e) { srv6db::DecodeRecord<kCandiPath>(r, e); }
void SRV6_DB_SetCandiPathPriKey(const Srv6DbCandiPathEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kCandiPath.primaryKey, e, w, k); }
void SRV6_DB_SetCandiPathXcinfoKey(const Srv6DbCandiPathEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kXcInfoKey, e, w, k); }
void SRV6_DB_SetCandiPathSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kSmoothKey, s, w, k); }
void SRV6_DB_SetCandiPathGroupInfoHashKey(const Srv6DbCandiPathGroupInfo *g, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kGroupInfoKey, g, w, k); }
uint32_t SRV6_DB_CreateCandiPath(const Srv6DbCandiPathEntry *e) { return srv6db::Create<kCandiPath>(e); }
uint32_t SRV6_DB_ReadCandiPath(Srv6DbCandiPathEntry *e) { return srv6db::Read<kCandiPath>(e); }
uint32_t SRV6_DB_DeleteCandiPath(const Srv6DbCandiPathEntry *e) { return srv6db::Delete<kCandiPath>(e); }
uint32_t SRV6_DB_UpdateCandiPathSmoothId(const Srv6DbCandiPathEntry *e) { return srv6db::Update<kCandiPath>(e, SRV6_DB_SetCandiPathSmoothID); }
uint32_t SRV6_DB_SetCandiPathSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
uint32_t SRV6_DB_ReadCandiPathByXcinfo(Srv6DbCandiPathEntry *e) { return srv6db::ReadUnique<kCandiPath>(srv6db::kXcInfoKey, e); }
Srv6DbIter *SRV6_DB_CreateCandiPathIterator(uint32_t n) { return srv6db::CreateIterator(kCandiPath, n); }
Srv6DbIter *SRV6_DB_CreateCandiPathIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kCandiPath, srv6db::kSmoothKey, s, n); }
Srv6DbIter *SRV6_DB_CreateCandiPathIteratorByGroupInfo(const Srv6DbCandiPathGroupInfo *g, uint32_t n) { return srv6db::CreateIterator(kCandiPath, srv6db::kGroupInfoKey, g, n); }
uint32_t SRV6_DB_GetNextCandiPathEntry(Srv6DbIter *i, Srv6DbCandiPathEntry *e) { return srv6db::GetNext<kCandiPath>(i, e); }
void SRV6_DB_ReleaseCandiPathIterator(Srv6DbIter *i) { srv6db::Release(kCandiPath, i); }
// clang-format on

}  // extern "C"
