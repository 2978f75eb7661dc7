// Flow group map table (te_flow_grp_map, id 12): flow group mappings; no secondary index.
#ifndef SRV6DB_SCHEMA_TE_FLOW_GRP_MAP_DESC_H
#define SRV6DB_SCHEMA_TE_FLOW_GRP_MAP_DESC_H

#include "schema/table_def.h"

namespace srv6db::flow_grp_map {

using E = Srv6DbFlowGrpMapEntry;
using R = Srv6DbFlowGrpMapRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),        SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(mapKeyBytes, Codec::kCopy), SRV6DB_FIELD(mapKeyId1, Codec::kCopy),
    SRV6DB_FIELD(mapKeyId2, Codec::kCopy),   SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),       SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),       SRV6DB_FIELD(byte1, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),       SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),       SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(mapKeyBytes), SRV6DB_KEY(mapKeyId1),
                                          SRV6DB_KEY(mapKeyId2)};
inline constexpr KeyDef kKeys[] = {SRV6DB_PRIMARY_KEY(kPrimary)};

}  // namespace srv6db::flow_grp_map

namespace srv6db {
inline constexpr TableDef kFlowGrpMap =
    SRV6DB_TABLE(FlowGrpMap, SRV6_DB_TABLE_FLOW_GRP_MAP, "te_flow_grp_map", flow_grp_map);
static_assert(IsWellFormed(kFlowGrpMap));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_TE_FLOW_GRP_MAP_DESC_H
