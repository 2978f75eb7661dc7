// The table rows' registry and the byte helpers they are written with.
#include "tests/support/tables.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace srv6db::test {
namespace {

std::vector<TableCase> &Rows() {
  static std::vector<TableCase> rows;
  return rows;
}

int Digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

Bytes Hex(std::string_view hex) {
  Bytes out;
  int high = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    const int v = Digit(c);
    if (v < 0) {
      std::fprintf(stderr, "Hex: '%c' in \"%.*s\"\n", c, int(hex.size()), hex.data());
      std::abort();
    }
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) std::abort();
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

size_t &WalkedEntries() {
  thread_local size_t n;
  return n;
}

}  // namespace srv6db::test
