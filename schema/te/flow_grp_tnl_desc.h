// Flow group tunnel table (te_flow_grp_tnl, id 11): the tunnels of TE flow groups, reachable by
// tunnel type, IID group, group, combine index and smooth id.
#ifndef SRV6DB_SCHEMA_TE_FLOW_GRP_TNL_DESC_H
#define SRV6DB_SCHEMA_TE_FLOW_GRP_TNL_DESC_H

#include "schema/table_def.h"

namespace srv6db::flow_grp_tnl {

using E = Srv6DbFlowGrpTnlEntry;
using R = Srv6DbFlowGrpTnlRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),          SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tnlKeyId, Codec::kCopy),      SRV6DB_FIELD(combineIndex, Codec::kCopy),
    SRV6DB_FIELD(tnlKeyByte, Codec::kCopy),    SRV6DB_FIELD(grpType, Codec::kCopy),
    SRV6DB_FIELD(tnlType, Codec::kCopy),       SRV6DB_FIELD(grpId, Codec::kCopy),
    SRV6DB_FIELD(iidGroupId, Codec::kCopy),    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),         SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),     SRV6DB_FIELD(block1, Codec::kBoundedCopy),
    SRV6DB_FIELD(block2, Codec::kBoundedCopy), SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),         SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
};
// The keys are unaligned byte strings: u32 values may land at any offset.
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(tnlKeyId), SRV6DB_KEY(combineIndex),
                                          SRV6DB_KEY(tnlKeyByte)};
inline constexpr KeySegment kTnlType[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(grpType), SRV6DB_KEY(tnlType),
                                          SRV6DB_KEY(grpId)};
inline constexpr KeySegment kIidGroup[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(grpType),
                                           SRV6DB_KEY(iidGroupId)};
inline constexpr KeySegment kGroup[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex), SRV6DB_KEY(grpType),
                                        SRV6DB_KEY(grpId)};
inline constexpr KeySegment kCombine[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(combineIndex)};

enum Key : size_t { kPrimaryKey, kByTnlType, kByIidGroup, kByGroup, kByCombine, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "TnlTypeId", .segments = kTnlType},
    {.name = "IidGroupId", .segments = kIidGroup},
    {.name = "GrpId", .segments = kGroup},
    {.name = "CombineIndex", .segments = kCombine},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::flow_grp_tnl

namespace srv6db {
inline constexpr TableDef kFlowGrpTnl =
    SRV6DB_TABLE(FlowGrpTnl, SRV6_DB_TABLE_FLOW_GRP_TNL, "te_flow_grp_tnl", flow_grp_tnl);
static_assert(IsWellFormed(kFlowGrpTnl));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_TE_FLOW_GRP_TNL_DESC_H
