// Walks, bounded reads and checked counts over the records of one secondary key.
#include "core/table_walks.h"

#include <cstddef>

#include "core/table_ops.h"

namespace srv6db {
namespace {

// Holds an iterator handle and releases it on every path out.
class IterGuard {
 public:
  IterGuard(const TableDef &table, Srv6DbIter *iter) noexcept : table_(table), iter_(iter) {}
  ~IterGuard() { Release(table_, iter_); }
  IterGuard(const IterGuard &) = delete;
  IterGuard &operator=(const IterGuard &) = delete;

  Srv6DbIter *get() const noexcept { return iter_; }

 private:
  const TableDef &table_;
  Srv6DbIter *iter_;
};

// Both walks ask the engine for one record at a time.
constexpr uint32_t kWalkIterCount = 1;

}  // namespace

uint32_t VisitByKey(const TableDef &table, const KeyDef &key, const void *source, void *working,
                    VisitFunc visit, void *state) noexcept {
  Srv6DbIter *iter = CreateIterator(table, key, source, kWalkIterCount);
  if (iter == nullptr) return SRV6_DB_ERR;
  const IterGuard guard(table, iter);
  uint32_t rc;
  do {
    rc = GetNext(table, guard.get(), working);
    if (rc == SRV6_DB_OK) rc = visit(working, state);
  } while (rc == SRV6_DB_OK);
  return rc == SRV6_DB_NOT_FOUND ? SRV6_DB_OK : rc;
}

uint32_t ReadIntoArray(const TableDef &table, const KeyDef &key, const void *source,
                       uint32_t bufLen, void *entries) noexcept {
  Srv6DbIter *iter = CreateIterator(table, key, source, kWalkIterCount);
  if (iter == nullptr) return SRV6_DB_ERR;
  const IterGuard guard(table, iter);
  const uint32_t slots = bufLen / table.entrySize;
  auto *out = static_cast<uint8_t *>(entries);
  for (uint32_t i = 0; i < slots; ++i) {
    void *slot = out == nullptr ? nullptr : out + size_t{i} * table.entrySize;
    const uint32_t rc = GetNext(table, guard.get(), slot);
    if (rc != SRV6_DB_OK) return rc;
  }
  return SRV6_DB_OK;
}

uint32_t CountChecked(const TableDef &table, const KeyDef &key, const void *source,
                      uint64_t *count) noexcept {
  if (count == nullptr) return SRV6_DB_ERR;
  return Count(table, key, source, count);
}

}  // namespace srv6db
