// Turns its input into a sequence of API calls on every table, with engine faults and refused
// allocations mixed in, and checks each answer against a model of what should be stored:
// what was acknowledged reads back byte for byte, counts agree, nothing leaks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"
#include "tests/support/counting_mem.h"
#include "tests/support/tables.h"

namespace srv6db::test {
namespace {

#define FUZZ_CHECK(cond, what)                                                           \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__, what); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// Reads the input front to back; past its end every read gives 0.
class Input {
 public:
  Input(const uint8_t *data, size_t size) : data_(data), size_(size) {}
  bool Done() const { return at_ >= size_; }
  uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const uint8_t *data_;
  size_t size_;
  size_t at_ = 0;
};

// Engine functions a command may make fail, and the codes it may answer.
constexpr uint32_t kFaultFns[] = {
    SRV6DB_ENGINE_FN_CREATE_OBJ,    SRV6DB_ENGINE_FN_SET_ALL_FIELDS,
    SRV6DB_ENGINE_FN_SET_SMOOTH_ID, SRV6DB_ENGINE_FN_WRITE,
    SRV6DB_ENGINE_FN_READ,          SRV6DB_ENGINE_FN_UPDATE,
    SRV6DB_ENGINE_FN_REMOVE,        SRV6DB_ENGINE_FN_CREATE_ROOT_ITER,
    SRV6DB_ENGINE_FN_ITER_NEXT,     SRV6DB_ENGINE_FN_SET_ITER_PROPERTY,
    SRV6DB_ENGINE_FN_RELEASE_OBJ,
};
constexpr uint32_t kFaultCodes[] = {4242, 13044, 15005, 110012};
constexpr uint32_t kKeys = 6;

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

// Key fields come from the key number alone; the rest of the entry from the input.
Bytes MakeEntry(const TableCase &t, uint32_t keyNo, Input &in) {
  Bytes entry(t.entrySize);
  for (auto &b : entry) b = in.U8();
  for (const Range &r : t.primaryKeyFields) {
    for (size_t i = 0; i < r.length; ++i) entry[r.offset + i] = static_cast<uint8_t>(keyNo * 7 + i);
  }
  return entry;
}

uint32_t StatSum() {
  uint32_t sum = 0;
  for (const auto &row : g_srv6DbStat) {
    for (const Srv6DbStatEntry &cell : row) sum += cell.count;
  }
  return sum;
}

void Run(Input &in) {
  srv6db_engine_reset();
  srv6db_engine_clear_faults();
  InstallCountingMem();
  std::map<uint32_t, std::map<uint32_t, Bytes>> model;  // table id -> key number -> entry
  Srv6DbEngineObjectStats start;
  srv6db_engine_object_stats(&start);
  uint64_t releaseFaults = 0;

  for (int command = 0; command < 64 && !in.Done(); ++command) {
    const uint8_t op = in.U8();
    const TableCase &t = TableCases()[in.U8() % TableCases().size()];
    const uint32_t keyNo = in.U8() % kKeys;
    const uint8_t faultByte = in.U8();
    const bool faulted = (faultByte & 0x80) != 0;
    const bool refuseMemory = (faultByte & 0x70) == 0x70;
    if (faulted) {
      const uint32_t fn = kFaultFns[faultByte % (sizeof(kFaultFns) / sizeof(kFaultFns[0]))];
      const uint32_t code = kFaultCodes[(faultByte >> 4) % 4];
      srv6db_engine_inject_fault(fn, SRV6DB_ENGINE_ANY_TABLE, code, SRV6DB_ENGINE_FAULT_NTH,
                                 1 + (faultByte >> 6 & 1));
      if (fn == SRV6DB_ENGINE_FN_RELEASE_OBJ) ++releaseFaults;
    }
    RefuseAllocations(refuseMemory);
    const bool clean = !faulted && !refuseMemory;
    auto &stored = model[t.tableId];
    const auto known = stored.find(keyNo);
    const uint32_t statsBefore = StatSum();
    uint32_t expectedStats = 0;  // statistics a fault-free command must count

    switch (op % 6) {
      case 0: {  // create: 0 exactly when it was stored
        const Bytes entry = MakeEntry(t, keyNo, in);
        const uint32_t rc = t.create(entry.data());
        FUZZ_CHECK(rc == SRV6_DB_OK || (rc == SRV6_DB_ERR && !clean), "create result");
        if (rc == SRV6_DB_OK) stored[keyNo] = entry;
        break;
      }
      case 1: {  // read: the stored record, byte for byte in every carried field
        Bytes entry = MakeEntry(t, keyNo, in);
        const Bytes before = entry;
        const uint32_t rc = t.read(entry.data());
        if (clean)
          FUZZ_CHECK(rc == (known != stored.end() ? SRV6_DB_OK : SRV6_DB_NOT_FOUND), "read result");
        if (rc == SRV6_DB_OK) {
          FUZZ_CHECK(known != stored.end(), "read a record never stored");
          FUZZ_CHECK(Record(t, entry) == Record(t, known->second), "read back other bytes");
        } else {
          FUZZ_CHECK(entry == before, "a failed read changed the entry");
        }
        break;
      }
      case 2: {  // smooth id update: 0 exactly when applied
        if (t.updateSmoothId == nullptr) break;
        Bytes entry = MakeEntry(t, keyNo, in);
        const uint32_t rc = t.updateSmoothId(entry.data());
        if (known == stored.end()) {
          FUZZ_CHECK(rc != SRV6_DB_OK, "updated a missing record");
          if (clean) expectedStats = 1;  // UpdateNoExist
        } else {
          if (clean) FUZZ_CHECK(rc == SRV6_DB_OK, "update result");
          if (rc == SRV6_DB_OK) {
            std::memcpy(&known->second[t.smoothIdOffset], &entry[t.smoothIdOffset], 4);
          }
        }
        break;
      }
      case 3: {  // delete: 0 exactly when removed
        const Bytes entry = MakeEntry(t, keyNo, in);
        const uint32_t rc = t.remove(entry.data());
        if (known == stored.end()) {
          FUZZ_CHECK(rc == SRV6_DB_ERR, "deleted a missing record");
          if (clean) expectedStats = 1;  // DeleteDbFailed
        } else {
          if (clean) FUZZ_CHECK(rc == SRV6_DB_OK, "delete result");
          if (rc == SRV6_DB_OK) stored.erase(known);
        }
        break;
      }
      case 4: {  // walk: stored records only, each once; all of them when nothing failed
        Srv6DbIter *iter = t.createIterator(in.U8() & 1 ? SRV6_DB_ITER_NO_COUNT : 1);
        if (clean) FUZZ_CHECK(iter != nullptr, "iterator not made");
        if (iter == nullptr) break;
        std::set<Bytes> seen;
        std::map<Bytes, const Bytes *> byKey;
        for (const auto &[k, e] : stored) byKey[PrimaryKey(t, e)] = &e;
        Bytes entry(t.entrySize);
        uint32_t rc;
        while ((rc = t.getNext(iter, entry.data())) == SRV6_DB_OK) {
          const Bytes key = PrimaryKey(t, entry);
          FUZZ_CHECK(seen.insert(key).second, "a record yielded twice");
          const auto found = byKey.find(key);
          FUZZ_CHECK(found != byKey.end(), "walk yielded a record never stored");
          FUZZ_CHECK(Record(t, entry) == Record(t, *found->second), "walk yielded other bytes");
        }
        t.release(iter);
        if (clean)
          FUZZ_CHECK(rc == SRV6_DB_NOT_FOUND && seen.size() == stored.size(), "walk incomplete");
        break;
      }
      default:  // the engine holds what the model holds
        FUZZ_CHECK(srv6db_engine_record_count(t.tableId) == stored.size(), "record count");
        break;
    }
    RefuseAllocations(false);
    srv6db_engine_clear_faults();

    const uint32_t moved = StatSum() - statsBefore;
    if (clean) FUZZ_CHECK(moved == expectedStats, "statistics moved without a failure");
    FUZZ_CHECK(moved <= 1, "one command counted more than one failure");
    FUZZ_CHECK(srv6db_engine_record_count(t.tableId) == stored.size(), "record count");
    Srv6DbEngineObjectStats objects;
    srv6db_engine_object_stats(&objects);
    FUZZ_CHECK(objects.badReleases == 0, "released an object twice");
    FUZZ_CHECK(objects.live - start.live <= releaseFaults, "an engine object leaked");
    const MemCounts mem = CountedMem();
    FUZZ_CHECK(mem.live == 0 && mem.badFrees == 0, "an iterator handle leaked");
  }
}

}  // namespace
}  // namespace srv6db::test

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const Srv6DbLogCallBack silent = {nullptr, nullptr};
  SRV6_DB_LogFuncInit(&silent);
  srv6db::test::Input in(data, size);
  srv6db::test::Run(in);
  return 0;
}
