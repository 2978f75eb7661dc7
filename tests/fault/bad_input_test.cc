// Every exported operation given what a careless caller can give it: null pointers, table ids
// past the registry, cleared registry slots, no error log, null memory hooks. Each answers as
// documented, counts only what it documents, and never calls through a null pointer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine_api.h"
#include "tests/fault/op_fixture.h"
#include "tests/fault/swept_ops.h"

namespace srv6db::test {
namespace {

uint32_t FaultFreeResult(OpKind kind) {
  return kind == OpKind::kWalk ? SRV6_DB_NOT_FOUND : SRV6_DB_OK;
}

bool Iterating(OpKind kind) {
  return kind == OpKind::kWalk || kind == OpKind::kBoundedRead || kind == OpKind::kVisit;
}

int &InfoCalls() {
  static int calls;
  return calls;
}
void CountingInfoLog(const char *, ...) { ++InfoCalls(); }

uint64_t EngineCalls() {
  return srv6db_engine_call_count(SRV6DB_ENGINE_FN_ANY, SRV6DB_ENGINE_ANY_TABLE);
}

class BadInput : public OperationFixture, public ::testing::WithParamInterface<SweptOp> {
 protected:
  void Plant() {
    stored_ = PatternEntry(*GetParam().table, 1);
    ASSERT_EQ(GetParam().table->create(stored_.data()), SRV6_DB_OK);
  }
  uint32_t Run() {
    entry_ = stored_;
    return GetParam().run(entry_.data());
  }
  uint32_t TableId() const { return GetParam().table->tableId; }

  std::vector<uint8_t> stored_;
  std::vector<uint8_t> entry_;
};

// A row that lacks a slot the operation needs: GlbCtlInvalid, its message (read unique has
// none), no engine call. Slots the operation does not need change nothing.
TEST_P(BadInput, ClearedRegistrySlotFailsBeforeTheEngine) {
  const SweptOp &op = GetParam();
  struct Slot {
    const char *name;
    void (*clear)(Srv6DbGlbCtl &row);
    bool needed;
  };
  const Slot slots[] = {
      {"createDbObj", [](Srv6DbGlbCtl &r) { r.createDbObj = nullptr; }, true},
      {"releaseDbObj", [](Srv6DbGlbCtl &r) { r.releaseDbObj = nullptr; }, true},
      {"setDbAllFields", [](Srv6DbGlbCtl &r) { r.setDbAllFields = nullptr; },
       op.kind == OpKind::kCreate},
      {"resetDbObj", [](Srv6DbGlbCtl &r) { r.resetDbObj = nullptr; }, false},
  };
  const Srv6DbGlbCtl saved = g_srv6DbGlbCtl[TableId()];
  for (const Slot &slot : slots) {
    SCOPED_TRACE(slot.name);
    BeginRun([this] { Plant(); });
    slot.clear(g_srv6DbGlbCtl[TableId()]);
    const uint32_t result = Run();
    g_srv6DbGlbCtl[TableId()] = saved;
    if (!slot.needed) {
      EXPECT_EQ(result, FaultFreeResult(op.kind));
      EXPECT_TRUE(MovedCells().empty());
      EXPECT_TRUE(Events().empty());
    } else {
      EXPECT_EQ(result, SRV6_DB_ERR);
      EXPECT_EQ(MovedCells(),
                std::vector<std::string>{Cell(SRV6_DB_STAT_GLB_CTL_INVALID, TableId())});
      EXPECT_EQ(Events().size(), op.kind == OpKind::kUnique ? 0u : 1u);
      EXPECT_EQ(EngineCalls(), 0u);
    }
    ExpectNothingLeaked(slot.name);
  }
}

// Without an error log every failure is still counted, and nothing is called through null;
// the info log is never called by the library.
TEST_P(BadInput, FailuresAreCountedWithoutAnErrorLog) {
  InfoCalls() = 0;
  const Srv6DbLogCallBack hooks = {&CountingInfoLog, nullptr};
  ASSERT_EQ(SRV6_DB_LogFuncInit(&hooks), SRV6_DB_OK);
  BeginRun([this] { Plant(); });
  ASSERT_EQ(0u, srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE,
                                           4242, SRV6DB_ENGINE_FAULT_NEXT_N, 1));
  EXPECT_EQ(Run(), SRV6_DB_ERR);
  EXPECT_EQ(MovedCells().size(), 1u);
  EXPECT_EQ(InfoCalls(), 0);
  ExpectNothingLeaked("no error log");
}

// A null mallocFunc makes every iterator creation fail as a refused allocation; a null
// freeFunc leaves the handle allocated (the library cannot free it) and nothing else changes.
TEST_P(BadInput, NullMemoryHooksAreNeverCalled) {
  const SweptOp &op = GetParam();
  const Srv6DbMemCallback counting = g_srv6DbMemCallback;
  if (!Iterating(op.kind)) {  // allocates nothing: null hooks change nothing
    BeginRun([this] { Plant(); });
    const Srv6DbMemCallback none = {nullptr, nullptr};
    SRV6_DB_InitMem(&none);
    EXPECT_EQ(Run(), FaultFreeResult(op.kind));
    SRV6_DB_InitMem(&counting);
    EXPECT_TRUE(MovedCells().empty());
    return;
  }

  BeginRun([this] { Plant(); });
  Srv6DbMemCallback noMalloc = counting;
  noMalloc.mallocFunc = nullptr;
  SRV6_DB_InitMem(&noMalloc);
  EXPECT_EQ(Run(), SRV6_DB_ERR);
  EXPECT_EQ(MovedCells(), std::vector<std::string>{Cell(SRV6_DB_STAT_MEM_ALLOC_FAILED, TableId())});
  EXPECT_EQ(EngineCalls(), 0u);

  BeginRun([this] { Plant(); });
  Srv6DbMemCallback noFree = counting;
  noFree.freeFunc = nullptr;
  SRV6_DB_InitMem(&noFree);
  EXPECT_EQ(Run(), FaultFreeResult(op.kind));
  EXPECT_TRUE(MovedCells().empty());
  SRV6_DB_InitMem(&counting);
  EXPECT_EQ(CountedMem().live, memBefore_.live + 1) << "the handle stays with the caller";
  EXPECT_EQ(FreeLeftovers(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Operations, BadInput, ::testing::ValuesIn(SweptOps()),
                         [](const auto &info) { return info.param.name; });

class NullEntry : public BadInput {};

std::vector<SweptOp> OpsTakingEntry() {
  std::vector<SweptOp> ops;
  for (const SweptOp &op : SweptOps()) {
    if (op.takesEntry) ops.push_back(op);
  }
  return ops;
}

// A null entry (or key input) answers 1 before any engine work and counts nothing.
TEST_P(NullEntry, GivesOneAndCountsNothing) {
  BeginRun([this] { Plant(); });
  EXPECT_EQ(GetParam().run(nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(EngineCalls(), 0u);
  ExpectNothingLeaked("null entry");
}

INSTANTIATE_TEST_SUITE_P(Operations, NullEntry, ::testing::ValuesIn(OpsTakingEntry()),
                         [](const auto &info) { return info.param.name; });

// ---- Per table: converters, key setters and update callbacks ----------------------------

class BadTableInput : public OperationFixture, public ::testing::WithParamInterface<TableCase> {};

std::vector<TableCase> SortedTables() {
  std::vector<TableCase> cases = TableCases();
  std::sort(cases.begin(), cases.end(),
            [](const TableCase &a, const TableCase &b) { return a.tableId < b.tableId; });
  return cases;
}

// Converters and key setters do nothing when any pointer is null; update callbacks answer 1
// for a null context or a context without an entry. Nothing reaches the engine.
TEST_P(BadTableInput, ConvertersKeySettersAndCallbacksIgnoreNull) {
  const TableCase &t = GetParam();
  BeginRun([] {});
  std::vector<uint8_t> entry = PatternEntry(t, 2);
  const std::vector<uint8_t> entryBefore = entry;
  std::vector<uint8_t> record(t.recordSize, 0x77);
  const std::vector<uint8_t> recordBefore = record;
  uint32_t keyWord = 0x12345678;
  uint8_t key[80];
  std::memset(key, 0x66, sizeof(key));

  t.setFields(nullptr, record.data());
  t.setFields(entry.data(), nullptr);
  t.getFields(nullptr, entry.data());
  t.getFields(record.data(), nullptr);
  t.setPriKey(nullptr, &keyWord, key);
  t.setPriKey(entry.data(), nullptr, key);
  t.setPriKey(entry.data(), &keyWord, nullptr);
  EXPECT_EQ(entry, entryBefore);
  EXPECT_EQ(record, recordBefore);
  EXPECT_EQ(keyWord, 0x12345678u);
  EXPECT_EQ(key[0], 0x66);

  if (t.stageSmoothId != nullptr) {
    Srv6DbUpdateCtx noEntry = {nullptr, 0};
    EXPECT_EQ(t.stageSmoothId(nullptr, nullptr), SRV6_DB_ERR);
    EXPECT_EQ(t.stageSmoothId(&noEntry, nullptr), SRV6_DB_ERR);
  }
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_EQ(EngineCalls(), 0u);
}

// An iterator handle given to the wrong kind of call: a null output entry answers 1 and the
// handle stays usable; releasing a null handle counts nothing.
TEST_P(BadTableInput, NullOutputLeavesTheHandleUsable) {
  const TableCase &t = GetParam();
  BeginRun([&t] {
    std::vector<uint8_t> e = PatternEntry(t, 3);
    ASSERT_EQ(t.create(e.data()), SRV6_DB_OK);
  });
  Srv6DbIter *iter = t.createIterator(SRV6_DB_ITER_NO_COUNT);
  ASSERT_NE(iter, nullptr);
  EXPECT_EQ(t.getNext(iter, nullptr), SRV6_DB_ERR);
  std::vector<uint8_t> out(t.entrySize);
  EXPECT_EQ(t.getNext(iter, out.data()), SRV6_DB_OK) << "the null call must not have stepped";
  EXPECT_EQ(t.getNext(iter, out.data()), SRV6_DB_NOT_FOUND);
  t.release(iter);
  t.release(nullptr);
  EXPECT_TRUE(MovedCells().empty());
  ExpectNothingLeaked("null output");
}

INSTANTIATE_TEST_SUITE_P(Tables, BadTableInput, ::testing::ValuesIn(SortedTables()),
                         [](const auto &info) { return info.param.name; });

// ---- Outputs the extra operations document one by one ----------------------------------

class BadOutput : public OperationFixture {};

// Each row: a call with one output pointer null, its result and whether it counts ParamInvalid
// (the generic count does; the counts that check their own output do not).
TEST_F(BadOutput, NullCountAndArrayAndVisitor) {
  struct Row {
    const char *name;
    uint32_t tableId;
    uint32_t (*call)();
    bool countsParamInvalid;
    bool reachesEngine;
  };
  static Srv6DbXsidEntry xsid{};
  static Srv6DbPortInfoEntry port{};
  static Srv6DbIidEntry iid{};
  static Srv6DbFlowGrpTnlEntry tnl{};
  const Row rows[] = {
      {"XsidCountByLocalHash", SRV6_DB_TABLE_XSID_PREFIX,
       [] { return SRV6_DB_GetXsidCountByLocalhash(&xsid, nullptr); }, false, false},
      {"XsidCountByIidg", SRV6_DB_TABLE_XSID_PREFIX,
       [] { return SRV6_DB_CountXsidByIidgIndexHashKey(&xsid, nullptr); }, true, false},
      {"XsidReadByLocalHashIntoNull", SRV6_DB_TABLE_XSID_PREFIX,
       [] { return SRV6_DB_ReadXsidByLocalHash(&xsid, sizeof(xsid), nullptr); }, false, true},
      {"PortInfoCountByNdRefresh", SRV6_DB_TABLE_PORTINFO,
       [] { return SRV6_DB_CountPortInfoByNdRefreshHashKey(&port, nullptr); }, false, false},
      {"PortInfoVisitWithoutVisitor", SRV6_DB_TABLE_PORTINFO,
       [] { return SRV6_DB_ReadPortInfoByPortGroupHashKey(&port, nullptr, nullptr); }, false,
       false},
      {"IidCountByIidg", SRV6_DB_TABLE_IID,
       [] { return SRV6_DB_CountIidByIidgIndexHashKey(&iid, nullptr); }, false, false},
      {"FlowGrpTnlCountByIidGroupId", SRV6_DB_TABLE_FLOW_GRP_TNL,
       [] { return SRV6_DB_CountFlowGrpTnlByIidGroupId(&tnl, nullptr); }, true, false},
      {"SprTnlCountByNhpGrpId", SRV6_DB_TABLE_SPR_TNL,
       [] { return SRV6_DB_GetSprTnlCountByNhpGrpId(1, 2, 3, nullptr); }, false, false},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    BeginRun([] {});
    EXPECT_EQ(row.call(), SRV6_DB_ERR);
    std::vector<std::string> cells;
    if (row.countsParamInvalid) cells.push_back(Cell(SRV6_DB_STAT_PARAM_INVALID, row.tableId));
    EXPECT_EQ(MovedCells(), cells);
    EXPECT_TRUE(Events().empty());
    if (!row.reachesEngine) {
      EXPECT_EQ(EngineCalls(), 0u);
    }
    ExpectNothingLeaked(row.name);
  }
  BeginRun([] {});
  EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&xsid, sizeof(xsid) - 1, &xsid), SRV6_DB_OK)
      << "room for no whole entry reads nothing";
}

// ---- The generic functions and the process-wide services -------------------------------

class BadGeneric : public OperationFixture {};

// Table ids past the registry answer at once: no statistic, no engine call, and a handle
// given with such an id is neither stepped, released nor freed.
TEST_F(BadGeneric, TableIdsPastTheRegistryTouchNothing) {
  uint8_t record[SRV6DB_ENGINE_MAX_RECORD] = {};
  uint8_t info[16] = {};
  const uint32_t keyWord = 0x00010004;
  std::memcpy(info, &keyWord, 4);
  uint8_t keyBytes[4] = {1, 2, 3, 4};
  const Srv6DbKey key = {info, 16, keyBytes, 4};
  const Srv6DbBuf buf = {record, 112};
  uint64_t count = 99;
  Srv6DbUpdateCtx ctx = {record, 112};
  BeginRun([] {});
  Srv6DbIter *iter = SRV6_DB_CreateIterator(SRV6_DB_TABLE_COMMON, 1);
  ASSERT_NE(iter, nullptr);
  const Srv6DbIter held = *iter;
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
  EXPECT_EQ(CountedMem().live, memBefore_.live + 1) << "the handle must not have been freed";
  EXPECT_EQ(iter->dbObj, held.dbObj);
  // With its own table id but no buffer, the handle is refused as a missing argument.
  EXPECT_EQ(SRV6_DB_GetNextEntry(SRV6_DB_TABLE_COMMON, iter, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(MovedCells(),
            std::vector<std::string>{Cell(SRV6_DB_STAT_PARAM_INVALID, SRV6_DB_TABLE_COMMON)});
  EXPECT_EQ(EngineCalls(), 0u);
  SRV6_DB_ReleaseIterator(SRV6_DB_TABLE_COMMON, iter);
  ExpectNothingLeaked("after the real release");
}

// A key descriptor whose own lengths contradict its key word is refused as ParamInvalid
// before the engine could read past the caller's key bytes (each buffer below is exactly as
// long as the descriptor says); the exact lengths and zero lengths still reach the engine.
TEST_F(BadGeneric, KeyLengthsThatContradictTheKeyWordAreRefused) {
  constexpr uint32_t kTable = SRV6_DB_TABLE_LOCAL_SID;  // primary key word 0x00010019
  uint8_t record[SRV6DB_ENGINE_MAX_RECORD] = {};
  const Srv6DbBuf buf = {record, 68};
  Srv6DbUpdateCtx ctx = {record, 68};
  uint64_t count = 0;
  auto run = [&](uint32_t word, uint32_t infoLen, uint32_t dataLen) {
    std::vector<uint8_t> info(std::max(infoLen, 4u)), data(dataLen);
    std::memcpy(info.data(), &word, 4);
    const Srv6DbKey key = {word == 0 ? nullptr : info.data(), infoLen,
                           word == 0 ? nullptr : data.data(), dataLen};
    BeginRun([] {});
    Srv6DbIter *iter = SRV6_DB_CreateIteratorByKey(kTable, -1, &key);
    if (iter != nullptr) SRV6_DB_ReleaseIterator(kTable, iter);
    std::vector<uint32_t> results = {
        SRV6_DB_Read(kTable, &key, &buf),
        SRV6_DB_Update(kTable, &key, &ctx, [](Srv6DbUpdateCtx *, void *) { return 0u; }),
        SRV6_DB_Delete(kTable, &key),
        SRV6_DB_CountByKey(kTable, &key, &count),
        SRV6_DB_ReadUniqueHash(kTable, &key, &buf),
        iter == nullptr ? 1u : 0u};
    return std::make_pair(results, EngineCalls());
  };
  const uint32_t refused[][3] = {{0x00010019, 16, 4},
                                 {0x00010019, 16, 24},
                                 {0x00010019, 16, 26},
                                 {0x00010004, 16, 25},
                                 {0x00010019, 2, 25}};
  for (const auto &row : refused) {
    SCOPED_TRACE(::testing::Message()
                 << std::hex << row[0] << std::dec << " " << row[1] << " " << row[2]);
    const auto [results, engineCalls] = run(row[0], row[1], row[2]);
    EXPECT_EQ(results, std::vector<uint32_t>(6, SRV6_DB_ERR));
    EXPECT_EQ(engineCalls, 0u);
    EXPECT_EQ(MovedCells(), std::vector<std::string>{"ParamInvalid@6+6"});
  }
  for (const auto &row : {std::array<uint32_t, 3>{0x00010019, 16, 25}, {0, 0, 0}}) {
    const auto [results, engineCalls] = run(row[0], row[1], row[2]);
    EXPECT_EQ(results[0], row[0] == 0 ? SRV6_DB_ERR : SRV6_DB_NOT_FOUND);
    EXPECT_GT(engineCalls, 0u);
    for (const std::string &cell : MovedCells()) EXPECT_EQ(cell.find("ParamInvalid"), cell.npos);
  }
}

// An iterator released through another table's id still gives its engine object back.
TEST_F(BadGeneric, ReleaseThroughAnotherTableLeaksNothing) {
  BeginRun([] {});
  Srv6DbIter *iter = SRV6_DB_CreateIterator(SRV6_DB_TABLE_LOCAL_SID, 1);
  ASSERT_NE(iter, nullptr);
  SRV6_DB_ReleaseIterator(SRV6_DB_TABLE_LOCAL_SID + 1, iter);
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  EXPECT_EQ(objects.live, objectsBefore_.live);
  ExpectNothingLeaked("after the release through table 7");
}

// Releasing with the row's releaseDbObj cleared frees the handle and calls nothing through
// the empty slot; the engine object stays with the engine.
TEST_F(BadGeneric, ReleaseWithClearedReleaseSlotFreesOnlyTheHandle) {
  BeginRun([] {});
  Srv6DbIter *iter = SRV6_DB_CreateIterator(SRV6_DB_TABLE_COMMON, 1);
  ASSERT_NE(iter, nullptr);
  void *dbObj = iter->dbObj;
  const Srv6DbGlbCtl saved = g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON];
  g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON].releaseDbObj = nullptr;
  SRV6_DB_ReleaseIterator(SRV6_DB_TABLE_COMMON, iter);
  g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON] = saved;
  EXPECT_EQ(CountedMem().live, memBefore_.live);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_RELEASE_OBJ, SRV6DB_ENGINE_ANY_TABLE), 0u);
  saved.releaseDbObj(dbObj);  // the test's own clean-up
  ExpectNothingLeaked("after the test released the object");
}

// The hooks' entry points with null: nothing changes and nothing is called through null.
TEST_F(BadGeneric, HookEntryPointsIgnoreNull) {
  BeginRun([] {});
  const Srv6DbMemCallback mem = g_srv6DbMemCallback;
  SRV6_DB_InitMem(nullptr);
  EXPECT_EQ(g_srv6DbMemCallback.mallocFunc, mem.mallocFunc);
  EXPECT_EQ(g_srv6DbMemCallback.freeFunc, mem.freeFunc);
  const Srv6DbLogFunc errLog = SRV6_DB_GetErrLogCallBack();
  EXPECT_EQ(SRV6_DB_LogFuncInit(nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_GetErrLogCallBack(), errLog);
  SRV6_STAT_SetTimeStamp(nullptr);
  SRV6_DB_Free(nullptr);
  EXPECT_EQ(CountedMem().badFrees, memBefore_.badFrees + 1) << "null reaches the hook as null";

  const Srv6DbMemCallback none = {nullptr, nullptr};
  SRV6_DB_InitMem(&none);
  EXPECT_EQ(SRV6_DB_Malloc(16), nullptr);
  SRV6_DB_Free(reinterpret_cast<void *>(0x10));  // never followed
  SRV6_DB_InitMem(&mem);

  const uint8_t src[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  uint8_t dst[16] = {};
  SRV6_DB_SetIpaddr(nullptr, src);
  SRV6_DB_SetIpaddr(dst, nullptr);
  EXPECT_EQ(dst[0], 0);

  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, nullptr), SRV6_DB_ERR);
  SRV6_DB_ReleaseVrfClassDataIterator(nullptr);
  SRV6_DB_GetVrfClassDataItem(nullptr, nullptr);
  EXPECT_TRUE(MovedCells().empty());
  EXPECT_EQ(EngineCalls(), 0u);
}

// The VRF walk's failures without an error log: nothing is called, nothing counted.
TEST_F(BadGeneric, VrfWalkFailsQuietlyWithoutAnErrorLog) {
  const Srv6DbLogCallBack none = {nullptr, nullptr};
  SRV6_DB_LogFuncInit(&none);
  BeginRun([] {});
  ASSERT_EQ(0u, srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_VRF_CREATE_OBJ, SRV6DB_ENGINE_ANY_TABLE,
                                           4242, SRV6DB_ENGINE_FAULT_NEXT_N, 1));
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  EXPECT_EQ(SRV6_DB_GetNextVrfClassData(nullptr, nullptr), SRV6_DB_ERR);
  EXPECT_TRUE(MovedCells().empty());
  ExpectNothingLeaked("vrf walk without an error log");
}

// The VRF walk with null memory hooks: creation fails with its message and no engine call; a
// null freeFunc leaves the handle with the caller.
TEST_F(BadGeneric, VrfWalkWithNullMemoryHooks) {
  const Srv6DbMemCallback counting = g_srv6DbMemCallback;
  BeginRun([] {});
  const Srv6DbMemCallback noMalloc = {nullptr, counting.freeFunc};
  SRV6_DB_InitMem(&noMalloc);
  EXPECT_EQ(SRV6_DB_CreateVrfClassDataIterator(1), nullptr);
  EXPECT_EQ(Events().size(), 1u);
  EXPECT_EQ(EngineCalls(), 0u);

  const Srv6DbMemCallback noFree = {counting.mallocFunc, nullptr};
  SRV6_DB_InitMem(&noFree);
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(1);
  ASSERT_NE(iter, nullptr);
  SRV6_DB_ReleaseVrfClassDataIterator(iter);
  SRV6_DB_InitMem(&counting);
  EXPECT_EQ(FreeLeftovers(), 1u);
  EXPECT_TRUE(MovedCells().empty());
}

}  // namespace
}  // namespace srv6db::test
