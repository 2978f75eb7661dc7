// SR tunnel table (spr_tnl, id 13): SR tunnels, reachable by policy, next-hop group and smooth id.
#ifndef SRV6DB_SCHEMA_TE_SPR_TNL_DESC_H
#define SRV6DB_SCHEMA_TE_SPR_TNL_DESC_H

#include "schema/table_def.h"

namespace srv6db::spr_tnl {

using E = Srv6DbSprTnlEntry;
using R = Srv6DbSprTnlRecord;

// The next-hop group key comes from three scalar arguments, gathered here in their order.
struct NhpGrpInput {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t nhpGrpId;
};

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tnlIndex, Codec::kCopy),
    SRV6DB_FIELD(tunnelId, Codec::kCopy),
    SRV6DB_FIELD(tunnelType, Codec::kCopy),
    SRV6DB_FIELD(byte1, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(byte2, Codec::kWidenU8),
    SRV6DB_FIELD(byte3, Codec::kWidenU8),
    SRV6DB_FIELD(smoothId, Codec::kCopy),  // from here on four bytes further than in the entry
    SRV6DB_FIELD(data1, Codec::kCopy),
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(tnlIndex), SRV6DB_KEY(tunnelId),
                                          SRV6DB_KEY(tunnelType)};
inline constexpr KeySegment kPolicy[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                         SRV6DB_KEY(tunnelId), SRV6DB_KEY(tunnelType)};
inline constexpr KeySegment kNhpGrp[] = {SRV6DB_KEY_OF(NhpGrpInput, vrId),
                                         SRV6DB_KEY_OF(NhpGrpInput, vrfIndex),
                                         SRV6DB_KEY_HELD_IN(NhpGrpInput, nhpGrpId, attr1)};

enum Key : size_t { kPrimaryKey, kByPolicy, kByNhpGrp, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "Policy", .segments = kPolicy},
    {.name = "GrpId",
     .source = KeySource::kStruct,
     .sourceSize = sizeof(NhpGrpInput),
     .segments = kNhpGrp,
     .countAnswersNull = true},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::spr_tnl

namespace srv6db {
inline constexpr TableDef kSprTnl = SRV6DB_TABLE(SprTnl, SRV6_DB_TABLE_SPR_TNL, "spr_tnl", spr_tnl);
static_assert(IsWellFormed(kSprTnl));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_TE_SPR_TNL_DESC_H
