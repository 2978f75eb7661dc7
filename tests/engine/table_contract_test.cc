// The contract every table keeps: storage, replacement, update, counts, walks, key checks, removal.
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

// Thousands of records, half drawn around a few templates so that they share keys of every
// index, push each index through several growths; rewrites and smooth id updates move their
// index entries; removing half of them in random order moves entries back along their probe
// runs and empties buckets, and a second removal finds nothing. Reads, counts and walks by
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
    if (Fns(table()).setSmooth != nullptr && n % 3 == 0) {  // writes that one field alone
      const uint32_t smoothId = rng() % 4;
      ASSERT_EQ(UpdateSmooth(table(), KeyOf(table(), 0, rec), smoothId), 0u);
      std::memcpy(&rec[s.smoothIdOffset], &smoothId, 4);
    }
    if (s.discriminatorOffset != SRV6DB_ENGINE_NO_OFFSET && n % 3 == 1) {  // the same, XSID prefix
      const uint32_t discriminator = rng();
      Obj o(table(), DB_OP_UPDATE);
      ASSERT_EQ(db_set_srv6_xsid_prefix_discriminator(o.get(), discriminator), 0u);
      const Key primary = KeyOf(table(), 0, rec);
      ASSERT_EQ(db_update_obj(o.get(), primary.info, primary.data), 0u);
      std::memcpy(&rec[s.discriminatorOffset], &discriminator, 4);
    }
    model[KeyOf(table(), 0, rec).bytes()] = rec;
  }
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "after writes" : "after removals");
    ASSERT_EQ(srv6db_engine_record_count(table()), model.size());
    std::multiset<Bytes> stored;
    std::vector<std::map<Bytes, std::multiset<Bytes>>> byKey(s.indexCount);
    for (auto &[pk, rec] : model) {
      Bytes out;
      ASSERT_EQ(Read(table(), KeyOf(table(), 0, rec), &out), 0u);
      EXPECT_EQ(out, rec);
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
      const Key pk = KeyOf(table(), 0, it->second);
      ASSERT_EQ(Remove(table(), pk), 0u);
      ASSERT_EQ(Remove(table(), pk), DB_ERR_NO_RECORD);
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
