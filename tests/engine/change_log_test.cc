// The change log's contract, on whichever backend SRV6DB_ENGINE names: order and completeness
// under concurrent writers, gaps and relists, list-then-follow under a write, resuming.
#include <atomic>
#include <map>
#include <thread>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

using Table = std::map<Bytes, Bytes>;  // primary key bytes -> record

Table Contents(uint32_t table) {
  Table t;
  struct Ctx {
    Table *t;
    uint32_t table;
  } ctx{&t, table};
  srv6db_engine_visit_records(
      table,
      [](const void *r, uint32_t len, void *user) {
        auto *c = static_cast<Ctx *>(user);
        const Bytes rec(static_cast<const uint8_t *>(r), static_cast<const uint8_t *>(r) + len);
        (*c->t)[KeyOf(c->table, 0, rec).bytes()] = rec;
        return 0;
      },
      &ctx);
  return t;
}

// A consumer's copy of tables, kept from a snapshot and the changes after it.
struct Follower {
  std::vector<Srv6DbEngineCursor> cursors;
  std::map<uint32_t, Table> copy;
  std::map<uint32_t, uint64_t> last;     // revision of the latest change applied, per table
  std::map<uint32_t, uint64_t> applied;  // changes applied per table
  std::vector<Srv6DbEngineChange> batch = std::vector<Srv6DbEngineChange>(64);

  explicit Follower(std::initializer_list<uint32_t> tables) {
    for (uint32_t t : tables) cursors.push_back({t, 0, 0, 0, 0});
  }
  void Relist(uint32_t i, void (*during)(uint32_t) = nullptr) {
    struct Ctx {
      Table *t;
      uint32_t table;
      void (*during)(uint32_t);
      bool first;
    } ctx{&copy[cursors[i].table], cursors[i].table, during, true};
    ctx.t->clear();
    ASSERT_EQ(srv6db_engine_snapshot(
                  ctx.table,
                  [](const void *r, uint32_t len, void *user) {
                    auto *c = static_cast<Ctx *>(user);
                    if (c->first && c->during != nullptr) c->during(c->table);
                    c->first = false;
                    const auto *b = static_cast<const uint8_t *>(r);
                    const Bytes rec(b, b + len);
                    (*c->t)[KeyOf(c->table, 0, rec).bytes()] = rec;
                    return 0;
                  },
                  &ctx, &cursors[i]),
              0u);
    last[cursors[i].table] = cursors[i].revision;
  }
  void Head() {
    for (Srv6DbEngineCursor &c : cursors) {
      ASSERT_EQ(srv6db_engine_log_head(&c), 0u);
      last[c.table] = c.revision;
    }
  }
  // One read; relists the tables with a gap. Answers the read's code.
  uint32_t Step(uint32_t timeoutMs) {
    uint32_t n = 0;
    const uint32_t r =
        srv6db_engine_read_log(cursors.data(), static_cast<uint32_t>(cursors.size()),
                               batch.data(), static_cast<uint32_t>(batch.size()), &n, timeoutMs);
    if (r == SRV6DB_ENGINE_ERR_LOG_GAP) {
      for (uint32_t i = 0; i < cursors.size(); ++i)
        if (cursors[i].gap) Relist(i);
    }
    for (uint32_t i = 0; i < n; ++i) {
      const Srv6DbEngineChange &c = batch[i];
      EXPECT_EQ(c.revision, ++last[c.table]) << "table " << c.table;
      ++applied[c.table];
      const Bytes key(c.key, c.key + c.keyLength);
      if (c.kind == SRV6DB_ENGINE_CHANGE_REMOVE)
        copy[c.table].erase(key);
      else
        copy[c.table][key] = Bytes(c.record, c.record + c.recordLength);
    }
    return r;
  }
};

class ChangeLogTest : public EngineTest {
 protected:
  void TearDown() override { srv6db_engine_set_log_retention(SRV6DB_ENGINE_LOG_RETENTION_DEFAULT); }
};

constexpr uint32_t kTables[] = {1, 4, 6, 9};

// Writers of four tables at once, a blocked follower of all of them: every table's entries
// come dense and in order, and the copy they build is the table.
TEST_F(ChangeLogTest, ConcurrentWritersAreFollowedInOrderAndInFull) {
  Follower f({1, 4, 6, 9});
  f.Head();
  constexpr uint32_t kChanges = 600;
  std::vector<std::thread> writers;
  for (uint32_t t : kTables) {
    writers.emplace_back([t] {
      std::mt19937 rng(t);
      std::vector<Bytes> live;
      for (uint32_t i = 0; i < kChanges; ++i) {
        if (i % 3 == 2 && !live.empty()) {
          EXPECT_EQ(Remove(t, KeyOf(t, 0, live.back())), 0u);
          live.pop_back();
        } else {
          live.push_back(RandomRecord(t, rng));
          EXPECT_EQ(Write(t, live.back()), 0u);
        }
      }
    });
  }
  uint64_t total = 0;
  while (total < 4 * kChanges) {
    ASSERT_EQ(f.Step(2000), 0u);
    total = 0;
    for (uint32_t t : kTables) total += f.applied[t];
  }
  for (std::thread &w : writers) w.join();
  for (uint32_t t : kTables) EXPECT_EQ(f.copy[t], Contents(t)) << "table " << t;
  // Nothing more came, and a blocked read times out empty.
  EXPECT_EQ(f.Step(20), 0u);
}

// A follower behind the retention gets the gap code and how much it lost, relists and
// converges; so does one of another epoch (a reset) or beyond the head.
TEST_F(ChangeLogTest, FallingBehindTheRetentionGivesTheGapCodeThenRelistConverges) {
  ASSERT_EQ(srv6db_engine_set_log_retention(1000), 0u);
  Follower f({6});
  f.Relist(0);
  for (uint32_t i = 0; i < 5000; ++i) ASSERT_EQ(Write(6, LocalSid(i % 700, i)), 0u);
  uint32_t n = 0;
  Srv6DbEngineCursor held = f.cursors[0];
  EXPECT_EQ(srv6db_engine_read_log(&held, 1, f.batch.data(), 64, &n, 0),
            SRV6DB_ENGINE_ERR_LOG_GAP);
  EXPECT_EQ(held.gap, 1u);
  EXPECT_GE(held.lost, 1u);
  EXPECT_LE(held.lost, 4000u);
  EXPECT_EQ(held.revision, f.cursors[0].revision);  // not moved
  EXPECT_EQ(f.Step(0), SRV6DB_ENGINE_ERR_LOG_GAP);   // relisted
  EXPECT_EQ(f.copy[6], Contents(6));
  ASSERT_EQ(Remove(6, PrimaryKey(3)), 0u);
  EXPECT_EQ(f.Step(0), 0u);
  EXPECT_EQ(f.copy[6], Contents(6));

  Srv6DbEngineCursor ahead = f.cursors[0];
  ++ahead.revision;
  EXPECT_EQ(srv6db_engine_read_log(&ahead, 1, f.batch.data(), 64, &n, 0),
            SRV6DB_ENGINE_ERR_LOG_GAP);
  EXPECT_EQ(ahead.lost, UINT64_MAX);
  srv6db_engine_reset();
  ASSERT_EQ(Write(6, LocalSid(1, 1)), 0u);
  Srv6DbEngineCursor old = f.cursors[0];
  old.revision = 0;  // even from the start: another epoch's revisions are no guide
  EXPECT_EQ(srv6db_engine_read_log(&old, 1, f.batch.data(), 64, &n, 0),
            SRV6DB_ENGINE_ERR_LOG_GAP);
  EXPECT_EQ(old.lost, UINT64_MAX);
}

// A write, an update and a removal made while the snapshot walks (after its iterator was made,
// before the walk ends): the changes after its revision bring the copy to the table.
TEST_F(ChangeLogTest, ListThenFollowConvergesUnderAWriteDuringTheWalk) {
  for (uint32_t i = 1; i <= 600; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 1)), 0u);
  Follower f({kLocalSid});
  f.Relist(0, [](uint32_t t) {
    EXPECT_EQ(Write(t, LocalSid(1000, 2)), 0u);
    EXPECT_EQ(Write(t, LocalSid(599, 3)), 0u);
    EXPECT_EQ(Remove(t, PrimaryKey(598)), 0u);
    EXPECT_EQ(UpdateSmooth(t, PrimaryKey(2), 9), 0u);
  });
  EXPECT_NE(f.copy[kLocalSid], Contents(kLocalSid));
  ASSERT_EQ(f.Step(0), 0u);
  EXPECT_EQ(f.copy[kLocalSid], Contents(kLocalSid));
}

// A consumer that saves its cursor, dies mid-stream and starts again from it sees every change
// once; reading never removes: the same cursor reads the same entries again.
TEST_F(ChangeLogTest, AConsumerResumesFromItsSavedRevision) {
  Srv6DbEngineCursor saved = {kLocalSid, 0, 0, 0, 0};
  ASSERT_EQ(srv6db_engine_log_head(&saved), 0u);
  const uint64_t start = saved.revision;
  std::vector<uint64_t> got;
  std::vector<Srv6DbEngineChange> batch(7);
  std::thread writer([] {
    for (uint32_t i = 0; i < 300; ++i) EXPECT_EQ(Write(kLocalSid, LocalSid(i % 50, i)), 0u);
  });
  for (uint32_t life = 0; got.size() < 300; ++life) {
    Srv6DbEngineCursor c = saved;  // a new process reads its saved position
    uint32_t n = 0;
    ASSERT_EQ(srv6db_engine_read_log(&c, 1, batch.data(), 7, &n, 2000), 0u);
    Srv6DbEngineCursor again = saved;
    uint32_t m = 0;
    ASSERT_EQ(srv6db_engine_read_log(&again, 1, batch.data(), n ? n : 1, &m, 0), 0u);
    ASSERT_EQ(m, n);
    ASSERT_EQ(again.revision, c.revision);
    // It dies after applying m changes; only those reached its saved cursor.
    const uint32_t applied = life % 2 ? m : m / 2;
    for (uint32_t i = 0; i < applied; ++i) got.push_back(batch[i].revision);
    if (applied != 0) saved.revision = batch[applied - 1].revision;
  }
  writer.join();
  for (uint64_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], start + i + 1);
}

}  // namespace
}  // namespace srv6db::test
