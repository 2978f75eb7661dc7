// Lookups over the records of one secondary key, built on the public iterator: a walk that
// hands each record to a function, a bounded read into an entry array, a self-checking count.
#ifndef SRV6DB_CORE_TABLE_WALKS_H
#define SRV6DB_CORE_TABLE_WALKS_H

#include <cstdint>

#include "core/field_map.h"
#include "srv6_db.h"

namespace srv6db {

// Visit step of a walk: the working entry and the walk's state; 0 goes on, non-zero stops.
using VisitFunc = uint32_t (*)(void *entry, void *state);

// Iterates (count 1) the records @p key yields for @p source, decoding each into @p working
// (zeroed by the caller, the same entry for every record) and calling @p visit on it. The
// first non-zero read or visit result ends the walk; 60, the end of the records or a visit
// asking to stop as if they had ended, becomes 0. 1 when the iterator cannot be made.
uint32_t VisitByKey(const TableDef &table, const KeyDef &key, const void *source, void *working,
                    VisitFunc visit, void *state) noexcept;

// The typed walk: calls visitor(entry, userData) for each record. A null visitor gives 1
// before any engine work.
template <typename Entry>
uint32_t VisitByKey(const TableDef &table, const KeyDef &key, const Entry *source,
                    uint32_t (*visitor)(Entry *, void *), void *userData) noexcept {
  if (visitor == nullptr) return SRV6_DB_ERR;
  struct State {
    uint32_t (*visitor)(Entry *, void *);
    void *userData;
  } state = {visitor, userData};
  Entry working{};
  return VisitByKey(
      table, key, source, &working,
      [](void *entry, void *s) -> uint32_t {
        const auto *st = static_cast<const State *>(s);
        return st->visitor(static_cast<Entry *>(entry), st->userData);
      },
      &state);
}

// Reads the records @p key yields for @p source (iterator count 1) into consecutive entries
// at @p entries, as many as fit wholly into @p bufLen bytes, and asks for no more. 0 when
// the array is full or holds no whole entry; otherwise the first non-zero next-entry result
// (60: the records ran out first; 1 for a null @p entries). 1 when the iterator cannot be made.
uint32_t ReadIntoArray(const TableDef &table, const KeyDef &key, const void *source,
                       uint32_t bufLen, void *entries) noexcept;

// A count by key that answers 1 for a null @p count itself, before any engine work and
// without a statistic (the plain Count leaves that check, and its ParamInvalid, to the core).
uint32_t CountChecked(const TableDef &table, const KeyDef &key, const void *source,
                      uint64_t *count) noexcept;

}  // namespace srv6db

#endif  // SRV6DB_CORE_TABLE_WALKS_H
