// The declarative description of a table: field rows, keys and the table's exported functions.
// Header-only constexpr data and inline code, so that programs outside the library can read
// the descriptions too (tables/catalog.h).
#ifndef SRV6DB_CORE_FIELD_MAP_H
#define SRV6DB_CORE_FIELD_MAP_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>

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
};

// What a key is built from: the table's entry, a Srv6DbSmoothKey, or a small structure of
// sourceSize bytes whose parts the segments name (a group info, a lone id, scalar arguments).
enum class KeySource : uint8_t { kEntry, kSmoothKey, kStruct };

// The exported functions of one table or key, reached through type-erased thunks.
using IterateFunc = Srv6DbIter *(*)(const void *source, uint32_t count);
using CountFunc = uint32_t (*)(const void *source, uint64_t *count);
using ReadFunc = uint32_t (*)(void *entry);
using WriteFunc = uint32_t (*)(const void *entry);
using NextFunc = uint32_t (*)(Srv6DbIter *iter, void *entry);

// A key: its parts in key order. Offsets are the running sum of the widths, the length their
// total and the index number the key's position in its table (primary first).
struct KeyDef {
  const char *name;
  KeySource source = KeySource::kEntry;
  uint32_t sourceSize = 0;  // kStruct only; the others have the entry's or the smooth key's size
  std::span<const KeySegment> segments;
  bool countAnswersNull = false;  // the table's count answers 1 for a null count itself
  IterateFunc iterate = nullptr;  // the exported iterator by this key (secondary keys)
  CountFunc count = nullptr;      // the exported count by this key, if any
  ReadFunc readUnique = nullptr;  // the exported unique read by this key, if any

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
  WriteFunc create;
  ReadFunc read;
  WriteFunc remove;
  Srv6DbIter *(*createIterator)(uint32_t count);
  NextFunc getNext;
  void (*releaseIterator)(Srv6DbIter *iter);

  constexpr uint32_t KeyWord(size_t key) const {
    return SRV6_DB_KEY_WORD(key, key == 0 ? DB_KEY_KIND_PRIMARY : DB_KEY_KIND_SECONDARY,
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

inline constexpr uint32_t kMaxRecordSize = DB_MAX_RECORD_SIZE;
inline constexpr uint32_t kMaxKeyLength = DB_MAX_KEY_LENGTH;
inline constexpr size_t kMaxKeys = 6;  // the primary key and index numbers 1 to 5

// Thunks from the type-erased catalog signatures to the typed exported functions.
namespace api {

template <typename E>
uint32_t Write(uint32_t (*f)(const E *), const void *entry) {
  return f(static_cast<const E *>(entry));
}
template <typename E>
uint32_t Read(uint32_t (*f)(E *), void *entry) {
  return f(static_cast<E *>(entry));
}
template <typename E>
uint32_t Next(uint32_t (*f)(Srv6DbIter *, E *), Srv6DbIter *iter, void *entry) {
  return f(iter, static_cast<E *>(entry));
}
template <typename S>
Srv6DbIter *Iterate(Srv6DbIter *(*f)(const S *, uint32_t), const void *source, uint32_t count) {
  return f(static_cast<const S *>(source), count);
}
template <typename S>
uint32_t Count(uint32_t (*f)(const S *, uint64_t *), const void *source, uint64_t *count) {
  return f(static_cast<const S *>(source), count);
}
// Keys from three scalar arguments take a source of three u32 values.
inline Srv6DbIter *Iterate(Srv6DbIter *(*f)(uint32_t, uint32_t, uint32_t, uint32_t),
                           const void *source, uint32_t count) {
  const auto *in = static_cast<const uint32_t *>(source);
  return in == nullptr ? nullptr : f(in[0], in[1], in[2], count);
}
inline uint32_t Count(uint32_t (*f)(uint32_t, uint32_t, uint32_t, uint64_t *), const void *source,
                      uint64_t *count) {
  const auto *in = static_cast<const uint32_t *>(source);
  return in == nullptr ? SRV6_DB_ERR : f(in[0], in[1], in[2], count);
}

template <auto F>
uint32_t WriteThunk(const void *entry) {
  return Write(F, entry);
}
template <auto F>
uint32_t ReadThunk(void *entry) {
  return Read(F, entry);
}
template <auto F>
uint32_t NextThunk(Srv6DbIter *iter, void *entry) {
  return Next(F, iter, entry);
}
template <auto F>
Srv6DbIter *IterateThunk(const void *source, uint32_t count) {
  return Iterate(F, source, count);
}
template <auto F>
uint32_t CountThunk(const void *source, uint64_t *count) {
  return Count(F, source, count);
}

}  // namespace api

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

// The exported functions bound to a key, for the catalog.
#define SRV6DB_ITERATE(f) &::srv6db::api::IterateThunk<&f>
#define SRV6DB_COUNT(f) &::srv6db::api::CountThunk<&f>
#define SRV6DB_UNIQUE(f) &::srv6db::api::ReadThunk<&f>

// The primary key of a table: its parts, from the entry.
#define SRV6DB_PRIMARY_KEY(parts) \
  ::srv6db::KeyDef { .name = "primary", .segments = parts }

// The walk by VRF of a table with a smooth key: its word order and its exported function.
#define SRV6DB_SMOOTH_KEY(order, f)                                              \
  ::srv6db::KeyDef {                                                             \
    .name = "Vrf", .source = ::srv6db::KeySource::kSmoothKey, .segments = order, \
    .iterate = SRV6DB_ITERATE(f)                                                 \
  }

// Everything of table T (short name, as in Srv6Db<T>Entry) that follows from its name; the
// namespace ns holds its kFields and kKeys.
#define SRV6DB_TABLE(T, tableId, engineName, ns)                                               \
  ::srv6db::TableDef {                                                                         \
    .id = tableId, .name = engineName, .shortName = #T, .entrySize = sizeof(Srv6Db##T##Entry), \
    .recordSize = sizeof(Srv6Db##T##Record), .fields = ns::kFields, .keys = ns::kKeys,         \
    .create = &::srv6db::api::WriteThunk<&SRV6_DB_Create##T>,                                  \
    .read = &::srv6db::api::ReadThunk<&SRV6_DB_Read##T>,                                       \
    .remove = &::srv6db::api::WriteThunk<&SRV6_DB_Delete##T>,                                  \
    .createIterator = &SRV6_DB_Create##T##Iterator,                                            \
    .getNext = &::srv6db::api::NextThunk<&SRV6_DB_GetNext##T##Entry>,                          \
    .releaseIterator = &SRV6_DB_Release##T##Iterator,                                          \
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
  if (k == 0 && (key.source != KeySource::kEntry || key.iterate != nullptr ||
                 key.count != nullptr || key.readUnique != nullptr)) {
    return false;
  }
  for (const KeySegment &s : key.segments) {
    if (s.sourceOffset + s.width > t.SourceSize(k)) return false;
    if (s.codec != Codec::kCopy && s.codec != Codec::kIpv6Words) return false;
    if (s.codec == Codec::kIpv6Words && s.width % 16 != 0) return false;
  }
  return true;
}

constexpr bool IsWellFormed(const TableDef &t) {
  if (t.id >= SRV6_DB_TABLE_NUM || t.recordSize > kMaxRecordSize) return false;
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

#endif  // SRV6DB_CORE_FIELD_MAP_H
