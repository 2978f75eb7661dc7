// Every exported operation of every table as one flat list, built from the table descriptions.
#include "tests/fault/swept_ops.h"

#include <algorithm>

namespace srv6db::test {
namespace {

// A whole-table walk with the iterator count set (so the count property is asked for too).
uint32_t WalkWholeTable(const TableCase &t) {
  Srv6DbIter *iter = t.createIterator(1);
  if (iter == nullptr) return SRV6_DB_ERR;
  std::vector<uint8_t> entry(t.entrySize);
  uint32_t rc;
  while ((rc = t.getNext(iter, entry.data())) == SRV6_DB_OK) {
  }
  t.release(iter);
  return rc;
}

std::vector<SweptOp> Build() {
  std::vector<const TableCase *> tables;
  for (const TableCase &c : TableCases()) tables.push_back(&c);
  std::sort(tables.begin(), tables.end(),
            [](const TableCase *a, const TableCase *b) { return a->tableId < b->tableId; });
  std::vector<SweptOp> ops;
  for (const TableCase *t : tables) {
    ops.push_back(
        {t->name + "Create", t, OpKind::kCreate, [t](void *e) { return t->create(e); }, true});
    ops.push_back({t->name + "Read", t, OpKind::kRead, [t](void *e) { return t->read(e); }, true});
    if (t->updateSmoothId != nullptr) {
      ops.push_back({t->name + "UpdateSmoothId", t, OpKind::kUpdate,
                     [t](void *e) { return t->updateSmoothId(e); }, true});
    }
    ops.push_back(
        {t->name + "Delete", t, OpKind::kDelete, [t](void *e) { return t->remove(e); }, true});
    ops.push_back(
        {t->name + "Iterate", t, OpKind::kWalk, [t](void *) { return WalkWholeTable(*t); }, false});
    for (const ExtraOp &x : t->extraOps) {
      ops.push_back({t->name + x.name, t, x.kind, x.run, x.takesEntry});
    }
  }
  return ops;
}

}  // namespace

const std::vector<SweptOp> &SweptOps() {
  static const std::vector<SweptOp> ops = Build();
  return ops;
}

std::vector<uint8_t> PatternEntry(const TableCase &table, uint32_t seed) {
  std::vector<uint8_t> b(table.entrySize);
  uint32_t x = seed * 2654435761u + 1;
  for (auto &byte : b) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<uint8_t>(x | 1);
  }
  return b;
}

}  // namespace srv6db::test
