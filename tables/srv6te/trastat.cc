// Traffic statistics table (srv6te_trastat, id 16): twelve counters per key; no smooth id.
#include "core/table_ops.h"

namespace srv6db {
namespace {

using E = Srv6DbTraStatEntry;
using R = Srv6DbTraStatRecord;

// Every field sits at the same offset in entry and record; the gap behind xcType is not carried.
constexpr Field kFields[] = {
    SRV6DB_FIELD(statId1, Codec::kCopy), SRV6DB_FIELD(statId2, Codec::kCopy),
    SRV6DB_FIELD(statId3, Codec::kCopy), SRV6DB_FIELD(xcId, Codec::kCopy),
    SRV6DB_FIELD(xcType, Codec::kCopy),  SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),   SRV6DB_FIELD(statValues, Codec::kCopy),
};
constexpr KeySegment kPrimary[] = {SRV6DB_KEY(E, statId1, 0), SRV6DB_KEY(E, statId2, 4),
                                   SRV6DB_KEY(E, statId3, 8), SRV6DB_KEY(E, xcId, 12),
                                   SRV6DB_KEY(E, xcType, 16)};
// The engine fills this index from the record's attr1; the caller passes the tunnel id alone.
constexpr KeySegment kTunnelId[] = {{0, 0, sizeof(uint32_t), Codec::kCopy}};
constexpr KeySegment kXcInfo[] = {SRV6DB_KEY(E, xcId, 0), SRV6DB_KEY(E, xcType, 4)};

constexpr KeyDef kTunnelIdKey = {0x01090004, kTunnelId, sizeof(uint32_t)};
constexpr KeyDef kXcInfoKey = {0x02090005, kXcInfo, sizeof(E)};

constexpr TableDef kTraStat = {
    .id = SRV6_DB_TABLE_TRASTAT,
    .entrySize = sizeof(E),
    .recordSize = sizeof(R),
    .fields = kFields,
    .primaryKey = {0x00010011, kPrimary, sizeof(E)},
};
static_assert(IsWellFormed(kTraStat), "trastat: a row overruns or overlaps another");
static_assert(IsWellFormed(kTunnelIdKey) && IsWellFormed(kXcInfoKey),
              "trastat: a secondary key does not tile its length");

}  // namespace
}  // namespace srv6db

using srv6db::kTraStat;

extern "C" {

// clang-format off
void SRV6_DB_SetTraStatFields(const Srv6DbTraStatEntry *e, Srv6DbTraStatRecord *r) { srv6db::EncodeRecord<kTraStat>(e, r); }
void SRV6_DB_GetTraStatFields(const Srv6DbTraStatRecord *r, Srv6DbTraStatEntry *e) { srv6db::DecodeRecord<kTraStat>(r, e); }
void SRV6_DB_SetTraStatPriKey(const Srv6DbTraStatEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(kTraStat.primaryKey, e, w, k); }
// lower-case "key": callers link against this spelling
void SRV6_DB_SetTraStatTnlIdHashkey(const uint32_t *t, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kTunnelIdKey, t, w, k); }
void SRV6_DB_SetTraStatXcInfoKey(const Srv6DbTraStatEntry *e, uint32_t *w, void *k) { srv6db::BuildKey(srv6db::kXcInfoKey, e, w, k); }
uint32_t SRV6_DB_CreateTraStat(const Srv6DbTraStatEntry *e) { return srv6db::Create<kTraStat>(e); }
uint32_t SRV6_DB_ReadTraStat(Srv6DbTraStatEntry *e) { return srv6db::Read<kTraStat>(e); }
uint32_t SRV6_DB_DeleteTraStat(const Srv6DbTraStatEntry *e) { return srv6db::Delete<kTraStat>(e); }
uint32_t SRV6_DB_ReadTraStatByXcInfo(Srv6DbTraStatEntry *e) { return srv6db::ReadUnique<kTraStat>(srv6db::kXcInfoKey, e); }
Srv6DbIter *SRV6_DB_CreateTraStatIterator(uint32_t n) { return srv6db::CreateIterator(kTraStat, n); }
Srv6DbIter *SRV6_DB_CreateTraStatIteratorByTnlId(const uint32_t *t, uint32_t n) { return srv6db::CreateIterator(kTraStat, srv6db::kTunnelIdKey, t, n); }
uint32_t SRV6_DB_GetNextTraStatEntry(Srv6DbIter *i, Srv6DbTraStatEntry *e) { return srv6db::GetNext<kTraStat>(i, e); }
void SRV6_DB_ReleaseTraStatIterator(Srv6DbIter *i) { srv6db::Release(kTraStat, i); }
// clang-format on

}  // extern "C"
