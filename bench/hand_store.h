// The floor: one table's records in the simplest structure that serves the benchmarked
// operations, written by hand for speed. A slab of fixed-size records, an open-addressing
// primary index of slab slots, and per secondary index one vector of slots per key value.
// It keeps no promise beyond the table's: no walk survives a change, no thread safety.
#ifndef SRV6DB_BENCH_HAND_STORE_H
#define SRV6DB_BENCH_HAND_STORE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/srv6db_engine.h"

namespace srv6db::bench {

class HandStore {
 public:
  explicit HandStore(const Srv6DbEngineSchema &schema);

  void Clear();
  // Stores a record, replacing the one with its primary key.
  void Put(const uint8_t *record);
  bool Read(const uint8_t *primaryKey, uint8_t *out) const;
  bool SetSmoothId(const uint8_t *primaryKey, uint32_t smoothId);
  bool Remove(const uint8_t *primaryKey);
  // Records holding key of secondary index `index`.
  uint32_t Count(uint32_t index, const uint8_t *key) const;
  // Copies each record of the key (or of the table, index 0) to out; answers how many.
  uint32_t Walk(uint32_t index, const uint8_t *key, uint8_t *out) const;
  // Copies the first record of key of index `index` to out.
  bool ReadFirst(uint32_t index, const uint8_t *key, uint8_t *out) const;
  uint64_t Bytes() const;

 private:
  static constexpr uint32_t kEmpty = ~0u;
  // The slots of one key value of a secondary index.
  struct Group {
    std::vector<uint32_t> slots;
  };
  struct Secondary {
    std::vector<uint32_t> table;  // open addressing: group number or kEmpty
    std::vector<uint8_t> keys;    // group g's key at g * key length
    std::vector<Group> groups;
    std::vector<uint32_t> groupOf;     // [slot]: group of the record
    std::vector<uint32_t> positionOf;  // [slot]: place in its group's slots
  };

  uint64_t HashOf(const uint8_t *key, uint32_t length) const;
  void KeyOf(uint32_t index, const uint8_t *record, uint8_t *out) const;
  uint8_t *Record(uint32_t slot) { return slab_.data() + size_t{slot} * recordSize_; }
  const uint8_t *Record(uint32_t slot) const { return slab_.data() + size_t{slot} * recordSize_; }
  bool PrimaryIs(uint32_t slot, const uint8_t *key) const;
  uint32_t FindSlot(const uint8_t *key, uint64_t *at) const;  // *at: its primary table place
  uint32_t FindGroup(uint32_t index, const uint8_t *key) const;
  void Join(uint32_t index, uint32_t slot);
  void Leave(uint32_t index, uint32_t slot);
  void GrowPrimary();

  Srv6DbEngineSchema schema_;
  uint32_t recordSize_;
  std::vector<uint8_t> slab_;
  std::vector<uint8_t> live_;  // [slot]: holds a record
  std::vector<uint32_t> freeSlots_;
  std::vector<uint32_t> primary_;  // open addressing: slot or kEmpty
  uint32_t count_ = 0;
  Secondary secondary_[SRV6DB_ENGINE_MAX_INDEXES];
};

}  // namespace srv6db::bench

#endif  // SRV6DB_BENCH_HAND_STORE_H
