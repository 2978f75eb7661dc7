// Traffic statistics table (srv6te_trastat, id 16): twelve counters per key; no smooth id.
#ifndef SRV6DB_SCHEMA_SRV6TE_TRASTAT_DESC_H
#define SRV6DB_SCHEMA_SRV6TE_TRASTAT_DESC_H

#include "schema/table_def.h"

namespace srv6db::trastat {

using E = Srv6DbTraStatEntry;
using R = Srv6DbTraStatRecord;

// The engine fills the tunnel id index from the record's attr1; callers pass the id alone.
struct TunnelIdInput {
  uint32_t tunnelId;
};

// Every field sits at the same offset in entry and record; the gap behind xcType is not carried.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(statId1, Codec::kCopy), SRV6DB_FIELD(statId2, Codec::kCopy),
    SRV6DB_FIELD(statId3, Codec::kCopy), SRV6DB_FIELD(xcId, Codec::kCopy),
    SRV6DB_FIELD(xcType, Codec::kCopy),  SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),   SRV6DB_FIELD(statValues, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(statId1), SRV6DB_KEY(statId2),
                                          SRV6DB_KEY(statId3), SRV6DB_KEY(xcId),
                                          SRV6DB_KEY(xcType)};
inline constexpr KeySegment kTunnelId[] = {SRV6DB_KEY_HELD_IN(TunnelIdInput, tunnelId, attr1)};
inline constexpr KeySegment kXcInfo[] = {SRV6DB_KEY(xcId), SRV6DB_KEY(xcType)};

enum Key : size_t { kPrimaryKey, kByTunnelId, kByXcInfo };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "TnlId",
     .source = KeySource::kStruct,
     .sourceSize = sizeof(TunnelIdInput),
     .segments = kTunnelId},
    {.name = "XcInfo", .segments = kXcInfo},
};

}  // namespace srv6db::trastat

namespace srv6db {
inline constexpr TableDef kTraStat =
    SRV6DB_TABLE(TraStat, SRV6_DB_TABLE_TRASTAT, "srv6te_trastat", trastat);
static_assert(IsWellFormed(kTraStat));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6TE_TRASTAT_DESC_H
