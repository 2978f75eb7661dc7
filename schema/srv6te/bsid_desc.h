// Binding SID table (srv6te_bsid, id 15): binding SIDs, found by their policy or their list.
#ifndef SRV6DB_SCHEMA_SRV6TE_BSID_DESC_H
#define SRV6DB_SCHEMA_SRV6TE_BSID_DESC_H

#include "schema/table_def.h"

namespace srv6db::bsid {

using E = Srv6DbBsidEntry;
using R = Srv6DbBsidRecord;

// The entry's 32 spare bytes have no room in the record: smoothId follows octets there.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),     SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(bsidId, Codec::kCopy),   SRV6DB_FIELD(tunnelId, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),    SRV6DB_FIELD(listId, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),    SRV6DB_FIELD(tunnelType, Codec::kCopy),
    SRV6DB_FIELD(listType, Codec::kCopy), SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),   SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),    SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(bsidId)};
// The bytes of the policy's primary key for the same vrId, vrfIndex, tunnelId and tunnelType.
inline constexpr KeySegment kPolicyInfo[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                             SRV6DB_KEY(tunnelId), SRV6DB_KEY(tunnelType)};
// The bytes of the SID stack's primary key for the same vrId, vrfIndex, listId and listType.
inline constexpr KeySegment kListInfo[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                           SRV6DB_KEY(listId), SRV6DB_KEY(listType)};

enum Key : size_t { kPrimaryKey, kByPolicyInfo, kByListInfo, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "PolicyInfo", .segments = kPolicyInfo},
    {.name = "ListInfo", .segments = kListInfo},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::bsid

namespace srv6db {
inline constexpr TableDef kBsid = SRV6DB_TABLE(Bsid, SRV6_DB_TABLE_BSID, "srv6te_bsid", bsid);
static_assert(IsWellFormed(kBsid));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6TE_BSID_DESC_H
