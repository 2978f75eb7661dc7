// Every table row through one harness: golden bytes, the conversion contract, walks and counts
// by every key against a model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

bool In(const std::vector<Range> &ranges, size_t at) {
  return std::ranges::any_of(ranges, [at](const Range &r) { return at - r.offset < r.length; });
}

Bytes BytesOf(const void *p, size_t n) {
  const auto *b = static_cast<const uint8_t *>(p);
  return Bytes(b, b + n);
}

// The key word and bytes the engine last received through @p fn, as one byte string.
Bytes LastKey(uint32_t fn) {
  Srv6DbEngineKeyCapture c = {};
  if (srv6db_engine_last_key(fn, &c) != 0 || c.calls == 0 || c.hasKey == 0) return {};
  Bytes key = BytesOf(&c.keyWord, 4);
  key.insert(key.end(), c.key, c.key + c.keyLength);
  return key;
}

Bytes KeyBytes(const KeyCase &k) {
  Bytes key = BytesOf(&k.word, 4);
  key.insert(key.end(), k.bytes.begin(), k.bytes.end());
  return key;
}

class TableContract : public LibraryTest, public ::testing::WithParamInterface<TableCase> {
 protected:
  const TableCase &T() const { return GetParam(); }

  void CopyKey(const Bytes &from, Bytes &to) const {
    for (const Range &r : T().primaryKeyFields) std::memcpy(&to[r.offset], &from[r.offset], r.length);
  }

  Bytes Stored(const void *entry) const {
    uint32_t keyWord = 0;
    uint8_t key[SRV6DB_ENGINE_MAX_KEY] = {};
    T().setPriKey(entry, &keyWord, key);
    Bytes record(T().recordSize);
    const uint32_t rc = srv6db_engine_get_record(T().tableId, key, keyWord & 0xFFFF, record.data(),
                                                 static_cast<uint32_t>(record.size()));
    return rc == 0 ? record : Bytes();
  }

  // Every carried byte of @p got equals @p want's; every uncarried byte is still @p fill.
  void ExpectCarried(const Bytes &got, const Bytes &want, uint8_t fill) const {
    for (size_t i = 0; i < got.size(); ++i) {
      const uint8_t expected = In(T().entryUncarried, i) ? fill : want[i];
      ASSERT_EQ(got[i], expected) << "entry byte " << i;
    }
  }
};

// A round trip cannot catch a wrong offset: the record and keys are checked against bytes
// written from the layout.
TEST_P(TableContract, GoldenRecordAndKeys) {
  const Bytes golden = Pattern(T().entrySize, 0);
  ASSERT_EQ(T().record.size(), T().recordSize);
  Bytes record(T().recordSize, 0);
  T().setFields(golden.data(), record.data());
  EXPECT_EQ(record, T().record) << "Set" << T().name << "Fields";
  Bytes dirty(T().recordSize, 0x5A);
  T().setFields(golden.data(), dirty.data());
  for (size_t i = 0; i < dirty.size(); ++i) {
    EXPECT_EQ(dirty[i], In(T().recordUnwritten, i) ? 0x5A : T().record[i]) << "record byte " << i;
  }
  ASSERT_EQ(T().create(golden.data()), SRV6_DB_OK);
  EXPECT_EQ(Stored(golden.data()), T().record) << "stored under the primary key";
  EXPECT_EQ(LastKey(SRV6DB_ENGINE_FN_ANY), Bytes());
  for (const KeyCase &k : T().keys) {
    uint32_t word = 0xDEADBEEF;
    Bytes area(SRV6DB_ENGINE_MAX_KEY + 8, 0xEE);
    k.set(golden.data(), &word, area.data());
    EXPECT_EQ(word, k.word) << k.name;
    EXPECT_EQ(Bytes(area.begin(), area.begin() + std::ssize(k.bytes)), k.bytes) << k.name;
    EXPECT_TRUE(std::all_of(area.begin() + std::ssize(k.bytes), area.end(),
                            [](uint8_t b) { return b == 0xEE; }))
        << k.name << " wrote past its key";
  }
  EXPECT_TRUE(MovedCells().empty());
}

TEST_P(TableContract, GetFieldsReadsTheLayoutAndIgnoresUnwrittenBytes) {
  const Bytes golden = Pattern(T().entrySize, 0);
  Bytes dirty = T().record;
  for (const Range &r : T().recordUnwritten) std::memset(&dirty[r.offset], 0xC3, r.length);
  Bytes entry(T().entrySize, 0x11);
  T().getFields(dirty.data(), entry.data());
  ExpectCarried(entry, golden, 0x11);
}

TEST_P(TableContract, RoundTripAndMissingKey) {
  const Bytes created = Pattern(T().entrySize, 2);
  Bytes read(T().entrySize, 0xA5);
  CopyKey(created, read);
  const Bytes before = read;
  EXPECT_EQ(T().read(read.data()), SRV6_DB_NOT_FOUND);
  EXPECT_EQ(read, before) << "a missing key leaves the entry alone";
  ASSERT_EQ(T().create(created.data()), SRV6_DB_OK);
  ASSERT_EQ(T().read(read.data()), SRV6_DB_OK);
  ExpectCarried(read, created, 0xA5);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
}

TEST_P(TableContract, DeleteAndUpdateLookOnlyAtKeyFields) {
  const Bytes created = Pattern(T().entrySize, 6);
  Bytes other = Pattern(T().entrySize, 7);  // differs everywhere but the key
  CopyKey(created, other);
  if (T().updateSmoothId != nullptr) {
    EXPECT_EQ(T().updateSmoothId(other.data()), SRV6_DB_ERR);
    EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_UPDATE_NO_EXIST, T().tableId)});
    BeginRun();
    ASSERT_EQ(T().create(created.data()), SRV6_DB_OK);
    ASSERT_EQ(T().updateSmoothId(other.data()), SRV6_DB_OK);
    Bytes read(T().entrySize, 0xA5);
    CopyKey(created, read);
    ASSERT_EQ(T().read(read.data()), SRV6_DB_OK);
    Bytes want = created;
    std::memcpy(&want[T().smoothIdOffset], &other[T().smoothIdOffset], 4);
    ExpectCarried(read, want, 0xA5);
  } else {
    ASSERT_EQ(T().create(created.data()), SRV6_DB_OK);
  }
  ASSERT_EQ(T().remove(other.data()), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(T().tableId), 0u);
  EXPECT_TRUE(MovedCells().empty());
}

TEST_P(TableContract, EveryPrimaryKeyFieldTellsRecordsApart) {
  const Bytes base = Pattern(T().entrySize, 9);
  ASSERT_EQ(T().create(base.data()), SRV6_DB_OK);
  uint64_t expected = 1;
  for (const Range &r : T().primaryKeyFields) {
    for (size_t at : {r.offset, r.offset + r.length - 1}) {
      Bytes variant = base;
      variant[at] ^= 0x80;
      ASSERT_EQ(T().create(variant.data()), SRV6_DB_OK);
      EXPECT_EQ(srv6db_engine_record_count(T().tableId), ++expected) << "key byte " << at;
    }
  }
  Bytes replaced = Pattern(T().entrySize, 10);
  CopyKey(base, replaced);
  ASSERT_EQ(T().create(replaced.data()), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(T().tableId), expected) << "the same key replaces";
  EXPECT_EQ(Stored(base.data()), Stored(replaced.data()));
}

TEST_P(TableContract, FullIteratorYieldsEveryRecordOnce) {
  constexpr uint32_t kRecords = 20;
  std::vector<Bytes> created;
  for (uint32_t i = 0; i < kRecords; ++i) {
    Bytes e = Pattern(T().entrySize, 100 + i);
    std::memcpy(e.data(), &i, 4);  // every table's first key field starts at offset 0
    ASSERT_EQ(T().create(e.data()), SRV6_DB_OK);
    created.push_back(e);
  }
  Srv6DbIter *iter = T().createIterator(1);
  ASSERT_NE(iter, nullptr);
  std::vector<bool> seen(kRecords, false);
  Bytes e(T().entrySize, 0xA5);
  uint32_t rc;
  while ((rc = T().getNext(iter, e.data())) == SRV6_DB_OK) {
    uint32_t i;
    std::memcpy(&i, e.data(), 4);
    ASSERT_LT(i, kRecords);
    EXPECT_FALSE(seen[i]) << "yielded twice";
    seen[i] = true;
    ExpectCarried(e, created[i], 0xA5);
  }
  EXPECT_EQ(rc, SRV6_DB_NOT_FOUND);
  T().release(iter);
  EXPECT_EQ(std::ranges::count(seen, true), kRecords);
  EXPECT_TRUE(MovedCells().empty());
}

INSTANTIATE_TEST_SUITE_P(Tables, TableContract, ::testing::ValuesIn(TableCases()),
                         [](const auto &info) { return info.param.name; });

// ---- Extra operations ------------------------------------------------------------------

struct Extra {
  const TableCase *table;
  ExtraOp op;
};
void PrintTo(const Extra &x, std::ostream *os) { *os << x.table->name << x.op.name; }

std::vector<Extra> Extras() {
  std::vector<Extra> all;
  for (const TableCase &t : TableCases()) {
    for (const ExtraOp &op : t.extraOps) all.push_back({&t, op});
  }
  return all;
}

uint32_t KeyedFunction(OpKind kind) {
  if (kind == OpKind::kCount) return SRV6DB_ENGINE_FN_COUNT;
  if (kind == OpKind::kUpdate) return SRV6DB_ENGINE_FN_UPDATE;
  return SRV6DB_ENGINE_FN_CREATE_ROOT_ITER;
}

class ExtraOps : public LibraryTest, public ::testing::WithParamInterface<Extra> {
 protected:
  const TableCase &T() const { return *GetParam().table; }
  const ExtraOp &Op() const { return GetParam().op; }

  uint32_t Run(const Bytes &entry, Bytes *after = nullptr) {
    Bytes copy = entry;
    const uint32_t rc = Op().run(copy.data());
    if (after != nullptr) *after = copy;
    return rc;
  }
  Bytes KeySentFor(const Bytes &entry) {
    Run(entry);
    return LastKey(KeyedFunction(Op().kind));
  }
};

// The operation sends the documented key, and selects the stored records that share it: the
// pattern entry, a copy differing in one primary key byte, and another pattern entry.
TEST_P(ExtraOps, SelectByTheirKeyAlone) {
  const Bytes golden = Pattern(T().entrySize, 0);
  const auto key = std::ranges::find(T().keys, Op().key, &KeyCase::name);
  ASSERT_NE(key, T().keys.end()) << Op().key;
  EXPECT_EQ(KeySentFor(golden), KeyBytes(*key));

  Bytes variant = golden;
  const Range &last = T().primaryKeyFields.back();
  variant[last.offset + last.length - 1] ^= 0x40;
  const std::vector<Bytes> records = {golden, variant, Pattern(T().entrySize, 3)};
  size_t sharing = 0;
  for (const Bytes &r : records) sharing += KeySentFor(r) == KeySentFor(golden);

  // Before any record is stored: nothing found, the entry left alone.
  Bytes after;
  *CountSink() = 99;
  const uint32_t none = Run(golden, &after);
  EXPECT_EQ(after, golden);
  BeginRun([&] {
    for (const Bytes &r : records) ASSERT_EQ(T().create(r.data()), SRV6_DB_OK);
  });
  const uint64_t countBefore = *CountSink();
  const uint32_t found = Run(golden, &after);
  switch (Op().kind) {
    case OpKind::kWalk:
      EXPECT_EQ(none, SRV6_DB_NOT_FOUND);
      EXPECT_EQ(found, SRV6_DB_NOT_FOUND);
      EXPECT_EQ(WalkedEntries(), sharing);
      break;
    case OpKind::kCount:
      EXPECT_EQ(countBefore, 0u);
      EXPECT_EQ(found, SRV6_DB_OK);
      EXPECT_EQ(*CountSink(), sharing);
      break;
    case OpKind::kUnique: {
      EXPECT_EQ(none, SRV6_DB_ERR);
      ASSERT_EQ(found, SRV6_DB_OK);
      // The whole record of one sharing entry; uncarried bytes stay the caller's.
      EXPECT_TRUE(std::ranges::any_of(records, [&](const Bytes &r) {
        for (size_t i = 0; i < after.size(); ++i) {
          if (after[i] != (In(T().entryUncarried, i) ? golden[i] : r[i])) return false;
        }
        return true;
      }));
      break;
    }
    case OpKind::kBoundedRead:
      EXPECT_EQ(none, SRV6_DB_NOT_FOUND);
      EXPECT_EQ(found, SRV6_DB_OK);
      break;
    case OpKind::kVisit:
    case OpKind::kUpdate:
      EXPECT_EQ(found, SRV6_DB_OK);
      break;
    default:
      FAIL();
  }
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
}

INSTANTIATE_TEST_SUITE_P(Tables, ExtraOps, ::testing::ValuesIn(Extras()), [](const auto &info) {
  return info.param.table->name + info.param.op.name;
});

}  // namespace
}  // namespace srv6db::test
