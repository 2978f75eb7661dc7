// Common table (srv6_common, id 4): records keyed by commonId.
#ifndef SRV6DB_SCHEMA_SRV6_COMMON_DESC_H
#define SRV6DB_SCHEMA_SRV6_COMMON_DESC_H

#include "schema/table_def.h"

namespace srv6db::common {

using E = Srv6DbCommonEntry;
using R = Srv6DbCommonRecord;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(commonId, Codec::kCopy),       SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),          SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),          SRV6DB_FIELD(ipv6Addr1, Codec::kIpv6Words),
    SRV6DB_FIELD(ipv6Addr2, Codec::kIpv6Words), SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),          SRV6DB_FIELD(attr7, Codec::kCopy),
    SRV6DB_FIELD(attr8, Codec::kCopy),          SRV6DB_FIELD(attr9, Codec::kCopy),
    SRV6DB_FIELD(attr10, Codec::kCopy),         SRV6DB_FIELD(attr11, Codec::kCopy),
    SRV6DB_FIELD(attr12, Codec::kCopy),         SRV6DB_FIELD(octets, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),  // four bytes further on than in the entry
    SRV6DB_FIELD(data1, Codec::kCopy),          SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(commonId)};
inline constexpr KeyDef kKeys[] = {SRV6DB_PRIMARY_KEY(kPrimary)};

}  // namespace srv6db::common

namespace srv6db {
inline constexpr TableDef kCommon =
    SRV6DB_TABLE(Common, SRV6_DB_TABLE_COMMON, "srv6_common", common);
static_assert(IsWellFormed(kCommon));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6_COMMON_DESC_H
