// The contract every table keeps: storage, replacement, counts, key checks, removal, update.
#include <algorithm>
#include <map>
#include <set>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

class TableContract : public EngineTest, public ::testing::WithParamInterface<uint32_t> {
 protected:
  uint32_t table() const { return GetParam(); }
  Srv6DbEngineSchema schema() const { return SchemaOf(table()); }
  void ExpectStored(const Key &pk, const Bytes &rec) {
    Bytes out;
    ASSERT_EQ(Read(table(), pk, &out), 0u);
    EXPECT_EQ(out, rec);
    ExpectKeysHold(rec, 1, {rec});
  }
  // Every index's key of `rec` counts `n` records; secondary keys walk to `walked`.
  void ExpectKeysHold(const Bytes &rec, uint64_t n, const std::vector<Bytes> &walked) {
    for (uint32_t i = 0; i < schema().indexCount; ++i) {
      const Key key = KeyOf(table(), i, rec);
      EXPECT_EQ(Count(table(), key), n) << "index " << i;
      if (i != 0) {
        EXPECT_EQ(Walk(table(), &key), walked) << "index " << i;
      }
    }
  }
};

// A write over a stored primary key replaces the record and moves its index entries, so
// does an update of the smooth id (the only bytes it writes); a removal takes the record out
// of every index, and a second removal finds nothing.
TEST_P(TableContract, WriteReplaceUpdateAndRemove) {
  std::mt19937 rng(100 + table());
  const Bytes a = RandomRecord(table(), rng);
  Bytes b = RandomRecord(table(), rng);
  for (uint32_t j = 0; j < schema().indexes[0].segmentCount; ++j) {
    const Srv6DbEngineSegment &s = schema().indexes[0].segments[j];
    std::copy_n(a.begin() + s.offset, s.length, b.begin() + s.offset);
  }
  const Key pk = KeyOf(table(), 0, a);
  EXPECT_EQ(Remove(table(), pk), DB_ERR_NO_RECORD);
  ASSERT_EQ(Write(table(), a), 0u);
  ExpectStored(pk, a);
  ASSERT_EQ(Write(table(), b), 0u);
  ExpectStored(pk, b);
  const Bytes replaced = b;
  if (Fns(table()).setSmooth == nullptr) {  // nothing to stage: an update is refused
    Obj o(table(), DB_OP_UPDATE);
    EXPECT_EQ(db_update_obj(o.get(), pk.info, pk.data), SRV6DB_ENGINE_ERR_NOTHING_STAGED);
  } else {
    b[schema().smoothIdOffset] ^= 0x5A;
    uint32_t smoothId;
    std::memcpy(&smoothId, &b[schema().smoothIdOffset], 4);
    ASSERT_EQ(UpdateSmooth(table(), pk, smoothId), 0u);
    ExpectStored(pk, b);
  }
  EXPECT_EQ(srv6db_engine_record_count(table()), 1u);
  for (const Bytes &before : {a, replaced}) {
    for (uint32_t i = 1; i < schema().indexCount; ++i) {
      const Key oldKey = KeyOf(table(), i, before);
      if (oldKey.bytes() == KeyOf(table(), i, b).bytes()) continue;
      EXPECT_EQ(Count(table(), oldKey), 0u) << "index " << i;
      EXPECT_TRUE(Walk(table(), &oldKey).empty()) << "index " << i;
    }
  }
  EXPECT_EQ(Remove(table(), pk), 0u);
  EXPECT_EQ(Remove(table(), pk), DB_ERR_NO_RECORD);
  Bytes out;
  EXPECT_EQ(Read(table(), pk, &out), DB_ERR_NO_RECORD);
  ExpectKeysHold(b, 0, {});
}

// Thousands of records, half drawn around a few templates so that they share keys of every
// index, push each index through several growths; removing half of them in random order
// moves entries back along their probe runs and empties buckets. Reads, counts and walks by
// every key must match a model of the contents, after the writes and after the removals.
TEST_P(TableContract, ReadsCountsAndWalksMatchAModel) {
  std::mt19937 rng(200 + table());
  const Srv6DbEngineSchema s = schema();
  std::vector<Bytes> templates;
  for (int i = 0; i < 3; ++i) templates.push_back(RandomRecord(table(), rng));
  std::map<Bytes, Bytes> model;  // primary key bytes -> record
  for (int n = 0; n < 2000; ++n) {
    Bytes rec = n % 2 == 0 ? RandomRecord(table(), rng) : templates[rng() % templates.size()];
    for (auto &byte : rec)
      if (n % 2 == 1 && rng() % 25 == 0) byte = static_cast<uint8_t>(rng() % 3);
    ASSERT_EQ(Write(table(), rec), 0u);
    model[KeyOf(table(), 0, rec).bytes()] = rec;
  }
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "after writes" : "after removals");
    ASSERT_EQ(srv6db_engine_record_count(table()), model.size());
    std::multiset<Bytes> stored;
    std::vector<std::map<Bytes, std::multiset<Bytes>>> byKey(s.indexCount);
    for (auto &[pk, rec] : model) {
      stored.insert(rec);
      for (uint32_t i = 0; i < s.indexCount; ++i)
        byKey[i][KeyOf(table(), i, rec).bytes()].insert(rec);
    }
    const auto all = Walk(table(), nullptr);
    std::vector<Bytes> visited;  // the control visit sees the walk's records, in its order
    auto collect = [](const void *r, uint32_t n, void *out) {
      auto *p = static_cast<const uint8_t *>(r);
      static_cast<std::vector<Bytes> *>(out)->emplace_back(p, p + n);
      return 0;
    };
    ASSERT_EQ(srv6db_engine_visit_records(table(), collect, &visited), 0u);
    EXPECT_EQ(visited, all);
    EXPECT_EQ(std::multiset<Bytes>(all.begin(), all.end()), stored);
    for (uint32_t i = 0; i < s.indexCount; ++i) {
      for (auto &[keyBytes, recs] : byKey[i]) {
        const Key key = KeyOf(table(), i, *recs.begin());
        ASSERT_EQ(Count(table(), key), recs.size()) << "index " << i;
        if (i == 0) continue;
        const auto walked = Walk(table(), &key);
        EXPECT_EQ(std::multiset<Bytes>(walked.begin(), walked.end()), recs) << "index " << i;
      }
    }
    for (auto it = model.begin(); it != model.end();) {
      if (rng() % 2 == 0) {
        ++it;
        continue;
      }
      ASSERT_EQ(Remove(table(), KeyOf(table(), 0, it->second)), 0u);
      it = model.erase(it);
    }
  }
}

// A key word that is not exactly one of the table's is refused by every keyed call; a valid
// secondary key does not address one record, and the primary key is not walked.
TEST_P(TableContract, KeyWordsThatMissTheSchemaAreRejected) {
  std::mt19937 rng(400 + table());
  const Bytes rec = RandomRecord(table(), rng);
  ASSERT_EQ(Write(table(), rec), 0u);
  const Srv6DbEngineSchema s = schema();
  auto codes = [&](const Key &key) {  // count, walk, read, remove
    uint32_t count = 0;
    Count(table(), key, &count);
    void *it = nullptr;
    Bytes out;
    return std::vector<uint32_t>{
        count, db_create_root_iter(Obj(table(), DB_OP_QUERY).get(), key.info, key.data, &it),
        Read(table(), key, &out), Remove(table(), key)};
  };
  constexpr uint32_t kBad = SRV6DB_ENGINE_ERR_BAD_KEY;
  for (uint32_t i = s.indexCount; i-- > 0;) {  // the primary key last: it removes the record
    const Key good = KeyOf(table(), i, rec);
    const uint32_t w = s.indexes[i].keyWord, otherKind = i == 0 ? 0x00090000u : 0x00010000u;
    for (uint32_t word : {(w & 0xFF00FFFFu) | otherKind, (w & 0x00FFFFFFu) | (s.indexCount << 24),
                          w + 1, w - 1}) {  // wrong kind, no such index, wrong lengths
      EXPECT_EQ(codes(Key(word, good.data, good.length)), std::vector<uint32_t>(4, kBad))
          << "index " << i << " word " << std::hex << word;
    }
    EXPECT_EQ(codes(good), (i == 0 ? std::vector<uint32_t>{0, kBad, 0, 0}
                                   : std::vector<uint32_t>{0, 0, kBad, kBad}))
        << "index " << i;
  }
  EXPECT_EQ(srv6db_engine_record_count(table()), 0u);
}

INSTANTIATE_TEST_SUITE_P(AllTables, TableContract,
                         ::testing::Range(0u, uint32_t{SRV6DB_ENGINE_TABLE_COUNT}),
                         [](const auto &info) { return std::string(Fns(info.param).word); });

}  // namespace
}  // namespace srv6db::test
