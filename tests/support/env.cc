// The test environment every suite shares.
#include "tests/support/env.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace srv6db::test {
std::vector<LogEvent> &Events() {
  static std::vector<LogEvent> events;
  return events;
}

void RecordingErrLog(const char *format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  Events().push_back({text, objects.live, CountedMem().live});
}

void LibraryTest::SetUp() {
  std::memcpy(registry_, g_srv6DbGlbCtl, sizeof(registry_));
  mem_ = g_srv6DbMemCallback;
  log_ = g_Srv6DbLogCallBack;
  InstallCountingMem();
  const Srv6DbLogCallBack hooks = {nullptr, &RecordingErrLog};
  SRV6_DB_LogFuncInit(&hooks);
  srv6db_engine_capture_keys(1);
  BeginRun();
}

void LibraryTest::TearDown() {
  ExpectNothingLeaked("at the end");
  srv6db_engine_capture_keys(0);
  srv6db_engine_reset();
  std::memcpy(g_srv6DbGlbCtl, registry_, sizeof(registry_));
  g_srv6DbMemCallback = mem_;
  g_Srv6DbLogCallBack = log_;
}

void LibraryTest::BeginRun(const std::function<void()> &plant) {
  srv6db_engine_reset();
  plant();
  srv6db_engine_reset_call_counts();
  srv6db_engine_object_stats(&objectsBefore_);
  std::memcpy(statsBefore_, g_srv6DbStat, sizeof(statsBefore_));
  memBefore_ = CountedMem();
  Events().clear();
}

std::vector<std::string> LibraryTest::MovedCells() const {
  std::vector<std::string> moved;
  for (uint32_t t = 0; t < SRV6_DB_TABLE_NUM; ++t) {
    for (uint32_t s = 0; s < SRV6_DB_STAT_NUM; ++s) {
      const uint32_t d = g_srv6DbStat[t][s].count - statsBefore_[t][s].count;
      if (d != 0) moved.push_back(Cell(static_cast<int>(s), t, d));
    }
  }
  return moved;
}

std::string LibraryTest::Cell(int stat, uint32_t table, uint32_t n) {
  return std::string(g_srv6DbStatDesc[stat].statName) + "@" + std::to_string(table) + "+" +
         std::to_string(n);
}

std::vector<std::string> LibraryTest::Messages() const {
  std::vector<std::string> texts;
  for (const LogEvent &e : Events()) texts.push_back(e.text);
  return texts;
}

void LibraryTest::ExpectNothingLeaked(const std::string &where) const {
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  const uint64_t releaseCalls =
      srv6db_engine_call_count(SRV6DB_ENGINE_FN_RELEASE_OBJ, SRV6DB_ENGINE_ANY_TABLE) +
      srv6db_engine_call_count(SRV6DB_ENGINE_FN_VRF_RELEASE_OBJ, SRV6DB_ENGINE_ANY_TABLE);
  EXPECT_EQ(releaseCalls, objects.made - objectsBefore_.made)
      << where << ": objects made and release calls differ";
  EXPECT_EQ(objects.badReleases, objectsBefore_.badReleases)
      << where << ": released an object it did not hold";
  const MemCounts mem = CountedMem();
  EXPECT_EQ(mem.live, memBefore_.live) << where << ": an iterator handle was not freed";
  EXPECT_EQ(mem.badFrees, memBefore_.badFrees) << where << ": freed a block it did not hold";
}

std::vector<std::pair<uint32_t, uint64_t>> LibraryTest::CallsMade() {
  std::vector<std::pair<uint32_t, uint64_t>> calls;
  for (uint32_t fn = 0; fn < SRV6DB_ENGINE_FN_COUNT_OF; ++fn) {
    const uint64_t n = srv6db_engine_call_count(fn, SRV6DB_ENGINE_ANY_TABLE);
    if (n != 0) calls.emplace_back(fn, n);
  }
  return calls;
}

uint64_t LibraryTest::EngineCalls() {
  return srv6db_engine_call_count(SRV6DB_ENGINE_FN_ANY, SRV6DB_ENGINE_ANY_TABLE);
}

}  // namespace srv6db::test
