// VRF class data walk: every field from its own getter, the OR of failing getters, the iterator
// count, each creation failure with its message, and nothing counted or leaked on any path.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_env.h"
#include "tests/tables/te_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kVrf = SRV6DB_ENGINE_VRF_TABLE;
constexpr uint32_t kGetters = 14;

int g_mallocs = 0;
int g_frees = 0;
bool g_failMalloc = false;
void *CountingMalloc(size_t size) {
  if (g_failMalloc) return nullptr;
  ++g_mallocs;
  return std::malloc(size);
}
void CountingFree(void *p) {
  if (p != nullptr) ++g_frees;
  std::free(p);
}

// A record whose every byte differs from every other field's, so a field read by the wrong
// getter cannot pass.
Srv6DbEngineVrfClassData Record(uint8_t seed) {
  Srv6DbEngineVrfClassData r;
  FillSequence(r, seed);
  return r;
}

Bytes AsFields(const Srv6DbEngineVrfClassData &r) { return AsBytes(&r, sizeof(r)); }
Bytes AsFields(const Srv6DbVrfClassData &d) { return AsBytes(&d, sizeof(d)); }

class VrfClassData : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    g_mallocs = g_frees = 0;
    g_failMalloc = false;
    const Srv6DbMemCallback mem = {CountingMalloc, CountingFree};
    SRV6_DB_InitMem(&mem);
  }
  void TearDown() override {
    EXPECT_EQ(g_mallocs, g_frees) << "an iterator handle leaked";
    EXPECT_TRUE(NoStatChanged()) << "the walk counts no statistic";
    LibraryTest::TearDown();
  }

  static uint64_t GetterCalls() {
    uint64_t calls = 0;
    for (uint32_t i = 0; i < kGetters; ++i) {
      calls +=
          srv6db_engine_call_count(SRV6DB_ENGINE_FN_VRF_GET_FIRST + i, SRV6DB_ENGINE_ANY_TABLE);
    }
    return calls;
  }
};

TEST_F(VrfClassData, WalkDeliversEveryRecordFieldByField) {
  const Srv6DbEngineVrfClassData added[] = {Record(0x10), Record(0x80)};
  for (const auto &r : added) ASSERT_EQ(srv6db_engine_vrf_add(&r), 0u);

  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  std::vector<Bytes> walked;
  Srv6DbVrfClassData d;
  while (SRV6_DB_GetNextVrfClassData(iter, &d) == SRV6_DB_OK) walked.push_back(AsFields(d));
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_NOT_FOUND);
  SRV6_DB_ReleaseVrfClassDataIterator(iter);

  ASSERT_EQ(walked.size(), 2u);
  EXPECT_EQ(walked[0], AsFields(added[0]));
  EXPECT_EQ(walked[1], AsFields(added[1]));
  EXPECT_TRUE(ErrLog().empty());
}

TEST_F(VrfClassData, EmptyWalkEndsAtOnceWithoutMessage) {
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(0);
  ASSERT_NE(iter, nullptr);
  Srv6DbVrfClassData d;
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_NOT_FOUND);
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
  EXPECT_TRUE(ErrLog().empty());
}

TEST_F(VrfClassData, CountIsSetUnlessAllBitsAreSet) {
  struct Row {
    uint32_t count;
    uint64_t propertyCalls;
  };
  for (const Row &row : {Row{0xFFFFFFFF, 0}, Row{0, 1}, Row{7, 1}, Row{0xFFFFFFFE, 1}}) {
    SCOPED_TRACE(row.count);
    srv6db_engine_reset_call_counts();
    uint32_t before = 0;
    uint64_t callsBefore = 0;
    srv6db_engine_iter_property_stats(&before, &callsBefore);
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(row.count);
    ASSERT_NE(iter, nullptr);
    uint32_t last = 0;
    uint64_t calls = 0;
    srv6db_engine_iter_property_stats(&last, &calls);
    EXPECT_EQ(calls - callsBefore, row.propertyCalls);
    if (row.propertyCalls != 0) {
      EXPECT_EQ(last, row.count);
    }
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
  }
}

// Each getter fills its own field: failing one getter leaves exactly that field as it was.
TEST_F(VrfClassData, EachGetterWritesItsOwnFieldAndAllRunWhateverFails) {
  const Srv6DbEngineVrfClassData stored = Record(0x20);
  ASSERT_EQ(srv6db_engine_vrf_add(&stored), 0u);
  const size_t fieldSize[kGetters] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 8, 8, 8, 8};

  size_t offset = 0;
  for (uint32_t field = 0; field < kGetters; offset += fieldSize[field], ++field) {
    const uint32_t getter = SRV6DB_ENGINE_FN_VRF_GET_FIRST + field;
    SCOPED_TRACE(srv6db_engine_function_name(getter));
    ErrLog().clear();
    srv6db_engine_reset_call_counts();
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
    ASSERT_NE(iter, nullptr);
    ASSERT_EQ(srv6db_engine_inject_fault(getter, SRV6DB_ENGINE_ANY_TABLE, 0x40,
                                         SRV6DB_ENGINE_FAULT_NEXT_N, 1),
              0u);
    Srv6DbVrfClassData d;
    std::memset(&d, 0xEE, sizeof(d));
    EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK);
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
    srv6db_engine_clear_faults();

    Bytes expected = AsFields(stored);
    std::memset(expected.data() + offset, 0xEE, fieldSize[field]);
    EXPECT_EQ(AsFields(d), expected);
    EXPECT_EQ(GetterCalls(), kGetters);
    EXPECT_EQ(ErrLog(), std::vector<std::string>{"GetVrfClassDataItem getField failed, ret: 64."});
  }
}

TEST_F(VrfClassData, TwoFailingGettersAreLoggedAsTheirOr) {
  const Srv6DbEngineVrfClassData stored = Record(0x30);
  ASSERT_EQ(srv6db_engine_vrf_add(&stored), 0u);
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_VRF_GET_VR_ID, kVrf, 2,
                                       SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_AGE_END, kVrf, 4,
                                       SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  Srv6DbVrfClassData d;
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK);
  EXPECT_EQ(d.producerPid, stored.producerPid);
  EXPECT_EQ(d.timeStampAgeBegin, stored.timeStampAgeBegin);
  EXPECT_EQ(ErrLog(), std::vector<std::string>{"GetVrfClassDataItem getField failed, ret: 6."});
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
}

TEST_F(VrfClassData, FailedCreationLogsOnceAndLeavesNothing) {
  struct Row {
    uint32_t fn;
    uint32_t code;
    const char *message;
  };
  const Row rows[] = {
      {SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, 7, "CreateVrfClassDataIterator createObj failed, ret: 7"},
      {SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 8,
       "CreateVrfClassDataIterator createIter failed, ret: 8"},
      {SRV6DB_ENGINE_FN_SET_ITER_PROPERTY, 9,
       "CreateVrfClassDataIterator setProperty failed, ret: 9"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.message);
    ErrLog().clear();
    ASSERT_EQ(srv6db_engine_inject_fault(row.fn, SRV6DB_ENGINE_ANY_TABLE, row.code,
                                         SRV6DB_ENGINE_FAULT_NEXT_N, 1),
              0u);
    EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(3), nullptr);
    EXPECT_EQ(ErrLog(), std::vector<std::string>{row.message});
    EXPECT_EQ(g_mallocs, g_frees);
    srv6db_engine_clear_faults();
  }

  ErrLog().clear();
  srv6db_engine_reset_call_counts();
  g_failMalloc = true;
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(3), nullptr);
  EXPECT_EQ(ErrLog(), std::vector<std::string>{"CreateVrfClassDataIterator malloc failed"});
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

TEST_F(VrfClassData, NextFailuresReturnOneWithTheirMessage) {
  const Srv6DbEngineVrfClassData stored = Record(0x40);
  ASSERT_EQ(srv6db_engine_vrf_add(&stored), 0u);
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  Srv6DbVrfClassData d;

  srv6db_engine_reset_call_counts();
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, &d), SRV6_DB_ERR);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6DB_ENGINE_ANY_TABLE), 0u);
  EXPECT_EQ(ErrLog(), std::vector<std::string>(2, "GetNextVrfClassData failed, para is NULL"));

  ErrLog().clear();
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6DB_ENGINE_ANY_TABLE, 5,
                                       SRV6DB_ENGINE_FAULT_NEXT_N, 1),
            0u);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_ERR);
  EXPECT_EQ(GetterCalls(), 0u);
  EXPECT_EQ(ErrLog(), std::vector<std::string>{"GetNextVrfClassData failed, ret: 5"});
  // the handle is intact: the walk goes on
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK);
  EXPECT_EQ(AsFields(d), AsFields(stored));
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
}

TEST_F(VrfClassData, NullArgumentsDoNothing) {
  SRV6_DB_ReleaseVrfClassDataIterator(nullptr);
  SRV6_DB_GetVrfClassDataItem(nullptr, nullptr);
  EXPECT_EQ(GetterCalls(), 0u);
  EXPECT_EQ(g_frees, 0);
  EXPECT_TRUE(ErrLog().empty());
}

}  // namespace
}  // namespace srv6db::test
