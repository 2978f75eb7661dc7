// The generic iterator's handle, count property and memory hook use.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <set>

#include "tests/support/test_env.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kCommon = 4;
constexpr uint32_t kRecordSize = 112;

int g_allocs = 0;
int g_frees = 0;
size_t g_lastSize = 0;
void *CountingMalloc(size_t size) {
  ++g_allocs;
  g_lastSize = size;
  return std::malloc(size);
}
void CountingFree(void *p) {
  ++g_frees;
  std::free(p);
}
void *FailingMalloc(size_t) { return nullptr; }

class Iterator : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    g_allocs = g_frees = 0;
    const Srv6DbMemCallback counting = {&CountingMalloc, &CountingFree};
    SRV6_DB_InitMem(&counting);
  }

  void Plant(uint32_t commonId) {
    std::array<uint8_t, kRecordSize> r{};
    std::memcpy(r.data(), &commonId, 4);
    ASSERT_EQ(0u, srv6db_engine_put_record(kCommon, r.data(), kRecordSize));
  }
};

TEST_F(Iterator, CountIsSetUnlessAllBitsAreSet) {
  uint32_t last = 0;
  uint64_t calls = 0;
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 4294967295u);
  ASSERT_NE(iter, nullptr);
  SRV6_DB_ReleaseIterator(kCommon, iter);
  srv6db_engine_iter_property_stats(&last, &calls);
  EXPECT_EQ(calls, 0u);
  iter = SRV6_DB_CreateIterator(kCommon, 0);
  ASSERT_NE(iter, nullptr);
  SRV6_DB_ReleaseIterator(kCommon, iter);
  srv6db_engine_iter_property_stats(&last, &calls);
  EXPECT_EQ(calls, 1u);
  EXPECT_EQ(last, 0u);
}

TEST_F(Iterator, WalksEveryRecordOnceWithCountOneAndFreesTheHandle) {
  for (uint32_t id = 1; id <= 5; ++id) Plant(id);
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 1);
  ASSERT_NE(iter, nullptr);
  EXPECT_EQ(g_allocs, 1);
  EXPECT_EQ(g_lastSize, sizeof(Srv6DbIter));
  std::array<uint8_t, kRecordSize> r{};
  Srv6DbBuf buf = {r.data(), kRecordSize};
  std::set<uint32_t> seen;
  while (SRV6_DB_GetNextEntry(kCommon, iter, &buf) == 0) {
    uint32_t id;
    std::memcpy(&id, r.data(), 4);
    EXPECT_TRUE(seen.insert(id).second) << "yielded twice: " << id;
  }
  EXPECT_EQ(seen, (std::set<uint32_t>{1, 2, 3, 4, 5}));
  SRV6_DB_ReleaseIterator(kCommon, iter);
  EXPECT_EQ(g_allocs, 1);
  EXPECT_EQ(g_frees, 1);
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Iterator, EmptyTableEndsAtOnceWithoutCounting) {
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  std::array<uint8_t, kRecordSize> r{};
  Srv6DbBuf buf = {r.data(), kRecordSize};
  EXPECT_EQ(SRV6_DB_GetNextEntry(kCommon, iter, &buf), 60u);
  EXPECT_EQ(SRV6_DB_GetNextEntry(kCommon, iter, &buf), 60u);
  SRV6_DB_ReleaseIterator(kCommon, iter);
  EXPECT_TRUE(NoStatChanged());
}

TEST_F(Iterator, FailedAllocationCountsAndCallsNoEngineFunction) {
  const Srv6DbMemCallback failing = {&FailingMalloc, &CountingFree};
  SRV6_DB_InitMem(&failing);
  EXPECT_EQ(SRV6_DB_CreateIterator(kCommon, 1), nullptr);
  EXPECT_TRUE(OnlyStatChanged(kCommon, SRV6_DB_STAT_MEM_ALLOC_FAILED));
  EXPECT_TRUE(ErrLog().empty());
  for (uint32_t fn = 0; fn < SRV6DB_ENGINE_FN_COUNT_OF; ++fn) {
    EXPECT_EQ(srv6db_engine_call_count(fn, SRV6DB_ENGINE_ANY_TABLE), 0u)
        << srv6db_engine_function_name(fn);
  }
}

TEST_F(Iterator, FailedCreationFreesTheHandle) {
  for (uint32_t fn : {SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_FN_CREATE_ROOT_ITER,
                      SRV6DB_ENGINE_FN_SET_ITER_PROPERTY}) {
    srv6db_engine_inject_fault(fn, kCommon, 9, SRV6DB_ENGINE_FAULT_NEXT_N, 1);
    EXPECT_EQ(SRV6_DB_CreateIterator(kCommon, 3), nullptr);
  }
  EXPECT_EQ(g_allocs, 3);
  EXPECT_EQ(g_frees, 3);
}

// An engine may answer success with a null object; the failure after it still releases it.
int g_releases = 0;
uint32_t NullObject(uint32_t, uint32_t, void **dbObj) {
  *dbObj = nullptr;
  return 0;
}
uint32_t CountRelease(void *) { return ++g_releases, 0; }

TEST_F(Iterator, FailedCreationReleasesANullEngineObject) {
  g_releases = 0;
  g_srv6DbGlbCtl[kCommon].createDbObj = &NullObject;
  g_srv6DbGlbCtl[kCommon].releaseDbObj = &CountRelease;
  EXPECT_EQ(SRV6_DB_CreateIterator(kCommon, 3), nullptr);  // no root iterator on a null object
  EXPECT_EQ(g_releases, 1);
  EXPECT_EQ(g_frees, 1);
}

TEST_F(Iterator, ReleaseOfNullCountsAndReleaseOfBadTableDoesNothing) {
  SRV6_DB_ReleaseIterator(kCommon, nullptr);
  EXPECT_TRUE(OnlyStatChanged(kCommon, SRV6_DB_STAT_PARAM_INVALID));
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 1);
  ASSERT_NE(iter, nullptr);
  SRV6_DB_ReleaseIterator(17, iter);
  EXPECT_EQ(g_frees, 0);
  SRV6_DB_ReleaseIterator(kCommon, iter);
  EXPECT_EQ(g_frees, 1);
}

TEST_F(Iterator, ReleaseWithClearedReleaseSlotStillFreesTheHandle) {
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 1);
  ASSERT_NE(iter, nullptr);
  void *dbObj = iter->dbObj;
  const Srv6DbObjFunc release = g_srv6DbGlbCtl[kCommon].releaseDbObj;
  g_srv6DbGlbCtl[kCommon].releaseDbObj = nullptr;
  SRV6_DB_ReleaseIterator(kCommon, iter);
  EXPECT_EQ(g_frees, 1);
  release(dbObj);  // the caller cleared the slot; the object is still the engine's
}

TEST_F(Iterator, FreedWithTheHookInstalledAtRelease) {
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 1);
  ASSERT_NE(iter, nullptr);
  int otherFrees = 0;
  static int *counter = nullptr;
  counter = &otherFrees;
  const Srv6DbMemCallback other = {&CountingMalloc, [](void *p) {
                                     ++*counter;
                                     std::free(p);
                                   }};
  SRV6_DB_InitMem(&other);
  SRV6_DB_ReleaseIterator(kCommon, iter);
  EXPECT_EQ(otherFrees, 1);
  EXPECT_EQ(g_frees, 0);
}

}  // namespace
}  // namespace srv6db::test
