// The in-memory backend's subscriber queues.
#include "engine/memory/push_queues.h"

#include <cstring>

#include "engine/runtime/key.h"

namespace srv6db::engine {

bool PushQueues::Publish(uint32_t store, uint32_t kind, const uint8_t *record) noexcept {
  if (!HasSubscribers()) return true;
  const Schema &schema = SchemaOf(store);
  Srv6DbEngineChange change = {};
  change.table = store;
  change.kind = kind;
  change.recordLength = schema.recordSize;
  std::memcpy(change.record, record, schema.recordSize);
  KeyBytes key;
  BuildKey(schema, 0, record, &key);
  change.keyLength = key.length;
  std::memcpy(change.key, key.bytes, key.length);
  std::lock_guard<std::mutex> lock(mu_);
  bool allQueued = true;
  for (Queue &q : queues_) {
    if (!q.used) continue;
    if (q.count == q.ring.size()) {
      allQueued = false;
      continue;
    }
    q.ring[(q.head + q.count) % q.ring.size()] = change;
    ++q.count;
  }
  return allQueued;
}

PushQueues::Queue *PushQueues::Find(uint32_t id) noexcept {
  Queue &q = queues_[id & (kMaxSubscribers - 1)];
  return q.used && q.generation == id >> kIndexBits ? &q : nullptr;
}

uint32_t PushQueues::Subscribe(uint32_t capacity, uint32_t *id) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (uint32_t i = 0; i < kMaxSubscribers; ++i) {
    Queue &q = queues_[i];
    if (q.used || q.generation == kMaxGeneration) continue;  // taken, or its ids used up
    q.used = true;
    ++q.generation;
    q.head = q.count = 0;
    q.ring.assign(capacity, Srv6DbEngineChange{});
    subscribers_.fetch_add(1, std::memory_order_release);
    *id = (q.generation << kIndexBits) | i;
    return DB_OK;
  }
  return SRV6DB_ENGINE_ERR_NO_RESOURCES;
}

uint32_t PushQueues::Poll(uint32_t id, Srv6DbEngineChange *out) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  Queue *found = Find(id);
  if (found == nullptr) return SRV6DB_ENGINE_ERR_BAD_HANDLE;
  Queue &q = *found;
  if (q.count == 0) return SRV6DB_ENGINE_ERR_QUEUE_EMPTY;
  *out = q.ring[q.head];
  q.head = (q.head + 1) % q.ring.size();
  --q.count;
  return DB_OK;
}

uint32_t PushQueues::Unsubscribe(uint32_t id) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  Queue *q = Find(id);
  if (q == nullptr) return SRV6DB_ENGINE_ERR_BAD_HANDLE;
  const uint32_t generation = q->generation;
  *q = Queue{};
  q->generation = generation;
  subscribers_.fetch_sub(1, std::memory_order_release);
  return DB_OK;
}

void PushQueues::Clear() noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (Queue &q : queues_) {
    const uint32_t generation = q.generation;
    q = Queue{};
    q.generation = generation;
  }
  subscribers_.store(0, std::memory_order_release);
}

}  // namespace srv6db::engine
