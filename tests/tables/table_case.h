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
  void (*setFields)(const void *entry, void *record);
  void (*getFields)(const void *record, void *entry);
  void (*setPriKey)(const void *entry, uint32_t *keyWord, void *keyBytes);
  Srv6DbIter *(*createIterator)(uint32_t count);
  uint32_t (*getNext)(Srv6DbIter *iter, void *entry);
  void (*release)(Srv6DbIter *iter);
};

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
  .updateSmoothId = [](const void *e) { return SRV6_DB_Update##T##SmoothId(static_cast<const Srv6Db##T##Entry *>(e)); }
#define SRV6DB_TEST_TABLE_REST(T)                                                                      \
  .setFields = [](const void *e, void *r) { SRV6_DB_Set##T##Fields(static_cast<const Srv6Db##T##Entry *>(e), static_cast<Srv6Db##T##Record *>(r)); }, \
  .getFields = [](const void *r, void *e) { SRV6_DB_Get##T##Fields(static_cast<const Srv6Db##T##Record *>(r), static_cast<Srv6Db##T##Entry *>(e)); }, \
  .setPriKey = [](const void *e, uint32_t *w, void *k) { SRV6_DB_Set##T##PriKey(static_cast<const Srv6Db##T##Entry *>(e), w, k); }, \
  .createIterator = [](uint32_t n) { return SRV6_DB_Create##T##Iterator(n); },                    \
  .getNext = [](Srv6DbIter *i, void *e) { return SRV6_DB_GetNext##T##Entry(i, static_cast<Srv6Db##T##Entry *>(e)); }, \
  .release = [](Srv6DbIter *i) { SRV6_DB_Release##T##Iterator(i); }

// clang-format on

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_TABLES_TABLE_CASE_H
