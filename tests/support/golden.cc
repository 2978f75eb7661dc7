// Golden-byte helpers for the table tests.
#include "tests/support/golden.h"

#include <cstdio>
#include <cstdlib>

namespace srv6db::test {

Bytes Hex(std::string_view hex) {
  Bytes out;
  int high = -1;
  for (char c : hex) {
    if (c == ' ') continue;
    int v = -1;
    if (c >= '0' && c <= '9') v = c - '0';
    if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    if (v < 0) {
      std::fprintf(stderr, "Hex: '%c' is no hex digit in \"%.*s\"\n", c, int(hex.size()),
                   hex.data());
      std::abort();
    }
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) {
    std::fprintf(stderr, "Hex: odd number of digits in \"%.*s\"\n", int(hex.size()), hex.data());
    std::abort();
  }
  return out;
}

::testing::AssertionResult SetsKey(const KeySetter &set, uint32_t keyWord, const Bytes &key) {
  uint32_t word = 0xDEADBEEF;
  Bytes area(64, 0xEE);
  set(&word, area.data());
  const Bytes got(area.begin(), area.begin() + std::ssize(key));
  if (word != keyWord || got != key) {
    return ::testing::AssertionFailure()
           << "key word 0x" << std::hex << word << " and " << ::testing::PrintToString(got);
  }
  if (std::any_of(area.begin() + std::ssize(key), area.end(),
                  [](uint8_t b) { return b != 0xEE; })) {
    return ::testing::AssertionFailure() << "bytes past the key were written";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EngineGotKey(uint32_t fn, uint32_t keyWord, const Bytes &key) {
  Srv6DbEngineKeyCapture capture = {};
  if (srv6db_engine_last_key(fn, &capture) != 0 || capture.calls == 0 || capture.hasKey == 0) {
    return ::testing::AssertionFailure() << "no keyed call of " << srv6db_engine_function_name(fn);
  }
  const Bytes got(capture.key, capture.key + capture.keyLength);
  if (capture.keyWord != keyWord || got != key) {
    return ::testing::AssertionFailure()
           << srv6db_engine_function_name(fn) << " got key word 0x" << std::hex << capture.keyWord
           << " and " << ::testing::PrintToString(got);
  }
  return ::testing::AssertionSuccess();
}

Bytes StoredRecord(uint32_t tableId, const Bytes &primaryKey, size_t recordSize) {
  Bytes record(recordSize);
  const uint32_t rc =
      srv6db_engine_get_record(tableId, primaryKey.data(), static_cast<uint32_t>(primaryKey.size()),
                               record.data(), static_cast<uint32_t>(recordSize));
  return rc == 0 ? record : Bytes();
}

std::vector<GoldenRecordRow> &GoldenRecordRows() {
  static std::vector<GoldenRecordRow> records;
  return records;
}

std::vector<GoldenKeyRow> &GoldenKeyRows() {
  static std::vector<GoldenKeyRow> keys;
  return keys;
}

GoldenRegistrar::GoldenRegistrar(GoldenRecordRow record, std::vector<GoldenKeyRow> keys,
                                 std::optional<ByVrf> byVrf) {
  if (byVrf) {
    record.vrfWalk = [run = byVrf->run, entry = record.entry, create = record.create] {
      run(entry, create);
    };
  }
  for (GoldenKeyRow &k : keys) {
    k.name = record.table + "_" + k.name;
    GoldenKeyRows().push_back(std::move(k));
  }
  GoldenRecordRows().push_back(std::move(record));
}

}  // namespace srv6db::test
