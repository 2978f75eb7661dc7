// XSID prefix table (srv6_xsid_prefix, id 5): XSID prefixes by VRF, three addresses and two
// service context bytes, with IIDG, local, service context and smooth indexes.
#ifndef SRV6DB_SCHEMA_SRV6_XSID_PREFIX_DESC_H
#define SRV6DB_SCHEMA_SRV6_XSID_PREFIX_DESC_H

#include "schema/table_def.h"

namespace srv6db::xsid_prefix {

using E = Srv6DbXsidEntry;
using R = Srv6DbXsidRecord;

// The record's first 58 bytes are the primary key. attr1 is stored after iidgIndex, so
// attr2 to iidgIndex each stand one word earlier than in the entry.
inline constexpr Field kFields[] = {
    SRV6DB_FIELD(vrId, Codec::kCopy),          SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(prefix, Codec::kIpv6Words),   SRV6DB_FIELD(ipv6Addr2, Codec::kIpv6Words),
    SRV6DB_FIELD(svcAddr, Codec::kIpv6Words),  SRV6DB_FIELD(svcCtx1, Codec::kCopy),
    SRV6DB_FIELD(svcCtx2, Codec::kCopy),       SRV6DB_FIELD(reserved1, Codec::kCopy),
    SRV6DB_FIELD(attr2, Codec::kCopy),         SRV6DB_FIELD(attr3, Codec::kCopy),
    SRV6DB_FIELD(discriminator, Codec::kCopy), SRV6DB_FIELD(iidgIndex, Codec::kCopy),
    SRV6DB_FIELD(attr1, Codec::kCopy),         SRV6DB_FIELD(reserved2, Codec::kCopy),
    SRV6DB_FIELD(reserved3, Codec::kCopy),     SRV6DB_FIELD(attr4, Codec::kCopy),
    SRV6DB_FIELD(attr5, Codec::kCopy),         SRV6DB_FIELD(reserved4, Codec::kCopy),
    SRV6DB_FIELD(attr6, Codec::kCopy),         SRV6DB_FIELD(smoothId, Codec::kCopy),
    SRV6DB_FIELD(data1, Codec::kCopy),         SRV6DB_FIELD(data2, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {
    SRV6DB_KEY(vrId),           SRV6DB_KEY(vrfIndex),     SRV6DB_KEY_IPV6(prefix),
    SRV6DB_KEY_IPV6(ipv6Addr2), SRV6DB_KEY_IPV6(svcAddr), SRV6DB_KEY(svcCtx1),
    SRV6DB_KEY(svcCtx2),
};
// The same bytes and key word as the IID table's IIDG key; vrfIndex is not part of it.
inline constexpr KeySegment kIidg[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(iidgIndex)};
inline constexpr KeySegment kLocal[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                        SRV6DB_KEY_IPV6(prefix)};
inline constexpr KeySegment kSvcCtx[] = {SRV6DB_KEY(vrId), SRV6DB_KEY(vrfIndex),
                                         SRV6DB_KEY_IPV6(svcAddr), SRV6DB_KEY(svcCtx1),
                                         SRV6DB_KEY(svcCtx2)};

enum Key : size_t { kPrimaryKey, kByIidg, kByLocal, kBySvcCtx, kByVrf };
inline constexpr KeyDef kKeys[] = {
    SRV6DB_PRIMARY_KEY(kPrimary),
    {.name = "Iidg", .segments = kIidg},
    {.name = "LocalHash", .segments = kLocal, .countAnswersNull = true},
    {.name = "SvcCtx", .segments = kSvcCtx},
    SRV6DB_SMOOTH_KEY(kSmoothIdFirst),
};

}  // namespace srv6db::xsid_prefix

namespace srv6db {
inline constexpr TableDef kXsid =
    SRV6DB_TABLE(Xsid, SRV6_DB_TABLE_XSID_PREFIX, "srv6_xsid_prefix", xsid_prefix);
static_assert(IsWellFormed(kXsid));
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_SRV6_XSID_PREFIX_DESC_H
