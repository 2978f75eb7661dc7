// Byte-level helpers for the SRv6-TE table tests: layouts written out by offset, key checks.
#ifndef SRV6DB_TESTS_TABLES_SRV6TE_TEST_UTIL_H
#define SRV6DB_TESTS_TABLES_SRV6TE_TEST_UTIL_H

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"

namespace srv6db::test {
// Family-local helpers: a namespace of their own keeps them apart from other families'.
inline namespace srv6te_util {

using Bytes = std::vector<uint8_t>;

// A zeroed byte image filled field by field at documented offsets; values little-endian,
// IPv6 addresses with the most significant byte of each word first.
class Golden {
 public:
  explicit Golden(size_t size) : bytes_(size, 0) {}

  Golden &U8(size_t offset, uint8_t v) { return Put(offset, {v}); }
  Golden &U16(size_t offset, uint16_t v) { return Put(offset, {uint8_t(v), uint8_t(v >> 8)}); }
  Golden &U32(size_t offset, uint32_t v) {
    return Put(offset, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
  }
  Golden &U64(size_t offset, uint64_t v) {
    U32(offset, uint32_t(v));
    return U32(offset + 4, uint32_t(v >> 32));
  }
  Golden &Addr(size_t offset, const uint32_t (&words)[4]) {
    for (size_t w = 0; w < 4; ++w) {
      const uint32_t v = words[w];
      Put(offset + 4 * w, {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    }
    return *this;
  }
  // Bytes first, first + 1, ... as the entry's byte arrays are filled by Pattern.
  Golden &Run(size_t offset, size_t length, uint8_t first) {
    for (size_t i = 0; i < length; ++i) bytes_.at(offset + i) = uint8_t(first + i);
    return *this;
  }
  const Bytes &bytes() const { return bytes_; }
  operator const Bytes &() const { return bytes_; }

 private:
  Golden &Put(size_t offset, std::initializer_list<uint8_t> values) {
    for (uint8_t v : values) bytes_.at(offset++) = v;
    return *this;
  }
  Bytes bytes_;
};

template <size_t N>
void Pattern(uint8_t (&array)[N], uint8_t first) {
  for (size_t i = 0; i < N; ++i) array[i] = uint8_t(first + i);
}

template <typename T>
Bytes BytesOf(const T &value) {
  const auto *p = reinterpret_cast<const uint8_t *>(&value);
  return Bytes(p, p + sizeof(T));
}

// The record the engine stores under a primary key.
inline Bytes StoredRecord(uint32_t table, const Bytes &primaryKey, size_t recordSize) {
  Bytes record(recordSize, 0xCD);
  const uint32_t rc =
      srv6db_engine_get_record(table, primaryKey.data(), uint32_t(primaryKey.size()), record.data(),
                               uint32_t(record.size()));
  EXPECT_EQ(rc, 0u) << "no record stored under this primary key";
  return record;
}

struct KeyCase {
  std::string name;
  std::function<void(uint32_t *, void *)> set;
  uint32_t keyWord;
  Bytes keyBytes;
};

// Each setter writes its key word and exactly its key bytes, nothing past them.
inline void ExpectKeys(const std::vector<KeyCase> &cases) {
  for (const KeyCase &c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t keyWord = 0xDEADBEEF;
    Bytes out(64, 0xCC);
    c.set(&keyWord, out.data());
    EXPECT_EQ(keyWord, c.keyWord);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + c.keyBytes.size()), c.keyBytes);
    EXPECT_EQ(Bytes(out.begin() + c.keyBytes.size(), out.end()),
              Bytes(out.size() - c.keyBytes.size(), 0xCC));
  }
}

// The key of the engine's latest call of fn, against the expected word and bytes.
inline ::testing::AssertionResult EngineGotKey(uint32_t fn, uint32_t keyWord,
                                               const Bytes &keyBytes) {
  Srv6DbEngineKeyCapture capture = {};
  if (srv6db_engine_last_key(fn, &capture) != 0 || capture.hasKey == 0) {
    return ::testing::AssertionFailure() << "the engine got no key";
  }
  const Bytes got(capture.key, capture.key + capture.keyLength);
  if (capture.keyWord != keyWord || got != keyBytes) {
    return ::testing::AssertionFailure() << "key word " << std::hex << capture.keyWord << ", "
                                         << std::dec << got.size() << " key bytes";
  }
  return ::testing::AssertionSuccess();
}

// Every entry an iterator yields, then releases it; the walk must end with 60.
template <typename Entry>
std::vector<Entry> Drain(Srv6DbIter *iter, uint32_t (*next)(Srv6DbIter *, Entry *),
                         void (*release)(Srv6DbIter *)) {
  std::vector<Entry> out;
  EXPECT_NE(iter, nullptr);
  if (iter == nullptr) return out;
  Entry e;
  uint32_t rc;
  while ((rc = next(iter, &e)) == SRV6_DB_OK) out.push_back(e);
  EXPECT_EQ(rc, SRV6_DB_NOT_FOUND);
  release(iter);
  return out;
}

}  // namespace srv6te_util
}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_TABLES_SRV6TE_TEST_UTIL_H
