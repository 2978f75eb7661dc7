// Field conversion, key building and the typed operations shared by every table.
#include "core/table_ops.h"

#include <cstring>

#include "core/bounded_copy.h"

namespace srv6db {
namespace {

// Reverses the bytes of each 4-byte word; the words keep their order. dst may equal src.
void SwapWords(uint8_t *dst, const uint8_t *src, uint32_t width) noexcept {
  for (uint32_t w = 0; w < width; w += 4) {
    uint32_t word;
    std::memcpy(&word, src + w, sizeof(word));
    word = __builtin_bswap32(word);
    std::memcpy(dst + w, &word, sizeof(word));
  }
}

// A field copy. Widths are small and few: fixed-size copies compile to plain moves where a
// copy of run-time width would be a library call per field.
inline void CopyField(uint8_t *dst, const uint8_t *src, uint32_t width) noexcept {
  switch (width) {
    case 1:
      *dst = *src;
      return;
    case 2:
      std::memcpy(dst, src, 2);
      return;
    case 4:
      std::memcpy(dst, src, 4);
      return;
    case 8:
      std::memcpy(dst, src, 8);
      return;
    case 16:
      std::memcpy(dst, src, 16);
      return;
    default:
      std::memcpy(dst, src, width);
  }
}

// Zeroed key info and key byte areas and the descriptor over them, for one call.
struct KeyArea {
  alignas(8) uint8_t info[SRV6_DB_KEY_INFO_LEN];
  alignas(8) uint8_t data[kMaxKeyLength];
  Srv6DbKey desc;

  KeyArea(const KeyDef &key, const void *source) noexcept {
    std::memset(info, 0, sizeof(info));
    std::memset(data, 0, key.Length());
    uint32_t keyWord = 0;
    BuildKey(key, source, &keyWord, data);
    std::memcpy(info, &keyWord, sizeof(keyWord));
    desc = {info, SRV6_DB_KEY_INFO_LEN, data, key.Length()};
  }
};

// A zeroed record area of the table's size and its buffer descriptor: whatever the engine
// does not fill, for a write or a read alike, is zero rather than stack garbage.
struct RecordArea {
  alignas(8) uint8_t bytes[kMaxRecordSize];
  Srv6DbBuf desc;

  explicit RecordArea(const TableDef &table) noexcept {
    std::memset(bytes, 0, table.recordSize);
    desc = {bytes, table.recordSize};
  }
};

}  // namespace

void EncodeRecord(const TableDef &table, const void *entry, void *record) noexcept {
  if (entry == nullptr || record == nullptr) return;
  const auto *in = static_cast<const uint8_t *>(entry);
  auto *out = static_cast<uint8_t *>(record);
  for (const Field &f : table.fields) {
    const uint8_t *src = in + f.entryOffset;
    uint8_t *dst = out + f.recordOffset;
    switch (f.codec) {
      case Codec::kCopy:
        CopyField(dst, src, f.width);
        break;
      case Codec::kIpv6Words:
        SwapWords(dst, src, f.width);
        break;
      case Codec::kBoundedCopy:
        CopyBounded(dst, f.width, src, f.width);
        break;
      case Codec::kWidenU8: {
        const uint32_t wide = *src;
        std::memcpy(dst, &wide, sizeof(wide));
        break;
      }
    }
  }
}

void DecodeRecord(const TableDef &table, const void *record, void *entry) noexcept {
  if (record == nullptr || entry == nullptr) return;
  const auto *in = static_cast<const uint8_t *>(record);
  auto *out = static_cast<uint8_t *>(entry);
  for (const Field &f : table.fields) {
    const uint8_t *src = in + f.recordOffset;
    uint8_t *dst = out + f.entryOffset;
    switch (f.codec) {
      case Codec::kCopy:
        CopyField(dst, src, f.width);
        break;
      case Codec::kIpv6Words:
        SwapWords(dst, src, f.width);
        break;
      case Codec::kBoundedCopy:
        CopyBounded(dst, f.width, src, f.width);
        break;
      case Codec::kWidenU8: {
        uint32_t wide;
        std::memcpy(&wide, src, sizeof(wide));
        *dst = static_cast<uint8_t>(wide);
        break;
      }
    }
  }
}

void BuildKey(const KeyDef &key, const void *source, uint32_t *keyWord, void *keyBytes) noexcept {
  if (source == nullptr || keyWord == nullptr || keyBytes == nullptr) return;
  const auto *in = static_cast<const uint8_t *>(source);
  auto *out = static_cast<uint8_t *>(keyBytes);
  for (const KeySegment &s : key.segments) {
    if (s.codec == Codec::kIpv6Words) {
      SwapWords(out + s.keyOffset, in + s.sourceOffset, s.width);
    } else {
      CopyField(out + s.keyOffset, in + s.sourceOffset, s.width);
    }
  }
  *keyWord = key.keyWord;
}

uint32_t Create(const TableDef &table, const void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  RecordArea record(table);
  EncodeRecord(table, entry, record.bytes);
  return SRV6_DB_Create(table.id, &record.desc);
}

uint32_t Read(const TableDef &table, void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  KeyArea key(table.primaryKey, entry);
  RecordArea record(table);
  const uint32_t rc = SRV6_DB_Read(table.id, &key.desc, &record.desc);
  if (rc == SRV6_DB_OK) DecodeRecord(table, record.bytes, entry);
  return rc;
}

uint32_t Delete(const TableDef &table, const void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  KeyArea key(table.primaryKey, entry);
  return SRV6_DB_Delete(table.id, &key.desc);
}

uint32_t Update(const TableDef &table, const void *entry,
                Srv6DbSetUpdateFieldsFunc setUpdateFields) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  KeyArea key(table.primaryKey, entry);
  Srv6DbUpdateCtx ctx = {entry, table.entrySize};  // the caller's entry itself, not a copy
  return SRV6_DB_Update(table.id, &key.desc, &ctx, setUpdateFields);
}

uint32_t StageField(const UpdateField &field, const Srv6DbUpdateCtx *ctx, void *dbObj) noexcept {
  if (ctx == nullptr || ctx->entry == nullptr) return SRV6_DB_ERR;
  uint32_t value;
  std::memcpy(&value, static_cast<const uint8_t *>(ctx->entry) + field.entryOffset, sizeof(value));
  return field.stage(dbObj, value);
}

uint32_t ReadUnique(const TableDef &table, const KeyDef &key, void *entry) noexcept {
  if (entry == nullptr) return SRV6_DB_ERR;
  KeyArea keyArea(key, entry);
  RecordArea record(table);
  const uint32_t rc = SRV6_DB_ReadUniqueHash(table.id, &keyArea.desc, &record.desc);
  if (rc == SRV6_DB_OK) DecodeRecord(table, record.bytes, entry);
  return rc;
}

uint32_t Count(const TableDef &table, const KeyDef &key, const void *source,
               uint64_t *count) noexcept {
  if (source == nullptr) return SRV6_DB_ERR;
  KeyArea keyArea(key, source);
  return SRV6_DB_CountByKey(table.id, &keyArea.desc, count);
}

Srv6DbIter *CreateIterator(const TableDef &table, uint32_t count) noexcept {
  return SRV6_DB_CreateIterator(table.id, count);
}

Srv6DbIter *CreateIterator(const TableDef &table, const KeyDef &key, const void *source,
                           uint32_t count) noexcept {
  if (source == nullptr) return nullptr;
  KeyArea keyArea(key, source);
  return SRV6_DB_CreateIteratorByKey(table.id, static_cast<int32_t>(count), &keyArea.desc);
}

uint32_t GetNext(const TableDef &table, Srv6DbIter *iter, void *entry) noexcept {
  if (iter == nullptr || entry == nullptr) return SRV6_DB_ERR;
  RecordArea record(table);
  const uint32_t rc = SRV6_DB_GetNextEntry(table.id, iter, &record.desc);
  if (rc == SRV6_DB_OK) DecodeRecord(table, record.bytes, entry);
  return rc;
}

void Release(const TableDef &table, Srv6DbIter *iter) noexcept {
  if (iter == nullptr) return;
  SRV6_DB_ReleaseIterator(table.id, iter);
}

}  // namespace srv6db
