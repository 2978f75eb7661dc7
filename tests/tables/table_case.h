// One hand-written description per table, from the documented layouts, for the table-driven
// tests; deliberately independent of the library's own field maps.
#ifndef SRV6DB_TESTS_TABLES_TABLE_CASE_H
#define SRV6DB_TESTS_TABLES_TABLE_CASE_H

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "srv6_db.h"

namespace srv6db::test {

struct Range {
  size_t offset;
  size_t length;
};

// The generic path an operation takes to the engine; the fault sweep derives each outcome
// from it.
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

// An exported operation beyond the pattern's plain ones, run on the entry of a stored record.
struct ExtraOp {
  std::string name;
  OpKind kind;
  // Runs the operation from @p entry; a null entry reaches the exported function as null.
  uint32_t (*run)(void *entry);
  // False when the function takes no pointer derived from the entry (scalar key inputs).
  bool takesEntry = true;
};

struct TableCase {
  std::string name;  // table short name, e.g. "LocalSid"
  uint32_t tableId;
  size_t entrySize;
  size_t recordSize;
  // Entry bytes that no conversion carries: spare fields, alignment gaps, unmapped tails.
  std::vector<Range> entryUncarried;
  // Record bytes that no entry field fills: zero in every record the library builds.
  std::vector<Range> recordUnwritten;
  // Entry bytes that make the primary key.
  std::vector<Range> primaryKeyFields;
  // Entry offset of the u32 smooth id; SIZE_MAX for a table without one.
  size_t smoothIdOffset;
  uint32_t primaryKeyWord;

  uint32_t (*create)(const void *entry);
  uint32_t (*read)(void *entry);
  uint32_t (*remove)(const void *entry);
  uint32_t (*updateSmoothId)(const void *entry);  // null without a smooth id
  uint32_t (*stageSmoothId)(Srv6DbUpdateCtx *ctx, void *dbObj) = nullptr;  // its callback
  void (*setFields)(const void *entry, void *record);
  void (*getFields)(const void *record, void *entry);
  void (*setPriKey)(const void *entry, uint32_t *keyWord, void *keyBytes);
  Srv6DbIter *(*createIterator)(uint32_t count);
  uint32_t (*getNext)(Srv6DbIter *iter, void *entry);
  void (*release)(Srv6DbIter *iter);
  // Secondary-key iterators, unique reads, counts, walks: each listed once joins every
  // table-driven sweep.
  std::vector<ExtraOp> extraOps = {};
};

// Walks @p iter to its end and releases it: 1 if it was not made, else the result that ended
// the walk (60 after the last record).
template <typename Entry>
uint32_t WalkToEnd(Srv6DbIter *iter, uint32_t (*next)(Srv6DbIter *, Entry *),
                   void (*release)(Srv6DbIter *)) {
  if (iter == nullptr) return SRV6_DB_ERR;
  Entry entry{};
  uint32_t rc;
  while ((rc = next(iter, &entry)) == SRV6_DB_OK) {
  }
  release(iter);
  return rc;
}

// The smooth key input of a stored entry; null for a null entry. One per thread.
template <typename Entry>
const Srv6DbSmoothKey *SmoothKeyOf(const Entry *e) {
  thread_local Srv6DbSmoothKey key;
  if (e == nullptr) return nullptr;
  key = {e->vrId, e->vrfIndex, e->smoothId};
  return &key;
}

// An output array of one entry; one per thread.
template <typename Entry>
Entry *OneEntry() {
  thread_local Entry entry;
  return &entry;
}

// Where count operations write; one per thread.
inline uint64_t *CountSink() {
  thread_local uint64_t count;
  return &count;
}

std::vector<TableCase> &TableCases();

// Test names and failure messages show the table's short name, not its bytes.
inline void PrintTo(const TableCase &c, std::ostream *os) { *os << c.name; }

struct TableCaseRegistrar {
  explicit TableCaseRegistrar(TableCase c) { TableCases().push_back(std::move(c)); }
};

// clang-format off
// Designated initializers for the typed functions of table T, by the pattern's names:
// SRV6DB_TEST_TABLE_FUNCS(T), then SRV6DB_TEST_TABLE_SMOOTH(T) if it has a smooth id, then
// SRV6DB_TEST_TABLE_REST(T).
#define SRV6DB_TEST_TABLE_FUNCS(T)                                                          \
  .create = [](const void *e) { return SRV6_DB_Create##T(static_cast<const Srv6Db##T##Entry *>(e)); }, \
  .read = [](void *e) { return SRV6_DB_Read##T(static_cast<Srv6Db##T##Entry *>(e)); },               \
  .remove = [](const void *e) { return SRV6_DB_Delete##T(static_cast<const Srv6Db##T##Entry *>(e)); }
#define SRV6DB_TEST_TABLE_SMOOTH(T) \
  .updateSmoothId = [](const void *e) { return SRV6_DB_Update##T##SmoothId(static_cast<const Srv6Db##T##Entry *>(e)); }, \
  .stageSmoothId = &SRV6_DB_Set##T##SmoothID
#define SRV6DB_TEST_TABLE_REST(T)                                                                      \
  .setFields = [](const void *e, void *r) { SRV6_DB_Set##T##Fields(static_cast<const Srv6Db##T##Entry *>(e), static_cast<Srv6Db##T##Record *>(r)); }, \
  .getFields = [](const void *r, void *e) { SRV6_DB_Get##T##Fields(static_cast<const Srv6Db##T##Record *>(r), static_cast<Srv6Db##T##Entry *>(e)); }, \
  .setPriKey = [](const void *e, uint32_t *w, void *k) { SRV6_DB_Set##T##PriKey(static_cast<const Srv6Db##T##Entry *>(e), w, k); }, \
  .createIterator = [](uint32_t n) { return SRV6_DB_Create##T##Iterator(n); },                    \
  .getNext = [](Srv6DbIter *i, void *e) { return SRV6_DB_GetNext##T##Entry(i, static_cast<Srv6Db##T##Entry *>(e)); }, \
  .release = [](Srv6DbIter *i) { SRV6_DB_Release##T##Iterator(i); }

// An extra operation of table T whose result is @p expr, computed from `e`, the typed entry.
#define SRV6DB_TEST_OP(T, opName, opKind, expr)                                 \
  ::srv6db::test::ExtraOp {                                                     \
    opName, ::srv6db::test::OpKind::opKind, [](void *p) -> uint32_t {           \
      [[maybe_unused]] auto *e = static_cast<Srv6Db##T##Entry *>(p);            \
      return (expr);                                                            \
    }                                                                           \
  }
// An iterator of table T made by @p createExpr (from `e`), walked to its end and released.
#define SRV6DB_TEST_WALK(T, opName, createExpr)                                               \
  SRV6DB_TEST_OP(T, opName, kWalk,                                                            \
                 ::srv6db::test::WalkToEnd(createExpr, &SRV6_DB_GetNext##T##Entry,            \
                                           &SRV6_DB_Release##T##Iterator))
// clang-format on

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_TABLES_TABLE_CASE_H
