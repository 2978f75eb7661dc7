// IID table (srv6te_iid, id 3): IID addresses, counted and walked by IID group.
#ifndef SRV6DB_SCHEMA_SRV6TE_IID_DESC_H
#define SRV6DB_SCHEMA_SRV6TE_IID_DESC_H

#include "schema/table_def.h"

namespace srv6db::iid {

using E = Srv6DbIidEntry;
using R = Srv6DbIidRecord;

// Rows in record order: reserved3 precedes reserved2 there. The record holds only the first
// 16 bytes of each 32-byte block, so a read leaves the caller's last 16 bytes alone.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),      SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(iid, Codec::kIpv6Words),  SRV6DB_FIELD(prefixLen, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),     SRV6DB_FIELD(attr2, Codec::kCopy),
    SRV6DB_FIELD(attr3, Codec::kCopy),     SRV6DB_FIELD(iidgIndex, Codec::kCopy),
    SRV6DB_FIELD(attr4, Codec::kCopy),     SRV6DB_FIELD(attr5, Codec::kCopy),
    SRV6DB_FIELD(reserved1, Codec::kCopy), SRV6DB_FIELD(reserved3, Codec::kCopy),
    SRV6DB_FIELD(reserved2, Codec::kCopy), SRV6DB_FIELD(block1, Codec::kCopy),
    SRV6DB_FIELD(block2, Codec::kCopy),    SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),     SRV6DB_FIELD(data2, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                          SRV6DB_KEY_IPV6(iid), SRV6DB_KEY(prefixLen)};
// The same bytes and key word as the XSID prefix table's IIDG index.
inline constexpr KeySegment kIidg[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(iidgIndex)};

enum Key : size_t { kPrimaryKey, kByIidg, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "Iidg", .segments = kIidg, .countAnswersNull = true},
    SRV6DB_SMOOTH_KEY(kSmoothInputOrder),
};

}  // namespace srv6db::iid

namespace srv6db {
inline constexpr TableDef kIid = SRV6DB_TABLE(Iid, SRV6_DB_TABLE_IID, "srv6te_iid", iid);
static_assert(IsWellFormed(kIid));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6TE_IID_DESC_H
