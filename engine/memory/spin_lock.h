// A store's lock. Held for a hash probe and a few pointer writes, so an uncontended take is one
// atomic exchange and a release is a plain store; a waiter spins briefly, then yields the CPU
// so that a preempted holder can finish.
#ifndef SRV6DB_ENGINE_MEMORY_SPIN_LOCK_H
#define SRV6DB_ENGINE_MEMORY_SPIN_LOCK_H

#include <sched.h>

#include <atomic>

namespace srv6db::engine {

inline void CpuRelax() noexcept {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

class SpinLock {
 public:
  void lock() noexcept {
    while (locked_.exchange(true, std::memory_order_acquire)) {
      for (int spins = 0; locked_.load(std::memory_order_relaxed); ++spins) {
        if (spins < 64) {
          CpuRelax();
        } else {
          sched_yield();
        }
      }
    }
  }
  void unlock() noexcept { locked_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> locked_{false};
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_MEMORY_SPIN_LOCK_H
