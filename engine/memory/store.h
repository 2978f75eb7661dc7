// One table's records, primary map, secondary index buckets and walk positions.
#ifndef SRV6DB_ENGINE_MEMORY_STORE_H
#define SRV6DB_ENGINE_MEMORY_STORE_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/memory/block_pool.h"
#include "engine/memory/spin_lock.h"
#include "engine/runtime/key.h"
#include "engine/schema.h"

namespace srv6db::engine {

uint64_t HashKey(const KeyBytes &k) noexcept;

struct Node;
struct Bucket;

// One ordered list of records, the table's or a secondary key value's: node pointers in the
// order the records joined, so that a walk reads consecutive slots and can fetch records ahead.
// A record that leaves leaves a hole (null), closed by compaction once holes are half the
// slots; each compaction starts a new epoch, and only compaction moves a slot. A walk keeps its
// place as a position valid in one epoch and the sequence number of its last record, and finds its
// place again by that number in a later epoch.
struct Column {
  Node **slots = nullptr;
  uint32_t size = 0;  // slots in use, holes included
  uint32_t capacity = 0;
  uint32_t holes = 0;
  uint32_t epoch = 0;
};

// Where a record stands in one secondary index: in a bucket's column, or alone under its key
// (bucket null) while no other record has the key.
struct Member {
  Bucket *bucket;
  uint64_t seq;  // joined the key's list; later joins have larger numbers
  uint32_t pos;  // in the bucket's column
};

// The records of one secondary key that two records have had at once: a key of one record has
// none, its index entry names the record's node. The key bytes follow the bucket, so finding one
// reads no record. The first word is 0 where a node's is its table sequence, never 0: the key index
// holds either.
struct Bucket {
  uint64_t zero = 0;
  Column column;
  uint32_t live = 0;   // records with this key: the count by key; in the index while non-zero
  uint32_t walks = 0;  // iterators standing in it; the bucket goes when both are zero

  uint8_t *key() noexcept { return reinterpret_cast<uint8_t *>(this + 1); }
  const uint8_t *key() const noexcept { return reinterpret_cast<const uint8_t *>(this + 1); }
};

// A stored record, a block of the table's exact size: this header, the record bytes, then one
// Member per secondary index. Nothing outlives a removal: an iterator holds a copy of the
// record it stands on and a position, never the node.
struct Node {
  uint64_t seq;  // joined the table; never 0
  uint32_t pos;  // in the table's column

  uint8_t *record() noexcept { return reinterpret_cast<uint8_t *>(this + 1); }
  const uint8_t *record() const noexcept { return reinterpret_cast<const uint8_t *>(this + 1); }
};
static_assert(sizeof(Node) == 16 && alignof(Node) == 8);

// Open-addressing hash set of pointers (nodes or buckets) with linear probing. A slot packs a
// 16-byte-aligned pointer below 2^47 (43 bits) and the top 21 bits of its hash, which both
// filter probes (most misses touch no entry) and give an entry's home slot while the set has at
// most 2^21 slots, so growing and deleting read no entry back. Larger sets ask `rehash`.
class PointerIndex {
 public:
  PointerIndex() = default;
  PointerIndex(const PointerIndex &) = delete;
  PointerIndex &operator=(const PointerIndex &) = delete;
  ~PointerIndex() { Reset(); }

  // The entry whose hash is `hash` and that `matches` accepts, or null.
  template <typename Match>
  void *Find(uint64_t hash, Match &&matches) const noexcept {
    if (mask_ == 0) return nullptr;
    const uint64_t top = hash >> kPointerBits;
    for (uint64_t i = hash >> shift_;; i = (i + 1) & mask_) {
      const uint64_t s = slots_[i];
      if (s == 0) return nullptr;
      if ((s >> kPointerBits) == top && matches(Pointer(s))) return Pointer(s);
    }
  }
  // Adds an entry known to be absent; `rehash` gives the hash of any entry when needed.
  template <typename Rehash>
  void Insert(uint64_t hash, void *p, Rehash &&rehash) noexcept {
    if ((size_ + 1) * 4 > (mask_ + 1) * 3) Grow(rehash);
    Place(hash >> shift_, Pack(hash, p));
    ++size_;
  }
  // Makes the entry p, whose hash is `hash`, name q instead.
  void Replace(uint64_t hash, const void *p, void *q) noexcept {
    uint64_t i = hash >> shift_;
    while (Pointer(slots_[i]) != p) i = (i + 1) & mask_;
    slots_[i] = Pack(hash, q);
  }
  // Removes entry p, whose hash is `hash`. Later entries of its probe run move back into the
  // hole (backward-shift deletion: no tombstones).
  template <typename Rehash>
  void Erase(uint64_t hash, const void *p, Rehash &&rehash) noexcept {
    uint64_t hole = hash >> shift_;
    while (Pointer(slots_[hole]) != p) hole = (hole + 1) & mask_;
    for (uint64_t j = (hole + 1) & mask_; slots_[j] != 0; j = (j + 1) & mask_) {
      const uint64_t home = Home(slots_[j], rehash);
      const bool homeAfterHole =
          hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
      if (homeAfterHole) continue;  // moving it before its home would hide it
      slots_[hole] = slots_[j];
      hole = j;
    }
    slots_[hole] = 0;
    --size_;
  }
  template <typename Visit>
  void ForEach(Visit &&visit) const noexcept {
    for (uint64_t i = 0; mask_ != 0 && i <= mask_; ++i)
      if (slots_[i] != 0) visit(Pointer(slots_[i]));
  }
  void Reset() noexcept;  // frees the slots
  uint64_t Bytes() const noexcept { return mask_ == 0 ? 0 : (mask_ + 1) * sizeof(uint64_t); }

 private:
  static constexpr uint32_t kPointerBits = 43;
  static constexpr uint32_t kHashBits = 64 - kPointerBits;

  static uint64_t Pack(uint64_t hash, const void *p) noexcept;
  static void *Pointer(uint64_t s) noexcept {
    return reinterpret_cast<void *>(
        static_cast<uintptr_t>((s & ((uint64_t{1} << kPointerBits) - 1)) << 4));
  }
  template <typename Rehash>
  uint64_t Home(uint64_t s, Rehash &&rehash) const noexcept {
    if (64 - shift_ <= kHashBits) return (s >> kPointerBits) >> (kHashBits - (64 - shift_));
    return rehash(Pointer(s)) >> shift_;
  }
  void Place(uint64_t home, uint64_t slot) noexcept;
  template <typename Rehash>
  void Grow(Rehash &&rehash) noexcept {
    uint64_t *old = slots_;
    const uint64_t oldCount = mask_ == 0 ? 0 : mask_ + 1;
    Allocate(oldCount == 0 ? 16 : oldCount * 2);
    for (uint64_t i = 0; i < oldCount; ++i) {
      const uint64_t s = old[i];
      if (s == 0) continue;
      const uint64_t home = 64 - shift_ <= kHashBits
                                ? (s >> kPointerBits) >> (kHashBits - (64 - shift_))
                                : rehash(Pointer(s)) >> shift_;
      Place(home, s);
    }
    std::free(old);
  }
  void Allocate(uint64_t count) noexcept;

  uint64_t *slots_ = nullptr;
  uint64_t mask_ = 0;   // slot count - 1; 0 while nothing is allocated
  uint32_t shift_ = 0;  // 64 - log2(slot count): the home slot is hash >> shift_
  uint64_t size_ = 0;
};

// Iteration state, embedded in its engine object. Walks the records that were in its range
// when it was made (sequence below startSeq) and are still there when reached. A walk is a
// place in a column, linked into nothing, so an iterator costs other walks and writers nothing.
// A key that one record alone held when the walk began has no bucket: such a walk looks the
// key up again at its step and yields that record, if it still has the key, and nothing more.
struct IterState {
  bool made = false;
  bool ended = false;
  bool positioned = false;  // a step took a record
  bool lone = false;
  uint32_t index = 0;  // 0 whole table, n secondary index n
  uint32_t pos = 0;    // next slot of the column to read, in epoch `epoch`
  uint32_t end = 0;    // first slot of a record that joined after the start
  uint32_t epoch = 0;
  uint64_t startSeq = 0;
  uint64_t lastSeq = 0;  // of the latest record taken
  Bucket *bucket = nullptr;
  KeyBytes key;  // of a lone walk, and its hash
  uint64_t keyHash = 0;
};

class Store {
 public:
  Store() = default;
  Store(const Store &) = delete;
  Store &operator=(const Store &) = delete;
  ~Store();

  void Init(const Schema *schema) noexcept;
  const Schema &schema() const noexcept { return *schema_; }
  SpinLock &mutex() noexcept { return mu_; }

  // Everything below needs mutex() held.
  uint64_t size() const noexcept { return size_; }
  uint64_t BytesInUse() const noexcept;
  Node *Find(const KeyBytes &primary) const noexcept { return Find(primary, HashKey(primary)); }
  Node *Find(const KeyBytes &primary, uint64_t hash) const noexcept;  // hash: HashKey(primary)
  // Stores a whole record; a record with the same primary key is overwritten in place.
  Node *Put(const uint8_t *record, bool *created) noexcept;
  // Writes a u32 at each offset given (kNoOffset skipped) and moves affected index entries.
  void Patch(Node *node, const uint32_t *offsets, const uint32_t *values, uint32_t n) noexcept;
  void Remove(Node *node) noexcept;
  void Remove(Node *node, uint64_t primaryHash) noexcept;  // the hash of its primary key
  // Removes every record and gives back the index memory.
  void Clear() noexcept;
  uint64_t CountByKey(uint32_t index, const KeyBytes &key) const noexcept;
  // Calls visit(record) per record in insertion order until it answers non-zero.
  template <typename Visit>
  void VisitRecords(Visit &&visit) const noexcept {
    for (uint32_t i = 0; i < table_.size; ++i) {
      const Node *node = table_.slots[i];
      if (node != nullptr && visit(node->record()) != 0) return;
    }
  }

  // index 0 walks the whole table, key unused; otherwise the bucket of key.
  void StartIter(IterState *it, uint32_t index, const KeyBytes *key) noexcept;
  // Takes up to `max` (at least 1) next records of the walk, copied one after another to
  // `out`, and positions on the last one; answers how many, 0 at the end (and for ever after).
  uint32_t NextBatch(IterState *it, uint8_t *out, uint32_t max) noexcept;
  void StopIter(IterState *it) noexcept;

 private:
  Member &MemberOf(Node *node, uint32_t index) const noexcept {
    return reinterpret_cast<Member *>(reinterpret_cast<uint8_t *>(node) + memberOffset_)[index - 1];
  }
  uint64_t SeqOf(const Node *node, uint32_t index) const noexcept {
    return index == 0 ? node->seq : MemberOf(const_cast<Node *>(node), index).seq;
  }
  uint64_t PrimaryHash(const uint8_t *record) const noexcept;
  // The bucket or lone node of key in secondary index `index`, or null.
  void *FindKey(uint32_t index, const KeyBytes &key, uint64_t hash) const noexcept;
  uint64_t EntryHash(uint32_t index, const void *entry) const noexcept;
  // Gives a lone node's key a bucket holding that node.
  Bucket *MakeBucket(uint32_t index, Node *lone, const KeyBytes &key, uint64_t hash) noexcept;
  void FreeBucket(Bucket *bucket, uint32_t index) noexcept;
  void Attach(Node *node, uint32_t index, const KeyBytes &key) noexcept;
  void Detach(Node *node, uint32_t index) noexcept;
  // Overwrites a stored record with one of the same primary key, moving its index entries.
  void Rewrite(Node *node, const uint8_t *record) noexcept;
  // Column upkeep; index 0 is the table's column, n a bucket of secondary index n.
  uint32_t Append(Column &c, Node *node) noexcept;  // answers the node's position
  void Vacate(Column &c, uint32_t pos, uint32_t index) noexcept;
  void FreeSlots(Column &c) noexcept;
  uint32_t SlotAfter(const Column &c, uint32_t index, uint64_t seq) const noexcept;
  uint32_t Step(IterState *it, Column &c, uint8_t *out, uint32_t max) noexcept;
  Node *LoneRecord(IterState *it) noexcept;
  void LeavePosition(IterState *it) noexcept;  // lets go of the bucket

  const Schema *schema_ = nullptr;
  uint32_t memberOffset_ = 0;  // of the first secondary index member in a node
  uint32_t nodeSize_ = 0;
  SpinLock mu_;
  Column table_;
  uint64_t size_ = 0;
  uint64_t nextSeq_ = 1;
  uint64_t slotBytes_ = 0;             // of every column
  PointerIndex primary_;               // nodes by primary key
  PointerIndex buckets_[kMaxIndexes];  // [i]: buckets of secondary index i by key
  BlockPool nodeBlocks_;
  BlockPool bucketBlocks_[kMaxIndexes];  // [i]: buckets of index i with its key length
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_MEMORY_STORE_H
