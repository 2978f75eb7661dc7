// The engine's db_* functions: per-table entry points generated from the table list.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "engine/choice.h"
#include "engine/engine_api.h"
#include "engine/runtime/runtime.h"

#define SRV6DB_EXPORT extern "C" __attribute__((visibility("default")))

namespace srv6db::engine {
namespace {

// Reads a key pair against a schema. A null pair selects no index; a key word must name an
// index of the table with its kind and exact key length.
uint32_t ParseKey(const Schema &schema, const void *keyInfo, const void *keyData,
                  ParsedKey *key) noexcept {
  if (keyInfo == nullptr && keyData == nullptr) {
    key->whole = true;
    return DB_OK;
  }
  if (keyInfo == nullptr || keyData == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  uint32_t word;
  std::memcpy(&word, keyInfo, sizeof(word));
  uint32_t index = KeyWordIndex(word);
  if (index >= schema.indexCount || word != schema.indexes[index].keyWord)
    return SRV6DB_ENGINE_ERR_BAD_KEY;
  key->index = index;
  key->bytes.length = KeyWordLength(word);
  std::memcpy(key->bytes.bytes, keyData, key->bytes.length);
  return DB_OK;
}

uint32_t StoreOf(const Object *o) noexcept { return o == nullptr ? kUnknownStore : o->store; }

uint32_t NoObject(const void *handle) noexcept {
  return handle == nullptr ? SRV6DB_ENGINE_ERR_NULL_POINTER : SRV6DB_ENGINE_ERR_BAD_HANDLE;
}

bool IsValidOpCode(uint32_t op) noexcept {
  return op == DB_OP_WRITE || op == DB_OP_UPDATE || op == DB_OP_READ || op == DB_OP_REMOVE ||
         op == DB_OP_QUERY || op == DB_OP_COUNT;
}

uint32_t CreateObj(uint32_t fn, uint32_t store, uint32_t opCode, uint32_t reserved,
                   void **dbObj) noexcept {
  if (uint32_t injected = CountCallAndCheckFault(fn, store)) return injected;
  if (dbObj == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  bool vrf = store == kVrfTable;
  if (reserved != 0 || !IsValidOpCode(opCode) || (vrf && opCode != DB_OP_QUERY))
    return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  Runtime &rt = Rt();
  uint32_t slot;
  Object *o = rt.pool.Acquire(&slot);
  if (o == nullptr) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
  o->store = store;
  o->recordSize = SchemaOf(store).recordSize;
  o->opCode = opCode;
  o->hasRecord = o->hasSmoothId = o->hasDiscriminator = false;  // a free slot never walks
  o->countHint = 0;
  *dbObj = ToHandle(HandleKind::kObject, slot, o->generation.load(std::memory_order_relaxed));
  rt.counters.Mine().Add(CounterBlock::kMade);
  return DB_OK;
}

void StopWalk(Object *o) noexcept {
  if (!o->walking) return;
  o->walkedBy->StopWalk(*o);
  o->walking = o->positioned = o->redeliver = false;
  o->batchCount = 0;
}

// Any table's release frees any live object: a caller that names the wrong table must not
// leak the object, nor the walk it holds.
uint32_t ReleaseObj(uint32_t fn, uint32_t store, void *dbObj) noexcept {
  Runtime &rt = Rt();
  HandleParts handle;
  Object *o = Resolve(dbObj, HandleKind::kObject, &handle);
  if (uint32_t injected = CountCallAndCheckFault(fn, o == nullptr ? kUnknownStore : store))
    return injected;
  if (o == nullptr || !ObjectPool::Claim(o, handle.generation)) {
    rt.counters.Mine().Add(CounterBlock::kBadReleases);
    return NoObject(dbObj);
  }
  StopWalk(o);
  rt.pool.Recycle(handle.slot);
  rt.counters.Mine().Add(CounterBlock::kReleased);
  return DB_OK;
}

uint32_t ResetObj(uint32_t store, void *dbObj) noexcept {
  Object *o = Resolve(dbObj, HandleKind::kObject);
  if (uint32_t injected =
          CountCallAndCheckFault(SRV6DB_ENGINE_FN_RESET_OBJ, o == nullptr ? kUnknownStore : store))
    return injected;
  if (o == nullptr) return NoObject(dbObj);
  if (o->store != store) return SRV6DB_ENGINE_ERR_WRONG_TABLE;
  StopWalk(o);
  o->hasRecord = o->hasSmoothId = o->hasDiscriminator = false;
  return DB_OK;
}

// Resolves the object of a per-table setter and checks its table and operation.
uint32_t SetterTarget(uint32_t fn, uint32_t store, void *dbObj, uint32_t opCode,
                      Object **out) noexcept {
  Object *o = Resolve(dbObj, HandleKind::kObject);
  if (uint32_t injected = CountCallAndCheckFault(fn, o == nullptr ? kUnknownStore : store))
    return injected;
  if (o == nullptr) return NoObject(dbObj);
  if (o->store != store) return SRV6DB_ENGINE_ERR_WRONG_TABLE;
  if (o->opCode != opCode) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  *out = o;
  return DB_OK;
}

uint32_t SetAllFields(uint32_t store, void *dbObj, const void *record, uint32_t len) noexcept {
  Object *o = nullptr;
  if (uint32_t r = SetterTarget(SRV6DB_ENGINE_FN_SET_ALL_FIELDS, store, dbObj, DB_OP_WRITE, &o))
    return r;
  if (record == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (len != o->recordSize) return SRV6DB_ENGINE_ERR_BAD_LENGTH;
  std::memcpy(o->staged, record, len);
  o->hasRecord = true;
  return DB_OK;
}

uint32_t SetSmoothId(uint32_t store, void *dbObj, uint32_t smoothId) noexcept {
  Object *o = nullptr;
  if (uint32_t r = SetterTarget(SRV6DB_ENGINE_FN_SET_SMOOTH_ID, store, dbObj, DB_OP_UPDATE, &o))
    return r;
  o->smoothId = smoothId;
  o->hasSmoothId = true;
  return DB_OK;
}

uint32_t SetDiscriminator(void *dbObj, uint32_t discriminator) noexcept {
  constexpr uint32_t kXsid = 5;
  Object *o = nullptr;
  if (uint32_t r = SetterTarget(SRV6DB_ENGINE_FN_SET_DISCRIMINATOR, kXsid, dbObj, DB_OP_UPDATE, &o))
    return r;
  o->discriminator = discriminator;
  o->hasDiscriminator = true;
  return DB_OK;
}

// Resolves the object of a generic call, counts the call and applies a fault. An injected
// 13044 is left to the caller (*pushFull) because the change must still be applied.
uint32_t GenericTarget(uint32_t fn, void *dbObj, Object **out, bool *pushFull) noexcept {
  Object *o = Resolve(dbObj, HandleKind::kObject);
  uint32_t injected = CountCallAndCheckFault(fn, StoreOf(o));
  if (injected == DB_ERR_PUSH_QUEUE_FULL && pushFull != nullptr) {
    *pushFull = true;
  } else if (injected != 0) {
    return injected;
  }
  if (o == nullptr) return NoObject(dbObj);
  *out = o;
  return DB_OK;
}

// A stored change's answer: an injected 13044 once the backend has applied it.
uint32_t Stored(uint32_t code, bool pushFull) noexcept {
  return code == DB_OK && pushFull ? DB_ERR_PUSH_QUEUE_FULL : code;
}

uint32_t Write(void *dbObj) noexcept {
  Object *o = nullptr;
  bool pushFull = false;
  if (uint32_t r = GenericTarget(SRV6DB_ENGINE_FN_WRITE, dbObj, &o, &pushFull)) return r;
  if (o->opCode != DB_OP_WRITE) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  if (!o->hasRecord) return SRV6DB_ENGINE_ERR_NOTHING_STAGED;
  return Stored(TheBackend().Write(*o), pushFull);
}

// Resolves the object of a keyed call and parses its key; a capture records the key first.
uint32_t KeyedTarget(uint32_t fn, void *dbObj, const void *keyInfo, const void *keyData,
                     Object **out, ParsedKey *key, bool *pushFull) noexcept {
  Rt().captures.RecordKey(fn, keyInfo, keyData);
  if (uint32_t r = GenericTarget(fn, dbObj, out, pushFull)) return r;
  return ParseKey(SchemaOf((*out)->store), keyInfo, keyData, key);
}

// The null-key read of a walk, once per record walked: the record its latest step stands on,
// as it stood when its batch was taken.
uint32_t ReadCurrent(void *dbObj, void *buf, uint32_t len) noexcept {
  Rt().captures.RecordKey(SRV6DB_ENGINE_FN_READ, nullptr, nullptr);
  Object *o = Resolve(dbObj, HandleKind::kObject);
  if (uint32_t injected = CountCallAndCheckFault(SRV6DB_ENGINE_FN_READ, StoreOf(o)))
    return injected;
  if (o == nullptr) return NoObject(dbObj);
  if (buf == nullptr || len != o->recordSize) {
    // A walk's record refused for the caller's buffer is offered again by the next step.
    if (o->positioned) o->redeliver = true;
    return buf == nullptr ? SRV6DB_ENGINE_ERR_NULL_POINTER : SRV6DB_ENGINE_ERR_BAD_LENGTH;
  }
  if (o->opCode != DB_OP_QUERY) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  o->redeliver = false;
  if (!o->walking || !o->positioned) return SRV6DB_ENGINE_ERR_NOT_POSITIONED;
  std::memcpy(buf, o->Current(), len);
  return DB_OK;
}

uint32_t Read(void *dbObj, const void *keyInfo, const void *keyData, void *buf,
              uint32_t len) noexcept {
  if (keyInfo == nullptr && keyData == nullptr) return ReadCurrent(dbObj, buf, len);
  Object *o = nullptr;
  ParsedKey key;
  if (uint32_t r = KeyedTarget(SRV6DB_ENGINE_FN_READ, dbObj, keyInfo, keyData, &o, &key, nullptr))
    return r;
  if (buf == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (len != o->recordSize) return SRV6DB_ENGINE_ERR_BAD_LENGTH;
  if (o->opCode != DB_OP_READ) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  if (key.index != 0) return SRV6DB_ENGINE_ERR_BAD_KEY;
  return TheBackend().Read(*o, key.bytes, buf, len);
}

uint32_t Update(void *dbObj, const void *keyInfo, const void *keyData) noexcept {
  Object *o = nullptr;
  ParsedKey key;
  bool pushFull = false;
  if (uint32_t r =
          KeyedTarget(SRV6DB_ENGINE_FN_UPDATE, dbObj, keyInfo, keyData, &o, &key, &pushFull))
    return r;
  if (key.whole) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (key.index != 0) return SRV6DB_ENGINE_ERR_BAD_KEY;
  if (o->opCode != DB_OP_UPDATE) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  if (!o->hasSmoothId && !o->hasDiscriminator) return SRV6DB_ENGINE_ERR_NOTHING_STAGED;
  return Stored(TheBackend().Update(*o, key.bytes), pushFull);
}

uint32_t Remove(void *dbObj, const void *keyInfo, const void *keyData) noexcept {
  Object *o = nullptr;
  ParsedKey key;
  bool pushFull = false;
  if (uint32_t r =
          KeyedTarget(SRV6DB_ENGINE_FN_REMOVE, dbObj, keyInfo, keyData, &o, &key, &pushFull))
    return r;
  if (key.whole) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (key.index != 0) return SRV6DB_ENGINE_ERR_BAD_KEY;
  if (o->opCode != DB_OP_REMOVE) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  return Stored(TheBackend().Remove(*o, key.bytes), pushFull);
}

uint32_t Count(void *dbObj, const void *keyInfo, const void *keyData, uint64_t *count) noexcept {
  Object *o = nullptr;
  ParsedKey key;
  if (uint32_t r = KeyedTarget(SRV6DB_ENGINE_FN_COUNT, dbObj, keyInfo, keyData, &o, &key, nullptr))
    return r;
  if (count == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (o->opCode != DB_OP_COUNT) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  return TheBackend().Count(*o, key, count);
}

uint32_t CreateRootIter(void *dbObj, const void *keyInfo, const void *keyData,
                        void **rootIter) noexcept {
  Object *o = nullptr;
  ParsedKey key;
  if (uint32_t r = KeyedTarget(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, dbObj, keyInfo, keyData, &o, &key,
                               nullptr))
    return r;
  if (rootIter == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (o->opCode != DB_OP_QUERY) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  if (!key.whole && key.index == 0) return SRV6DB_ENGINE_ERR_BAD_KEY;
  if (o->walking) return SRV6DB_ENGINE_ERR_ITER_EXISTS;
  Backend &backend = TheBackend();
  if (uint32_t r = backend.StartWalk(*o, key)) return r;
  o->walkedBy = &backend;
  o->walking = true;  // not positioned, no batch: as StopWalk or a fresh slot left it
  const HandleParts object = FromHandle(dbObj);
  *rootIter = ToHandle(HandleKind::kIterator, object.slot, object.generation);
  return DB_OK;
}

uint32_t IterNext(void *rootIter) noexcept {
  Object *o = Resolve(rootIter, HandleKind::kIterator);
  if (uint32_t injected = CountCallAndCheckFault(SRV6DB_ENGINE_FN_ITER_NEXT, StoreOf(o)))
    return injected;
  if (o == nullptr) return NoObject(rootIter);
  if (o->redeliver) {
    o->redeliver = false;
    return DB_OK;
  }
  if (o->batchAt + 1 < o->batchCount) {  // the rest of the batch needs no backend call
    ++o->batchAt;
    return DB_OK;
  }
  o->batchAt = 0;
  const uint32_t r = o->walkedBy->NextBatch(*o);
  o->positioned = r == DB_OK;
  if (r != DB_OK) o->batchCount = 0;
  return r;
}

uint32_t SetIterProperty(void *rootIter, uint32_t property, const void *value,
                         uint32_t len) noexcept {
  Object *o = Resolve(rootIter, HandleKind::kIterator);
  if (uint32_t injected = CountCallAndCheckFault(SRV6DB_ENGINE_FN_SET_ITER_PROPERTY, StoreOf(o))) {
    Rt().captures.RecordProperty(false, 0);
    return injected;
  }
  uint32_t r = DB_OK;
  uint32_t count = 0;
  if (o == nullptr) {
    r = NoObject(rootIter);
  } else if (property != DB_ITER_PROP_COUNT) {
    r = SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  } else if (value == nullptr) {
    r = SRV6DB_ENGINE_ERR_NULL_POINTER;
  } else if (len != sizeof(uint32_t)) {
    r = SRV6DB_ENGINE_ERR_BAD_LENGTH;
  } else {
    std::memcpy(&count, value, sizeof(count));
    o->countHint = count;  // a batch-size hint: iteration yields every record anyway
  }
  Rt().captures.RecordProperty(r == DB_OK, count);
  return r;
}

// VRF class data getters read one field of the record the object's iterator stands on.
#define SRV6DB_VRF_FIELD_SIZE(field, type) sizeof(type),
constexpr size_t kVrfFieldSizes[] = {SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_VRF_FIELD_SIZE)};
#undef SRV6DB_VRF_FIELD_SIZE
constexpr uint32_t kVrfFieldCount = sizeof(kVrfFieldSizes) / sizeof(kVrfFieldSizes[0]);
static_assert(SRV6DB_ENGINE_FN_VRF_GET_FIRST + kVrfFieldCount == kFnCount,
              "one function id per VRF getter");

constexpr size_t VrfFieldOffset(uint32_t field) {
  size_t offset = 0;
  for (uint32_t i = 0; i < field; ++i) offset += kVrfFieldSizes[i];
  return offset;
}
static_assert(VrfFieldOffset(kVrfFieldCount) == sizeof(Srv6DbEngineVrfClassData),
              "the VRF record is the control struct, unpadded");
static_assert(offsetof(Srv6DbEngineVrfClassData, timeStampVerifyBegin) == VrfFieldOffset(10));

uint32_t VrfGet(uint32_t field, void *dbObj, void *value) noexcept {
  Object *o = Resolve(dbObj, HandleKind::kObject);
  if (uint32_t injected =
          CountCallAndCheckFault(SRV6DB_ENGINE_FN_VRF_GET_FIRST + field, StoreOf(o)))
    return injected;
  if (o == nullptr) return NoObject(dbObj);
  if (o->store != kVrfTable) return SRV6DB_ENGINE_ERR_WRONG_TABLE;
  if (value == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (!o->walking || !o->positioned) return SRV6DB_ENGINE_ERR_NOT_POSITIONED;
  // Every getter of one step reads the same copy: fields of one version of the record.
  std::memcpy(value, o->Current() + VrfFieldOffset(field), kVrfFieldSizes[field]);
  return DB_OK;
}

#define SRV6DB_VRF_FIELD_ENUM(field, type) kVrf_##field,
enum VrfField : uint32_t { SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_VRF_FIELD_ENUM) };
#undef SRV6DB_VRF_FIELD_ENUM

}  // namespace
}  // namespace srv6db::engine

namespace e = srv6db::engine;

#define SRV6DB_DEFINE_TABLE_FUNCS(id, t)                                                          \
  SRV6DB_EXPORT uint32_t db_create_##t##_obj(uint32_t opCode, uint32_t reserved, void **dbObj) {  \
    return e::NoteCreate(e::CreateObj(SRV6DB_ENGINE_FN_CREATE_OBJ, id, opCode, reserved, dbObj)); \
  }                                                                                               \
  SRV6DB_EXPORT uint32_t db_release_##t##_object(void *dbObj) {                                   \
    return e::NoteFailure(e::ReleaseObj(SRV6DB_ENGINE_FN_RELEASE_OBJ, id, dbObj));                \
  }                                                                                               \
  SRV6DB_EXPORT uint32_t db_reset_##t##_object(void *dbObj) {                                     \
    return e::NoteFailure(e::ResetObj(id, dbObj));                                                \
  }                                                                                               \
  SRV6DB_EXPORT uint32_t db_set_##t##_all_fields(void *dbObj, const void *record, uint32_t len) { \
    return e::NoteFailure(e::SetAllFields(id, dbObj, record, len));                               \
  }
#define SRV6DB_DEFINE_SMOOTH_FUNC(id, t)                                                \
  SRV6DB_EXPORT uint32_t db_set_##t##_table_smooth_id(void *dbObj, uint32_t smoothId) { \
    return e::NoteFailure(e::SetSmoothId(id, dbObj, smoothId));                         \
  }

SRV6DB_ENGINE_TABLES(SRV6DB_DEFINE_TABLE_FUNCS)
SRV6DB_ENGINE_SMOOTH_TABLES(SRV6DB_DEFINE_SMOOTH_FUNC)

SRV6DB_EXPORT uint32_t db_set_srv6_xsid_prefix_discriminator(void *dbObj, uint32_t discriminator) {
  return e::NoteFailure(e::SetDiscriminator(dbObj, discriminator));
}

SRV6DB_EXPORT uint32_t db_write_obj(void *dbObj) { return e::NoteFailure(e::Write(dbObj)); }

SRV6DB_EXPORT uint32_t db_read_obj_with_buf(void *dbObj, const void *keyInfo, const void *keyData,
                                            void *buf, uint32_t len) {
  return e::NoteFailure(e::Read(dbObj, keyInfo, keyData, buf, len));
}

SRV6DB_EXPORT uint32_t db_update_obj(void *dbObj, const void *keyInfo, const void *keyData) {
  return e::NoteFailure(e::Update(dbObj, keyInfo, keyData));
}

SRV6DB_EXPORT uint32_t db_remove_obj(void *dbObj, const void *keyInfo, const void *keyData) {
  return e::NoteFailure(e::Remove(dbObj, keyInfo, keyData));
}

SRV6DB_EXPORT uint32_t db_get_table_record_count_by_key(void *dbObj, const void *keyInfo,
                                                        const void *keyData, uint64_t *count) {
  return e::NoteFailure(e::Count(dbObj, keyInfo, keyData, count));
}

SRV6DB_EXPORT uint32_t db_create_root_iter(void *dbObj, const void *keyInfo, const void *keyData,
                                           void **rootIter) {
  return e::NoteFailure(e::CreateRootIter(dbObj, keyInfo, keyData, rootIter));
}

SRV6DB_EXPORT uint32_t db_root_iterator_next(void *rootIter) {
  return e::NoteFailure(e::IterNext(rootIter));
}

SRV6DB_EXPORT uint32_t db_set_root_iterator_property(void *rootIter, uint32_t property,
                                                     const void *value, uint32_t len) {
  return e::NoteFailure(e::SetIterProperty(rootIter, property, value, len));
}

SRV6DB_EXPORT uint32_t db_create_vrf_class_data_obj(uint32_t opCode, uint32_t reserved,
                                                    void **dbObj) {
  return e::NoteCreate(
      e::CreateObj(SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, e::kVrfTable, opCode, reserved, dbObj));
}

SRV6DB_EXPORT uint32_t db_release_vrf_class_data_object(void *dbObj) {
  return e::NoteFailure(e::ReleaseObj(SRV6DB_ENGINE_FN_VRF_RELEASE_OBJ, e::kVrfTable, dbObj));
}

#define SRV6DB_DEFINE_VRF_GETTER(field, type)                                      \
  SRV6DB_EXPORT uint32_t db_get_vrf_class_data_##field(void *dbObj, type *value) { \
    return e::NoteFailure(e::VrfGet(e::kVrf_##field, dbObj, value));               \
  }
SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_DEFINE_VRF_GETTER)
