// The change log's cost and speed on whichever backend SRV6DB_ENGINE names: a write with no
// follower and with one blocked follower (for instructions per write, run under callgrind with
// --toggle-collect='*WritePass*'; on Redis, read the server's INFO commandstats), and the
// latency from a write's return to a blocked follower returning it, p50/p99, idle and with
// four writers running, with the follower's and the writers' throughput.
// Usage: srv6db_log_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/engine_api.h"
#include "engine/srv6db_engine.h"

namespace {

constexpr uint32_t kTable = 6;  // local SID: 68-byte records
constexpr uint32_t kSize = 68;
constexpr uint32_t kKeys = 1000;
using Clock = std::chrono::steady_clock;

uint64_t Now() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
          .count());
}

// A local SID record of key id, carrying the time it was written in its last eight bytes.
void Write(uint32_t id, uint64_t stamp) {
  uint8_t r[kSize] = {};
  std::memcpy(r + 8, &id, 4);
  std::memcpy(r + kSize - 8, &stamp, 8);
  void *o = nullptr;
  db_create_srv6_local_sid_obj(DB_OP_WRITE, 0, &o);
  db_set_srv6_local_sid_all_fields(o, r, kSize);
  db_write_obj(o);
  db_release_srv6_local_sid_object(o);
}

__attribute__((noinline)) void WritePass(uint32_t n, uint32_t salt) {
  for (uint32_t i = 0; i < n; ++i) Write((i + salt) % kKeys, i);
}

std::vector<uint64_t> g_ages;  // the follower's, read once it stopped

// A follower blocked on the log until stopped; it records each change's age when it returns it.
struct Follower {
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> seen{0};
  std::atomic<uint64_t> gaps{0};
  std::thread thread;

  Follower() {
    g_ages.clear();
    Srv6DbEngineCursor at = {};
    at.table = kTable;
    srv6db_engine_log_head(&at);
    thread = std::thread([this, at]() mutable {
      std::vector<Srv6DbEngineChange> batch(256);
      while (!stop.load()) {
        uint32_t n = 0;
        const uint32_t r = srv6db_engine_read_log(&at, 1, batch.data(), 256, &n, 100);
        if (r == SRV6DB_ENGINE_ERR_LOG_GAP) {
          gaps.fetch_add(1);
          srv6db_engine_log_head(&at);
        }
        const uint64_t now = Now();
        for (uint32_t i = 0; i < n; ++i) {
          uint64_t stamp;
          std::memcpy(&stamp, batch[i].record + kSize - 8, 8);
          if (stamp > 1'000'000'000) g_ages.push_back(now - stamp);
        }
        seen.fetch_add(n);
      }
    });
  }
  ~Follower() {
    stop = true;
    thread.join();
  }
};

void BM_Write(benchmark::State &state) {
  std::unique_ptr<Follower> follower;
  if (state.range(0) != 0) follower = std::make_unique<Follower>();
  uint32_t salt = 0;
  for (auto _ : state) WritePass(1000, salt++);
  state.SetItemsProcessed(state.iterations() * 1000);
}
// A fixed number of passes, so that callgrind counts divide exactly.
BENCHMARK(BM_Write)->ArgName("followers")->Arg(0)->Arg(1)->Iterations(200)->UseRealTime();

double Percentile(std::vector<uint64_t> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return static_cast<double>(v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))]) / 1e3;
}

// Idle: stamped writes one at a time, each once the follower has the one before, 200 us
// apart. Loaded: four writers flat out for a second. The follower measures each change's age
// (from just before its write call); gaps count the times it fell behind the retention.
void BM_FollowLatency(benchmark::State &state) {
  const uint32_t writers = static_cast<uint32_t>(state.range(0));
  for (auto _ : state) {
    auto f = std::make_unique<Follower>();
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> written{0};
    std::vector<std::thread> busy;
    const auto start = Clock::now();
    for (uint32_t w = 0; w < writers; ++w) {
      busy.emplace_back([&, w] {
        for (uint32_t i = 0; !stop.load(std::memory_order_relaxed); ++i) {
          Write(w * kKeys + i % kKeys, Now());
          written.fetch_add(1, std::memory_order_relaxed);
        }
      });
    }
    if (writers == 0) {
      for (uint32_t i = 0; i < 2000; ++i) {
        const uint64_t before = f->seen.load();
        Write(i % kKeys, Now());
        written.fetch_add(1);
        while (f->seen.load() == before) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    } else {
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    stop = true;
    for (std::thread &t : busy) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const uint64_t followed = f->seen.load();
    const uint64_t gaps = f->gaps.load();
    f.reset();
    state.counters["writes_per_s"] = static_cast<double>(written.load()) / seconds;
    state.counters["follows_per_s"] = static_cast<double>(followed) / seconds;
    state.counters["gaps"] = static_cast<double>(gaps);
    state.counters["p50_us"] = Percentile(g_ages, 0.5);
    state.counters["p99_us"] = Percentile(g_ages, 0.99);
  }
}
BENCHMARK(BM_FollowLatency)->ArgName("writers")->Arg(0)->Arg(4)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
