// Candidate path table (srv6te_candipath, id 1): the paths of a policy, gathered by group.
#ifndef SRV6DB_SCHEMA_SRV6TE_CANDIPATH_DESC_H
#define SRV6DB_SCHEMA_SRV6TE_CANDIPATH_DESC_H

#include "schema/table_def.h"

namespace srv6db::candipath {

using E = Srv6DbCandiPathEntry;
using R = Srv6DbCandiPathRecord;
using G = Srv6DbCandiPathGroupInfo;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),     SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tunnelId, Codec::kCopy), SRV6DB_FIELD(groupId, Codec::kCopy),
    SRV6DB_FIELD(xcId, Codec::kCopy),     SRV6DB_FIELD(xcType, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),   SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // no alignment gap before it in the record
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId),     SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(tunnelId), SRV6DB_KEY(groupId),
                                          SRV6DB_KEY(xcId),     SRV6DB_KEY(xcType)};
inline constexpr KeySegment kGroupInfo[] = {SRV6DB_KEY_OF(G, vrId), SRV6DB_KEY_OF(G, vrfIndex),
                                            SRV6DB_KEY_OF(G, tunnelId), SRV6DB_KEY_OF(G, groupId)};
inline constexpr KeySegment kXcInfo[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex), SRV6DB_KEY(xcId),
                                         SRV6DB_KEY(xcType)};

enum Key : size_t { kPrimaryKey, kByGroupInfo, kByXcInfo, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "GroupInfo",
     .source = KeySource::kStruct,
     .sourceSize = sizeof(G),
     .segments = kGroupInfo},
    {.name = "XcInfo", .segments = kXcInfo},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::candipath

namespace srv6db {
inline constexpr TableDef kCandiPath =
    SRV6DB_TABLE(CandiPath, SRV6_DB_TABLE_CANDIPATH, "srv6te_candipath", candipath);
static_assert(IsWellFormed(kCandiPath));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6TE_CANDIPATH_DESC_H
