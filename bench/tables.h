// The benchmarked tables: how to make their entries and which functions serve each column.
#ifndef SRV6DB_BENCH_TABLES_H
#define SRV6DB_BENCH_TABLES_H

#include <cstdint>

#include "srv6_db.h"

namespace srv6db::bench {

// Records are made in groups that share the key of the table's by-VRF index (the smooth key);
// that index serves the count and the walk by key.
inline constexpr uint32_t kGroupSize = 64;

struct TableSpec {
  const char *name;
  uint32_t id;
  uint32_t entrySize;
  uint32_t recordSize;
  uint32_t groupIndex;    // engine index number of the by-VRF key
  uint32_t uniqueIndex;   // engine index number of the typed unique read; 0 if the table has none
  uint32_t smoothOffset;  // of smoothId in the entry

  // Fills entry number i of group g; only group g's records share the by-VRF key.
  void (*make)(uint32_t i, uint32_t group, void *entry);
  void (*encode)(const void *entry, void *record);

  // Through the library.
  uint32_t (*create)(const void *entry);
  uint32_t (*read)(void *entry);
  uint32_t (*update)(const void *entry);
  uint32_t (*remove)(const void *entry);
  uint32_t (*readUnique)(void *entry);
  void (*groupKey)(const Srv6DbSmoothKey *key, uint32_t *keyWord, void *keyBytes);
  Srv6DbIter *(*iterate)(uint32_t count);
  Srv6DbIter *(*iterateGroup)(const Srv6DbSmoothKey *key, uint32_t count);
  uint32_t (*next)(Srv6DbIter *iter, void *entry);
  void (*release)(Srv6DbIter *iter);

  // The engine's own per-table functions.
  uint32_t (*createObj)(uint32_t opCode, uint32_t reserved, void **dbObj);
  uint32_t (*releaseObj)(void *dbObj);
  uint32_t (*setAllFields)(void *dbObj, const void *record, uint32_t len);
  uint32_t (*setSmoothId)(void *dbObj, uint32_t smoothId);
};

extern const TableSpec kLocalSidSpec;
extern const TableSpec kPolicySpec;
extern const TableSpec kSidStackSpec;

// The by-VRF key of group g, as every benchmarked table's entries carry it.
inline Srv6DbSmoothKey GroupKey(uint32_t group) { return {1, 1, group}; }

}  // namespace srv6db::bench

#endif  // SRV6DB_BENCH_TABLES_H
