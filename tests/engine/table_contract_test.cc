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
};

TEST_P(TableContract, WriteThenReadReturnsTheRecord) {
  std::mt19937 rng(table());
  Bytes rec = RandomRecord(table(), rng);
  ASSERT_EQ(Write(table(), rec), 0u);
  Bytes out;
  ASSERT_EQ(Read(table(), KeyOf(table(), 0, rec), &out), 0u);
  EXPECT_EQ(out, rec);
  EXPECT_EQ(srv6db_engine_record_count(table()), 1u);
  for (uint32_t i = 0; i < schema().indexCount; ++i)
    EXPECT_EQ(Count(table(), KeyOf(table(), i, rec)), 1u) << "index " << i;
}

TEST_P(TableContract, ReplacementMovesIndexEntries) {
  std::mt19937 rng(100 + table());
  Bytes a = RandomRecord(table(), rng);
  Bytes b = RandomRecord(table(), rng);
  for (uint32_t j = 0; j < schema().indexes[0].segmentCount; ++j) {
    const Srv6DbEngineSegment &s = schema().indexes[0].segments[j];
    std::copy_n(a.begin() + s.offset, s.length, b.begin() + s.offset);
  }
  ASSERT_EQ(Write(table(), a), 0u);
  ASSERT_EQ(Write(table(), b), 0u);
  Bytes out;
  ASSERT_EQ(Read(table(), KeyOf(table(), 0, a), &out), 0u);
  EXPECT_EQ(out, b);
  EXPECT_EQ(srv6db_engine_record_count(table()), 1u);
  for (uint32_t i = 1; i < schema().indexCount; ++i) {
    Key oldKey = KeyOf(table(), i, a), newKey = KeyOf(table(), i, b);
    if (oldKey.bytes() == newKey.bytes()) continue;  // key made of primary key bytes only
    EXPECT_EQ(Count(table(), oldKey), 0u) << "index " << i;
    EXPECT_TRUE(Walk(table(), &oldKey).empty()) << "index " << i;
    EXPECT_EQ(Count(table(), newKey), 1u) << "index " << i;
    EXPECT_EQ(Walk(table(), &newKey), std::vector<Bytes>{b}) << "index " << i;
  }
}

// Records drawn around a few templates share keys of every index; counts and walks by each
// key must match a model of the final contents, before and after removing half of them.
TEST_P(TableContract, CountsAndWalksMatchAModel) {
  std::mt19937 rng(200 + table());
  std::vector<Bytes> templates;
  for (int i = 0; i < 3; ++i) templates.push_back(RandomRecord(table(), rng));
  std::map<Bytes, Bytes> model;  // primary key bytes -> record
  for (int n = 0; n < 150; ++n) {
    Bytes rec = templates[rng() % templates.size()];
    for (auto &byte : rec)
      if (rng() % 25 == 0) byte = static_cast<uint8_t>(rng() % 3);
    ASSERT_EQ(Write(table(), rec), 0u);
    model[KeyOf(table(), 0, rec).bytes()] = rec;
  }
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "after writes" : "after removals");
    ASSERT_EQ(srv6db_engine_record_count(table()), model.size());
    auto all = Walk(table(), nullptr);
    std::multiset<Bytes> stored;
    for (auto &[pk, rec] : model) stored.insert(rec);
    EXPECT_EQ(std::multiset<Bytes>(all.begin(), all.end()), stored);
    for (uint32_t i = 0; i < schema().indexCount; ++i) {
      std::map<Bytes, std::multiset<Bytes>> expected;
      for (auto &[pk, rec] : model) expected[KeyOf(table(), i, rec).bytes()].insert(rec);
      for (auto &[keyBytes, recs] : expected) {
        Key key = KeyOf(table(), i, *recs.begin());
        ASSERT_EQ(Count(table(), key), recs.size()) << "index " << i;
        if (i == 0) continue;
        auto walked = Walk(table(), &key);
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

TEST_P(TableContract, KeyWordsThatMissTheSchemaAreRejected) {
  std::mt19937 rng(300 + table());
  Bytes rec = RandomRecord(table(), rng);
  ASSERT_EQ(Write(table(), rec), 0u);
  const Srv6DbEngineSchema s = schema();
  for (uint32_t i = 0; i < s.indexCount; ++i) {
    Key good = KeyOf(table(), i, rec);
    uint32_t w = good.word();
    uint32_t otherKind = i == 0 ? 0x00090000u : 0x00010000u;
    const uint32_t bad[] = {(w & 0xFF00FFFFu) | otherKind,             // wrong kind
                            (w & 0x00FFFFFFu) | (s.indexCount << 24),  // no such index
                            w + 1, w - 1};                             // wrong length
    for (uint32_t word : bad) {
      SCOPED_TRACE(::testing::Message() << "index " << i << " word " << std::hex << word);
      Key key(word, good.data, good.length);
      uint32_t code = 0;
      Count(table(), key, &code);
      EXPECT_EQ(code, SRV6DB_ENGINE_ERR_BAD_KEY);
      Obj q(table(), DB_OP_QUERY);
      void *it = nullptr;
      EXPECT_EQ(db_create_root_iter(q.get(), key.info, key.data, &it), SRV6DB_ENGINE_ERR_BAD_KEY);
      Bytes out;
      EXPECT_EQ(Read(table(), key, &out), SRV6DB_ENGINE_ERR_BAD_KEY);
      EXPECT_EQ(Remove(table(), key), SRV6DB_ENGINE_ERR_BAD_KEY);
    }
    if (i == 0) continue;  // a valid secondary key still does not address one record
    Bytes out;
    EXPECT_EQ(Read(table(), good, &out), SRV6DB_ENGINE_ERR_BAD_KEY);
    EXPECT_EQ(Remove(table(), good), SRV6DB_ENGINE_ERR_BAD_KEY);
  }
  EXPECT_EQ(srv6db_engine_record_count(table()), 1u);
}

TEST_P(TableContract, RemoveOfMissingRecordAnswersNoRecord) {
  std::mt19937 rng(400 + table());
  Bytes rec = RandomRecord(table(), rng);
  Key pk = KeyOf(table(), 0, rec);
  EXPECT_EQ(Remove(table(), pk), DB_ERR_NO_RECORD);
  ASSERT_EQ(Write(table(), rec), 0u);
  EXPECT_EQ(Remove(table(), pk), 0u);
  EXPECT_EQ(Remove(table(), pk), DB_ERR_NO_RECORD);
  Bytes out;
  EXPECT_EQ(Read(table(), pk, &out), DB_ERR_NO_RECORD);
  for (uint32_t i = 0; i < schema().indexCount; ++i)
    EXPECT_EQ(Count(table(), KeyOf(table(), i, rec)), 0u) << "index " << i;
}

TEST_P(TableContract, UpdateWritesOnlyTheSmoothIdAndMovesItsIndex) {
  std::mt19937 rng(500 + table());
  Bytes rec = RandomRecord(table(), rng);
  Key pk = KeyOf(table(), 0, rec);
  if (Fns(table()).setSmooth == nullptr) {  // nothing to stage: an update is refused
    ASSERT_EQ(Write(table(), rec), 0u);
    Obj o(table(), DB_OP_UPDATE);
    EXPECT_EQ(db_update_obj(o.get(), pk.info, pk.data), SRV6DB_ENGINE_ERR_NOTHING_STAGED);
    return;
  }
  EXPECT_EQ(UpdateSmooth(table(), pk, 1), DB_ERR_NO_RECORD);
  EXPECT_EQ(srv6db_engine_record_count(table()), 0u);
  ASSERT_EQ(Write(table(), rec), 0u);
  const uint32_t off = schema().smoothIdOffset;
  uint32_t newId;
  std::memcpy(&newId, rec.data() + off, 4);
  newId ^= 0x5A5A5A5Au;
  ASSERT_EQ(UpdateSmooth(table(), pk, newId), 0u);
  Bytes expected = rec;
  std::memcpy(expected.data() + off, &newId, 4);
  Bytes out;
  ASSERT_EQ(Read(table(), pk, &out), 0u);
  EXPECT_EQ(out, expected);
  for (uint32_t i = 1; i < schema().indexCount; ++i) {
    Key before = KeyOf(table(), i, rec), after = KeyOf(table(), i, expected);
    if (before.bytes() == after.bytes()) continue;
    EXPECT_EQ(Count(table(), before), 0u) << "index " << i;
    EXPECT_EQ(Count(table(), after), 1u) << "index " << i;
  }
}

std::string TableName(const ::testing::TestParamInfo<uint32_t> &info) {
  return Fns(info.param).word;
}

// Thousands of records push every index through several growths; removing half of them in
// random order moves entries back along their probe runs and empties buckets. A model of the
// table must agree with every read, every count by key and the whole walk afterwards.
TEST_P(TableContract, ManyRecordsSurviveGrowthAndRemovalInRandomOrder) {
  constexpr uint32_t kRecords = 3000;
  std::mt19937 rng(200 + table());
  const Srv6DbEngineSchema s = schema();
  std::vector<Bytes> records;
  std::set<Bytes> primaries;
  while (records.size() < kRecords) {
    Bytes rec = RandomRecord(table(), rng);
    // Every third record shares one secondary key with the one before: buckets of several.
    // Where that key covers the whole primary key, the record stays as drawn.
    if (records.size() % 3 == 2 && s.indexCount > 1) {
      Bytes shared = rec;
      const uint32_t i = 1 + static_cast<uint32_t>(records.size() / 3) % (s.indexCount - 1);
      for (uint32_t j = 0; j < s.indexes[i].segmentCount; ++j) {
        const Srv6DbEngineSegment &g = s.indexes[i].segments[j];
        std::copy_n(records.back().begin() + g.offset, g.length, shared.begin() + g.offset);
      }
      if (primaries.count(KeyOf(table(), 0, shared).bytes()) == 0) rec = shared;
    }
    if (!primaries.insert(KeyOf(table(), 0, rec).bytes()).second) continue;
    ASSERT_EQ(Write(table(), rec), 0u);
    records.push_back(rec);
  }
  std::vector<size_t> order(records.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  std::vector<bool> removed(records.size(), false);
  for (size_t k = 0; k < order.size() / 2; ++k) {
    ASSERT_EQ(Remove(table(), KeyOf(table(), 0, records[order[k]])), 0u);
    removed[order[k]] = true;
  }

  std::vector<Bytes> expected;
  std::map<std::pair<uint32_t, Bytes>, uint64_t> counts;
  for (size_t r = 0; r < records.size(); ++r) {
    if (removed[r]) continue;
    expected.push_back(records[r]);
    for (uint32_t i = 1; i < s.indexCount; ++i)
      ++counts[{i, KeyOf(table(), i, records[r]).bytes()}];
  }
  EXPECT_EQ(srv6db_engine_record_count(table()), expected.size());
  EXPECT_EQ(Walk(table(), nullptr), expected);
  for (size_t r = 0; r < records.size(); ++r) {
    Bytes out;
    ASSERT_EQ(Read(table(), KeyOf(table(), 0, records[r]), &out), removed[r] ? 15005u : 0u)
        << "record " << r;
    for (uint32_t i = 1; i < s.indexCount; ++i) {
      const Key key = KeyOf(table(), i, records[r]);
      auto it = counts.find({i, key.bytes()});
      ASSERT_EQ(Count(table(), key), it == counts.end() ? 0u : it->second)
          << "record " << r << " index " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllTables, TableContract,
                         ::testing::Range(0u, uint32_t{SRV6DB_ENGINE_TABLE_COUNT}), TableName);

}  // namespace
}  // namespace srv6db::test
