// The catalog of every table, for programs that list, show, load or walk tables without a
// second description: the tables' own descriptions, in registry order. Header-only (constexpr
// data, inline code); the function pointers are the exported functions of libsrv6db.so.
#ifndef SRV6DB_TABLES_CATALOG_H
#define SRV6DB_TABLES_CATALOG_H

#include <array>
#include <cstddef>
#include <string_view>

#include "core/field_map.h"
#include "tables/srv6/common.h"
#include "tables/srv6/local_sid.h"
#include "tables/srv6/portinfo.h"
#include "tables/srv6/sid_funct.h"
#include "tables/srv6/sidnhp.h"
#include "tables/srv6/xsid_prefix.h"
#include "tables/srv6te/bsid.h"
#include "tables/srv6te/candipath.h"
#include "tables/srv6te/iid.h"
#include "tables/srv6te/policy.h"
#include "tables/srv6te/sidstack.h"
#include "tables/srv6te/trastat.h"
#include "tables/te/flow_grp.h"
#include "tables/te/flow_grp_map.h"
#include "tables/te/flow_grp_tnl.h"
#include "tables/te/spr_tnl.h"
#include "tables/te/spr_tnl_grp.h"

namespace srv6db {

// Every table, indexed by registry id.
inline constexpr std::array<const TableDef *, SRV6_DB_TABLE_NUM> kCatalog = {
    &kPolicy,     &kCandiPath, &kSidStack,  &kIid,      &kCommon,  &kXsid,
    &kLocalSid,   &kSidFunct,  &kSidNhp,    &kPortInfo, &kFlowGrp, &kFlowGrpTnl,
    &kFlowGrpMap, &kSprTnl,    &kSprTnlGrp, &kBsid,     &kTraStat,
};

constexpr bool CatalogInRegistryOrder() {
  for (size_t id = 0; id < kCatalog.size(); ++id) {
    if (kCatalog[id]->id != id) return false;
  }
  return true;
}
static_assert(CatalogInRegistryOrder(), "the catalog lists the tables by registry id");

// The table whose short name ("LocalSid") or engine table name ("srv6_local_sid") is @p name,
// or null.
constexpr const TableDef *FindTable(std::string_view name) {
  for (const TableDef *t : kCatalog) {
    if (name == t->shortName || name == t->name) return t;
  }
  return nullptr;
}

// The key of @p table called @p name ("primary", "Vrf", ...), or null.
constexpr const KeyDef *FindKey(const TableDef &table, std::string_view name) {
  for (const KeyDef &k : table.keys) {
    if (name == k.name) return &k;
  }
  return nullptr;
}

// The field of @p table called @p name, or null.
constexpr const Field *FindField(const TableDef &table, std::string_view name) {
  const size_t i = table.FieldIndex(name);
  return i < table.fields.size() ? &table.fields[i] : nullptr;
}

}  // namespace srv6db

#endif  // SRV6DB_TABLES_CATALOG_H
