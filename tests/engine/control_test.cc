// Operation codes, releases, the change log's entries, fault injection, call counters and the last
// failed code; and, in the MemoryEngine suite, what only the in-memory engine promises: table
// bytes, per-thread state.
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>

#include "engine/runtime/handle.h"
#include "engine_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kCommon = 4;  // 112-byte record, 4-byte primary key, smooth id at 92

Bytes CommonRecord(uint32_t id, uint8_t fill = 0x11) {
  Bytes r(112, fill);
  std::memcpy(r.data(), &id, 4);
  return r;
}

Key CommonKey(uint32_t id) { return Key(0x00010004, reinterpret_cast<uint8_t *>(&id), 4); }

TEST_F(EngineTest, CallsThatDoNotFitTheObjectAreRefused) {
  const Bytes rec = CommonRecord(1);
  ASSERT_EQ(Write(kCommon, rec), 0u);
  const Key pk = CommonKey(1);
  const uint8_t *r = rec.data(), *i = pk.info, *d = pk.data;
  Bytes buf(112);
  uint8_t *b = buf.data();
  uint64_t n = 0;
  void *it = nullptr;
  constexpr uint32_t kWrongOp = SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  const std::vector<std::tuple<uint32_t, uint32_t, std::function<uint32_t(void *)>>> rows = {
      {DB_OP_READ, kWrongOp, db_write_obj},
      {DB_OP_WRITE, SRV6DB_ENGINE_ERR_NOTHING_STAGED, db_write_obj},
      {DB_OP_WRITE, SRV6DB_ENGINE_ERR_BAD_LENGTH,
       [&](void *o) { return db_set_srv6_common_all_fields(o, r, 111); }},
      {DB_OP_WRITE, SRV6DB_ENGINE_ERR_WRONG_TABLE,
       [&](void *o) { return db_set_srv6te_policy_all_fields(o, r, 112); }},
      {DB_OP_QUERY, kWrongOp, [&](void *o) { return db_read_obj_with_buf(o, i, d, b, 112); }},
      {DB_OP_READ, SRV6DB_ENGINE_ERR_NULL_POINTER,
       [&](void *o) { return db_read_obj_with_buf(o, i, nullptr, b, 112); }},
      {DB_OP_UPDATE, SRV6DB_ENGINE_ERR_NOTHING_STAGED,
       [&](void *o) { return db_update_obj(o, i, d); }},
      {DB_OP_WRITE, kWrongOp, [](void *o) { return db_set_srv6_common_table_smooth_id(o, 1); }},
      {DB_OP_READ, kWrongOp, [&](void *o) { return db_remove_obj(o, i, d); }},
      {DB_OP_READ, kWrongOp,
       [&](void *o) { return db_get_table_record_count_by_key(o, i, d, &n); }},
      {DB_OP_READ, kWrongOp,
       [&](void *o) { return db_create_root_iter(o, nullptr, nullptr, &it); }},
  };
  for (size_t row = 0; row < rows.size(); ++row) {
    Obj o(kCommon, std::get<0>(rows[row]));
    EXPECT_EQ(std::get<2>(rows[row])(o.get()), std::get<1>(rows[row])) << "row " << row;
  }
  void *o = nullptr;
  EXPECT_EQ(db_create_srv6_common_obj(2, 0, &o), SRV6DB_ENGINE_ERR_BAD_ARGUMENT);
  EXPECT_EQ(db_create_srv6_common_obj(DB_OP_READ, 1, &o), SRV6DB_ENGINE_ERR_BAD_ARGUMENT);
  ASSERT_EQ(Read(kCommon, pk, &buf), 0u);
  EXPECT_EQ(buf, rec);
}

// A release frees the object whichever table's release receives it, once: a released, foreign
// or wrong-kind handle is refused, also when two threads release one handle at once.
TEST_F(EngineTest, EachObjectIsReleasedExactlyOnce) {
  void *obj = nullptr, *it = nullptr;
  ASSERT_EQ(db_create_srv6_local_sid_obj(DB_OP_QUERY, 0, &obj), 0u);
  ASSERT_EQ(db_create_root_iter(obj, nullptr, nullptr, &it), 0u);
  EXPECT_EQ(db_release_srv6_local_sid_object(it), SRV6DB_ENGINE_ERR_BAD_HANDLE);
  EXPECT_EQ(db_release_srv6_sid_funct_object(obj), 0u);
  EXPECT_EQ(db_root_iterator_next(it), SRV6DB_ENGINE_ERR_BAD_HANDLE);
  EXPECT_EQ(db_release_srv6_local_sid_object(obj), SRV6DB_ENGINE_ERR_BAD_HANDLE);

  constexpr uint32_t kRounds = 2000;
  std::atomic<uint32_t> round{0}, finished{0}, accepted{0};
  auto releaser = [&] {
    for (uint32_t r = 1; r <= kRounds; ++r) {
      while (round.load() < r) std::this_thread::yield();
      accepted += db_release_srv6_common_object(obj) == 0;
      ++finished;
    }
  };
  std::thread a(releaser), b(releaser);
  for (uint32_t r = 1; r <= kRounds; ++r) {
    EXPECT_EQ(db_create_srv6_common_obj(DB_OP_READ, 0, &obj), 0u);
    round = r;
    while (finished.load() < 2 * r) std::this_thread::yield();
  }
  a.join();
  b.join();
  EXPECT_EQ(accepted.load(), kRounds);
}

// Each stored change is logged with its kind, revision, key and record (a removal as it was);
// an injected failure logs nothing, an injected 13044 applies and logs the change.
TEST_F(EngineTest, TheLogHoldsEachStoredChange) {
  ASSERT_EQ(Write(kCommon, CommonRecord(2)), 0u);
  EXPECT_EQ(UpdateSmooth(kCommon, CommonKey(2), 7), 0u);
  EXPECT_EQ(Remove(kCommon, CommonKey(2)), 0u);
  EXPECT_EQ(Remove(kCommon, CommonKey(2)), DB_ERR_NO_RECORD);
  Srv6DbEngineCursor at = {kCommon, 0, 0, 0, 0};
  ASSERT_EQ(srv6db_engine_log_head(&at), 0u);
  at.revision = 0;
  std::vector<Srv6DbEngineChange> c(4);
  uint32_t n = 0;
  ASSERT_EQ(srv6db_engine_read_log(&at, 1, c.data(), 4, &n, 0), 0u);
  ASSERT_EQ(n, 3u);
  Bytes updated = CommonRecord(2);
  std::fill(updated.begin() + 92, updated.begin() + 96, 0);
  updated[92] = 7;
  const uint32_t kinds[] = {SRV6DB_ENGINE_CHANGE_CREATE, SRV6DB_ENGINE_CHANGE_UPDATE,
                            SRV6DB_ENGINE_CHANGE_REMOVE};
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(c[i].kind == kinds[i] && c[i].revision == i + 1 && c[i].table == kCommon) << i;
    EXPECT_EQ(Bytes(c[i].key, c[i].key + c[i].keyLength), CommonKey(2).bytes());
    EXPECT_EQ(Bytes(c[i].record, c[i].record + 112), i == 0 ? CommonRecord(2) : updated);
  }
  // An injected failure changes nothing; an injected 13044 applies the change.
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_WRITE, kCommon, 3, SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(Write(kCommon, CommonRecord(2)), 3u);
  EXPECT_EQ(srv6db_engine_record_count(kCommon), 0u);
  for (uint32_t fn : {SRV6DB_ENGINE_FN_WRITE, SRV6DB_ENGINE_FN_UPDATE, SRV6DB_ENGINE_FN_REMOVE})
    srv6db_engine_inject_fault(fn, kCommon, DB_ERR_PUSH_QUEUE_FULL, SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(Write(kCommon, CommonRecord(2)), DB_ERR_PUSH_QUEUE_FULL);
  EXPECT_EQ(UpdateSmooth(kCommon, CommonKey(2), 0x99), DB_ERR_PUSH_QUEUE_FULL);
  Bytes out;
  ASSERT_EQ(Read(kCommon, CommonKey(2), &out), 0u);
  EXPECT_EQ(out[92], 0x99);
  EXPECT_EQ(Remove(kCommon, CommonKey(2)), DB_ERR_PUSH_QUEUE_FULL);
  EXPECT_EQ(srv6db_engine_record_count(kCommon), 0u);
  ASSERT_EQ(srv6db_engine_log_head(&at), 0u);
  EXPECT_EQ(at.revision, 6u);
}

// The thread's last failed code tells a missing record from a server failure; a success
// keeps it, the end of a walk is none, and each create starts it afresh.
TEST_F(EngineTest, LastErrorHoldsTheLatestFailureSinceTheLatestCreate) {
  ASSERT_EQ(Write(kCommon, CommonRecord(1)), 0u);
  Obj reader(kCommon, DB_OP_READ), remover(kCommon, DB_OP_REMOVE);
  const Key missing = CommonKey(2), present = CommonKey(1);
  EXPECT_EQ(db_remove_obj(remover.get(), missing.info, missing.data), DB_ERR_NO_RECORD);
  Bytes buf(112);
  EXPECT_EQ(db_read_obj_with_buf(reader.get(), present.info, present.data, buf.data(), 112), 0u);
  EXPECT_EQ(srv6db_engine_last_error(), DB_ERR_NO_RECORD);
  std::thread([] { EXPECT_EQ(srv6db_engine_last_error(), 0u); }).join();
  EXPECT_EQ(Walk(kCommon, nullptr).size(), 1u);
  EXPECT_EQ(srv6db_engine_last_error(), 0u);
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_REMOVE, kCommon, SRV6DB_ENGINE_ERR_SERVER,
                             SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(Remove(kCommon, present), SRV6DB_ENGINE_ERR_SERVER);
  EXPECT_EQ(srv6db_engine_last_error(), SRV6DB_ENGINE_ERR_SERVER);
  void *o = nullptr;
  EXPECT_EQ(Fns(kCommon).create(99, 0, &o), SRV6DB_ENGINE_ERR_BAD_ARGUMENT);
  EXPECT_EQ(srv6db_engine_last_error(), SRV6DB_ENGINE_ERR_BAD_ARGUMENT);
}

TEST_F(EngineTest, CallCountersCountEachCallFromTheLastReset) {
  ASSERT_EQ(Write(kCommon, CommonRecord(5)), 0u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, kCommon), 1u);
  db_write_obj(nullptr);  // no table to count it under
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_WRITE, SRV6DB_ENGINE_ANY_TABLE), 2u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_ANY, kCommon), 4u);
  // A reset while another thread calls counts exactly the calls after it: at most the calls
  // finished since just before the reset, and the one in flight.
  std::atomic<uint64_t> done{0};
  std::atomic<bool> stop{false};
  std::thread caller([&] {
    while (!stop.load()) {
      db_root_iterator_next(nullptr);
      ++done;
    }
  });
  uint32_t lost = 0;
  for (int i = 0; i < 5000; ++i) {
    const uint64_t before = done.load();
    srv6db_engine_reset_call_counts();
    const uint64_t counted =
        srv6db_engine_call_count(SRV6DB_ENGINE_FN_ITER_NEXT, SRV6DB_ENGINE_ANY_TABLE);
    lost += counted > done.load() - before + 1;
  }
  stop = true;
  caller.join();
  EXPECT_EQ(lost, 0u);
}

class MemoryEngine : public EngineTest {};

// Reads, counts and walks of keys that one record holds allocate nothing; what stays once
// the table is emptied is its hash slot arrays, and a reset gives those back too.
TEST_F(MemoryEngine, ReadsAndWalksAllocateNothing) {
  constexpr uint32_t kTable = 6;
  const uint64_t empty = srv6db_engine_table_bytes(kTable);
  std::mt19937 rng(6);
  std::vector<Bytes> records;
  for (int i = 0; i < 300; ++i) records.push_back(RandomRecord(kTable, rng));
  for (const Bytes &r : records) ASSERT_EQ(Write(kTable, r), 0u);
  const uint64_t filled = srv6db_engine_table_bytes(kTable);
  for (const Bytes &r : records) {
    for (uint32_t i = 1; i < 3; ++i) {
      const Key key = KeyOf(kTable, i, r);
      EXPECT_EQ(Walk(kTable, &key).size(), 1u);
      EXPECT_EQ(Count(kTable, key), 1u);
    }
  }
  EXPECT_EQ(srv6db_engine_table_bytes(kTable), filled);
  for (const Bytes &r : records) ASSERT_EQ(Remove(kTable, KeyOf(kTable, 0, r)), 0u);
  EXPECT_GT(srv6db_engine_table_bytes(kTable), empty);
  srv6db_engine_reset();
  EXPECT_EQ(srv6db_engine_table_bytes(kTable), 0u);
}

// A thread_local made before a thread's first engine call is destroyed after the engine's
// own state of that thread: the object slot its destructor uses must come back to the pool.
std::atomic<uint32_t> g_lateSlot{~0u};
struct LateCaller {
  ~LateCaller() { g_lateSlot = engine::FromHandle(Obj(kCommon, DB_OP_READ).get()).slot; }
};

TEST_F(MemoryEngine, CallsFromLateThreadLocalDestructorsLeakNoSlot) {
  std::thread([] {
    thread_local LateCaller late;
    Obj first(kCommon, DB_OP_READ);
  }).join();
  ASSERT_NE(g_lateSlot.load(), ~0u);
  std::vector<std::unique_ptr<Obj>> held;  // this thread's cached slots first, then the pool's
  while (held.size() < 64 &&
         (held.empty() || engine::FromHandle(held.back()->get()).slot != g_lateSlot))
    held.push_back(std::make_unique<Obj>(kCommon, DB_OP_READ));
  EXPECT_LT(held.size(), 64u);
}

}  // namespace
}  // namespace srv6db::test
