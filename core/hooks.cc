// Process-wide hooks, time, IPv6 word conversion and the failure statistics.
#include <sys/time.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/table_codec.h"
#include "srv6_db.h"

namespace {

constexpr uint32_t kLastTableId = SRV6_DB_TABLE_NUM - 1;
constexpr uint32_t kLastStatId = SRV6_DB_STAT_NUM - 1;

// Statistic cells are shared by every thread without a lock: relaxed atomics keep each
// increment while costing no more than a plain add.
void StoreRelaxed(uint32_t &cell, uint32_t value) {
  std::atomic_ref<uint32_t>(cell).store(value, std::memory_order_relaxed);
}

}  // namespace

extern "C" {

constinit Srv6DbMemCallback g_srv6DbMemCallback = {&malloc, &free};
constinit Srv6DbLogCallBack g_Srv6DbLogCallBack = {nullptr, nullptr};
constinit Srv6DbStatEntry g_srv6DbStat[SRV6_DB_TABLE_NUM][SRV6_DB_STAT_NUM] = {};

void SRV6_DB_InitMem(const Srv6DbMemCallback *mem) {
  if (mem == nullptr) return;
  g_srv6DbMemCallback = *mem;
}

void *SRV6_DB_Malloc(uint32_t size) {
  auto mallocFunc = g_srv6DbMemCallback.mallocFunc;
  return mallocFunc != nullptr ? mallocFunc(size) : nullptr;
}

void SRV6_DB_Free(void *ptr) {
  auto freeFunc = g_srv6DbMemCallback.freeFunc;
  if (freeFunc != nullptr) freeFunc(ptr);
}

uint32_t SRV6_DB_LogFuncInit(const Srv6DbLogCallBack *log) {
  if (log == nullptr) return SRV6_DB_ERR;
  g_Srv6DbLogCallBack = *log;
  return SRV6_DB_OK;
}

Srv6DbLogFunc SRV6_DB_GetInfoLogCallBack(void) { return g_Srv6DbLogCallBack.infoLog; }

Srv6DbLogFunc SRV6_DB_GetErrLogCallBack(void) { return g_Srv6DbLogCallBack.errLog; }

int64_t SRV6_DB_GetSysTime(void) { return static_cast<int64_t>(time(nullptr)); }

void SRV6_DB_SetIpaddr(void *dst, const void *src) {
  if (dst == nullptr || src == nullptr) return;
  uint8_t in[16];
  std::memcpy(in, src, sizeof(in));  // all source words first: dst may overlap src
  uint8_t out[16];
  srv6db::codec::SwapWords<sizeof(out)>(out, in);
  std::memcpy(dst, out, sizeof(out));
}

void SRV6_STAT_SetTimeStamp(Srv6DbStatTime *time) {
  if (time == nullptr) return;
  struct timeval now;
  gettimeofday(&now, nullptr);
  StoreRelaxed(time->sec, static_cast<uint32_t>(now.tv_sec));
  StoreRelaxed(time->usec, static_cast<uint32_t>(now.tv_usec));
}

void SRV6_DB_SetStat(uint32_t tableId, uint32_t statId, uint32_t amount) {
  if (tableId > kLastTableId || statId > kLastStatId || amount == 0) return;
  Srv6DbStatEntry &cell = g_srv6DbStat[tableId][statId];
  std::atomic_ref<uint32_t>(cell.count).fetch_add(amount, std::memory_order_relaxed);
  StoreRelaxed(cell.updated, 1);
  if (g_srv6DbStatDesc[statId].timeStampEnable != 0) SRV6_STAT_SetTimeStamp(&cell.time);
}

Srv6DbStatEntry *SRV6_DB_GetStat(uint16_t tableId, uint16_t statId) {
  if (tableId > kLastTableId || statId > kLastStatId) return nullptr;
  return &g_srv6DbStat[tableId][statId];
}

Srv6DbStatDesc *SRV6_DB_GetDbStatDesc(uint32_t statId) {
  if (statId > kLastStatId) return nullptr;
  return &g_srv6DbStatDesc[statId];
}

}  // extern "C"
