// Memory hooks that track every block the library allocates through them, and can refuse.
#ifndef SRV6DB_TESTS_SUPPORT_COUNTING_MEM_H
#define SRV6DB_TESTS_SUPPORT_COUNTING_MEM_H

#include <cstddef>
#include <cstdint>

namespace srv6db::test {

struct MemCounts {
  uint64_t allocations;  // blocks handed out
  uint64_t frees;        // blocks given back that had been handed out
  uint64_t badFrees;     // frees of null, unknown or already freed pointers
  size_t live;           // blocks handed out and not given back
};

// Installs the counting pair in g_srv6DbMemCallback and zeroes the counts. Thread-safe.
void InstallCountingMem();
// Makes the counting malloc answer null (true) or allocate again (false).
void RefuseAllocations(bool refuse);
MemCounts CountedMem();
// Frees the blocks still live, for tests that leak on purpose; returns how many there were.
size_t FreeLeftovers();

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_SUPPORT_COUNTING_MEM_H
