// Statistic names, log message texts and the one path that counts and logs a failure.
#include "core/failure.h"

#include "srv6_db.h"

namespace srv6db {
namespace {

constexpr const char *kMessages[] = {
    nullptr,
    "[SRV6] [DB] create failed, glbCtl is invalid, tableId = %u.",
    "[SRV6] [DB] create failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] create failed, setDbAllFields failed, tableId = %u.",
    "[SRV6] [DB] create failed, write obj failed, push queue full, tableId = %u.",
    "[SRV6] [DB] create failed, write obj failed, tableId = %u.",
    "[SRV6] [DB] read failed, glbCtl is invalid, tableId = %u.",
    "[SRV6] [DB] read failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] read failed, read obj with buf failed, tableId = %u.",
    "[SRV6] [DB] update failed, glbCtl is invalid, tableId = %u.",
    "[SRV6] [DB] update failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] update failed, setUpdateFields failed, tableId = %u.",
    "[SRV6] [DB] update failed, push queue full, tableId = %u.",
    "[SRV6] [DB] update failed, tableId = %u.",
    "[SRV6] [DB] delete failed, glbCtl is invalid, tableId = %u.",
    "[SRV6] [DB] delete failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] delete failed, push queue full, tableId = %u.",
    "[SRV6] [DB] delete failed, remove obj failed, tableId = %u.",
    "[SRV6] [DB] count failed, glbCtl is invalid, tableId = %u.",
    "[SRV6] [DB] count failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] count failed, get table record count failed, tableId = %u.",
    "[SRV6] [DB] read unique failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] read unique failed, create root iter failed, tableId = %u.",
    "[SRV6] [DB] read unique failed, get root iterator next failed, tableId = %u.",
    "[SRV6] [DB] read unique failed, read obj with buf failed, tableId = %u.",
    "[SRV6] [DB] create iter failed, glbCtl is invalid, tableId = %u.",
    "[SRV6] [DB] create iter failed, createDbObj failed, tableId = %u.",
    "[SRV6] [DB] create iter failed, create root iter failed, tableId = %u.",
    "[SRV6] [DB] create iter failed, set root iterator property failed, tableId = %u.",
    "[SRV6] [DB] get next entry failed, get root iterator next failed, tableId = %u.",
    "[SRV6] [DB] get next entry failed, read obj with buf failed, tableId = %u.",
};
static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == static_cast<size_t>(Msg::kCount_),
              "one text per message");

}  // namespace

void RecordFailure(uint32_t tableId, Stat stat, Msg msg) noexcept {
  if (stat != Stat::kNone) SRV6_DB_SetStat(tableId, static_cast<uint32_t>(stat), 1);
  if (msg == Msg::kNone) return;
  Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack();
  if (errLog != nullptr) errLog(kMessages[static_cast<size_t>(msg)], tableId);
}

}  // namespace srv6db

extern "C" {

Srv6DbStatDesc g_srv6DbStatDesc[SRV6_DB_STAT_NUM] = {
    {"CreateDbFailed", 1},   {"ReadDbFailed", 1},     {"UpdateDbFailed", 1}, {"DeleteDbFailed", 1},
    {"CountDbFailed", 1},    {"CreateIterFailed", 1}, {"IterNextFailed", 1}, {"MemAllocFailed", 1},
    {"SetIterCntFailed", 1}, {"SetFieldFailed", 1},   {"GetFieldFailed", 1}, {"WriteObjFailed", 1},
    {"ReadObjFailed", 1},    {"UpdateObjFailed", 1},  {"RemoveFailed", 1},   {"StatisObjFailed", 1},
    {"QueryObjFailed", 1},   {"SubPushFailed", 1},    {"QueryNoExist", 1},   {"UpdateNoExist", 1},
    {"ParamInvalid", 1},     {"GlbCtlInvalid", 1},
};

}  // extern "C"
