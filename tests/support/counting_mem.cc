// Memory hooks that track every block the library allocates through them, and can fail.
#include "tests/support/counting_mem.h"

#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "srv6_db.h"

namespace srv6db::test {
namespace {

struct State {
  std::mutex mu;
  std::unordered_set<void *> live;
  MemCounts counts{};
  bool refuse = false;
};

State &S() {
  static State *state = new State;  // outlives every static that may still free through it
  return *state;
}

void *CountingMalloc(size_t size) {
  State &s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  if (s.refuse) {
    ++s.counts.refused;
    return nullptr;
  }
  void *p = std::malloc(size);
  s.live.insert(p);
  ++s.counts.allocations;
  return p;
}

void CountingFree(void *p) {
  State &s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  if (s.live.erase(p) == 0) {
    ++s.counts.badFrees;  // never follow a pointer we did not hand out
    return;
  }
  ++s.counts.frees;
  std::free(p);
}

}  // namespace

void InstallCountingMem() {
  {
    State &s = S();
    std::lock_guard<std::mutex> lock(s.mu);
    for (void *p : s.live) std::free(p);
    s.live.clear();
    s.counts = {};
    s.refuse = false;
  }
  const Srv6DbMemCallback hooks = {&CountingMalloc, &CountingFree};
  SRV6_DB_InitMem(&hooks);
}

void RefuseAllocations(bool refuse) {
  State &s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  s.refuse = refuse;
}

MemCounts CountedMem() {
  State &s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  MemCounts c = s.counts;
  c.live = s.live.size();
  return c;
}

size_t FreeLeftovers() {
  State &s = S();
  std::lock_guard<std::mutex> lock(s.mu);
  const size_t n = s.live.size();
  for (void *p : s.live) std::free(p);
  s.live.clear();
  return n;
}

}  // namespace srv6db::test
