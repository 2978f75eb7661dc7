// The change log's contract, on whichever backend SRV6DB_ENGINE names: order and completeness
// under concurrent writers with a consumer that dies and resumes, gaps and relists,
// list-then-follow under a write.
#include <map>
#include <thread>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

using Table = std::map<Bytes, Bytes>;  // primary key bytes -> record

Table Contents(uint32_t table) {
  Table t;
  for (const Bytes &r : Walk(table, nullptr)) t[KeyOf(table, 0, r).bytes()] = r;
  return t;
}

// A consumer's copy of tables, from a snapshot (or the log's head) and the changes after it;
// it checks that each table's revisions come one after another.
struct Follower {
  std::vector<Srv6DbEngineCursor> at;
  std::map<uint32_t, Table> copy;
  uint64_t applied = 0;  // changes applied
  uint32_t listing = 0;  // the table Relist walks
  std::vector<Srv6DbEngineChange> batch = std::vector<Srv6DbEngineChange>(64);
  void (*duringWalk)(uint32_t table) = nullptr;  // runs at the walk's first record

  explicit Follower(std::initializer_list<uint32_t> tables) {
    for (uint32_t t : tables) {
      at.push_back({t, 0, 0, 0, 0});
      EXPECT_EQ(srv6db_engine_log_head(&at.back()), 0u);
    }
  }
  void Relist(Srv6DbEngineCursor &c) {
    listing = c.table;
    copy[c.table].clear();
    const auto visit = [](const void *r, uint32_t len, void *user) {
      auto &f = *static_cast<Follower *>(user);
      if (auto during = std::exchange(f.duringWalk, nullptr)) during(f.listing);
      const Bytes rec(static_cast<const uint8_t *>(r), static_cast<const uint8_t *>(r) + len);
      f.copy[f.listing][KeyOf(f.listing, 0, rec).bytes()] = rec;
      return 0;
    };
    ASSERT_EQ(srv6db_engine_snapshot(c.table, visit, this, &c), 0u);
  }
  // One read, relisting the tables whose changes are gone; answers the read's code. A consumer
  // that `dies` has applied half the batch: it starts again from the revisions it applied.
  uint32_t Step(uint32_t timeoutMs, bool dies = false) {
    std::map<uint32_t, uint64_t> last;
    for (const Srv6DbEngineCursor &c : at) last[c.table] = c.revision;
    uint32_t n = 0;
    const uint32_t r = srv6db_engine_read_log(at.data(), static_cast<uint32_t>(at.size()),
                                              batch.data(), 64, &n, timeoutMs);
    for (Srv6DbEngineCursor &c : at)
      if (r == SRV6DB_ENGINE_ERR_LOG_GAP && c.gap) Relist(c);
    for (uint32_t i = 0; i < (dies ? n / 2 : n); ++i) {
      const Srv6DbEngineChange &c = batch[i];
      EXPECT_EQ(c.revision, ++last[c.table]) << "table " << c.table;
      ++applied;
      const Bytes key(c.key, c.key + c.keyLength);
      if (c.kind == SRV6DB_ENGINE_CHANGE_REMOVE)
        copy[c.table].erase(key);
      else
        copy[c.table][key] = Bytes(c.record, c.record + c.recordLength);
    }
    for (Srv6DbEngineCursor &c : at)
      if (dies) c.revision = last[c.table];
    return r;
  }
};

class ChangeLogTest : public EngineTest {
 protected:
  void TearDown() override { srv6db_engine_set_log_retention(SRV6DB_ENGINE_LOG_RETENTION_DEFAULT); }
};

// Writers of four tables at once and a blocked follower of all of them, which dies every third
// read and resumes from what it applied: every table's entries come dense and in order, none
// missing or repeated, and the copy they build is the table.
TEST_F(ChangeLogTest, ConcurrentWritersAreFollowedInOrderAndInFull) {
  constexpr uint32_t kTables[] = {1, 4, 6, 9}, kChanges = 600;
  Follower f({1, 4, 6, 9});
  std::vector<std::thread> writers;
  for (uint32_t t : kTables) {
    writers.emplace_back([t] {
      std::mt19937 rng(t);
      for (uint32_t i = 0; i < kChanges / 2; ++i) {
        const Bytes r = RandomRecord(t, rng);
        EXPECT_EQ(Write(t, r), 0u);
        EXPECT_EQ(i % 2 ? Remove(t, KeyOf(t, 0, r)) : Write(t, r), 0u);
      }
    });
  }
  for (uint64_t reads = 0; f.applied < 4 * kChanges;)
    ASSERT_EQ(f.Step(2000, ++reads % 3 == 0), 0u);
  for (std::thread &w : writers) w.join();
  for (uint32_t t : kTables) EXPECT_EQ(f.copy[t], Contents(t)) << "table " << t;
  EXPECT_EQ(f.Step(20), 0u);  // nothing more: the blocked read times out empty
}

// Behind the retention a follower gets the gap code and how much it lost, relists and
// converges; so does one of another epoch (a reset) or beyond the head, however far back.
TEST_F(ChangeLogTest, FallingBehindTheRetentionGivesTheGapCodeThenRelistConverges) {
  ASSERT_EQ(srv6db_engine_set_log_retention(1000), 0u);
  Follower f({kLocalSid});
  for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i % 700, i)), 0u);
  Srv6DbEngineCursor held = f.at[0], ahead = f.at[0];
  uint32_t n = 0;
  EXPECT_EQ(srv6db_engine_read_log(&held, 1, f.batch.data(), 64, &n, 0), SRV6DB_ENGINE_ERR_LOG_GAP);
  EXPECT_TRUE(held.gap == 1 && held.lost >= 1 && held.lost <= 4000) << held.lost;
  EXPECT_EQ(held.revision, f.at[0].revision);  // not moved
  EXPECT_EQ(f.Step(0), SRV6DB_ENGINE_ERR_LOG_GAP);
  ASSERT_EQ(Remove(kLocalSid, PrimaryKey(3)), 0u);
  EXPECT_EQ(f.Step(0), 0u);
  EXPECT_EQ(f.copy[kLocalSid], Contents(kLocalSid));

  ahead.revision = f.at[0].revision + 1;
  srv6db_engine_reset();
  ASSERT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
  held.revision = 0;
  for (Srv6DbEngineCursor *c : {&ahead, &held}) {
    EXPECT_EQ(srv6db_engine_read_log(c, 1, f.batch.data(), 64, &n, 0), SRV6DB_ENGINE_ERR_LOG_GAP);
    EXPECT_EQ(c->lost, UINT64_MAX);
  }
}

// A write, an update and removals made while the snapshot walks (after its iterator was made,
// before the walk ends): the changes after its revision bring the copy to the table.
TEST_F(ChangeLogTest, ListThenFollowConvergesUnderAWriteDuringTheWalk) {
  for (uint32_t i = 1; i <= 600; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 1)), 0u);
  Follower f({kLocalSid});
  f.duringWalk = [](uint32_t t) {
    EXPECT_EQ(Write(t, LocalSid(1000, 2)), 0u);
    EXPECT_EQ(Write(t, LocalSid(599, 3)), 0u);
    EXPECT_EQ(Remove(t, PrimaryKey(598)), 0u);
    EXPECT_EQ(UpdateSmooth(t, PrimaryKey(2), 9), 0u);
  };
  f.Relist(f.at[0]);
  EXPECT_NE(f.copy[kLocalSid], Contents(kLocalSid));
  ASSERT_EQ(f.Step(0), 0u);
  EXPECT_EQ(f.copy[kLocalSid], Contents(kLocalSid));
}

}  // namespace
}  // namespace srv6db::test
