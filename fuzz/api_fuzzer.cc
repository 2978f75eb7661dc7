// Turns its input into a sequence of API calls on every table, with engine faults and refused
// allocations mixed in, and checks each answer against a model of what should be stored:
// what was acknowledged reads back byte for byte, counts agree, nothing leaks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "engine/srv6db_engine.h"
#include "tests/support/counting_mem.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

// Stops the run when an invariant does not hold: the input that broke it is the finding.
void Check(bool holds, const char *what, int line = __builtin_LINE()) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, line, what);
  std::abort();
}

// Engine functions a command may make fail, and the codes they may answer.
constexpr uint32_t kFaultFns[] = {
    SRV6DB_ENGINE_FN_CREATE_OBJ,    SRV6DB_ENGINE_FN_SET_ALL_FIELDS,
    SRV6DB_ENGINE_FN_SET_SMOOTH_ID, SRV6DB_ENGINE_FN_WRITE,
    SRV6DB_ENGINE_FN_READ,          SRV6DB_ENGINE_FN_UPDATE,
    SRV6DB_ENGINE_FN_REMOVE,        SRV6DB_ENGINE_FN_CREATE_ROOT_ITER,
    SRV6DB_ENGINE_FN_ITER_NEXT,     SRV6DB_ENGINE_FN_SET_ITER_PROPERTY,
    SRV6DB_ENGINE_FN_RELEASE_OBJ};
constexpr uint32_t kFaultCodes[] = {4242, 13044, 15005, 110012};

// Reads the input front to back; past its end every read gives 0.
struct Input {
  const uint8_t *data;
  size_t size;
  size_t at = 0;
  uint8_t U8() { return at < size ? data[at++] : 0; }
};

// Key fields come from the key number alone; the rest of the entry from the input.
Bytes MakeEntry(const TableCase &t, uint32_t keyNo, Input &in) {
  Bytes entry(t.entrySize);
  for (auto &b : entry) b = in.U8();
  for (const Range &r : t.primaryKeyFields)
    for (size_t i = 0; i < r.length; ++i) entry[r.offset + i] = static_cast<uint8_t>(keyNo * 7 + i);
  return entry;
}

uint32_t StatSum() {
  uint32_t sum = 0;
  for (const auto &row : g_srv6DbStat)
    for (const Srv6DbStatEntry &cell : row) sum += cell.count;
  return sum;
}

void Run(Input &in) {
  srv6db_engine_reset();
  srv6db_engine_clear_faults();
  InstallCountingMem();
  std::map<uint32_t, std::map<uint32_t, Bytes>> model;  // table id -> key number -> entry
  Srv6DbEngineObjectStats start, objects;
  srv6db_engine_object_stats(&start);
  uint64_t releaseFaults = 0;
  for (int command = 0; command < 64 && in.at < in.size; ++command) {
    const uint8_t op = in.U8();
    const TableCase &t = TableCases()[in.U8() % TableCases().size()];
    const uint32_t keyNo = in.U8() % 6;
    const uint8_t fault = in.U8();
    const bool refuseMemory = (fault & 0x70) == 0x70, clean = (fault & 0x80) == 0 && !refuseMemory;
    if ((fault & 0x80) != 0) {
      const uint32_t fn = kFaultFns[fault % std::size(kFaultFns)];
      srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, kFaultCodes[(fault >> 4) % 4],
                                 SRV6DB_ENGINE_FAULT_NTH, 1 + (fault >> 6 & 1));
      releaseFaults += fn == SRV6DB_ENGINE_FN_RELEASE_OBJ;
    }
    RefuseAllocations(refuseMemory);
    auto &stored = model[t.tableId];
    const auto known = stored.find(keyNo);
    const uint32_t statsBefore = StatSum();
    uint32_t expectedStats = 0;  // statistics a fault-free command must count
    const bool changing = op % 6 == 3 || (op % 6 == 2 && t.updateSmoothId != nullptr);
    Bytes entry = op % 6 < 2 || changing ? MakeEntry(t, keyNo, in) : Bytes(t.entrySize);
    const Bytes before = entry;
    uint32_t rc = SRV6_DB_OK;
    if (op % 6 == 0) {  // create: 0 exactly when it was stored
      rc = t.create(entry.data());
      Check(rc == SRV6_DB_OK || (rc == SRV6_DB_ERR && !clean), "create result");
      if (rc == SRV6_DB_OK) stored[keyNo] = entry;
    } else if (op % 6 == 1) {  // read: the stored record, byte for byte in every carried field
      rc = t.read(entry.data());
      Check(!clean || rc == (known != stored.end() ? SRV6_DB_OK : SRV6_DB_NOT_FOUND), "read");
      Check(rc != SRV6_DB_OK || RecordOf(t, entry) == RecordOf(t, known->second), "read back");
      Check(rc == SRV6_DB_OK || entry == before, "a failed read changed the entry");
    } else if (changing) {
      // smooth id update or delete: 0 exactly when applied
      rc = op % 6 == 2 ? t.updateSmoothId(entry.data()) : t.remove(entry.data());
      Check(rc != SRV6_DB_OK || known != stored.end(), "changed a missing record");
      Check(!clean || (rc == SRV6_DB_OK) == (known != stored.end()), "update or delete");
      expectedStats = clean && known == stored.end();  // UpdateNoExist or DeleteDbFailed
      if (rc == SRV6_DB_OK && op % 6 == 2) {
        std::memcpy(&known->second[t.smoothIdOffset], &entry[t.smoothIdOffset], 4);
      } else if (rc == SRV6_DB_OK) {
        stored.erase(known);
      }
    } else if (op % 6 == 4) {  // stored records only, each once; all of them when nothing failed
      Srv6DbIter *iter = t.createIterator(in.U8() & 1 ? SRV6_DB_ITER_NO_COUNT : 1);
      Check(!clean || iter != nullptr, "iterator not made");
      std::set<Bytes> seen, all;
      for (const auto &[k, e] : stored) all.insert(RecordOf(t, e));
      while (iter != nullptr && (rc = t.getNext(iter, entry.data())) == SRV6_DB_OK) {
        Check(all.count(RecordOf(t, entry)) == 1, "walk yielded a record never stored");
        Check(seen.insert(RecordOf(t, entry)).second, "a record yielded twice");
      }
      if (iter != nullptr) t.release(iter);
      Check(!clean || iter == nullptr || (rc == SRV6_DB_NOT_FOUND && seen == all), "walk");
    }
    RefuseAllocations(false);
    srv6db_engine_clear_faults();
    const uint32_t moved = StatSum() - statsBefore;
    Check(!clean || moved == expectedStats, "statistics moved without a failure");
    Check(moved <= 1, "one command counted more than one failure");
    Check(srv6db_engine_record_count(t.tableId) == stored.size(), "record count");
    srv6db_engine_object_stats(&objects);
    Check(objects.badReleases == 0, "released an object twice");
    Check(objects.live - start.live <= releaseFaults, "an engine object leaked");
    Check(CountedMem().live == 0 && CountedMem().badFrees == 0, "a handle leaked");
  }
}

}  // namespace
}  // namespace srv6db::test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const Srv6DbLogCallBack silent = {nullptr, nullptr};
  SRV6_DB_LogFuncInit(&silent);
  srv6db::test::Input in{data, size};
  srv6db::test::Run(in);
  return 0;
}
