// Helpers for the TE table tests: golden bytes placed at hand-written offsets, key setter rows
// and checks of what the engine stored or was asked for.
#ifndef SRV6DB_TESTS_TABLES_TE_TEST_UTIL_H
#define SRV6DB_TESTS_TABLES_TE_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"

namespace srv6db::test {
// Family-local helpers: a namespace of their own keeps them apart from other families'.
inline namespace te_util {

using Bytes = std::vector<uint8_t>;

// A zeroed byte image filled at explicit offsets; multi-byte values little-endian.
class Golden {
 public:
  explicit Golden(size_t size) : bytes_(size, 0) {}
  Golden &U8(size_t offset, uint8_t v) { return Raw(offset, {v}); }
  Golden &U32(size_t offset, uint32_t v) { return Le(offset, v, 4); }
  Golden &U64(size_t offset, uint64_t v) { return Le(offset, v, 8); }
  Golden &Raw(size_t offset, std::initializer_list<uint8_t> v) {
    for (uint8_t b : v) bytes_.at(offset++) = b;
    return *this;
  }
  Golden &Fill(size_t offset, size_t n, uint8_t first) {  // first, first + 1, ...
    for (size_t i = 0; i < n; ++i) bytes_.at(offset + i) = static_cast<uint8_t>(first + i);
    return *this;
  }
  const Bytes &bytes() const { return bytes_; }

 private:
  Golden &Le(size_t offset, uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) bytes_.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
    return *this;
  }
  Bytes bytes_;
};

inline Bytes AsBytes(const void *p, size_t n) {
  const auto *b = static_cast<const uint8_t *>(p);
  return Bytes(b, b + n);
}

template <typename T>
void FillSequence(T &array, uint8_t first) {
  uint8_t *b = reinterpret_cast<uint8_t *>(&array);
  for (size_t i = 0; i < sizeof(array); ++i) b[i] = static_cast<uint8_t>(first + i);
}

// One key setter: its call, and the key word and key bytes it must produce.
struct KeyRow {
  std::string name;
  std::function<void(uint32_t *keyWord, void *keyBytes)> set;
  uint32_t keyWord;
  Bytes key;
};

// The setter writes the word and exactly the key's bytes: nothing past them.
inline void ExpectKeySetter(const KeyRow &row) {
  SCOPED_TRACE(row.name);
  constexpr uint8_t kUntouched = 0xEE;
  uint32_t keyWord = 0;
  Bytes out(64, kUntouched);
  row.set(&keyWord, out.data());
  EXPECT_EQ(keyWord, row.keyWord);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + row.key.size()), row.key);
  EXPECT_EQ(Bytes(out.begin() + row.key.size(), out.end()), Bytes(64 - row.key.size(), kUntouched))
      << "bytes past the key were written";
}

// The record the engine holds under @p primaryKey, or an empty vector if it has none.
inline Bytes StoredRecord(uint32_t table, const Bytes &primaryKey, size_t recordSize) {
  Bytes record(recordSize, 0);
  const uint32_t rc =
      srv6db_engine_get_record(table, primaryKey.data(), static_cast<uint32_t>(primaryKey.size()),
                               record.data(), static_cast<uint32_t>(recordSize));
  return rc == 0 ? record : Bytes();
}

// The key of the latest call of engine function @p fn was @p keyWord and @p key.
inline ::testing::AssertionResult EngineGotKey(uint32_t fn, uint32_t keyWord, const Bytes &key) {
  Srv6DbEngineKeyCapture capture;
  if (srv6db_engine_last_key(fn, &capture) != 0 || capture.calls == 0 || capture.hasKey == 0) {
    return ::testing::AssertionFailure() << "no keyed call of " << srv6db_engine_function_name(fn);
  }
  const Bytes got(capture.key, capture.key + capture.keyLength);
  if (capture.keyWord != keyWord || got != key) {
    return ::testing::AssertionFailure()
           << srv6db_engine_function_name(fn) << " got key word 0x" << std::hex << capture.keyWord
           << " and " << ::testing::PrintToString(got);
  }
  return ::testing::AssertionSuccess();
}

// Walks @p iter to its end with @p getNext, releasing it; yields every entry delivered.
template <typename Entry, typename GetNext, typename Release>
std::vector<Entry> Drain(Srv6DbIter *iter, GetNext getNext, Release release) {
  std::vector<Entry> out;
  if (iter == nullptr) return out;
  Entry e;
  std::memset(&e, 0, sizeof(e));
  while (getNext(iter, &e) == SRV6_DB_OK) out.push_back(e);
  release(iter);
  return out;
}

}  // namespace te_util
}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_TABLES_TE_TEST_UTIL_H
