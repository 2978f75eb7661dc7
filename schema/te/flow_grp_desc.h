// Flow group table (te_flow_grp, id 10): flow groups keyed by VRF, group id and group type.
#ifndef SRV6DB_SCHEMA_TE_FLOW_GRP_DESC_H
#define SRV6DB_SCHEMA_TE_FLOW_GRP_DESC_H

#include "schema/table_def.h"

namespace srv6db::flow_grp {

using E = Srv6DbFlowGrpEntry;
using R = Srv6DbFlowGrpRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),           SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(grpId, Codec::kCopy),          SRV6DB_FIELD(grpType, Codec::kCopy),
    SRV6DB_FIELD(byte1, Codec::kCopy),          SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(ipv6Addr1, Codec::kIpv6Words), SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),          SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),          SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex), SRV6DB_KEY(grpId),
                                          SRV6DB_KEY(grpType)};

enum Key : size_t { kPrimaryKey, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::flow_grp

namespace srv6db {
inline constexpr TableDef kFlowGrp =
    SRV6DB_TABLE(FlowGrp, SRV6_DB_TABLE_FLOW_GRP, "te_flow_grp", flow_grp);
static_assert(IsWellFormed(kFlowGrp));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_TE_FLOW_GRP_DESC_H
