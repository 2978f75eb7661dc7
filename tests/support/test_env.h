// Shared fixture for tests that drive the library against the in-memory engine.
#ifndef SRV6DB_TESTS_SUPPORT_TEST_ENV_H
#define SRV6DB_TESTS_SUPPORT_TEST_ENV_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"

namespace srv6db::test {

// Messages sent to the error log hook while the fixture's capture is installed.
std::vector<std::string> &ErrLog();

// Resets the engine, captures errLog, snapshots every statistic cell; restores the registry,
// memory and log hooks afterwards and checks that no engine object was left alive.
class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Change of one statistic cell since SetUp.
  uint32_t StatDelta(uint32_t tableId, uint32_t statId) const;
  // True if no cell but (tableId, statId) changed, and that one by exactly n.
  ::testing::AssertionResult OnlyStatChanged(uint32_t tableId, uint32_t statId,
                                             uint32_t n = 1) const;
  ::testing::AssertionResult NoStatChanged() const;
  const Srv6DbMemCallback &memBefore() const { return memBefore_; }

 private:
  Srv6DbStatEntry statBefore_[SRV6_DB_TABLE_NUM][SRV6_DB_STAT_NUM];
  Srv6DbGlbCtl registryBefore_[SRV6_DB_TABLE_NUM];
  Srv6DbMemCallback memBefore_;
  Srv6DbLogCallBack logBefore_;
  Srv6DbEngineObjectStats objectsBefore_;
};

// Formats like the hook's caller intended: the library passes at most one u32 after format.
void CaptureErrLog(const char *format, ...);

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_SUPPORT_TEST_ENV_H
