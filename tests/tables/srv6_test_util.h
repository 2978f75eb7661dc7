// Helpers for the SRv6 table tests: byte images written at documented offsets, the keys the
// engine received, stored records, and draining an iterator.
#ifndef SRV6DB_TESTS_TABLES_SRV6_TEST_UTIL_H
#define SRV6DB_TESTS_TABLES_SRV6_TEST_UTIL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"

namespace srv6db::test {

using ByteVec = std::vector<uint8_t>;

// A little-endian byte image, filled field by field at literal offsets.
class Bytes {
 public:
  explicit Bytes(size_t size) : b_(size, 0) {}
  explicit Bytes(ByteVec start) : b_(std::move(start)) {}  // to write over an existing image
  Bytes &U8(size_t off, uint8_t v) { return Put(off, v, 1); }
  Bytes &U16(size_t off, uint16_t v) { return Put(off, v, 2); }
  Bytes &U32(size_t off, uint32_t v) { return Put(off, v, 4); }
  Bytes &U64(size_t off, uint64_t v) { return Put(off, v, 8); }
  Bytes &Raw(size_t off, std::initializer_list<uint8_t> v) {
    std::copy(v.begin(), v.end(), b_.begin() + static_cast<std::ptrdiff_t>(off));
    return *this;
  }
  Bytes &Fill(size_t off, size_t n, uint8_t v) {
    std::fill_n(b_.begin() + static_cast<std::ptrdiff_t>(off), n, v);
    return *this;
  }
  operator ByteVec() const { return b_; }  // NOLINT: used as a value wherever bytes are wanted

 private:
  Bytes &Put(size_t off, uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) b_.at(off + i) = static_cast<uint8_t>(v >> (8 * i));
    return *this;
  }
  ByteVec b_;
};

inline ByteVec AsBytes(const void *p, size_t n) {
  const auto *b = static_cast<const uint8_t *>(p);
  return ByteVec(b, b + n);
}

// A key setter's output: the key word and the whole key byte area it was given.
struct BuiltKey {
  uint32_t word = 0;
  ByteVec bytes;
};

// One key setter, the key it must build, by hand from the documented layout.
struct KeySetterCase {
  std::string name;
  std::function<void(uint32_t *, void *)> set;
  uint32_t word;
  ByteVec bytes;
};

// Runs a key setter on a key area prefilled with 0xEE: exactly the key's bytes must change.
inline void ExpectKeySetter(const KeySetterCase &c) {
  SCOPED_TRACE(c.name);
  constexpr size_t kArea = 64;
  uint32_t word = 0xDEADBEEF;
  ByteVec area(kArea, 0xEE);
  c.set(&word, area.data());
  EXPECT_EQ(word, c.word);
  EXPECT_EQ(ByteVec(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(c.bytes.size())),
            c.bytes);
  EXPECT_TRUE(std::all_of(area.begin() + static_cast<std::ptrdiff_t>(c.bytes.size()), area.end(),
                          [](uint8_t b) { return b == 0xEE; }))
      << "bytes past the key length were written";
}

// The key of the most recent call of a keyed engine function.
inline BuiltKey LastEngineKey(uint32_t fn) {
  Srv6DbEngineKeyCapture cap{};
  EXPECT_EQ(srv6db_engine_last_key(fn, &cap), 0u);
  EXPECT_EQ(cap.hasKey, 1u);
  return {cap.keyWord, ByteVec(cap.key, cap.key + cap.keyLength)};
}

// The record the engine stores under primary key @p pk, or an empty vector.
inline ByteVec StoredRecord(uint32_t table, const ByteVec &pk, size_t recordSize) {
  ByteVec rec(recordSize);
  if (srv6db_engine_get_record(table, pk.data(), static_cast<uint32_t>(pk.size()), rec.data(),
                               static_cast<uint32_t>(recordSize)) != 0) {
    return {};
  }
  return rec;
}

// Reads an iterator to its end (60), releases it and returns what it yielded.
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

// One secondary index used end to end: how to open it, the key the engine must get, and the
// values of one entry field (sorted) that the yielded records must carry.
struct IndexCase {
  std::string name;
  std::function<Srv6DbIter *()> open;
  uint32_t word;
  ByteVec key;
  std::vector<uint32_t> ids;
};

template <typename Entry>
void ExpectIndexWalk(const IndexCase &c, uint32_t (*next)(Srv6DbIter *, Entry *),
                     void (*release)(Srv6DbIter *), uint32_t (*id)(const Entry &)) {
  SCOPED_TRACE(c.name);
  const std::vector<Entry> got = Drain(c.open(), next, release);
  const BuiltKey seen = LastEngineKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER);
  EXPECT_EQ(seen.word, c.word);
  EXPECT_EQ(seen.bytes, c.key);
  std::vector<uint32_t> ids;
  for (const Entry &e : got) ids.push_back(id(e));
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, c.ids);
}

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_TABLES_SRV6_TEST_UTIL_H
