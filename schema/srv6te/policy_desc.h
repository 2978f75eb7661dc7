// Policy table (srv6te_policy, id 0): one record per SRv6-TE policy.
#ifndef SRV6DB_SCHEMA_SRV6TE_POLICY_DESC_H
#define SRV6DB_SCHEMA_SRV6TE_POLICY_DESC_H

#include "schema/table_def.h"

namespace srv6db::policy {

using E = Srv6DbPolicyEntry;
using R = Srv6DbPolicyRecord;

// The entry's spare byte and record byte 60 have no row: neither direction connects them.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(tunnelId, Codec::kCopy),
    SRV6DB_FIELD(tunnelType, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(priGroupId, Codec::kCopy),
    SRV6DB_FIELD(backupGroupId, Codec::kCopy),
    SRV6DB_FIELD(ipv6Addr1, Codec::kIpv6Words),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(ipv6Addr2, Codec::kIpv6Words),
    SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(octets, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // no alignment gap before it in the record
    SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(tunnelId), SRV6DB_KEY(tunnelType)};
inline constexpr KeySegment kPriGroup[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                           SRV6DB_KEY(tunnelId), SRV6DB_KEY(priGroupId)};
inline constexpr KeySegment kBackupGroup[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                              SRV6DB_KEY(tunnelId), SRV6DB_KEY(backupGroupId)};
inline constexpr KeySegment kTunnelId[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                           SRV6DB_KEY(tunnelId)};

enum Key : size_t { kPrimaryKey, kByPriGroup, kByBackupGroup, kByVrf, kByTunnelId };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "PriGroup", .segments = kPriGroup},
    {.name = "BackupGroup", .segments = kBackupGroup},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
    {.name = "TunnelId", .segments = kTunnelId},
};

}  // namespace srv6db::policy

namespace srv6db {
inline constexpr TableDef kPolicy =
    SRV6DB_TABLE(Policy, SRV6_DB_TABLE_POLICY, "srv6te_policy", policy);
static_assert(IsWellFormed(kPolicy));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6TE_POLICY_DESC_H
