// The VRF class data walk: every field from its own getter, every engine call failed in turn
// and logged, bad input; no statistic moves and nothing leaks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

using Log = std::vector<std::string>;

class VrfWalk : public LibraryTest {
 protected:
  void TearDown() override {
    EXPECT_TRUE(MovedCells().empty()) << "the walk counts no statistic";
    LibraryTest::TearDown();
  }
  // A record whose every byte differs from the others: a field read by the wrong getter shows.
  static Bytes Stored() { return Pattern(sizeof(Srv6DbEngineVrfClassData), 1); }
  void Plant() {
    BeginRun([] {
      Srv6DbEngineVrfClassData r;
      std::memcpy(&r, Stored().data(), sizeof(r));
      ASSERT_EQ(srv6db_engine_vrf_add(&r), 0u);
    });
  }
  static void Fail(uint32_t fn, uint32_t code, uint32_t nth = 1) {
    ASSERT_EQ(0u, srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code,
                                             SRV6DB_ENGINE_FAULT_NTH, nth));
  }
  // Every record a walk yields, as bytes; in @p result 1 if creation failed, else what ended it.
  static std::vector<Bytes> Walk(uint32_t count, uint32_t *result) {
    std::vector<Bytes> walked;
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(count);
    *result = SRV6_DB_ERR;
    Srv6DbVrfClassData d;
    std::memset(&d, 0xEE, sizeof(d));
    while (iter != nullptr && (*result = SRV6_DB_GetNextVrfClassData(iter, &d)) == SRV6_DB_OK)
      walked.push_back(BytesOf(d));
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
    return walked;
  }
};

// Every field comes from its own getter and all run whatever the others answer: a failed
// getter leaves just its own field as it was.
TEST_F(VrfWalk, EveryEngineCallFailedInTurn) {
  Plant();
  uint32_t rc = 0;
  Walk(1, &rc);
  const auto calls = CallsMade();
  ASSERT_EQ(calls.size(), 5u + 14u) << "create, root iter, property, next, release, getters";
  for (const auto &[fn, n] : calls) {
    for (uint32_t nth = 1; nth <= n; ++nth) {
      for (uint32_t code : {4242u, DB_ERR_NO_RECORD, DB_ERR_ITER_END}) {
        SCOPED_TRACE(std::string(srv6db_engine_function_name(fn)) + " call " + std::to_string(nth) +
                     " answering " + std::to_string(code));
        Plant();
        Fail(fn, code, nth);
        const std::vector<Bytes> walked = Walk(1, &rc);
        Bytes record = Stored();
        const uint32_t field = fn - SRV6DB_ENGINE_FN_VRF_GET_FIRST;
        if (field < 14)
          std::memset(&record[field < 10 ? 4 * field : 8 * field - 40], 0xEE, field < 10 ? 4 : 8);
        std::vector<Bytes> records = {record};
        uint32_t result = SRV6_DB_NOT_FOUND;
        size_t logged = 1;  // each failed call once, with the engine's code
        if (fn == SRV6DB_ENGINE_FN_VRF_CREATE_OBJ || fn == SRV6DB_ENGINE_FN_CREATE_ROOT_ITER ||
            fn == SRV6DB_ENGINE_FN_SET_ITER_PROPERTY) {
          records = {}, result = SRV6_DB_ERR;
        } else if (fn == SRV6DB_ENGINE_FN_ITER_NEXT) {
          logged = code != DB_ERR_ITER_END;
          records.resize(nth - 1);
          result = code == DB_ERR_ITER_END ? SRV6_DB_NOT_FOUND : SRV6_DB_ERR;
        } else if (fn == SRV6DB_ENGINE_FN_VRF_RELEASE_OBJ) {
          logged = 0;
        }
        const Log log = Messages();
        EXPECT_EQ(log.size(), logged);
        for (const std::string &m : log)
          EXPECT_NE(m.find("ret: " + std::to_string(code)), std::string::npos) << m;
        EXPECT_EQ(rc, result);
        EXPECT_EQ(walked, records);
        ExpectNothingLeaked("vrf walk");
      }
    }
  }
  Plant();
  RefuseAllocations(true);
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  RefuseAllocations(false);
  EXPECT_EQ(Messages().size(), 1u);
  EXPECT_EQ(EngineCalls(), 0u);
}

// Getters that fail are logged once, as the OR of their codes; bad input and missing hooks.
TEST_F(VrfWalk, FailedGettersBadInputAndMissingHooks) {
  uint32_t rc = 0;
  Plant();
  Fail(SRV6DB_ENGINE_FN_VRF_GET_VR_ID, 2);
  Fail(SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_AGE_END, 4);
  EXPECT_EQ(Walk(7, &rc).size(), 1u);
  EXPECT_EQ(Messages(), Log{"GetVrfClassDataItem getField failed, ret: 6."});
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
  const Srv6DbLogCallBack none = {nullptr, nullptr};
  SRV6_DB_LogFuncInit(&none);
  Plant();
  Fail(SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, 4242);
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, nullptr), SRV6_DB_ERR);
}

}  // namespace
}  // namespace srv6db::test
