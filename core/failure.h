// Failure accounting of the generic operations: statistic ids, log messages, one report path.
#ifndef SRV6DB_CORE_FAILURE_H
#define SRV6DB_CORE_FAILURE_H

#include <cstdint>

namespace srv6db {

enum class Stat : uint8_t {
  kCreateDbFailed = 0,
  kReadDbFailed = 1,
  kUpdateDbFailed = 2,
  kDeleteDbFailed = 3,
  kCountDbFailed = 4,
  kCreateIterFailed = 5,
  kIterNextFailed = 6,
  kMemAllocFailed = 7,
  kSetIterCntFailed = 8,
  kSetFieldFailed = 9,
  kGetFieldFailed = 10,
  kWriteObjFailed = 11,
  kReadObjFailed = 12,
  kUpdateObjFailed = 13,
  kRemoveFailed = 14,
  kStatisObjFailed = 15,
  kQueryObjFailed = 16,
  kSubPushFailed = 17,
  kQueryNoExist = 18,
  kUpdateNoExist = 19,
  kParamInvalid = 20,
  kGlbCtlInvalid = 21,
  kNone = 0xFF,
};

// Every message the generic operations log; the texts sit in failure.cc beside the names.
enum class Msg : uint8_t {
  kNone,
  kCreateGlbCtl,
  kCreateObj,
  kCreateSetFields,
  kCreatePushFull,
  kCreateWrite,
  kReadGlbCtl,
  kReadObj,
  kReadBuf,
  kUpdateGlbCtl,
  kUpdateObj,
  kUpdateSetFields,
  kUpdatePushFull,
  kUpdateDb,
  kDeleteGlbCtl,
  kDeleteObj,
  kDeletePushFull,
  kDeleteRemove,
  kCountGlbCtl,
  kCountObj,
  kCountDb,
  kUniqueObj,
  kUniqueIter,
  kUniqueNext,
  kUniqueReadBuf,
  kIterGlbCtl,
  kIterObj,
  kIterRootIter,
  kIterProperty,
  kNextIterNext,
  kNextReadBuf,
  kCount_,
};

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
