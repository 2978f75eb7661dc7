// The table rows' registry and the byte helpers they are written with.
#include "tests/support/tables.h"

#include <algorithm>
#include <cstdlib>

namespace srv6db::test {
namespace {

std::vector<TableCase> &Rows() {
  static std::vector<TableCase> rows;
  return rows;
}

}  // namespace

Bytes Hex(std::string_view hex) {
  Bytes out;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  if (digits.size() % 2 != 0) std::abort();
  for (size_t i = 0; i < digits.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return out;
}

Bytes Pattern(size_t size, uint32_t seed) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>((i + 37 * seed) % 255 + 1);
  return b;
}

const std::vector<TableCase> &TableCases() { return Rows(); }

TableCaseRegistrar::TableCaseRegistrar(TableCase c) {
  auto at = std::ranges::find_if(Rows(), [&](const TableCase &r) { return r.tableId > c.tableId; });
  Rows().insert(at, std::move(c));
}

thread_local size_t g_walked;
thread_local uint64_t g_count;
size_t &WalkedEntries() { return g_walked; }
uint64_t *CountSink() { return &g_count; }

}  // namespace srv6db::test
