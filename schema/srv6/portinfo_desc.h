// Port information table (srv6_portinfo, id 9): ports by VRF, port group, ND address and L3
// interface.
#ifndef SRV6DB_SCHEMA_SRV6_PORTINFO_DESC_H
#define SRV6DB_SCHEMA_SRV6_PORTINFO_DESC_H

#include "schema/table_def.h"

namespace srv6db::portinfo {

using E = Srv6DbPortInfoEntry;
using R = Srv6DbPortInfoRecord;

// The same layout both sides; the entry's spare byte and record byte 47 are not connected.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),        SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(portGroupId, Codec::kCopy), SRV6DB_FIELD(ndAddr, Codec::kIpv6Words),
    SRV6DB_FIELD(l3IfIndex, Codec::kCopy),   SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),       SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(shortAttr1, Codec::kCopy),  SRV6DB_FIELD(byteAttr1, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),      SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),       SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(portGroupId), SRV6DB_KEY_IPV6(ndAddr),
                                          SRV6DB_KEY(l3IfIndex)};
inline constexpr KeySegment kPortGroup[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                            SRV6DB_KEY(portGroupId)};
// Neither the ND refresh key nor the L3 interface key holds a VRF: records of several VRFs
// share them.
inline constexpr KeySegment kNdRefresh[] = {SRV6DB_KEY_IPV6(ndAddr), SRV6DB_KEY(l3IfIndex)};
inline constexpr KeySegment kL3if[] = {SRV6DB_KEY(l3IfIndex)};

enum Key : size_t { kPrimaryKey, kByPortGroup, kByNdRefresh, kByL3if, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "PortGroup", .segments = kPortGroup},
    {.name = "NdRefresh", .segments = kNdRefresh, .countAnswersNull = true},
    {.name = "L3if", .segments = kL3if},
    SRV6DB_SMOOTH_KEY(kSmoothIdFirst),
};

}  // namespace srv6db::portinfo

namespace srv6db {
inline constexpr TableDef kPortInfo =
    SRV6DB_TABLE(PortInfo, SRV6_DB_TABLE_PORTINFO, "srv6_portinfo", portinfo);
static_assert(IsWellFormed(kPortInfo));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6_PORTINFO_DESC_H
