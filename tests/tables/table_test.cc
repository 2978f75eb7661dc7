// Every table row through one harness: golden bytes, the conversion contract, the round trip,
// and the extra operations by their keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tables/catalog.h"
#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

bool In(const std::vector<Range> &ranges, size_t at) {
  return std::ranges::any_of(ranges, [at](const Range &r) { return at - r.offset < r.length; });
}

// The key word and bytes the engine last received through @p fn, as one byte string.
Bytes LastKey(uint32_t fn) {
  Srv6DbEngineKeyCapture c = {};
  if (srv6db_engine_last_key(fn, &c) != 0 || c.calls == 0 || c.hasKey == 0) return {};
  Bytes key = BytesOf(c.keyWord);
  key.insert(key.end(), c.key, c.key + c.keyLength);
  return key;
}

class TableContract : public LibraryTest, public ::testing::WithParamInterface<TableCase> {
 protected:
  const TableCase &T() const { return GetParam(); }

  void CopyKey(const Bytes &from, Bytes &to) const {
    for (const Range &r : T().primaryKeyFields)
      std::memcpy(&to[r.offset], &from[r.offset], r.length);
  }
  Bytes Stored(const Bytes &entry) const {
    const Bytes key = PrimaryKeyOf(T(), entry);
    Bytes record(T().recordSize);
    return srv6db_engine_get_record(T().tableId, key.data(), static_cast<uint32_t>(key.size()),
                                    record.data(), static_cast<uint32_t>(record.size())) == 0
               ? record
               : Bytes();
  }
  // @p want in every carried byte, @p fill in every other.
  Bytes Carried(const Bytes &want, uint8_t fill) const {
    Bytes out = want;
    for (size_t i = 0; i < out.size(); ++i) out[i] = In(T().entryUncarried, i) ? fill : want[i];
    return out;
  }
  // Reads the record with the key of @p key into an entry of 0xA5 bytes.
  Bytes ReadBack(const Bytes &key, uint32_t want = SRV6_DB_OK) const {
    Bytes read(T().entrySize, 0xA5);
    CopyKey(key, read);
    EXPECT_EQ(T().read(read.data()), want);
    return read;
  }
};

// A round trip cannot catch a wrong offset: the record and keys are checked against bytes
// written from the layout; the record read back against the entry. The run-time catalog's row
// of the table converts and builds keys through that table's own functions.
TEST_P(TableContract, GoldenRecordAndKeys) {
  const Bytes golden = Pattern(T().entrySize, 0);
  Bytes record(T().recordSize, 0x5A);
  T().setFields(golden.data(), record.data());
  for (size_t i = 0; i < record.size(); ++i) {
    EXPECT_EQ(record[i], In(T().recordUnwritten, i) ? 0x5A : T().record.at(i))
        << "record byte " << i;
  }
  ASSERT_EQ(T().create(golden.data()), SRV6_DB_OK);
  EXPECT_EQ(Stored(golden), T().record) << "stored under the primary key";
  Bytes dirty = T().record;
  for (const Range &r : T().recordUnwritten) std::memset(&dirty[r.offset], 0xC3, r.length);
  Bytes entry(T().entrySize, 0x11);
  T().getFields(dirty.data(), entry.data());
  EXPECT_EQ(entry, Carried(golden, 0x11));
  for (const KeyCase &k : T().keys) {
    uint32_t word = 0xDEADBEEF;
    Bytes area(SRV6DB_ENGINE_MAX_KEY + 8, 0xEE);
    k.set(golden.data(), &word, area.data());
    EXPECT_EQ(word, k.word) << k.name;
    Bytes want = k.bytes;
    want.resize(area.size(), 0xEE);
    EXPECT_EQ(area, want) << k.name << ", and nothing past it";
  }
  const TableDef *row = FindTable(T().name);
  ASSERT_TRUE(row != nullptr && row == kCatalog[T().tableId]);
  Bytes encoded(T().recordSize, 0), decoded(T().entrySize, 0x11), key(T().keys[0].bytes.size());
  row->encode(golden.data(), encoded.data());
  EXPECT_EQ(encoded, RecordOf(T(), golden));
  row->decode(dirty.data(), decoded.data());
  EXPECT_EQ(decoded, Carried(golden, 0x11));
  EXPECT_EQ(BuildKey(*row, 0, golden.data(), key.data()), T().keys[0].word);
  EXPECT_EQ(key, T().keys[0].bytes);
  // Read back whole; an update changes the smooth id alone; update and delete look only at
  // the key fields. (A missing record: the fault sweep.)
  EXPECT_EQ(ReadBack(golden), Carried(golden, 0xA5));
  Bytes other = Pattern(T().entrySize, 7);
  CopyKey(golden, other);
  if (T().updateSmoothId != nullptr) {
    ASSERT_EQ(T().updateSmoothId(other.data()), SRV6_DB_OK);
    Bytes want = golden;
    std::memcpy(&want[T().smoothIdOffset], &other[T().smoothIdOffset], 4);
    EXPECT_EQ(ReadBack(golden), Carried(want, 0xA5));
  }
  ASSERT_EQ(T().remove(other.data()), SRV6_DB_OK);
  EXPECT_EQ(srv6db_engine_record_count(T().tableId), 0u);
  EXPECT_TRUE(MovedCells().empty() && Events().empty());
}

// Each extra operation sends its documented key and selects the stored records that share
// it: the pattern entry, a copy differing in one primary key byte, and another pattern entry.
TEST_P(TableContract, ExtraOpsSelectByTheirKeyAlone) {
  const Bytes golden = Pattern(T().entrySize, 0);
  Bytes variant = golden, after;
  variant[T().primaryKeyFields.back().offset + T().primaryKeyFields.back().length - 1] ^= 0x40;
  const std::vector<Bytes> records = {golden, variant, Pattern(T().entrySize, 3)};
  for (const ExtraOp &op : T().extraOps) {
    SCOPED_TRACE(op.name);
    const auto run = [&op](const Bytes &entry, Bytes *out) {
      return op.run((*out = entry).data());
    };
    const auto keySent = [&](const Bytes &entry) {
      run(entry, &after);
      return LastKey(op.kind == OpKind::kCount    ? SRV6DB_ENGINE_FN_COUNT
                     : op.kind == OpKind::kUpdate ? SRV6DB_ENGINE_FN_UPDATE
                                                  : SRV6DB_ENGINE_FN_CREATE_ROOT_ITER);
    };
    const auto key = std::ranges::find(T().keys, op.key, &KeyCase::name);
    ASSERT_NE(key, T().keys.end()) << op.key;
    Bytes want = BytesOf(key->word);
    want.insert(want.end(), key->bytes.begin(), key->bytes.end());
    EXPECT_EQ(keySent(golden), want);
    size_t sharing = 0;
    for (const Bytes &r : records) sharing += keySent(r) == keySent(golden);
    // The input with every byte outside its key flipped: a unique read must overwrite them all.
    Bytes probe = golden;
    for (size_t i = 0; i < probe.size() && op.kind == OpKind::kUnique; ++i) {
      probe[i] ^= 0x5A;
      if (keySent(probe) != want) probe[i] ^= 0x5A;
    }

    BeginRun();
    *CountSink() = 99;
    const uint32_t none = run(golden, &after);  // nothing stored: nothing found, entry alone
    EXPECT_EQ(after, golden);
    const uint64_t noneCount = *CountSink();
    BeginRun([&] {
      for (const Bytes &r : records) ASSERT_EQ(T().create(r.data()), SRV6_DB_OK);
    });
    EXPECT_EQ(run(probe, &after), op.kind == OpKind::kWalk ? SRV6_DB_NOT_FOUND : SRV6_DB_OK);
    if (op.kind == OpKind::kWalk) {
      EXPECT_EQ(WalkedEntries(), sharing);
    }
    if (op.kind == OpKind::kCount) {
      EXPECT_EQ(noneCount, 0u);
      EXPECT_EQ(*CountSink(), sharing);
    }
    if (op.kind == OpKind::kWalk || op.kind == OpKind::kBoundedRead) {
      EXPECT_EQ(none, SRV6_DB_NOT_FOUND);
    }
    if (op.kind == OpKind::kUnique) {
      EXPECT_EQ(none, SRV6_DB_ERR);
      // The whole record of one sharing entry; uncarried bytes stay the caller's.
      EXPECT_TRUE(std::ranges::any_of(records, [&](const Bytes &r) {
        for (size_t i = 0; i < after.size(); ++i)
          if (after[i] != (In(T().entryUncarried, i) ? probe[i] : r[i])) return false;
        return true;
      }));
    }
    EXPECT_TRUE(MovedCells().empty() && Events().empty());
  }
}

// Converters and key setters do nothing when any pointer is null; update callbacks answer 1
// for a null context or one without an entry; a null output entry answers 1 and leaves the
// handle where it was. Nothing is counted.
TEST_P(TableContract, NullPointersChangeNothing) {
  Bytes entry = Pattern(T().entrySize, 2), record(T().recordSize, 0x77);
  uint32_t keyWord = 0x12345678;
  uint8_t key[4] = {0x66};
  T().setFields(nullptr, record.data());
  T().setFields(entry.data(), nullptr);
  T().getFields(nullptr, entry.data());
  T().getFields(record.data(), nullptr);
  T().setPriKey(nullptr, &keyWord, key);
  T().setPriKey(entry.data(), nullptr, key);
  T().setPriKey(entry.data(), &keyWord, nullptr);
  EXPECT_EQ(entry, Pattern(T().entrySize, 2));
  EXPECT_EQ(record, Bytes(T().recordSize, 0x77));
  EXPECT_EQ(keyWord, 0x12345678u);
  EXPECT_EQ(key[0], 0x66);
  Srv6DbUpdateCtx noEntry = {nullptr, 0};
  EXPECT_TRUE(T().stageSmoothId == nullptr || T().stageSmoothId(nullptr, nullptr) == SRV6_DB_ERR);
  EXPECT_TRUE(T().stageSmoothId == nullptr || T().stageSmoothId(&noEntry, nullptr) == SRV6_DB_ERR);
  EXPECT_EQ(EngineCalls(), 0u);
  ASSERT_EQ(T().create(entry.data()), SRV6_DB_OK);
  EXPECT_EQ(T().getNext(nullptr, entry.data()), SRV6_DB_ERR);
  Srv6DbIter *iter = T().createIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  EXPECT_EQ(T().getNext(iter, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(T().getNext(iter, entry.data()), SRV6_DB_OK) << "the null call must not have stepped";
  EXPECT_EQ(T().getNext(iter, entry.data()), SRV6_DB_NOT_FOUND);
  T().release(iter);
  T().release(nullptr);
  EXPECT_TRUE(MovedCells().empty());
}

INSTANTIATE_TEST_SUITE_P(Tables, TableContract, ::testing::ValuesIn(TableCases()),
                         [](const auto &info) { return info.param.name; });

}  // namespace
}  // namespace srv6db::test
