// Record storage of one table: open-addressing hash sets for keys, columns of node pointers for
// order and walks, nodes and buckets in pooled blocks sized to the table.
#include "engine/memory/store.h"

#include <cstdlib>
#include <new>

namespace srv6db::engine {
namespace {

uint64_t Mix(uint64_t x) noexcept {
  x ^= x >> 32;
  x *= 0xD6E8FEB86659FD93ull;
  x ^= x >> 32;
  x *= 0xD6E8FEB86659FD93ull;
  x ^= x >> 32;
  return x;
}

// Hash of key bytes, 8 at a time.
uint64_t HashBytes(const uint8_t *p, uint32_t n) noexcept {
  uint64_t h = 0x9E3779B97F4A7C15ull * (n + 1);
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t v;
    std::memcpy(&v, p, sizeof(v));
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
  }
  if (n != 0) {
    uint64_t v = 0;
    std::memcpy(&v, p, n);
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
  }
  return Mix(h);
}

// True when the key of index `def` built from `record` equals `key`.
bool KeyOfRecordIs(const IndexDef &def, const uint8_t *record, const KeyBytes &key) noexcept {
  uint32_t at = 0;
  for (uint32_t i = 0; i < def.segmentCount; ++i) {
    const Segment &s = def.segments[i];
    if (std::memcmp(record + s.offset, key.bytes + at, s.length) != 0) return false;
    at += s.length;
  }
  return at == key.length;
}

}  // namespace

uint64_t HashKey(const KeyBytes &k) noexcept { return HashBytes(k.bytes, k.length); }

// ---- PointerIndex ----

void PointerIndex::Allocate(uint64_t count) noexcept {
  slots_ = static_cast<uint64_t *>(AllocateLarge(count * sizeof(uint64_t)));
  std::memset(slots_, 0, count * sizeof(uint64_t));
  mask_ = count - 1;
  shift_ = static_cast<uint32_t>(64 - __builtin_ctzll(count));
}

uint64_t PointerIndex::Pack(uint64_t hash, const void *p) noexcept {
  const auto bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
  if ((bits & 15) != 0 || (bits >> (kPointerBits + 4)) != 0) std::abort();  // cannot be packed
  return (hash >> kPointerBits << kPointerBits) | (bits >> 4);
}

void PointerIndex::Place(uint64_t home, uint64_t slot) noexcept {
  uint64_t i = home;
  while (slots_[i] != 0) i = (i + 1) & mask_;
  slots_[i] = slot;
}

void PointerIndex::Reset() noexcept {
  std::free(slots_);
  slots_ = nullptr;
  mask_ = 0;
  shift_ = 0;
  size_ = 0;
}

// ---- Store ----

Store::~Store() { Clear(); }

void Store::Init(const Schema *schema) noexcept {
  schema_ = schema;
  const uint32_t recordBytes = (schema->recordSize + 7u) & ~7u;
  memberOffset_ = static_cast<uint32_t>(sizeof(Node)) + recordBytes;
  const uint32_t secondaries = schema->indexCount - 1;
  nodeSize_ = memberOffset_ + secondaries * static_cast<uint32_t>(sizeof(Member));
  nodeBlocks_.Init(nodeSize_);
  for (uint32_t i = 1; i < schema->indexCount; ++i) {
    bucketBlocks_[i].Init(static_cast<uint32_t>(sizeof(Bucket)) +
                          KeyWordLength(schema->indexes[i].keyWord));
  }
}

uint64_t Store::PrimaryHash(const uint8_t *record) const noexcept {
  KeyBytes key;
  BuildKey(*schema_, 0, record, &key);
  return HashKey(key);
}

Node *Store::Find(const KeyBytes &primary, uint64_t hash) const noexcept {
  const IndexDef &def = schema_->indexes[0];
  return static_cast<Node *>(primary_.Find(hash, [&](void *p) {
    return KeyOfRecordIs(def, static_cast<Node *>(p)->record(), primary);
  }));
}

namespace {
bool IsNode(const void *entry) noexcept { return *static_cast<const uint64_t *>(entry) != 0; }
}  // namespace

void *Store::FindKey(uint32_t index, const KeyBytes &key, uint64_t hash) const noexcept {
  const IndexDef &def = schema_->indexes[index];
  return buckets_[index].Find(hash, [&](void *p) {
    if (IsNode(p)) return KeyOfRecordIs(def, static_cast<Node *>(p)->record(), key);
    return std::memcmp(static_cast<Bucket *>(p)->key(), key.bytes, key.length) == 0;
  });
}

uint64_t Store::EntryHash(uint32_t index, const void *entry) const noexcept {
  if (IsNode(entry)) {
    KeyBytes k;
    BuildKey(*schema_, index, static_cast<const Node *>(entry)->record(), &k);
    return HashKey(k);
  }
  return HashBytes(static_cast<const Bucket *>(entry)->key(),
                   KeyWordLength(schema_->indexes[index].keyWord));
}

// ---- Columns ----

uint32_t Store::Append(Column &c, Node *node) noexcept {
  if (c.size == c.capacity) {
    const uint32_t capacity = c.capacity == 0 ? 4 : c.capacity * 2;  // 0 past 2^31 slots
    void *slots =
        capacity == 0 ? nullptr : std::realloc(c.slots, size_t{capacity} * sizeof(Node *));
    if (slots == nullptr) std::abort();  // out of memory or of slots, as operator new would
    slotBytes_ += size_t{capacity - c.capacity} * sizeof(Node *);
    c.slots = static_cast<Node **>(slots);
    c.capacity = capacity;
  }
  c.slots[c.size] = node;
  return c.size++;
}

// Empties slot pos. Holes are closed when they are half the column (and at least 16), moving
// each record's position (of index `index`) with it in a new epoch. The slots are kept: a
// removal never allocates.
void Store::Vacate(Column &c, uint32_t pos, uint32_t index) noexcept {
  c.slots[pos] = nullptr;
  ++c.holes;
  if (c.holes < 16 || uint64_t{c.holes} * 2 < c.size) return;
  uint32_t to = 0;
  for (uint32_t from = 0; from < c.size; ++from) {
    Node *node = c.slots[from];
    if (node == nullptr) continue;
    c.slots[to] = node;
    (index == 0 ? node->pos : MemberOf(node, index).pos) = to;
    ++to;
  }
  c.size = to;
  c.holes = 0;
  ++c.epoch;
}

void Store::FreeSlots(Column &c) noexcept {
  std::free(c.slots);
  slotBytes_ -= size_t{c.capacity} * sizeof(Node *);
  c = Column{.epoch = c.epoch + 1};
}

// ---- Records ----

Bucket *Store::MakeBucket(uint32_t index, Node *lone, const KeyBytes &key, uint64_t hash) noexcept {
  auto *b = new (bucketBlocks_[index].Allocate()) Bucket;
  std::memcpy(b->key(), key.bytes, key.length);
  Member &m = MemberOf(lone, index);
  m.bucket = b;
  m.pos = Append(b->column, lone);
  b->live = 1;
  buckets_[index].Replace(hash, lone, b);
  return b;
}

void Store::FreeBucket(Bucket *bucket, uint32_t index) noexcept {
  FreeSlots(bucket->column);
  bucket->~Bucket();
  bucketBlocks_[index].Free(bucket);
}

Node *Store::Put(const uint8_t *record, bool *created) noexcept {
  KeyBytes key;
  BuildKey(*schema_, 0, record, &key);
  const uint64_t hash = HashKey(key);
  if (Node *node = Find(key, hash)) {
    *created = false;
    Rewrite(node, record);
    return node;
  }
  *created = true;
  Node *node = new (nodeBlocks_.Allocate()) Node;
  std::memcpy(node->record(), record, schema_->recordSize);
  node->seq = nextSeq_++;
  node->pos = Append(table_, node);
  primary_.Insert(hash, node,
                  [this](void *p) { return PrimaryHash(static_cast<Node *>(p)->record()); });
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    KeyBytes k;
    BuildKey(*schema_, i, record, &k);
    Attach(node, i, k);
  }
  ++size_;
  return node;
}

// The patched fields are never primary key bytes: the node stays where it is in the table.
void Store::Patch(Node *node, const uint32_t *offsets, const uint32_t *values,
                  uint32_t n) noexcept {
  uint8_t next[kMaxRecord];
  std::memcpy(next, node->record(), schema_->recordSize);
  for (uint32_t i = 0; i < n; ++i) {
    if (offsets[i] != kNoOffset) std::memcpy(next + offsets[i], &values[i], sizeof(uint32_t));
  }
  Rewrite(node, next);
}

void Store::Rewrite(Node *node, const uint8_t *record) noexcept {
  // A lone node is found through its record's bytes: it leaves every index whose key changes
  // while it still holds the old record, and joins the new ones once it holds the new one.
  bool moved[kMaxIndexes] = {};
  KeyBytes after[kMaxIndexes];
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    BuildKey(*schema_, i, record, &after[i]);
    if (KeyOfRecordIs(schema_->indexes[i], node->record(), after[i])) continue;
    Detach(node, i);
    moved[i] = true;
  }
  std::memcpy(node->record(), record, schema_->recordSize);
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    if (moved[i]) Attach(node, i, after[i]);
  }
}

void Store::Attach(Node *node, uint32_t index, const KeyBytes &key) noexcept {
  const uint64_t hash = HashKey(key);
  void *entry = FindKey(index, key, hash);
  Member &m = MemberOf(node, index);
  m.seq = nextSeq_++;
  if (entry == nullptr) {  // the key's only record: no bucket yet
    m.bucket = nullptr;
    buckets_[index].Insert(hash, node, [this, index](void *p) { return EntryHash(index, p); });
    return;
  }
  Bucket *b = IsNode(entry) ? MakeBucket(index, static_cast<Node *>(entry), key, hash)
                            : static_cast<Bucket *>(entry);
  m.bucket = b;
  m.pos = Append(b->column, node);
  ++b->live;
}

// Takes the node out of index `index` while it still holds the record it joined with.
void Store::Detach(Node *node, uint32_t index) noexcept {
  auto rehash = [this, index](void *p) { return EntryHash(index, p); };
  Member &m = MemberOf(node, index);
  Bucket *b = m.bucket;
  if (b == nullptr) {
    KeyBytes k;
    BuildKey(*schema_, index, node->record(), &k);
    buckets_[index].Erase(HashKey(k), node, rehash);
    return;
  }
  Vacate(b->column, m.pos, index);
  if (--b->live != 0) return;
  // Out of the index while empty: a later record with this key starts anew, and walks begun
  // on this bucket would not yield it anyway.
  buckets_[index].Erase(EntryHash(index, b), b, rehash);
  if (b->walks == 0) FreeBucket(b, index);
}

void Store::Remove(Node *node) noexcept { Remove(node, PrimaryHash(node->record())); }

void Store::Remove(Node *node, uint64_t primaryHash) noexcept {
  primary_.Erase(primaryHash, node,
                 [this](void *p) { return PrimaryHash(static_cast<Node *>(p)->record()); });
  Vacate(table_, node->pos, 0);
  for (uint32_t i = 1; i < schema_->indexCount; ++i) Detach(node, i);
  --size_;
  node->~Node();
  nodeBlocks_.Free(node);
}

void Store::Clear() noexcept {
  // Each shared key's bucket is in its index once. One a walk stands in stays, empty, until
  // the walk lets go of it.
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    buckets_[i].ForEach([this, i](void *entry) {
      if (IsNode(entry)) return;
      auto *b = static_cast<Bucket *>(entry);
      b->live = 0;
      if (b->walks == 0)
        FreeBucket(b, i);
      else
        FreeSlots(b->column);
    });
  }
  for (uint32_t i = 0; i < table_.size; ++i) {
    if (Node *node = table_.slots[i]) {
      node->~Node();
      nodeBlocks_.Free(node);
    }
  }
  size_ = 0;
  FreeSlots(table_);
  primary_.Reset();
  for (PointerIndex &b : buckets_) b.Reset();
  // Buckets that live iterators still hold keep their chunks until the next clear.
  nodeBlocks_.Trim();
  for (BlockPool &b : bucketBlocks_) b.Trim();
}

uint64_t Store::BytesInUse() const noexcept {
  uint64_t bytes = nodeBlocks_.BytesInUse() + primary_.Bytes() + slotBytes_;
  for (uint32_t i = 1; i < schema_->indexCount; ++i)
    bytes += bucketBlocks_[i].BytesInUse() + buckets_[i].Bytes();
  return bytes;
}

uint64_t Store::CountByKey(uint32_t index, const KeyBytes &key) const noexcept {
  if (index == 0) return Find(key) == nullptr ? 0 : 1;
  const void *entry = FindKey(index, key, HashKey(key));
  if (entry == nullptr) return 0;
  return IsNode(entry) ? 1 : static_cast<const Bucket *>(entry)->live;
}

// ---- Walks ----

void Store::StartIter(IterState *it, uint32_t index, const KeyBytes *key) noexcept {
  it->made = true;
  it->ended = it->positioned = it->lone = false;
  it->index = index;
  it->startSeq = nextSeq_;
  it->lastSeq = 0;
  it->pos = 0;
  it->bucket = nullptr;
  if (index == 0) {
    it->epoch = table_.epoch;
    it->end = table_.size;
    return;
  }
  const uint64_t hash = HashKey(*key);
  void *entry = FindKey(index, *key, hash);
  if (entry == nullptr) {  // nothing has the key now: nothing to yield
    it->ended = true;
    return;
  }
  if (IsNode(entry)) {
    it->lone = true;
    it->key = *key;
    it->keyHash = hash;
    return;
  }
  it->bucket = static_cast<Bucket *>(entry);
  it->epoch = it->bucket->column.epoch;
  it->end = it->bucket->column.size;
  ++it->bucket->walks;
}

uint32_t Store::NextBatch(IterState *it, uint8_t *out, uint32_t max) noexcept {
  if (it->ended) return 0;
  uint32_t n = 0;
  if (it->lone) {
    if (Node *node = LoneRecord(it)) {
      std::memcpy(out, node->record(), schema_->recordSize);
      n = 1;
    }
  } else {
    n = Step(it, it->index == 0 ? table_ : it->bucket->column, out, max);
  }
  if (n == 0) {
    LeavePosition(it);
    it->ended = true;
    it->positioned = false;
    return 0;
  }
  it->positioned = true;
  return n;
}

// Copies up to max records that follow the walk's place, fetching records a few slots ahead.
// The first slot past every record of column c (of index `index`) whose sequence is at most
// seq: holes are skipped by looking right of a probe.
uint32_t Store::SlotAfter(const Column &c, uint32_t index, uint64_t seq) const noexcept {
  uint32_t lo = 0, hi = c.size;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    uint32_t at = mid;
    while (at < hi && c.slots[at] == nullptr) ++at;
    if (at != hi && SeqOf(c.slots[at], index) <= seq) {
      lo = at + 1;
    } else {
      hi = mid;  // holes from mid to the first later record, if any
    }
  }
  return lo;
}

// Copies up to max records that follow the walk's place, fetching records a few slots ahead.
// Within an epoch slots never move and joins only append, so the slots the walk may yield are
// those below `end`, and no record's sequence needs reading.
uint32_t Store::Step(IterState *it, Column &c, uint8_t *out, uint32_t max) noexcept {
  const uint32_t index = it->index;
  if (it->epoch != c.epoch) {  // compacted since: find the walk's place and end again
    it->pos = SlotAfter(c, index, it->lastSeq);
    it->end = SlotAfter(c, index, it->startSeq - 1);
    it->epoch = c.epoch;
  }
  constexpr uint32_t kAhead = 4;
  const uint32_t size = schema_->recordSize;
  const uint32_t end = it->end;
  const Node *last = nullptr;
  uint32_t i = it->pos;
  uint32_t n = 0;
  for (; n < max && i < end; ++i) {
    if (i + kAhead < end && c.slots[i + kAhead] != nullptr)
      __builtin_prefetch(c.slots[i + kAhead]->record());
    const Node *node = c.slots[i];
    if (node == nullptr) continue;
    std::memcpy(out + size_t{n} * size, node->record(), size);
    last = node;
    ++n;
  }
  it->pos = i;
  if (last != nullptr) it->lastSeq = SeqOf(last, index);
  return n;
}

// The one record the key had at the start, if it still has the key: alone, or first in the
// bucket that later records gave the key (they joined after the start and are not yielded).
Node *Store::LoneRecord(IterState *it) noexcept {
  if (it->positioned) return nullptr;  // yielded already
  void *entry = FindKey(it->index, it->key, it->keyHash);
  if (entry == nullptr) return nullptr;
  Node *node = nullptr;
  if (IsNode(entry)) {
    node = static_cast<Node *>(entry);
  } else {
    const Column &c = static_cast<Bucket *>(entry)->column;
    for (uint32_t i = 0; i < c.size && node == nullptr; ++i) node = c.slots[i];
    if (node == nullptr) return nullptr;
  }
  return MemberOf(node, it->index).seq < it->startSeq ? node : nullptr;
}

void Store::StopIter(IterState *it) noexcept {
  LeavePosition(it);
  it->made = it->positioned = false;
}

void Store::LeavePosition(IterState *it) noexcept {
  Bucket *b = it->bucket;
  if (b == nullptr) return;
  it->bucket = nullptr;
  if (--b->walks == 0 && b->live == 0) FreeBucket(b, it->index);
}

}  // namespace srv6db::engine
