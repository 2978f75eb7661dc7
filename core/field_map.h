// The declarative description of a table: field map, keys, update fields; checked at compile time.
#ifndef SRV6DB_CORE_FIELD_MAP_H
#define SRV6DB_CORE_FIELD_MAP_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/engine_api.h"
#include "srv6_db.h"

namespace srv6db {

// How one field travels between entry and record (the same codec serves both directions).
enum class Codec : uint8_t {
  kCopy,         // the bytes as they are
  kIpv6Words,    // one or more IPv6 addresses: each 4-byte word byte-reversed
  kBoundedCopy,  // 16-byte blocks, through the bounded copy
  kWidenU8,      // an entry u8 held as a zero-extended u32 in the record
};

// One carried field. Entry bytes without a row (spare) are never read back; record bytes
// without a row are never written, so they reach the engine as the zeros the area held.
struct Field {
  uint16_t entryOffset;
  uint16_t entryWidth;
  uint16_t recordOffset;
  uint16_t width;  // bytes in the record
  Codec codec;
};

// Key bytes [keyOffset, keyOffset + width) come from the key source at sourceOffset.
struct KeySegment {
  uint16_t sourceOffset;
  uint16_t keyOffset;
  uint16_t width;
  Codec codec;  // kCopy or kIpv6Words
};

struct KeyDef {
  uint32_t keyWord;  // index number, kind, length
  std::span<const KeySegment> segments;
  uint32_t sourceSize;  // size of the structure the key is built from

  constexpr uint32_t Length() const { return keyWord & 0xFFFFu; }
};

// A single u32 of the entry that an update stages on the engine object.
using StageFunc = uint32_t (*)(void *dbObj, uint32_t value);
struct UpdateField {
  uint16_t entryOffset;
  StageFunc stage;
};

struct TableDef {
  uint32_t id;
  uint32_t entrySize;
  uint32_t recordSize;
  std::span<const Field> fields;
  KeyDef primaryKey;
};

inline constexpr uint32_t kMaxRecordSize = DB_MAX_RECORD_SIZE;
inline constexpr uint32_t kMaxKeyLength = DB_MAX_KEY_LENGTH;
inline constexpr uint32_t kKindPrimary = DB_KEY_KIND_PRIMARY;
inline constexpr uint32_t kKindSecondary = DB_KEY_KIND_SECONDARY;

// A table source defines E (entry type) and R (record type) before using these.
#define SRV6DB_FIELD(member, codec)                                                       \
  ::srv6db::Field {                                                                       \
    offsetof(E, member), sizeof(E::member), offsetof(R, member), sizeof(R::member), codec \
  }
#define SRV6DB_KEY(S, member, keyOffset) \
  ::srv6db::KeySegment { offsetof(S, member), keyOffset, sizeof(S::member), ::srv6db::Codec::kCopy }
#define SRV6DB_KEY_IPV6(S, member, keyOffset)                                      \
  ::srv6db::KeySegment {                                                           \
    offsetof(S, member), keyOffset, sizeof(S::member), ::srv6db::Codec::kIpv6Words \
  }
#define SRV6DB_UPDATE_FIELD(member, stage) \
  ::srv6db::UpdateField { offsetof(E, member), stage }

// The two word orders tables give their smooth key, built from a Srv6DbSmoothKey: the SRv6
// tables put the smooth id first, the others keep the input's order.
inline constexpr KeySegment kSmoothIdFirst[] = {SRV6DB_KEY(Srv6DbSmoothKey, smoothId, 0),
                                                SRV6DB_KEY(Srv6DbSmoothKey, vrId, 4),
                                                SRV6DB_KEY(Srv6DbSmoothKey, vrfIndex, 8)};
inline constexpr KeySegment kSmoothInputOrder[] = {SRV6DB_KEY(Srv6DbSmoothKey, vrId, 0),
                                                   SRV6DB_KEY(Srv6DbSmoothKey, vrfIndex, 4),
                                                   SRV6DB_KEY(Srv6DbSmoothKey, smoothId, 8)};

// What a typo in a description would break: rows outside entry or record, overlapping record
// ranges, codec widths that make no sense, key segments that do not tile the key exactly.
constexpr bool IsWellFormed(const KeyDef &key) {
  const uint32_t kind = (key.keyWord >> 16) & 0xFFu;
  const uint32_t index = key.keyWord >> 24;
  if (kind == kKindPrimary ? index != 0 : (kind != kKindSecondary || index < 1 || index > 5)) {
    return false;
  }
  if (key.Length() == 0 || key.Length() > kMaxKeyLength) return false;
  uint64_t covered = 0;  // one bit per key byte
  for (const KeySegment &s : key.segments) {
    if (s.sourceOffset + s.width > key.sourceSize) return false;
    if (s.keyOffset + s.width > key.Length()) return false;
    if (s.codec != Codec::kCopy && s.codec != Codec::kIpv6Words) return false;
    if (s.codec == Codec::kIpv6Words && s.width % 16 != 0) return false;
    for (uint32_t b = s.keyOffset; b < s.keyOffset + s.width; ++b) {
      if (covered & (uint64_t{1} << b)) return false;
      covered |= uint64_t{1} << b;
    }
  }
  const uint64_t all = key.Length() == 64 ? ~uint64_t{0} : (uint64_t{1} << key.Length()) - 1;
  return covered == all;
}

constexpr bool IsWellFormed(const TableDef &t) {
  if (t.id >= SRV6_DB_TABLE_NUM || t.recordSize > kMaxRecordSize) return false;
  if ((t.primaryKey.keyWord >> 16 & 0xFFu) != kKindPrimary) return false;
  if (t.primaryKey.sourceSize != t.entrySize || !IsWellFormed(t.primaryKey)) return false;
  for (size_t i = 0; i < t.fields.size(); ++i) {
    const Field &f = t.fields[i];
    if (f.entryOffset + f.entryWidth > t.entrySize) return false;
    if (f.recordOffset + f.width > t.recordSize) return false;
    switch (f.codec) {
      case Codec::kCopy:
        if (f.entryWidth < f.width) return false;
        break;
      case Codec::kIpv6Words:
        if (f.width % 16 != 0 || f.entryWidth != f.width) return false;
        break;
      case Codec::kBoundedCopy:
        if (f.width != 16 || f.entryWidth != 16) return false;
        break;
      case Codec::kWidenU8:
        if (f.entryWidth != 1 || f.width != 4) return false;
        break;
    }
    for (size_t j = 0; j < i; ++j) {
      const Field &g = t.fields[j];
      const bool apart =
          f.recordOffset + f.width <= g.recordOffset || g.recordOffset + g.width <= f.recordOffset;
      if (!apart) return false;
    }
  }
  return true;
}

}  // namespace srv6db

#endif  // SRV6DB_CORE_FIELD_MAP_H
