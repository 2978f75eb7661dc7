// Hooks, IPv6 word conversion and statistic cells.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "srv6_db.h"
#include "tests/support/test_env.h"

namespace srv6db::test {
namespace {

using Hooks = LibraryTest;

TEST_F(Hooks, SetIpaddrReversesEachWordAndMayWorkInPlace) {
  const uint8_t in[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                          0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
  const uint8_t want[16] = {0x03, 0x02, 0x01, 0x00, 0x07, 0x06, 0x05, 0x04,
                            0x0B, 0x0A, 0x09, 0x08, 0x0F, 0x0E, 0x0D, 0x0C};
  uint8_t out[16];
  SRV6_DB_SetIpaddr(out, in);
  EXPECT_EQ(0, std::memcmp(out, want, 16));
  uint8_t same[16];
  std::memcpy(same, in, 16);
  SRV6_DB_SetIpaddr(same, same);
  EXPECT_EQ(0, std::memcmp(same, want, 16));
  SRV6_DB_SetIpaddr(same, same);
  EXPECT_EQ(0, std::memcmp(same, in, 16));
}

TEST_F(Hooks, SetIpaddrIgnoresNull) {
  const uint8_t in[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  uint8_t out[16] = {};
  SRV6_DB_SetIpaddr(nullptr, in);
  SRV6_DB_SetIpaddr(out, nullptr);
  SRV6_DB_SetIpaddr(nullptr, nullptr);
  EXPECT_EQ(out[0], 0);
}

TEST_F(Hooks, SetStatIgnoresOutOfRangeIdsAndZeroAmount) {
  SRV6_DB_SetStat(4, 21, 0);
  SRV6_DB_SetStat(17, 0, 1);
  SRV6_DB_SetStat(0, 22, 1);
  SRV6_DB_SetStat(0xFFFFFFFF, 0xFFFFFFFF, 1);
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Hooks, SetStatCountsMarksAndStampsOneCell) {
  Srv6DbStatEntry &cell = g_srv6DbStat[4][9];
  SRV6_DB_SetStat(4, 9, 1);
  Srv6DbStatTime before;
  SRV6_STAT_SetTimeStamp(&before);
  SRV6_DB_SetStat(4, 9, 1);
  EXPECT_TRUE(OnlyStatChanged(4, 9, 2));
  EXPECT_EQ(cell.updated, 1u);
  const uint64_t stamped = uint64_t{cell.time.sec} * 1000000 + cell.time.usec;
  EXPECT_GE(stamped, uint64_t{before.sec} * 1000000 + before.usec);
}

TEST_F(Hooks, SetStatCountWrapsModulo32Bits) {
  Srv6DbStatEntry &cell = g_srv6DbStat[16][21];
  const uint32_t start = cell.count;
  SRV6_DB_SetStat(16, 21, 0xFFFFFFFFu);
  SRV6_DB_SetStat(16, 21, 2);
  EXPECT_EQ(cell.count, start + 1);
}

TEST_F(Hooks, ConcurrentIncrementsAreNotLost) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < kPerThread; ++i) SRV6_DB_SetStat(3, 20, 1);
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_TRUE(OnlyStatChanged(3, 20, kThreads * kPerThread));
}

TEST_F(Hooks, StatLookupsStayInsideTheTables) {
  EXPECT_EQ(SRV6_DB_GetStat(16, 21), &g_srv6DbStat[16][21]);
  EXPECT_EQ(SRV6_DB_GetStat(17, 0), nullptr);
  EXPECT_EQ(SRV6_DB_GetStat(0, 22), nullptr);
  ASSERT_NE(SRV6_DB_GetDbStatDesc(0), nullptr);
  EXPECT_STREQ(SRV6_DB_GetDbStatDesc(0)->statName, "CreateDbFailed");
  EXPECT_STREQ(SRV6_DB_GetDbStatDesc(21)->statName, "GlbCtlInvalid");
  EXPECT_EQ(SRV6_DB_GetDbStatDesc(22), nullptr);
  EXPECT_EQ(SRV6_DB_GetGlbCtl(17), nullptr);
  EXPECT_EQ(SRV6_DB_GetGlbCtl(16), &g_srv6DbGlbCtl[16]);
}

TEST_F(Hooks, StatisticNamesInIdOrder) {
  const char *names[] = {"CreateDbFailed",  "ReadDbFailed",    "UpdateDbFailed",
                         "DeleteDbFailed",  "CountDbFailed",   "CreateIterFailed",
                         "IterNextFailed",  "MemAllocFailed",  "SetIterCntFailed",
                         "SetFieldFailed",  "GetFieldFailed",  "WriteObjFailed",
                         "ReadObjFailed",   "UpdateObjFailed", "RemoveFailed",
                         "StatisObjFailed", "QueryObjFailed",  "SubPushFailed",
                         "QueryNoExist",    "UpdateNoExist",   "ParamInvalid",
                         "GlbCtlInvalid"};
  for (uint32_t id = 0; id < SRV6_DB_STAT_NUM; ++id) {
    EXPECT_STREQ(g_srv6DbStatDesc[id].statName, names[id]);
    EXPECT_EQ(g_srv6DbStatDesc[id].timeStampEnable, 1u);
  }
}

TEST_F(Hooks, LogFuncInitKeepsHooksOnNullAndAcceptsNullMembers) {
  EXPECT_EQ(SRV6_DB_LogFuncInit(nullptr), 1u);
  EXPECT_EQ(SRV6_DB_GetErrLogCallBack(), &CaptureErrLog);
  const Srv6DbLogCallBack silent = {&CaptureErrLog, nullptr};
  EXPECT_EQ(SRV6_DB_LogFuncInit(&silent), 0u);
  EXPECT_EQ(SRV6_DB_GetInfoLogCallBack(), &CaptureErrLog);
  EXPECT_EQ(SRV6_DB_GetErrLogCallBack(), nullptr);
  // A failing operation still counts, and calls nothing.
  EXPECT_EQ(SRV6_DB_Create(4, nullptr), 1u);
  EXPECT_TRUE(OnlyStatChanged(4, SRV6_DB_STAT_PARAM_INVALID));
  g_srv6DbGlbCtl[4].createDbObj = nullptr;
  const uint8_t record[112] = {};
  const Srv6DbBuf buf = {const_cast<uint8_t *>(record), sizeof(record)};
  EXPECT_EQ(SRV6_DB_Create(4, &buf), 1u);
  EXPECT_EQ(StatDelta(4, SRV6_DB_STAT_GLB_CTL_INVALID), 1u);
  EXPECT_TRUE(ErrLog().empty());
}

TEST_F(Hooks, MemoryHooksAbsentNeverCallThroughNull) {
  const Srv6DbMemCallback none = {nullptr, nullptr};
  SRV6_DB_InitMem(nullptr);  // ignored
  EXPECT_EQ(g_srv6DbMemCallback.mallocFunc, memBefore().mallocFunc);
  SRV6_DB_InitMem(&none);
  EXPECT_EQ(SRV6_DB_Malloc(16), nullptr);
  SRV6_DB_Free(nullptr);
  EXPECT_EQ(SRV6_DB_CreateIterator(4, SRV6_DB_ITER_NO_COUNT), nullptr);
  EXPECT_TRUE(OnlyStatChanged(4, SRV6_DB_STAT_MEM_ALLOC_FAILED));
}

}  // namespace
}  // namespace srv6db::test
