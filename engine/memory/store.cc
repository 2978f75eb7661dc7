// Record storage of one table: open-addressing hash sets for keys, linked lists for order and
// iteration, nodes and buckets in pooled blocks sized to the table.
#include "engine/memory/store.h"

#include <cstdlib>
#include <new>

namespace srv6db::engine {
namespace {

void LinkAfter(Link *pos, Link *l) noexcept {
  l->prev = pos;
  l->next = pos->next;
  pos->next->prev = l;
  pos->next = l;
}

void Unlink(Link *l) noexcept {
  l->prev->next = l->next;
  l->next->prev = l->prev;
  l->prev = l->next = l;
}

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

void BuildKey(const Schema &schema, uint32_t index, const uint8_t *record, KeyBytes *out) noexcept {
  const IndexDef &def = schema.indexes[index];
  uint32_t n = 0;
  for (uint32_t i = 0; i < def.segmentCount; ++i) {
    std::memcpy(out->bytes + n, record + def.segments[i].offset, def.segments[i].length);
    n += def.segments[i].length;
  }
  out->length = n;
}

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
  linkOffset_ = static_cast<uint32_t>(sizeof(Node)) + recordBytes;
  const uint32_t secondaries = schema->indexCount - 1;
  nodeSize_ = linkOffset_ + secondaries * static_cast<uint32_t>(sizeof(Link));
  nodeBlocks_.Init(nodeSize_);
  for (uint32_t i = 1; i < schema->indexCount; ++i) {
    bucketBlocks_[i].Init(static_cast<uint32_t>(sizeof(Bucket)) +
                          KeyWordLength(schema->indexes[i].keyWord));
  }
}

Link *Store::IndexLink(Node *node, uint32_t index) const noexcept {
  return reinterpret_cast<Link *>(reinterpret_cast<uint8_t *>(node) + linkOffset_) + (index - 1);
}

Node *Store::OwnerOf(Link *link, uint32_t index) const noexcept {
  if (index == 0) return reinterpret_cast<Node *>(link);
  return reinterpret_cast<Node *>(reinterpret_cast<uint8_t *>(link - (index - 1)) - linkOffset_);
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
bool IsNode(const void *entry) noexcept { return static_cast<const Link *>(entry)->seq != 0; }
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

Bucket *Store::MakeBucket(uint32_t index, Node *lone, const KeyBytes &key, uint64_t hash) noexcept {
  auto *b = new (bucketBlocks_[index].Allocate()) Bucket;
  std::memcpy(b->key(), key.bytes, key.length);
  LinkAfter(&b->head, IndexLink(lone, index));
  b->live = 1;
  b->links = 1;
  buckets_[index].Replace(hash, lone, b);
  return b;
}

Node *Store::Put(const uint8_t *record, bool *created) noexcept {
  KeyBytes key;
  BuildKey(*schema_, 0, record, &key);
  const uint64_t hash = HashKey(key);
  const uint32_t size = schema_->recordSize;
  if (Node *node = Find(key, hash)) {
    *created = false;
    Rewrite(node, record);
    return node;
  }
  *created = true;
  Node *node = new (nodeBlocks_.Allocate()) Node;
  std::memcpy(node->record(), record, size);
  node->tableLink.seq = nextSeq_++;
  LinkAfter(head_.prev, &node->tableLink);
  primary_.Insert(hash, node,
                  [this](void *p) { return PrimaryHash(static_cast<Node *>(p)->record()); });
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    Link *l = IndexLink(node, i);
    new (l) Link;
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
    KeyBytes before;
    BuildKey(*schema_, i, node->record(), &before);
    BuildKey(*schema_, i, record, &after[i]);
    if (before == after[i]) continue;
    Detach(node, i, before);
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
  Link *l = IndexLink(node, index);
  l->seq = nextSeq_++;
  if (entry == nullptr) {  // the key's only record: no bucket yet
    l->prev = l->next = l;
    buckets_[index].Insert(hash, node, [this, index](void *p) { return EntryHash(index, p); });
    return;
  }
  Bucket *b = IsNode(entry) ? MakeBucket(index, static_cast<Node *>(entry), key, hash)
                            : static_cast<Bucket *>(entry);
  LinkAfter(b->head.prev, l);
  ++b->live;
  ++b->links;
}

void Store::Detach(Node *node, uint32_t index, const KeyBytes &key) noexcept {
  const uint64_t hash = HashKey(key);
  void *entry = FindKey(index, key, hash);
  Link *l = IndexLink(node, index);
  auto rehash = [this, index](void *p) { return EntryHash(index, p); };
  if (entry == node) {
    buckets_[index].Erase(hash, node, rehash);
    l->prev = l->next = l;
    return;
  }
  auto *b = static_cast<Bucket *>(entry);
  Unlink(l);
  if (--b->live == 0) {
    // Out of the index while empty: a later record with this key starts anew, and walks
    // begun on this bucket would not yield it anyway.
    buckets_[index].Erase(hash, b, rehash);
  }
  DropBucketLink(b, index);
}

void Store::DropBucketLink(Bucket *bucket, uint32_t index) noexcept {
  if (--bucket->links != 0) return;
  bucket->~Bucket();
  bucketBlocks_[index].Free(bucket);
}

void Store::Remove(Node *node) noexcept { Remove(node, PrimaryHash(node->record())); }

void Store::Remove(Node *node, uint64_t primaryHash) noexcept {
  primary_.Erase(primaryHash, node,
                 [this](void *p) { return PrimaryHash(static_cast<Node *>(p)->record()); });
  Unlink(&node->tableLink);
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    KeyBytes k;
    BuildKey(*schema_, i, node->record(), &k);
    Detach(node, i, k);
  }
  --size_;
  node->~Node();
  nodeBlocks_.Free(node);
}

void Store::Clear() noexcept {
  Link *l = head_.next;
  while (l != &head_) {
    Link *next = l->next;
    if (l->seq != 0) Remove(reinterpret_cast<Node *>(l));
    l = next;
  }
  primary_.Reset();
  for (PointerIndex &b : buckets_) b.Reset();
  // Buckets that live iterators still hold keep their chunks until the next clear.
  nodeBlocks_.Trim();
  for (BlockPool &b : bucketBlocks_) b.Trim();
}

uint64_t Store::BytesInUse() const noexcept {
  uint64_t bytes = nodeBlocks_.BytesInUse() + primary_.Bytes();
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

void Store::StartIter(IterState *it, uint32_t index, const KeyBytes *key) noexcept {
  it->made = true;
  it->ended = it->positioned = it->redeliver = it->lone = false;
  it->index = index;
  it->startSeq = nextSeq_;
  it->bucket = nullptr;
  it->cursor.seq = 0;
  it->cursor.prev = it->cursor.next = &it->cursor;
  it->cursorLinked = false;
  it->batchCount = it->batchAt = 0;
  if (index == 0) {
    it->sentinel = &head_;
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
  it->sentinel = &it->bucket->head;
  ++it->bucket->links;
}

uint32_t Store::NextBatch(IterState *it, uint8_t *out, uint32_t max) noexcept {
  if (it->ended) return 0;
  const uint32_t size = schema_->recordSize;
  uint32_t n = 0;
  if (it->lone) {
    if (Node *node = LoneRecord(it)) {
      std::memcpy(out, node->record(), size);
      n = 1;
    }
  } else {
    n = Step(it, out, max);
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

// Copies up to max records that follow the cursor and parks the cursor after the last one:
// the cursor moves once per batch, not once per record.
uint32_t Store::Step(IterState *it, uint8_t *out, uint32_t max) noexcept {
  const uint32_t size = schema_->recordSize;
  Link *l = it->cursorLinked ? it->cursor.next : it->sentinel->next;
  Link *last = nullptr;
  uint32_t n = 0;
  while (n < max) {
    while (l != it->sentinel && l->seq == 0) l = l->next;    // other walks' cursors
    if (l == it->sentinel || l->seq >= it->startSeq) break;  // joined after the start
    std::memcpy(out + size_t{n} * size, OwnerOf(l, it->index)->record(), size);
    ++n;
    last = l;
    l = l->next;
  }
  if (last != nullptr) {
    if (it->cursorLinked) Unlink(&it->cursor);
    LinkAfter(last, &it->cursor);
    it->cursorLinked = true;
  }
  return n;
}

// The one record the key had at the start, if it still has the key: alone, or first in the
// bucket that later records gave the key (they joined after the start and are not yielded).
Node *Store::LoneRecord(IterState *it) noexcept {
  if (it->positioned) return nullptr;  // yielded already
  void *entry = FindKey(it->index, it->key, it->keyHash);
  if (entry == nullptr) return nullptr;
  Link *l;
  if (IsNode(entry)) {
    l = IndexLink(static_cast<Node *>(entry), it->index);
  } else {
    Link *head = &static_cast<Bucket *>(entry)->head;
    l = head->next;
    while (l != head && l->seq == 0) l = l->next;
    if (l == head) return nullptr;
  }
  return l->seq < it->startSeq ? OwnerOf(l, it->index) : nullptr;
}

void Store::StopIter(IterState *it) noexcept {
  LeavePosition(it);
  it->made = it->positioned = false;
}

void Store::LeavePosition(IterState *it) noexcept {
  if (it->cursorLinked) {
    Unlink(&it->cursor);
    it->cursorLinked = false;
  }
  if (it->bucket != nullptr) {
    DropBucketLink(it->bucket, it->index);
    it->bucket = nullptr;
  }
}

}  // namespace srv6db::engine
