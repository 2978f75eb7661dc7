// SID function table (srv6_sid_funct, id 7): SID functions by VRF and function id.
#ifndef SRV6DB_SCHEMA_SRV6_SID_FUNCT_DESC_H
#define SRV6DB_SCHEMA_SRV6_SID_FUNCT_DESC_H

#include "schema/table_def.h"

namespace srv6db::sid_funct {

using E = Srv6DbSidFunctEntry;
using R = Srv6DbSidFunctRecord;

// The record holds the two 16-bit values swapped and ahead of portGroupId, and a word at
// offset 36 that no field fills.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),       SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(functId, Codec::kCopy),    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),      SRV6DB_FIELD(shortAttr2, Codec::kCopy),
    SRV6DB_FIELD(shortAttr1, Codec::kCopy), SRV6DB_FIELD(portGroupId, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),      SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),   SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),      SRV6DB_FIELD(data1, Codec::kCopy),
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(functId)};
inline constexpr KeySegment kPortGroup[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                            SRV6DB_KEY(portGroupId)};

enum Key : size_t { kPrimaryKey, kByVrf, kByPortGroup };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    SRV6DB_SMOOTH_KEY(kSmoothIdFirst),
    {.name = "PortGroup", .segments = kPortGroup},
};

}  // namespace srv6db::sid_funct

namespace srv6db {
inline constexpr TableDef kSidFunct =
    SRV6DB_TABLE(SidFunct, SRV6_DB_TABLE_SID_FUNCT, "srv6_sid_funct", sid_funct);
static_assert(IsWellFormed(kSidFunct));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6_SID_FUNCT_DESC_H
