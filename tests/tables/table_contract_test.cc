// The contract every table keeps, run over each table's hand-written description.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/support/test_env.h"
#include "tests/tables/table_case.h"

namespace srv6db::test {

namespace {

using Bytes = std::vector<uint8_t>;

bool In(const std::vector<Range> &ranges, size_t at) {
  return std::any_of(ranges.begin(), ranges.end(),
                     [at](const Range &r) { return at >= r.offset && at < r.offset + r.length; });
}

Bytes Pattern(size_t size, uint32_t seed) {
  Bytes b(size);
  uint32_t x = seed * 2654435761u + 1;
  for (auto &byte : b) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    byte = static_cast<uint8_t>(x | 1);  // never zero, so a dropped byte shows
  }
  return b;
}

class TableContract : public LibraryTest, public ::testing::WithParamInterface<TableCase> {
 protected:
  const TableCase &T() const { return GetParam(); }

  // Copies the primary key bytes of @p from into @p to.
  void CopyKey(const Bytes &from, Bytes &to) const {
    for (const Range &r : T().primaryKeyFields) {
      std::memcpy(&to[r.offset], &from[r.offset], r.length);
    }
  }

  Bytes StoredRecord(const Bytes &entry) const {
    uint32_t keyWord = 0;
    uint8_t key[64] = {};
    T().setPriKey(entry.data(), &keyWord, key);
    Bytes record(T().recordSize);
    EXPECT_EQ(0u, srv6db_engine_get_record(T().tableId, key, keyWord & 0xFFFF, record.data(),
                                           static_cast<uint32_t>(record.size())));
    return record;
  }

  // Every carried byte equals @p want; every uncarried byte is still @p fill.
  void ExpectCarried(const Bytes &got, const Bytes &want, uint8_t fill) const {
    for (size_t i = 0; i < got.size(); ++i) {
      if (In(T().entryUncarried, i)) {
        EXPECT_EQ(got[i], fill) << "uncarried entry byte " << i << " was written";
      } else {
        EXPECT_EQ(got[i], want[i]) << "entry byte " << i << " did not round-trip";
      }
    }
  }
};

TEST_P(TableContract, SizesAndPrimaryKeyWord) {
  const Bytes entry = Pattern(T().entrySize, 1);
  uint32_t keyWord = 0;
  uint8_t key[80];
  std::memset(key, 0xEE, sizeof(key));
  T().setPriKey(entry.data(), &keyWord, key);
  EXPECT_EQ(keyWord, T().primaryKeyWord);
  size_t keyLength = 0;
  for (const Range &r : T().primaryKeyFields) keyLength += r.length;
  EXPECT_EQ(keyWord & 0xFFFF, keyLength) << "key fields and key length disagree";
  EXPECT_EQ(key[keyWord & 0xFFFF], 0xEE) << "key setter wrote past the key";
}

TEST_P(TableContract, RoundTripCarriesEveryCarriedByteAndNoOther) {
  const Bytes created = Pattern(T().entrySize, 2);
  ASSERT_EQ(T().create(created.data()), 0u);
  Bytes read(T().entrySize, 0xA5);
  CopyKey(created, read);
  ASSERT_EQ(T().read(read.data()), 0u);
  ExpectCarried(read, created, 0xA5);
  EXPECT_TRUE(NoStatChanged());
}

TEST_P(TableContract, UnwrittenRecordBytesAreZeroAndSetFieldsNeverTouchesThem) {
  const Bytes entry = Bytes(T().entrySize, 0xFF);
  ASSERT_EQ(T().create(entry.data()), 0u);
  const Bytes stored = StoredRecord(entry);
  Bytes converted(T().recordSize, 0x5A);
  T().setFields(entry.data(), converted.data());
  for (size_t i = 0; i < T().recordSize; ++i) {
    if (In(T().recordUnwritten, i)) {
      EXPECT_EQ(stored[i], 0) << "record byte " << i << " must be zero";
      EXPECT_EQ(converted[i], 0x5A) << "record byte " << i << " must not be written";
    } else {
      EXPECT_EQ(stored[i], converted[i]) << "record byte " << i;
    }
  }
}

TEST_P(TableContract, GetFieldsIgnoresUnwrittenRecordBytes) {
  const Bytes entry = Pattern(T().entrySize, 3);
  Bytes record(T().recordSize, 0);
  T().setFields(entry.data(), record.data());
  Bytes dirty = record;
  for (const Range &r : T().recordUnwritten) std::memset(&dirty[r.offset], 0xC3, r.length);
  Bytes a(T().entrySize, 0x11), b(T().entrySize, 0x11);
  T().getFields(record.data(), a.data());
  T().getFields(dirty.data(), b.data());
  EXPECT_EQ(a, b);
  ExpectCarried(a, entry, 0x11);
}

TEST_P(TableContract, ReadOfMissingKeyGives60AndLeavesEntryUntouched) {
  Bytes entry = Pattern(T().entrySize, 4);
  const Bytes before = entry;
  EXPECT_EQ(T().read(entry.data()), 60u);
  EXPECT_EQ(entry, before);
  EXPECT_TRUE(NoStatChanged());
  EXPECT_TRUE(ErrLog().empty());
}

TEST_P(TableContract, NullArgumentsGiveOneAndCountNothing) {
  Bytes entry = Pattern(T().entrySize, 5);
  EXPECT_EQ(T().create(nullptr), 1u);
  EXPECT_EQ(T().read(nullptr), 1u);
  EXPECT_EQ(T().remove(nullptr), 1u);
  if (T().updateSmoothId != nullptr) {
    EXPECT_EQ(T().updateSmoothId(nullptr), 1u);
  }
  EXPECT_EQ(T().getNext(nullptr, entry.data()), 1u);
  Srv6DbIter *iter = T().createIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  EXPECT_EQ(T().getNext(iter, nullptr), 1u);
  T().release(iter);
  T().release(nullptr);
  EXPECT_TRUE(NoStatChanged());
}

TEST_P(TableContract, DeleteAndUpdateLookOnlyAtKeyFields) {
  const Bytes created = Pattern(T().entrySize, 6);
  ASSERT_EQ(T().create(created.data()), 0u);
  Bytes other = Pattern(T().entrySize, 7);  // differs everywhere but the key
  CopyKey(created, other);
  if (T().updateSmoothId != nullptr) {
    ASSERT_EQ(T().updateSmoothId(other.data()), 0u);
    Bytes read(T().entrySize, 0xA5);
    CopyKey(created, read);
    ASSERT_EQ(T().read(read.data()), 0u);
    Bytes want = created;
    std::memcpy(&want[T().smoothIdOffset], &other[T().smoothIdOffset], 4);
    ExpectCarried(read, want, 0xA5);
  }
  ASSERT_EQ(T().remove(other.data()), 0u);
  Bytes gone = created;
  EXPECT_EQ(T().read(gone.data()), 60u);
  EXPECT_TRUE(NoStatChanged());
}

TEST_P(TableContract, UpdateOfMissingKeyGivesOne) {
  if (T().updateSmoothId == nullptr) GTEST_SKIP() << "no smooth id";
  const Bytes entry = Pattern(T().entrySize, 8);
  EXPECT_EQ(T().updateSmoothId(entry.data()), 1u);
  EXPECT_TRUE(OnlyStatChanged(T().tableId, SRV6_DB_STAT_UPDATE_NO_EXIST));
}

TEST_P(TableContract, EveryPrimaryKeyFieldTellsRecordsApart) {
  const Bytes base = Pattern(T().entrySize, 9);
  ASSERT_EQ(T().create(base.data()), 0u);
  uint64_t expected = 1;
  for (const Range &r : T().primaryKeyFields) {
    Bytes variant = base;
    variant[r.offset + r.length - 1] ^= 0x80;
    ASSERT_EQ(T().create(variant.data()), 0u) << "key field at " << r.offset;
    EXPECT_EQ(srv6db_engine_record_count(T().tableId), ++expected)
        << "key field at " << r.offset << " does not tell records apart";
  }
  Bytes replaced = Pattern(T().entrySize, 10);
  CopyKey(base, replaced);
  ASSERT_EQ(T().create(replaced.data()), 0u);
  EXPECT_EQ(srv6db_engine_record_count(T().tableId), expected) << "same key must replace";
}

TEST_P(TableContract, FullIteratorYieldsEveryRecordOnce) {
  constexpr uint32_t kRecords = 20;
  std::vector<Bytes> created;
  for (uint32_t i = 0; i < kRecords; ++i) {
    Bytes e = Pattern(T().entrySize, 100 + i);
    std::memcpy(e.data(), &i, 4);  // every table's first key field starts at offset 0
    ASSERT_EQ(T().create(e.data()), 0u);
    created.push_back(e);
  }
  Srv6DbIter *iter = T().createIterator(1);
  ASSERT_NE(iter, nullptr);
  std::vector<bool> seen(kRecords, false);
  Bytes e(T().entrySize, 0xA5);
  uint32_t rc;
  while ((rc = T().getNext(iter, e.data())) == 0) {
    uint32_t i;
    std::memcpy(&i, e.data(), 4);
    ASSERT_LT(i, kRecords);
    EXPECT_FALSE(seen[i]) << "yielded twice";
    seen[i] = true;
    ExpectCarried(e, created[i], 0xA5);
  }
  EXPECT_EQ(rc, 60u);
  T().release(iter);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), kRecords);
  EXPECT_TRUE(NoStatChanged());
}

std::vector<TableCase> SortedCases() {
  std::vector<TableCase> cases = TableCases();
  std::sort(cases.begin(), cases.end(),
            [](const TableCase &a, const TableCase &b) { return a.tableId < b.tableId; });
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Tables, TableContract, ::testing::ValuesIn(SortedCases()),
                         [](const auto &info) { return info.param.name; });

TEST(TableCases, EveryTableIsDescribedOnce) {
  std::vector<uint32_t> ids;
  for (const TableCase &c : TableCases()) ids.push_back(c.tableId);
  std::sort(ids.begin(), ids.end());
  EXPECT_TRUE(std::adjacent_find(ids.begin(), ids.end()) == ids.end());
  EXPECT_LE(ids.size(), SRV6_DB_TABLE_NUM);
}

}  // namespace
}  // namespace srv6db::test
