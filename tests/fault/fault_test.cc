// Every exported operation of every table against every failure the engine, the registry, the
// hooks and a careless caller can produce: the result, the one statistic cell, the message,
// and that every engine object and iterator handle is given back once.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

struct SweptOp {
  std::string name;  // "<Table><Operation>", e.g. "XsidByIidg"
  const TableCase *table;
  OpKind kind;
  std::function<uint32_t(void *entry)> run;
  bool takesEntry;
};
void PrintTo(const SweptOp &op, std::ostream *os) { *os << op.name; }

// A whole-table walk with the iterator count set, so the count property is asked for too.
uint32_t WalkWholeTable(const TableCase &t) {
  Srv6DbIter *iter = t.createIterator(1);
  if (iter == nullptr) return SRV6_DB_ERR;
  Bytes entry(t.entrySize);
  uint32_t rc;
  while ((rc = t.getNext(iter, entry.data())) == SRV6_DB_OK) {
  }
  t.release(iter);
  return rc;
}

// Create, Read, UpdateSmoothId (where there is one), Delete and a whole-table walk of every
// table, then its extra operations.
const std::vector<SweptOp> &SweptOps() {
  static const std::vector<SweptOp> ops = [] {
    std::vector<SweptOp> all;
    for (const TableCase &tc : TableCases()) {
      const TableCase *t = &tc;
      all.push_back({t->name + "Create", t, OpKind::kCreate, [t](void *e) { return t->create(e); }, true});
      all.push_back({t->name + "Read", t, OpKind::kRead, [t](void *e) { return t->read(e); }, true});
      if (t->updateSmoothId != nullptr) {
        all.push_back({t->name + "UpdateSmoothId", t, OpKind::kUpdate,
                       [t](void *e) { return t->updateSmoothId(e); }, true});
      }
      all.push_back({t->name + "Delete", t, OpKind::kDelete, [t](void *e) { return t->remove(e); }, true});
      all.push_back({t->name + "Iterate", t, OpKind::kWalk, [t](void *) { return WalkWholeTable(*t); }, false});
      for (const ExtraOp &x : t->extraOps) all.push_back({t->name + x.name, t, x.kind, x.run, x.takesEntry});
    }
    return all;
  }();
  return ops;
}

bool Iterating(OpKind kind) {
  return kind == OpKind::kWalk || kind == OpKind::kBoundedRead || kind == OpKind::kVisit;
}

// The result of a run without any fault on a table holding the entry's record.
uint32_t FaultFreeResult(OpKind kind) {
  return kind == OpKind::kWalk ? SRV6_DB_NOT_FOUND : SRV6_DB_OK;
}

// ---- What the library must answer when one engine call fails ---------------------------

constexpr uint32_t kPlainFailure = 4242;  // no meaning to the library
constexpr uint32_t kCodes[] = {kPlainFailure, DB_ERR_PUSH_QUEUE_FULL, DB_ERR_NO_RECORD,
                               DB_ERR_ITER_END};
constexpr int kNoStat = -1;
constexpr uint32_t kAny = 0;              // row code matching any code not listed
constexpr uint32_t kFaultFree = 0xF0000001;
constexpr uint32_t kEarlyEnd = 0xF0000002;  // the walk stopped as if the records ran out
constexpr uint32_t kCode = 0xF0000003;      // the injected code itself

struct OutcomeRow {
  OpKind kind;
  uint32_t fn;
  uint32_t code;
  uint32_t result;
  int stat;
  const char *message;  // between "[SRV6] [DB] " and ", tableId = <id>."; null: none
};

#define FN(name) SRV6DB_ENGINE_FN_##name
// clang-format off
#define ITERATING_ROWS(k)                                                                          \
  {k, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_QUERY_OBJ_FAILED, "create iter failed, createDbObj failed"}, \
  {k, FN(CREATE_ROOT_ITER), kAny, SRV6_DB_ERR, SRV6_DB_STAT_CREATE_ITER_FAILED, "create iter failed, create root iter failed"}, \
  {k, FN(SET_ITER_PROPERTY), kAny, SRV6_DB_ERR, SRV6_DB_STAT_SET_ITER_CNT_FAILED, "create iter failed, set root iterator property failed"}, \
  {k, FN(ITER_NEXT), DB_ERR_ITER_END, kEarlyEnd, kNoStat, nullptr},                                \
  {k, FN(ITER_NEXT), kAny, SRV6_DB_ERR, SRV6_DB_STAT_ITER_NEXT_FAILED, "get next entry failed, get root iterator next failed"}, \
  {k, FN(READ), DB_ERR_NO_RECORD, kEarlyEnd, SRV6_DB_STAT_QUERY_NO_EXIST, nullptr},                \
  {k, FN(READ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_DB_FAILED, "get next entry failed, read obj with buf failed"}, \
  {k, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr}

const OutcomeRow kOutcomes[] = {
    {OpKind::kCreate, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_WRITE_OBJ_FAILED, "create failed, createDbObj failed"},
    {OpKind::kCreate, FN(SET_ALL_FIELDS), kAny, SRV6_DB_ERR, SRV6_DB_STAT_SET_FIELD_FAILED, "create failed, setDbAllFields failed"},
    {OpKind::kCreate, FN(WRITE), DB_ERR_PUSH_QUEUE_FULL, SRV6_DB_OK, SRV6_DB_STAT_SUB_PUSH_FAILED, "create failed, write obj failed, push queue full"},
    {OpKind::kCreate, FN(WRITE), kAny, SRV6_DB_ERR, SRV6_DB_STAT_CREATE_DB_FAILED, "create failed, write obj failed"},
    {OpKind::kCreate, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr},
    {OpKind::kRead, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_OBJ_FAILED, "read failed, createDbObj failed"},
    {OpKind::kRead, FN(READ), DB_ERR_NO_RECORD, SRV6_DB_NOT_FOUND, kNoStat, nullptr},
    {OpKind::kRead, FN(READ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_DB_FAILED, "read failed, read obj with buf failed"},
    {OpKind::kRead, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr},
    {OpKind::kUpdate, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_UPDATE_OBJ_FAILED, "update failed, createDbObj failed"},
    {OpKind::kUpdate, FN(SET_SMOOTH_ID), kAny, kCode, SRV6_DB_STAT_SET_FIELD_FAILED, "update failed, setUpdateFields failed"},
    {OpKind::kUpdate, FN(SET_DISCRIMINATOR), kAny, kCode, SRV6_DB_STAT_SET_FIELD_FAILED, "update failed, setUpdateFields failed"},
    {OpKind::kUpdate, FN(UPDATE), DB_ERR_NO_RECORD, SRV6_DB_ERR, SRV6_DB_STAT_UPDATE_NO_EXIST, nullptr},
    {OpKind::kUpdate, FN(UPDATE), DB_ERR_PUSH_QUEUE_FULL, SRV6_DB_OK, SRV6_DB_STAT_SUB_PUSH_FAILED, "update failed, push queue full"},
    {OpKind::kUpdate, FN(UPDATE), kAny, SRV6_DB_ERR, SRV6_DB_STAT_UPDATE_DB_FAILED, "update failed"},
    {OpKind::kUpdate, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr},
    {OpKind::kDelete, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_REMOVE_FAILED, "delete failed, createDbObj failed"},
    {OpKind::kDelete, FN(REMOVE), DB_ERR_PUSH_QUEUE_FULL, SRV6_DB_OK, SRV6_DB_STAT_SUB_PUSH_FAILED, "delete failed, push queue full"},
    {OpKind::kDelete, FN(REMOVE), kAny, SRV6_DB_ERR, SRV6_DB_STAT_DELETE_DB_FAILED, "delete failed, remove obj failed"},
    {OpKind::kDelete, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr},
    {OpKind::kCount, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_STATIS_OBJ_FAILED, "count failed, createDbObj failed"},
    {OpKind::kCount, FN(COUNT), kAny, kCode, SRV6_DB_STAT_COUNT_DB_FAILED, "count failed, get table record count failed"},
    {OpKind::kCount, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr},
    {OpKind::kUnique, FN(CREATE_OBJ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_QUERY_OBJ_FAILED, "read unique failed, createDbObj failed"},
    {OpKind::kUnique, FN(CREATE_ROOT_ITER), kAny, SRV6_DB_ERR, SRV6_DB_STAT_CREATE_ITER_FAILED, "read unique failed, create root iter failed"},
    {OpKind::kUnique, FN(ITER_NEXT), DB_ERR_ITER_END, SRV6_DB_ERR, kNoStat, nullptr},
    {OpKind::kUnique, FN(ITER_NEXT), kAny, SRV6_DB_ERR, SRV6_DB_STAT_ITER_NEXT_FAILED, "read unique failed, get root iterator next failed"},
    {OpKind::kUnique, FN(READ), DB_ERR_NO_RECORD, SRV6_DB_NOT_FOUND, SRV6_DB_STAT_QUERY_NO_EXIST, nullptr},
    {OpKind::kUnique, FN(READ), kAny, SRV6_DB_ERR, SRV6_DB_STAT_READ_DB_FAILED, "read unique failed, read obj with buf failed"},
    {OpKind::kUnique, FN(RELEASE_OBJ), kAny, kFaultFree, kNoStat, nullptr},
    ITERATING_ROWS(OpKind::kWalk),
    ITERATING_ROWS(OpKind::kBoundedRead),
    ITERATING_ROWS(OpKind::kVisit),
};
// clang-format on
#undef ITERATING_ROWS

const OutcomeRow *FindOutcome(OpKind kind, uint32_t fn, uint32_t code) {
  const OutcomeRow *fallback = nullptr;
  for (const OutcomeRow &row : kOutcomes) {
    if (row.kind != kind || row.fn != fn) continue;
    if (row.code == code) return &row;
    if (row.code == kAny && fallback == nullptr) fallback = &row;
  }
  return fallback;
}

std::vector<std::string> Logged(const char *message, uint32_t tableId) {
  if (message == nullptr) return {};
  return {"[SRV6] [DB] " + std::string(message) + ", tableId = " + std::to_string(tableId) + "."};
}

// Every outcome row must be met by some fault point once the whole sweep has run.
std::set<const OutcomeRow *> &RowsReached() {
  static std::set<const OutcomeRow *> rows;
  return rows;
}
class SweepEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    if (RowsReached().empty() || ::testing::GTEST_FLAG(filter) != "*") return;
    for (const OutcomeRow &row : kOutcomes) {
      EXPECT_EQ(RowsReached().count(&row), 1u)
          << "no fault point reached " << srv6db_engine_function_name(row.fn) << " answering "
          << row.code << " in kind " << static_cast<int>(row.kind);
    }
  }
};
const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new SweepEnvironment);

class FaultSweep : public LibraryTest, public ::testing::WithParamInterface<SweptOp> {
 protected:
  const SweptOp &Op() const { return GetParam(); }
  uint32_t TableId() const { return Op().table->tableId; }
  // An empty engine holding just the record of the stored entry.
  void Plant() {
    BeginRun([this] {
      stored_ = Pattern(Op().table->entrySize, 1);
      ASSERT_EQ(Op().table->create(stored_.data()), SRV6_DB_OK);
    });
  }
  // Runs the operation on a fresh copy of the stored entry.
  uint32_t Run() {
    entry_ = stored_;
    *CountSink() = 0xC0FFEE;
    return Op().run(entry_.data());
  }
  Bytes stored_;
  Bytes entry_;
};

TEST_P(FaultSweep, EveryEngineCallFailedInTurn) {
  Plant();
  const uint32_t clean = Run();
  ASSERT_EQ(clean, FaultFreeResult(Op().kind)) << "the operation does not reach its record";
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
  ExpectNothingLeaked("fault-free");
  std::vector<std::pair<uint32_t, uint64_t>> calls;  // function, calls
  for (uint32_t fn = 0; fn < SRV6DB_ENGINE_FN_COUNT_OF; ++fn) {
    const uint64_t n = srv6db_engine_call_count(fn, SRV6DB_ENGINE_ANY_TABLE);
    EXPECT_EQ(n, srv6db_engine_call_count(fn, TableId())) << "a call reached another table";
    if (n != 0) calls.emplace_back(fn, n);
  }
  ASSERT_FALSE(calls.empty());
  for (const auto &[fn, n] : calls) {
    for (uint64_t nth = 1; nth <= n; ++nth) {
      for (uint32_t code : kCodes) {
        const std::string where = std::string(srv6db_engine_function_name(fn)) + " call " +
                                  std::to_string(nth) + " answering " + std::to_string(code);
        SCOPED_TRACE(where);
        const OutcomeRow *row = FindOutcome(Op().kind, fn, code);
        ASSERT_NE(row, nullptr) << "an engine call this kind of operation never makes";
        RowsReached().insert(row);
        Plant();
        ASSERT_EQ(0u, srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code,
                                                 SRV6DB_ENGINE_FAULT_NTH, uint32_t(nth)));
        const uint32_t result = Run();
        uint32_t want = row->result;
        if (want == kFaultFree) want = clean;
        if (want == kCode) want = code;
        if (want == kEarlyEnd) want = Op().kind == OpKind::kVisit ? SRV6_DB_OK : SRV6_DB_NOT_FOUND;
        EXPECT_EQ(result, want);
        std::vector<std::string> cells;
        if (row->stat != kNoStat) cells.push_back(Cell(row->stat, TableId()));
        EXPECT_EQ(MovedCells(), cells);
        EXPECT_EQ(Messages(), Logged(row->message, TableId()));
        if (result != SRV6_DB_OK && (Op().kind == OpKind::kRead || Op().kind == OpKind::kUnique)) {
          EXPECT_EQ(entry_, stored_) << "a failed read wrote the entry";
        }
        if (result != SRV6_DB_OK && Op().kind == OpKind::kCount) {
          EXPECT_EQ(*CountSink(), 0xC0FFEEu) << "a failed count wrote the count";
        }
        for (const LogEvent &e : Events()) {
          // Iterator creation logs while it still holds what it made; an update whose
          // callback failed has already released its object.
          const bool creatingIterator = row->stat == SRV6_DB_STAT_QUERY_OBJ_FAILED ||
                                        row->stat == SRV6_DB_STAT_CREATE_ITER_FAILED ||
                                        row->stat == SRV6_DB_STAT_SET_ITER_CNT_FAILED;
          if (creatingIterator && Op().kind != OpKind::kUnique) {
            EXPECT_EQ(e.liveHandles, memBefore_.live + 1) << "handle freed before the message";
            EXPECT_EQ(e.liveObjects,
                      objectsBefore_.live + (row->stat == SRV6_DB_STAT_QUERY_OBJ_FAILED ? 0 : 1))
                << "object released before the message";
          }
          if (Op().kind == OpKind::kUpdate && row->stat == SRV6_DB_STAT_SET_FIELD_FAILED) {
            EXPECT_EQ(e.liveObjects, objectsBefore_.live) << "message before the release";
          }
        }
        ExpectNothingLeaked(where);
      }
    }
  }
  if (Iterating(Op().kind)) {  // the memory hook refusing: fails before any engine call
    Plant();
    RefuseAllocations(true);
    EXPECT_EQ(Run(), SRV6_DB_ERR);
    RefuseAllocations(false);
    EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_MEM_ALLOC_FAILED, TableId())});
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(EngineCalls(), 0u);
    ExpectNothingLeaked("memory hook refusing");
  }
}

// Without an error log a failure is still counted and nothing is called through null.
TEST_P(FaultSweep, FailureWithoutAnErrorLogIsCounted) {
  const Srv6DbLogCallBack none = {nullptr, nullptr};
  ASSERT_EQ(SRV6_DB_LogFuncInit(&none), SRV6_DB_OK);
  Plant();
  ASSERT_EQ(0u, srv6db_engine_inject_fault(FN(CREATE_OBJ), SRV6DB_ENGINE_ANY_TABLE, kPlainFailure,
                                           SRV6DB_ENGINE_FAULT_NEXT_N, 1));
  EXPECT_EQ(Run(), SRV6_DB_ERR);
  EXPECT_EQ(MovedCells().size(), 1u);
  ExpectNothingLeaked("no error log");
}

// A registry row without a slot the operation needs: GlbCtlInvalid, its message (read unique
// has none), no engine call. Slots the operation does not need change nothing.
TEST_P(FaultSweep, ClearedRegistrySlotFailsBeforeTheEngine) {
  const char *verb = Iterating(Op().kind) ? "create iter"
                     : Op().kind == OpKind::kCreate ? "create"
                     : Op().kind == OpKind::kRead   ? "read"
                     : Op().kind == OpKind::kUpdate ? "update"
                     : Op().kind == OpKind::kDelete ? "delete"
                     : Op().kind == OpKind::kCount  ? "count"
                                                    : nullptr;
  const struct {
    void (*clear)(Srv6DbGlbCtl &row);
    bool needed;
  } slots[] = {
      {[](Srv6DbGlbCtl &r) { r.createDbObj = nullptr; }, true},
      {[](Srv6DbGlbCtl &r) { r.releaseDbObj = nullptr; }, true},
      {[](Srv6DbGlbCtl &r) { r.setDbAllFields = nullptr; }, Op().kind == OpKind::kCreate},
      {[](Srv6DbGlbCtl &r) { r.resetDbObj = nullptr; }, false},
  };
  const Srv6DbGlbCtl saved = g_srv6DbGlbCtl[TableId()];
  for (const auto &slot : slots) {
    SCOPED_TRACE(&slot - slots);
    Plant();
    slot.clear(g_srv6DbGlbCtl[TableId()]);
    const uint32_t result = Run();
    g_srv6DbGlbCtl[TableId()] = saved;
    if (!slot.needed) {
      EXPECT_EQ(result, FaultFreeResult(Op().kind));
      EXPECT_TRUE(MovedCells().empty());
    } else {
      EXPECT_EQ(result, SRV6_DB_ERR);
      EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_GLB_CTL_INVALID, TableId())});
      const std::string message = verb == nullptr ? "" : std::string(verb) + " failed, glbCtl is invalid";
      EXPECT_EQ(Messages(), Logged(verb == nullptr ? nullptr : message.c_str(), TableId()));
      EXPECT_EQ(EngineCalls(), 0u);
    }
    ExpectNothingLeaked("cleared slot");
  }
}

// A null mallocFunc fails every iterator creation as a refused allocation; a null freeFunc
// leaves the handle with the caller. Operations that allocate nothing do not notice.
TEST_P(FaultSweep, NullMemoryHooksAreNeverCalled) {
  const Srv6DbMemCallback counting = g_srv6DbMemCallback;
  Plant();
  Srv6DbMemCallback hooks = {nullptr, Iterating(Op().kind) ? counting.freeFunc : nullptr};
  SRV6_DB_InitMem(&hooks);
  EXPECT_EQ(Run(), Iterating(Op().kind) ? SRV6_DB_ERR : FaultFreeResult(Op().kind));
  if (Iterating(Op().kind)) {
    EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_MEM_ALLOC_FAILED, TableId())});
    EXPECT_EQ(EngineCalls(), 0u);
    Plant();
    hooks = {counting.mallocFunc, nullptr};
    SRV6_DB_InitMem(&hooks);
    EXPECT_EQ(Run(), FaultFreeResult(Op().kind));
    EXPECT_EQ(FreeLeftovers(), 1u) << "the handle stays with the caller";
  }
  SRV6_DB_InitMem(&counting);
  EXPECT_TRUE(MovedCells().empty() || Iterating(Op().kind));
}

// A null entry (or key input) answers 1 before any engine work and counts nothing.
TEST_P(FaultSweep, NullEntryGivesOneAndCountsNothing) {
  if (!Op().takesEntry) GTEST_SKIP() << "takes scalars";
  Plant();
  EXPECT_EQ(Op().run(nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(EngineCalls(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweep, ::testing::ValuesIn(SweptOps()),
                         [](const auto &info) { return info.param.name; });

// ---- Per table: converters, key setters, callbacks and handles -------------------------

class BadTableInput : public LibraryTest, public ::testing::WithParamInterface<TableCase> {};

// Converters and key setters do nothing when any pointer is null; update callbacks answer 1
// for a null context or one without an entry; a null output entry answers 1 and leaves the
// handle where it was. Nothing is counted.
TEST_P(BadTableInput, NullPointersChangeNothing) {
  const TableCase &t = GetParam();
  Bytes entry = Pattern(t.entrySize, 2);
  const Bytes entryBefore = entry;
  Bytes record(t.recordSize, 0x77);
  uint32_t keyWord = 0x12345678;
  uint8_t key[4] = {0x66};
  t.setFields(nullptr, record.data());
  t.setFields(entry.data(), nullptr);
  t.getFields(nullptr, entry.data());
  t.getFields(record.data(), nullptr);
  t.setPriKey(nullptr, &keyWord, key);
  t.setPriKey(entry.data(), nullptr, key);
  t.setPriKey(entry.data(), &keyWord, nullptr);
  EXPECT_EQ(entry, entryBefore);
  EXPECT_EQ(record, Bytes(t.recordSize, 0x77));
  EXPECT_EQ(keyWord, 0x12345678u);
  EXPECT_EQ(key[0], 0x66);
  if (t.stageSmoothId != nullptr) {
    Srv6DbUpdateCtx noEntry = {nullptr, 0};
    EXPECT_EQ(t.stageSmoothId(nullptr, nullptr), SRV6_DB_ERR);
    EXPECT_EQ(t.stageSmoothId(&noEntry, nullptr), SRV6_DB_ERR);
  }
  EXPECT_EQ(EngineCalls(), 0u);

  ASSERT_EQ(t.create(entry.data()), SRV6_DB_OK);
  EXPECT_EQ(t.getNext(nullptr, entry.data()), SRV6_DB_ERR);
  Srv6DbIter *iter = t.createIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  EXPECT_EQ(t.getNext(iter, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(t.getNext(iter, entry.data()), SRV6_DB_OK) << "the null call must not have stepped";
  EXPECT_EQ(t.getNext(iter, entry.data()), SRV6_DB_NOT_FOUND);
  t.release(iter);
  t.release(nullptr);
  EXPECT_TRUE(MovedCells().empty());
}

INSTANTIATE_TEST_SUITE_P(Tables, BadTableInput, ::testing::ValuesIn(TableCases()),
                         [](const auto &info) { return info.param.name; });

// ---- Outputs, the generic functions and the process-wide services -----------------------

using BadInput = LibraryTest;

// Each row: a call with one output pointer null, and whether it counts ParamInvalid (the
// generic count does; the counts that check their own output do not).
TEST_F(BadInput, NullCountArrayOrVisitor) {
  static Srv6DbXsidEntry xsid{};
  static Srv6DbPortInfoEntry port{};
  static Srv6DbIidEntry iid{};
  static Srv6DbFlowGrpTnlEntry tnl{};
  const struct {
    uint32_t tableId;
    uint32_t (*call)();
    bool countsParamInvalid;
  } rows[] = {
      {SRV6_DB_TABLE_XSID_PREFIX, [] { return SRV6_DB_GetXsidCountByLocalhash(&xsid, nullptr); }, false},
      {SRV6_DB_TABLE_XSID_PREFIX, [] { return SRV6_DB_CountXsidByIidgIndexHashKey(&xsid, nullptr); }, true},
      {SRV6_DB_TABLE_XSID_PREFIX, [] { return SRV6_DB_ReadXsidByLocalHash(&xsid, sizeof(xsid), nullptr); }, false},
      {SRV6_DB_TABLE_PORTINFO, [] { return SRV6_DB_CountPortInfoByNdRefreshHashKey(&port, nullptr); }, false},
      {SRV6_DB_TABLE_PORTINFO, [] { return SRV6_DB_ReadPortInfoByPortGroupHashKey(&port, nullptr, nullptr); }, false},
      {SRV6_DB_TABLE_IID, [] { return SRV6_DB_CountIidByIidgIndexHashKey(&iid, nullptr); }, false},
      {SRV6_DB_TABLE_FLOW_GRP_TNL, [] { return SRV6_DB_CountFlowGrpTnlByIidGroupId(&tnl, nullptr); }, true},
      {SRV6_DB_TABLE_SPR_TNL, [] { return SRV6_DB_GetSprTnlCountByNhpGrpId(1, 2, 3, nullptr); }, false},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(&row - rows);
    BeginRun();
    EXPECT_EQ(row.call(), SRV6_DB_ERR);
    std::vector<std::string> cells;
    if (row.countsParamInvalid) cells.push_back(Cell(SRV6_DB_STAT_PARAM_INVALID, row.tableId));
    EXPECT_EQ(MovedCells(), cells);
    EXPECT_TRUE(Events().empty());
    ExpectNothingLeaked("null output");
  }
}

// Table ids past the registry answer at once: no statistic, no engine call, and a handle
// given with such an id is neither stepped, released nor freed.
TEST_F(BadInput, TableIdsPastTheRegistryTouchNothing) {
  uint8_t record[SRV6DB_ENGINE_MAX_RECORD] = {};
  uint8_t info[16] = {0x04, 0x00, 0x01, 0x00};
  uint8_t keyBytes[4] = {1, 2, 3, 4};
  const Srv6DbKey key = {info, 16, keyBytes, 4};
  const Srv6DbBuf buf = {record, 112};
  uint64_t count = 99;
  Srv6DbUpdateCtx ctx = {record, 112};
  Srv6DbIter *iter = SRV6_DB_CreateIterator(SRV6_DB_TABLE_COMMON, 1);
  ASSERT_NE(iter, nullptr);
  srv6db_engine_reset_call_counts();
  for (uint32_t id : {17u, 0xFFFFFFFFu}) {
    EXPECT_EQ(SRV6_DB_GetGlbCtl(id), nullptr);
    EXPECT_EQ(SRV6_DB_Create(id, &buf), SRV6_DB_ERR);
    EXPECT_EQ(SRV6_DB_Read(id, &key, &buf), SRV6_DB_ERR);
    EXPECT_EQ(SRV6_DB_Update(id, &key, &ctx, SRV6_DB_SetCommonSmoothID), SRV6_DB_ERR);
    EXPECT_EQ(SRV6_DB_Delete(id, &key), SRV6_DB_ERR);
    EXPECT_EQ(SRV6_DB_CountByKey(id, &key, &count), SRV6_DB_ERR);
    EXPECT_EQ(SRV6_DB_ReadUniqueHash(id, &key, &buf), SRV6_DB_ERR);
    EXPECT_EQ(SRV6_DB_CreateIteratorByKey(id, 1, &key), nullptr);
    EXPECT_EQ(SRV6_DB_CreateIterator(id, 1), nullptr);
    EXPECT_EQ(SRV6_DB_GetNextEntry(id, iter, &buf), SRV6_DB_ERR);
    SRV6_DB_ReleaseIterator(id, iter);
    SRV6_DB_SetStat(id, 0, 1);
    EXPECT_EQ(SRV6_DB_GetStat(static_cast<uint16_t>(id), 0), nullptr);
  }
  EXPECT_EQ(SRV6_DB_GetStat(0, 22), nullptr);
  EXPECT_EQ(SRV6_DB_GetDbStatDesc(22), nullptr);
  EXPECT_EQ(SRV6_DB_GetDbStatDesc(0xFFFFFFFF), nullptr);
  SRV6_DB_SetStat(0, 22, 1);
  EXPECT_EQ(count, 99u);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(EngineCalls(), 0u);
  EXPECT_EQ(CountedMem().live, 1u) << "the handle must not have been freed";
  // With its own table id but no buffer, the handle is refused as a missing argument.
  EXPECT_EQ(SRV6_DB_GetNextEntry(SRV6_DB_TABLE_COMMON, iter, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_PARAM_INVALID, SRV6_DB_TABLE_COMMON)});
  EXPECT_EQ(EngineCalls(), 0u);
  SRV6_DB_ReleaseIterator(SRV6_DB_TABLE_COMMON, iter);
}

// Releasing with the row's releaseDbObj cleared frees the handle and calls nothing through
// the empty slot; the engine object stays with the engine.
TEST_F(BadInput, ReleaseWithClearedReleaseSlotFreesOnlyTheHandle) {
  Srv6DbIter *iter = SRV6_DB_CreateIterator(SRV6_DB_TABLE_COMMON, 1);
  ASSERT_NE(iter, nullptr);
  void *dbObj = iter->dbObj;
  const Srv6DbGlbCtl saved = g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON];
  g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON].releaseDbObj = nullptr;
  SRV6_DB_ReleaseIterator(SRV6_DB_TABLE_COMMON, iter);
  g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON] = saved;
  EXPECT_EQ(CountedMem().live, 0u);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_RELEASE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
  saved.releaseDbObj(dbObj);
}

// The hooks' entry points with null: nothing changes and nothing is called through null.
TEST_F(BadInput, HookEntryPointsIgnoreNull) {
  const Srv6DbMemCallback mem = g_srv6DbMemCallback;
  SRV6_DB_InitMem(nullptr);
  EXPECT_EQ(g_srv6DbMemCallback.mallocFunc, mem.mallocFunc);
  EXPECT_EQ(g_srv6DbMemCallback.freeFunc, mem.freeFunc);
  const Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack();
  EXPECT_EQ(SRV6_DB_LogFuncInit(nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_GetErrLogCallBack(), errLog);
  SRV6_STAT_SetTimeStamp(nullptr);
  SRV6_DB_Free(nullptr);
  EXPECT_EQ(CountedMem().badFrees, 1u) << "null reaches the hook as null";
  const Srv6DbMemCallback none = {nullptr, nullptr};
  SRV6_DB_InitMem(&none);
  EXPECT_EQ(SRV6_DB_Malloc(16), nullptr);
  SRV6_DB_Free(reinterpret_cast<void *>(0x10));  // never followed
  SRV6_DB_InitMem(&mem);
  const uint8_t src[16] = {1};
  uint8_t dst[16] = {};
  SRV6_DB_SetIpaddr(nullptr, src);
  SRV6_DB_SetIpaddr(dst, nullptr);
  EXPECT_EQ(dst[0], 0);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, nullptr), SRV6_DB_ERR);
  SRV6_DB_ReleaseVrfClassDataIterator(nullptr);
  SRV6_DB_GetVrfClassDataItem(nullptr, nullptr);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_EQ(EngineCalls(), 0u);
  BeginRun();
}

}  // namespace
}  // namespace srv6db::test
