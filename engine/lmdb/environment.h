// The LMDB store of one directory as this process sees it: its URL, its environment (opened
// again in a child after fork), its named databases, and each thread's read transaction.
#ifndef SRV6DB_ENGINE_LMDB_ENVIRONMENT_H
#define SRV6DB_ENGINE_LMDB_ENVIRONMENT_H

#include <lmdb.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>

#include "engine/schema.h"
#include "engine/srv6db_engine.h"

namespace srv6db::engine::lmdb {

// What a "lmdb:///dir[?map_size=N[k|m|g|t]][&sync=none|meta|full]" URL asks for.
struct Options {
  char path[PATH_MAX] = {};
  uint64_t mapSize = 0;
  unsigned flags = 0;  // the sync mode's environment flags
};
// False when the URL does not parse.
bool ParseUrl(const char *url, Options *out) noexcept;

// The databases of a store: its records by primary key (a header of positions, then the
// record), its positions in insertion order (position -> primary key), and per secondary index
// its keys (key -> [join position, big-endian][primary key], sorted duplicates).
struct StoreDbs {
  MDB_dbi rec = 0, all = 0;
  MDB_dbi log = 0;                // revision -> [kind][record after the change]
  MDB_dbi idx[kMaxIndexes] = {};  // idx[1..] used
};

// Keys of the meta database beside each table's position counter (key: the table number).
constexpr size_t kLogHeadKey = 64;  // + table: the latest revision of its log
constexpr size_t kEpochKey = 128;   // the logs' epoch

// A small shared mapping beside the store (file `wake`): followers blocked on the change log
// sleep on `seq` (a futex word), which writers bump after each commit.
struct WakeWord {
  std::atomic<uint32_t> seq;
  std::atomic<uint32_t> sleepers;
};

constexpr uint32_t kMaxReaders = 4096;  // reader slots: threads of every process, at once
constexpr uint32_t kMaxDbs = kStoreCount * (kMaxIndexes + 2) + 1;

class Environment {
 public:
  // Opens (or, after a fork, reopens) the store; 0 or an engine code.
  uint32_t Configure(const Options &options) noexcept;
  // Makes every call answer `code` (a URL that does not parse).
  void Refuse(uint32_t code) noexcept;
  // The environment, opened in this process; null with *code set when it cannot be.
  MDB_env *Env(uint32_t *code) noexcept {
    MDB_env *env = env_.load(std::memory_order_acquire);
    if (__builtin_expect(env != nullptr, 1)) return env;
    return OpenSlow(code);
  }
  uint64_t Epoch() const noexcept { return epoch_.load(std::memory_order_acquire); }
  // Wakes followers after a commit; waits for a commit after `seen` for up to ms.
  void Wake() noexcept;
  uint32_t WakeSeq() const noexcept {
    return wake_ != nullptr ? wake_->seq.load(std::memory_order_seq_cst) : 0;
  }
  void WaitForCommit(uint32_t seen, uint32_t ms) noexcept;
  // Opens a table's databases in this process if need be (before any transaction that uses
  // them begins or is renewed); 0 or an engine code.
  uint32_t Ready(uint32_t store) noexcept {
    return __builtin_expect(opened_[store].load(std::memory_order_acquire), 1) ? 0
                                                                               : OpenStore(store);
  }
  const StoreDbs &Dbs(uint32_t store) const noexcept { return dbs_[store]; }
  MDB_dbi Meta() const noexcept { return meta_; }
  // Frees the reader slots of processes that died (they pin old pages).
  void ReclaimReaders() noexcept;
  // False when a write would eat into the last 1/64 of the map (at least 64 pages), kept so
  // that removals, which copy pages too, can always make room again.
  bool RoomToGrow(MDB_env *env) noexcept;
  // A forked child must not touch its parent's environment: it opens its own.
  void Forked() noexcept;

 private:
  MDB_env *OpenSlow(uint32_t *code) noexcept;
  uint32_t OpenStore(uint32_t store) noexcept;
  // Leaves the open environment, unused but reachable (its pages may still be walked).
  void Retire() noexcept;
  uint32_t Open() noexcept;  // needs mu_

  std::mutex mu_;
  Options options_;
  bool configured_ = false;
  bool warned_ = false;  // a store that cannot be opened is reported once
  uint32_t refusal_ = SRV6DB_ENGINE_ERR_UNAVAILABLE;
  std::atomic<MDB_env *> env_{nullptr};
  std::atomic<uint64_t> epoch_{1};
  WakeWord *wake_ = nullptr;
  static constexpr uint32_t kRetired = 8;
  MDB_env *retired_[kRetired] = {};
  uint32_t retiredCount_ = 0;
  MDB_dbi meta_ = 0;
  StoreDbs dbs_[kStoreCount];
  std::atomic<bool> opened_[kStoreCount] = {};
};

extern Environment g_env;

// An engine code for an LMDB answer.
uint32_t CodeOf(int rc) noexcept;

// The calling thread's read-only transaction: begun once, then reset after each use and
// renewed for the next (no allocation), with one cursor per database, renewed with it.
// Not tied to the thread by LMDB (MDB_NOTLS); given back when the thread ends.
class ReadScope {
 public:
  ReadScope() noexcept;
  ~ReadScope() noexcept;
  ReadScope(const ReadScope &) = delete;
  ReadScope &operator=(const ReadScope &) = delete;
  uint32_t code() const noexcept { return code_; }  // 0 when txn() is usable
  MDB_txn *txn() const noexcept { return txn_; }
  MDB_cursor *Cursor(MDB_dbi dbi) noexcept;

 private:
  struct Reader *reader_ = nullptr;
  MDB_txn *txn_ = nullptr;
  uint32_t code_ = 0;
};

}  // namespace srv6db::engine::lmdb

#endif  // SRV6DB_ENGINE_LMDB_ENVIRONMENT_H
