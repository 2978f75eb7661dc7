// Several threads creating, updating, reading, walking and deleting records of several tables
// at once, and failing operations together: afterwards the engine holds exactly what was
// acknowledged and not deleted, no walk yielded a record twice, and no increment was lost.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"
#include "tests/support/counting_mem.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

constexpr int kThreads = 4;
constexpr int kStepsPerThread = 4000;
constexpr uint32_t kKeysPerThread = 24;

using Bytes = std::vector<uint8_t>;

std::atomic<uint64_t> &LoggedFailures() {
  static std::atomic<uint64_t> n{0};
  return n;
}
void CountingErrLog(const char *, ...) { LoggedFailures().fetch_add(1); }

// Tables with a smooth id, so every kind of change applies.
std::vector<const TableCase *> StressTables() {
  std::vector<const TableCase *> tables;
  for (const TableCase &c : TableCases()) {
    if (c.tableId == SRV6_DB_TABLE_LOCAL_SID || c.tableId == SRV6_DB_TABLE_POLICY ||
        c.tableId == SRV6_DB_TABLE_FLOW_GRP_TNL || c.tableId == SRV6_DB_TABLE_PORTINFO) {
      tables.push_back(&c);
    }
  }
  return tables;
}

Bytes PrimaryKey(const TableCase &t, const Bytes &entry) {
  uint32_t keyWord = 0;
  uint8_t key[64] = {};
  t.setPriKey(entry.data(), &keyWord, key);
  return Bytes(key, key + (keyWord & 0xFFFF));
}

Bytes Record(const TableCase &t, const Bytes &entry) {
  Bytes record(t.recordSize, 0);
  t.setFields(entry.data(), record.data());
  return record;
}

// A small deterministic generator per thread.
struct Rng {
  uint64_t s;
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 11);
  }
};

class Stress : public ::testing::Test {
 protected:
  void SetUp() override {
    mem_ = g_srv6DbMemCallback;
    log_ = g_Srv6DbLogCallBack;
    srv6db_engine_reset();
    InstallCountingMem();
    const Srv6DbLogCallBack hooks = {nullptr, &CountingErrLog};
    SRV6_DB_LogFuncInit(&hooks);
    LoggedFailures() = 0;
  }
  void TearDown() override {
    srv6db_engine_reset();
    g_srv6DbMemCallback = mem_;
    g_Srv6DbLogCallBack = log_;
  }

 private:
  Srv6DbMemCallback mem_;
  Srv6DbLogCallBack log_;
};

// What one thread believes is stored: its own keys only, per table.
struct Model {
  std::map<uint32_t, Bytes> entries[SRV6_DB_TABLE_NUM];  // by key number
};

TEST_F(Stress, ConcurrentChangesLeaveExactlyTheAcknowledgedRecords) {
  const std::vector<const TableCase *> tables = StressTables();
  ASSERT_EQ(tables.size(), 4u);
  std::vector<Model> models(kThreads);
  std::atomic<uint64_t> duplicates{0}, mismatches{0}, walks{0}, yielded{0};

  auto worker = [&](int thread) {
    Rng rng{0x9E3779B97F4A7C15ull * static_cast<uint64_t>(thread + 1)};
    Model &model = models[thread];
    for (int step = 0; step < kStepsPerThread; ++step) {
      const TableCase &t = *tables[rng.Next() % tables.size()];
      const uint32_t keyNo = rng.Next() % kKeysPerThread;
      // Key fields follow from the thread and key number alone (the thread's in the first
      // field, so keys are disjoint between threads); every other byte is new each time.
      Bytes entry(t.entrySize);
      for (auto &b : entry) b = static_cast<uint8_t>(rng.Next() | 1);
      const uint32_t tag = (static_cast<uint32_t>(thread) << 16) | keyNo;
      for (const Range &r : t.primaryKeyFields) {
        for (size_t i = 0; i < r.length; ++i) entry[r.offset + i] = static_cast<uint8_t>(tag + i);
      }
      std::memcpy(entry.data(), &tag, 4);
      auto &mine = model.entries[t.tableId];
      const auto known = mine.find(keyNo);
      switch (rng.Next() % 6) {
        case 0:
        case 1:
          if (t.create(entry.data()) == SRV6_DB_OK) mine[keyNo] = entry;
          break;
        case 2:
          if (known != mine.end()) {
            Bytes changed = known->second;
            std::memcpy(&changed[t.smoothIdOffset], &entry[t.smoothIdOffset], 4);
            if (t.updateSmoothId(changed.data()) == SRV6_DB_OK) known->second = changed;
          }
          break;
        case 3:
          if (known != mine.end() && t.remove(known->second.data()) == SRV6_DB_OK) {
            mine.erase(known);
          }
          break;
        case 4:
          if (known != mine.end()) {
            Bytes read(t.entrySize, 0);
            std::memcpy(read.data(), known->second.data(), t.entrySize);
            if (t.read(read.data()) != SRV6_DB_OK || Record(t, read) != Record(t, known->second)) {
              mismatches.fetch_add(1);
            }
          }
          break;
        default: {
          Srv6DbIter *iter = t.createIterator(1);
          if (iter == nullptr) {
            mismatches.fetch_add(1);
            break;
          }
          std::set<Bytes> seen;
          Bytes e(t.entrySize);
          while (t.getNext(iter, e.data()) == SRV6_DB_OK) {
            if (!seen.insert(PrimaryKey(t, e)).second) duplicates.fetch_add(1);
          }
          t.release(iter);
          walks.fetch_add(1);
          yielded.fetch_add(seen.size());
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(worker, i);
  for (auto &th : threads) th.join();

  EXPECT_EQ(duplicates.load(), 0u) << "a walk yielded a record twice";
  EXPECT_EQ(mismatches.load(), 0u) << "a thread read back something other than it stored";
  EXPECT_GT(walks.load(), 0u);
  EXPECT_GT(yielded.load(), 0u);
  EXPECT_EQ(LoggedFailures().load(), 0u);

  for (const TableCase *t : tables) {
    std::map<Bytes, Bytes> want;  // primary key -> record
    for (const Model &m : models) {
      for (const auto &[keyNo, entry] : m.entries[t->tableId]) {
        want[PrimaryKey(*t, entry)] = Record(*t, entry);
      }
    }
    struct Visit {
      const TableCase *t;
      std::map<Bytes, Bytes> got;
    } visit{t, {}};
    srv6db_engine_visit_records(
        t->tableId,
        [](const void *record, uint32_t len, void *user) {
          auto *v = static_cast<Visit *>(user);
          const auto *r = static_cast<const uint8_t *>(record);
          Bytes entry(v->t->entrySize, 0);
          v->t->getFields(r, entry.data());
          v->got[PrimaryKey(*v->t, entry)] = Bytes(r, r + len);
          return 0;
        },
        &visit);
    EXPECT_EQ(visit.got.size(), want.size()) << t->name;
    EXPECT_TRUE(visit.got == want) << t->name << ": stored records differ from acknowledged";
  }
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  EXPECT_EQ(objects.made, objects.released);
  EXPECT_EQ(objects.badReleases, 0u);
  const MemCounts mem = CountedMem();
  EXPECT_EQ(mem.live, 0u);
  EXPECT_EQ(mem.allocations, mem.frees);
}

// Threads failing the same operation on the same table, and counting directly: every
// increment lands, and every failure was logged once.
TEST_F(Stress, StatisticCellsLoseNoIncrement) {
  constexpr uint32_t kTable = SRV6_DB_TABLE_COMMON;
  constexpr int kFailuresPerThread = 400;
  const uint32_t readObjBefore = g_srv6DbStat[kTable][SRV6_DB_STAT_READ_OBJ_FAILED].count;
  const uint32_t paramBefore = g_srv6DbStat[kTable][SRV6_DB_STAT_PARAM_INVALID].count;
  const uint32_t directBefore = g_srv6DbStat[kTable][SRV6_DB_STAT_GET_FIELD_FAILED].count;
  ASSERT_EQ(0u,
            srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_CREATE_OBJ, kTable, 4242,
                                       SRV6DB_ENGINE_FAULT_NEXT_N, kThreads * kFailuresPerThread));
  std::atomic<int> wrongResults{0};
  auto worker = [&] {
    Srv6DbCommonEntry entry{};
    for (int i = 0; i < kFailuresPerThread; ++i) {
      if (SRV6_DB_ReadCommon(&entry) != SRV6_DB_ERR) wrongResults.fetch_add(1);
      if (SRV6_DB_Read(kTable, nullptr, nullptr) != SRV6_DB_ERR) wrongResults.fetch_add(1);
      SRV6_DB_SetStat(kTable, SRV6_DB_STAT_GET_FIELD_FAILED, 1);
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(worker);
  for (auto &th : threads) th.join();
  const uint32_t n = kThreads * kFailuresPerThread;
  EXPECT_EQ(wrongResults.load(), 0);
  EXPECT_EQ(g_srv6DbStat[kTable][SRV6_DB_STAT_READ_OBJ_FAILED].count - readObjBefore, n);
  EXPECT_EQ(g_srv6DbStat[kTable][SRV6_DB_STAT_PARAM_INVALID].count - paramBefore, n);
  EXPECT_EQ(g_srv6DbStat[kTable][SRV6_DB_STAT_GET_FIELD_FAILED].count - directBefore, n);
  EXPECT_EQ(g_srv6DbStat[kTable][SRV6_DB_STAT_READ_OBJ_FAILED].updated, 1u);
  EXPECT_EQ(LoggedFailures().load(), n) << "each failed object creation logs once";
}

}  // namespace
}  // namespace srv6db::test
