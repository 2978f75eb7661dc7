// Every exported operation of every table against every failure the engine, the registry, the
// hooks and a careless caller can produce: the result, the one statistic cell, the message,
// and that every engine object and iterator handle is given back once.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "engine/engine_api.h"
#include "tests/support/env.h"
#include "tests/support/tables.h"

// The engine's record read as the library calls it, counting record buffers that arrive
// holding anything but zeros: an engine that fills one only in part would hand those on.
namespace {
int g_dirtyReads = 0;
}  // namespace
extern "C" uint32_t db_read_obj_with_buf(void *dbObj, const void *keyInfo, const void *keyData,
                                         void *buf, uint32_t len) {
  using Read = uint32_t (*)(void *, const void *, const void *, void *, uint32_t);
  static const auto engineRead = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "db_read_obj_with_buf"));
  const auto *bytes = static_cast<const uint8_t *>(buf);
  g_dirtyReads += bytes != nullptr && std::any_of(bytes, bytes + len, [](uint8_t b) { return b; });
  return engineRead(dbObj, keyInfo, keyData, buf, len);
}

namespace srv6db::test {
namespace {

// Leaves non-zero bytes where the next call's frames will lie.
[[gnu::noinline]] void DirtyStack() {
  volatile uint8_t area[16384];
  for (volatile uint8_t &b : area) b = 0xA5;
}

struct SweptOp {
  std::string name;  // "<Table><Operation>", e.g. "XsidByIidg"
  const TableCase *table;
  OpKind kind;
  std::function<uint32_t(void *entry)> run;
  bool takesEntry = true;
};
void PrintTo(const SweptOp &op, std::ostream *os) { *os << op.name; }

// Create, Read, UpdateSmoothId (where there is one), Delete and a whole-table walk (with a
// count, so the count property is set too) of every table, then its extra operations.
std::vector<SweptOp> SweptOps() {
  std::vector<SweptOp> all;
  for (const TableCase &tc : TableCases()) {
    const TableCase *t = &tc;
    all.push_back({t->name + "Create", t, OpKind::kCreate, [t](void *e) { return t->create(e); }});
    all.push_back({t->name + "Read", t, OpKind::kRead, [t](void *e) { return t->read(e); }});
    if (t->updateSmoothId != nullptr) {
      all.push_back({t->name + "UpdateSmoothId", t, OpKind::kUpdate,
                     [t](void *e) { return t->updateSmoothId(e); }});
    }
    all.push_back({t->name + "Delete", t, OpKind::kDelete, [t](void *e) { return t->remove(e); }});
    const auto walk = [t](void *) {
      Srv6DbIter *iter = t->createIterator(1);
      Bytes entry(t->entrySize);
      uint32_t rc = SRV6_DB_ERR;
      while (iter != nullptr && (rc = t->getNext(iter, entry.data())) == SRV6_DB_OK) continue;
      t->release(iter);
      return rc;
    };
    all.push_back({t->name + "Iterate", t, OpKind::kWalk, walk, false});
    for (const ExtraOp &x : t->extraOps) {
      all.push_back({t->name + x.name, t, x.kind, x.run, x.takesEntry});
    }
  }
  return all;
}

bool Iterating(OpKind kind) {
  return kind == OpKind::kWalk || kind == OpKind::kBoundedRead || kind == OpKind::kVisit;
}

// ---- What the library must answer when one engine call fails ---------------------------

constexpr int kNoStat = -1;
constexpr uint32_t kAny = 0;                // row code matching any code not listed
constexpr uint32_t kEarlyEnd = 0xF0000002;  // the walk stopped as if the records ran out
constexpr uint32_t kCode = 0xF0000003;      // the injected code itself

struct OutcomeRow {
  OpKind kind;  // kWalk stands for every iterating kind
  uint32_t fn;
  uint32_t code;
  uint32_t result;
  int stat;
  Msg message;
};

#define FN(name) SRV6DB_ENGINE_FN_##name
#define STAT(name) SRV6_DB_STAT_##name
#define M(name) Msg::k##name
using K = OpKind;
// clang-format off
const OutcomeRow kOutcomes[] = {
    {K::kCreate, FN(CREATE_OBJ), kAny, 1, STAT(WRITE_OBJ_FAILED), M(CreateObj)},
    {K::kCreate, FN(SET_ALL_FIELDS), kAny, 1, STAT(SET_FIELD_FAILED), M(CreateSetFields)},
    {K::kCreate, FN(WRITE), DB_ERR_PUSH_QUEUE_FULL, 0, STAT(SUB_PUSH_FAILED), M(CreatePushFull)},
    {K::kCreate, FN(WRITE), kAny, 1, STAT(CREATE_DB_FAILED), M(CreateWrite)},
    {K::kRead, FN(CREATE_OBJ), kAny, 1, STAT(READ_OBJ_FAILED), M(ReadObj)},
    {K::kRead, FN(READ), DB_ERR_NO_RECORD, 60, kNoStat, M(None)},
    {K::kRead, FN(READ), kAny, 1, STAT(READ_DB_FAILED), M(ReadBuf)},
    {K::kUpdate, FN(CREATE_OBJ), kAny, 1, STAT(UPDATE_OBJ_FAILED), M(UpdateObj)},
    {K::kUpdate, FN(SET_SMOOTH_ID), kAny, kCode, STAT(SET_FIELD_FAILED), M(UpdateSetFields)},
    {K::kUpdate, FN(SET_DISCRIMINATOR), kAny, kCode, STAT(SET_FIELD_FAILED), M(UpdateSetFields)},
    {K::kUpdate, FN(UPDATE), DB_ERR_NO_RECORD, 1, STAT(UPDATE_NO_EXIST), M(None)},
    {K::kUpdate, FN(UPDATE), DB_ERR_PUSH_QUEUE_FULL, 0, STAT(SUB_PUSH_FAILED), M(UpdatePushFull)},
    {K::kUpdate, FN(UPDATE), kAny, 1, STAT(UPDATE_DB_FAILED), M(UpdateDb)},
    {K::kDelete, FN(CREATE_OBJ), kAny, 1, STAT(REMOVE_FAILED), M(DeleteObj)},
    {K::kDelete, FN(REMOVE), DB_ERR_PUSH_QUEUE_FULL, 0, STAT(SUB_PUSH_FAILED), M(DeletePushFull)},
    {K::kDelete, FN(REMOVE), kAny, 1, STAT(DELETE_DB_FAILED), M(DeleteRemove)},
    {K::kCount, FN(CREATE_OBJ), kAny, 1, STAT(STATIS_OBJ_FAILED), M(CountObj)},
    {K::kCount, FN(COUNT), kAny, kCode, STAT(COUNT_DB_FAILED), M(CountDb)},
    {K::kUnique, FN(CREATE_OBJ), kAny, 1, STAT(QUERY_OBJ_FAILED), M(UniqueObj)},
    {K::kUnique, FN(CREATE_ROOT_ITER), kAny, 1, STAT(CREATE_ITER_FAILED), M(UniqueIter)},
    {K::kUnique, FN(ITER_NEXT), DB_ERR_ITER_END, 1, kNoStat, M(None)},
    {K::kUnique, FN(ITER_NEXT), kAny, 1, STAT(ITER_NEXT_FAILED), M(UniqueNext)},
    {K::kUnique, FN(READ), DB_ERR_NO_RECORD, 60, STAT(QUERY_NO_EXIST), M(None)},
    {K::kUnique, FN(READ), kAny, 1, STAT(READ_DB_FAILED), M(UniqueReadBuf)},
    {K::kWalk, FN(CREATE_OBJ), kAny, 1, STAT(QUERY_OBJ_FAILED), M(IterObj)},
    {K::kWalk, FN(CREATE_ROOT_ITER), kAny, 1, STAT(CREATE_ITER_FAILED), M(IterRootIter)},
    {K::kWalk, FN(SET_ITER_PROPERTY), kAny, 1, STAT(SET_ITER_CNT_FAILED), M(IterProperty)},
    {K::kWalk, FN(ITER_NEXT), DB_ERR_ITER_END, kEarlyEnd, kNoStat, M(None)},
    {K::kWalk, FN(ITER_NEXT), kAny, 1, STAT(ITER_NEXT_FAILED), M(NextIterNext)},
    {K::kWalk, FN(READ), DB_ERR_NO_RECORD, kEarlyEnd, STAT(QUERY_NO_EXIST), M(None)},
    {K::kWalk, FN(READ), kAny, 1, STAT(READ_DB_FAILED), M(NextReadBuf)},
};
// clang-format on

// The row for a failure; null for a failed release, which changes nothing.
const OutcomeRow *FindOutcome(OpKind kind, uint32_t fn, uint32_t code) {
  if (Iterating(kind)) kind = OpKind::kWalk;
  const OutcomeRow *fallback = nullptr;
  for (const OutcomeRow &row : kOutcomes) {
    if (row.kind != kind || row.fn != fn) continue;
    if (row.code == code) return &row;
    if (row.code == kAny && fallback == nullptr) fallback = &row;
  }
  return fallback;
}

// The text logged for @p msg, looked up by its id.
#define SRV6DB_TEST_TEXT(name, text) text,
const char *const kTexts[] = {nullptr, SRV6DB_MESSAGES(SRV6DB_TEST_TEXT)};
std::vector<std::string> Logged(Msg msg, uint32_t tableId) {
  char text[256];
  if (msg == Msg::kNone) return {};
  std::snprintf(text, sizeof(text), kTexts[static_cast<size_t>(msg)], tableId);
  return {text};
}

class FaultSweep : public LibraryTest, public ::testing::WithParamInterface<SweptOp> {
 protected:
  const SweptOp &Op() const { return GetParam(); }
  uint32_t TableId() const { return Op().table->tableId; }
  // An empty engine holding just the record of the stored entry.
  void Plant() {
    BeginRun([this] { ASSERT_EQ(Op().table->create(stored_.data()), SRV6_DB_OK); });
  }
  // Runs the operation on a fresh copy of the stored entry.
  uint32_t Run() {
    entry_ = stored_;
    *CountSink() = 0xC0FFEE;
    return Op().run(entry_.data());
  }
  Bytes stored_ = Pattern(Op().table->entrySize, 1);
  Bytes entry_;
};

TEST_P(FaultSweep, EveryEngineCallFailedInTurn) {
  // A null entry (or key input) answers 1 before any engine work and counts nothing.
  EXPECT_TRUE(!Op().takesEntry || Op().run(nullptr) == SRV6_DB_ERR);
  EXPECT_TRUE(MovedCells().empty() && Events().empty() && EngineCalls() == 0);
  Plant();
  g_dirtyReads = 0;
  DirtyStack();
  const uint32_t clean = Run();
  EXPECT_EQ(g_dirtyReads, 0) << "a record buffer reached the engine unzeroed";
  ASSERT_EQ(clean, Op().kind == OpKind::kWalk ? SRV6_DB_NOT_FOUND : SRV6_DB_OK);
  EXPECT_TRUE(MovedCells().empty() && Events().empty());
  const auto calls = CallsMade();
  for (const auto &[fn, n] : calls)
    EXPECT_EQ(n, srv6db_engine_call_count(fn, TableId())) << "a call reached another table";
  for (const auto &[fn, n] : calls) {
    for (uint32_t nth = 1; nth <= n; ++nth) {
      for (uint32_t code : {4242u, DB_ERR_PUSH_QUEUE_FULL, DB_ERR_NO_RECORD, DB_ERR_ITER_END}) {
        const std::string where = std::string(srv6db_engine_function_name(fn)) + " call " +
                                  std::to_string(nth) + " answering " + std::to_string(code);
        SCOPED_TRACE(where);
        const OutcomeRow *row = FindOutcome(Op().kind, fn, code);
        ASSERT_TRUE(row != nullptr || fn == FN(RELEASE_OBJ)) << "a call this kind never makes";
        Plant();
        ASSERT_EQ(0u, srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code,
                                                 SRV6DB_ENGINE_FAULT_NTH, nth));
        const uint32_t result = Run();
        uint32_t want = row == nullptr ? clean : row->result;
        if (want == kCode) want = code;
        if (want == kEarlyEnd) want = Op().kind == OpKind::kVisit ? SRV6_DB_OK : SRV6_DB_NOT_FOUND;
        EXPECT_EQ(result, want);
        std::vector<std::string> cells;
        if (row != nullptr && row->stat != kNoStat) cells.push_back(Cell(row->stat, TableId()));
        EXPECT_EQ(MovedCells(), cells);
        EXPECT_EQ(Messages(), Logged(row == nullptr ? M(None) : row->message, TableId()));
        if (result != SRV6_DB_OK && (Op().kind == OpKind::kRead || Op().kind == OpKind::kUnique)) {
          EXPECT_EQ(entry_, stored_) << "a failed read wrote the entry";
        }
        if (result != SRV6_DB_OK && Op().kind == OpKind::kCount) {
          EXPECT_EQ(*CountSink(), 0xC0FFEEu) << "a failed count wrote the count";
        }
        // Iterator creation logs while it still holds what it made; a failed update callback
        // has released its object first.
        for (const LogEvent &e : Events()) {
          if (row != nullptr && row->message >= M(IterObj) && row->message <= M(IterProperty)) {
            EXPECT_EQ(e.liveHandles, memBefore_.live + 1) << "handle freed before the message";
            EXPECT_EQ(e.liveObjects, objectsBefore_.live + (fn == FN(CREATE_OBJ) ? 0 : 1));
          }
          if (fn == FN(SET_SMOOTH_ID) || fn == FN(SET_DISCRIMINATOR)) {
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
    EXPECT_EQ(MovedCells(), std::vector{Cell(STAT(MEM_ALLOC_FAILED), TableId())});
    EXPECT_TRUE(Events().empty());
    EXPECT_EQ(EngineCalls(), 0u);
  }
}

// A registry row without a slot the operation needs: GlbCtlInvalid, its message (read unique
// has none), no engine call. Slots the operation does not need change nothing.
TEST_P(FaultSweep, ClearedRegistrySlotFailsBeforeTheEngine) {
  const Msg msgs[] = {M(CreateGlbCtl), M(ReadGlbCtl),  M(UpdateGlbCtl),
                      M(DeleteGlbCtl), M(CountGlbCtl), M(None)};
  const Msg msg = Iterating(Op().kind) ? M(IterGlbCtl) : msgs[int(Op().kind)];
  const Srv6DbGlbCtl saved = g_srv6DbGlbCtl[TableId()];
  for (int slot = 0; slot < 4; ++slot) {
    SCOPED_TRACE(slot);
    Plant();
    Srv6DbGlbCtl &row = g_srv6DbGlbCtl[TableId()];
    const bool needed = slot < 2 || (slot == 2 && Op().kind == OpKind::kCreate);
    if (slot == 0) row.createDbObj = nullptr;
    if (slot == 1) row.releaseDbObj = nullptr;
    if (slot == 2) row.setDbAllFields = nullptr;
    if (slot == 3) row.resetDbObj = nullptr;
    const uint32_t result = Run();
    row = saved;
    EXPECT_EQ(result, needed ? SRV6_DB_ERR : Op().kind == OpKind::kWalk ? 60u : 0u);
    EXPECT_EQ(MovedCells(), needed ? std::vector{Cell(STAT(GLB_CTL_INVALID), TableId())}
                                   : std::vector<std::string>{});
    EXPECT_EQ(Messages(), Logged(needed ? msg : M(None), TableId()));
    EXPECT_TRUE(!needed || EngineCalls() == 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweep, ::testing::ValuesIn(SweptOps()),
                         [](const auto &info) { return info.param.name; });

// ---- Outputs and the generic functions ---------------------------------------------------

using BadInput = LibraryTest;

// Table ids past the registry answer at once: nothing counted, no engine call, and a handle
// given with such an id is neither stepped, released nor freed.
TEST_F(BadInput, TableIdsPastTheRegistryTouchNothing) {
  uint8_t record[SRV6DB_ENGINE_MAX_RECORD] = {}, info[16] = {0x04, 0x00, 0x01, 0x00};
  const Srv6DbKey key = {info, 16, record, 4};
  const Srv6DbBuf buf = {record, 112};
  uint64_t count = 99;
  Srv6DbUpdateCtx ctx = {record, 112};
  Srv6DbIter *iter = SRV6_DB_CreateIterator(SRV6_DB_TABLE_COMMON, 1);
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
  EXPECT_EQ(count, 99u);
  EXPECT_EQ(EngineCalls(), 0u);
  EXPECT_EQ(CountedMem().live, 1u) << "the handle must not have been freed";
  // Released with the row's releaseDbObj cleared: the handle is freed and nothing is called
  // through the empty slot; the engine object stays with the engine.
  void *dbObj = iter->dbObj;
  const auto release = std::exchange(g_srv6DbGlbCtl[SRV6_DB_TABLE_COMMON].releaseDbObj, nullptr);
  SRV6_DB_ReleaseIterator(SRV6_DB_TABLE_COMMON, iter);
  EXPECT_EQ(CountedMem().live, 0u);
  EXPECT_EQ(EngineCalls(), 0u);
  EXPECT_TRUE(MovedCells().empty() && Events().empty());
  release(dbObj);
}

}  // namespace
}  // namespace srv6db::test
