// The Redis column: engine operations on the Redis backend against a private redis-server
// (Unix socket, append-only file), with a bare round trip (PING, an empty function call)
// measured in the same run as the floor; writer processes; the reconciliation of a restarted
// producer on both backends; and the server's memory per record. Prints a Markdown table.
// Usage: srv6db_redis_bench [--records=N] (default 10000; reconciliation uses 10 N).
#include <hiredis/hiredis.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "engine/srv6db_engine.h"

namespace {

constexpr uint32_t kTable = 6;  // local SID: 68-byte records, function id and smooth indexes
constexpr uint32_t kSize = 68;
constexpr uint32_t kGroup = 64;  // records sharing a function id

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

bool g_failed = false;

void Check(uint32_t code, const char *what) {
  if (code != 0 && !g_failed) std::fprintf(stderr, "%s failed: %u\n", what, code);
  if (code != 0) g_failed = true;
}

Bytes Record(uint32_t id, uint32_t smoothId) {
  Bytes r(kSize, 0);
  const uint32_t vrId = 1, vrfIndex = 2, functId = id / kGroup;
  std::memcpy(&r[0], &vrId, 4);
  std::memcpy(&r[4], &vrfIndex, 4);
  std::memcpy(&r[8], &id, 4);
  std::memcpy(&r[28], &functId, 4);
  std::memcpy(&r[40], &smoothId, 4);
  return r;
}

// Key info and bytes of index `index` (0 primary, 1 function id, 2 smooth) of a record.
struct Key {
  uint8_t info[16] = {};
  uint8_t data[64] = {};
  Key(uint32_t index, const Bytes &r) {
    Srv6DbEngineSchema s;
    srv6db_engine_schema(kTable, &s);
    const Srv6DbEngineIndex &k = s.indexes[index];
    std::memcpy(info, &k.keyWord, 4);
    uint32_t at = 0;
    for (uint32_t i = 0; i < k.segmentCount; ++i) {
      std::memcpy(data + at, &r[k.segments[i].offset], k.segments[i].length);
      at += k.segments[i].length;
    }
  }
};

uint32_t Write(const Bytes &r) {
  void *o = nullptr;
  uint32_t c = db_create_srv6_local_sid_obj(DB_OP_WRITE, 0, &o);
  if (c == 0) c = db_set_srv6_local_sid_all_fields(o, r.data(), kSize);
  if (c == 0) c = db_write_obj(o);
  db_release_srv6_local_sid_object(o);
  return c;
}

uint32_t Keyed(uint32_t op, const Key &k, uint32_t smoothId = 0) {
  void *o = nullptr;
  uint32_t c = db_create_srv6_local_sid_obj(op, 0, &o);
  uint8_t buf[kSize];
  uint64_t n = 0;
  if (c == 0 && op == DB_OP_READ) c = db_read_obj_with_buf(o, k.info, k.data, buf, kSize);
  if (c == 0 && op == DB_OP_COUNT) c = db_get_table_record_count_by_key(o, k.info, k.data, &n);
  if (c == 0 && op == DB_OP_REMOVE) c = db_remove_obj(o, k.info, k.data);
  if (c == 0 && op == DB_OP_UPDATE) c = db_set_srv6_local_sid_table_smooth_id(o, smoothId);
  if (c == 0 && op == DB_OP_UPDATE) c = db_update_obj(o, k.info, k.data);
  db_release_srv6_local_sid_object(o);
  return c;
}

// Walks a key (null: the whole table) in batches of `batch`, calling fn per record.
uint32_t WalkKey(const Key *k, uint32_t batch, const std::function<void(const uint8_t *)> &fn) {
  void *o = nullptr, *it = nullptr;
  uint32_t c = db_create_srv6_local_sid_obj(DB_OP_QUERY, 0, &o);
  if (c == 0) c = db_create_root_iter(o, k ? k->info : nullptr, k ? k->data : nullptr, &it);
  if (c == 0) c = db_set_root_iterator_property(it, DB_ITER_PROP_COUNT, &batch, 4);
  uint32_t walked = 0;
  uint8_t buf[kSize];
  while (c == 0 && db_root_iterator_next(it) == 0) {
    c = db_read_obj_with_buf(o, nullptr, nullptr, buf, kSize);
    fn(buf);
    ++walked;
  }
  db_release_srv6_local_sid_object(o);
  Check(c, "walk");
  return walked;
}

double Seconds(const std::function<void()> &fn) {
  auto start = Clock::now();
  fn();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of three: the machine is shared.
double Best(const std::function<double()> &fn) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) best = std::min(best, fn());
  return best;
}

double Us(double seconds, uint32_t n) { return seconds * 1e6 / n; }

// Fills the table with n records (smooth id 1), re-marks two thirds with smooth id 2, and
// deletes the rest through a walk by smooth id 1; answers the seconds the last two took.
double Reconcile(uint32_t n) {
  srv6db_engine_reset();
  for (uint32_t i = 0; i < n; ++i) Check(Write(Record(i, 1)), "fill");
  return Seconds([&] {
    for (uint32_t i = 0; i < n; ++i)
      if (i % 3 != 0) Check(Keyed(DB_OP_UPDATE, Key(0, Record(i, 0)), 2), "re-mark");
    Key stale(2, Record(0, 1));
    WalkKey(&stale, 256, [&](const uint8_t *r) {
      Check(Keyed(DB_OP_REMOVE, Key(0, Bytes(r, r + kSize))), "delete stale");
    });
  });
}

uint64_t UsedMemory(redisContext *c) {
  auto *r = static_cast<redisReply *>(redisCommand(c, "INFO memory"));
  const char *at = r != nullptr ? std::strstr(r->str, "used_memory:") : nullptr;
  uint64_t v = at != nullptr ? std::strtoull(at + 12, nullptr, 10) : 0;
  freeReplyObject(r);
  return v;
}

int Run(const std::string &sock, uint32_t n) {
  const std::string url = "unix://" + sock;
  // The in-memory reconciliation first, in a child that chooses memory before any call.
  int pipefd[2];
  if (pipe(pipefd) != 0) return 1;
  pid_t child = fork();
  if (child == 0) {
    srv6db_engine_open("memory");
    double s = Reconcile(10 * n);
    _exit(write(pipefd[1], &s, sizeof(s)) == sizeof(s) ? 0 : 1);
  }
  double memoryReconcile = 0;
  waitpid(child, nullptr, 0);
  if (read(pipefd[0], &memoryReconcile, sizeof(memoryReconcile)) != sizeof(memoryReconcile))
    return 1;
  if (srv6db_engine_open(url.c_str()) != 0) return 1;

  redisContext *c = redisConnectUnix(sock.c_str());
  if (c == nullptr || c->err != 0) return 1;
  srv6db_engine_reset();  // connects, loads the function library
  auto command = [&](const char *cmd) {
    return Best([&] {
      return Us(Seconds([&] {
                  for (uint32_t i = 0; i < n; ++i) freeReplyObject(redisCommand(c, cmd));
                }),
                n);
    });
  };
  const double ping = command("PING"), empty = command("FCALL_RO srv6db_version 0");

  std::vector<uint32_t> order(n);
  for (uint32_t i = 0; i < n; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  std::vector<std::pair<std::string, double>> rows;
  auto keyed = [&](const char *name, const std::function<void(uint32_t)> &op) {
    rows.emplace_back(name, Best([&] {
                        return Us(Seconds([&] {
                                    for (uint32_t i : order) op(i);
                                  }),
                                  n);
                      }));
  };
  srv6db_engine_reset();
  rows.emplace_back("create", Us(Seconds([&] {
                                   for (uint32_t i : order) Check(Write(Record(i, 1)), "create");
                                 }),
                                 n));
  keyed("read", [](uint32_t i) { Check(Keyed(DB_OP_READ, Key(0, Record(i, 0))), "read"); });
  keyed("count_by_key",
        [](uint32_t i) { Check(Keyed(DB_OP_COUNT, Key(1, Record(i, 0))), "count"); });
  keyed("update_smooth",
        [](uint32_t i) { Check(Keyed(DB_OP_UPDATE, Key(0, Record(i, 0)), i % 2 + 1), "update"); });
  for (uint32_t batch : {1u, 16u, 64u, 256u}) {
    std::string name = "walk, batch " + std::to_string(batch) + " (per record)";
    rows.emplace_back(name, Best([&] {
                        uint32_t walked = 0;
                        double s = Seconds([&] { walked = WalkKey(nullptr, batch, [](auto) {}); });
                        return Us(s, std::max(walked, 1u));
                      }));
  }
  rows.emplace_back("remove", Us(Seconds([&] {
                                   for (uint32_t i : order)
                                     Check(Keyed(DB_OP_REMOVE, Key(0, Record(i, 0))), "remove");
                                 }),
                                 n));

  // Writer processes: n records in all, split between them.
  std::vector<std::pair<uint32_t, double>> writers;
  for (uint32_t procs : {1u, 2u, 4u}) {
    srv6db_engine_reset();
    double s = Seconds([&] {
      std::vector<pid_t> pids;
      for (uint32_t p = 0; p < procs; ++p) {
        pid_t pid = fork();
        if (pid == 0) {
          uint32_t bad = 0;
          for (uint32_t i = p; i < n; i += procs) bad += Write(Record(i, 1)) != 0;
          _exit(bad == 0 ? 0 : 1);
        }
        pids.push_back(pid);
      }
      for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        if (status != 0) g_failed = true;
      }
    });
    writers.emplace_back(procs, n / s);
  }

  srv6db_engine_reset();
  const uint64_t before = UsedMemory(c);
  const double redisReconcile = Reconcile(10 * n);
  srv6db_engine_reset();
  for (uint32_t i = 0; i < 10 * n; ++i) Write(Record(i, 1));
  const double perRecord = double(UsedMemory(c) - before) / (10 * n);
  srv6db_engine_reset();
  redisFree(c);

  std::printf("| Redis backend, local SID (68 B), %u records | µs |\n|---|---:|\n", n);
  std::printf("| floor: PING round trip | %.1f |\n| floor: empty function call | %.1f |\n", ping,
              empty);
  for (const auto &[name, us] : rows) std::printf("| %s | %.1f |\n", name.c_str(), us);
  for (const auto &[procs, rate] : writers)
    std::printf("| %u writer process%s: records/s | %.0f |\n", procs, procs > 1 ? "es" : "", rate);
  std::printf(
      "| reconcile %u records (re-mark 2/3, walk by old smooth id, delete 1/3): "
      "in-memory, ms | %.1f |\n",
      10 * n, memoryReconcile * 1e3);
  std::printf("| the same on Redis, ms | %.1f |\n", redisReconcile * 1e3);
  std::printf("| Redis memory per record, bytes (record + keys: %u) | %.0f |\n", 68 + 25 + 12 + 12,
              perRecord);
  return g_failed ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
  uint32_t n = 10000;
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--records=", 10) == 0) n = std::strtoul(argv[i] + 10, nullptr, 10);
  char dir[] = "/dev/shm/srv6db-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  const std::string script = std::string(SRV6DB_SOURCE_DIR) + "/scripts/redis-server";
  if (std::system((script + " start " + dir).c_str()) != 0) return 1;
  int rc = Run(std::string(dir) + "/redis.sock", n);
  std::system((script + " stop " + dir).c_str());
  return rc;
}
