// Every outcome of the generic record operations and iterators, driven through engine faults:
// result, the one statistic cell moved, the exact message, and the engine objects released.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/test_env.h"

namespace srv6db::test {
namespace {

// The local SID table: a primary key and a smooth index, so every operation applies.
constexpr uint32_t kTable = 6;
constexpr uint32_t kRecordSize = 68;
constexpr uint32_t kNoFault = 0xFFFF;
constexpr uint32_t kNoStat = 0xFFFF;
constexpr uint32_t kUntouched = 0xDEADBEEF;

using Record = std::array<uint8_t, kRecordSize>;

Record MakeRecord(uint32_t vrId) {
  Record r{};
  for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 7 + vrId);
  std::memcpy(&r[0], &vrId, 4);
  const uint32_t smoothId = 77;
  std::memcpy(&r[40], &smoothId, 4);
  return r;
}

struct RawKey {
  uint8_t info[16] = {};
  uint8_t data[64] = {};
  Srv6DbKey desc{};

  RawKey(uint32_t keyWord, std::vector<std::pair<size_t, size_t>> ranges, const Record &r) {
    std::memcpy(info, &keyWord, 4);
    size_t at = 0;
    for (auto [offset, length] : ranges) {
      std::memcpy(data + at, &r[offset], length);
      at += length;
    }
    desc = {info, 16, data, static_cast<uint32_t>(at)};
  }
};

RawKey PrimaryKey(const Record &r) { return RawKey(0x00010019, {{0, 25}}, r); }
RawKey SmoothKey(const Record &r) { return RawKey(0x0209000C, {{40, 4}, {0, 8}}, r); }

uint32_t StageSmoothId(Srv6DbUpdateCtx *ctx, void *dbObj) {
  return db_set_srv6_local_sid_table_smooth_id(dbObj, *static_cast<const uint32_t *>(ctx->entry));
}

enum class Op { kCreate, kRead, kUpdate, kDelete, kCount, kReadUnique, kCreateIter, kNext };

struct Row {
  const char *name;
  Op op;
  uint32_t fn;    // engine function made to fail on its next call, or kNoFault
  uint32_t code;  // what it answers
  bool planted;   // a matching record is stored first
  uint32_t result;
  uint32_t stat;    // the one cell that moves, or kNoStat
  const char *msg;  // the one message logged, or nullptr
};

std::ostream &operator<<(std::ostream &os, const Row &row) { return os << row.name; }

class OperationTest : public LibraryTest {
 protected:
  void Inject(const Row &row) {
    if (row.fn != kNoFault) {
      ASSERT_EQ(0u, srv6db_engine_inject_fault(row.fn, kTable, row.code,
                                               SRV6DB_ENGINE_FAULT_NEXT_N, 1));
    }
  }

  // Runs the row's operation; iterators are released (or created first, for next entry).
  uint32_t Run(const Row &row) {
    Record stored = MakeRecord(1);
    if (row.planted) {
      EXPECT_EQ(0u, srv6db_engine_put_record(kTable, stored.data(), kRecordSize));
    }
    Record buffer{};
    Srv6DbBuf buf = {buffer.data(), kRecordSize};
    RawKey primary = PrimaryKey(stored);
    RawKey smooth = SmoothKey(stored);
    uint32_t result = 0;
    switch (row.op) {
      case Op::kCreate:
        Inject(row);
        buf.data = stored.data();
        return SRV6_DB_Create(kTable, &buf);
      case Op::kRead:
        Inject(row);
        return SRV6_DB_Read(kTable, &primary.desc, &buf);
      case Op::kUpdate: {
        uint32_t newSmoothId = 99;
        Srv6DbUpdateCtx ctx = {&newSmoothId, sizeof(newSmoothId)};
        Inject(row);
        return SRV6_DB_Update(kTable, &primary.desc, &ctx, StageSmoothId);
      }
      case Op::kDelete:
        Inject(row);
        return SRV6_DB_Delete(kTable, &primary.desc);
      case Op::kCount: {
        uint64_t count = kUntouched;
        Inject(row);
        result = SRV6_DB_CountByKey(kTable, &smooth.desc, &count);
        EXPECT_EQ(count, result == 0 ? 1u : kUntouched);
        return result;
      }
      case Op::kReadUnique:
        Inject(row);
        result = SRV6_DB_ReadUniqueHash(kTable, &smooth.desc, &buf);
        if (result == 0) {
          EXPECT_EQ(buffer, stored);
        }
        return result;
      case Op::kCreateIter: {
        Inject(row);
        Srv6DbIter *iter = SRV6_DB_CreateIteratorByKey(kTable, 5, &smooth.desc);
        if (iter == nullptr) return 1;
        SRV6_DB_ReleaseIterator(kTable, iter);
        return 0;
      }
      case Op::kNext: {
        Srv6DbIter *iter = SRV6_DB_CreateIteratorByKey(kTable, -1, &smooth.desc);
        EXPECT_NE(iter, nullptr);
        if (iter == nullptr) return 1;
        Inject(row);
        result = SRV6_DB_GetNextEntry(kTable, iter, &buf);
        SRV6_DB_ReleaseIterator(kTable, iter);
        return result;
      }
    }
    return 1;
  }
};

class Outcome : public OperationTest, public ::testing::WithParamInterface<Row> {};

TEST_P(Outcome, ResultStatisticMessageAndRelease) {
  const Row &row = GetParam();
  EXPECT_EQ(Run(row), row.result);
  if (row.stat == kNoStat) {
    EXPECT_TRUE(NoStatChanged());
  } else {
    EXPECT_TRUE(OnlyStatChanged(kTable, row.stat));
  }
  std::vector<std::string> want;
  if (row.msg != nullptr) want.emplace_back(row.msg);
  EXPECT_EQ(ErrLog(), want);
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  EXPECT_EQ(objects.made, objects.released) << "every object made is released exactly once";
}

#define FAULT(fn) SRV6DB_ENGINE_FN_##fn
constexpr uint32_t kFail = 5;

const Row kRows[] = {
    {"CreateOk", Op::kCreate, kNoFault, 0, false, 0, kNoStat, nullptr},
    {"CreateObjFails", Op::kCreate, FAULT(CREATE_OBJ), kFail, false, 1, 11,
     "[SRV6] [DB] create failed, createDbObj failed, tableId = 6."},
    {"CreateSetFieldsFails", Op::kCreate, FAULT(SET_ALL_FIELDS), kFail, false, 1, 9,
     "[SRV6] [DB] create failed, setDbAllFields failed, tableId = 6."},
    {"CreatePushQueueFull", Op::kCreate, FAULT(WRITE), DB_ERR_PUSH_QUEUE_FULL, false, 0, 17,
     "[SRV6] [DB] create failed, write obj failed, push queue full, tableId = 6."},
    {"CreateWriteFails", Op::kCreate, FAULT(WRITE), kFail, false, 1, 0,
     "[SRV6] [DB] create failed, write obj failed, tableId = 6."},

    {"ReadOk", Op::kRead, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"ReadMissing", Op::kRead, kNoFault, 0, false, 60, kNoStat, nullptr},
    {"ReadObjFails", Op::kRead, FAULT(CREATE_OBJ), kFail, true, 1, 12,
     "[SRV6] [DB] read failed, createDbObj failed, tableId = 6."},
    {"ReadFails", Op::kRead, FAULT(READ), kFail, true, 1, 1,
     "[SRV6] [DB] read failed, read obj with buf failed, tableId = 6."},

    {"UpdateOk", Op::kUpdate, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"UpdateMissing", Op::kUpdate, kNoFault, 0, false, 1, 19, nullptr},
    {"UpdateObjFails", Op::kUpdate, FAULT(CREATE_OBJ), kFail, true, 1, 13,
     "[SRV6] [DB] update failed, createDbObj failed, tableId = 6."},
    {"UpdateCallbackFailsWithItsCode", Op::kUpdate, FAULT(SET_SMOOTH_ID), 7, true, 7, 9,
     "[SRV6] [DB] update failed, setUpdateFields failed, tableId = 6."},
    {"UpdatePushQueueFull", Op::kUpdate, FAULT(UPDATE), DB_ERR_PUSH_QUEUE_FULL, true, 0, 17,
     "[SRV6] [DB] update failed, push queue full, tableId = 6."},
    {"UpdateFails", Op::kUpdate, FAULT(UPDATE), kFail, true, 1, 2,
     "[SRV6] [DB] update failed, tableId = 6."},

    {"DeleteOk", Op::kDelete, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"DeleteMissingIsARemoveFailure", Op::kDelete, kNoFault, 0, false, 1, 3,
     "[SRV6] [DB] delete failed, remove obj failed, tableId = 6."},
    {"DeleteObjFails", Op::kDelete, FAULT(CREATE_OBJ), kFail, true, 1, 14,
     "[SRV6] [DB] delete failed, createDbObj failed, tableId = 6."},
    {"DeletePushQueueFull", Op::kDelete, FAULT(REMOVE), DB_ERR_PUSH_QUEUE_FULL, true, 0, 17,
     "[SRV6] [DB] delete failed, push queue full, tableId = 6."},

    {"CountOk", Op::kCount, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"CountObjFails", Op::kCount, FAULT(CREATE_OBJ), kFail, true, 1, 15,
     "[SRV6] [DB] count failed, createDbObj failed, tableId = 6."},
    {"CountFailsWithEngineCode", Op::kCount, FAULT(COUNT), kFail, true, kFail, 4,
     "[SRV6] [DB] count failed, get table record count failed, tableId = 6."},

    {"UniqueOk", Op::kReadUnique, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"UniqueNoMatchIsOneAndSilent", Op::kReadUnique, kNoFault, 0, false, 1, kNoStat, nullptr},
    {"UniqueObjFails", Op::kReadUnique, FAULT(CREATE_OBJ), kFail, true, 1, 16,
     "[SRV6] [DB] read unique failed, createDbObj failed, tableId = 6."},
    {"UniqueRootIterFails", Op::kReadUnique, FAULT(CREATE_ROOT_ITER), kFail, true, 1, 5,
     "[SRV6] [DB] read unique failed, create root iter failed, tableId = 6."},
    {"UniqueNextFails", Op::kReadUnique, FAULT(ITER_NEXT), kFail, true, 1, 6,
     "[SRV6] [DB] read unique failed, get root iterator next failed, tableId = 6."},
    {"UniqueRecordVanished", Op::kReadUnique, FAULT(READ), DB_ERR_NO_RECORD, true, 60, 18,
     nullptr},
    {"UniqueReadFails", Op::kReadUnique, FAULT(READ), kFail, true, 1, 1,
     "[SRV6] [DB] read unique failed, read obj with buf failed, tableId = 6."},

    {"IterOk", Op::kCreateIter, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"IterObjFails", Op::kCreateIter, FAULT(CREATE_OBJ), kFail, true, 1, 16,
     "[SRV6] [DB] create iter failed, createDbObj failed, tableId = 6."},
    {"IterRootIterFails", Op::kCreateIter, FAULT(CREATE_ROOT_ITER), kFail, true, 1, 5,
     "[SRV6] [DB] create iter failed, create root iter failed, tableId = 6."},
    {"IterPropertyFails", Op::kCreateIter, FAULT(SET_ITER_PROPERTY), kFail, true, 1, 8,
     "[SRV6] [DB] create iter failed, set root iterator property failed, tableId = 6."},

    {"NextOk", Op::kNext, kNoFault, 0, true, 0, kNoStat, nullptr},
    {"NextAtEndIsSilent", Op::kNext, kNoFault, 0, false, 60, kNoStat, nullptr},
    {"NextStepFails", Op::kNext, FAULT(ITER_NEXT), kFail, true, 1, 6,
     "[SRV6] [DB] get next entry failed, get root iterator next failed, tableId = 6."},
    {"NextRecordVanished", Op::kNext, FAULT(READ), DB_ERR_NO_RECORD, true, 60, 18, nullptr},
    {"NextReadFails", Op::kNext, FAULT(READ), kFail, true, 1, 1,
     "[SRV6] [DB] get next entry failed, read obj with buf failed, tableId = 6."},
};

INSTANTIATE_TEST_SUITE_P(Rows, Outcome, ::testing::ValuesIn(kRows),
                         [](const auto &info) { return std::string(info.param.name); });

// A cleared registry slot: each operation counts GlbCtlInvalid and logs its message (read
// unique logs nothing), before any engine call.
struct GlbCtlRow {
  Op op;
  const char *msg;
};

class GlbCtl : public OperationTest {};

TEST_F(GlbCtl, ClearedSlotsFailBeforeAnyEngineCall) {
  const GlbCtlRow rows[] = {
      {Op::kCreate, "[SRV6] [DB] create failed, glbCtl is invalid, tableId = 6."},
      {Op::kRead, "[SRV6] [DB] read failed, glbCtl is invalid, tableId = 6."},
      {Op::kUpdate, "[SRV6] [DB] update failed, glbCtl is invalid, tableId = 6."},
      {Op::kDelete, "[SRV6] [DB] delete failed, glbCtl is invalid, tableId = 6."},
      {Op::kCount, "[SRV6] [DB] count failed, glbCtl is invalid, tableId = 6."},
      {Op::kReadUnique, nullptr},
      {Op::kCreateIter, "[SRV6] [DB] create iter failed, glbCtl is invalid, tableId = 6."},
  };
  const Srv6DbGlbCtl saved = g_srv6DbGlbCtl[kTable];
  for (int slot = 0; slot < 3; ++slot) {
    for (const GlbCtlRow &r : rows) {
      if (slot == 2 && r.op != Op::kCreate) continue;  // only create needs setDbAllFields
      g_srv6DbGlbCtl[kTable] = saved;
      if (slot == 0) g_srv6DbGlbCtl[kTable].createDbObj = nullptr;
      if (slot == 1) g_srv6DbGlbCtl[kTable].releaseDbObj = nullptr;
      if (slot == 2) g_srv6DbGlbCtl[kTable].setDbAllFields = nullptr;
      ErrLog().clear();
      const uint32_t before = StatDelta(kTable, SRV6_DB_STAT_GLB_CTL_INVALID);
      srv6db_engine_reset_call_counts();
      Row row = {"", r.op, kNoFault, 0, false, 1, kNoStat, nullptr};
      EXPECT_EQ(Run(row), 1u) << "slot " << slot << " op " << static_cast<int>(r.op);
      EXPECT_EQ(StatDelta(kTable, SRV6_DB_STAT_GLB_CTL_INVALID), before + 1);
      std::vector<std::string> want;
      if (r.msg != nullptr) want.emplace_back(r.msg);
      EXPECT_EQ(ErrLog(), want);
      EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
    }
  }
  g_srv6DbGlbCtl[kTable] = saved;
  EXPECT_EQ(StatDelta(kTable, SRV6_DB_STAT_GLB_CTL_INVALID), 15u);
  EXPECT_EQ(StatDelta(kTable, SRV6_DB_STAT_PARAM_INVALID), 0u);
}

class Frame : public LibraryTest {};

TEST_F(Frame, TableIdAboveSixteenFailsAtOnceAndCountsNothing) {
  Record r = MakeRecord(1);
  RawKey key = PrimaryKey(r);
  Srv6DbBuf buf = {r.data(), kRecordSize};
  uint64_t count = 0;
  Srv6DbUpdateCtx ctx = {&count, 8};
  for (uint32_t id : {17u, 0xFFFFFFFFu}) {
    EXPECT_EQ(SRV6_DB_Create(id, &buf), 1u);
    EXPECT_EQ(SRV6_DB_Read(id, &key.desc, &buf), 1u);
    EXPECT_EQ(SRV6_DB_Update(id, &key.desc, &ctx, StageSmoothId), 1u);
    EXPECT_EQ(SRV6_DB_Delete(id, &key.desc), 1u);
    EXPECT_EQ(SRV6_DB_CountByKey(id, &key.desc, &count), 1u);
    EXPECT_EQ(SRV6_DB_ReadUniqueHash(id, &key.desc, &buf), 1u);
    EXPECT_EQ(SRV6_DB_CreateIteratorByKey(id, -1, &key.desc), nullptr);
    EXPECT_EQ(SRV6_DB_CreateIterator(id, 0), nullptr);
    EXPECT_EQ(SRV6_DB_GetNextEntry(id, nullptr, &buf), 1u);
    SRV6_DB_ReleaseIterator(id, nullptr);
  }
  EXPECT_TRUE(NoStatChanged());
  EXPECT_TRUE(ErrLog().empty());
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

TEST_F(Frame, NullArgumentsCountParamInvalidWithoutMessage) {
  Record r = MakeRecord(1);
  RawKey key = PrimaryKey(r);
  Srv6DbBuf buf = {r.data(), kRecordSize};
  uint64_t count = 0;
  Srv6DbUpdateCtx ctx = {&count, 8};
  EXPECT_EQ(SRV6_DB_Create(kTable, nullptr), 1u);
  EXPECT_EQ(SRV6_DB_Read(kTable, nullptr, &buf), 1u);
  EXPECT_EQ(SRV6_DB_Read(kTable, &key.desc, nullptr), 1u);
  EXPECT_EQ(SRV6_DB_Update(kTable, nullptr, &ctx, StageSmoothId), 1u);
  EXPECT_EQ(SRV6_DB_Update(kTable, &key.desc, nullptr, StageSmoothId), 1u);
  EXPECT_EQ(SRV6_DB_Update(kTable, &key.desc, &ctx, nullptr), 1u);
  EXPECT_EQ(SRV6_DB_Delete(kTable, nullptr), 1u);
  EXPECT_EQ(SRV6_DB_CountByKey(kTable, nullptr, &count), 1u);
  EXPECT_EQ(SRV6_DB_CountByKey(kTable, &key.desc, nullptr), 1u);
  EXPECT_EQ(SRV6_DB_ReadUniqueHash(kTable, nullptr, &buf), 1u);
  EXPECT_EQ(SRV6_DB_ReadUniqueHash(kTable, &key.desc, nullptr), 1u);
  EXPECT_EQ(SRV6_DB_CreateIteratorByKey(kTable, -1, nullptr), nullptr);
  EXPECT_EQ(SRV6_DB_GetNextEntry(kTable, nullptr, &buf), 1u);
  SRV6_DB_ReleaseIterator(kTable, nullptr);
  EXPECT_TRUE(OnlyStatChanged(kTable, SRV6_DB_STAT_PARAM_INVALID, 14));
  EXPECT_TRUE(ErrLog().empty());
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

TEST_F(Frame, FailedSetFieldsOrCallbackStopsBeforeTheWrite) {
  Record r = MakeRecord(1);
  Srv6DbBuf buf = {r.data(), kRecordSize};
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_ALL_FIELDS, kTable, kFail,
                             SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(SRV6_DB_Create(kTable, &buf), 1u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_WRITE, SRV6DB_ENGINE_ANY_TABLE), 0u);
  ASSERT_EQ(0u, srv6db_engine_put_record(kTable, r.data(), kRecordSize));
  RawKey key = PrimaryKey(r);
  uint32_t smoothId = 5;
  Srv6DbUpdateCtx ctx = {&smoothId, 4};
  auto failing = [](Srv6DbUpdateCtx *, void *) -> uint32_t { return 3; };
  EXPECT_EQ(SRV6_DB_Update(kTable, &key.desc, &ctx, failing), 3u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_UPDATE, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

}  // namespace
}  // namespace srv6db::test
