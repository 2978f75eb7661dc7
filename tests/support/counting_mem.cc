// Memory hooks that track every block the library allocates through them, and can refuse.
#include "tests/support/counting_mem.h"

#include <cstdlib>
#include <mutex>
#include <set>

#include "srv6_db.h"

namespace srv6db::test {
namespace {

std::mutex mu;
std::set<void *> live;
MemCounts counts{};
bool refuse = false;

void *CountingMalloc(size_t size) {
  std::lock_guard<std::mutex> lock(mu);
  void *p = refuse ? nullptr : std::malloc(size);
  if (p != nullptr) live.insert(p), ++counts.allocations;
  return p;
}

void CountingFree(void *p) {
  std::lock_guard<std::mutex> lock(mu);
  if (live.erase(p) == 0) {
    ++counts.badFrees;  // never follow a pointer not handed out here
    return;
  }
  ++counts.frees;
  std::free(p);
}

}  // namespace

void InstallCountingMem() {
  FreeLeftovers();
  std::lock_guard<std::mutex> lock(mu);
  counts = {};
  refuse = false;
  const Srv6DbMemCallback hooks = {&CountingMalloc, &CountingFree};
  SRV6_DB_InitMem(&hooks);
}

void RefuseAllocations(bool on) {
  std::lock_guard<std::mutex> lock(mu);
  refuse = on;
}

MemCounts CountedMem() {
  std::lock_guard<std::mutex> lock(mu);
  MemCounts c = counts;
  c.live = live.size();
  return c;
}

size_t FreeLeftovers() {
  std::lock_guard<std::mutex> lock(mu);
  const size_t n = live.size();
  for (void *p : live) std::free(p);
  live.clear();
  return n;
}

}  // namespace srv6db::test
