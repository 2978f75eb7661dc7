// Record layouts and key definitions of every engine table, in record byte offsets, as the
// stores and the Redis functions use them; derived from the table descriptions (schema.cc).
#ifndef SRV6DB_ENGINE_SCHEMA_H
#define SRV6DB_ENGINE_SCHEMA_H

#include <cstdint>

#include "engine/engine_api.h"
#include "schema/table_def.h"

namespace srv6db::engine {

constexpr uint32_t kTableCount = SRV6_DB_TABLE_NUM;  // registry ids 0..16
constexpr uint32_t kVrfTable = kTableCount;          // VRF class data records, stored like a table
constexpr uint32_t kStoreCount = kTableCount + 1;
constexpr uint32_t kMaxRecord = DB_MAX_RECORD_SIZE;
constexpr uint32_t kMaxKey = DB_MAX_KEY_LENGTH;
constexpr uint32_t kMaxIndexes = kMaxKeys;
constexpr uint32_t kMaxSegments = 4;
constexpr uint32_t kNoOffset = 0xFFFFFFFFu;

constexpr uint32_t kKindPrimary = DB_KEY_KIND_PRIMARY;
constexpr uint32_t kKindSecondary = DB_KEY_KIND_SECONDARY;

constexpr uint32_t KeyWordIndex(uint32_t keyWord) { return keyWord >> 24; }
constexpr uint32_t KeyWordKind(uint32_t keyWord) { return (keyWord >> 16) & 0xFFu; }
constexpr uint32_t KeyWordLength(uint32_t keyWord) { return keyWord & 0xFFFFu; }

// A record byte range; a key is the concatenation of its segments in order.
struct Segment {
  uint16_t offset;
  uint16_t length;
};

struct IndexDef {
  uint32_t keyWord = 0;
  uint32_t segmentCount = 0;
  Segment segments[kMaxSegments] = {};
};

struct Schema {
  const char *name;
  uint32_t recordSize;
  uint32_t smoothIdOffset;
  uint32_t discriminatorOffset;
  uint32_t indexCount;  // primary key included
  IndexDef indexes[kMaxIndexes];
};

// True when every key word names its position and kind, and its segments lie inside the
// record and add up to the key length.
constexpr bool IsWellFormed(const Schema &s) {
  if (s.indexCount == 0 || s.indexCount > kMaxIndexes || s.recordSize > kMaxRecord) return false;
  for (uint32_t i = 0; i < s.indexCount; ++i) {
    const IndexDef &k = s.indexes[i];
    if (KeyWordIndex(k.keyWord) != i) return false;
    if (KeyWordKind(k.keyWord) != (i == 0 ? kKindPrimary : kKindSecondary)) return false;
    uint32_t sum = 0;
    for (uint32_t j = 0; j < k.segmentCount; ++j) {
      if (k.segments[j].length == 0 || k.segments[j].offset + k.segments[j].length > s.recordSize)
        return false;
      sum += k.segments[j].length;
    }
    if (k.segmentCount == 0 || sum != KeyWordLength(k.keyWord) || sum > kMaxKey) return false;
  }
  // A staged single field must lie inside the record and outside the primary key.
  for (uint32_t off : {s.smoothIdOffset, s.discriminatorOffset}) {
    if (off == kNoOffset) continue;
    if (off + 4 > s.recordSize) return false;
    const IndexDef &pk = s.indexes[0];
    for (uint32_t j = 0; j < pk.segmentCount; ++j)
      if (off < pk.segments[j].offset + pk.segments[j].length && pk.segments[j].offset < off + 4)
        return false;
  }
  return true;
}

// Schema of a store: 0..16 the tables by registry id, kVrfTable the VRF class data.
const Schema &SchemaOf(uint32_t store);

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_SCHEMA_H
