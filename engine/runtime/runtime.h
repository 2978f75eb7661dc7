// What every backend shares: engine objects and their handles, faults, call counters, captures.
#ifndef SRV6DB_ENGINE_RUNTIME_RUNTIME_H
#define SRV6DB_ENGINE_RUNTIME_RUNTIME_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/runtime/handle.h"
#include "engine/runtime/key.h"
#include "engine/schema.h"
#include "engine/srv6db_engine.h"

namespace srv6db::engine {

class Backend;

constexpr uint32_t kFnCount = SRV6DB_ENGINE_FN_COUNT_OF;
constexpr uint32_t kUnknownStore = kStoreCount;  // counter column of calls with a bad handle

// Bytes of walk state a backend keeps in each object.
constexpr uint32_t kWalkBytes = 512;

// An engine object: one operation's staged data and its one root iterator. Used by one
// thread at a time; only the generation is read by others (to reject stale handles). A walk
// stands on one of the records its backend took with its latest batch (`taken`), as they
// stood then; the front door serves the rest of a batch and every read of it.
struct Object {
  std::atomic<uint64_t> generation{0};  // odd while the object is alive
  uint32_t store = 0;
  uint32_t recordSize = 0;  // of the store's records
  uint32_t opCode = 0;
  bool hasRecord = false;
  bool hasSmoothId = false;
  bool hasDiscriminator = false;
  bool walking = false;     // has its root iterator
  bool positioned = false;  // the latest step stands on a record
  bool redeliver = false;   // the next step stays: the caller's read of this one was refused
  uint32_t smoothId = 0;
  uint32_t discriminator = 0;
  uint32_t countHint = 0;   // the count property: a batch-size hint
  uint32_t batchCount = 0;  // records taken by the latest batch
  uint32_t batchAt = 0;     // the one of them the walk stands on
  const uint8_t *taken = nullptr;
  Backend *walkedBy = nullptr;  // a walk stays with the backend it began on
  alignas(8) uint8_t staged[kMaxRecord];
  // The backend's own walk state; zero bytes when the slot is first made.
  alignas(16) unsigned char walk[kWalkBytes] = {};

  const uint8_t *Current() const noexcept { return taken + size_t{batchAt} * recordSize; }
};

// Per-thread state the hot path reads: trivially constructed and destroyed, so reaching it is
// one thread-pointer-relative load (initial-exec TLS), no guard and no wrapper call. What a
// thread holds is given back at its exit by a separate thread_local (runtime.cc), set up at
// the thread's first slow-path call.
struct CounterBlock;
struct ThreadFast {
  static constexpr uint32_t kCachedSlots = 32;
  CounterBlock *block;
  uint32_t slots[kCachedSlots];
  uint32_t slotCount;
  uint32_t lastFailure;  // of the latest failed engine call since the latest create
  bool gone;             // the thread's state was given back: use the shared paths
};
extern constinit __attribute__((tls_model("initial-exec"))) thread_local ThreadFast t_fast;

// Objects live in chunks that are never freed, so a handle is a slot number and a
// generation, never a pointer: a stale or foreign handle is detected without touching
// freed memory. Acquire and release reuse slots through a free list; lookups take no lock,
// and each thread keeps a few free slots of its own so that an operation's make and release
// take none either.
class ObjectPool {
 public:
  Object *Acquire(uint32_t *slot) noexcept {
    ThreadFast &t = t_fast;
    if (__builtin_expect(t.slotCount != 0, 1)) {
      *slot = t.slots[--t.slotCount];
      return Take(*slot);
    }
    return AcquireShared(slot);
  }
  // Ends the life of generation `generation` of an object; only one caller of a given
  // generation wins, so one handle released by several threads at once is released once.
  static bool Claim(Object *o, uint64_t generation) noexcept {
    return o->generation.compare_exchange_strong(generation, generation + 1,
                                                 std::memory_order_acq_rel);
  }
  // Makes a claimed slot free again, unless its generations are used up.
  void Recycle(uint32_t slot) noexcept {
    if (At(slot)->generation.load(std::memory_order_relaxed) >= kMaxGeneration) return;  // retired
    ThreadFast &t = t_fast;
    // A thread caches slots only while its exit hook, armed with its counter block, can
    // give them back.
    if (__builtin_expect(t.block != nullptr && t.slotCount < ThreadFast::kCachedSlots, 1)) {
      t.slots[t.slotCount++] = slot;
      return;
    }
    RecycleShared(slot);
  }
  Object *At(uint32_t slot) const noexcept {
    const uint32_t chunk = slot >> kChunkShift;  // below kMaxChunks: a slot has kSlotBits bits
    Object *base = chunks_[chunk].load(std::memory_order_acquire);
    return base == nullptr ? nullptr : base + (slot & (kChunkSize - 1));
  }
  void ReturnSlots(const uint32_t *slots, uint32_t n) noexcept;  // a thread's cache, at its exit

 private:
  // The slot is ours alone until its new generation is published.
  Object *Take(uint32_t slot) noexcept {
    Object *o = At(slot);
    o->generation.store(o->generation.load(std::memory_order_relaxed) + 1,
                        std::memory_order_release);
    return o;
  }
  Object *AcquireShared(uint32_t *slot) noexcept;
  void RecycleShared(uint32_t slot) noexcept;

  static constexpr uint32_t kChunkShift = 6;
  static constexpr uint32_t kChunkSize = 1u << kChunkShift;
  static constexpr uint32_t kMaxChunks = 1u << (kSlotBits - kChunkShift);
  static_assert((((1u << kSlotBits) - 1) >> kChunkShift) < kMaxChunks);

  std::mutex mu_;
  std::atomic<Object *> chunks_[kMaxChunks] = {};
  uint32_t chunkCount_ = 0;
  std::vector<uint32_t> free_;
};

class Faults {
 public:
  // The code of a fault that fires for this call, or 0. Without faults: one load.
  uint32_t Check(uint32_t fn, uint32_t store) noexcept {
    if (__builtin_expect(active_.load(std::memory_order_acquire) == 0, 1)) return 0;
    return CheckSlow(fn, store);
  }
  uint32_t Add(uint32_t fn, uint32_t table, uint32_t code, uint32_t mode, uint32_t n) noexcept;
  void Clear() noexcept;

 private:
  struct Fault {
    bool active = false;
    uint32_t fn = 0, table = 0, code = 0, mode = 0;
    uint32_t remaining = 0;
  };
  static constexpr uint32_t kSlots = 32;
  uint32_t CheckSlow(uint32_t fn, uint32_t store) noexcept;
  std::mutex mu_;
  Fault slots_[kSlots];
  std::atomic<uint32_t> active_{0};
};

class Captures {
 public:
  void CaptureKeys(bool on) noexcept { keysOn_.store(on, std::memory_order_relaxed); }
  // Records a keyed call's key while capture is on.
  void RecordKey(uint32_t fn, const void *keyInfo, const void *keyData) noexcept {
    if (keysOn_.load(std::memory_order_relaxed)) Capture(fn, keyInfo, keyData);
  }
  uint32_t LastKey(uint32_t fn, Srv6DbEngineKeyCapture *out) noexcept;
  void RecordProperty(bool valid, uint32_t value) noexcept;
  void PropertyStats(uint32_t *lastCount, uint64_t *calls) noexcept;
  void Clear() noexcept;

 private:
  static int Slot(uint32_t fn) noexcept;
  void Capture(uint32_t fn, const void *keyInfo, const void *keyData) noexcept;
  void Lock() noexcept;
  void Unlock() noexcept { locked_.store(false, std::memory_order_release); }
  std::atomic<bool> locked_{false};  // held for a few stores: a spin lock, not a mutex
  std::atomic<bool> keysOn_{false};
  Srv6DbEngineKeyCapture keys_[5] = {};
  uint32_t lastCount_ = 0;
  uint64_t propertyCalls_ = 0;
};

// Call counters and object accounting. Each thread counts into a block of its own with plain
// stores (no locked instruction on the hot path); readers sum every block. Counters only
// grow: a reset notes each one's value as its base and readers subtract it, so a reset is
// exact whatever other threads do meanwhile. Blocks are never freed: a thread that exits
// leaves its block, with its counts, to the next new thread. Calls a thread makes after its
// own engine state is gone (from a thread_local destructor) count in one shared block,
// atomically.
struct CounterBlock {
  enum Counter { kMade, kReleased, kBadReleases, kCounters };
  std::atomic<uint64_t> calls[kFnCount][kStoreCount + 1] = {};
  std::atomic<uint64_t> objects[kCounters] = {};  // live objects: made - released, unbased
  uint64_t callBase[kFnCount][kStoreCount + 1] = {};
  uint64_t objectBase[kCounters] = {};
  bool inUse = false;
  bool shared = false;
  CounterBlock *next = nullptr;

  void Add(std::atomic<uint64_t> &c, uint64_t by = 1) noexcept {
    if (shared) {
      c.fetch_add(by, std::memory_order_relaxed);
    } else {
      c.store(c.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
    }
  }
  void Add(Counter c, uint64_t by = 1) noexcept { Add(objects[c], by); }
};

class Counters {
 public:
  // The calling thread's block.
  CounterBlock &Mine() noexcept {
    CounterBlock *b = t_fast.block;
    return __builtin_expect(b != nullptr, 1) ? *b : MineSlow();
  }
  // Calls summed over threads for fn (or every function) and table (or every column).
  uint64_t Calls(uint32_t fn, uint32_t table) noexcept;
  void ObjectStats(Srv6DbEngineObjectStats *out) noexcept;
  void ResetCalls() noexcept;
  void ResetObjects() noexcept;  // made, released and bad releases; live stays
  void Retire(CounterBlock *block) noexcept;

 private:
  CounterBlock *NewBlock() noexcept;  // needs mu_
  CounterBlock &MineSlow() noexcept;

  std::mutex mu_;
  CounterBlock *blocks_ = nullptr;
  CounterBlock *shared_ = nullptr;
};

struct Runtime {
  ObjectPool pool;
  Faults faults;
  Captures captures;
  Counters counters;
};

// The one engine of the process; made when the library loads (or at an earlier first use)
// and never destroyed, so objects and records stay valid through static destruction. Set
// before any thread of the process can call, then only read: a plain pointer, so that one
// call's several uses of it load it once.
extern Runtime *g_runtime;
Runtime &MakeRuntime() noexcept;
inline Runtime &Rt() noexcept {
  Runtime *rt = g_runtime;
  return __builtin_expect(rt != nullptr, 1) ? *rt : MakeRuntime();
}

// The live object a handle names, or null; *parts gets the handle's slot and generation.
inline Object *Resolve(const void *handle, HandleKind kind, HandleParts *parts = nullptr) noexcept {
  const HandleParts p = FromHandle(handle);
  if (p.kind != kind || (p.generation & 1u) == 0) return nullptr;
  Object *o = Rt().pool.At(p.slot);
  if (o == nullptr || o->generation.load(std::memory_order_acquire) != p.generation) return nullptr;
  if (kind == HandleKind::kIterator && !o->walking) return nullptr;
  if (parts != nullptr) *parts = p;
  return o;
}

// Counts a call of fn on a store and answers the code of a fault that fires for it (0 if none).
inline uint32_t CountCallAndCheckFault(uint32_t fn, uint32_t store) noexcept {
  Runtime &rt = Rt();
  CounterBlock &counts = rt.counters.Mine();
  counts.Add(counts.calls[fn][store]);
  return rt.faults.Check(fn, store);
}

// Notes a db_* call's answer as the thread's last failure when it is one (a walk's end is not).
inline uint32_t NoteFailure(uint32_t code) noexcept {
  if (code != DB_OK && code != DB_ERR_ITER_END) t_fast.lastFailure = code;
  return code;
}

// The answer of a db_create_*_obj call: every library operation starts with one, so it starts
// the thread's last failure afresh, holding its own failure or none.
inline uint32_t NoteCreate(uint32_t code) noexcept {
  t_fast.lastFailure = code;
  return code;
}

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_RUNTIME_RUNTIME_H
