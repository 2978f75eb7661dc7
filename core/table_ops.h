// Generic typed-table operations: every table's exported functions are one-line calls of these.
#ifndef SRV6DB_CORE_TABLE_OPS_H
#define SRV6DB_CORE_TABLE_OPS_H

#include <cstdint>

#include "core/field_map.h"
#include "srv6_db.h"

namespace srv6db {

// Entry <-> record by the field map. Null pointers do nothing.
void EncodeRecord(const TableDef &table, const void *entry, void *record) noexcept;
void DecodeRecord(const TableDef &table, const void *record, void *entry) noexcept;

// Writes the key word and exactly Length() key bytes from @p source. Null pointers do nothing.
void BuildKey(const KeyDef &key, const void *source, uint32_t *keyWord, void *keyBytes) noexcept;

// The typed operations. A null entry (or key source) gives 1 / no handle without counting;
// everything else comes from the generic record operations and iterators.
uint32_t Create(const TableDef &table, const void *entry) noexcept;
uint32_t Read(const TableDef &table, void *entry) noexcept;
uint32_t Delete(const TableDef &table, const void *entry) noexcept;
uint32_t Update(const TableDef &table, const void *entry,
                Srv6DbSetUpdateFieldsFunc setUpdateFields) noexcept;
uint32_t ReadUnique(const TableDef &table, const KeyDef &key, void *entry) noexcept;
uint32_t Count(const TableDef &table, const KeyDef &key, const void *source,
               uint64_t *count) noexcept;
Srv6DbIter *CreateIterator(const TableDef &table, uint32_t count) noexcept;
Srv6DbIter *CreateIterator(const TableDef &table, const KeyDef &key, const void *source,
                           uint32_t count) noexcept;
uint32_t GetNext(const TableDef &table, Srv6DbIter *iter, void *entry) noexcept;
void Release(const TableDef &table, Srv6DbIter *iter) noexcept;

// An update callback: stages the entry's u32 at field.entryOffset. 1 for a null context.
uint32_t StageField(const UpdateField &field, const Srv6DbUpdateCtx *ctx, void *dbObj) noexcept;

}  // namespace srv6db

#include "core/table_codec.h"  // the same operations compiled per table

#endif  // SRV6DB_CORE_TABLE_OPS_H
