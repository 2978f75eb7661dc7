// Shared fixture of the fault and bad-input suites: snapshots and restores the process-wide
// state, installs counting memory hooks and an error log that records what was still held.
#ifndef SRV6DB_TESTS_FAULT_OP_FIXTURE_H
#define SRV6DB_TESTS_FAULT_OP_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
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

// Messages logged since the last BeginRun.
std::vector<LogEvent> &Events();
void RecordingErrLog(const char *format, ...);

// Every function id the sweep fails: table functions and the VRF walk's own.
std::vector<uint32_t> AllFunctions();

// Snapshots and restores the process-wide state a run touches; installs counting hooks.
class OperationFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(registry_, g_srv6DbGlbCtl, sizeof(registry_));
    mem_ = g_srv6DbMemCallback;
    log_ = g_Srv6DbLogCallBack;
    InstallCountingMem();
    const Srv6DbLogCallBack hooks = {nullptr, &RecordingErrLog};
    SRV6_DB_LogFuncInit(&hooks);
  }
  void TearDown() override {
    srv6db_engine_reset();
    std::memcpy(g_srv6DbGlbCtl, registry_, sizeof(registry_));
    g_srv6DbMemCallback = mem_;
    g_Srv6DbLogCallBack = log_;
  }

  // Starts a run: an empty engine with the stored record(s), zeroed counters.
  void BeginRun(const std::function<void()> &plant) {
    srv6db_engine_reset();
    plant();
    srv6db_engine_reset_call_counts();
    srv6db_engine_object_stats(&objectsBefore_);
    std::memcpy(statsBefore_, g_srv6DbStat, sizeof(statsBefore_));
    memBefore_ = CountedMem();
    Events().clear();
  }

  // The cells that moved since BeginRun, as "stat@table+n" strings.
  std::vector<std::string> MovedCells() const {
    std::vector<std::string> moved;
    for (uint32_t t = 0; t < SRV6_DB_TABLE_NUM; ++t) {
      for (uint32_t s = 0; s < SRV6_DB_STAT_NUM; ++s) {
        const uint32_t d = g_srv6DbStat[t][s].count - statsBefore_[t][s].count;
        if (d != 0) {
          moved.push_back(std::string(g_srv6DbStatDesc[s].statName) + "@" + std::to_string(t) +
                          "+" + std::to_string(d));
        }
      }
    }
    return moved;
  }

  static std::string Cell(int stat, uint32_t table) {
    return std::string(g_srv6DbStatDesc[stat].statName) + "@" + std::to_string(table) + "+1";
  }

  // Every object made was released once (a failed release still counts as the one call), no
  // release of anything else; every handle allocated was freed, nothing else freed.
  void ExpectNothingLeaked(const std::string &where) const {
    Srv6DbEngineObjectStats objects;
    srv6db_engine_object_stats(&objects);
    const uint64_t made = objects.made - objectsBefore_.made;
    const uint64_t releaseCalls =
        srv6db_engine_call_count(SRV6DB_ENGINE_FN_RELEASE_OBJ, SRV6DB_ENGINE_ANY_TABLE) +
        srv6db_engine_call_count(SRV6DB_ENGINE_FN_VRF_RELEASE_OBJ, SRV6DB_ENGINE_ANY_TABLE);
    EXPECT_EQ(releaseCalls, made) << where << ": objects made and release calls differ";
    EXPECT_EQ(objects.badReleases, objectsBefore_.badReleases)
        << where << ": released an object it did not hold";
    const MemCounts mem = CountedMem();
    EXPECT_EQ(mem.live, memBefore_.live) << where << ": an iterator handle was not freed";
    EXPECT_EQ(mem.badFrees, memBefore_.badFrees) << where << ": freed a block it did not hold";
  }

  Srv6DbEngineObjectStats objectsBefore_{};
  Srv6DbStatEntry statsBefore_[SRV6_DB_TABLE_NUM][SRV6_DB_STAT_NUM];
  MemCounts memBefore_{};

 private:
  Srv6DbGlbCtl registry_[SRV6_DB_TABLE_NUM];
  Srv6DbMemCallback mem_;
  Srv6DbLogCallBack log_;
};

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_FAULT_OP_FIXTURE_H
