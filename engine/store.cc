// Record storage of one table: hash maps for keys, linked lists for order and iteration.
#include "engine/store.h"

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

}  // namespace

size_t KeyHash::operator()(const KeyBytes &k) const noexcept {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (uint32_t i = 0; i < k.length; ++i) h = (h ^ k.bytes[i]) * 1099511628211ull;
  return static_cast<size_t>(h ^ (h >> 29));
}

void BuildKey(const Schema &schema, uint32_t index, const uint8_t *record, KeyBytes *out) noexcept {
  const IndexDef &def = schema.indexes[index];
  uint32_t n = 0;
  for (uint32_t i = 0; i < def.segmentCount; ++i) {
    std::memcpy(out->bytes + n, record + def.segments[i].offset, def.segments[i].length);
    n += def.segments[i].length;
  }
  out->length = n;
}

Store::~Store() { Clear(); }

Node *Store::Find(const KeyBytes &primary) const noexcept {
  auto it = primary_.find(primary);
  return it == primary_.end() ? nullptr : it->second;
}

Node *Store::Put(const uint8_t *record, bool *created) noexcept {
  KeyBytes key;
  BuildKey(*schema_, 0, record, &key);
  if (Node *node = Find(key)) {
    *created = false;
    uint8_t old[kMaxRecord];
    std::memcpy(old, node->record, schema_->recordSize);
    std::memcpy(node->record, record, schema_->recordSize);
    for (uint32_t i = 1; i < schema_->indexCount; ++i) {
      KeyBytes before, after;
      BuildKey(*schema_, i, old, &before);
      BuildKey(*schema_, i, node->record, &after);
      if (before == after) continue;
      Detach(node, i);
      Attach(node, i, after);
    }
    return node;
  }
  *created = true;
  Node *node = new Node;
  std::memcpy(node->record, record, schema_->recordSize);
  node->tableLink.owner = node;
  node->tableLink.kind = LinkKind::kRecord;
  node->tableLink.seq = nextSeq_++;
  LinkAfter(head_.prev, &node->tableLink);
  primary_.emplace(key, node);
  for (uint32_t i = 1; i < schema_->indexCount; ++i) {
    KeyBytes k;
    BuildKey(*schema_, i, node->record, &k);
    Attach(node, i, k);
  }
  ++size_;
  return node;
}

void Store::Patch(Node *node, const uint32_t *offsets, const uint32_t *values,
                  uint32_t n) noexcept {
  uint8_t next[kMaxRecord];
  std::memcpy(next, node->record, schema_->recordSize);
  for (uint32_t i = 0; i < n; ++i)
    if (offsets[i] != kNoOffset) std::memcpy(next + offsets[i], &values[i], sizeof(uint32_t));
  bool created = false;
  Put(next, &created);  // same primary key: the node is updated in place
}

void Store::Attach(Node *node, uint32_t index, const KeyBytes &key) noexcept {
  auto [it, inserted] = buckets_[index].try_emplace(key);
  Bucket &b = it->second;
  if (inserted) b.key = &it->first;
  Link *l = &node->indexLinks[index];
  l->owner = node;
  l->kind = LinkKind::kRecord;
  l->seq = nextSeq_++;
  LinkAfter(b.head.prev, l);
  ++b.live;
  ++b.links;
  node->buckets[index] = &b;
}

void Store::Detach(Node *node, uint32_t index) noexcept {
  Bucket *b = node->buckets[index];
  Unlink(&node->indexLinks[index]);
  node->buckets[index] = nullptr;
  --b->live;
  DropBucketLink(index, b);
}

void Store::DropBucketLink(uint32_t index, Bucket *bucket) noexcept {
  if (--bucket->links != 0) return;
  auto it = buckets_[index].find(*bucket->key);
  buckets_[index].erase(it);
}

void Store::Remove(Node *node) noexcept {
  KeyBytes key;
  BuildKey(*schema_, 0, node->record, &key);
  primary_.erase(key);
  Unlink(&node->tableLink);
  for (uint32_t i = 1; i < schema_->indexCount; ++i) Detach(node, i);
  --size_;
  if (node->refs == 0) {
    delete node;
  } else {
    node->dead = true;
  }
}

void Store::Clear() noexcept {
  Link *l = head_.next;
  while (l != &head_) {
    Link *next = l->next;
    if (l->kind == LinkKind::kRecord) Remove(l->owner);
    l = next;
  }
}

uint64_t Store::CountByKey(uint32_t index, const KeyBytes &key) const noexcept {
  if (index == 0) return primary_.count(key);
  auto it = buckets_[index].find(key);
  return it == buckets_[index].end() ? 0 : it->second.live;
}

void Store::Unref(Node *node) noexcept {
  if (--node->refs == 0 && node->dead) delete node;
}

void Store::StartIter(IterState *it, uint32_t index, const KeyBytes *key) noexcept {
  it->made = true;
  it->ended = false;
  it->index = index;
  it->startSeq = nextSeq_;
  it->current = nullptr;
  it->bucket = nullptr;
  it->cursor.kind = LinkKind::kCursor;
  it->cursor.prev = it->cursor.next = &it->cursor;
  if (index == 0) {
    it->sentinel = &head_;
  } else {
    auto found = buckets_[index].find(*key);
    if (found == buckets_[index].end()) {  // nothing has the key now: nothing to yield
      it->ended = true;
      it->cursorLinked = false;
      return;
    }
    it->bucket = &found->second;
    it->sentinel = &it->bucket->head;
    ++it->bucket->links;
  }
  LinkAfter(it->sentinel, &it->cursor);
  it->cursorLinked = true;
}

bool Store::Next(IterState *it) noexcept {
  if (it->ended) return false;
  Link *l = it->cursor.next;
  while (l != it->sentinel && l->kind == LinkKind::kCursor) l = l->next;
  if (l == it->sentinel || l->seq >= it->startSeq) {  // later records joined after the start
    LeavePosition(it);
    it->ended = true;
    return false;
  }
  Unlink(&it->cursor);
  LinkAfter(l, &it->cursor);
  Node *node = l->owner;
  ++node->refs;
  if (it->current != nullptr) Unref(it->current);
  it->current = node;
  return true;
}

void Store::StopIter(IterState *it) noexcept {
  LeavePosition(it);
  it->made = false;
}

void Store::LeavePosition(IterState *it) noexcept {
  if (it->cursorLinked) {
    Unlink(&it->cursor);
    it->cursorLinked = false;
    if (it->bucket != nullptr) DropBucketLink(it->index, it->bucket);
    it->bucket = nullptr;
  }
  if (it->current != nullptr) {
    Unref(it->current);
    it->current = nullptr;
  }
}

}  // namespace srv6db::engine
