// The hand-written floor store: linear probing over slot numbers, keys compared in the slab.
#include "bench/hand_store.h"

#include <cstring>

namespace srv6db::bench {

HandStore::HandStore(const Srv6DbEngineSchema &schema)
    : schema_(schema), recordSize_(schema.recordSize) {
  Clear();
}

void HandStore::Clear() {
  slab_.clear();
  live_.clear();
  freeSlots_.clear();
  primary_.assign(1024, kEmpty);
  count_ = 0;
  for (Secondary &s : secondary_) s = Secondary{};
  for (uint32_t i = 1; i < schema_.indexCount; ++i) secondary_[i].table.assign(256, kEmpty);
}

uint64_t HandStore::HashOf(const uint8_t *key, uint32_t length) const {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ length;
  for (; length >= 8; key += 8, length -= 8) {
    uint64_t v;
    std::memcpy(&v, key, 8);
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  if (length != 0) {
    uint64_t v = 0;
    std::memcpy(&v, key, length);
    h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
  }
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  return h ^ (h >> 33);
}

void HandStore::KeyOf(uint32_t index, const uint8_t *record, uint8_t *out) const {
  const Srv6DbEngineIndex &x = schema_.indexes[index];
  for (uint32_t s = 0; s < x.segmentCount; ++s) {
    std::memcpy(out, record + x.segments[s].offset, x.segments[s].length);
    out += x.segments[s].length;
  }
}

bool HandStore::PrimaryIs(uint32_t slot, const uint8_t *key) const {
  const Srv6DbEngineIndex &x = schema_.indexes[0];
  const uint8_t *record = Record(slot);
  for (uint32_t s = 0; s < x.segmentCount; ++s) {
    if (std::memcmp(record + x.segments[s].offset, key, x.segments[s].length) != 0) return false;
    key += x.segments[s].length;
  }
  return true;
}

uint32_t HandStore::FindSlot(const uint8_t *key, uint64_t *at) const {
  const uint64_t mask = primary_.size() - 1;
  for (uint64_t i = HashOf(key, schema_.indexes[0].keyLength) & mask;; i = (i + 1) & mask) {
    const uint32_t slot = primary_[i];
    if (slot == kEmpty || PrimaryIs(slot, key)) {
      *at = i;
      return slot;
    }
  }
}

uint32_t HandStore::FindGroup(uint32_t index, const uint8_t *key) const {
  const Secondary &s = secondary_[index];
  const uint32_t length = schema_.indexes[index].keyLength;
  const uint64_t mask = s.table.size() - 1;
  for (uint64_t i = HashOf(key, length) & mask;; i = (i + 1) & mask) {
    const uint32_t g = s.table[i];
    if (g == kEmpty || std::memcmp(s.keys.data() + size_t{g} * length, key, length) == 0) return g;
  }
}

void HandStore::GrowPrimary() {
  std::vector<uint32_t> old(primary_.size() * 2, kEmpty);
  old.swap(primary_);
  const uint64_t mask = primary_.size() - 1;
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];
  for (uint32_t slot : old) {
    if (slot == kEmpty) continue;
    KeyOf(0, Record(slot), key);
    uint64_t i = HashOf(key, schema_.indexes[0].keyLength) & mask;
    while (primary_[i] != kEmpty) i = (i + 1) & mask;
    primary_[i] = slot;
  }
}

void HandStore::Join(uint32_t index, uint32_t slot) {
  Secondary &s = secondary_[index];
  const uint32_t length = schema_.indexes[index].keyLength;
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];
  KeyOf(index, Record(slot), key);
  uint32_t g = FindGroup(index, key);
  if (g == kEmpty) {
    g = static_cast<uint32_t>(s.groups.size());
    s.groups.emplace_back();
    s.keys.insert(s.keys.end(), key, key + length);
    if (s.groups.size() * 4 > s.table.size() * 3) {
      s.table.assign(s.table.size() * 2, kEmpty);
      for (uint32_t k = 0; k < g; ++k) {
        const uint64_t mask = s.table.size() - 1;
        uint64_t i = HashOf(s.keys.data() + size_t{k} * length, length) & mask;
        while (s.table[i] != kEmpty) i = (i + 1) & mask;
        s.table[i] = k;
      }
    }
    const uint64_t mask = s.table.size() - 1;
    uint64_t i = HashOf(key, length) & mask;
    while (s.table[i] != kEmpty) i = (i + 1) & mask;
    s.table[i] = g;
  }
  if (s.groupOf.size() <= slot) {
    s.groupOf.resize(slab_.size() / recordSize_);
    s.positionOf.resize(slab_.size() / recordSize_);
  }
  s.groupOf[slot] = g;
  s.positionOf[slot] = static_cast<uint32_t>(s.groups[g].slots.size());
  s.groups[g].slots.push_back(slot);
}

// Swap-remove: a key's records keep no order.
void HandStore::Leave(uint32_t index, uint32_t slot) {
  Secondary &s = secondary_[index];
  std::vector<uint32_t> &slots = s.groups[s.groupOf[slot]].slots;
  const uint32_t at = s.positionOf[slot];
  slots[at] = slots.back();
  s.positionOf[slots[at]] = at;
  slots.pop_back();
}

void HandStore::Put(const uint8_t *record) {
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];
  KeyOf(0, record, key);
  uint64_t at;
  uint32_t slot = FindSlot(key, &at);
  const bool created = slot == kEmpty;
  if (!created) {
    for (uint32_t i = 1; i < schema_.indexCount; ++i) Leave(i, slot);
  } else {
    if (!freeSlots_.empty()) {
      slot = freeSlots_.back();
      freeSlots_.pop_back();
    } else {
      slot = static_cast<uint32_t>(live_.size());
      slab_.resize(slab_.size() + recordSize_);
      live_.push_back(0);
    }
    live_[slot] = 1;
    primary_[at] = slot;
  }
  std::memcpy(Record(slot), record, recordSize_);
  if (created && ++count_ * 4 > primary_.size() * 3) GrowPrimary();
  for (uint32_t i = 1; i < schema_.indexCount; ++i) Join(i, slot);
}

bool HandStore::Read(const uint8_t *primaryKey, uint8_t *out) const {
  uint64_t at;
  const uint32_t slot = FindSlot(primaryKey, &at);
  if (slot == kEmpty) return false;
  std::memcpy(out, Record(slot), recordSize_);
  return true;
}

bool HandStore::SetSmoothId(const uint8_t *primaryKey, uint32_t smoothId) {
  uint64_t at;
  const uint32_t slot = FindSlot(primaryKey, &at);
  if (slot == kEmpty) return false;
  const uint32_t offset = schema_.smoothIdOffset;
  bool moves[SRV6DB_ENGINE_MAX_INDEXES] = {};
  for (uint32_t i = 1; i < schema_.indexCount; ++i) {
    const Srv6DbEngineIndex &x = schema_.indexes[i];
    for (uint32_t s = 0; s < x.segmentCount; ++s)
      moves[i] |=
          offset < x.segments[s].offset + x.segments[s].length && x.segments[s].offset < offset + 4;
    if (moves[i]) Leave(i, slot);
  }
  std::memcpy(Record(slot) + offset, &smoothId, sizeof(smoothId));
  for (uint32_t i = 1; i < schema_.indexCount; ++i)
    if (moves[i]) Join(i, slot);
  return true;
}

bool HandStore::Remove(const uint8_t *primaryKey) {
  uint64_t at;
  const uint32_t slot = FindSlot(primaryKey, &at);
  if (slot == kEmpty) return false;
  for (uint32_t i = 1; i < schema_.indexCount; ++i) Leave(i, slot);
  // Backward-shift deletion keeps every probe sequence unbroken.
  const uint64_t mask = primary_.size() - 1;
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];
  for (uint64_t hole = at, i = (at + 1) & mask; primary_[i] != kEmpty; i = (i + 1) & mask) {
    KeyOf(0, Record(primary_[i]), key);
    const uint64_t home = HashOf(key, schema_.indexes[0].keyLength) & mask;
    if (((i - home) & mask) >= ((i - hole) & mask)) {
      primary_[hole] = primary_[i];
      hole = i;
    }
    at = hole;
  }
  primary_[at] = kEmpty;
  live_[slot] = 0;
  freeSlots_.push_back(slot);
  --count_;
  return true;
}

uint32_t HandStore::Count(uint32_t index, const uint8_t *key) const {
  const uint32_t g = FindGroup(index, key);
  return g == kEmpty ? 0 : static_cast<uint32_t>(secondary_[index].groups[g].slots.size());
}

uint32_t HandStore::Walk(uint32_t index, const uint8_t *key, uint8_t *out) const {
  uint32_t n = 0;
  if (index == 0) {
    for (uint32_t slot = 0; slot < live_.size(); ++slot) {
      if (!live_[slot]) continue;
      std::memcpy(out, Record(slot), recordSize_);
      ++n;
    }
    return n;
  }
  const uint32_t g = FindGroup(index, key);
  if (g == kEmpty) return 0;
  for (uint32_t slot : secondary_[index].groups[g].slots) {
    std::memcpy(out, Record(slot), recordSize_);
    ++n;
  }
  return n;
}

bool HandStore::ReadFirst(uint32_t index, const uint8_t *key, uint8_t *out) const {
  const uint32_t g = FindGroup(index, key);
  if (g == kEmpty || secondary_[index].groups[g].slots.empty()) return false;
  std::memcpy(out, Record(secondary_[index].groups[g].slots[0]), recordSize_);
  return true;
}

uint64_t HandStore::Bytes() const {
  uint64_t bytes =
      slab_.capacity() + live_.capacity() + primary_.capacity() * 4 + freeSlots_.capacity() * 4;
  for (uint32_t i = 1; i < schema_.indexCount; ++i) {
    const Secondary &s = secondary_[i];
    bytes += s.table.capacity() * 4 + s.keys.capacity() + s.groups.capacity() * sizeof(Group) +
             (s.groupOf.capacity() + s.positionOf.capacity()) * 4;
    for (const Group &g : s.groups) bytes += g.slots.capacity() * 4;
  }
  return bytes;
}

}  // namespace srv6db::bench
