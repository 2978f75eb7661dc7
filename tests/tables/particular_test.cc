// What is particular to one table: the XSID read into a caller's array and its discriminator
// update, the port group visit, the SR tunnel's widened bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

using Particular = LibraryTest;

// Records sharing the pattern entry's secondary keys, told apart by their last primary key byte.
template <typename Entry>
Entry Sibling(uint8_t n, size_t lastKeyByte) {
  Entry e;
  const Bytes b = Pattern(sizeof(Entry), 0);
  std::memcpy(&e, b.data(), sizeof(e));
  reinterpret_cast<uint8_t *>(&e)[lastKeyByte] = n;
  return e;
}

// Only whole entries are written, never past the buffer; the engine is asked for no more.
TEST_F(Particular, XsidReadByLocalHashFillsWholeEntriesOnly) {
  constexpr size_t kSize = sizeof(Srv6DbXsidEntry);
  const struct {
    uint32_t records, bufLen, result;
    size_t written, steps;
  } rows[] = {{1, kSize - 1, 0, 0, 0},  {0, kSize, 60, 0, 1},    {2, kSize, 0, 1, 1},
              {1, 2 * kSize, 60, 1, 2}, {2, 2 * kSize, 0, 2, 2}, {3, 2 * kSize + 9, 0, 2, 2}};
  for (const auto &row : rows) {
    SCOPED_TRACE(&row - rows);
    BeginRun([&] {
      for (uint8_t i = 1; i <= row.records; ++i) {
        const Srv6DbXsidEntry e = Sibling<Srv6DbXsidEntry>(i, 57);
        ASSERT_EQ(SRV6_DB_CreateXsid(&e), SRV6_DB_OK);
      }
    });
    Bytes out(3 * kSize, 0xEE);
    const Srv6DbXsidEntry key = Sibling<Srv6DbXsidEntry>(0, 57);
    EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&key, row.bufLen,
                                          reinterpret_cast<Srv6DbXsidEntry *>(out.data())),
              row.result);
    EXPECT_EQ(Bytes(out.begin() + row.written * kSize, out.end()),
              Bytes((3 - row.written) * kSize, 0xEE));
    for (size_t i = 0; i < row.written; ++i)
      EXPECT_EQ(out[i * kSize + 72], 0x49) << "discriminator";
    EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6_DB_TABLE_XSID_PREFIX),
              row.steps);
  }
}

// The visitor sees each record of the group once, in a zeroed working entry, until it answers
// non-zero: 60 ends the walk with 0, any other code is the result.
TEST_F(Particular, PortInfoVisitStopsAsTheVisitorSays) {
  struct Visits {
    size_t stopAt, seen = 0;
    uint32_t stopCode;
  };
  const auto visit = [](Srv6DbPortInfoEntry *e, void *user) -> uint32_t {
    auto *v = static_cast<Visits *>(user);
    EXPECT_EQ(e->spare, 0);
    return ++v->seen == v->stopAt ? v->stopCode : 0;
  };
  const struct {
    size_t stopAt;
    uint32_t stopCode, result;
    size_t seen;
  } rows[] = {{0, 0, 0, 3}, {1, 60, 0, 1}, {1, 5, 5, 1}, {2, 5, 5, 2}};
  for (const auto &row : rows) {
    SCOPED_TRACE(&row - rows);
    BeginRun([] {
      for (uint8_t i = 1; i <= 3; ++i) {
        const Srv6DbPortInfoEntry e = Sibling<Srv6DbPortInfoEntry>(i, 31);
        ASSERT_EQ(SRV6_DB_CreatePortInfo(&e), SRV6_DB_OK);
      }
    });
    Visits v{row.stopAt, 0, row.stopCode};
    const Srv6DbPortInfoEntry key = Sibling<Srv6DbPortInfoEntry>(0, 31);
    EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&key, visit, &v), row.result);
    EXPECT_EQ(v.seen, row.seen);
  }
}

// The discriminator update writes that one field of the stored record and nothing else.
TEST_F(Particular, XsidDiscriminatorUpdateWritesItsOneField) {
  const Bytes golden = Pattern(sizeof(Srv6DbXsidEntry), 0);
  Bytes changed = Pattern(sizeof(Srv6DbXsidEntry), 5);
  std::memcpy(changed.data(), golden.data(), 58);  // the primary key
  ASSERT_EQ(TableCases()[SRV6_DB_TABLE_XSID_PREFIX].create(golden.data()), SRV6_DB_OK);
  ASSERT_EQ(SRV6_DB_UpdateXsidDiscriminator(reinterpret_cast<Srv6DbXsidEntry *>(changed.data())),
            0u);
  Bytes want = TableCases()[SRV6_DB_TABLE_XSID_PREFIX].record, stored(want.size());
  std::memcpy(&want[68], &changed[72], 4);
  ASSERT_EQ(
      srv6db_engine_get_record(SRV6_DB_TABLE_XSID_PREFIX, want.data(), 58, stored.data(), 180), 0u);
  EXPECT_EQ(stored, want);
}

// byte2 and byte3 are u32 words in the record; reading keeps their low eight bits.
TEST_F(Particular, SprTnlWidenedBytesKeepTheirLowBits) {
  Bytes record = TableCases()[SRV6_DB_TABLE_SPR_TNL].record;
  std::memcpy(&record[96], Hex("ff010000 12efcdab").data(), 8);
  Srv6DbSprTnlEntry e;
  SRV6_DB_GetSprTnlFields(reinterpret_cast<Srv6DbSprTnlRecord *>(record.data()), &e);
  EXPECT_EQ(e.byte2, 0xFF);
  EXPECT_EQ(e.byte3, 0x12);
}

}  // namespace
}  // namespace srv6db::test
