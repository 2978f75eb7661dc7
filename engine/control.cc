// The engine's control interface: reset, faults, counters, captures, raw access, VRF data.
#include <cstring>

#include "engine/choice.h"
#include "engine/engine_api.h"
#include "engine/runtime/key.h"
#include "engine/runtime/runtime.h"

#define SRV6DB_CONTROL extern "C" __attribute__((visibility("default")))

namespace e = srv6db::engine;

namespace {

constexpr const char *kFunctionNames[] = {"create_obj",
                                          "release_obj",
                                          "reset_obj",
                                          "set_all_fields",
                                          "set_smooth_id",
                                          "set_discriminator",
                                          "write",
                                          "read",
                                          "update",
                                          "remove",
                                          "count",
                                          "create_root_iter",
                                          "iter_next",
                                          "set_iter_property",
                                          "vrf_create_obj",
                                          "vrf_release_obj",
#define SRV6DB_VRF_GETTER_NAME(field, type) "vrf_get_" #field,
                                          SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_VRF_GETTER_NAME)
#undef SRV6DB_VRF_GETTER_NAME
};
static_assert(sizeof(kFunctionNames) / sizeof(kFunctionNames[0]) == e::kFnCount,
              "one name per function id");

bool IsStore(uint32_t table) { return table < e::kStoreCount; }

}  // namespace

SRV6DB_CONTROL const char *srv6db_engine_function_name(uint32_t fn) {
  return fn < e::kFnCount ? kFunctionNames[fn] : "?";
}

SRV6DB_CONTROL void srv6db_engine_reset(void) {
  e::TheBackend().Reset();
  e::Runtime &rt = e::Rt();
  rt.faults.Clear();
  srv6db_engine_reset_call_counts();
  rt.captures.Clear();
  rt.counters.ResetObjects();
}

SRV6DB_CONTROL uint32_t srv6db_engine_inject_fault(uint32_t fn, uint32_t table, uint32_t code,
                                                   uint32_t mode, uint32_t n) {
  return e::Rt().faults.Add(fn, table, code, mode, n);
}

SRV6DB_CONTROL void srv6db_engine_clear_faults(void) { e::Rt().faults.Clear(); }

SRV6DB_CONTROL uint64_t srv6db_engine_call_count(uint32_t fn, uint32_t table) {
  if (fn >= e::kFnCount && fn != SRV6DB_ENGINE_FN_ANY) return 0;
  if (table != SRV6DB_ENGINE_ANY_TABLE && !IsStore(table)) return 0;
  return e::Rt().counters.Calls(fn, table);
}

SRV6DB_CONTROL void srv6db_engine_reset_call_counts(void) { e::Rt().counters.ResetCalls(); }

SRV6DB_CONTROL void srv6db_engine_object_stats(Srv6DbEngineObjectStats *out) {
  if (out == nullptr) return;
  e::Rt().counters.ObjectStats(out);
}

SRV6DB_CONTROL void srv6db_engine_capture_keys(uint32_t on) {
  e::Rt().captures.CaptureKeys(on != 0);
}

SRV6DB_CONTROL uint32_t srv6db_engine_last_key(uint32_t fn, Srv6DbEngineKeyCapture *out) {
  return e::Rt().captures.LastKey(fn, out);
}

SRV6DB_CONTROL void srv6db_engine_iter_property_stats(uint32_t *lastCount, uint64_t *calls) {
  e::Rt().captures.PropertyStats(lastCount, calls);
}

SRV6DB_CONTROL uint32_t srv6db_engine_last_error(void) { return e::t_fast.lastFailure; }

SRV6DB_CONTROL uint32_t srv6db_engine_get_record(uint32_t table, const void *key,
                                                 uint32_t keyLength, void *buf, uint32_t len) {
  if (!IsStore(table)) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  if (key == nullptr || buf == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  const e::Schema &s = e::SchemaOf(table);
  if (keyLength != e::KeyWordLength(s.indexes[0].keyWord)) return SRV6DB_ENGINE_ERR_BAD_KEY;
  if (len != s.recordSize) return SRV6DB_ENGINE_ERR_BAD_LENGTH;
  e::KeyBytes k;
  k.length = keyLength;
  std::memcpy(k.bytes, key, keyLength);
  return e::TheBackend().GetRecord(table, k, buf, len);
}

SRV6DB_CONTROL uint32_t srv6db_engine_put_record(uint32_t table, const void *record, uint32_t len) {
  if (!IsStore(table)) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  if (record == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (len != e::SchemaOf(table).recordSize) return SRV6DB_ENGINE_ERR_BAD_LENGTH;
  return e::TheBackend().PutRecord(table, record);
}

SRV6DB_CONTROL uint64_t srv6db_engine_record_count(uint32_t table) {
  return IsStore(table) ? e::TheBackend().RecordCount(table) : 0;
}

SRV6DB_CONTROL uint64_t srv6db_engine_table_bytes(uint32_t table) {
  return IsStore(table) ? e::TheBackend().TableBytes(table) : 0;
}

SRV6DB_CONTROL uint32_t srv6db_engine_visit_records(uint32_t table, Srv6DbEngineVisitor visitor,
                                                    void *user) {
  if (!IsStore(table)) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  if (visitor == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  return e::TheBackend().Visit(table, visitor, user);
}

SRV6DB_CONTROL uint32_t srv6db_engine_log_head(Srv6DbEngineCursor *cursor) {
  if (cursor == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (cursor->table >= e::kTableCount) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  cursor->gap = 0;
  cursor->lost = 0;
  return e::TheBackend().LogHead(cursor);
}

SRV6DB_CONTROL uint32_t srv6db_engine_read_log(Srv6DbEngineCursor *cursors, uint32_t cursorCount,
                                               Srv6DbEngineChange *out, uint32_t capacity,
                                               uint32_t *count, uint32_t timeoutMs) {
  if (cursors == nullptr || out == nullptr || count == nullptr)
    return SRV6DB_ENGINE_ERR_NULL_POINTER;
  *count = 0;
  if (cursorCount == 0 || cursorCount > e::kMaxCursors || capacity == 0)
    return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  for (uint32_t i = 0; i < cursorCount; ++i) {
    if (cursors[i].table >= e::kTableCount) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
    cursors[i].gap = 0;
    cursors[i].lost = 0;
  }
  return e::TheBackend().ReadLog(cursors, cursorCount, out, capacity, count, timeoutMs);
}

// A walk on an object of the engine's own, through the backend's batches, with no lock held
// while the visitor runs. The head is taken first: before the walk's bound.
SRV6DB_CONTROL uint32_t srv6db_engine_snapshot(uint32_t table, Srv6DbEngineVisitor visitor,
                                               void *user, Srv6DbEngineCursor *from) {
  if (table >= e::kTableCount) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  if (visitor == nullptr || from == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  e::Backend &backend = e::TheBackend();
  Srv6DbEngineCursor head = {};
  head.table = table;
  if (uint32_t r = backend.LogHead(&head)) return r;
  e::Runtime &rt = e::Rt();
  uint32_t slot;
  e::Object *o = rt.pool.Acquire(&slot);
  if (o == nullptr) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
  o->store = table;
  o->recordSize = e::SchemaOf(table).recordSize;
  o->opCode = DB_OP_QUERY;
  o->hasRecord = o->hasSmoothId = o->hasDiscriminator = false;
  o->countHint = 256;
  e::ParsedKey whole;
  whole.whole = true;
  uint32_t r = backend.StartWalk(*o, whole);
  if (r == DB_OK) {
    while ((r = backend.NextBatch(*o)) == DB_OK) {
      for (uint32_t i = 0; i < o->batchCount && r == DB_OK; ++i)
        r = static_cast<uint32_t>(
            visitor(o->taken + size_t{i} * o->recordSize, o->recordSize, user));
      if (r != DB_OK) break;
    }
    backend.StopWalk(*o);
    if (r == DB_ERR_ITER_END) r = DB_OK;
  }
  o->batchCount = 0;
  e::ObjectPool::Claim(o, o->generation.load(std::memory_order_relaxed));
  rt.pool.Recycle(slot);
  if (r == DB_OK) *from = head;
  return r;
}

SRV6DB_CONTROL uint32_t srv6db_engine_set_log_retention(uint32_t n) {
  if (n == 0) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  e::SetLogRetention(n);
  return DB_OK;
}

SRV6DB_CONTROL uint32_t srv6db_engine_vrf_add(const Srv6DbEngineVrfClassData *data) {
  return srv6db_engine_put_record(e::kVrfTable, data, sizeof(*data));
}

SRV6DB_CONTROL uint32_t srv6db_engine_vrf_remove(uint32_t tableId, uint32_t vrId,
                                                 uint32_t vrfIndex) {
  Srv6DbEngineVrfClassData probe = {};
  probe.tableId = tableId;
  probe.vrId = vrId;
  probe.vrfIndex = vrfIndex;
  e::KeyBytes key;
  e::BuildKey(e::SchemaOf(e::kVrfTable), 0, reinterpret_cast<const uint8_t *>(&probe), &key);
  return e::TheBackend().RemoveRecord(e::kVrfTable, key);
}

SRV6DB_CONTROL void srv6db_engine_vrf_clear(void) { e::TheBackend().ClearTable(e::kVrfTable); }

SRV6DB_CONTROL uint32_t srv6db_engine_schema(uint32_t table, Srv6DbEngineSchema *out) {
  if (!IsStore(table)) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  if (out == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  const e::Schema &s = e::SchemaOf(table);
  *out = Srv6DbEngineSchema{};
  out->name = s.name;
  out->recordSize = s.recordSize;
  out->smoothIdOffset = s.smoothIdOffset;
  out->discriminatorOffset = s.discriminatorOffset;
  out->indexCount = s.indexCount;
  for (uint32_t i = 0; i < s.indexCount; ++i) {
    const e::IndexDef &k = s.indexes[i];
    out->indexes[i].keyWord = k.keyWord;
    out->indexes[i].keyLength = e::KeyWordLength(k.keyWord);
    out->indexes[i].segmentCount = k.segmentCount;
    for (uint32_t j = 0; j < k.segmentCount; ++j)
      out->indexes[i].segments[j] = {k.segments[j].offset, k.segments[j].length};
  }
  return DB_OK;
}

SRV6DB_CONTROL uint32_t srv6db_engine_check(Srv6DbEngineProblem report, void *user,
                                            uint64_t *problems) {
  if (problems == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  *problems = 0;
  return e::TheBackend().Check(report, user, problems);
}
