// The engine's schemas of the seventeen tables and the VRF class data records, derived at
// compile time from the table descriptions: record sizes, key words and the record byte
// ranges each key is built from.
#include "engine/schema.h"

#include <array>
#include <string_view>

#include "engine/engine_api.h"
#include "engine/srv6db_engine.h"
#include "schema/tables.h"

namespace srv6db::engine {
namespace {

// What the control header and the engine interface state in C must be what the descriptions
// hold.
static_assert(kVrfTable == kVrfClassData.id && kVrfTable == SRV6DB_ENGINE_VRF_TABLE);
static_assert(kTableCount == SRV6DB_ENGINE_TABLE_COUNT && kTableCount == kTables.size());
static_assert(kMaxIndexes == SRV6DB_ENGINE_MAX_INDEXES &&
              kMaxSegments == SRV6DB_ENGINE_MAX_SEGMENTS);
static_assert(kMaxRecord == kMaxRecordSize && kMaxKey == kMaxKeyLength);
static_assert(kKindPrimary == kKeyKindPrimary && kKindSecondary == kKeyKindSecondary);
static_assert(sizeof(Srv6DbEngineVrfClassData) == kVrfClassData.recordSize);

// The engine names a table by its word in the engine's function names.
#define SRV6DB_TABLE_NAME(id, t) #t,
constexpr const char *kNames[] = {SRV6DB_ENGINE_TABLES(SRV6DB_TABLE_NAME)};
#undef SRV6DB_TABLE_NAME
#define SRV6DB_TABLE_ID(id, t) id,
constexpr uint32_t kIds[] = {SRV6DB_ENGINE_TABLES(SRV6DB_TABLE_ID)};
#undef SRV6DB_TABLE_ID
#define SRV6DB_SMOOTH_ID(id, t) id,
constexpr uint32_t kSmoothIds[] = {SRV6DB_ENGINE_SMOOTH_TABLES(SRV6DB_SMOOTH_ID)};
#undef SRV6DB_SMOOTH_ID

constexpr bool IdsAreRegistryOrder() {
  for (uint32_t i = 0; i < kTableCount; ++i)
    if (kIds[i] != i) return false;
  return sizeof(kIds) / sizeof(kIds[0]) == kTableCount;
}
static_assert(IdsAreRegistryOrder(), "the table list must run 0..16 in order");

constexpr uint32_t RecordOffsetOf(const TableDef &t, std::string_view name) {
  const size_t i = t.FieldIndex(name);
  return i == t.fields.size() ? kNoOffset : t.fields[i].recordOffset;
}

// Key K of T as record byte ranges: each part is the record field of its name (or the one
// it is held in), with the same width and codec; adjacent ranges merge. An empty key marks a
// part the record does not hold, which IsWellFormed rejects.
constexpr IndexDef IndexOf(const TableDef &t, size_t k) {
  IndexDef def;
  def.keyWord = t.KeyWord(k);
  const KeyDef &key = t.keys[k];
  for (size_t p = 0; p < key.segments.size(); ++p) {
    const KeySegment s = key.segments[p];
    const size_t i = t.FieldIndex(s.RecordName());
    if (i == t.fields.size()) return IndexDef{};
    const Field f = t.fields[i];
    const bool fits = f.width == s.width && f.codec == s.codec &&
                      (key.source != KeySource::kEntry || f.entryOffset == s.sourceOffset);
    if (!fits) return IndexDef{};
    Segment *last = def.segmentCount == 0 ? nullptr : &def.segments[def.segmentCount - 1];
    if (last != nullptr && last->offset + last->length == f.recordOffset) {
      last->length = static_cast<uint16_t>(last->length + f.width);
    } else if (def.segmentCount == kMaxSegments) {
      return IndexDef{};
    } else {
      def.segments[def.segmentCount++] = {f.recordOffset, f.width};
    }
  }
  return def;
}

constexpr Schema SchemaFrom(const TableDef &t, const char *name, bool staged) {
  Schema s{name, t.recordSize, kNoOffset, kNoOffset, 0, {}};
  if (staged) {
    s.smoothIdOffset = RecordOffsetOf(t, "smoothId");
    s.discriminatorOffset = RecordOffsetOf(t, "discriminator");
  }
  for (size_t k = 0; k < t.keys.size(); ++k) s.indexes[s.indexCount++] = IndexOf(t, k);
  return s;
}

constexpr bool HasSmoothId(uint32_t id) {
  for (uint32_t s : kSmoothIds)
    if (s == id) return true;
  return false;
}

// Tables in registry order, then the VRF class data records. Only the smooth tables let an
// update stage a single field.
constexpr auto kSchemas = [] {
  std::array<Schema, kStoreCount> out{};
  for (uint32_t id = 0; id < kTableCount; ++id)
    out[id] = SchemaFrom(*kTables[id], kNames[id], HasSmoothId(id));
  out[kVrfTable] = SchemaFrom(kVrfClassData, kVrfClassData.name, false);
  return out;
}();

constexpr bool AllWellFormed() {
  for (uint32_t id = 0; id < kStoreCount; ++id) {
    const Schema &s = kSchemas[id];
    if (!IsWellFormed(s)) return false;
    // The engine has a smooth id setter exactly for the tables whose records carry one.
    if (id < kTableCount &&
        HasSmoothId(id) != (RecordOffsetOf(*kTables[id], "smoothId") != kNoOffset))
      return false;
  }
  return true;
}
static_assert(AllWellFormed(), "a key part, size or staged field does not fit its record");

}  // namespace

const Schema &SchemaOf(uint32_t store) { return kSchemas[store]; }

}  // namespace srv6db::engine
