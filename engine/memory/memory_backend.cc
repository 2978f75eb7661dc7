// The in-memory backend: one Store and one change log per table, each pair behind one lock.
#include "engine/memory/memory_backend.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "engine/memory/change_log.h"
#include "engine/memory/store.h"
#include "engine/runtime/batch.h"
#include "engine/runtime/runtime.h"

namespace srv6db::engine::memory {
namespace {

// A walk's state in its object; a batch is taken under one lock. All-zero bytes are a walk
// that was never made.
struct Walk {
  IterState it;
  BatchSpace space;
};
static_assert(sizeof(Walk) <= kWalkBytes);

Walk &WalkOf(Object &o) noexcept { return *std::launder(reinterpret_cast<Walk *>(o.walk)); }

class MemoryBackend final : public Backend {
 public:
  MemoryBackend() noexcept {
    for (uint32_t i = 0; i < kStoreCount; ++i) {
      stores_[i].Init(&SchemaOf(i));
      logs_[i].Init(&SchemaOf(i));
    }
    // A new process starts a new epoch: its revisions owe nothing to an earlier one's.
    uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                                       std::chrono::system_clock::now().time_since_epoch().count());
    x ^= uint64_t{static_cast<uint32_t>(getpid())} << 32;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    epoch_.store((x ^ (x >> 31)) | 1, std::memory_order_relaxed);
  }

  const char *Name() const noexcept override { return "memory"; }

  uint32_t Write(Object &o) noexcept override {
    Store &s = stores_[o.store];
    const uint32_t retention = LogRetention();
    {
      std::lock_guard lock(s.mutex());
      bool created = false;
      Node *node = s.Put(o.staged, &created);
      logs_[o.store].Append(created ? SRV6DB_ENGINE_CHANGE_CREATE : SRV6DB_ENGINE_CHANGE_UPDATE,
                            node->record(), retention);
    }
    Wake();
    return DB_OK;
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
    const uint32_t retention = LogRetention();
    {
      std::lock_guard lock(s.mutex());
      Node *node = s.Find(primary, hash);
      if (node == nullptr) return DB_ERR_NO_RECORD;
      s.Patch(node, offsets, values, 2);
      logs_[o.store].Append(SRV6DB_ENGINE_CHANGE_UPDATE, node->record(), retention);
    }
    Wake();
    return DB_OK;
  }

  uint32_t Remove(Object &o, const KeyBytes &primary) noexcept override {
    Store &s = stores_[o.store];
    const uint64_t hash = HashKey(primary);
    const uint32_t retention = LogRetention();
    {
      std::lock_guard lock(s.mutex());
      Node *node = s.Find(primary, hash);
      if (node == nullptr) return DB_ERR_NO_RECORD;
      logs_[o.store].Append(SRV6DB_ENGINE_CHANGE_REMOVE, node->record(), retention);
      s.Remove(node, hash);
    }
    Wake();
    return DB_OK;
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
    uint32_t max;
    uint8_t *out = w.space.Take(o.countHint, o.recordSize, &max);
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
    for (uint32_t t = 0; t < kStoreCount; ++t) {
      Store &s = stores_[t];
      std::lock_guard lock(s.mutex());
      s.Clear();
      logs_[t].Clear();
    }
    epoch_.fetch_add(2, std::memory_order_seq_cst);
    Wake();
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

  uint32_t LogHead(Srv6DbEngineCursor *head) noexcept override {
    Store &s = stores_[head->table];
    std::lock_guard lock(s.mutex());
    head->epoch = epoch_.load(std::memory_order_relaxed);
    head->revision = logs_[head->table].head();
    return DB_OK;
  }

  uint32_t ReadLog(Srv6DbEngineCursor *cursors, uint32_t cursorCount, Srv6DbEngineChange *out,
                   uint32_t capacity, uint32_t *count, uint32_t timeoutMs) noexcept override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    *count = 0;
    uint32_t code = Collect(cursors, cursorCount, out, capacity, count);
    if (code != DB_OK || *count != 0 || timeoutMs == 0) return code;
    for (;;) {
      {
        // Counted as asleep before looking, so that a writer that appends after the look
        // sees the sleeper and wakes it (both sides are sequentially consistent); a writer
        // that sees none pays one load.
        std::unique_lock lock(waitMu_);
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        woken_.store(false, std::memory_order_seq_cst);
        const bool timedOut = !Moved(cursors, cursorCount) &&
                              waitCv_.wait_until(lock, deadline) == std::cv_status::timeout;
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
        if (timedOut) break;
      }
      code = Collect(cursors, cursorCount, out, capacity, count);
      if (code != DB_OK || *count != 0) break;
    }
    return code;
  }

 private:
  // Wakes blocked readers; costs one load while none sleeps, and one exchange while a wake is
  // already on its way: only the first writer after a reader fell asleep notifies.
  void Wake() noexcept {
    if (sleepers_.load(std::memory_order_seq_cst) == 0) return;
    if (woken_.exchange(true, std::memory_order_seq_cst)) return;
    { std::lock_guard lock(waitMu_); }
    waitCv_.notify_all();
  }

  // Whether some cursor's log has moved past it (or to another epoch).
  bool Moved(const Srv6DbEngineCursor *cursors, uint32_t n) const noexcept {
    if (epoch_.load(std::memory_order_seq_cst) != cursors[0].epoch) return true;
    for (uint32_t i = 0; i < n; ++i)
      if (logs_[cursors[i].table].head() != cursors[i].revision ||
          cursors[i].epoch != cursors[0].epoch)
        return true;
    return false;
  }

  // Checks every cursor and copies what follows it, each table under its lock; moves the
  // cursors only when none has a gap. Each cursor gets an even share of capacity first, so
  // a busy table cannot starve the others, then the rest fills up.
  uint32_t Collect(Srv6DbEngineCursor *cursors, uint32_t n, Srv6DbEngineChange *out,
                   uint32_t capacity, uint32_t *count) noexcept {
    uint64_t reached[kMaxCursors];
    uint32_t code = DB_OK;
    uint32_t got = 0;
    const uint32_t share = capacity / n != 0 ? capacity / n : 1;
    for (uint32_t pass = 0; pass < 2 && got < capacity && code == DB_OK; ++pass) {
      for (uint32_t i = 0; i < n && got < capacity; ++i) {
        Srv6DbEngineCursor &c = cursors[i];
        if (pass == 0) reached[i] = c.revision;
        Store &s = stores_[c.table];
        std::lock_guard lock(s.mutex());
        const ChangeLog &log = logs_[c.table];
        // In the second pass the log may have been trimmed or reset since the first: the
        // cursor then stops where it got to, and its next read tells.
        Srv6DbEngineCursor at = c;
        at.revision = reached[i];
        if (log.Check(pass == 0 ? &c : &at, epoch_.load(std::memory_order_relaxed)) != DB_OK) {
          if (pass == 0) code = SRV6DB_ENGINE_ERR_LOG_GAP;
          continue;
        }
        const uint32_t room = capacity - got;
        const uint32_t took =
            log.Copy(c.table, reached[i], out + got, pass == 0 && share < room ? share : room);
        got += took;
        reached[i] += took;
      }
    }
    if (code != DB_OK) return code;
    for (uint32_t i = 0; i < n; ++i) cursors[i].revision = reached[i];
    *count = got;
    return DB_OK;
  }

  Store stores_[kStoreCount];
  ChangeLog logs_[kStoreCount];
  std::atomic<uint64_t> epoch_{0};  // odd; a reset moves it by 2
  std::atomic<uint32_t> sleepers_{0};
  std::atomic<bool> woken_{false};  // a writer notified since the latest reader fell asleep
  std::mutex waitMu_;
  std::condition_variable waitCv_;
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
