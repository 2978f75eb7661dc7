// The registry of table descriptions that the *_cases.cc files fill at load.
#include "tests/tables/table_case.h"

namespace srv6db::test {

std::vector<TableCase> &TableCases() {
  static std::vector<TableCase> cases;
  return cases;
}

}  // namespace srv6db::test
