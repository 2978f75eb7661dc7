// Shared fixture for tests that drive the library against the in-memory engine.
#include "tests/support/test_env.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace srv6db::test {

std::vector<std::string> &ErrLog() {
  static std::vector<std::string> messages;
  return messages;
}

void CaptureErrLog(const char *format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  ErrLog().emplace_back(text);
}

void LibraryTest::SetUp() {
  srv6db_engine_reset();
  srv6db_engine_capture_keys(1);
  ErrLog().clear();
  std::memcpy(statBefore_, g_srv6DbStat, sizeof(statBefore_));
  std::memcpy(registryBefore_, g_srv6DbGlbCtl, sizeof(registryBefore_));
  memBefore_ = g_srv6DbMemCallback;
  logBefore_ = g_Srv6DbLogCallBack;
  const Srv6DbLogCallBack capture = {nullptr, &CaptureErrLog};
  SRV6_DB_LogFuncInit(&capture);
  srv6db_engine_object_stats(&objectsBefore_);
}

void LibraryTest::TearDown() {
  std::memcpy(g_srv6DbGlbCtl, registryBefore_, sizeof(registryBefore_));
  g_srv6DbMemCallback = memBefore_;
  g_Srv6DbLogCallBack = logBefore_;
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  EXPECT_EQ(objects.live, objectsBefore_.live) << "an engine object was not released";
  EXPECT_EQ(objects.badReleases, 0u) << "an engine object was released twice";
  srv6db_engine_capture_keys(0);
  srv6db_engine_reset();
}

uint32_t LibraryTest::StatDelta(uint32_t tableId, uint32_t statId) const {
  return g_srv6DbStat[tableId][statId].count - statBefore_[tableId][statId].count;
}

::testing::AssertionResult LibraryTest::OnlyStatChanged(uint32_t tableId, uint32_t statId,
                                                        uint32_t n) const {
  for (uint32_t t = 0; t < SRV6_DB_TABLE_NUM; ++t) {
    for (uint32_t s = 0; s < SRV6_DB_STAT_NUM; ++s) {
      const uint32_t want = (t == tableId && s == statId) ? n : 0;
      if (StatDelta(t, s) != want) {
        return ::testing::AssertionFailure()
               << "statistic " << g_srv6DbStatDesc[s].statName << " of table " << t
               << " moved by " << StatDelta(t, s) << ", expected " << want;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult LibraryTest::NoStatChanged() const {
  return OnlyStatChanged(0, 0, 0);
}

}  // namespace srv6db::test
