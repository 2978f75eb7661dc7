// SID next-hop table (srv6_sidnhp, id 8): SID next hops by VRF and next-hop id.
#ifndef SRV6DB_SCHEMA_SRV6_SIDNHP_DESC_H
#define SRV6DB_SCHEMA_SRV6_SIDNHP_DESC_H

#include "schema/table_def.h"

namespace srv6db::sidnhp {

using E = Srv6DbSidNhpEntry;
using R = Srv6DbSidNhpRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),       SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(nhpId, Codec::kCopy),      SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),      SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(shortAttr1, Codec::kCopy), SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),   SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // the entry's alignment gap before it is not carried
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(nhpId)};

enum Key : size_t { kPrimaryKey, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    SRV6DB_SMOOTH_KEY(kSmoothIdFirst),
};

}  // namespace srv6db::sidnhp

namespace srv6db {
inline constexpr TableDef kSidNhp =
    SRV6DB_TABLE(SidNhp, SRV6_DB_TABLE_SIDNHP, "srv6_sidnhp", sidnhp);
static_assert(IsWellFormed(kSidNhp));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6_SIDNHP_DESC_H
