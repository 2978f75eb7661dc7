// VRF class data records: stored by the engine like a table, outside the registry, and read
// only through the VRF walk's getters.
#ifndef SRV6DB_SCHEMA_VRF_CLASS_DATA_DESC_H
#define SRV6DB_SCHEMA_VRF_CLASS_DATA_DESC_H

#include "schema/table_def.h"

namespace srv6db::vrf_class_data {

using E = Srv6DbVrfClassData;
using R = Srv6DbVrfClassData;

inline constexpr Field kFields[] = {
    SRV6DB_FIELD(tableId, Codec::kCopy),
    SRV6DB_FIELD(producerPid, Codec::kCopy),
    SRV6DB_FIELD(vrId, Codec::kCopy),
    SRV6DB_FIELD(vrfIndex, Codec::kCopy),
    SRV6DB_FIELD(topologyId, Codec::kCopy),
    SRV6DB_FIELD(vrfState, Codec::kCopy),
    SRV6DB_FIELD(vrfDataMachine, Codec::kCopy),
    SRV6DB_FIELD(vrfStateVersion, Codec::kCopy),
    SRV6DB_FIELD(vrfDataVersion, Codec::kCopy),
    SRV6DB_FIELD(smoothFlag, Codec::kCopy),
    SRV6DB_FIELD(timeStampVerifyBegin, Codec::kCopy),
    SRV6DB_FIELD(timeStampVerifyEnd, Codec::kCopy),
    SRV6DB_FIELD(timeStampAgeBegin, Codec::kCopy),
    SRV6DB_FIELD(timeStampAgeEnd, Codec::kCopy),
};
inline constexpr KeySegment kPrimary[] = {SRV6DB_KEY(tableId), SRV6DB_KEY(vrId),
                                          SRV6DB_KEY(vrfIndex)};
inline constexpr KeyDef kKeys[] = {SRV6DB_PRIMARY_KEY(kPrimary)};

}  // namespace srv6db::vrf_class_data

namespace srv6db {
// Not a registry table: its id is the one after the last table's.
inline constexpr TableDef kVrfClassData = {
    .id = SRV6_DB_TABLE_NUM,
    .name = "vrf_class_data",
    .shortName = "VrfClassData",
    .entrySize = sizeof(Srv6DbVrfClassData),
    .recordSize = sizeof(Srv6DbVrfClassData),
    .fields = vrf_class_data::kFields,
    .keys = vrf_class_data::kKeys,
};
}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_VRF_CLASS_DATA_DESC_H
