// The VRF class data walk: every field from its own getter, the iterator count, every engine
// call failed in turn with its message, bad input; no statistic moves and nothing leaks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kGetters = 14;
using Log = std::vector<std::string>;

Bytes BytesOf(const void *p, size_t n) {
  const auto *b = static_cast<const uint8_t *>(p);
  return Bytes(b, b + n);
}

class VrfWalk : public LibraryTest {
 protected:
  void TearDown() override {
    EXPECT_TRUE(MovedCells().empty()) << "the walk counts no statistic";
    LibraryTest::TearDown();
  }
  // A record whose every byte differs from the others: a field read by the wrong getter shows.
  static Srv6DbEngineVrfClassData Record(uint8_t seed) {
    Srv6DbEngineVrfClassData r;
    Ramp(r, seed);
    return r;
  }
  static void Plant(uint8_t seed = 0x20) {
    const Srv6DbEngineVrfClassData r = Record(seed);
    ASSERT_EQ(srv6db_engine_vrf_add(&r), 0u);
  }
  static void Fail(uint32_t fn, uint32_t code, uint32_t nth = 1) {
    ASSERT_EQ(0u, srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code,
                                             SRV6DB_ENGINE_FAULT_NTH, nth));
  }
  // Walks every record, each as bytes; 1 in the result if creation failed, else what ended it.
  static std::vector<Bytes> Walk(uint32_t count, uint32_t *result) {
    std::vector<Bytes> walked;
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(count);
    *result = SRV6_DB_ERR;
    if (iter == nullptr) return walked;
    auto d = Filled<Srv6DbVrfClassData>(0xEE);
    while ((*result = SRV6_DB_GetNextVrfClassData(iter, &d)) == SRV6_DB_OK) {
      walked.push_back(BytesOf(&d, sizeof(d)));
    }
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
    return walked;
  }
};

TEST_F(VrfWalk, DeliversEveryRecordFieldByFieldAndSetsTheCount) {
  uint32_t rc = 0;
  EXPECT_TRUE(Walk(SRV6_DB_ITER_NO_COUNT, &rc).empty());
  EXPECT_EQ(rc, SRV6_DB_NOT_FOUND);
  Plant(0x10);
  Plant(0x80);
  const Srv6DbEngineVrfClassData a = Record(0x10), b = Record(0x80);
  EXPECT_EQ(Walk(7, &rc), (std::vector{BytesOf(&a, sizeof(a)), BytesOf(&b, sizeof(b))}));
  uint32_t last = 0;
  uint64_t calls = 0;
  srv6db_engine_iter_property_stats(&last, &calls);
  EXPECT_EQ(last, 7u);
  EXPECT_EQ(calls, 1u) << "no property without a count";
  EXPECT_TRUE(Events().empty());
}

// Every getter runs whatever the others answer; a failed one leaves just its field alone, and
// failures are logged as the OR of their codes.
TEST_F(VrfWalk, EachGetterWritesItsOwnField) {
  Plant();
  const Srv6DbEngineVrfClassData stored = Record(0x20);
  const size_t fieldSize[kGetters] = {4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 8, 8, 8, 8};
  size_t offset = 0;
  for (uint32_t field = 0; field < kGetters; offset += fieldSize[field], ++field) {
    SCOPED_TRACE(field);
    BeginRun([] { Plant(); });
    Fail(SRV6DB_ENGINE_FN_VRF_GET_FIRST + field, 0x40);
    uint32_t rc = 0;
    const std::vector<Bytes> walked = Walk(SRV6_DB_ITER_NO_COUNT, &rc);
    ASSERT_EQ(walked.size(), 1u);
    Bytes expected = BytesOf(&stored, sizeof(stored));
    std::memset(expected.data() + offset, 0xEE, fieldSize[field]);
    EXPECT_EQ(walked[0], expected);
    EXPECT_EQ(Messages(), Log{"GetVrfClassDataItem getField failed, ret: 64."});
  }
  BeginRun([] { Plant(); });
  Fail(SRV6DB_ENGINE_FN_VRF_GET_VR_ID, 2);
  Fail(SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_AGE_END, 4);
  uint32_t rc = 0;
  EXPECT_EQ(Walk(SRV6_DB_ITER_NO_COUNT, &rc).size(), 1u);
  EXPECT_EQ(Messages(), Log{"GetVrfClassDataItem getField failed, ret: 6."});
}

// The message each failing engine call leads to; the walk's result follows from it.
std::string MessageFor(uint32_t fn, uint32_t code) {
  const std::string ret = ", ret: " + std::to_string(code);
  switch (fn) {
    case SRV6DB_ENGINE_FN_VRF_CREATE_OBJ: return "CreateVrfClassDataIterator createObj failed" + ret;
    case SRV6DB_ENGINE_FN_CREATE_ROOT_ITER: return "CreateVrfClassDataIterator createIter failed" + ret;
    case SRV6DB_ENGINE_FN_SET_ITER_PROPERTY: return "CreateVrfClassDataIterator setProperty failed" + ret;
    case SRV6DB_ENGINE_FN_ITER_NEXT:
      return code == DB_ERR_ITER_END ? "" : "GetNextVrfClassData failed" + ret;
    case SRV6DB_ENGINE_FN_VRF_RELEASE_OBJ: return "";
    default: return "GetVrfClassDataItem getField failed" + ret + ".";
  }
}

TEST_F(VrfWalk, EveryEngineCallFailedInTurn) {
  BeginRun([] { Plant(); });
  uint32_t rc = 0;
  Walk(1, &rc);
  ASSERT_EQ(rc, SRV6_DB_NOT_FOUND);
  std::vector<std::pair<uint32_t, uint64_t>> calls;
  for (uint32_t fn = 0; fn < SRV6DB_ENGINE_FN_COUNT_OF; ++fn) {
    const uint64_t n = srv6db_engine_call_count(fn, SRV6DB_ENGINE_ANY_TABLE);
    if (n != 0) calls.emplace_back(fn, n);
  }
  ASSERT_EQ(calls.size(), 5u + kGetters) << "create, root iter, property, next, release, getters";
  for (const auto &[fn, n] : calls) {
    for (uint32_t nth = 1; nth <= n; ++nth) {
      for (uint32_t code : {4242u, DB_ERR_PUSH_QUEUE_FULL, DB_ERR_NO_RECORD, DB_ERR_ITER_END}) {
        SCOPED_TRACE(std::string(srv6db_engine_function_name(fn)) + " call " +
                     std::to_string(nth) + " answering " + std::to_string(code));
        BeginRun([] { Plant(); });
        Fail(fn, code, nth);
        const std::vector<Bytes> walked = Walk(1, &rc);
        const std::string message = MessageFor(fn, code);
        const bool creation = message.starts_with("Create");
        const bool nextFailed = message.starts_with("GetNext");
        EXPECT_EQ(rc, creation || nextFailed ? SRV6_DB_ERR : SRV6_DB_NOT_FOUND);
        EXPECT_EQ(walked.size(), creation || (fn == SRV6DB_ENGINE_FN_ITER_NEXT && nth == 1) ? 0u : 1u);
        EXPECT_EQ(Messages(), message.empty() ? Log{} : Log{message});
        ExpectNothingLeaked("vrf walk");
      }
    }
  }
}

TEST_F(VrfWalk, BadInputAndMissingHooks) {
  Plant();
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  Srv6DbVrfClassData d;
  srv6db_engine_reset_call_counts();
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, &d), SRV6_DB_ERR);
  SRV6_DB_ReleaseVrfClassDataIterator(nullptr);
  SRV6_DB_GetVrfClassDataItem(nullptr, nullptr);
  EXPECT_EQ(EngineCalls(), 0u);
  EXPECT_EQ(Messages(), Log(2, "GetNextVrfClassData failed, para is NULL"));
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(iter, &d), SRV6_DB_OK) << "the handle is intact";
  SRV6_DB_ReleaseVrfClassDataIterator(iter);

  const Srv6DbMemCallback counting = g_srv6DbMemCallback;
  BeginRun([] { Plant(); });
  RefuseAllocations(true);
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  RefuseAllocations(false);
  EXPECT_EQ(Messages(), Log{"CreateVrfClassDataIterator malloc failed"});
  EXPECT_EQ(EngineCalls(), 0u);
  const Srv6DbMemCallback noMalloc = {nullptr, counting.freeFunc};
  SRV6_DB_InitMem(&noMalloc);
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  const Srv6DbMemCallback noFree = {counting.mallocFunc, nullptr};
  SRV6_DB_InitMem(&noFree);
  iter = SRV6_DB_CreateVrfClassDataIterator(1);
  ASSERT_NE(iter, nullptr);
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
  SRV6_DB_InitMem(&counting);
  EXPECT_EQ(FreeLeftovers(), 1u) << "without freeFunc the handle stays with the caller";

  const Srv6DbLogCallBack none = {nullptr, nullptr};
  SRV6_DB_LogFuncInit(&none);
  BeginRun([] { Plant(); });
  Fail(SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, 4242);
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, nullptr), SRV6_DB_ERR);
}

}  // namespace
}  // namespace srv6db::test
