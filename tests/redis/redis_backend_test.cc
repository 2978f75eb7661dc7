// The Redis backend shared by processes: concurrent writers and walkers, reconciliation after
// a producer restarts, a server killed and restarted from its append-only file, connections
// killed mid-run, bad URLs, a replica.
#include <hiredis/hiredis.h>

#include <atomic>
#include <iterator>
#include <set>
#include <thread>

#include "redis_server.h"
#include "tests/engine/engine_test_util.h"

namespace srv6db::test {
namespace {

class RedisBackend : public ::testing::Test {
 protected:
  static RedisServer &Server() {  // started for the first case, stopped at the process's exit
    static RedisServer server;
    return server;
  }
  void SetUp() override {
    ASSERT_EQ(srv6db_engine_open(Server().Url().c_str()), 0u);
    srv6db_engine_reset();
  }
};

TEST_F(RedisBackend, ConcurrentWriterAndWalkerProcessesAgreeOnTheTable) {
  constexpr uint32_t kStable = 300, kWriters = 3, kPerWriter = 600, kWalkers = 2;
  for (uint32_t i = 0; i < kStable; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  std::vector<pid_t> children;
  // Writer w creates its records, rewrites stable ones (moving their smooth index) and
  // removes every third record of its own; any code but 0 fails it.
  for (uint32_t w = 0; w < kWriters; ++w)
    children.push_back(Spawn([w] {
      for (uint32_t i = 0; i < kPerWriter; ++i) {
        uint32_t id = 10000 * (w + 1) + i;
        if (Write(kLocalSid, LocalSid(id, 9)) != 0) return 1;
        if (Write(kLocalSid, LocalSid(i % kStable, 9, i)) != 0) return 2;
        if (i % 3 == 0 && Remove(kLocalSid, PrimaryKey(id)) != 0) return 3;
      }
      return 0;
    }));
  // Walkers: every walk, whole or by key, yields each stable record exactly once.
  for (uint32_t w = 0; w < kWalkers; ++w)
    children.push_back(Spawn([w] {
      Key key = FunctKey(9);
      for (uint32_t n = 0; n < 15; ++n) {
        const Ids ids = Sids(w % 2 ? &key : nullptr).Rest();
        const std::set<uint32_t> unique(ids.begin(), ids.end());
        if (unique.size() != ids.size() ||
            std::distance(unique.begin(), unique.lower_bound(uint32_t{kStable})) != kStable)
          return 4;
      }
      return 0;
    }));
  for (pid_t pid : children) EXPECT_EQ(Wait(pid), 0);
  std::set<uint32_t> expected;
  for (uint32_t i = 0; i < kStable; ++i) expected.insert(i);
  for (uint32_t w = 0; w < kWriters; ++w)
    for (uint32_t i = 0; i < kPerWriter; ++i)
      if (i % 3 != 0) expected.insert(10000 * (w + 1) + i);
  const Ids ids = Sids(nullptr).Rest();
  EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()), expected);
  EXPECT_EQ(ids.size(), expected.size());
  EXPECT_EQ(Count(kLocalSid, FunctKey(9)), expected.size());
  EXPECT_EQ(srv6db_engine_record_count(kLocalSid), expected.size());
}

// A producer writes under smooth id 1 and exits; restarted, it re-marks the records it still
// wants with smooth id 2 and deletes the rest through a walk by the old smooth id; a third
// process sees only the re-marked records, while the log kept every change.
TEST_F(RedisBackend, RestartedProducerReconcilesAndAThirdProcessAgrees) {
  constexpr uint32_t kRecords = 900;
  Srv6DbEngineCursor at = {kLocalSid, 0, 0, 0, 0};
  ASSERT_EQ(srv6db_engine_log_head(&at), 0u);
  auto run = [](uint32_t generation) {
    for (uint32_t i = 0; i < kRecords; ++i) {
      uint32_t r = generation == 1 ? Write(kLocalSid, LocalSid(i, 9, 1))
                   : i % 3 != 0    ? UpdateSmooth(kLocalSid, PrimaryKey(i), 2)
                                   : 0;
      if (r != 0) return 1;
    }
    if (generation == 2) {
      Key stale = SmoothKey(1);
      for (uint32_t id : Sids(&stale).Rest())
        if (Remove(kLocalSid, PrimaryKey(id)) != 0) return 2;
    }
    return 0;
  };
  ASSERT_EQ(Wait(Spawn([&] { return run(1); })), 0);
  ASSERT_EQ(Wait(Spawn([&] { return run(2); })), 0);
  ASSERT_EQ(Wait(Spawn([] {
              Key fresh = SmoothKey(2), stale = SmoothKey(1);
              uint32_t kept = 0;
              for (const Bytes &r : Walk(kLocalSid, nullptr))
                kept += Word(r, 10) == 2 && Word(r, 2) % 3 != 0;
              return kept == 2 * kRecords / 3 && Count(kLocalSid, fresh) == kept &&
                             Count(kLocalSid, stale) == 0 && Sids(nullptr).Rest().size() == kept
                         ? 0
                         : 1;
            })),
            0);
  std::vector<uint32_t> kinds(3);  // creations, updates, removals
  std::vector<Srv6DbEngineChange> c(256);
  for (uint32_t n = 1; n != 0;) {
    ASSERT_EQ(srv6db_engine_read_log(&at, 1, c.data(), 256, &n, 0), 0u);
    for (uint32_t i = 0; i < n; ++i) ++kinds.at(c[i].kind);
  }
  EXPECT_EQ(kinds, (std::vector<uint32_t>{kRecords, 2 * kRecords / 3, kRecords / 3}));
}

TEST_F(RedisBackend, ServerKilledAndRestartedFromItsAppendOnlyFileLosesNoAcknowledgedRecord) {
  constexpr uint32_t kRecords = 1500;
  ASSERT_EQ(Wait(Spawn([] {
              for (uint32_t i = 0; i < kRecords; ++i)
                if (Write(kLocalSid, LocalSid(i, i % 7)) != 0) return 1;
              return 0;
            })),
            0);
  EXPECT_EQ(srv6db_engine_record_count(kLocalSid), kRecords);  // this process is connected
  ASSERT_TRUE(Server().Run("kill"));
  Bytes r;
  EXPECT_EQ(Read(kLocalSid, PrimaryKey(0), &r), SRV6DB_ENGINE_ERR_UNAVAILABLE);
  EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), SRV6DB_ENGINE_ERR_UNAVAILABLE);
  ASSERT_TRUE(Server().Run("restart"));
  EXPECT_EQ(srv6db_engine_record_count(kLocalSid), kRecords);
  for (uint32_t i = 0; i < kRecords; ++i) {
    ASSERT_EQ(Read(kLocalSid, PrimaryKey(i), &r), 0u);
    ASSERT_EQ(r, LocalSid(i, i % 7));
  }
  uint64_t byKey = 0;
  for (uint32_t f = 0; f < 7; ++f) byKey += Count(kLocalSid, FunctKey(f));
  EXPECT_EQ(byKey, kRecords);
}

// Every connection but the killer's is killed again and again while a thread writes: each
// write answers 0 or 15015, every acknowledged record is whole, and the indexes agree.
TEST_F(RedisBackend, ConnectionsKilledMidRunGiveCodesNeverCorruption) {
  constexpr uint32_t kRecords = 3000;
  std::atomic<uint32_t> progress{0};
  std::vector<uint32_t> codes(kRecords);
  std::thread writer([&] {
    for (uint32_t i = 0; i < kRecords; ++i) {
      codes[i] = Write(kLocalSid, LocalSid(i, i % 5));
      progress.store(i + 1);
    }
  });
  redisContext *killer = redisConnectUnix(Server().Socket().c_str());
  ASSERT_TRUE(killer != nullptr && killer->err == 0);
  for (uint32_t seen = 0; progress.load() < kRecords;) {
    if (progress.load() < seen + 100) continue;
    seen = progress.load();
    freeReplyObject(redisCommand(killer, "CLIENT KILL TYPE normal SKIPME yes"));
  }
  writer.join();
  redisFree(killer);
  uint32_t acknowledged = 0;
  Bytes r;
  for (uint32_t i = 0; i < kRecords; ++i) {
    ASSERT_TRUE(codes[i] == 0 || codes[i] == SRV6DB_ENGINE_ERR_UNAVAILABLE) << codes[i];
    acknowledged += codes[i] == 0;
    const bool stored = Read(kLocalSid, PrimaryKey(i), &r) == 0;
    ASSERT_TRUE(stored ? r == LocalSid(i, i % 5) : codes[i] != 0) << i;  // whole, and kept
  }
  EXPECT_LT(acknowledged, kRecords);  // some writes met a killed connection
  uint64_t whole = srv6db_engine_record_count(kLocalSid), byKey = 0;
  EXPECT_GE(whole, acknowledged);
  for (uint32_t f = 0; f < 5; ++f) byKey += Count(kLocalSid, FunctKey(f));
  EXPECT_EQ(byKey, whole);
  EXPECT_EQ(Sids(nullptr).Rest().size(), whole);
}

TEST_F(RedisBackend, BadUrlsAndUnreachableServersAnswerCodesOnEveryCall) {
  for (const char *url : {"redis://", "redis://host:99999", "unix://relative.sock", "http://x",
                          "unix:///tmp/x.sock?db=x", "redis://localhost:6379/x"}) {
    EXPECT_EQ(srv6db_engine_open(url), SRV6DB_ENGINE_ERR_BAD_URL) << url;
    EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), SRV6DB_ENGINE_ERR_BAD_URL);
    EXPECT_EQ(srv6db_engine_record_count(kLocalSid), 0u);
  }
  ASSERT_EQ(srv6db_engine_open("unix:///nonexistent/redis.sock"), 0u);
  EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), SRV6DB_ENGINE_ERR_UNAVAILABLE);
  Bytes r;
  EXPECT_EQ(Read(kLocalSid, PrimaryKey(1), &r), SRV6DB_ENGINE_ERR_UNAVAILABLE);
  EXPECT_STREQ(srv6db_engine_backend(), "redis");
  ASSERT_EQ(srv6db_engine_open(Server().Url().c_str()), 0u);
  EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
}

// The function library comes back when someone flushes it, and a connection that finds an
// older version replaces it.
TEST_F(RedisBackend, FunctionLibraryIsLoadedAgainWhenFlushedOrOutdated) {
  redisContext *c = redisConnectUnix(Server().Socket().c_str());
  ASSERT_TRUE(c != nullptr && c->err == 0);
  freeReplyObject(redisCommand(c, "FUNCTION FLUSH"));
  EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
  // Another version of the library, whose write stores nothing.
  freeReplyObject(redisCommand(c, "FUNCTION LOAD REPLACE %s",
                               "#!lua name=srv6db\nlocal function old() return 'old' end\n"
                               "redis.register_function{function_name='srv6db_version', "
                               "callback=old, flags={'no-writes'}}\n"
                               "redis.register_function('srv6db_write', old)"));
  EXPECT_EQ(Wait(Spawn([] { return Write(kLocalSid, LocalSid(2, 1)) == 0 ? 0 : 1; })), 0);
  redisFree(c);
  EXPECT_EQ(srv6db_engine_record_count(kLocalSid), 2u);
}

// A primary on a loopback TCP port and a replica of it: writes through the primary reach the
// replica (function library included), whose tables serve counts, reads and walks, and refuse
// writes with a code.
TEST(RedisPastOneMachine, ReplicaServesReadsOfWhatThePrimaryAcknowledged) {
  const std::string host = OwnLoopbackAddress();
  RedisServer primary("--port 16379 --bind " + host + " --repl-diskless-sync-delay 0");
  RedisServer replica("--replicaof " + host + " 16379");
  ASSERT_EQ(srv6db_engine_open(("redis://" + host + ":16379").c_str()), 0u);
  for (uint32_t i = 0; i < 200; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, i % 4)), 0u);
  redisContext *c = redisConnect(host.c_str(), 16379);
  freeReplyObject(redisCommand(c, "SET srv6db:barrier 1"));  // WAIT waits for this client's writes
  auto *acked = static_cast<redisReply *>(redisCommand(c, "WAIT 1 10000"));
  ASSERT_TRUE(acked != nullptr && acked->integer == 1);
  freeReplyObject(acked);
  redisFree(c);
  const std::string url = replica.Url();
  EXPECT_EQ(Wait(Spawn([&] {
              Bytes r;
              bool ok = srv6db_engine_open(url.c_str()) == 0 &&
                        Sids(nullptr).Rest().size() == 200 && Count(kLocalSid, FunctKey(3)) == 50 &&
                        Read(kLocalSid, PrimaryKey(7), &r) == 0 && r == LocalSid(7, 3) &&
                        Write(kLocalSid, LocalSid(1, 1)) == SRV6DB_ENGINE_ERR_SERVER;
              return ok ? 0 : 1;
            })),
            0);
}

}  // namespace
}  // namespace srv6db::test
