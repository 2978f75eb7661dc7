// The in-memory change log ring.
#include "engine/memory/change_log.h"

#include <cstring>
#include <new>

#include "engine/runtime/key.h"
#include "engine/schema.h"

namespace srv6db::engine {

uint8_t *ChangeLog::Slot(uint64_t revision) const noexcept {
  const uint64_t at = revision % capacity_;
  uint8_t *block = blocks_[at / kBlockEntries].get();
  return block == nullptr ? nullptr : block + (at % kBlockEntries) * (1 + schema_->recordSize);
}

uint8_t *ChangeLog::Claim(uint64_t revision) noexcept {
  std::unique_ptr<uint8_t[]> &block = blocks_[revision % capacity_ / kBlockEntries];
  if (block == nullptr)
    block.reset(new (std::nothrow) uint8_t[size_t{kBlockEntries} * (1 + schema_->recordSize)]);
  return Slot(revision);
}

// Moves the latest entries that fit into a ring sized for the new retention.
void ChangeLog::Resize(uint32_t retention) noexcept {
  ChangeLog next;
  next.schema_ = schema_;
  next.retention_ = retention;
  next.capacity_ = retention;
  next.blocks_.reset(new (
      std::nothrow) std::unique_ptr<uint8_t[]>[(retention + kBlockEntries - 1) / kBlockEntries]);
  if (next.blocks_ == nullptr) next.capacity_ = 0;
  const uint64_t head = head_.load(std::memory_order_relaxed);
  const uint64_t keep = held_ < next.capacity_ ? held_ : next.capacity_;
  for (uint64_t r = head - keep + 1; r <= head; ++r) {
    uint8_t *to = next.Claim(r);
    if (to == nullptr) {
      next.held_ = 0;
      continue;
    }
    std::memcpy(to, Slot(r), 1 + schema_->recordSize);
    ++next.held_;
  }
  blocks_ = std::move(next.blocks_);
  capacity_ = next.capacity_;
  held_ = next.held_;
  retention_ = retention;
}

void ChangeLog::Append(uint32_t kind, const uint8_t *record, uint32_t retention) noexcept {
  if (retention != retention_) Resize(retention);
  const uint64_t revision = head_.load(std::memory_order_relaxed) + 1;
  uint8_t *slot = capacity_ == 0 ? nullptr : Claim(revision);
  if (slot == nullptr) {
    held_ = 0;  // the revision still counts: a reader behind it learns of the gap
  } else {
    slot[0] = static_cast<uint8_t>(kind);
    std::memcpy(slot + 1, record, schema_->recordSize);
    if (held_ < capacity_) ++held_;
  }
  head_.store(revision, std::memory_order_seq_cst);
}

uint32_t ChangeLog::Check(Srv6DbEngineCursor *c, uint64_t epoch) const noexcept {
  const uint64_t head = head_.load(std::memory_order_relaxed);
  const uint64_t oldest = head - held_ + 1;  // head + 1 when nothing is held
  if (c->epoch == epoch && c->revision <= head && c->revision + 1 >= oldest) return DB_OK;
  c->gap = 1;
  c->lost = c->epoch != epoch || c->revision > head ? UINT64_MAX : oldest - 1 - c->revision;
  return SRV6DB_ENGINE_ERR_LOG_GAP;
}

uint32_t ChangeLog::Copy(uint32_t table, uint64_t after, Srv6DbEngineChange *out,
                         uint32_t max) const noexcept {
  const uint64_t head = head_.load(std::memory_order_relaxed);
  uint32_t n = 0;
  for (uint64_t r = after + 1; r <= head && n < max; ++r, ++n) {
    const uint8_t *slot = Slot(r);
    Srv6DbEngineChange &c = out[n];
    c.table = table;
    c.kind = slot[0];
    c.revision = r;
    c.recordLength = schema_->recordSize;
    std::memcpy(c.record, slot + 1, c.recordLength);
    KeyBytes key;
    BuildKey(*schema_, 0, c.record, &key);
    c.keyLength = key.length;
    std::memcpy(c.key, key.bytes, key.length);
  }
  return n;
}

void ChangeLog::Clear() noexcept {
  held_ = 0;
  head_.store(0, std::memory_order_seq_cst);
}

}  // namespace srv6db::engine
