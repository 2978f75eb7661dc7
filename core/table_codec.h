// The typed operations compiled per table: the field map and primary key of a constexpr table
// description are unrolled into straight-line copies, so a call pays no per-row dispatch.
// Same behaviour as the table-generic versions in table_ops.h, which walks and tests use.
#ifndef SRV6DB_CORE_TABLE_CODEC_H
#define SRV6DB_CORE_TABLE_CODEC_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/bounded_copy.h"
#include "core/field_map.h"
#include "srv6_db.h"

namespace srv6db::codec {

// Two words at a time: reversing eight bytes reverses each word and swaps the pair, and a
// rotation by 32 bits puts the pair back in order.
template <uint32_t Width>
inline void SwapWords(uint8_t *dst, const uint8_t *src) noexcept {
  static_assert(Width % 4 == 0);
  uint32_t w = 0;
  for (; w + 8 <= Width; w += 8) {
    uint64_t pair;
    std::memcpy(&pair, src + w, sizeof(pair));
    pair = __builtin_bswap64(pair);
    pair = (pair >> 32) | (pair << 32);
    std::memcpy(dst + w, &pair, sizeof(pair));
  }
  if constexpr (Width % 8 != 0) {
    uint32_t word;
    std::memcpy(&word, src + w, sizeof(word));
    word = __builtin_bswap32(word);
    std::memcpy(dst + w, &word, sizeof(word));
  }
}

// One row, entry to record (ToRecord) or back.
template <const TableDef &T, size_t I, bool ToRecord>
inline void Convert(const uint8_t *in, uint8_t *out) noexcept {
  constexpr Field f = T.fields[I];
  const uint8_t *src = in + (ToRecord ? f.entryOffset : f.recordOffset);
  uint8_t *dst = out + (ToRecord ? f.recordOffset : f.entryOffset);
  if constexpr (f.codec == Codec::kCopy) {
    std::memcpy(dst, src, f.width);
  } else if constexpr (f.codec == Codec::kIpv6Words) {
    SwapWords<f.width>(dst, src);
  } else if constexpr (f.codec == Codec::kBoundedCopy) {
    CopyBounded(dst, f.width, src, f.width);
  } else if constexpr (ToRecord) {  // kWidenU8
    const uint32_t wide = *src;
    std::memcpy(dst, &wide, sizeof(wide));
  } else {
    uint32_t wide;
    std::memcpy(&wide, src, sizeof(wide));
    *dst = static_cast<uint8_t>(wide);
  }
}

template <const TableDef &T, bool ToRecord>
inline void ConvertAll(const void *from, void *to) noexcept {
  const auto *in = static_cast<const uint8_t *>(from);
  auto *out = static_cast<uint8_t *>(to);
  [&]<size_t... I>(std::index_sequence<I...>) { (Convert<T, I, ToRecord>(in, out), ...); }
  (std::make_index_sequence<T.fields.size()>{});
}

// The primary key of T from an entry: key info (zeroed, key word first) and exactly the key
// bytes, which the segments tile.
template <const TableDef &T>
struct PrimaryKey {
  static constexpr uint32_t kLength = T.primaryKey.Length();
  alignas(8) uint8_t info[SRV6_DB_KEY_INFO_LEN] = {};
  alignas(8) uint8_t data[kLength];
  Srv6DbKey desc;

  explicit PrimaryKey(const void *entry) noexcept {
    const auto *in = static_cast<const uint8_t *>(entry);
    [&]<size_t... I>(std::index_sequence<I...>) { (Segment<I>(in), ...); }
    (std::make_index_sequence<T.primaryKey.segments.size()>{});
    constexpr uint32_t word = T.primaryKey.keyWord;
    std::memcpy(info, &word, sizeof(word));
    desc = {info, SRV6_DB_KEY_INFO_LEN, data, kLength};
  }

 private:
  template <size_t I>
  void Segment(const uint8_t *in) noexcept {
    constexpr KeySegment s = T.primaryKey.segments[I];
    if constexpr (s.codec == Codec::kIpv6Words) {
      SwapWords<s.width>(data + s.keyOffset, in + s.sourceOffset);
    } else {
      std::memcpy(data + s.keyOffset, in + s.sourceOffset, s.width);
    }
  }
};

}  // namespace srv6db::codec

namespace srv6db {

template <const TableDef &T>
void EncodeRecord(const void *entry, void *record) noexcept {
  if (entry == nullptr || record == nullptr) return;
  codec::ConvertAll<T, true>(entry, record);
}

template <const TableDef &T>
void DecodeRecord(const void *record, void *entry) noexcept {
  if (record == nullptr || entry == nullptr) return;
  codec::ConvertAll<T, false>(record, entry);
}

template <const TableDef &T>
uint32_t Create(const void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  alignas(8) uint8_t record[T.recordSize] = {};  // bytes without a row go out as zeros
  codec::ConvertAll<T, true>(entry, record);
  const Srv6DbBuf buf = {record, T.recordSize};
  return SRV6_DB_Create(T.id, &buf);
}

template <const TableDef &T>
uint32_t Read(void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::PrimaryKey<T> key(entry);
  alignas(8) uint8_t record[T.recordSize];  // filled whole by the engine before any decode
  const Srv6DbBuf buf = {record, T.recordSize};
  const uint32_t rc = SRV6_DB_Read(T.id, &key.desc, &buf);
  if (rc == SRV6_DB_OK) codec::ConvertAll<T, false>(record, entry);
  return rc;
}

template <const TableDef &T>
uint32_t Delete(const void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::PrimaryKey<T> key(entry);
  return SRV6_DB_Delete(T.id, &key.desc);
}

template <const TableDef &T>
uint32_t Update(const void *entry, Srv6DbSetUpdateFieldsFunc setUpdateFields) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::PrimaryKey<T> key(entry);
  Srv6DbUpdateCtx ctx = {entry, T.entrySize};  // the caller's entry itself, not a copy
  return SRV6_DB_Update(T.id, &key.desc, &ctx, setUpdateFields);
}

// A read by a unique secondary key: the key is built by its segment list, the record decoded
// by T's compiled map.
template <const TableDef &T>
uint32_t ReadUnique(const KeyDef &key, void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  alignas(8) uint8_t info[SRV6_DB_KEY_INFO_LEN] = {};
  alignas(8) uint8_t data[kMaxKeyLength];
  std::memset(data, 0, key.Length());  // any byte no segment writes goes out as zero
  uint32_t keyWord = 0;
  BuildKey(key, entry, &keyWord, data);
  std::memcpy(info, &keyWord, sizeof(keyWord));
  const Srv6DbKey desc = {info, SRV6_DB_KEY_INFO_LEN, data, key.Length()};
  alignas(8) uint8_t record[T.recordSize];  // filled whole by the engine before any decode
  const Srv6DbBuf buf = {record, T.recordSize};
  const uint32_t rc = SRV6_DB_ReadUniqueHash(T.id, &desc, &buf);
  if (rc == SRV6_DB_OK) codec::ConvertAll<T, false>(record, entry);
  return rc;
}

template <const TableDef &T>
uint32_t GetNext(Srv6DbIter *iter, void *entry) noexcept {
  if (iter == nullptr || entry == nullptr) return SRV6_DB_ERR;
  alignas(8) uint8_t record[T.recordSize];
  const Srv6DbBuf buf = {record, T.recordSize};
  const uint32_t rc = SRV6_DB_GetNextEntry(T.id, iter, &buf);
  if (rc == SRV6_DB_OK) codec::ConvertAll<T, false>(record, entry);
  return rc;
}

}  // namespace srv6db

#endif  // SRV6DB_CORE_TABLE_CODEC_H
