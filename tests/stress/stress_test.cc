// Several threads creating, updating, reading, walking and deleting records of several tables
// at once: afterwards the engine holds exactly what was acknowledged and not deleted, and no
// walk yielded a record twice. (Walks that keep every record that stays while others churn:
// the engine suite.)
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/env.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

constexpr int kThreads = 4;

// The fixture checks at the end that every engine object and iterator handle came back.
using Stress = LibraryTest;

TEST_F(Stress, ConcurrentChangesLeaveExactlyTheAcknowledgedRecords) {
  srv6db_engine_capture_keys(0);          // no lock shared by every call
  std::vector<const TableCase *> tables;  // tables with a smooth id: every change applies
  for (uint32_t id : {SRV6_DB_TABLE_LOCAL_SID, SRV6_DB_TABLE_POLICY, SRV6_DB_TABLE_FLOW_GRP_TNL,
                      SRV6_DB_TABLE_PORTINFO})
    tables.push_back(&TableCases().at(id));
  // What each thread believes is stored: its own keys only, by table and key number.
  std::vector<std::map<std::pair<uint32_t, uint32_t>, Bytes>> models(kThreads);
  std::atomic<uint64_t> duplicates{0}, mismatches{0};
  auto worker = [&](int thread) {
    std::mt19937 rng(thread);
    auto &model = models[thread];
    for (int step = 0; step < 4000; ++step) {
      const TableCase &t = *tables[rng() % tables.size()];
      const uint32_t keyNo = rng() % 24;
      // Key fields follow from the thread and key number alone (the thread's in the first
      // field, so keys are disjoint between threads); every other byte is new each time.
      Bytes entry(t.entrySize);
      for (auto &b : entry) b = static_cast<uint8_t>(rng() | 1);
      const uint32_t tag = (static_cast<uint32_t>(thread) << 16) | keyNo;
      for (const Range &r : t.primaryKeyFields)
        for (size_t i = 0; i < r.length; ++i) entry[r.offset + i] = static_cast<uint8_t>(tag + i);
      std::memcpy(entry.data(), &tag, 4);
      const auto known = model.find({t.tableId, keyNo});
      const bool have = known != model.end();
      switch (rng() % 6) {
        case 0:
        case 1:
          if (t.create(entry.data()) == SRV6_DB_OK) model[{t.tableId, keyNo}] = entry;
          break;
        case 2:
          if (have) {
            Bytes changed = known->second;
            std::memcpy(&changed[t.smoothIdOffset], &entry[t.smoothIdOffset], 4);
            if (t.updateSmoothId(changed.data()) == SRV6_DB_OK) known->second = changed;
          }
          break;
        case 3:
          if (have && t.remove(known->second.data()) == SRV6_DB_OK) model.erase(known);
          break;
        case 4:
          if (have) {
            Bytes read = known->second;
            mismatches += t.read(read.data()) != SRV6_DB_OK ||
                          RecordOf(t, read) != RecordOf(t, known->second);
          }
          break;
        default: {
          Srv6DbIter *iter = t.createIterator(1);
          std::set<Bytes> seen;
          Bytes e(t.entrySize);
          while (iter != nullptr && t.getNext(iter, e.data()) == SRV6_DB_OK)
            duplicates += !seen.insert(PrimaryKeyOf(t, e)).second;
          mismatches += iter == nullptr;
          t.release(iter);
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) threads.emplace_back(worker, i);
  for (auto &th : threads) th.join();
  EXPECT_EQ(duplicates.load(), 0u) << "a walk yielded a record twice";
  EXPECT_EQ(mismatches.load(), 0u) << "a thread read back something other than it stored";
  EXPECT_TRUE(Events().empty() && MovedCells().empty()) << "a failure was counted or logged";

  for (const TableCase *t : tables) {
    std::map<Bytes, Bytes> want, got;  // primary key -> record
    for (const auto &model : models)
      for (const auto &[key, entry] : model)
        if (key.first == t->tableId) want[PrimaryKeyOf(*t, entry)] = RecordOf(*t, entry);
    Srv6DbIter *iter = t->createIterator(1);
    for (Bytes e(t->entrySize); t->getNext(iter, e.data()) == SRV6_DB_OK;)
      got[PrimaryKeyOf(*t, e)] = RecordOf(*t, e);
    t->release(iter);
    EXPECT_TRUE(got == want) << t->name << ": stored records differ from acknowledged";
  }
}

}  // namespace
}  // namespace srv6db::test
