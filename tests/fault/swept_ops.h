// Every exported operation of every table as one flat list, built from the table descriptions:
// the pattern's plain operations plus each table's extra operations.
#ifndef SRV6DB_TESTS_FAULT_SWEPT_OPS_H
#define SRV6DB_TESTS_FAULT_SWEPT_OPS_H

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/tables/table_case.h"

namespace srv6db::test {

struct SweptOp {
  std::string name;  // "<Table><Operation>", e.g. "XsidByIidg"
  const TableCase *table;
  OpKind kind;
  std::function<uint32_t(void *entry)> run;
  bool takesEntry;
};

inline void PrintTo(const SweptOp &op, std::ostream *os) { *os << op.name; }

// Create, Read, Delete, UpdateSmoothId (where there is one) and a whole-table walk of every
// table, then its extra operations; tables in id order.
const std::vector<SweptOp> &SweptOps();

// A stored-looking entry: no byte zero, so a dropped byte shows; the same for the same seed.
std::vector<uint8_t> PatternEntry(const TableCase &table, uint32_t seed);

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_FAULT_SWEPT_OPS_H
