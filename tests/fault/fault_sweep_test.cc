// Every engine call of every exported operation made to fail in turn, with a plain failure code
// and with each code the library treats apart, and once the memory hook: the result, the one
// statistic cell, the log, and that every engine object and iterator handle is given back.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "engine/srv6db_engine.h"
#include "tests/fault/op_fixture.h"
#include "tests/fault/swept_ops.h"
#include "tests/support/counting_mem.h"

// The engine's record read, seen from the test: how many record buffers arrived holding
// anything but zeros (an engine answering 0 after writing part of one hands those bytes on).
namespace {
bool g_watchReads = false;
int g_readsSeen = 0;
int g_dirtyReads = 0;
}  // namespace

extern "C" uint32_t db_read_obj_with_buf(void *dbObj, const void *keyInfo, const void *keyData,
                                         void *buf, uint32_t len) {
  using Read = uint32_t (*)(void *, const void *, const void *, void *, uint32_t);
  static const auto engineRead = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "db_read_obj_with_buf"));
  if (g_watchReads && buf != nullptr) {
    const auto *bytes = static_cast<const uint8_t *>(buf);
    ++g_readsSeen;
    g_dirtyReads += std::any_of(bytes, bytes + len, [](uint8_t b) { return b != 0; });
  }
  return engineRead(dbObj, keyInfo, keyData, buf, len);
}

namespace srv6db::test {
namespace {

constexpr uint32_t kPlainFailure = 4242;  // no meaning to the library
constexpr uint32_t kCodes[] = {kPlainFailure, DB_ERR_PUSH_QUEUE_FULL, DB_ERR_NO_RECORD,
                               DB_ERR_ITER_END};
constexpr int kNoStat = -1;
constexpr uint32_t kFnFirstVrfGetter = SRV6DB_ENGINE_FN_VRF_GET_FIRST;

// ---- What the library must answer when one engine call fails ---------------------------

// One row per (operation kind, engine function, code); code 0 matches any code not listed.
struct OutcomeRow {
  OpKind kind;
  uint32_t fn;
  uint32_t code;
  uint32_t result;  // kFaultFree: the result of the run without a fault; kEarlyEnd, kCode
  int stat;
};
constexpr uint32_t kFaultFree = 0xF0000001;
constexpr uint32_t kEarlyEnd = 0xF0000002;  // the walk stopped as if the records ran out
constexpr uint32_t kCode = 0xF0000003;      // the injected code itself

#define FN(name) SRV6DB_ENGINE_FN_##name
constexpr uint32_t kAny = 0;

// Rows shared by every kind that walks an iterator: creation, steps and reads.
#define ITERATING_ROWS(k)                                                              \
  {k, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_QUERY_OBJ_FAILED},               \
      {k, FN(CREATE_ROOT_ITER), kAny, SRV6_DB_ERR, SRV6_DB_STAT_CREATE_ITER_FAILED},   \
      {k, FN(SET_ITER_PROPERTY), kAny, SRV6_DB_ERR, SRV6_DB_STAT_SET_ITER_CNT_FAILED}, \
      {k, FN(ITER_NEXT), DB_ERR_ITER_END, kEarlyEnd, kNoStat},                         \
      {k, FN(ITER_NEXT), kAny, SRV6_DB_ERR, SRV6_DB_STAT_ITER_NEXT_FAILED},            \
      {k, FN(READ), DB_ERR_NO_RECORD, kEarlyEnd, SRV6_DB_STAT_QUERY_NO_EXIST},         \
      {k, FN(READ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_DB_FAILED}, {                 \
    k, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat                                      \
  }

const OutcomeRow kOutcomes[] = {
    {OpKind::kCreate, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_WRITE_OBJ_FAILED},
    {OpKind::kCreate, FN(SET_ALL_FIELDS), kAny, SRV6_DB_ERR, SRV6_DB_STAT_SET_FIELD_FAILED},
    {OpKind::kCreate, FN(WRITE), DB_ERR_PUSH_QUEUE_FULL, SRV6_DB_OK, SRV6_DB_STAT_SUB_PUSH_FAILED},
    {OpKind::kCreate, FN(WRITE), kAny, SRV6_DB_ERR, SRV6_DB_STAT_CREATE_DB_FAILED},
    {OpKind::kCreate, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat},

    {OpKind::kRead, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_OBJ_FAILED},
    {OpKind::kRead, FN(READ), DB_ERR_NO_RECORD, SRV6_DB_NOT_FOUND, kNoStat},
    {OpKind::kRead, FN(READ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_DB_FAILED},
    {OpKind::kRead, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat},

    {OpKind::kUpdate, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_UPDATE_OBJ_FAILED},
    {OpKind::kUpdate, FN(SET_SMOOTH_ID), kAny, kCode, SRV6_DB_STAT_SET_FIELD_FAILED},
    {OpKind::kUpdate, FN(SET_DISCRIMINATOR), kAny, kCode, SRV6_DB_STAT_SET_FIELD_FAILED},
    {OpKind::kUpdate, FN(UPDATE), DB_ERR_NO_RECORD, SRV6_DB_ERR, SRV6_DB_STAT_UPDATE_NO_EXIST},
    {OpKind::kUpdate, FN(UPDATE), DB_ERR_PUSH_QUEUE_FULL, SRV6_DB_OK, SRV6_DB_STAT_SUB_PUSH_FAILED},
    {OpKind::kUpdate, FN(UPDATE), kAny, SRV6_DB_ERR, SRV6_DB_STAT_UPDATE_DB_FAILED},
    {OpKind::kUpdate, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat},

    {OpKind::kDelete, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_REMOVE_FAILED},
    {OpKind::kDelete, FN(REMOVE), DB_ERR_PUSH_QUEUE_FULL, SRV6_DB_OK, SRV6_DB_STAT_SUB_PUSH_FAILED},
    {OpKind::kDelete, FN(REMOVE), kAny, SRV6_DB_ERR, SRV6_DB_STAT_DELETE_DB_FAILED},
    {OpKind::kDelete, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat},

    {OpKind::kCount, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_STATIS_OBJ_FAILED},
    {OpKind::kCount, FN(COUNT), kAny, kCode, SRV6_DB_STAT_COUNT_DB_FAILED},
    {OpKind::kCount, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat},

    {OpKind::kUnique, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_QUERY_OBJ_FAILED},
    {OpKind::kUnique, FN(CREATE_ROOT_ITER), kAny, SRV6_DB_ERR, SRV6_DB_STAT_CREATE_ITER_FAILED},
    {OpKind::kUnique, FN(ITER_NEXT), DB_ERR_ITER_END, SRV6_DB_ERR, kNoStat},
    {OpKind::kUnique, FN(ITER_NEXT), kAny, SRV6_DB_ERR, SRV6_DB_STAT_ITER_NEXT_FAILED},
    {OpKind::kUnique, FN(READ), DB_ERR_NO_RECORD, SRV6_DB_NOT_FOUND, SRV6_DB_STAT_QUERY_NO_EXIST},
    {OpKind::kUnique, FN(READ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_DB_FAILED},
    {OpKind::kUnique, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat},

    ITERATING_ROWS(OpKind::kWalk),
    ITERATING_ROWS(OpKind::kBoundedRead),
    ITERATING_ROWS(OpKind::kVisit),
};
#undef ITERATING_ROWS

// The result of a run without any fault, for each kind (one stored record yields).
uint32_t FaultFreeResult(OpKind kind) {
  return kind == OpKind::kWalk ? SRV6_DB_NOT_FOUND : SRV6_DB_OK;
}

const OutcomeRow *FindOutcome(OpKind kind, uint32_t fn, uint32_t code) {
  const OutcomeRow *fallback = nullptr;
  for (const OutcomeRow &row : kOutcomes) {
    if (row.kind != kind || row.fn != fn) continue;
    if (row.code == code) return &row;
    if (row.code == kAny && fallback == nullptr) fallback = &row;
  }
  return fallback;
}

// Statistics that are counted without a message.
bool Logged(int stat) {
  return stat != kNoStat && stat != SRV6_DB_STAT_QUERY_NO_EXIST &&
         stat != SRV6_DB_STAT_UPDATE_NO_EXIST && stat != SRV6_DB_STAT_MEM_ALLOC_FAILED &&
         stat != SRV6_DB_STAT_PARAM_INVALID;
}

// ---- Figures -------------------------------------------------------------------------

// Figures for the report, printed once at the end.
struct Tally {
  uint64_t operations = 0;
  uint64_t faultPoints = 0;
  std::set<const OutcomeRow *> rowsReached;
};
Tally &Totals() {
  static Tally tally;
  return tally;
}

class SweepEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    std::printf("fault sweep: %llu operations, %llu fault points\n",
                static_cast<unsigned long long>(Totals().operations),
                static_cast<unsigned long long>(Totals().faultPoints));
    // After a whole sweep, every outcome row must have been met by some fault point.
    if (Totals().operations != SweptOps().size() + 1) return;
    for (const OutcomeRow &row : kOutcomes) {
      EXPECT_EQ(Totals().rowsReached.count(&row), 1u)
          << "no fault point reached the row for " << srv6db_engine_function_name(row.fn)
          << " answering " << row.code << " in kind " << static_cast<int>(row.kind);
    }
  }
};
const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new SweepEnvironment);

// ---- The table operations -------------------------------------------------------------

class FaultSweep : public OperationFixture, public ::testing::WithParamInterface<SweptOp> {
 protected:
  // Runs the operation on a fresh copy of the stored entry, the engine holding just it.
  uint32_t Run() {
    const SweptOp &op = GetParam();
    entry_ = stored_;
    return op.run(entry_.data());
  }

  void Plant() {
    const SweptOp &op = GetParam();
    stored_ = PatternEntry(*op.table, 1);
    ASSERT_EQ(op.table->create(stored_.data()), SRV6_DB_OK);
  }

  std::vector<uint8_t> stored_;
  std::vector<uint8_t> entry_;
};

TEST_P(FaultSweep, EveryEngineCallFailedInTurn) {
  const SweptOp &op = GetParam();
  const uint32_t tableId = op.table->tableId;

  // The run without a fault: its result, and how often it calls each engine function.
  BeginRun([this] { Plant(); });
  const uint32_t clean = Run();
  ASSERT_EQ(clean, FaultFreeResult(op.kind)) << "the operation does not reach its record";
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
  ExpectNothingLeaked("fault-free");
  std::vector<std::pair<uint32_t, uint64_t>> calls;  // function, calls
  uint64_t total = 0;
  for (uint32_t fn : AllFunctions()) {
    const uint64_t n = srv6db_engine_call_count(fn, SRV6DB_ENGINE_ANY_TABLE);
    if (n == 0) continue;
    EXPECT_EQ(n, srv6db_engine_call_count(fn, tableId)) << "a call reached another table";
    calls.emplace_back(fn, n);
    total += n;
  }
  if (op.kind != OpKind::kCreate && op.kind != OpKind::kDelete && op.kind != OpKind::kUpdate &&
      op.kind != OpKind::kCount) {
    ASSERT_GE(srv6db_engine_call_count(SRV6DB_ENGINE_FN_READ, tableId), 1u)
        << "the stored record was not read";
  }
  ++Totals().operations;

  for (const auto &[fn, n] : calls) {
    for (uint64_t nth = 1; nth <= n; ++nth) {
      for (uint32_t code : kCodes) {
        const std::string where = std::string(srv6db_engine_function_name(fn)) + " call " +
                                  std::to_string(nth) + " answering " + std::to_string(code);
        SCOPED_TRACE(where);
        const OutcomeRow *row = FindOutcome(op.kind, fn, code);
        ASSERT_NE(row, nullptr) << "an engine call this kind of operation never makes";
        BeginRun([this] { Plant(); });
        ASSERT_EQ(0u,
                  srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code,
                                             SRV6DB_ENGINE_FAULT_NTH, static_cast<uint32_t>(nth)));
        const uint32_t result = Run();
        ++Totals().faultPoints;
        Totals().rowsReached.insert(row);

        uint32_t want = row->result;
        if (want == kFaultFree) want = clean;
        if (want == kCode) want = code;
        if (want == kEarlyEnd) want = op.kind == OpKind::kVisit ? SRV6_DB_OK : SRV6_DB_NOT_FOUND;
        EXPECT_EQ(result, want);

        std::vector<std::string> cells;
        if (row->stat != kNoStat) cells.push_back(Cell(row->stat, tableId));
        EXPECT_EQ(MovedCells(), cells);
        EXPECT_EQ(Events().size(), Logged(row->stat) ? 1u : 0u);
        for (const LogEvent &e : Events()) {
          const std::string tail = "tableId = " + std::to_string(tableId) + ".";
          EXPECT_TRUE(e.text.size() > tail.size() &&
                      e.text.compare(e.text.size() - tail.size(), tail.size(), tail) == 0)
              << e.text;
          // Iterator creation logs while it still holds what it made; an update whose
          // callback failed has already released its object.
          const bool creatingIterator = row->stat == SRV6_DB_STAT_QUERY_OBJ_FAILED ||
                                        row->stat == SRV6_DB_STAT_CREATE_ITER_FAILED ||
                                        row->stat == SRV6_DB_STAT_SET_ITER_CNT_FAILED;
          if (creatingIterator && op.kind != OpKind::kUnique) {
            EXPECT_EQ(e.liveHandles, memBefore_.live + 1) << "handle freed before the message";
            const uint64_t held = row->stat == SRV6_DB_STAT_QUERY_OBJ_FAILED ? 0 : 1;
            EXPECT_EQ(e.liveObjects, objectsBefore_.live + held)
                << "object released before the message";
          }
          if (op.kind == OpKind::kUpdate && row->stat == SRV6_DB_STAT_SET_FIELD_FAILED) {
            EXPECT_EQ(e.liveObjects, objectsBefore_.live) << "message before the release";
          }
        }
        ExpectNothingLeaked(where);
      }
    }
  }

  // The memory hook refusing: iterator creation fails before any engine call.
  if (op.kind == OpKind::kWalk || op.kind == OpKind::kBoundedRead || op.kind == OpKind::kVisit) {
    BeginRun([this] { Plant(); });
    RefuseAllocations(true);
    const uint32_t result = Run();
    RefuseAllocations(false);
    ++Totals().faultPoints;
    EXPECT_EQ(result, SRV6_DB_ERR);
    EXPECT_EQ(MovedCells(), std::vector<std::string>{Cell(SRV6_DB_STAT_MEM_ALLOC_FAILED, tableId)});
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ANY, SRV6DB_ENGINE_ANY_TABLE), 0u);
    ExpectNothingLeaked("memory hook refusing");
  }
  EXPECT_GT(total, 0u);
}

// Leaves non-zero bytes where the next call's frame will lie.
[[gnu::noinline]] void DirtyStack() {
  volatile uint8_t area[16384];
  for (uint8_t &b : const_cast<uint8_t(&)[16384]>(area)) b = 0xA5;
}

TEST_P(FaultSweep, RecordBufferReachesTheEngineZeroed) {
  const SweptOp &op = GetParam();
  if (op.kind == OpKind::kCreate || op.kind == OpKind::kDelete || op.kind == OpKind::kUpdate ||
      op.kind == OpKind::kCount) {
    GTEST_SKIP() << "reads no record";
  }
  BeginRun([this] { Plant(); });
  entry_ = stored_;
  g_readsSeen = g_dirtyReads = 0;
  g_watchReads = true;
  DirtyStack();
  op.run(entry_.data());
  g_watchReads = false;
  EXPECT_GE(g_readsSeen, 1);
  EXPECT_EQ(g_dirtyReads, 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweep, ::testing::ValuesIn(SweptOps()),
                         [](const auto &info) { return info.param.name; });

// ---- The VRF class data walk ----------------------------------------------------------

class VrfWalkSweep : public OperationFixture {
 protected:
  static void Plant() {
    const Srv6DbEngineVrfClassData data = {7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    ASSERT_EQ(srv6db_engine_vrf_add(&data), 0u);
  }

  static uint32_t Walk() {
    Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(1);
    if (iter == nullptr) return SRV6_DB_ERR;
    Srv6DbVrfClassData data;
    uint32_t rc;
    while ((rc = SRV6_DB_GetNextVrfClassData(iter, &data)) == SRV6_DB_OK) {
    }
    SRV6_DB_ReleaseVrfClassDataIterator(iter);
    return rc;
  }
};

// The walk counts no statistic: a failure shows in its result and one message.
TEST_F(VrfWalkSweep, EveryEngineCallFailedInTurn) {
  BeginRun(Plant);
  ASSERT_EQ(Walk(), SRV6_DB_NOT_FOUND);
  std::vector<std::pair<uint32_t, uint64_t>> calls;
  for (uint32_t fn : AllFunctions()) {
    const uint64_t n = srv6db_engine_call_count(fn, SRV6DB_ENGINE_ANY_TABLE);
    if (n != 0) calls.emplace_back(fn, n);
  }
  ASSERT_EQ(calls.size(), 5u + 14u) << "create, root iter, property, next, release, getters";
  ++Totals().operations;

  for (const auto &[fn, n] : calls) {
    for (uint64_t nth = 1; nth <= n; ++nth) {
      for (uint32_t code : kCodes) {
        const std::string where = std::string(srv6db_engine_function_name(fn)) + " call " +
                                  std::to_string(nth) + " answering " + std::to_string(code);
        SCOPED_TRACE(where);
        BeginRun(Plant);
        ASSERT_EQ(0u,
                  srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code,
                                             SRV6DB_ENGINE_FAULT_NTH, static_cast<uint32_t>(nth)));
        const uint32_t result = Walk();
        ++Totals().faultPoints;
        uint32_t want = SRV6_DB_NOT_FOUND;
        size_t messages = 1;
        if (fn == FN(VRF_CREATE_OBJ) || fn == FN(CREATE_ROOT_ITER) || fn == FN(SET_ITER_PROPERTY)) {
          want = SRV6_DB_ERR;
        } else if (fn == FN(ITER_NEXT)) {
          want = code == DB_ERR_ITER_END ? SRV6_DB_NOT_FOUND : SRV6_DB_ERR;
          messages = code == DB_ERR_ITER_END ? 0 : 1;
        } else if (fn == FN(VRF_RELEASE_OBJ)) {
          messages = 0;
        } else {
          EXPECT_GE(fn, kFnFirstVrfGetter) << "an engine call the walk never makes";
        }
        EXPECT_EQ(result, want);
        EXPECT_EQ(Events().size(), messages);
        EXPECT_TRUE(MovedCells().empty());
        ExpectNothingLeaked(where);
      }
    }
  }

  BeginRun(Plant);
  RefuseAllocations(true);
  EXPECT_EQ(Walk(), SRV6_DB_ERR);
  RefuseAllocations(false);
  ++Totals().faultPoints;
  EXPECT_EQ(Events().size(), 1u);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ANY, SRV6DB_ENGINE_ANY_TABLE), 0u);
  ExpectNothingLeaked("memory hook refusing");
}

// The sweep reaches every exported operation: each table's plain ones and every extra one.
TEST(FaultSweepCoverage, EveryTableContributesItsOperations) {
  size_t expected = 0;
  for (const TableCase &t : TableCases()) {
    expected += 4 + (t.updateSmoothId != nullptr ? 1 : 0) + t.extraOps.size();
  }
  EXPECT_EQ(TableCases().size(), SRV6_DB_TABLE_NUM);
  EXPECT_EQ(SweptOps().size(), expected);
}

}  // namespace
}  // namespace srv6db::test
