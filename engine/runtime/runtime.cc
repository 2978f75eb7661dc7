// Object pool, fault table, last-call captures and call counters of the engine.
#include "engine/runtime/runtime.h"

#include <cstring>

#include "engine/engine_api.h"

namespace srv6db::engine {

Runtime *g_runtime = nullptr;

Runtime &MakeRuntime() noexcept {
  static Runtime *runtime = new Runtime;
  return *runtime;
}

namespace {
__attribute__((constructor(101))) void MakeRuntimeAtLoad() { g_runtime = &MakeRuntime(); }
}  // namespace

// Initial-exec: the engine is loaded with the process (or its surplus static TLS serves a
// later load), and every engine call reaches this without a __tls_get_addr call.
constinit __attribute__((tls_model("initial-exec"))) thread_local ThreadFast t_fast = {};

namespace {

// Gives a thread's counter block and cached object slots back at its exit. Engine calls the
// thread makes after that (from other thread_local destructors) use the shared free list and
// counter block instead.
struct ThreadExit {
  bool armed = false;
  ~ThreadExit() {
    ThreadFast &t = t_fast;
    Runtime &rt = Rt();
    rt.pool.ReturnSlots(t.slots, t.slotCount);
    t.slotCount = 0;
    if (t.block != nullptr) rt.counters.Retire(t.block);
    t.block = nullptr;
    t.gone = true;
  }
};
__attribute__((tls_model("initial-exec"))) thread_local ThreadExit t_exit;

// Registers the thread's exit hook; false once the thread's state is given back.
bool ArmThreadExit() noexcept {
  if (t_fast.gone) return false;
  t_exit.armed = true;
  return true;
}

}  // namespace

Object *ObjectPool::AcquireShared(uint32_t *slot) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  if (free_.empty()) {
    if (chunkCount_ == kMaxChunks) return nullptr;
    Object *chunk = new Object[kChunkSize];
    free_.reserve((chunkCount_ + 1) * kChunkSize);  // releases never allocate
    for (uint32_t i = kChunkSize; i-- > 0;) free_.push_back(chunkCount_ * kChunkSize + i);
    chunks_[chunkCount_].store(chunk, std::memory_order_release);
    ++chunkCount_;
  }
  *slot = free_.back();
  free_.pop_back();
  return Take(*slot);
}

// The thread's cache is full, or the thread is past its exit: the shared list takes it.
void ObjectPool::RecycleShared(uint32_t slot) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  free_.push_back(slot);
}

void ObjectPool::ReturnSlots(const uint32_t *slots, uint32_t n) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (uint32_t i = 0; i < n; ++i) free_.push_back(slots[i]);
}

uint32_t Faults::CheckSlow(uint32_t fn, uint32_t store) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  uint32_t code = 0;
  for (Fault &f : slots_) {
    if (!f.active || (f.fn != fn && f.fn != SRV6DB_ENGINE_FN_ANY) ||
        (f.table != SRV6DB_ENGINE_ANY_TABLE && f.table != store))
      continue;
    bool fires = f.mode == SRV6DB_ENGINE_FAULT_NEXT_N || f.remaining == 1;
    if (--f.remaining == 0) {
      f.active = false;
      active_.fetch_sub(1, std::memory_order_release);
    }
    if (fires && code == 0) code = f.code;
  }
  return code;
}

uint32_t Faults::Add(uint32_t fn, uint32_t table, uint32_t code, uint32_t mode,
                     uint32_t n) noexcept {
  if ((fn >= kFnCount && fn != SRV6DB_ENGINE_FN_ANY) || code == 0 || n == 0 ||
      (mode != SRV6DB_ENGINE_FAULT_NEXT_N && mode != SRV6DB_ENGINE_FAULT_NTH) ||
      (table >= kStoreCount && table != SRV6DB_ENGINE_ANY_TABLE))
    return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  std::lock_guard<std::mutex> lock(mu_);
  for (Fault &f : slots_) {
    if (f.active) continue;
    f = Fault{true, fn, table, code, mode, n};
    active_.fetch_add(1, std::memory_order_release);
    return DB_OK;
  }
  return SRV6DB_ENGINE_ERR_NO_RESOURCES;
}

void Faults::Clear() noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (Fault &f : slots_) f.active = false;
  active_.store(0, std::memory_order_release);
}

int Captures::Slot(uint32_t fn) noexcept {
  switch (fn) {
    case SRV6DB_ENGINE_FN_READ:
      return 0;
    case SRV6DB_ENGINE_FN_UPDATE:
      return 1;
    case SRV6DB_ENGINE_FN_REMOVE:
      return 2;
    case SRV6DB_ENGINE_FN_COUNT:
      return 3;
    case SRV6DB_ENGINE_FN_CREATE_ROOT_ITER:
      return 4;
    default:
      return -1;
  }
}

void Captures::Lock() noexcept {
  while (locked_.exchange(true, std::memory_order_acquire)) {
    while (locked_.load(std::memory_order_relaxed)) {
    }
  }
}

// Only the bytes the key word covers are copied, and the lock is held for those stores alone.
void Captures::Capture(uint32_t fn, const void *keyInfo, const void *keyData) noexcept {
  uint32_t keyWord = 0, keyLength = 0;
  if (keyInfo != nullptr) {
    std::memcpy(&keyWord, keyInfo, sizeof(keyWord));
    keyLength = KeyWordLength(keyWord) < kMaxKey ? KeyWordLength(keyWord) : kMaxKey;
  }
  Lock();
  Srv6DbEngineKeyCapture &slot = keys_[Slot(fn)];
  ++slot.calls;
  slot.hasKey = keyInfo != nullptr;
  slot.keyWord = keyWord;
  slot.keyLength = keyLength;
  if (keyInfo != nullptr && keyData != nullptr) {
    std::memcpy(slot.key, keyData, keyLength);
  } else {
    std::memset(slot.key, 0, keyLength);
  }
  std::memset(slot.key + keyLength, 0, kMaxKey - keyLength);
  Unlock();
}

uint32_t Captures::LastKey(uint32_t fn, Srv6DbEngineKeyCapture *out) noexcept {
  int slot = Slot(fn);
  if (slot < 0 || out == nullptr) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  Lock();
  *out = keys_[slot];
  Unlock();
  return DB_OK;
}

void Captures::RecordProperty(bool valid, uint32_t value) noexcept {
  Lock();
  ++propertyCalls_;
  if (valid) lastCount_ = value;
  Unlock();
}

void Captures::PropertyStats(uint32_t *lastCount, uint64_t *calls) noexcept {
  Lock();
  if (lastCount != nullptr) *lastCount = lastCount_;
  if (calls != nullptr) *calls = propertyCalls_;
  Unlock();
}

void Captures::Clear() noexcept {
  Lock();
  for (auto &k : keys_) k = Srv6DbEngineKeyCapture{};
  lastCount_ = 0;
  propertyCalls_ = 0;
  Unlock();
}

CounterBlock *Counters::NewBlock() noexcept {
  auto *b = new CounterBlock;
  b->next = blocks_;
  blocks_ = b;
  return b;
}

CounterBlock &Counters::MineSlow() noexcept {
  ThreadFast &t = t_fast;
  const bool alive = ArmThreadExit();
  std::lock_guard<std::mutex> lock(mu_);
  if (!alive) {
    if (shared_ == nullptr) {
      shared_ = NewBlock();
      shared_->shared = shared_->inUse = true;
    }
    return *shared_;
  }
  CounterBlock *b = blocks_;
  while (b != nullptr && b->inUse) b = b->next;
  if (b == nullptr) b = NewBlock();
  b->inUse = true;
  t.block = b;
  return *b;
}

void Counters::Retire(CounterBlock *block) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  block->inUse = false;
}

uint64_t Counters::Calls(uint32_t fn, uint32_t table) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  uint64_t sum = 0;
  for (CounterBlock *b = blocks_; b != nullptr; b = b->next) {
    for (uint32_t f = 0; f < kFnCount; ++f) {
      if (fn != SRV6DB_ENGINE_FN_ANY && f != fn) continue;
      for (uint32_t t = 0; t <= kStoreCount; ++t)
        if (table == SRV6DB_ENGINE_ANY_TABLE || t == table)
          sum += b->calls[f][t].load(std::memory_order_relaxed) - b->callBase[f][t];
    }
  }
  return sum;
}

void Counters::ObjectStats(Srv6DbEngineObjectStats *out) noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  uint64_t sums[CounterBlock::kCounters] = {};
  for (CounterBlock *b = blocks_; b != nullptr; b = b->next)
    for (int c = 0; c < CounterBlock::kCounters; ++c)
      sums[c] += b->objects[c].load(std::memory_order_relaxed) - b->objectBase[c];
  *out = {};
  out->made = sums[CounterBlock::kMade];
  out->released = sums[CounterBlock::kReleased];
  out->badReleases = sums[CounterBlock::kBadReleases];
  for (CounterBlock *b = blocks_; b != nullptr; b = b->next)
    out->live += b->objects[CounterBlock::kMade].load(std::memory_order_relaxed) -
                 b->objects[CounterBlock::kReleased].load(std::memory_order_relaxed);
}

void Counters::ResetCalls() noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (CounterBlock *b = blocks_; b != nullptr; b = b->next)
    for (uint32_t f = 0; f < kFnCount; ++f)
      for (uint32_t t = 0; t <= kStoreCount; ++t)
        b->callBase[f][t] = b->calls[f][t].load(std::memory_order_relaxed);
}

void Counters::ResetObjects() noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (CounterBlock *b = blocks_; b != nullptr; b = b->next)
    for (int c : {CounterBlock::kMade, CounterBlock::kReleased, CounterBlock::kBadReleases})
      b->objectBase[c] = b->objects[c].load(std::memory_order_relaxed);
}

}  // namespace srv6db::engine
