// The small services beside the generic operations: calendar time, the bounded copy, and
// statistic descriptors that ask for no time stamp.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "core/bounded_copy.h"
#include "tests/support/test_env.h"

namespace srv6db::test {
namespace {

class Services : public LibraryTest {};

TEST_F(Services, SysTimeIsTheCalendarTime) {
  const int64_t before = static_cast<int64_t>(time(nullptr));
  const int64_t now = SRV6_DB_GetSysTime();
  const int64_t after = static_cast<int64_t>(time(nullptr));
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
}

// A descriptor whose timeStampEnable is 0 counts and marks the cell but leaves its time alone.
TEST_F(Services, StatisticWithoutTimeStampKeepsItsTime) {
  Srv6DbStatDesc &desc = g_srv6DbStatDesc[SRV6_DB_STAT_GET_FIELD_FAILED];
  const uint32_t saved = desc.timeStampEnable;
  desc.timeStampEnable = 0;
  Srv6DbStatEntry &cell = g_srv6DbStat[3][SRV6_DB_STAT_GET_FIELD_FAILED];
  const Srv6DbStatTime time = {0xAAAA, 0xBBBB};
  cell.time = time;
  SRV6_DB_SetStat(3, SRV6_DB_STAT_GET_FIELD_FAILED, 1);
  desc.timeStampEnable = saved;
  EXPECT_TRUE(OnlyStatChanged(3, SRV6_DB_STAT_GET_FIELD_FAILED));
  EXPECT_EQ(cell.updated, 1u);
  EXPECT_EQ(cell.time.sec, 0xAAAAu);
  EXPECT_EQ(cell.time.usec, 0xBBBBu);
}

// The bounded copy keeps the platform contract: copy what fits, else zero and say why.
TEST(BoundedCopy, CopiesWhatFitsAndZeroesOtherwise) {
  struct Row {
    const char *name;
    bool nullDst;
    bool nullSrc;
    size_t capacity;
    size_t count;
    int result;
    uint8_t firstByte;  // of the destination afterwards
  };
  const Row rows[] = {
      {"fits", false, false, 16, 16, 0, 0x11},
      {"shorter", false, false, 16, 4, 0, 0x11},
      {"too long", false, false, 8, 16, ERANGE, 0x00},
      {"null source", false, true, 16, 16, EINVAL, 0x00},
      {"null destination", true, false, 16, 16, EINVAL, 0xEE},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    uint8_t src[16];
    std::memset(src, 0x11, sizeof(src));
    uint8_t dst[16];
    std::memset(dst, 0xEE, sizeof(dst));
    EXPECT_EQ(CopyBounded(row.nullDst ? nullptr : dst, row.capacity, row.nullSrc ? nullptr : src,
                          row.count),
              row.result);
    EXPECT_EQ(dst[0], row.firstByte);
    if (row.result == 0) {
      EXPECT_EQ(dst[row.count - 1], 0x11);
      if (row.count < sizeof(dst)) {
        EXPECT_EQ(dst[row.count], 0xEE) << "wrote past count";
      }
    }
  }
}

}  // namespace
}  // namespace srv6db::test
