// The in-memory backend's change feed: bounded queues of changes, one per subscriber.
#ifndef SRV6DB_ENGINE_MEMORY_PUSH_QUEUES_H
#define SRV6DB_ENGINE_MEMORY_PUSH_QUEUES_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/srv6db_engine.h"

namespace srv6db::engine {

class PushQueues {
 public:
  bool HasSubscribers() const noexcept { return subscribers_.load(std::memory_order_acquire) != 0; }
  // Queues a change of a store's record for every subscriber; false when some queue was full
  // and dropped it. True at once while nobody subscribes.
  bool Publish(uint32_t store, uint32_t kind, const uint8_t *record) noexcept;
  uint32_t Subscribe(uint32_t capacity, uint32_t *id) noexcept;
  uint32_t Poll(uint32_t id, Srv6DbEngineChange *out) noexcept;
  uint32_t Unsubscribe(uint32_t id) noexcept;
  void Clear() noexcept;

 private:
  // A subscriber id is the queue's index in its low bits and the queue's generation above,
  // so an id stays refused once its subscription ends, whoever takes the queue next.
  static constexpr uint32_t kIndexBits = 3;
  static constexpr uint32_t kMaxGeneration = (1u << (32 - kIndexBits)) - 1;

  struct Queue {
    bool used = false;
    uint32_t generation = 0;
    uint32_t head = 0;
    uint32_t count = 0;
    std::vector<Srv6DbEngineChange> ring;
  };
  static constexpr uint32_t kMaxSubscribers = 1u << kIndexBits;
  Queue *Find(uint32_t id) noexcept;  // needs mu_
  std::mutex mu_;
  Queue queues_[kMaxSubscribers];
  std::atomic<uint32_t> subscribers_{0};
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_MEMORY_PUSH_QUEUES_H
