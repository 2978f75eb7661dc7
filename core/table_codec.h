// The one way from a table description to bytes: field rows and key parts of a constexpr
// description unrolled into straight-line copies, so a call pays no per-row dispatch.
#ifndef SRV6DB_CORE_TABLE_CODEC_H
#define SRV6DB_CORE_TABLE_CODEC_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/bounded_copy.h"
#include "schema/table_def.h"
#include "srv6_db.h"

namespace srv6db::codec {

// Reverses the bytes of each 4-byte word; the words keep their order. Two words at a time:
// reversing eight bytes reverses each word and swaps the pair, and a rotation by 32 bits puts
// the pair back in order. dst may equal src.
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

// Exactly the key bytes of key K of T, which its parts tile, from @p source.
template <const TableDef &T, size_t K>
inline void WriteKey(const void *source, void *keyBytes) noexcept {
  const auto *in = static_cast<const uint8_t *>(source);
  auto *out = static_cast<uint8_t *>(keyBytes);
  [&]<size_t... I>(std::index_sequence<I...>) {
    (
        [&] {
          constexpr KeySegment s = T.keys[K].segments[I];
          constexpr uint32_t offset = T.keys[K].OffsetOf(I);
          if constexpr (s.codec == Codec::kIpv6Words) {
            SwapWords<s.width>(out + offset, in + s.sourceOffset);
          } else {
            std::memcpy(out + offset, in + s.sourceOffset, s.width);
          }
        }(),
        ...);
  }
  (std::make_index_sequence<T.keys[K].segments.size()>{});
}

// Key K of T for one call: key info (zeroed, key word first), the key bytes and the
// descriptor over them.
template <const TableDef &T, size_t K>
struct Key {
  static constexpr uint32_t kLength = T.keys[K].Length();
  static constexpr uint32_t kWord = T.KeyWord(K);
  alignas(8) uint8_t info[SRV6_DB_KEY_INFO_LEN] = {};
  alignas(8) uint8_t data[kLength];
  Srv6DbKey desc;

  explicit Key(const void *source) noexcept {
    WriteKey<T, K>(source, data);
    std::memcpy(info, &kWord, sizeof(kWord));
    desc = {info, SRV6_DB_KEY_INFO_LEN, data, kLength};
  }
};

// A record area of T's size, zeroed: bytes without a row go out as zeros, and a read the
// engine fills only in part hands the caller zeros rather than stack bytes.
template <const TableDef &T>
struct Record {
  alignas(8) uint8_t bytes[T.recordSize] = {};
  Srv6DbBuf desc = {bytes, T.recordSize};
};

}  // namespace srv6db::codec

namespace srv6db {

// The typed operations. A null entry (or key source) gives 1 / no handle without counting;
// everything else comes from the generic record operations and iterators.

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

// Writes the key word and exactly the key bytes; null pointers do nothing. Ret is the key
// setter's declared result: void, or a code that is always 0.
template <const TableDef &T, size_t K, typename Ret = void>
Ret SetKey(const void *source, uint32_t *keyWord, void *keyBytes) noexcept {
  if (source != nullptr && keyWord != nullptr && keyBytes != nullptr) {
    codec::WriteKey<T, K>(source, keyBytes);
    *keyWord = T.KeyWord(K);
  }
  if constexpr (!std::is_void_v<Ret>) return SRV6_DB_OK;
}

template <const TableDef &T>
uint32_t Create(const void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  codec::Record<T> record;
  codec::ConvertAll<T, true>(entry, record.bytes);
  return SRV6_DB_Create(T.id, &record.desc);
}

template <const TableDef &T>
uint32_t Read(void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::Key<T, 0> key(entry);
  codec::Record<T> record;
  const uint32_t rc = SRV6_DB_Read(T.id, &key.desc, &record.desc);
  if (rc == SRV6_DB_OK) codec::ConvertAll<T, false>(record.bytes, entry);
  return rc;
}

template <const TableDef &T>
uint32_t Delete(const void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::Key<T, 0> key(entry);
  return SRV6_DB_Delete(T.id, &key.desc);
}

template <const TableDef &T>
uint32_t Update(const void *entry, Srv6DbSetUpdateFieldsFunc setUpdateFields) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::Key<T, 0> key(entry);
  Srv6DbUpdateCtx ctx = {entry, T.entrySize};  // the caller's entry itself, not a copy
  return SRV6_DB_Update(T.id, &key.desc, &ctx, setUpdateFields);
}

// A read by unique secondary key K.
template <const TableDef &T, size_t K>
uint32_t ReadUnique(void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  const codec::Key<T, K> key(entry);
  codec::Record<T> record;
  const uint32_t rc = SRV6_DB_ReadUniqueHash(T.id, &key.desc, &record.desc);
  if (rc == SRV6_DB_OK) codec::ConvertAll<T, false>(record.bytes, entry);
  return rc;
}

// A count by key K. A key whose count answers a null count itself does so before any engine
// work and without a statistic; the others leave that check, and its ParamInvalid, to the core.
template <const TableDef &T, size_t K>
uint32_t Count(const void *source, uint64_t *count) noexcept {
  if (T.keys[K].countAnswersNull && count == nullptr) return SRV6_DB_ERR;
  if (source == nullptr) return SRV6_DB_ERR;
  const codec::Key<T, K> key(source);
  return SRV6_DB_CountByKey(T.id, &key.desc, count);
}

template <const TableDef &T>
Srv6DbIter *CreateIterator(uint32_t count) noexcept {
  return SRV6_DB_CreateIterator(T.id, count);
}

template <const TableDef &T, size_t K>
Srv6DbIter *CreateIterator(const void *source, uint32_t count) noexcept {
  if (source == nullptr) return nullptr;
  const codec::Key<T, K> key(source);
  return SRV6_DB_CreateIteratorByKey(T.id, static_cast<int32_t>(count), &key.desc);
}

template <const TableDef &T>
uint32_t GetNext(Srv6DbIter *iter, void *entry) noexcept {
  if (iter == nullptr || entry == nullptr) return SRV6_DB_ERR;
  codec::Record<T> record;
  const uint32_t rc = SRV6_DB_GetNextEntry(T.id, iter, &record.desc);
  if (rc == SRV6_DB_OK) codec::ConvertAll<T, false>(record.bytes, entry);
  return rc;
}

template <const TableDef &T>
void Release(Srv6DbIter *iter) noexcept {
  if (iter == nullptr) return;
  SRV6_DB_ReleaseIterator(T.id, iter);
}

}  // namespace srv6db

#endif  // SRV6DB_CORE_TABLE_CODEC_H
