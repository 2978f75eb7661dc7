// What a table description is made of: field rows and keys, as constexpr data that the
// library's codec, the engine's schemas and the Redis functions all derive from. Reads only
// the exported layouts (offsetof, sizeof); links nothing.
#ifndef SRV6DB_SCHEMA_TABLE_DEF_H
#define SRV6DB_SCHEMA_TABLE_DEF_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

#include "include/srv6_db.h"

namespace srv6db {

// Key word kinds and the bounds every table keeps (the engine checks its own against these).
inline constexpr uint32_t kKeyKindPrimary = 0x01;
inline constexpr uint32_t kKeyKindSecondary = 0x09;
inline constexpr uint32_t kMaxRecordSize = 308;  // the largest record (schema/tables.h checks)
inline constexpr uint32_t kMaxKeyLength = 64;
inline constexpr size_t kMaxKeys = 6;  // the primary key and index numbers 1 to 5

// How one field travels between entry and record (the same codec serves both directions).
enum class Codec : uint8_t {
  kCopy,         // the bytes as they are
  kIpv6Words,    // one or more IPv6 addresses: each 4-byte word byte-reversed
  kBoundedCopy,  // 16-byte blocks, through the bounded copy
  kWidenU8,      // an entry u8 held as a zero-extended u32 in the record
};

// What a field holds, for programs that show or parse values.
enum class FieldKind : uint8_t {
  kUnsigned,  // an unsigned integer of 1, 2, 4 or 8 bytes
  kIpv6,      // one or more IPv6 addresses (width / 16), host word order in the entry
  kBytes,     // an array: elementWidth-byte items
};

template <typename M>
constexpr FieldKind KindOf(Codec codec) {
  if (codec == Codec::kIpv6Words) return FieldKind::kIpv6;
  return std::is_array_v<M> ? FieldKind::kBytes : FieldKind::kUnsigned;
}

// One carried field. Entry bytes without a row (spare) are never read back; record bytes
// without a row are never written, so they reach the engine as the zeros the area held.
struct Field {
  const char *name;
  uint16_t entryOffset;
  uint16_t entryWidth;
  uint16_t recordOffset;
  uint16_t width;  // bytes in the record
  Codec codec;
  FieldKind kind;
  uint16_t elementWidth;  // width of one array item, or of the whole scalar
};

// One part of a key: bytes of the key source, placed right after the previous part.
struct KeySegment {
  const char *name;
  uint16_t sourceOffset;
  uint16_t width;
  Codec codec;  // kCopy or kIpv6Words
  FieldKind kind;
  // The record field the part is stored in when that field has another name (the part's own
  // name otherwise): a caller's argument the engine reads from a record's attribute.
  const char *heldIn = nullptr;

  constexpr std::string_view RecordName() const { return heldIn != nullptr ? heldIn : name; }
};

// What a key is built from: the table's entry, a Srv6DbSmoothKey, or a small structure of
// sourceSize bytes whose parts the segments name (a group info, a lone id, scalar arguments).
enum class KeySource : uint8_t { kEntry, kSmoothKey, kStruct };

// A key: its parts in key order. Offsets are the running sum of the widths, the length their
// total and the index number the key's position in its table (primary first).
struct KeyDef {
  const char *name;
  KeySource source = KeySource::kEntry;
  uint32_t sourceSize = 0;  // kStruct only; the others have the entry's or the smooth key's size
  std::span<const KeySegment> segments;
  bool countAnswersNull = false;  // the table's count answers 1 for a null count itself

  constexpr uint32_t Length() const {
    uint32_t length = 0;
    for (const KeySegment &s : segments) length += s.width;
    return length;
  }
  constexpr uint32_t OffsetOf(size_t segment) const {
    uint32_t offset = 0;
    for (size_t i = 0; i < segment; ++i) offset += segments[i].width;
    return offset;
  }
};

struct TableDef {
  uint32_t id;
  const char *name;       // the engine's table name, also the registry's
  const char *shortName;  // the name in the table's exported symbols
  uint32_t entrySize;
  uint32_t recordSize;
  std::span<const Field> fields;
  std::span<const KeyDef> keys;  // [0] the primary key, then the secondary keys by index
  // The library's exported functions of the table, for programs that work through it at run
  // time: null in a description, bound by tables/catalog.h.
  uint32_t (*create)(const void *entry) = nullptr;
  uint32_t (*remove)(const void *entry) = nullptr;
  void (*encode)(const void *entry, void *record) = nullptr;  // Set<T>Fields
  void (*decode)(const void *record, void *entry) = nullptr;  // Get<T>Fields

  constexpr uint32_t KeyWord(size_t key) const {
    return SRV6_DB_KEY_WORD(key, key == 0 ? kKeyKindPrimary : kKeyKindSecondary,
                            keys[key].Length());
  }
  constexpr uint32_t SourceSize(size_t key) const {
    switch (keys[key].source) {
      case KeySource::kEntry:
        return entrySize;
      case KeySource::kSmoothKey:
        return sizeof(Srv6DbSmoothKey);
      case KeySource::kStruct:
        break;
    }
    return keys[key].sourceSize;
  }
  // The index of the field called @p field, or fields.size().
  constexpr size_t FieldIndex(std::string_view field) const {
    size_t i = 0;
    while (i < fields.size() && std::string_view(fields[i].name) != field) ++i;
    return i;
  }
};

// A table description defines E (entry type) and R (record type) before using these.
#define SRV6DB_FIELD(member, codec)                                                          \
  ::srv6db::Field {                                                                          \
#member, offsetof(E, member), sizeof(E::member), offsetof(R, member), sizeof(R::member), \
        codec, ::srv6db::KindOf < decltype(E::member)>(codec),                               \
        sizeof(std::remove_all_extents_t <decltype(E::member)>)                              \
  }
#define SRV6DB_KEY_PART(S, member, codec)                   \
  ::srv6db::KeySegment {                                    \
#member, offsetof(S, member), sizeof(S::member), codec, \
        ::srv6db::KindOf < decltype(S::member)>(codec)      \
  }
#define SRV6DB_KEY(member) SRV6DB_KEY_PART(E, member, ::srv6db::Codec::kCopy)
#define SRV6DB_KEY_IPV6(member) SRV6DB_KEY_PART(E, member, ::srv6db::Codec::kIpv6Words)
#define SRV6DB_KEY_OF(S, member) SRV6DB_KEY_PART(S, member, ::srv6db::Codec::kCopy)
#define SRV6DB_KEY_HELD_IN(S, member, field)                                    \
  ::srv6db::KeySegment {                                                        \
#member, offsetof(S, member), sizeof(S::member), ::srv6db::Codec::kCopy,    \
        ::srv6db::KindOf < decltype(S::member)>(::srv6db::Codec::kCopy), #field \
  }

// The primary key of a table: its parts, from the entry.
#define SRV6DB_PRIMARY_KEY(parts) \
  ::srv6db::KeyDef { .name = "primary", .segments = parts }

// The walk by VRF of a table with a smooth key, in its word order.
#define SRV6DB_SMOOTH_KEY(order) \
  ::srv6db::KeyDef { .name = "Vrf", .source = ::srv6db::KeySource::kSmoothKey, .segments = order }

// Everything of table T (short name, as in Srv6Db<T>Entry) that follows from its name; the
// namespace ns holds its kFields and kKeys.
#define SRV6DB_TABLE(T, tableId, engineName, ns)                                               \
  ::srv6db::TableDef {                                                                         \
    .id = tableId, .name = engineName, .shortName = #T, .entrySize = sizeof(Srv6Db##T##Entry), \
    .recordSize = sizeof(Srv6Db##T##Record), .fields = ns::kFields, .keys = ns::kKeys,         \
  }

// The two word orders tables give their smooth key: the SRv6 tables put the smooth id first,
// the others keep the input's order.
inline constexpr KeySegment kSmoothIdFirst[] = {SRV6DB_KEY_OF(Srv6DbSmoothKey, smoothId),
                                                SRV6DB_KEY_OF(Srv6DbSmoothKey, vrId),
                                                SRV6DB_KEY_OF(Srv6DbSmoothKey, vrfIndex)};
inline constexpr KeySegment kSmoothInputOrder[] = {SRV6DB_KEY_OF(Srv6DbSmoothKey, vrId),
                                                   SRV6DB_KEY_OF(Srv6DbSmoothKey, vrfIndex),
                                                   SRV6DB_KEY_OF(Srv6DbSmoothKey, smoothId)};

// What a typo in a description would break: parts outside their source, codec widths that
// make no sense, keys too long or too many, rows outside entry or record, overlapping rows.
constexpr bool IsWellFormed(const TableDef &t, size_t k) {
  const KeyDef &key = t.keys[k];
  if (key.segments.empty() || key.Length() > kMaxKeyLength) return false;
  if (k == 0 && key.source != KeySource::kEntry) return false;
  for (const KeySegment &s : key.segments) {
    if (s.sourceOffset + s.width > t.SourceSize(k)) return false;
    if (s.codec != Codec::kCopy && s.codec != Codec::kIpv6Words) return false;
    if (s.codec == Codec::kIpv6Words && s.width % 16 != 0) return false;
  }
  return true;
}

// The VRF class data record takes the id after the last table's.
constexpr bool IsWellFormed(const TableDef &t) {
  if (t.id > SRV6_DB_TABLE_NUM || t.recordSize > kMaxRecordSize) return false;
  if (t.keys.empty() || t.keys.size() > kMaxKeys) return false;
  for (size_t k = 0; k < t.keys.size(); ++k) {
    if (!IsWellFormed(t, k)) return false;
  }
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

#endif  // SRV6DB_SCHEMA_TABLE_DEF_H
