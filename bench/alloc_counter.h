// Process-wide heap accounting for the benchmarks: every malloc family call of the process
// (the library's memory hook, the engine's operator new, SQLite) goes through the counters.
#ifndef SRV6DB_BENCH_ALLOC_COUNTER_H
#define SRV6DB_BENCH_ALLOC_COUNTER_H

#include <cstdint>

namespace srv6db::bench {

struct HeapCounters {
  uint64_t allocations;  // successful allocations since the process started
  int64_t liveBytes;     // usable bytes of blocks not yet freed
};

HeapCounters Heap() noexcept;

}  // namespace srv6db::bench

#endif  // SRV6DB_BENCH_ALLOC_COUNTER_H
