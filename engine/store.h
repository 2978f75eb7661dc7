// One table's records, primary map, secondary index buckets and iteration cursors.
#ifndef SRV6DB_ENGINE_STORE_H
#define SRV6DB_ENGINE_STORE_H

#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "engine/schema.h"

namespace srv6db::engine {

struct KeyBytes {
  uint32_t length = 0;
  uint8_t bytes[kMaxKey];

  bool operator==(const KeyBytes &o) const noexcept {
    return length == o.length && std::memcmp(bytes, o.bytes, length) == 0;
  }
};

struct KeyHash {
  size_t operator()(const KeyBytes &k) const noexcept;
};

// Builds the key of index `index` from a record through the schema's segments.
void BuildKey(const Schema &schema, uint32_t index, const uint8_t *record, KeyBytes *out) noexcept;

struct Node;

enum class LinkKind : uint8_t { kHead, kRecord, kCursor };

// An element of a circular, insertion-ordered list: the table's record list or one bucket.
// Records only ever join at the tail with a fresh sequence number, so each list is ordered by
// sequence; cursors are links of their own and stay valid whatever records leave around them.
struct Link {
  Link *prev = this;
  Link *next = this;
  Node *owner = nullptr;
  uint64_t seq = 0;
  LinkKind kind = LinkKind::kHead;
};

struct Bucket {
  Link head;
  uint64_t live = 0;              // records with this key: the count by key
  uint32_t links = 0;             // records and cursors linked; the bucket goes at zero
  const KeyBytes *key = nullptr;  // the map's own key
};

// A stored record. A removed node that an iterator still stands on is unlinked from every
// list and marked dead; it is freed when its last iterator moves on or goes.
struct Node {
  Link tableLink;
  Link indexLinks[kMaxIndexes];  // [i] for secondary index i
  Bucket *buckets[kMaxIndexes] = {};
  uint32_t refs = 0;
  bool dead = false;
  alignas(8) uint8_t record[kMaxRecord];
};

// Iteration state, embedded in its engine object. Walks the records that were in its range
// when it was made (sequence below startSeq) and are still there when reached.
struct IterState {
  bool made = false;
  bool ended = false;
  uint32_t index = 0;  // 0 whole table, n secondary index n
  uint32_t countHint = 0;
  uint64_t startSeq = 0;
  Link cursor;
  Link *sentinel = nullptr;
  Bucket *bucket = nullptr;
  bool cursorLinked = false;
  Node *current = nullptr;
};

class Store {
 public:
  Store() = default;
  Store(const Store &) = delete;
  Store &operator=(const Store &) = delete;
  ~Store();

  void Init(const Schema *schema) noexcept { schema_ = schema; }
  const Schema &schema() const noexcept { return *schema_; }
  std::mutex &mutex() noexcept { return mu_; }

  // Everything below needs mutex() held.
  uint64_t size() const noexcept { return size_; }
  Node *Find(const KeyBytes &primary) const noexcept;
  // Stores a whole record; a record with the same primary key is overwritten in place.
  Node *Put(const uint8_t *record, bool *created) noexcept;
  // Writes a u32 at each offset given (kNoOffset skipped) and moves affected index entries.
  void Patch(Node *node, const uint32_t *offsets, const uint32_t *values, uint32_t n) noexcept;
  void Remove(Node *node) noexcept;
  void Clear() noexcept;
  uint64_t CountByKey(uint32_t index, const KeyBytes &key) const noexcept;
  const Link *head() const noexcept { return &head_; }

  // index 0 walks the whole table, key unused; otherwise the bucket of key.
  void StartIter(IterState *it, uint32_t index, const KeyBytes *key) noexcept;
  // Positions on the next record; false at the end (and for ever after).
  bool Next(IterState *it) noexcept;
  void StopIter(IterState *it) noexcept;

 private:
  void Attach(Node *node, uint32_t index, const KeyBytes &key) noexcept;
  void Detach(Node *node, uint32_t index) noexcept;
  void DropBucketLink(uint32_t index, Bucket *bucket) noexcept;
  void Unref(Node *node) noexcept;
  void LeavePosition(IterState *it) noexcept;  // unlinks the cursor, lets go of the record

  const Schema *schema_ = nullptr;
  std::mutex mu_;
  Link head_;
  uint64_t size_ = 0;
  uint64_t nextSeq_ = 1;
  std::unordered_map<KeyBytes, Node *, KeyHash> primary_;
  std::unordered_map<KeyBytes, Bucket, KeyHash> buckets_[kMaxIndexes];
};

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_STORE_H
