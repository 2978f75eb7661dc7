// Local SID table (srv6_local_sid, id 6): local SIDs by VRF, address and prefix length.
#ifndef SRV6DB_SCHEMA_SRV6_LOCAL_SID_DESC_H
#define SRV6DB_SCHEMA_SRV6_LOCAL_SID_DESC_H

#include "schema/table_def.h"

namespace srv6db::local_sid {

using E = Srv6DbLocalSidEntry;
using R = Srv6DbLocalSidRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(sid, Codec::kIpv6Words),
    SRV6DB_FIELD(prefixLen, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(functId, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // 4-byte aligned in the record: no gap before it
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY_IPV6(sid), SRV6DB_KEY(prefixLen)};
inline constexpr KeySegment kFunctId[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(functId)};

enum Key : size_t { kPrimaryKey, kByFunctId, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "FunctId", .segments = kFunctId},
    SRV6DB_SMOOTH_KEY(kSmoothIdFirst),
};

}  // namespace srv6db::local_sid

namespace srv6db {
inline constexpr TableDef kLocalSid =
    SRV6DB_TABLE(LocalSid, SRV6_DB_TABLE_LOCAL_SID, "srv6_local_sid", local_sid);
static_assert(IsWellFormed(kLocalSid));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6_LOCAL_SID_DESC_H
