// Failure accounting of the generic operations: statistic ids, log messages, one report path.
#ifndef SRV6DB_CORE_FAILURE_H
#define SRV6DB_CORE_FAILURE_H

#include <cstdint>

#include "srv6_db.h"

// X(name, exported id suffix): every statistic, named as in g_srv6DbStatDesc.
#define SRV6DB_STATS(X)                    \
  X(CreateDbFailed, CREATE_DB_FAILED)      \
  X(ReadDbFailed, READ_DB_FAILED)          \
  X(UpdateDbFailed, UPDATE_DB_FAILED)      \
  X(DeleteDbFailed, DELETE_DB_FAILED)      \
  X(CountDbFailed, COUNT_DB_FAILED)        \
  X(CreateIterFailed, CREATE_ITER_FAILED)  \
  X(IterNextFailed, ITER_NEXT_FAILED)      \
  X(MemAllocFailed, MEM_ALLOC_FAILED)      \
  X(SetIterCntFailed, SET_ITER_CNT_FAILED) \
  X(SetFieldFailed, SET_FIELD_FAILED)      \
  X(GetFieldFailed, GET_FIELD_FAILED)      \
  X(WriteObjFailed, WRITE_OBJ_FAILED)      \
  X(ReadObjFailed, READ_OBJ_FAILED)        \
  X(UpdateObjFailed, UPDATE_OBJ_FAILED)    \
  X(RemoveFailed, REMOVE_FAILED)           \
  X(StatisObjFailed, STATIS_OBJ_FAILED)    \
  X(QueryObjFailed, QUERY_OBJ_FAILED)      \
  X(SubPushFailed, SUB_PUSH_FAILED)        \
  X(QueryNoExist, QUERY_NO_EXIST)          \
  X(UpdateNoExist, UPDATE_NO_EXIST)        \
  X(ParamInvalid, PARAM_INVALID)           \
  X(GlbCtlInvalid, GLB_CTL_INVALID)

// X(name, text): every message the generic operations log, with the table id as its argument.
#define SRV6DB_MESSAGES(X)                                                                         \
  X(CreateGlbCtl, "[SRV6] [DB] create failed, glbCtl is invalid, tableId = %u.")                   \
  X(CreateObj, "[SRV6] [DB] create failed, createDbObj failed, tableId = %u.")                     \
  X(CreateSetFields, "[SRV6] [DB] create failed, setDbAllFields failed, tableId = %u.")            \
  X(CreatePushFull, "[SRV6] [DB] create failed, write obj failed, push queue full, tableId = %u.") \
  X(CreateWrite, "[SRV6] [DB] create failed, write obj failed, tableId = %u.")                     \
  X(ReadGlbCtl, "[SRV6] [DB] read failed, glbCtl is invalid, tableId = %u.")                       \
  X(ReadObj, "[SRV6] [DB] read failed, createDbObj failed, tableId = %u.")                         \
  X(ReadBuf, "[SRV6] [DB] read failed, read obj with buf failed, tableId = %u.")                   \
  X(UpdateGlbCtl, "[SRV6] [DB] update failed, glbCtl is invalid, tableId = %u.")                   \
  X(UpdateObj, "[SRV6] [DB] update failed, createDbObj failed, tableId = %u.")                     \
  X(UpdateSetFields, "[SRV6] [DB] update failed, setUpdateFields failed, tableId = %u.")           \
  X(UpdatePushFull, "[SRV6] [DB] update failed, push queue full, tableId = %u.")                   \
  X(UpdateDb, "[SRV6] [DB] update failed, tableId = %u.")                                          \
  X(DeleteGlbCtl, "[SRV6] [DB] delete failed, glbCtl is invalid, tableId = %u.")                   \
  X(DeleteObj, "[SRV6] [DB] delete failed, createDbObj failed, tableId = %u.")                     \
  X(DeletePushFull, "[SRV6] [DB] delete failed, push queue full, tableId = %u.")                   \
  X(DeleteRemove, "[SRV6] [DB] delete failed, remove obj failed, tableId = %u.")                   \
  X(CountGlbCtl, "[SRV6] [DB] count failed, glbCtl is invalid, tableId = %u.")                     \
  X(CountObj, "[SRV6] [DB] count failed, createDbObj failed, tableId = %u.")                       \
  X(CountDb, "[SRV6] [DB] count failed, get table record count failed, tableId = %u.")             \
  X(UniqueObj, "[SRV6] [DB] read unique failed, createDbObj failed, tableId = %u.")                \
  X(UniqueIter, "[SRV6] [DB] read unique failed, create root iter failed, tableId = %u.")          \
  X(UniqueNext, "[SRV6] [DB] read unique failed, get root iterator next failed, tableId = %u.")    \
  X(UniqueReadBuf, "[SRV6] [DB] read unique failed, read obj with buf failed, tableId = %u.")      \
  X(IterGlbCtl, "[SRV6] [DB] create iter failed, glbCtl is invalid, tableId = %u.")                \
  X(IterObj, "[SRV6] [DB] create iter failed, createDbObj failed, tableId = %u.")                  \
  X(IterRootIter, "[SRV6] [DB] create iter failed, create root iter failed, tableId = %u.")        \
  X(IterProperty,                                                                                  \
    "[SRV6] [DB] create iter failed, set root iterator property failed, tableId = %u.")            \
  X(NextIterNext,                                                                                  \
    "[SRV6] [DB] get next entry failed, get root iterator next failed, tableId = %u.")             \
  X(NextReadBuf, "[SRV6] [DB] get next entry failed, read obj with buf failed, tableId = %u.")

namespace srv6db {

#define SRV6DB_STAT_ENUM(name, id) k##name = SRV6_DB_STAT_##id,
enum class Stat : uint8_t { SRV6DB_STATS(SRV6DB_STAT_ENUM) kNone = 0xFF };
#undef SRV6DB_STAT_ENUM

#define SRV6DB_MSG_ENUM(name, text) k##name,
enum class Msg : uint8_t { kNone, SRV6DB_MESSAGES(SRV6DB_MSG_ENUM) };
#undef SRV6DB_MSG_ENUM

// What a step of an operation came to: its result, and the failure to count and log, if any.
struct Outcome {
  uint32_t result;
  Stat stat = Stat::kNone;
  Msg msg = Msg::kNone;
};

// Counts @p stat in the cell of @p tableId (unless kNone), then logs @p msg (unless kNone).
[[gnu::cold]] void RecordFailure(uint32_t tableId, Stat stat, Msg msg) noexcept;

// The same, inline: the success path of every operation passes through here and costs a test.
inline void Report(uint32_t tableId, Stat stat, Msg msg) noexcept {
  if (stat != Stat::kNone || msg != Msg::kNone) RecordFailure(tableId, stat, msg);
}

}  // namespace srv6db

#endif  // SRV6DB_CORE_FAILURE_H
