// The run-time catalog of every table, for programs that list, show, load or walk tables
// through libsrv6db.so without a description of their own: the descriptions of schema/ in
// registry order, each bound to the library's exported create, delete and record conversion.
// Header-only.
//
//   kCatalog[id]              the table of registry id @p id (a const TableDef *)
//   FindTable / FindKey / FindField   look-ups by name
//   t.create(entry), t.remove(entry)  SRV6_DB_Create<T> / SRV6_DB_Delete<T>
//   t.encode(entry, record), t.decode(record, entry)  SRV6_DB_Set<T>Fields / Get<T>Fields
//   BuildKey(t, k, source, keyBytes)  key k from its source, through the library's conversion
#ifndef SRV6DB_TABLES_CATALOG_H
#define SRV6DB_TABLES_CATALOG_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "schema/tables.h"

namespace srv6db {
namespace catalog {

template <typename E, auto F>
uint32_t Write(const void *entry) {
  return F(static_cast<const E *>(entry));
}
template <typename E, typename R, auto F>
void Encode(const void *entry, void *record) {
  F(static_cast<const E *>(entry), static_cast<R *>(record));
}
template <typename E, typename R, auto F>
void Decode(const void *record, void *entry) {
  F(static_cast<const R *>(record), static_cast<E *>(entry));
}

#define SRV6DB_CATALOG_ROW(T)                          \
  [] {                                                 \
    TableDef t = k##T;                                 \
    using E = Srv6Db##T##Entry;                        \
    using R = Srv6Db##T##Record;                       \
    t.create = &Write<E, &SRV6_DB_Create##T>;          \
    t.remove = &Write<E, &SRV6_DB_Delete##T>;          \
    t.encode = &Encode<E, R, &SRV6_DB_Set##T##Fields>; \
    t.decode = &Decode<E, R, &SRV6_DB_Get##T##Fields>; \
    return t;                                          \
  }(),
inline constexpr TableDef kBound[] = {SRV6DB_SCHEMA_TABLES(SRV6DB_CATALOG_ROW)};
#undef SRV6DB_CATALOG_ROW

constexpr bool SameOrder() {
  for (size_t id = 0; id < kTables.size(); ++id) {
    if (kBound[id].id != kTables[id]->id) return false;
  }
  return std::size(kBound) == kTables.size();
}
static_assert(SameOrder(), "the catalog binds the tables in registry order");

constexpr std::array<const TableDef *, SRV6_DB_TABLE_NUM> Pointers() {
  std::array<const TableDef *, SRV6_DB_TABLE_NUM> out{};
  for (size_t id = 0; id < out.size(); ++id) out[id] = &kBound[id];
  return out;
}

}  // namespace catalog

// Every table with its functions bound, indexed by registry id.
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

// Writes the bytes of key @p k of @p table (keys[k].Length() of them) at @p keyBytes from
// @p source: an entry, a Srv6DbSmoothKey or the key's own structure, as table.SourceSize(k)
// says. IPv6 parts go through SRV6_DB_SetIpaddr. Returns the key word.
inline uint32_t BuildKey(const TableDef &table, size_t k, const void *source, void *keyBytes) {
  const KeyDef &key = table.keys[k];
  const auto *in = static_cast<const uint8_t *>(source);
  auto *out = static_cast<uint8_t *>(keyBytes);
  for (size_t i = 0; i < key.segments.size(); ++i) {
    const KeySegment &s = key.segments[i];
    uint8_t *to = out + key.OffsetOf(i);
    if (s.codec != Codec::kIpv6Words) {
      std::memcpy(to, in + s.sourceOffset, s.width);
      continue;
    }
    for (uint32_t a = 0; a < s.width; a += 16) SRV6_DB_SetIpaddr(to + a, in + s.sourceOffset + a);
  }
  return table.KeyWord(k);
}

}  // namespace srv6db

#endif  // SRV6DB_TABLES_CATALOG_H
