// Port information table (srv6_portinfo, id 9): ports by VRF, port group, ND address and L3
// interface, with a walk over one port group.
#include "engine/engine_api.h"
#include "core/table_ops.h"
#include "core/table_walks.h"

namespace srv6db {
namespace {

using E = Srv6DbPortInfoEntry;
using R = Srv6DbPortInfoRecord;
using S = Srv6DbSmoothKey;

// The same layout both sides; the entry's spare byte and record byte 47 are not connected.
constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),        SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(portGroupId, Codec::kCopy), SRV6DB_FIELD(ndAddr, Codec::kIpv6Words),
    SRV6DB_FIELD(l3IfIndex, Codec::kCopy),   SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),       SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(shortAttr1, Codec::kCopy),  SRV6DB_FIELD(byteAttr1, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),      SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),       SRV6DB_FIELD(data2, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(E, vrId, 0),         SRV6DB_KEY(E, vrfIndex, 4),   SRV6DB_KEY(E, portGroupId, 8),
    SRV6DB_KEY_IPV6(E, ndAddr, 12), SRV6DB_KEY(E, l3IfIndex, 28),
};
constexpr KeySegment kPortGroupKey[] = {
    SRV6DB_KEY(E, vrId, 0),
    SRV6DB_KEY(E, vrfIndex, 4),
    SRV6DB_KEY(E, portGroupId, 8),
};
// Neither the ND refresh key nor the L3 interface key holds a VRF: records of several VRFs
// share them.
constexpr KeySegment kNdRefreshKey[] = {
    SRV6DB_KEY_IPV6(E, ndAddr, 0),
    SRV6DB_KEY(E, l3IfIndex, 16),
};
constexpr KeySegment kL3ifKey[] = {SRV6DB_KEY(E, l3IfIndex, 0)};
constexpr UpdateField kSmoothId =
    SRV6DB_UPDATE_FIELD(smoothId, db_set_srv6_port_info_table_smooth_id);

constexpr TableDef kPortInfo = {
    .id = SRV6_DB_TABLE_PORTINFO,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010020, kPrimary, sizeof(E)},
};
constexpr KeyDef kByPortGroup = {0x0109000C, kPortGroupKey, sizeof(E)};
constexpr KeyDef kByNdRefresh = {0x02090014, kNdRefreshKey, sizeof(E)};
constexpr KeyDef kByL3if = {0x03090004, kL3ifKey, sizeof(E)};
constexpr KeyDef kByVrf = {0x0409000C, kSmoothIdFirst, sizeof(S)};
static_assert(IsWellFormed(kPortInfo), "port info: a row overruns or overlaps another");
static_assert(IsWellFormed(kByPortGroup) && IsWellFormed(kByNdRefresh) && IsWellFormed(kByL3if) &&
                  IsWellFormed(kByVrf),
              "port info: a key is malformed");

}  // namespace
}  // namespace srv6db

using srv6db::kByL3if;
using srv6db::kByNdRefresh;
using srv6db::kByPortGroup;
using srv6db::kByVrf;
using srv6db::kPortInfo;

extern "C" {

// clang-format off
void SRV6_DB_SetPortInfoFields(const Srv6DbPortInfoEntry *e, Srv6DbPortInfoRecord *r) { srv6db::EncodeRecord<kPortInfo>(e, r); }
void SRV6_DB_GetPortInfoFields(const Srv6DbPortInfoRecord *r, Srv6DbPortInfoEntry *e) { srv6db::DecodeRecord<kPortInfo>(r, e); }
void SRV6_DB_SetPortInfoPriKey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kPortInfo.primaryKey, e, w, k); }
// "Hashkey" with a lower-case k in the next three names, as callers link them.
void SRV6_DB_SetPortInfoPortGroupHashkey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByPortGroup, e, w, k); }
void SRV6_DB_SetPortInfoNdRefreshHashkey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByNdRefresh, e, w, k); }
void SRV6_DB_SetPortInfoL3ifHashkey(const Srv6DbPortInfoEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kByL3if, e, w, k); }
void SRV6_DB_SetPortInfoSmoothHashKey(const Srv6DbSmoothKey *s, uint32_t *w, void *k) { srv6db::BuildKey(kByVrf, s, w, k); }
uint32_t SRV6_DB_CreatePortInfo(const Srv6DbPortInfoEntry *e) { return srv6db::Create<kPortInfo>(e); }
uint32_t SRV6_DB_ReadPortInfo(Srv6DbPortInfoEntry *e) { return srv6db::Read<kPortInfo>(e); }
uint32_t SRV6_DB_DeletePortInfo(const Srv6DbPortInfoEntry *e) { return srv6db::Delete<kPortInfo>(e); }
uint32_t SRV6_DB_UpdatePortInfoSmoothId(const Srv6DbPortInfoEntry *e) { return srv6db::Update<kPortInfo>(e, SRV6_DB_SetPortInfoSmoothID); }
uint32_t SRV6_DB_SetPortInfoSmoothID(Srv6DbUpdateCtx *c, void *o) { return srv6db::StageField(srv6db::kSmoothId, c, o); }
uint32_t SRV6_DB_CountPortInfoByNdRefreshHashKey(const Srv6DbPortInfoEntry *e, uint64_t *n) { return srv6db::CountChecked(kPortInfo, kByNdRefresh, e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIterator(uint32_t n) { return srv6db::CreateIterator(kPortInfo, n); }
// "Iteratory" in the next three names, as callers link them.
Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByPortGroup(const Srv6DbPortInfoEntry *e, uint32_t n) { return srv6db::CreateIterator(kPortInfo, kByPortGroup, e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByL3if(const Srv6DbPortInfoEntry *e, uint32_t n) { return srv6db::CreateIterator(kPortInfo, kByL3if, e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(const Srv6DbPortInfoEntry *e, uint32_t n) { return srv6db::CreateIterator(kPortInfo, kByNdRefresh, e, n); }
Srv6DbIter *SRV6_DB_CreatePortInfoIteratorByVrf(const Srv6DbSmoothKey *s, uint32_t n) { return srv6db::CreateIterator(kPortInfo, kByVrf, s, n); }
uint32_t SRV6_DB_GetNextPortInfoEntry(Srv6DbIter *i, Srv6DbPortInfoEntry *e) { return srv6db::GetNext<kPortInfo>(i, e); }
void SRV6_DB_ReleasePortInfoIterator(Srv6DbIter *i) { srv6db::Release(kPortInfo, i); }
uint32_t SRV6_DB_ReadPortInfoByPortGroupHashKey(const Srv6DbPortInfoEntry *e, Srv6DbPortInfoVisitor v, void *u) { return srv6db::VisitByKey(kPortInfo, kByPortGroup, e, v, u); }
// clang-format on

}  // extern "C"
