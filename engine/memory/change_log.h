// One table's change log in memory: a ring of the latest entries, bounded by the retention.
#ifndef SRV6DB_ENGINE_MEMORY_CHANGE_LOG_H
#define SRV6DB_ENGINE_MEMORY_CHANGE_LOG_H

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/srv6db_engine.h"

namespace srv6db::engine {

struct Schema;

// Everything but head() needs the table's lock. An entry is its kind byte and the record; its
// revision is its place in the ring, its key comes from the record. The ring's blocks are
// taken as the log first fills them and kept: a full log takes no memory per change.
class ChangeLog {
 public:
  void Init(const Schema *schema) noexcept { schema_ = schema; }
  // Appends the change as the next revision, first resizing the ring if the retention changed.
  // A block that cannot be had empties the log (readers behind get the gap code), never a
  // silent hole.
  void Append(uint32_t kind, const uint8_t *record, uint32_t retention) noexcept;
  // Checks c against the log of epoch `epoch`: 0 when nothing after c->revision is missing
  // (sets gap and lost otherwise, and answers the gap code).
  uint32_t Check(Srv6DbEngineCursor *c, uint64_t epoch) const noexcept;
  // Copies entries after `after` into out (up to max); answers how many.
  uint32_t Copy(uint32_t table, uint64_t after, Srv6DbEngineChange *out,
                uint32_t max) const noexcept;
  // Empties the log; revisions start again at 1.
  void Clear() noexcept;
  uint64_t head() const noexcept { return head_.load(std::memory_order_seq_cst); }

 private:
  static constexpr uint32_t kBlockEntries = 1024;
  uint8_t *Slot(uint64_t revision) const noexcept;  // null while its block is not taken
  uint8_t *Claim(uint64_t revision) noexcept;       // takes its block if need be
  void Resize(uint32_t retention) noexcept;

  const Schema *schema_ = nullptr;
  std::unique_ptr<std::unique_ptr<uint8_t[]>[]> blocks_;  // of kBlockEntries entries each
  uint64_t capacity_ = 0;                                 // entries the ring holds: the retention
  uint64_t held_ = 0;                                     // entries held, the latest ones
  uint32_t retention_ = 0;
  std::atomic<uint64_t> head_{0};  // the latest revision; read without the lock to wait
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_MEMORY_CHANGE_LOG_H
