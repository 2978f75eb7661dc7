// Helpers for the SRv6 table tests: byte images written at literal offsets, key setter and
// secondary index checks against the bytes the engine received.
#ifndef SRV6DB_TESTS_TABLES_SRV6_TEST_UTIL_H
#define SRV6DB_TESTS_TABLES_SRV6_TEST_UTIL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"

namespace srv6db::test {
// Family-local helpers: a namespace of their own keeps them apart from other families'.
inline namespace srv6_util {

using ByteVec = std::vector<uint8_t>;

// A little-endian byte image, filled field by field at literal offsets.
class Bytes {
 public:
  explicit Bytes(size_t size) : b_(size, 0) {}
  explicit Bytes(ByteVec start) : b_(std::move(start)) {}
  Bytes(size_t size, const ByteVec &head) : b_(head) { b_.resize(size); }
  Bytes &U8(size_t off, uint8_t v) { return Put(off, v, 1); }
  Bytes &U16(size_t off, uint16_t v) { return Put(off, v, 2); }
  Bytes &U32(size_t off, uint32_t v) { return Put(off, v, 4); }
  Bytes &U64(size_t off, uint64_t v) { return Put(off, v, 8); }
  // Consecutive u32 or u64 values from @p off on.
  Bytes &U32s(size_t off, std::initializer_list<uint32_t> v) {
    for (uint32_t x : v) U32(off, x), off += 4;
    return *this;
  }
  Bytes &U64s(size_t off, std::initializer_list<uint64_t> v) {
    for (uint64_t x : v) U64(off, x), off += 8;
    return *this;
  }
  // An IPv6 address given as its four words, in network byte order.
  Bytes &Ipv6(size_t off, std::initializer_list<uint32_t> words) {
    for (uint32_t w : words) {
      for (int shift = 24; shift >= 0; shift -= 8) b_.at(off++) = static_cast<uint8_t>(w >> shift);
    }
    return *this;
  }
  Bytes &Raw(size_t off, std::initializer_list<uint8_t> v) {
    for (uint8_t b : v) b_.at(off++) = b;
    return *this;
  }
  Bytes &Ramp(size_t off, size_t n, uint8_t first) {  // first, first + 1, ...
    for (size_t i = 0; i < n; ++i) b_.at(off + i) = static_cast<uint8_t>(first + i);
    return *this;
  }
  operator ByteVec() const { return b_; }  // NOLINT(google-explicit-constructor)

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

inline void Ramp(uint8_t *dst, size_t n, uint8_t first) {
  for (size_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(first + i);
}

// The record the engine stores under primary key @p pk; empty if there is none.
inline ByteVec StoredRecord(uint32_t table, const ByteVec &pk, size_t recordSize) {
  ByteVec rec(recordSize);
  const uint32_t rc = srv6db_engine_get_record(table, pk.data(), static_cast<uint32_t>(pk.size()),
                                               rec.data(), static_cast<uint32_t>(recordSize));
  return rc == 0 ? rec : ByteVec{};
}

struct KeyCase {
  std::string name;
  uint32_t word;
  ByteVec bytes;
};

// The key word and bytes of the most recent call of a keyed engine function.
inline KeyCase LastEngineKey(uint32_t fn) {
  Srv6DbEngineKeyCapture cap{};
  EXPECT_EQ(srv6db_engine_last_key(fn, &cap), 0u);
  return {"engine", cap.keyWord, ByteVec(cap.key, cap.key + cap.keyLength)};
}

inline void ExpectEngineKey(uint32_t fn, const KeyCase &want) {
  const KeyCase got = LastEngineKey(fn);
  EXPECT_EQ(got.word, want.word) << want.name;
  EXPECT_EQ(got.bytes, want.bytes) << want.name;
}

// A key setter run on an area of 0xEE: it must write the word and exactly the key's bytes.
struct KeySetterCase {
  KeyCase want;
  std::function<void(uint32_t *, void *)> set;
};

inline void ExpectKeySetter(const KeySetterCase &c) {
  SCOPED_TRACE(c.want.name);
  uint32_t word = 0;
  ByteVec area(64, 0xEE);
  c.set(&word, area.data());
  EXPECT_EQ(word, c.want.word);
  const ByteVec tail(area.size() - c.want.bytes.size(), 0xEE);
  EXPECT_EQ(ByteVec(area.begin(), area.begin() + std::ssize(c.want.bytes)), c.want.bytes);
  EXPECT_EQ(ByteVec(area.begin() + std::ssize(c.want.bytes), area.end()), tail);
}

// A secondary index end to end: the iterator it opens must send the key and yield the records
// whose id (one entry field) is listed.
struct IndexCase {
  KeyCase want;
  std::function<Srv6DbIter *()> open;
  std::vector<uint32_t> ids;
};

template <typename Entry>
void ExpectIndexWalk(const IndexCase &c, uint32_t (*next)(Srv6DbIter *, Entry *),
                     void (*release)(Srv6DbIter *), uint32_t Entry::*id) {
  SCOPED_TRACE(c.want.name);
  Srv6DbIter *iter = c.open();
  ASSERT_NE(iter, nullptr);
  ExpectEngineKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, c.want);
  std::vector<uint32_t> ids;
  Entry e;
  while (next(iter, &e) == SRV6_DB_OK) ids.push_back(e.*id);
  release(iter);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, c.ids);
}

}  // namespace srv6_util
}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_TABLES_SRV6_TEST_UTIL_H
