// What the table sources build on: the compiled operations, the smooth id update, the walks
// over one secondary key and the macro that generates a table's standard functions.
#ifndef SRV6DB_CORE_TABLE_OPS_H
#define SRV6DB_CORE_TABLE_OPS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/table_codec.h"
#include "engine/engine_api.h"
#include "schema/table_def.h"
#include "srv6_db.h"

namespace srv6db {

// Stages one u32 of the entry on the engine object.
using StageFunc = uint32_t (*)(void *dbObj, uint32_t value);

// The engine's smooth id setter of each table, by registry id; null where records carry none.
// Whether a table has one is kept apart: a function address is no compile-time constant to
// compare under every build (the undefined behaviour sanitizer).
struct SmoothIdSetters {
  std::array<StageFunc, SRV6_DB_TABLE_NUM> stage{};
  std::array<bool, SRV6_DB_TABLE_NUM> present{};
};
inline constexpr SmoothIdSetters kSmoothIdSetters = [] {
  SmoothIdSetters setters;
#define SRV6DB_SMOOTH_SETTER(id, t)                  \
  setters.stage[id] = &db_set_##t##_table_smooth_id; \
  setters.present[id] = true;
  SRV6DB_ENGINE_SMOOTH_TABLES(SRV6DB_SMOOTH_SETTER)
#undef SRV6DB_SMOOTH_SETTER
  return setters;
}();

// An update callback: stages the entry's u32 at @p entryOffset. 1 for a null context.
inline uint32_t StageField(uint32_t entryOffset, StageFunc stage, const Srv6DbUpdateCtx *ctx,
                           void *dbObj) noexcept {
  if (ctx == nullptr || ctx->entry == nullptr) return SRV6_DB_ERR;
  uint32_t value;
  std::memcpy(&value, static_cast<const uint8_t *>(ctx->entry) + entryOffset, sizeof(value));
  return stage(dbObj, value);
}

// Stages the field of T named @p Name through @p Stage.
template <const TableDef &T, const char *Name, StageFunc Stage>
uint32_t StageNamed(const Srv6DbUpdateCtx *ctx, void *dbObj) noexcept {
  constexpr size_t kIndex = T.FieldIndex(Name);
  static_assert(kIndex < T.fields.size() && T.fields[kIndex].entryWidth == sizeof(uint32_t));
  return StageField(T.fields[kIndex].entryOffset, Stage, ctx, dbObj);
}

inline constexpr char kSmoothIdName[] = "smoothId";

template <const TableDef &T>
uint32_t StageSmoothId(const Srv6DbUpdateCtx *ctx, void *dbObj) noexcept {
  static_assert(kSmoothIdSetters.present[T.id], "the engine has no smooth id for this table");
  return StageNamed<T, kSmoothIdName, kSmoothIdSetters.stage[T.id]>(ctx, dbObj);
}

// Both walks ask the engine for one record at a time.
inline constexpr uint32_t kWalkIterCount = 1;

// Holds an iterator handle of T and releases it on every path out.
template <const TableDef &T>
class IterGuard {
 public:
  explicit IterGuard(Srv6DbIter *iter) noexcept : iter_(iter) {}
  ~IterGuard() { Release<T>(iter_); }
  IterGuard(const IterGuard &) = delete;
  IterGuard &operator=(const IterGuard &) = delete;
  Srv6DbIter *get() const noexcept { return iter_; }

 private:
  Srv6DbIter *iter_;
};

// Iterates the records key K yields for @p source and calls visitor(entry, userData) for each,
// with one zeroed working entry. The first non-zero read or visit result ends the walk; 60,
// the end of the records or a visit asking to stop as if they had ended, becomes 0. 1 for a
// null visitor (before any engine work) or when the iterator cannot be made.
template <const TableDef &T, size_t K, typename Entry>
uint32_t VisitByKey(const void *source, uint32_t (*visitor)(Entry *, void *),
                    void *userData) noexcept {
  if (visitor == nullptr) return SRV6_DB_ERR;
  Srv6DbIter *iter = CreateIterator<T, K>(source, kWalkIterCount);
  if (iter == nullptr) return SRV6_DB_ERR;
  const IterGuard<T> guard(iter);
  Entry working{};
  uint32_t rc;
  do {
    rc = GetNext<T>(guard.get(), &working);
    if (rc == SRV6_DB_OK) rc = visitor(&working, userData);
  } while (rc == SRV6_DB_OK);
  return rc == SRV6_DB_NOT_FOUND ? SRV6_DB_OK : rc;
}

// Reads the records key K yields for @p source into consecutive entries at @p entries, as
// many as fit wholly into @p bufLen bytes, and asks for no more. 0 when the array is full or
// holds no whole entry; otherwise the first non-zero next-entry result (60: the records ran
// out first; 1 for a null @p entries). 1 when the iterator cannot be made.
template <const TableDef &T, size_t K>
uint32_t ReadIntoArray(const void *source, uint32_t bufLen, void *entries) noexcept {
  Srv6DbIter *iter = CreateIterator<T, K>(source, kWalkIterCount);
  if (iter == nullptr) return SRV6_DB_ERR;
  const IterGuard<T> guard(iter);
  const uint32_t slots = bufLen / T.entrySize;
  auto *out = static_cast<uint8_t *>(entries);
  for (uint32_t i = 0; i < slots; ++i) {
    void *slot = out == nullptr ? nullptr : out + size_t{i} * T.entrySize;
    const uint32_t rc = GetNext<T>(guard.get(), slot);
    if (rc != SRV6_DB_OK) return rc;
  }
  return SRV6_DB_OK;
}

}  // namespace srv6db

// The standard functions of table T (short name, as in Srv6Db<T>Entry) described by def:
// field conversion, primary key, create, read, delete and the whole-table iterator.
#define SRV6DB_TABLE_FUNCTIONS_NO_SMOOTH_ID(T, def)                                                \
  extern "C" {                                                                                     \
  void SRV6_DB_Set##T##Fields(const Srv6Db##T##Entry *e, Srv6Db##T##Record *r) {                   \
    ::srv6db::EncodeRecord<def>(e, r);                                                             \
  }                                                                                                \
  void SRV6_DB_Get##T##Fields(const Srv6Db##T##Record *r, Srv6Db##T##Entry *e) {                   \
    ::srv6db::DecodeRecord<def>(r, e);                                                             \
  }                                                                                                \
  decltype(SRV6_DB_Set##T##PriKey(nullptr, nullptr,                                                \
                                  nullptr)) SRV6_DB_Set##T##PriKey(const Srv6Db##T##Entry *e,      \
                                                                   uint32_t *w, void *k) {         \
    return ::srv6db::SetKey<def, 0, decltype(SRV6_DB_Set##T##PriKey(nullptr, nullptr, nullptr))>(  \
        e, w, k);                                                                                  \
  }                                                                                                \
  uint32_t SRV6_DB_Create##T(const Srv6Db##T##Entry *e) { return ::srv6db::Create<def>(e); }       \
  uint32_t SRV6_DB_Read##T(Srv6Db##T##Entry *e) { return ::srv6db::Read<def>(e); }                 \
  uint32_t SRV6_DB_Delete##T(const Srv6Db##T##Entry *e) { return ::srv6db::Delete<def>(e); }       \
  Srv6DbIter *SRV6_DB_Create##T##Iterator(uint32_t n) { return ::srv6db::CreateIterator<def>(n); } \
  uint32_t SRV6_DB_GetNext##T##Entry(Srv6DbIter *i, Srv6Db##T##Entry *e) {                         \
    return ::srv6db::GetNext<def>(i, e);                                                           \
  }                                                                                                \
  void SRV6_DB_Release##T##Iterator(Srv6DbIter *i) { ::srv6db::Release<def>(i); }                  \
  }

// The standard functions and the smooth id update of a table whose records carry a smooth id.
#define SRV6DB_TABLE_FUNCTIONS(T, def)                              \
  SRV6DB_TABLE_FUNCTIONS_NO_SMOOTH_ID(T, def)                       \
  extern "C" {                                                      \
  uint32_t SRV6_DB_Update##T##SmoothId(const Srv6Db##T##Entry *e) { \
    return ::srv6db::Update<def>(e, &SRV6_DB_Set##T##SmoothID);     \
  }                                                                 \
  uint32_t SRV6_DB_Set##T##SmoothID(Srv6DbUpdateCtx *c, void *o) {  \
    return ::srv6db::StageSmoothId<def>(c, o);                      \
  }                                                                 \
  }

#endif  // SRV6DB_CORE_TABLE_OPS_H
