// Every table's description in registry order, and the VRF class data record after them: the
// one list the library, the engine and the command read.
#ifndef SRV6DB_SCHEMA_TABLES_H
#define SRV6DB_SCHEMA_TABLES_H

#include <array>
#include <cstddef>

#include "schema/srv6/common_desc.h"
#include "schema/srv6/local_sid_desc.h"
#include "schema/srv6/portinfo_desc.h"
#include "schema/srv6/sid_funct_desc.h"
#include "schema/srv6/sidnhp_desc.h"
#include "schema/srv6/xsid_prefix_desc.h"
#include "schema/srv6te/bsid_desc.h"
#include "schema/srv6te/candipath_desc.h"
#include "schema/srv6te/iid_desc.h"
#include "schema/srv6te/policy_desc.h"
#include "schema/srv6te/sidstack_desc.h"
#include "schema/srv6te/trastat_desc.h"
#include "schema/table_def.h"
#include "schema/te/flow_grp_desc.h"
#include "schema/te/flow_grp_map_desc.h"
#include "schema/te/flow_grp_tnl_desc.h"
#include "schema/te/spr_tnl_desc.h"
#include "schema/te/spr_tnl_grp_desc.h"
#include "schema/vrf_class_data_desc.h"

namespace srv6db {

// X(T) for every table in registry order, T its short name (as in Srv6Db<T>Entry); its
// description is k<T>.
// clang-format off
#define SRV6DB_SCHEMA_TABLES(X) \
  X(Policy) \
  X(CandiPath) \
  X(SidStack) \
  X(Iid) \
  X(Common) \
  X(Xsid) \
  X(LocalSid) \
  X(SidFunct) \
  X(SidNhp) \
  X(PortInfo) \
  X(FlowGrp) \
  X(FlowGrpTnl) \
  X(FlowGrpMap) \
  X(SprTnl) \
  X(SprTnlGrp) \
  X(Bsid) \
  X(TraStat)
// clang-format on

// Every table, indexed by registry id; the VRF class data record is kVrfClassData, not here.
#define SRV6DB_SCHEMA_ADDRESS(T) &k##T,
inline constexpr std::array<const TableDef *, SRV6_DB_TABLE_NUM> kTables = {
    SRV6DB_SCHEMA_TABLES(SRV6DB_SCHEMA_ADDRESS)};
#undef SRV6DB_SCHEMA_ADDRESS

constexpr bool InRegistryOrder() {
  for (size_t id = 0; id < kTables.size(); ++id) {
    if (kTables[id]->id != id) return false;
  }
  return IsWellFormed(kVrfClassData) && kVrfClassData.id == kTables.size();
}
static_assert(InRegistryOrder(), "the tables are listed by registry id, the VRF record last");

constexpr uint32_t LargestRecord() {
  uint32_t largest = kVrfClassData.recordSize;
  for (const TableDef *t : kTables) largest = t->recordSize > largest ? t->recordSize : largest;
  return largest;
}
static_assert(LargestRecord() == kMaxRecordSize, "kMaxRecordSize is the largest record");

}  // namespace srv6db

#endif  // SRV6DB_SCHEMA_TABLES_H
