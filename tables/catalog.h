// The tables' descriptions with the library's create and delete bound to them, for programs
// that load records through libsrv6db.so. Header-only.
#ifndef SRV6DB_TABLES_CATALOG_H
#define SRV6DB_TABLES_CATALOG_H

#include <array>
#include <string_view>

#include "schema/tables.h"

namespace srv6db {
namespace catalog {

template <typename E>
uint32_t Write(uint32_t (*f)(const E *), const void *entry) {
  return f(static_cast<const E *>(entry));
}
template <auto F>
uint32_t WriteThunk(const void *entry) {
  return Write(F, entry);
}
constexpr TableDef Bind(const TableDef &t, uint32_t (*create)(const void *),
                        uint32_t (*remove)(const void *)) {
  TableDef bound = t;
  bound.create = create;
  bound.remove = remove;
  return bound;
}

#define SRV6DB_CATALOG_ROW(T) \
  Bind(k##T, &WriteThunk<&SRV6_DB_Create##T>, &WriteThunk<&SRV6_DB_Delete##T>)
inline constexpr TableDef kBound[] = {
    SRV6DB_CATALOG_ROW(Policy),     SRV6DB_CATALOG_ROW(CandiPath), SRV6DB_CATALOG_ROW(SidStack),
    SRV6DB_CATALOG_ROW(Iid),        SRV6DB_CATALOG_ROW(Common),    SRV6DB_CATALOG_ROW(Xsid),
    SRV6DB_CATALOG_ROW(LocalSid),   SRV6DB_CATALOG_ROW(SidFunct),  SRV6DB_CATALOG_ROW(SidNhp),
    SRV6DB_CATALOG_ROW(PortInfo),   SRV6DB_CATALOG_ROW(FlowGrp),   SRV6DB_CATALOG_ROW(FlowGrpTnl),
    SRV6DB_CATALOG_ROW(FlowGrpMap), SRV6DB_CATALOG_ROW(SprTnl),    SRV6DB_CATALOG_ROW(SprTnlGrp),
    SRV6DB_CATALOG_ROW(Bsid),       SRV6DB_CATALOG_ROW(TraStat),
};
#undef SRV6DB_CATALOG_ROW

constexpr std::array<const TableDef *, SRV6_DB_TABLE_NUM> Pointers() {
  std::array<const TableDef *, SRV6_DB_TABLE_NUM> out{};
  for (size_t id = 0; id < out.size(); ++id) out[id] = &kBound[id];
  return out;
}

constexpr bool SameOrder() {
  for (size_t id = 0; id < kTables.size(); ++id) {
    if (kBound[id].id != kTables[id]->id) return false;
  }
  return std::size(kBound) == kTables.size();
}
static_assert(SameOrder(), "the catalog binds the tables in registry order");

}  // namespace catalog

// Every table with its create and delete, indexed by registry id.
inline constexpr std::array<const TableDef *, SRV6_DB_TABLE_NUM> kCatalog = catalog::Pointers();

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
