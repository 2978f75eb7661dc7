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

#define SRV6DB_TEST_ROW(id, t) \
  {#t, db_create_##t##_obj, db_release_##t##_object, db_set_##t##_all_fields, nullptr},
inline TableFns g_tableFns[] = {SRV6DB_ENGINE_TABLES(SRV6DB_TEST_ROW)};
#undef SRV6DB_TEST_ROW
#define SRV6DB_TEST_SMOOTH(id, t) g_tableFns[id].setSmooth = db_set_##t##_table_smooth_id;
inline const TableFns &Fns(uint32_t table) {
  [[maybe_unused]] static const bool once = [] {
    SRV6DB_ENGINE_SMOOTH_TABLES(SRV6DB_TEST_SMOOTH)
    return true;
  }();
  return g_tableFns[table];
}
#undef SRV6DB_TEST_SMOOTH

inline Srv6DbEngineSchema SchemaOf(uint32_t table) {
  Srv6DbEngineSchema s{};
  srv6db_engine_schema(table, &s);
  return s;
}

// An engine object released when it goes out of scope.
class Obj {
 public:
  Obj(uint32_t table, uint32_t op) : table_(table) { code_ = Fns(table).create(op, 0, &h_); }
  ~Obj() {
    if (h_ != nullptr) Fns(table_).release(h_);
  }
  Obj(const Obj &) = delete;
  Obj &operator=(const Obj &) = delete;
  void *get() const { return h_; }
  uint32_t code() const { return code_; }

 private:
  uint32_t table_;
  void *h_ = nullptr;
  uint32_t code_;
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
  if (o.code() != 0) return o.code();
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

// Every record a root iterator yields (a null key walks the whole table); a read that fails
// after a successful step fails the test.
inline std::vector<Bytes> Walk(uint32_t table, const Key *key) {
  Obj o(table, DB_OP_QUERY);
  void *it = nullptr;
  EXPECT_EQ(db_create_root_iter(o.get(), key ? key->info : nullptr, key ? key->data : nullptr, &it),
            0u);
  std::vector<Bytes> out;
  Bytes buf(SchemaOf(table).recordSize);
  while (db_root_iterator_next(it) == 0) {
    EXPECT_EQ(db_read_obj_with_buf(o.get(), nullptr, nullptr, buf.data(),
                                   static_cast<uint32_t>(buf.size())),
              0u);
    out.push_back(buf);
  }
  return out;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    srv6db_engine_reset();
    srv6db_engine_capture_keys(1);
  }
  void TearDown() override { srv6db_engine_capture_keys(0); }
};

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_ENGINE_ENGINE_TEST_UTIL_H
