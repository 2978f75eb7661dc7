// The LMDB backend across processes: writers killed at random instants while others write and
// walk, a map that fills, a URL that does not parse. SRV6DB_ENGINE names a private store.
#include <gtest/gtest.h>
#include <lmdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>

#include "tests/engine/engine_test_util.h"

namespace srv6db::test {
namespace {

std::string StoreDir() {
  const char *url = std::getenv("SRV6DB_ENGINE");
  if (url == nullptr || std::strncmp(url, "lmdb://", 7) != 0) return "";
  const std::string path = url + 7;
  return path.substr(0, path.find('?'));
}

// Runs fn in a child process; its exit status (fn's answer), or -1 when it did not exit.
template <typename Fn>
pid_t Spawn(Fn fn) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) std::exit(fn());  // exit, not _exit: the thread's reader slot is given back
  return pid;
}
int Status(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Ack {
  uint32_t id, version;
};

// Rewrites keys base..base+kKeys-1, each write moving the record's function id and smooth id
// keys; acknowledges each stored version on fd. Answers 1 on any failure.
constexpr uint32_t kKeys = 50;
int Writer(uint32_t base, uint32_t firstVersion, int fd, const std::atomic<bool> *stop) {
  for (uint32_t v = firstVersion; !stop->load(); ++v) {
    const uint32_t id = base + v % kKeys;
    if (Write(kLocalSid, LocalSid(id, v % 7, v)) != 0) return 1;
    Bytes out;
    if (Read(kLocalSid, PrimaryKey(id), &out) != 0 || Word(out, 10) != v) return 1;
    const Ack ack{id, v};
    if (write(fd, &ack, sizeof(ack)) != sizeof(ack)) return 1;
  }
  return 0;
}

// Walks the table, batched, again and again: every step reads, no record twice.
int WalkAgain(const std::atomic<bool> *stop) {
  while (!stop->load()) {
    Sids walk(nullptr);
    uint32_t batch = 16;
    if (db_set_root_iterator_property(walk.it, DB_ITER_PROP_COUNT, &batch, 4) != 0) return 2;
    const Ids ids = walk.Rest();
    if (std::set<uint32_t>(ids.begin(), ids.end()).size() != ids.size() ||
        std::count(ids.begin(), ids.end(), ~0u))
      return 2;
    if (Count(kLocalSid, FunctKey(3)) > 1000) return 2;
  }
  return 0;
}

void Report(uint32_t, const char *what, void *) { ADD_FAILURE() << what; }

TEST(LmdbBackend, KilledWritersLeaveAConsistentStoreAndLoseNoAcknowledgedChange) {
  ASSERT_FALSE(StoreDir().empty()) << "SRV6DB_ENGINE must name an lmdb:// store";
  const char *env = std::getenv("SRV6DB_CRASH_KILLS");
  const int kills = env != nullptr ? std::atoi(env) : 20;
  srv6db_engine_reset();
  auto *stop = static_cast<std::atomic<bool> *>(
      mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(stop, MAP_FAILED);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  // The acknowledgements, read between kills by this thread alone: the process forks, so it
  // runs no other thread.
  std::map<uint32_t, uint32_t> acked;  // id -> latest acknowledged version
  auto drain = [&](int64_t forUs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(forUs);
    for (auto now = std::chrono::steady_clock::now(); forUs < 0 || now < until;
         now = std::chrono::steady_clock::now()) {
      const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(until - now).count();
      const timespec wait{left / 1'000'000'000, left % 1'000'000'000};
      pollfd p{fds[0], POLLIN, 0};
      if (ppoll(&p, 1, forUs < 0 ? nullptr : &wait, nullptr) <= 0) continue;
      Ack a[512];
      const ssize_t n = read(fds[0], a, sizeof(a));
      if (n <= 0) return;
      for (ssize_t i = 0; i < n / ssize_t{sizeof(Ack)}; ++i)
        acked[a[i].id] = std::max(acked[a[i].id], a[i].version);
    }
  };
  // Survivors: a writer and a walker that must carry on through every kill.
  const pid_t survivors[] = {Spawn([&] { return Writer(0, 1, fds[1], stop); }),
                             Spawn([&] { return WalkAgain(stop); })};
  std::mt19937 rng(static_cast<uint32_t>(getpid()));
  pid_t victim = Spawn([&] { return Writer(1000, 1, fds[1], stop); });
  for (int k = 1; k <= kills; ++k) {
    drain(500 + rng() % 20000);
    kill(victim, SIGKILL);
    ASSERT_EQ(Status(victim), -1);
    // Its successor takes the same keys, with versions above any the victim wrote.
    victim = Spawn([&] { return Writer(1000, uint32_t(k) * 10'000'000u, fds[1], stop); });
  }
  drain(50'000);
  stop->store(true);
  close(fds[1]);
  drain(-1);  // to the end of the acknowledgements: every writer has exited
  close(fds[0]);
  EXPECT_EQ(Status(victim), 0);
  for (pid_t p : survivors) EXPECT_EQ(Status(p), 0) << "a survivor failed";

  uint64_t problems = ~0ull;
  EXPECT_EQ(srv6db_engine_check(Report, nullptr, &problems), 0u);
  EXPECT_EQ(problems, 0u);
  ASSERT_GE(acked.size(), 2 * kKeys);
  for (const auto &[id, version] : acked) {
    Bytes out;
    ASSERT_EQ(Read(kLocalSid, PrimaryKey(id), &out), 0u) << id;
    EXPECT_GE(Word(out, 10), version) << "acknowledged version lost for " << id;
  }
  // No reader slot of a dead process is left: the successors reclaimed them when they opened.
  const std::string dir = StoreDir();
  EXPECT_EQ(Status(Spawn([&] {
              MDB_env *e = nullptr;
              int dead = -1;
              if (mdb_env_create(&e) || mdb_env_open(e, dir.c_str(), MDB_NOTLS, 0660)) return 99;
              mdb_reader_check(e, &dead);
              mdb_env_close(e);
              return dead;
            })),
            0);
}

// A store whose map is full answers a clear code and keeps every record it acknowledged; a
// removal makes room again. A URL that does not parse answers 15014 from every call.
TEST(LmdbBackend, AFullMapAnswersNoResourcesAndLosesNothing) {
  const std::string dir = StoreDir() + "-tiny";
  EXPECT_EQ(Status(Spawn([&] {
              if (srv6db_engine_open(("lmdb://" + dir + "?map_size=1m").c_str()) != 0) return 1;
              srv6db_engine_set_log_retention(16);  // a log of its own size: removals log too
              uint32_t n = 0, code = 0;
              while ((code = Write(kLocalSid, LocalSid(n + 1, n, n))) == 0) ++n;
              if (code != SRV6DB_ENGINE_ERR_NO_RESOURCES || n < 100) return 2;
              if (srv6db_engine_record_count(kLocalSid) != n) return 3;
              for (uint32_t id = 1; id <= n; ++id)  // the map's last pages serve removals
                if (Remove(kLocalSid, PrimaryKey(id)) != 0) return 5;
              if (Write(kLocalSid, LocalSid(1, 0, 0)) != 0) return 6;
              uint64_t problems = 1;
              return srv6db_engine_check(nullptr, nullptr, &problems) == 0 && problems == 0 ? 0 : 4;
            })),
            0);
  for (const char *url :
       {"lmdb:relative/dir", "lmdb:///", "lmdb:///d?map_size=12q", "lmdb:///d?sync=maybe"}) {
    EXPECT_EQ(Status(Spawn([&] {
                return srv6db_engine_open(url) == SRV6DB_ENGINE_ERR_BAD_URL &&
                               Write(kLocalSid, LocalSid(1, 0)) == SRV6DB_ENGINE_ERR_BAD_URL
                           ? 0
                           : 1;
              })),
              0)
        << url;
  }
}

}  // namespace
}  // namespace srv6db::test
