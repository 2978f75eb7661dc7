// Statistic names, log message texts and the one path that counts and logs a failure.
#include "core/failure.h"

#include <iterator>

namespace srv6db {
namespace {

// The text of each message, looked up by its id.
#define SRV6DB_MSG_TEXT(name, text) text,
constexpr const char *kMessages[] = {nullptr, SRV6DB_MESSAGES(SRV6DB_MSG_TEXT)};
#undef SRV6DB_MSG_TEXT

// The statistics in exported id order, so that g_srv6DbStatDesc can list them by position.
#define SRV6DB_STAT_ID(name, id) SRV6_DB_STAT_##id,
constexpr uint32_t kStatIds[] = {SRV6DB_STATS(SRV6DB_STAT_ID)};
#undef SRV6DB_STAT_ID
constexpr bool StatsInIdOrder() {
  for (uint32_t i = 0; i < std::size(kStatIds); ++i)
    if (kStatIds[i] != i) return false;
  return std::size(kStatIds) == SRV6_DB_STAT_NUM;
}
static_assert(StatsInIdOrder(), "SRV6DB_STATS lists every statistic in id order");

}  // namespace

void RecordFailure(uint32_t tableId, Stat stat, Msg msg) noexcept {
  if (stat != Stat::kNone) SRV6_DB_SetStat(tableId, static_cast<uint32_t>(stat), 1);
  if (msg == Msg::kNone) return;
  Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack();
  if (errLog != nullptr) errLog(kMessages[static_cast<size_t>(msg)], tableId);
}

}  // namespace srv6db

extern "C" {

#define SRV6DB_STAT_DESC(name, id) {#name, 1},
Srv6DbStatDesc g_srv6DbStatDesc[SRV6_DB_STAT_NUM] = {SRV6DB_STATS(SRV6DB_STAT_DESC)};
#undef SRV6DB_STAT_DESC

}  // extern "C"
