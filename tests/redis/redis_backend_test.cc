// The Redis backend shared by processes: concurrent writers and walkers, reconciliation after
// a producer restarts, a server killed and restarted from its append-only file (records and
// change log), killed consumers, connections killed mid-run, bad URLs, a replica.
#include <hiredis/hiredis.h>
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
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
  Srv6DbEngineCursor from = {kLocalSid, 0, 0, 0, 0};
  ASSERT_EQ(srv6db_engine_log_head(&from), 0u);
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
  // The log came back too, every revision in order. The restarted server's first change opens
  // a new epoch: a reader that held nothing past what survived goes on, one beyond is told.
  Srv6DbEngineCursor beyond = from;
  ++beyond.revision;
  from.revision = 0;
  std::vector<Srv6DbEngineChange> c(kRecords);
  uint32_t n = 0;
  ASSERT_EQ(srv6db_engine_read_log(&from, 1, c.data(), kRecords, &n, 0), 0u);
  ASSERT_EQ(n, kRecords);
  for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(c[i].revision, i + 1);
  ASSERT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
  ASSERT_EQ(srv6db_engine_read_log(&from, 1, c.data(), kRecords, &n, 0), 0u);
  EXPECT_EQ(n, 1u);
  EXPECT_NE(from.epoch, beyond.epoch);
  EXPECT_EQ(srv6db_engine_read_log(&beyond, 1, c.data(), 1, &n, 0), SRV6DB_ENGINE_ERR_LOG_GAP);
}

// A hundred consumers blocked on the log, killed, leave the server as it was: its key count
// and its client list (nothing on the server belongs to a consumer).
TEST_F(RedisBackend, KilledConsumersLeaveNoTrace) {
  ASSERT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
  redisContext *admin = redisConnectUnix(Server().Socket().c_str());
  ASSERT_TRUE(admin != nullptr && admin->err == 0);
  auto number = [admin](const char *command) {  // an integer, or the lines of a text
    auto *r = static_cast<redisReply *>(redisCommand(admin, command));
    const long long v =
        r->type == REDIS_REPLY_INTEGER ? r->integer : std::count(r->str, r->str + r->len, '\n');
    freeReplyObject(r);
    return v;
  };
  const long long keys = number("DBSIZE"), clients = number("CLIENT LIST");
  std::vector<pid_t> consumers;
  for (int i = 0; i < 100; ++i)
    consumers.push_back(Spawn([] {
      Srv6DbEngineCursor at = {kLocalSid, 0, 0, 0, 0};
      std::vector<Srv6DbEngineChange> c(8);
      for (uint32_t n = 0; srv6db_engine_log_head(&at) == 0;)
        srv6db_engine_read_log(&at, 1, c.data(), 8, &n, 60000);
      return 1;
    }));
  for (int i = 0; i < 400 && number("CLIENT LIST") < clients + 200; ++i) usleep(50000);
  EXPECT_EQ(number("CLIENT LIST"), clients + 200);  // a connection and a blocking one each
  for (pid_t pid : consumers) EXPECT_EQ((kill(pid, SIGKILL), Wait(pid)), 128 + SIGKILL);
  for (int i = 0; i < 200 && number("CLIENT LIST") != clients; ++i) usleep(50000);
  EXPECT_EQ(number("CLIENT LIST"), clients);
  EXPECT_EQ(number("DBSIZE"), keys);
  redisFree(admin);
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

// The function library comes back when someone flushes it; values read back from the server
// are checked; a table claimed by a build with another layout is left alone; a write no
// replica confirms is "maybe applied".
TEST_F(RedisBackend, FlushedLibraryGarbageLayoutsAndMissingReplicasAnswerTheirCodes) {
  redisContext *c = redisConnectUnix(Server().Socket().c_str());
  ASSERT_TRUE(c != nullptr && c->err == 0);
  freeReplyObject(redisCommand(c, "FUNCTION FLUSH"));
  const std::string base = std::string("srv6db:{") + SchemaOf(kLocalSid).name + "}:";
  ASSERT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
  freeReplyObject(redisCommand(c, "SET %s nonsense", (base + "seq").c_str()));
  Obj o(kLocalSid, DB_OP_QUERY);
  void *it = nullptr;
  EXPECT_EQ(db_create_root_iter(o.get(), nullptr, nullptr, &it), SRV6DB_ENGINE_ERR_SERVER);
  freeReplyObject(redisCommand(c, "SET %s 5", (base + "seq").c_str()));
  freeReplyObject(redisCommand(c, "ZADD %s 1.5 x", (base + "all").c_str()));
  Walker walk(kLocalSid, nullptr);
  uint32_t code = 0;
  while ((code = walk.Next()) == 0) {
  }
  EXPECT_EQ(code, SRV6DB_ENGINE_ERR_SERVER);
  freeReplyObject(redisCommand(c, "SET %s other", (base + "layout").c_str()));
  EXPECT_EQ(Write(kLocalSid, LocalSid(2, 1)), SRV6DB_ENGINE_ERR_LAYOUT);
  EXPECT_EQ(Remove(kLocalSid, PrimaryKey(1)), SRV6DB_ENGINE_ERR_LAYOUT);
  redisFree(c);
  srv6db_engine_reset();
  ASSERT_EQ(srv6db_engine_open((Server().Url() + "?wait=1&wait_ms=50").c_str()), 0u);
  EXPECT_EQ(Write(kLocalSid, LocalSid(3, 1)), SRV6DB_ENGINE_ERR_UNAVAILABLE);
  Bytes r;
  EXPECT_EQ(Read(kLocalSid, PrimaryKey(3), &r), 0u);  // applied, but not acknowledged
  ASSERT_TRUE(Server().Run("freeze"));  // an open connection gives up after 2 s, retry included
  const auto frozen = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(kLocalSid, PrimaryKey(3), &r), SRV6DB_ENGINE_ERR_UNAVAILABLE);
  EXPECT_LT(std::chrono::steady_clock::now() - frozen, std::chrono::milliseconds(3500));
  ASSERT_TRUE(Server().Run("thaw"));
}

// The engine's least-privilege ACL rule, as the README gives it.
constexpr char kRule[] =
    "'~srv6db:*' resetchannels -@all +fcall +fcall_ro +select +wait +role +get +hget +hlen "
    "+hexists +zcard +set +del +hset +hdel +hmget +incr +zadd +zrem +zrange +time +xadd "
    "+xrange +xrevrange +xread";

// A server with a password and ACL users: URLs, a password file and the environment
// authenticate every connection, reconnects included; failures have their own codes, and no
// password reaches the output.
TEST(RedisCredentials, EveryConnectionAuthenticatesAndFailuresSayWhy) {
  const std::string at = OwnLoopbackAddress() + ":16390", pw = "p%40ss%3Aw%20rd";
  RedisServer server("--port 16390 --bind " + at.substr(0, at.find(':')) +
                     " --requirepass 'p@ss:w rd' --user srv6db on '>u-pw' " + kRule +
                     " --user weak on '>u-pw' '~*' +@all -hget");
  char file[] = "/tmp/srv6db-password.XXXXXX";
  const int fd = mkstemp(file);
  ASSERT_EQ(write(fd, "p@ss:w rd\n", 10), 10);
  close(fd);
  const std::string sock = "unix://:" + pw + "@" + server.Socket();
  const struct {
    std::string url;
    const char *env;
    uint32_t code;
  } cases[] = {
      {"redis://:" + pw + "@" + at, nullptr, 0},
      {"redis://default:" + pw + "@" + at + "/3", nullptr, 0},
      {sock + "?db=1", nullptr, 0},
      {"redis://" + at + "?password_file=" + file, nullptr, 0},
      {"redis://" + at, "p@ss:w rd", 0},
      {"redis://srv6db@" + at + "/2", "u-pw", 0},
      {"redis://" + at, nullptr, SRV6DB_ENGINE_ERR_AUTH},
      {"redis://:wrong@" + at, nullptr, SRV6DB_ENGINE_ERR_AUTH},
      {"redis://srv6db:wrong@" + at, "p@ss:w rd", SRV6DB_ENGINE_ERR_AUTH},
      {"redis://weak:u-pw@" + at, nullptr, SRV6DB_ENGINE_ERR_NO_PERMISSION},
      {sock + "?db=99", nullptr, SRV6DB_ENGINE_ERR_SERVER},
      {"redis://:" + pw + "@" + at.substr(0, at.find(':')) + ":1", nullptr,
       SRV6DB_ENGINE_ERR_UNAVAILABLE},
      {"unix:///nonexistent/redis.sock", nullptr, SRV6DB_ENGINE_ERR_UNAVAILABLE},
      {"redis://" + at + "?password_file=/nonexistent", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://:" + pw + "@", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://:" + pw + "@" + at + "/1/2", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://" + at + "?wait=x", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://" + at + "?bogus=1", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://" + at + "?replica=1", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://" + at + "#x", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis://host:99999", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"unix://:" + pw + "@relative.sock", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"unix:///tmp/x.sock?db=x", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"http://" + at, nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis+sentinel://" + at + ",/service", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis+sentinel://" + at, nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis+sentinel://" + at + "/service/x", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
      {"redis+sentinel://u:" + pw + "@a:1,b:x/service", nullptr, SRV6DB_ENGINE_ERR_BAD_URL},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    if (cases[i].env != nullptr)
      setenv("SRV6DB_REDIS_PASSWORD", cases[i].env, 1);
    else
      unsetenv("SRV6DB_REDIS_PASSWORD");
    testing::internal::CaptureStderr();
    const uint32_t open = srv6db_engine_open(cases[i].url.c_str());
    EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), cases[i].code) << "case " << i;  // no URL shown
    EXPECT_EQ(open, cases[i].code == SRV6DB_ENGINE_ERR_BAD_URL ? cases[i].code : 0) << i;
    const std::string err = testing::internal::GetCapturedStderr();
    for (const char *secret : {"p@ss", "%40ss", "u-pw", "wrong"})
      EXPECT_EQ(err.find(secret), std::string::npos) << "case " << i;
  }
  unlink(file);
  // Loading the function library is an administrator's act; it deletes other versions.
  redisContext *admin = redisConnect(at.substr(0, at.find(':')).c_str(), 16390);
  freeReplyObject(redisCommand(admin, "AUTH %s", "p@ss:w rd"));
  freeReplyObject(redisCommand(admin, "FUNCTION FLUSH"));
  freeReplyObject(redisCommand(admin, "FUNCTION LOAD %s",
                               "#!lua name=srv6db_old\nredis.register_function("
                               "'srv6db_version_old', function() return 1 end)"));
  setenv("SRV6DB_REDIS_PASSWORD", "u-pw", 1);
  ASSERT_EQ(srv6db_engine_open(("redis://srv6db@" + at).c_str()), 0u);
  EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), SRV6DB_ENGINE_ERR_NO_LIBRARY);
  EXPECT_EQ(srv6db_engine_load_functions(), SRV6DB_ENGINE_ERR_NO_LIBRARY);
  ASSERT_EQ(srv6db_engine_open(("redis://:" + pw + "@" + at).c_str()), 0u);
  EXPECT_EQ(srv6db_engine_load_functions(), 0u);
  auto *libs = static_cast<redisReply *>(redisCommand(admin, "FUNCTION LIST"));
  EXPECT_EQ(libs->elements, 1u);
  freeReplyObject(libs);
  // The least-privilege user runs the table suite, and authenticates again after a kill.
  ASSERT_EQ(srv6db_engine_open(("redis://srv6db@" + at).c_str()), 0u);
  EXPECT_EQ(Write(kLocalSid, LocalSid(1, 1)), 0u);
  freeReplyObject(redisCommand(admin, "CLIENT KILL USER srv6db"));
  Bytes r;
  EXPECT_EQ(Read(kLocalSid, PrimaryKey(1), &r), 0u);
  redisFree(admin);
  EXPECT_EQ(
      std::system(("SRV6DB_ENGINE=redis://srv6db@" + at + " " SRV6DB_TABLE_TESTS " --gtest_brief=1")
                      .c_str()),
      0);
  unsetenv("SRV6DB_REDIS_PASSWORD");
}

// A primary, two replicas and three sentinels on this process's loopback address; writer
// processes write through the sentinels while the primary is killed (or frozen). Writes answer
// 0 or 15015 and resume without a restart, and the new primary holds every acknowledged one.
// A replica serves reads and refuses writes. SRV6DB_FAILOVER="FAULT OPTIONS WRITERS" (as
// tests/redis/failover-figures sets it) prints the figures of one run instead.
TEST(RedisPastOneMachine, WritesResumeAfterThePrimaryDiesAndWaitedOnesSurvive) {
  using Clock = std::chrono::steady_clock;
  char fault[8] = "kill", options[32] = "?wait=1";
  uint32_t writers = 2;
  if (const char *env = std::getenv("SRV6DB_FAILOVER"))
    std::sscanf(env, "%7s %31s %u", fault, options, &writers);
  if (options[0] == '-') options[0] = '\0';
  constexpr uint32_t kMax = 100000;
  const std::string host = OwnLoopbackAddress(), announce = " --replica-announce-ip " + host;
  RedisServer primary("--port 16400 --bind " + host + announce + " --repl-diskless-sync-delay 0");
  std::vector<std::unique_ptr<RedisServer>> servers;  // replicas, then sentinels
  for (int port : {16401, 16402})
    servers.push_back(std::make_unique<RedisServer>("--port " + std::to_string(port) + " --bind " +
                                                    host + announce + " --replicaof " + host +
                                                    " 16400"));
  for (int port : {26400, 26401, 26402})
    servers.push_back(std::make_unique<RedisServer>(
        host + " " + std::to_string(port) + " srv6db " + host + " 16400", "sentinel"));
  ASSERT_TRUE(servers.back()->Run("quorum"));
  const std::string url =
      "redis+sentinel://" + host + ":26400," + host + ":26401," + host + ":26402/srv6db";
  ASSERT_EQ(srv6db_engine_open((url + "?wait=2").c_str()), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(kMax * writers, 3)), 0u);
  // With ?replica=1 reads, counts and walks go to a replica the sentinels name (one of them
  // served a read); a replica refuses writes.
  const std::string replica = "redis://" + host + ":16401";
  EXPECT_EQ(Wait(Spawn([&] {
              Bytes r;
              const bool read = srv6db_engine_open((url + "?replica=1").c_str()) == 0 &&
                                Read(kLocalSid, PrimaryKey(kMax * writers), &r) == 0 &&
                                Count(kLocalSid, FunctKey(3)) == 1 &&
                                Sids(nullptr).Rest().size() == 1;
              return read && srv6db_engine_open(replica.c_str()) == 0 &&
                             Write(kLocalSid, LocalSid(1, 1)) == SRV6DB_ENGINE_ERR_SERVER
                         ? 0
                         : 1;
            })),
            0);
  uint32_t replicasRead = 0;
  for (int port : {16401, 16402}) {
    redisContext *c = redisConnect(host.c_str(), port);
    auto *info = static_cast<redisReply *>(redisCommand(c, "INFO commandstats"));
    replicasRead += std::strstr(info->str, "cmdstat_hget:") != nullptr;
    freeReplyObject(info);
    redisFree(c);
  }
  EXPECT_EQ(replicasRead, 1u);
  // Each write's time (ns after `start`): positive when acknowledged, negative when it failed;
  // then a stop flag.
  const size_t bytes = (kMax * writers + 1) * 8;
  auto *acked = static_cast<std::atomic<int64_t> *>(
      mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  const Clock::time_point start = Clock::now();
  auto since = [start] { return (Clock::now() - start).count() + 1; };
  std::vector<pid_t> children;
  for (uint32_t w = 0; w < writers; ++w)
    children.push_back(Spawn([&, w] {
      if (srv6db_engine_open((url + options).c_str()) != 0) return 1;
      for (uint32_t i = 0; i < kMax && acked[kMax * writers] == 0; ++i) {
        const uint32_t code = Write(kLocalSid, LocalSid(w * kMax + i, 1));
        acked[w * kMax + i] = code == 0 ? since() : -since();
        if (code != 0 && code != SRV6DB_ENGINE_ERR_UNAVAILABLE) return 2;
      }
      return 0;
    }));
  usleep(1000000);
  const int64_t faulted = since();
  EXPECT_TRUE(primary.Run(fault));
  usleep(8000000);
  acked[kMax * writers] = 1;
  for (pid_t pid : children) EXPECT_EQ(Wait(pid), 0);
  // Recovery: the first write acknowledged after the first that failed since the fault.
  int64_t failed = INT64_MAX, first = INT64_MAX;
  for (uint32_t i = 0; i < kMax * writers; ++i)
    if (-acked[i] > faulted) failed = std::min(failed, -acked[i]);
  ASSERT_EQ(srv6db_engine_open(url.c_str()), 0u);  // not the frozen primary's connection
  uint32_t lost = 0;
  for (uint32_t i = 0; i < kMax * writers; ++i) {
    const int64_t t = acked[i];
    if (t > failed) first = std::min(first, t);
    Bytes r;
    lost += t > 0 && Read(kLocalSid, PrimaryKey(i), &r) != 0;
  }
  primary.Run("thaw");
  munmap(acked, bytes);
  const double seconds = (first - faulted) / 1e9;
  if (std::getenv("SRV6DB_FAILOVER") != nullptr)
    std::printf("failover %.2f s lost %u\n", seconds, lost);
  else
    EXPECT_TRUE(seconds < 7.0 && lost == 0) << seconds << " s, " << lost << " lost";
}

}  // namespace
}  // namespace srv6db::test
