// VRF class data walk: every field from its own getter, the OR of failing getters, the iterator
// count, each creation failure with its message, and nothing counted or leaked on any path.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kGetters = 14;
using Log = std::vector<std::string>;

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
  Ramp(r, seed);
  return r;
}

// Engine function @p fn answers @p code on its next call.
void Fail(uint32_t fn, uint32_t code) {
  ASSERT_EQ(
      srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code, SRV6DB_ENGINE_FAULT_NEXT_N, 1),
      0u);
}

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
  // Every record a full walk delivers, as bytes.
  static std::vector<Bytes> Walk() {
    std::vector<Bytes> walked;
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
    EXPECT_NE(iter, nullptr);
    Srv6DbVrfClassData d;
    while (SRV6_DB_GetNextVrfClassData(iter, &d) == SRV6_DB_OK) walked.push_back(BytesOf(d));
    EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_NOT_FOUND);
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
    return walked;
  }
};

TEST_F(VrfClassData, WalkDeliversEveryRecordFieldByField) {
  EXPECT_TRUE(Walk().empty());
  const Srv6DbEngineVrfClassData added[] = {Record(0x10), Record(0x80)};
  for (const auto &r : added) ASSERT_EQ(srv6db_engine_vrf_add(&r), 0u);
  EXPECT_EQ(Walk(), (std::vector<Bytes>{BytesOf(added[0]), BytesOf(added[1])}));
  EXPECT_TRUE(ErrLog().empty());
}

TEST_F(VrfClassData, CountIsSetUnlessAllBitsAreSet) {
  for (const uint32_t count : {0xFFFFFFFFu, 0u, 7u, 0xFFFFFFFEu}) {
    SCOPED_TRACE(count);
    uint32_t last = 0;
    uint64_t before = 0, after = 0;
    srv6db_engine_iter_property_stats(&last, &before);
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(count);
    ASSERT_NE(iter, nullptr);
    srv6db_engine_iter_property_stats(&last, &after);
    EXPECT_EQ(after - before, count == 0xFFFFFFFF ? 0u : 1u);
    if (count != 0xFFFFFFFF) {
      EXPECT_EQ(last, count);
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
    Fail(getter, 0x40);
    auto d = Filled<Srv6DbVrfClassData>(0xEE);
    EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK);
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
    srv6db_engine_clear_faults();

    Bytes expected = BytesOf(stored);
    std::memset(expected.data() + offset, 0xEE, fieldSize[field]);
    EXPECT_EQ(BytesOf(d), expected);
    EXPECT_EQ(GetterCalls(), kGetters);
    EXPECT_EQ(ErrLog(), Log{"GetVrfClassDataItem getField failed, ret: 64."});
  }
}

TEST_F(VrfClassData, TwoFailingGettersAreLoggedAsTheirOr) {
  const Srv6DbEngineVrfClassData stored = Record(0x30);
  ASSERT_EQ(srv6db_engine_vrf_add(&stored), 0u);
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  Fail(SRV6DB_ENGINE_FN_VRF_GET_VR_ID, 2);
  Fail(SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_AGE_END, 4);
  Srv6DbVrfClassData d;
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK);
  EXPECT_EQ(d.producerPid, stored.producerPid);
  EXPECT_EQ(d.timeStampAgeBegin, stored.timeStampAgeBegin);
  EXPECT_EQ(ErrLog(), Log{"GetVrfClassDataItem getField failed, ret: 6."});
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
}

TEST_F(VrfClassData, FailedCreationLogsOnceAndLeavesNothing) {
  const struct {
    uint32_t fn;  // made to fail with code, or none: malloc fails
    uint32_t code;
    const char *message;
  } rows[] = {
      {SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, 7, "CreateVrfClassDataIterator createObj failed, ret: 7"},
      {SRV6DB_ENGINE_FN_CREATE_ROOT_ITER, 8,
       "CreateVrfClassDataIterator createIter failed, ret: 8"},
      {SRV6DB_ENGINE_FN_SET_ITER_PROPERTY, 9,
       "CreateVrfClassDataIterator setProperty failed, ret: 9"},
      {0, 0, "CreateVrfClassDataIterator malloc failed"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.message);
    ErrLog().clear();
    srv6db_engine_reset_call_counts();
    g_failMalloc = row.fn == 0;
    if (row.fn != 0) Fail(row.fn, row.code);
    EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(3), nullptr);
    EXPECT_EQ(ErrLog(), Log{row.message});
    EXPECT_EQ(g_mallocs, g_frees);
    srv6db_engine_clear_faults();
  }
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u)
      << "without a handle the engine is not asked";
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
  SRV6_DB_ReleaseVrfClassDataIterator(nullptr);
  SRV6_DB_GetVrfClassDataItem(nullptr, nullptr);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6DB_ENGINE_ANY_TABLE), 0u);
  EXPECT_EQ(GetterCalls(), 0u);
  EXPECT_EQ(g_frees, 0);
  EXPECT_EQ(ErrLog(), Log(2, "GetNextVrfClassData failed, para is NULL"));

  ErrLog().clear();
  Fail(SRV6DB_ENGINE_FN_ITER_NEXT, 5);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_ERR);
  EXPECT_EQ(GetterCalls(), 0u);
  EXPECT_EQ(ErrLog(), Log{"GetNextVrfClassData failed, ret: 5"});
  // the handle is intact: the walk goes on
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK);
  EXPECT_EQ(BytesOf(d), BytesOf(stored));
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
}

}  // namespace
}  // namespace srv6db::test
