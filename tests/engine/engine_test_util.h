// Helpers for the engine tests: per-table function rows, objects, keys and walks.
#ifndef SRV6DB_TESTS_ENGINE_ENGINE_TEST_UTIL_H
#define SRV6DB_TESTS_ENGINE_ENGINE_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/engine_api.h"
#include "engine/srv6db_engine.h"

namespace srv6db::test {

using Bytes = std::vector<uint8_t>;

struct TableFns {
  const char *word;
  uint32_t (*create)(uint32_t, uint32_t, void **);
  uint32_t (*release)(void *);
  uint32_t (*setAll)(void *, const void *, uint32_t);
  uint32_t (*setSmooth)(void *, uint32_t);  // null for the table without a smooth id
};

#define SRV6DB_TEST_SMOOTH(id, t) table == id ? db_set_##t##_table_smooth_id:
inline uint32_t (*SmoothSetter(uint32_t table))(void *, uint32_t) {
  return SRV6DB_ENGINE_SMOOTH_TABLES(SRV6DB_TEST_SMOOTH) nullptr;
}
#define SRV6DB_TEST_ROW(id, t) \
  {#t, db_create_##t##_obj, db_release_##t##_object, db_set_##t##_all_fields, SmoothSetter(id)},
inline const TableFns kTableFns[] = {SRV6DB_ENGINE_TABLES(SRV6DB_TEST_ROW)};
#undef SRV6DB_TEST_ROW
#undef SRV6DB_TEST_SMOOTH
inline const TableFns &Fns(uint32_t table) { return kTableFns[table]; }

inline Srv6DbEngineSchema SchemaOf(uint32_t table) {
  Srv6DbEngineSchema s{};
  srv6db_engine_schema(table, &s);
  return s;
}

// An engine object released when it goes out of scope.
struct Obj {
  Obj(uint32_t t, uint32_t op) : table(t), code(Fns(t).create(op, 0, &handle)) {}
  ~Obj() {
    if (handle != nullptr) Fns(table).release(handle);
  }
  Obj(const Obj &) = delete;
  void *get() const { return handle; }
  void *handle = nullptr;
  uint32_t table, code;
};

// A key info area (key word in its first four bytes) and a key byte area.
struct Key {
  uint8_t info[16] = {};
  uint8_t data[SRV6DB_ENGINE_MAX_KEY] = {};
  uint32_t length = 0;

  Key(uint32_t keyWord, const uint8_t *bytes, uint32_t len) : length(len) {
    std::memcpy(info, &keyWord, sizeof(keyWord));
    std::memcpy(data, bytes, len);
  }
  Bytes bytes() const { return Bytes(data, data + length); }
};

// The key of an index, built from a record through the engine's schema.
inline Key KeyOf(uint32_t table, uint32_t index, const Bytes &record) {
  const Srv6DbEngineIndex k = SchemaOf(table).indexes[index];
  Bytes bytes;
  for (uint32_t i = 0; i < k.segmentCount; ++i)
    bytes.insert(bytes.end(), record.begin() + k.segments[i].offset,
                 record.begin() + k.segments[i].offset + k.segments[i].length);
  return Key(k.keyWord, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

inline Bytes RandomRecord(uint32_t table, std::mt19937 &rng) {
  Bytes r(SchemaOf(table).recordSize);
  for (auto &b : r) b = static_cast<uint8_t>(rng());
  return r;
}

inline uint32_t Write(uint32_t table, const Bytes &record) {
  Obj o(table, DB_OP_WRITE);
  if (o.code != 0) return o.code;
  if (uint32_t r = Fns(table).setAll(o.get(), record.data(), static_cast<uint32_t>(record.size())))
    return r;
  return db_write_obj(o.get());
}

inline uint32_t Read(uint32_t table, const Key &key, Bytes *out) {
  out->assign(SchemaOf(table).recordSize, 0);
  return db_read_obj_with_buf(Obj(table, DB_OP_READ).get(), key.info, key.data, out->data(),
                              static_cast<uint32_t>(out->size()));
}

inline uint32_t Remove(uint32_t table, const Key &key) {
  return db_remove_obj(Obj(table, DB_OP_REMOVE).get(), key.info, key.data);
}

// The count by key; on failure ~0 and the engine's code in *code.
inline uint64_t Count(uint32_t table, const Key &key, uint32_t *code = nullptr) {
  uint64_t n = ~0ull;
  const uint32_t r =
      db_get_table_record_count_by_key(Obj(table, DB_OP_COUNT).get(), key.info, key.data, &n);
  if (code != nullptr) *code = r;
  return n;
}

inline uint32_t UpdateSmooth(uint32_t table, const Key &key, uint32_t smoothId) {
  Obj o(table, DB_OP_UPDATE);
  if (uint32_t r = Fns(table).setSmooth(o.get(), smoothId)) return r;
  return db_update_obj(o.get(), key.info, key.data);
}

// A walk driven step by step; a null key walks the whole table.
struct Walker {
  Walker(uint32_t table, const Key *key)
      : obj(table, DB_OP_QUERY), size(SchemaOf(table).recordSize) {
    EXPECT_EQ(
        db_create_root_iter(obj.get(), key ? key->info : nullptr, key ? key->data : nullptr, &it),
        0u);
  }
  uint32_t Next() { return db_root_iterator_next(it); }
  uint32_t Current(Bytes *out, uint32_t len = 0) {
    out->assign(size, 0);
    return db_read_obj_with_buf(obj.get(), nullptr, nullptr, out->data(), len ? len : size);
  }
  // The rest of the walk; a read that fails after a successful step gives an empty record.
  std::vector<Bytes> Records() {
    std::vector<Bytes> out;
    for (Bytes r; Next() == 0;) out.push_back(Current(&r) == 0 ? r : Bytes{});
    return out;
  }
  Obj obj;
  uint32_t size;
  void *it = nullptr;
};

inline std::vector<Bytes> Walk(uint32_t table, const Key *key) {
  return Walker(table, key).Records();
}

// The local SID table: words 0-1 the VRF, 2 the first word of the SID (index 0), 7 the function
// id (index 1), 10 the smooth id (index 2, smooth id first), 15 the id again as payload.
constexpr uint32_t kLocalSid = 6;
inline Bytes LocalSid(uint32_t id, uint32_t functId, uint32_t smoothId = 0) {
  const uint32_t words[17] = {1, 2, id, 0, 0, 0, 0, functId, 0, 0, smoothId, 0, 0, 0, 0, id};
  return Bytes(reinterpret_cast<const uint8_t *>(words),
               reinterpret_cast<const uint8_t *>(words) + sizeof(words));
}
inline uint32_t Word(const Bytes &r, uint32_t n) {
  return reinterpret_cast<const uint32_t *>(r.data())[n];
}
inline Key PrimaryKey(uint32_t id) { return KeyOf(kLocalSid, 0, LocalSid(id, 0)); }
inline Key FunctKey(uint32_t functId) { return KeyOf(kLocalSid, 1, LocalSid(0, functId)); }
inline Key SmoothKey(uint32_t smoothId) { return KeyOf(kLocalSid, 2, LocalSid(0, 0, smoothId)); }

using Ids = std::vector<uint32_t>;

// The ids of the rest of a walk of the local SID table (~0u for a failed read).
struct Sids : Walker {
  explicit Sids(const Key *key) : Walker(kLocalSid, key) {}
  Ids Rest() {
    Ids ids;
    for (const Bytes &r : Records()) ids.push_back(r.empty() ? ~0u : Word(r, 2));
    return ids;
  }
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { srv6db_engine_reset(); }
};

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_ENGINE_ENGINE_TEST_UTIL_H
