// SR tunnel group table (spr_tnl_grp, id 14): next-hop groups of SR tunnels.
#ifndef SRV6DB_SCHEMA_TE_SPR_TNL_GRP_DESC_H
#define SRV6DB_SCHEMA_TE_SPR_TNL_GRP_DESC_H

#include "schema/table_def.h"

namespace srv6db::spr_tnl_grp {

using E = Srv6DbSprTnlGrpEntry;
using R = Srv6DbSprTnlGrpRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),          SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(nhpGrpId, Codec::kCopy),      SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),         SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),     SRV6DB_FIELD(block1, Codec::kBoundedCopy),
    SRV6DB_FIELD(block2, Codec::kBoundedCopy), SRV6DB_FIELD(byte1, Codec::kCopy),
    SRV6DB_FIELD(byte2, Codec::kCopy),         SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // packed right after smoothId, 4 bytes before its slot
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(nhpGrpId)};

// The smooth key has the primary key's shape: only the key word tells the engine which
// index is meant.
enum Key : size_t { kPrimaryKey, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::spr_tnl_grp

namespace srv6db {
inline constexpr TableDef kSprTnlGrp =
    SRV6DB_TABLE(SprTnlGrp, SRV6_DB_TABLE_SPR_TNL_GRP, "spr_tnl_grp", spr_tnl_grp);
static_assert(IsWellFormed(kSprTnlGrp));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_TE_SPR_TNL_GRP_DESC_H
