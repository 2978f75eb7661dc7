// One row per table, read by every table-driven suite: the typed functions, which bytes the
// conversion carries, the record and key bytes of the pattern entry written out in hex from the
// record layout, and the table's extra operations.
#ifndef SRV6DB_TESTS_SUPPORT_TABLES_H
#define SRV6DB_TESTS_SUPPORT_TABLES_H

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "srv6_db.h"

namespace srv6db::test {

using Bytes = std::vector<uint8_t>;

// Bytes written as hex digits in memory order; spaces only group them.
Bytes Hex(std::string_view hex);
// An entry whose byte i holds (i + 37 * seed) % 255 + 1: never zero, so a dropped byte shows,
// and different in every byte for another seed. Seed 0 is the rows' entry.
Bytes Pattern(size_t size, uint32_t seed);
template <typename T>
Bytes BytesOf(const T &value) {
  const auto *p = reinterpret_cast<const uint8_t *>(&value);
  return Bytes(p, p + sizeof(T));
}

struct Range {
  size_t offset;
  size_t length;
};

// The generic path an operation takes to the engine; the fault sweep derives outcomes from it.
enum class OpKind {
  kCreate,
  kRead,
  kUpdate,
  kDelete,
  kCount,        // count by key: the engine's own code on failure
  kUnique,       // first record of a secondary index
  kWalk,         // iterator walked to its end: 60, or 1 if it cannot be made or a step fails
  kBoundedRead,  // records read into an array of one entry: 0 when it filled
  kVisit,        // records handed to a visitor: 0 at the end
};

// A key setter run on the pattern entry, and the key word and bytes it must write.
struct KeyCase {
  std::string name;
  uint32_t word;
  Bytes bytes;
  void (*set)(const void *entry, uint32_t *keyWord, void *keyBytes);
};

// An exported operation beyond the plain ones, run on the entry of a stored record.
struct ExtraOp {
  std::string name;
  OpKind kind;
  uint32_t (*run)(void *entry);  // a null entry reaches the exported function as null
  std::string key;               // the KeyCase the engine receives from the pattern entry
  bool takesEntry = true;        // false: scalar key inputs taken from the entry
};

struct TableCase {
  std::string name;  // short name, e.g. "LocalSid"
  uint32_t tableId;
  size_t entrySize;
  size_t recordSize;
  uint32_t (*create)(const void *entry);
  uint32_t (*read)(void *entry);
  uint32_t (*remove)(const void *entry);
  void (*setFields)(const void *entry, void *record);
  void (*getFields)(const void *record, void *entry);
  void (*setPriKey)(const void *entry, uint32_t *keyWord, void *keyBytes);
  Srv6DbIter *(*createIterator)(uint32_t count);
  uint32_t (*getNext)(Srv6DbIter *iter, void *entry);
  void (*release)(Srv6DbIter *iter);
  size_t smoothIdOffset = SIZE_MAX;  // of the u32 smooth id, if any
  uint32_t (*updateSmoothId)(const void *entry) = nullptr;
  uint32_t (*stageSmoothId)(Srv6DbUpdateCtx *ctx, void *dbObj) = nullptr;
  std::vector<Range> entryUncarried = {};   // spare fields, gaps, unmapped tails
  std::vector<Range> recordUnwritten = {};  // zero in every record the library builds
  std::vector<Range> primaryKeyFields;      // entry bytes that make the primary key
  Bytes record;                             // the record of Pattern(entrySize, 0)
  std::vector<KeyCase> keys;                // keys[0] is the primary key
  std::vector<ExtraOp> extraOps = {};
};

// The record the library builds from @p entry.
inline Bytes RecordOf(const TableCase &t, const Bytes &entry) {
  Bytes record(t.recordSize, 0);
  t.setFields(entry.data(), record.data());
  return record;
}

// The primary key bytes of @p entry, as the table's key setter writes them.
inline Bytes PrimaryKeyOf(const TableCase &t, const Bytes &entry) {
  uint32_t keyWord = 0;
  uint8_t key[64] = {};
  t.setPriKey(entry.data(), &keyWord, key);
  return Bytes(key, key + (keyWord & 0xFFFF));
}

// Every table's row, in table id order.
const std::vector<TableCase> &TableCases();
inline void PrintTo(const TableCase &c, std::ostream *os) { *os << c.name; }
struct TableCaseRegistrar {
  explicit TableCaseRegistrar(TableCase c);
};

// Walks @p iter to its end and releases it: 1 if it was not made, else the result that ended
// the walk. Per thread, WalkedEntries() counts what it yielded and CountSink() takes counts.
size_t &WalkedEntries();
uint64_t *CountSink();
template <typename Entry>
uint32_t WalkToEnd(Srv6DbIter *iter, uint32_t (*next)(Srv6DbIter *, Entry *),
                   void (*release)(Srv6DbIter *)) {
  WalkedEntries() = 0;
  if (iter == nullptr) return SRV6_DB_ERR;
  Entry entry;
  uint32_t rc;
  while ((rc = next(iter, &entry)) == SRV6_DB_OK) ++WalkedEntries();
  release(iter);
  return rc;
}

// The smooth key input of an entry; null for a null entry. One per thread.
template <typename Entry>
const Srv6DbSmoothKey *SmoothKeyOf(const Entry *e) {
  thread_local Srv6DbSmoothKey key;
  if (e == nullptr) return nullptr;
  key = {e->vrId, e->vrfIndex, e->smoothId};
  return &key;
}

// clang-format off
#define SRV6DB_TEST_E(T, p) static_cast<Srv6Db##T##Entry *>(const_cast<void *>(p))
#define SRV6DB_TEST_R(T, p) static_cast<Srv6Db##T##Record *>(const_cast<void *>(p))
// The plain typed functions of table T, by the pattern's names.
#define SRV6DB_TEST_TABLE(T, id)                                                                   \
  .name = #T, .tableId = id, .entrySize = sizeof(Srv6Db##T##Entry),                                \
  .recordSize = sizeof(Srv6Db##T##Record),                                                         \
  .create = [](const void *e) { return SRV6_DB_Create##T(SRV6DB_TEST_E(T, e)); },                  \
  .read = [](void *e) { return SRV6_DB_Read##T(SRV6DB_TEST_E(T, e)); },                            \
  .remove = [](const void *e) { return SRV6_DB_Delete##T(SRV6DB_TEST_E(T, e)); },                  \
  .setFields = [](const void *e, void *r) { SRV6_DB_Set##T##Fields(SRV6DB_TEST_E(T, e), SRV6DB_TEST_R(T, r)); }, \
  .getFields = [](const void *r, void *e) { SRV6_DB_Get##T##Fields(SRV6DB_TEST_R(T, r), SRV6DB_TEST_E(T, e)); }, \
  .setPriKey = [](const void *e, uint32_t *w, void *k) { SRV6_DB_Set##T##PriKey(SRV6DB_TEST_E(T, e), w, k); }, \
  .createIterator = [](uint32_t n) { return SRV6_DB_Create##T##Iterator(n); },                     \
  .getNext = [](Srv6DbIter *i, void *e) { return SRV6_DB_GetNext##T##Entry(i, SRV6DB_TEST_E(T, e)); }, \
  .release = [](Srv6DbIter *i) { SRV6_DB_Release##T##Iterator(i); }
#define SRV6DB_TEST_SMOOTH(T)                                                                      \
  .smoothIdOffset = offsetof(Srv6Db##T##Entry, smoothId),                                          \
  .updateSmoothId = [](const void *e) { return SRV6_DB_Update##T##SmoothId(SRV6DB_TEST_E(T, e)); }, \
  .stageSmoothId = &SRV6_DB_Set##T##SmoothID
// Key setter @p setter of table T given the inputs after @p hex, computed from `e`, the typed
// pattern entry.
#define SRV6DB_TEST_KEY_OF(T, keyName, setter, word, hex, ...)                                     \
  ::srv6db::test::KeyCase{keyName, word, ::srv6db::test::Hex(hex), [](const void *p, uint32_t *w, void *k) { \
    [[maybe_unused]] auto *e = SRV6DB_TEST_E(T, p); (void)setter(__VA_ARGS__, w, k); }}
#define SRV6DB_TEST_KEY(T, keyName, setter, word, hex) SRV6DB_TEST_KEY_OF(T, keyName, setter, word, hex, e)
#define SRV6DB_TEST_KEY_BY(T, keyName, X, word, hex) SRV6DB_TEST_KEY(T, keyName, SRV6_DB_Set##T##X, word, hex)
#define SRV6DB_TEST_PRIMARY(T, word, hex) SRV6DB_TEST_KEY(T, "Primary", SRV6_DB_Set##T##PriKey, word, hex)
#define SRV6DB_TEST_SMOOTH_KEY(T, word, hex)                                                       \
  SRV6DB_TEST_KEY_OF(T, "Smooth", SRV6_DB_Set##T##SmoothHashKey, word, hex, ::srv6db::test::SmoothKeyOf(e))
// An extra operation of table T whose result is @p expr, computed from `e`, the typed entry.
#define SRV6DB_TEST_OP(T, opName, opKind, keyName, expr)                                           \
  ::srv6db::test::ExtraOp{opName, ::srv6db::test::OpKind::opKind, [](void *p) -> uint32_t {        \
    [[maybe_unused]] auto *e = static_cast<Srv6Db##T##Entry *>(p); return (expr); }, keyName}
#define SRV6DB_TEST_SCALAR(T, opName, opKind, keyName, expr)                                       \
  [] { auto op = SRV6DB_TEST_OP(T, opName, opKind, keyName, expr); op.takesEntry = false; return op; }()
// An iterator of table T made by @p createExpr (from `e`), walked to its end and released.
#define SRV6DB_TEST_WALK(T, opName, keyName, createExpr)                                           \
  SRV6DB_TEST_OP(T, opName, kWalk, keyName, ::srv6db::test::WalkToEnd(createExpr,                  \
                 &SRV6_DB_GetNext##T##Entry, &SRV6_DB_Release##T##Iterator))
// The walk "By<X>" of SRV6_DB_Create<T>IteratorBy<X>; the unique read "ReadBy<X>".
#define SRV6DB_TEST_WALK_BY(T, X, keyName)                                                         \
  SRV6DB_TEST_WALK(T, "By" #X, keyName, SRV6_DB_Create##T##IteratorBy##X(e, 1))
#define SRV6DB_TEST_READ_BY(T, X, keyName)                                                         \
  SRV6DB_TEST_OP(T, "ReadBy" #X, kUnique, keyName, SRV6_DB_Read##T##By##X(e))
#define SRV6DB_TEST_BY_VRF(T, createFn)                                                            \
  SRV6DB_TEST_WALK(T, "ByVrf", "Smooth", createFn(::srv6db::test::SmoothKeyOf(e), 1))
// clang-format on

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_SUPPORT_TABLES_H
