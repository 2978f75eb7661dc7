// Golden-byte helpers for the table tests: hex byte images, key setter and engine key checks,
// stored records, iterator drains, and the per-table golden rows run by one suite each.
#ifndef SRV6DB_TESTS_SUPPORT_GOLDEN_H
#define SRV6DB_TESTS_SUPPORT_GOLDEN_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"
#include "tests/support/test_env.h"

namespace srv6db::test {

using Bytes = std::vector<uint8_t>;

// Bytes written as hex digits, in memory order; spaces only group them for the reader.
Bytes Hex(std::string_view hex);

template <typename T>
Bytes BytesOf(const T &value) {
  const auto *p = reinterpret_cast<const uint8_t *>(&value);
  return Bytes(p, p + sizeof(T));
}

// An object whose every byte is @p byte: what a test leaves unset holds recognisable junk.
template <typename T>
T Filled(uint8_t byte) {
  T value;
  std::memset(&value, byte, sizeof(value));
  return value;
}

// Sets the elements of @p array from the front, e.g. the four words of an IPv6 address.
template <typename T, size_t N>
void Assign(T (&array)[N], std::initializer_list<std::type_identity_t<T>> values) {
  std::copy(values.begin(), values.begin() + std::min(N, values.size()), array);
}

// Fills a byte array with first, first + 1, ...
template <typename T>
void Ramp(T &array, uint8_t first) {
  auto *b = reinterpret_cast<uint8_t *>(&array);
  for (size_t i = 0; i < sizeof(array); ++i) b[i] = static_cast<uint8_t>(first + i);
}

// The record bytes that @p set makes of @p entry in a zeroed record.
template <typename Entry, typename Record>
Bytes RecordOf(void (*set)(const Entry *, Record *), const Entry &entry) {
  Record record;
  std::memset(&record, 0, sizeof(record));
  set(&entry, &record);
  return BytesOf(record);
}

using KeySetter = std::function<void(uint32_t *keyWord, void *keyBytes)>;

// Run on an area of 0xEE, the setter writes @p keyWord and exactly @p key: nothing past it.
::testing::AssertionResult SetsKey(const KeySetter &set, uint32_t keyWord, const Bytes &key);

// The latest keyed call of engine function @p fn got @p keyWord and @p key.
::testing::AssertionResult EngineGotKey(uint32_t fn, uint32_t keyWord, const Bytes &key);

// The record the engine holds under @p primaryKey; empty if it holds none.
Bytes StoredRecord(uint32_t tableId, const Bytes &primaryKey, size_t recordSize);

// Every entry the iterator yields; the walk must end with 60. Releases the iterator.
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

// A check of one walk by a secondary index: called with an iterator just created, it checks
// that the engine got {keyWord, keyHex}, then that the iterator yields exactly the records
// whose @p id is listed (sorted).
template <typename Entry, typename Id>
auto Walker(uint32_t (*next)(Srv6DbIter *, Entry *), void (*release)(Srv6DbIter *), Id Entry::*id) {
  return [=](Srv6DbIter *iter, uint32_t keyWord, std::string_view keyHex,
             const std::vector<uint32_t> &want) {
    ::testing::AssertionResult result =
        EngineGotKey(SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, keyWord, Hex(keyHex));
    std::vector<uint32_t> ids;
    for (const Entry &e : Drain(iter, next, release)) ids.push_back(e.*id);
    std::sort(ids.begin(), ids.end());
    if (result && ids != want) {
      result = ::testing::AssertionFailure() << "yielded " << ::testing::PrintToString(ids);
    }
    return result;
  };
}

// The smooth key input of the golden rows, and the key it makes: the SRv6 tables put the
// smooth id first, the others last.
inline constexpr Srv6DbSmoothKey kSmoothKey = {1, 2, 3};
inline constexpr char kSmoothIdFirst[] = "03000000 01000000 02000000";
inline constexpr char kSmoothIdLast[] = "01000000 02000000 03000000";

using CreateFn = std::function<uint32_t(const void *entry)>;

// A walk by VRF end to end: of records around VRF (1, 2) and smooth id 3, it yields just those
// two in it, sending {keyWord, keyHex}; a null key gives no iterator. @p id is a primary key
// field other than vrId and vrfIndex, telling the records apart.
struct ByVrf {
  template <typename Entry, typename Id>
  ByVrf(Srv6DbIter *(*byVrf)(const Srv6DbSmoothKey *, uint32_t),
        uint32_t (*next)(Srv6DbIter *, Entry *), void (*release)(Srv6DbIter *), Id Entry::*id,
        uint32_t keyWord, std::string_view keyHex)
      : run([=](const void *golden, const CreateFn &create) {
          // {id, vrId, vrfIndex, smoothId}
          const uint32_t rows[][4] = {
              {1, 1, 2, 3}, {2, 1, 2, 4}, {3, 1, 9, 3}, {4, 9, 2, 3}, {5, 1, 2, 3}};
          for (const auto &[i, vrId, vrfIndex, smoothId] : rows) {
            Entry e = *static_cast<const Entry *>(golden);
            e.*id = static_cast<Id>(i), e.vrId = vrId, e.vrfIndex = vrfIndex;
            e.smoothId = smoothId;
            ASSERT_EQ(create(&e), SRV6_DB_OK);
          }
          EXPECT_TRUE(Walker(next, release, id)(byVrf(&kSmoothKey, SRV6_DB_ITER_NO_COUNT), keyWord,
                                                keyHex, {1, 5}));
          EXPECT_EQ(byVrf(nullptr, SRV6_DB_ITER_NO_COUNT), nullptr);
        }) {}

  std::function<void(const void *entry, const CreateFn &create)> run;
};

// One table's hand-built entry, with its record and primary key bytes written out by hand
// from the record layout: never produced by the encoder.
struct GoldenRecordRow {
  template <typename Entry, typename Record>
  GoldenRecordRow(std::string table, uint32_t tableId, const Entry &entry,
                  void (*setFields)(const Entry *, Record *), uint32_t (*create)(const Entry *),
                  std::string_view recordHex, std::string_view primaryKeyHex)
      : table(std::move(table)),
        tableId(tableId),
        record(Hex(recordHex)),
        primaryKey(Hex(primaryKeyHex)),
        entry(&entry),
        encode([&entry, setFields] { return RecordOf(setFields, entry); }),
        create([create](const void *e) { return create(static_cast<const Entry *>(e)); }) {}

  std::string table;
  uint32_t tableId;
  Bytes record;
  Bytes primaryKey;
  const void *entry;
  std::function<Bytes()> encode;  // Set<T>Fields of the entry into a zeroed record
  CreateFn create;                // Create<T>
  std::function<void()> vrfWalk;  // empty for a table without a walk by VRF
};

// One key setter called on fixed input, and the key word and bytes it must write.
struct GoldenKeyRow {
  // A setter of the pattern (input, key word, key bytes); one that answers a code must say 0.
  template <typename Result, typename Input>
  GoldenKeyRow(std::string name, Result (*setter)(const Input *, uint32_t *, void *),
               const Input &input, uint32_t keyWord, std::string_view keyHex)
      : GoldenKeyRow(
            std::move(name),
            [setter, &input](uint32_t *w, void *k) {
              if constexpr (std::is_void_v<Result>) {
                setter(&input, w, k);
              } else {
                EXPECT_EQ(setter(&input, w, k), 0u);
              }
            },
            keyWord, keyHex) {}
  GoldenKeyRow(std::string name, KeySetter set, uint32_t keyWord, std::string_view keyHex)
      : name(std::move(name)), set(std::move(set)), keyWord(keyWord), key(Hex(keyHex)) {}

  std::string name;  // within its table; the registrar prefixes the table's name
  KeySetter set;
  uint32_t keyWord;
  Bytes key;
};

std::vector<GoldenRecordRow> &GoldenRecordRows();
std::vector<GoldenKeyRow> &GoldenKeyRows();

struct GoldenRegistrar {
  GoldenRegistrar(GoldenRecordRow record, std::vector<GoldenKeyRow> keys,
                  std::optional<ByVrf> byVrf = std::nullopt);
};

// Test names and failure messages show the row's name, not its bytes.
inline void PrintTo(const GoldenRecordRow &r, std::ostream *os) { *os << r.table; }
inline void PrintTo(const GoldenKeyRow &k, std::ostream *os) { *os << k.name; }

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_SUPPORT_GOLDEN_H
