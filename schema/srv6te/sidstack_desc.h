// SID stack table (srv6te_sidstack, id 2): segment lists with their local SID, nine SIDs and IID.
#ifndef SRV6DB_SCHEMA_SRV6TE_SIDSTACK_DESC_H
#define SRV6DB_SCHEMA_SRV6TE_SIDSTACK_DESC_H

#include "schema/table_def.h"

namespace srv6db::sidstack {

using E = Srv6DbSidStackEntry;
using R = Srv6DbSidStackRecord;

// The key by VR id is built from the lone vrId callers pass.
struct VrIdInput {
  uint32_t vrId;
};

// The entry's spare byte and record byte 197 have no row: neither direction connects them.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(listId, Codec::kCopy),
    SRV6DB_FIELD(listType, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(localSid, Codec::kIpv6Words),
    SRV6DB_FIELD(sidList, Codec::kIpv6Words),  // nine addresses, each word swapped
    SRV6DB_FIELD(iid, Codec::kIpv6Words),
    SRV6DB_FIELD(iidPrefixLen, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(reserved3, Codec::kCopy),
    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),  // no alignment gap before it in the record
    SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY(listId), SRV6DB_KEY(listType)};
// Addresses in the keys are swapped as in the record, so a key matches the stored bytes.
inline constexpr KeySegment kIid[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex), SRV6DB_KEY_IPV6(iid),
                                      SRV6DB_KEY(iidPrefixLen)};
inline constexpr KeySegment kLocalSid[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                           SRV6DB_KEY_IPV6(localSid)};
inline constexpr KeySegment kVrId[] = {SRV6DB_KEY_OF(VrIdInput, vrId)};

enum Key : size_t { kPrimaryKey, kByIid, kByLocalSid, kByVrId, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "Iid", .segments = kIid},
    {.name = "LocalSid", .segments = kLocalSid},
    {.name = "Vrid",
     .source = KeySource::kStruct,
     .sourceSize = sizeof(VrIdInput),
     .segments = kVrId},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::sidstack

namespace srv6db {
inline constexpr TableDef kSidStack =
    SRV6DB_TABLE(SidStack, SRV6_DB_TABLE_SIDSTACK, "srv6te_sidstack", sidstack);
static_assert(IsWellFormed(kSidStack));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6TE_SIDSTACK_DESC_H
