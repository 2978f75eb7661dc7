// The test environment every suite shares: counting memory hooks, a recording error log, and a
// fixture that resets the engine, snapshots what a run may move and checks nothing leaked.
#ifndef SRV6DB_TESTS_SUPPORT_ENV_H
#define SRV6DB_TESTS_SUPPORT_ENV_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"
#include "tests/support/counting_mem.h"

namespace srv6db::test {

// A logged message and what was still held when it was sent.
struct LogEvent {
  std::string text;
  uint64_t liveObjects;
  size_t liveHandles;
};
std::vector<LogEvent> &Events();
void RecordingErrLog(const char *format, ...);

// Resets the engine, installs counting memory and the recording log; restores the registry
// and hooks afterwards and checks that no engine object or handle was left behind.
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts a run: an empty engine holding what @p plant stores, zeroed counters and log.
  void BeginRun(const std::function<void()> &plant = [] {});
  // The statistic cells moved since BeginRun, as "name@table+n".
  std::vector<std::string> MovedCells() const;
  static std::string Cell(int stat, uint32_t table, uint32_t n = 1);
  std::vector<std::string> Messages() const;
  // Every object made since BeginRun was released once, nothing else released; every handle
  // allocated was freed, nothing else freed.
  void ExpectNothingLeaked(const std::string &where) const;
  static uint64_t EngineCalls();
  // The engine functions called since BeginRun, each with its number of calls.
  static std::vector<std::pair<uint32_t, uint64_t>> CallsMade();

  Srv6DbEngineObjectStats objectsBefore_{};
  MemCounts memBefore_{};

 private:
  Srv6DbStatEntry statsBefore_[SRV6_DB_TABLE_NUM][SRV6_DB_STAT_NUM];
  Srv6DbGlbCtl registry_[SRV6_DB_TABLE_NUM];
  Srv6DbMemCallback mem_;
  Srv6DbLogCallBack log_;
};

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_SUPPORT_ENV_H
