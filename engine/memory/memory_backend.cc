// The in-memory backend: one Store per table, each behind its own lock, and push queues.
#include "engine/memory/memory_backend.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "engine/memory/push_queues.h"
#include "engine/memory/store.h"
#include "engine/runtime/runtime.h"

namespace srv6db::engine::memory {
namespace {

// Bytes of records a walk takes under one lock: the count property asks for up to that many
// records, as many as fit here.
constexpr uint32_t kBatchBytes = 4096;
static_assert(kBatchBytes >= kMaxRecord);

// A walk's state in its object. A walk of count 1 takes its record into `one`, a batched walk
// into `batch`, taken at the slot's first batched walk and kept with the slot, so that objects
// that never batch cost no batch bytes. All-zero bytes are a walk that was never made.
struct Walk {
  IterState it;
  uint8_t *batch;
  alignas(8) uint8_t one[kMaxRecord];
};
static_assert(sizeof(Walk) <= kWalkBytes);

Walk &WalkOf(Object &o) noexcept { return *std::launder(reinterpret_cast<Walk *>(o.walk)); }

class MemoryBackend final : public Backend {
 public:
  MemoryBackend() noexcept {
    for (uint32_t i = 0; i < kStoreCount; ++i) stores_[i].Init(&SchemaOf(i));
  }

  const char *Name() const noexcept override { return "memory"; }

  uint32_t Write(Object &o) noexcept override {
    Store &s = stores_[o.store];
    std::lock_guard lock(s.mutex());
    bool created = false;
    Node *node = s.Put(o.staged, &created);
    return Changed(o.store, created ? SRV6DB_ENGINE_CHANGE_CREATE : SRV6DB_ENGINE_CHANGE_UPDATE,
                   node->record());
  }

  uint32_t Read(Object &o, const KeyBytes &primary, void *buf, uint32_t len) noexcept override {
    Store &s = stores_[o.store];
    const uint64_t hash = HashKey(primary);  // outside the lock
    std::lock_guard lock(s.mutex());
    const Node *node = s.Find(primary, hash);
    if (node == nullptr) return DB_ERR_NO_RECORD;
    std::memcpy(buf, node->record(), len);
    return DB_OK;
  }

  uint32_t Update(Object &o, const KeyBytes &primary) noexcept override {
    Store &s = stores_[o.store];
    const uint32_t offsets[2] = {o.hasSmoothId ? s.schema().smoothIdOffset : kNoOffset,
                                 o.hasDiscriminator ? s.schema().discriminatorOffset : kNoOffset};
    const uint32_t values[2] = {o.smoothId, o.discriminator};
    const uint64_t hash = HashKey(primary);
    std::lock_guard lock(s.mutex());
    Node *node = s.Find(primary, hash);
    if (node == nullptr) return DB_ERR_NO_RECORD;
    s.Patch(node, offsets, values, 2);
    return Changed(o.store, SRV6DB_ENGINE_CHANGE_UPDATE, node->record());
  }

  uint32_t Remove(Object &o, const KeyBytes &primary) noexcept override {
    Store &s = stores_[o.store];
    const uint64_t hash = HashKey(primary);
    std::lock_guard lock(s.mutex());
    Node *node = s.Find(primary, hash);
    if (node == nullptr) return DB_ERR_NO_RECORD;
    // The removed record is kept for the push queues only when someone listens.
    if (!push_.HasSubscribers()) {
      s.Remove(node, hash);
      return DB_OK;
    }
    uint8_t removed[kMaxRecord];
    std::memcpy(removed, node->record(), s.schema().recordSize);
    s.Remove(node, hash);
    return Changed(o.store, SRV6DB_ENGINE_CHANGE_REMOVE, removed);
  }

  uint32_t Count(Object &o, const ParsedKey &key, uint64_t *count) noexcept override {
    Store &s = stores_[o.store];
    std::lock_guard lock(s.mutex());
    *count = key.whole ? s.size() : s.CountByKey(key.index, key.bytes);
    return DB_OK;
  }

  uint32_t StartWalk(Object &o, const ParsedKey &key) noexcept override {
    Store &s = stores_[o.store];
    std::lock_guard lock(s.mutex());
    s.StartIter(&WalkOf(o).it, key.whole ? 0 : key.index, &key.bytes);
    return DB_OK;
  }

  uint32_t NextBatch(Object &o) noexcept override {
    Walk &w = WalkOf(o);
    const uint32_t fits = kBatchBytes / o.recordSize;
    uint32_t max = o.countHint <= 1 ? 1 : o.countHint < fits ? o.countHint : fits;
    uint8_t *out = w.one;
    if (max > 1) {
      if (w.batch == nullptr) w.batch = static_cast<uint8_t *>(std::malloc(kBatchBytes));
      if (w.batch != nullptr)
        out = w.batch;
      else
        max = 1;
    }
    Store &s = stores_[o.store];
    uint32_t n;
    {
      std::lock_guard lock(s.mutex());
      n = s.NextBatch(&w.it, out, max);
    }
    o.taken = out;
    o.batchCount = n;
    return n != 0 ? DB_OK : DB_ERR_ITER_END;
  }

  void StopWalk(Object &o) noexcept override {
    Store &s = stores_[o.store];
    std::lock_guard lock(s.mutex());
    s.StopIter(&WalkOf(o).it);
  }

  void Reset() noexcept override {
    for (uint32_t t = 0; t < kStoreCount; ++t) ClearTable(t);
    push_.Clear();
  }

  uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf,
                     uint32_t len) noexcept override {
    Store &s = stores_[table];
    std::lock_guard lock(s.mutex());
    const Node *node = s.Find(primary);
    if (node == nullptr) return DB_ERR_NO_RECORD;
    std::memcpy(buf, node->record(), len);
    return DB_OK;
  }

  uint32_t PutRecord(uint32_t table, const void *record) noexcept override {
    Store &s = stores_[table];
    uint8_t copy[kMaxRecord];
    std::memcpy(copy, record, s.schema().recordSize);
    std::lock_guard lock(s.mutex());
    bool created = false;
    s.Put(copy, &created);
    return DB_OK;
  }

  uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept override {
    Store &s = stores_[table];
    std::lock_guard lock(s.mutex());
    Node *node = s.Find(primary);
    if (node == nullptr) return DB_ERR_NO_RECORD;
    s.Remove(node);
    return DB_OK;
  }

  void ClearTable(uint32_t table) noexcept override {
    Store &s = stores_[table];
    std::lock_guard lock(s.mutex());
    s.Clear();
  }

  uint64_t RecordCount(uint32_t table) noexcept override {
    Store &s = stores_[table];
    std::lock_guard lock(s.mutex());
    return s.size();
  }

  uint64_t TableBytes(uint32_t table) noexcept override {
    Store &s = stores_[table];
    std::lock_guard lock(s.mutex());
    return s.BytesInUse();
  }

  uint32_t Visit(uint32_t table, Srv6DbEngineVisitor visitor, void *user) noexcept override {
    Store &s = stores_[table];
    std::lock_guard lock(s.mutex());
    const uint32_t len = s.schema().recordSize;
    s.VisitRecords([&](const uint8_t *record) { return visitor(record, len, user); });
    return DB_OK;
  }

  // The store is the process's own: nothing another process could have left half done.
  uint32_t Check(Srv6DbEngineProblem, void *, uint64_t *) noexcept override {
    return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  }

  uint32_t Subscribe(uint32_t capacity, uint32_t *id) noexcept override {
    return push_.Subscribe(capacity, id);
  }
  uint32_t Poll(uint32_t id, Srv6DbEngineChange *out) noexcept override {
    return push_.Poll(id, out);
  }
  uint32_t Unsubscribe(uint32_t id) noexcept override { return push_.Unsubscribe(id); }

 private:
  // A stored change's answer: 13044 when a push queue dropped it.
  uint32_t Changed(uint32_t store, uint32_t kind, const uint8_t *record) noexcept {
    return push_.Publish(store, kind, record) ? DB_OK : DB_ERR_PUSH_QUEUE_FULL;
  }

  Store stores_[kStoreCount];
  PushQueues push_;
};

bool Claims(const char *url) noexcept {
  return url == nullptr || *url == '\0' || !std::strcmp(url, "memory");
}

// Made once and never destroyed: records stay valid through static destruction.
Backend *Open(const char *, uint32_t *code) noexcept {
  static MemoryBackend *backend = new MemoryBackend;
  *code = DB_OK;
  return backend;
}

}  // namespace

const BackendType kType = {Claims, Open};

}  // namespace srv6db::engine::memory
