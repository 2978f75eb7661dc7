// Record operations of three tables in four columns measured in one run: through the
// library, the engine called directly with records and keys prepared in advance, the floor (a
// store written by hand for these records, bench/hand_store.h) and SQLite in memory. Each benchmark
// iteration is one pass over every record of the data set; the rate counters give operations (or
// walked records) per second of CPU time, which a machine shared with other work disturbs least.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/alloc_counter.h"
#include "bench/hand_store.h"
#include "bench/sqlite_peer.h"
#include "bench/tables.h"
#include "engine/engine_api.h"
#include "engine/srv6db_engine.h"

namespace srv6db::bench {
namespace {

enum class Op { kCreate, kRead, kUpdate, kDelete, kUnique, kCount, kWalk, kWalkByKey };
enum class Column { kLibrary, kEngine, kFloor, kSqlite };

constexpr const char *kOpNames[] = {"create",      "read",         "update_smooth", "delete",
                                    "read_unique", "count_by_key", "walk",          "walk_by_key"};
// The count property of every walk: the records the engine may hand out per lock.
constexpr uint32_t kWalkCount = 64;

constexpr const char *kColumnNames[] = {"library", "engine", "floor", "sqlite"};

// Set when a benchmark fails: the run then exits non-zero, so a smoke run can gate CI.
bool g_failed = false;

// Allocations through the library's memory hook: the library's own heap use.
uint64_t g_hookAllocations = 0;
void *HookMalloc(size_t size) {
  ++g_hookAllocations;
  return std::malloc(size);
}

// Every record of one table at one size, with its engine record and the key bytes of each
// index, made before anything is timed.
struct Dataset {
  const TableSpec *spec = nullptr;
  uint32_t n = 0;
  uint32_t groups = 0;
  Srv6DbEngineSchema schema{};
  std::vector<uint8_t> entries;
  std::vector<uint8_t> records;
  // The caller memory of the floor and SQLite columns. Each record has a slot, as the library
  // column has an entry: a read lands at the slot's start (the floor reads into a buffer on
  // the stack and copies it there, the library's path) and its primary and unique keys follow,
  // so a keyed operation touches one slot where the library touches one entry. Keys of
  // the other indexes are in compact arrays ([index]: n keys of that index's length).
  std::vector<uint8_t> slots;
  uint32_t slotStride = 0;
  uint32_t slotKeyOffset[SRV6DB_ENGINE_MAX_INDEXES] = {};  // 0: the key is not in the slot
  std::vector<std::vector<uint8_t>> keys;
  alignas(8) uint8_t keyInfo[SRV6DB_ENGINE_MAX_INDEXES][SRV6_DB_KEY_INFO_LEN] = {};
  std::vector<uint32_t> order;  // keyed operations visit records in this random order

  void *Entry(uint32_t i) { return entries.data() + size_t{i} * spec->entrySize; }
  const uint8_t *Record(uint32_t i) const { return records.data() + size_t{i} * spec->recordSize; }
  uint32_t KeyLen(uint32_t index) const { return schema.indexes[index].keyLength; }
  uint8_t *Key(uint32_t index, uint32_t i) {
    if (slotKeyOffset[index] != 0)
      return slots.data() + size_t{i} * slotStride + slotKeyOffset[index];
    return keys[index].data() + size_t{i} * KeyLen(index);
  }
  const uint8_t *Key(uint32_t index, uint32_t i) const {
    return const_cast<Dataset *>(this)->Key(index, i);
  }
  void *ReadOut(uint32_t i) { return slots.data() + size_t{i} * slotStride; }
  uint32_t Group(uint32_t i) const { return i / kGroupSize; }
  // The key bytes of group g's by-VRF key, one per group: what a caller counting or walking a
  // group would hold, as the library column builds it from the group's smooth key.
  const uint8_t *GroupKeyBytes(uint32_t g) const {
    return groupKeys.data() + size_t{g} * KeyLen(spec->groupIndex);
  }
  std::vector<uint8_t> groupKeys;
  uint32_t RawBytesPerRecord() const {
    uint32_t bytes = spec->recordSize;
    for (uint32_t x = 0; x < schema.indexCount; ++x) bytes += KeyLen(x);
    return bytes;
  }
};

void BuildKeyBytes(const Srv6DbEngineIndex &index, const uint8_t *record, uint8_t *out) {
  for (uint32_t s = 0; s < index.segmentCount; ++s) {
    std::memcpy(out, record + index.segments[s].offset, index.segments[s].length);
    out += index.segments[s].length;
  }
}

std::unique_ptr<Dataset> MakeDataset(const TableSpec *spec, uint32_t n) {
  auto ds = std::make_unique<Dataset>();
  ds->spec = spec;
  ds->n = n;
  ds->groups = (n + kGroupSize - 1) / kGroupSize;
  if (srv6db_engine_schema(spec->id, &ds->schema) != 0) std::abort();
  ds->entries.resize(size_t{n} * spec->entrySize);
  ds->records.resize(size_t{n} * spec->recordSize);
  ds->keys.resize(ds->schema.indexCount);
  uint32_t slotBytes = spec->recordSize;
  for (uint32_t x = 0; x < ds->schema.indexCount; ++x) {
    if (x == 0 || (spec->uniqueIndex != 0 && x == spec->uniqueIndex)) {
      ds->slotKeyOffset[x] = slotBytes;
      slotBytes += ds->KeyLen(x);
    } else {
      ds->keys[x].resize(size_t{n} * ds->KeyLen(x));
    }
    std::memcpy(ds->keyInfo[x], &ds->schema.indexes[x].keyWord, sizeof(uint32_t));
  }
  ds->slotStride = (slotBytes + 7u) & ~7u;
  ds->slots.resize(size_t{n} * ds->slotStride);
  for (uint32_t i = 0; i < n; ++i) {
    spec->make(i, ds->Group(i), ds->Entry(i));
    spec->encode(ds->Entry(i), ds->records.data() + size_t{i} * spec->recordSize);
    for (uint32_t x = 0; x < ds->schema.indexCount; ++x) {
      BuildKeyBytes(ds->schema.indexes[x], ds->Record(i), ds->Key(x, i));
    }
  }
  const uint32_t groupKeyLength = ds->KeyLen(spec->groupIndex);
  ds->groupKeys.resize(size_t{ds->groups} * groupKeyLength);
  for (uint32_t g = 0; g < ds->groups; ++g) {
    std::memcpy(ds->groupKeys.data() + size_t{g} * groupKeyLength,
                ds->Key(spec->groupIndex, g * kGroupSize), groupKeyLength);
  }
  ds->order.resize(n);
  for (uint32_t i = 0; i < n; ++i) ds->order[i] = i;
  std::shuffle(ds->order.begin(), ds->order.end(), std::mt19937(12345));
  return ds;
}

std::unique_ptr<Dataset> g_dataset;

Dataset &DatasetFor(const TableSpec *spec, uint32_t n) {
  if (!g_dataset || g_dataset->spec != spec || g_dataset->n != n) {
    g_dataset.reset();
    g_dataset = MakeDataset(spec, n);
  }
  return *g_dataset;
}

// What a store holds between benchmarks, so that reads run on a filled table without
// filling it again and every benchmark starts from the state it needs.
struct Holding {
  const Dataset *ds = nullptr;  // null: empty
  bool exact = false;           // holds exactly the data set, unchanged
};

Holding g_engine;
Holding g_sqlite;
Holding g_hand;
std::unique_ptr<HandStore> g_handStore;
const TableSpec *g_handSpec = nullptr;
std::unique_ptr<SqlitePeer> g_peer;
const TableSpec *g_peerSpec = nullptr;

// Engine path used to fill the engine: the same calls the engine column's create makes.
bool EngineWrite(const Dataset &ds, uint32_t i) {
  const TableSpec &t = *ds.spec;
  void *obj = nullptr;
  if (t.createObj(DB_OP_WRITE, 0, &obj) != DB_OK) return false;
  bool ok = t.setAllFields(obj, ds.Record(i), t.recordSize) == DB_OK && db_write_obj(obj) == DB_OK;
  t.releaseObj(obj);
  return ok;
}

bool EngineRemove(const Dataset &ds, uint32_t i) {
  const TableSpec &t = *ds.spec;
  void *obj = nullptr;
  if (t.createObj(DB_OP_REMOVE, 0, &obj) != DB_OK) return false;
  const bool ok = db_remove_obj(obj, ds.keyInfo[0], ds.Key(0, i)) == DB_OK;
  t.releaseObj(obj);
  return ok;
}

// Brings the engine to the state a benchmark needs; answers true when it had to start from a
// reset engine (no node or bucket memory kept for reuse). The same data set is emptied record
// by record instead, as a long-running table would be: freed memory is reused, not faulted in
// again.
bool EngineHold(const Dataset &ds, bool filled) {
  if (filled && g_engine.ds == &ds && g_engine.exact) return false;
  bool cold = false;
  if (g_engine.ds == &ds) {
    for (uint32_t i = 0; i < ds.n; ++i) {
      if (!EngineRemove(ds, i)) std::abort();
    }
  } else {
    srv6db_engine_reset();
    cold = true;
  }
  g_engine = {};
  if (!filled) return cold;
  for (uint32_t i = 0; i < ds.n; ++i) {
    if (!EngineWrite(ds, i)) std::abort();
  }
  g_engine = {&ds, true};
  return cold;
}

HandStore &Hand(const Dataset &ds) {
  if (g_handSpec != ds.spec) {
    g_handStore = std::make_unique<HandStore>(ds.schema);
    g_handSpec = ds.spec;
    g_hand = {};
  }
  return *g_handStore;
}

bool HandHold(const Dataset &ds, bool filled) {
  HandStore &store = Hand(ds);
  if (filled && g_hand.ds == &ds && g_hand.exact) return false;
  const bool cold = g_hand.ds != &ds;
  if (cold) {
    store.Clear();
  } else {
    for (uint32_t i = 0; i < ds.n; ++i) store.Remove(ds.Key(0, i));
  }
  g_hand = {};
  if (!filled) return cold;
  for (uint32_t i = 0; i < ds.n; ++i) store.Put(ds.Record(i));
  g_hand = {&ds, true};
  return cold;
}

SqlitePeer &Peer(const Dataset &ds) {
  if (g_peerSpec != ds.spec) {
    g_peer.reset();
    g_peer = std::make_unique<SqlitePeer>(ds.schema.indexCount, ds.spec->groupIndex,
                                          ds.spec->uniqueIndex);
    g_peerSpec = ds.spec;
    g_sqlite = {};
  }
  return *g_peer;
}

bool SqliteInsert(SqlitePeer &peer, const Dataset &ds, uint32_t i) {
  const uint8_t *keys[SRV6DB_ENGINE_MAX_INDEXES];
  uint32_t lengths[SRV6DB_ENGINE_MAX_INDEXES];
  for (uint32_t x = 0; x < ds.schema.indexCount; ++x) {
    keys[x] = ds.Key(x, i);
    lengths[x] = ds.KeyLen(x);
  }
  return peer.Insert(keys, lengths, ds.Record(i), ds.spec->recordSize);
}

void SqliteHold(const Dataset &ds, bool filled) {
  SqlitePeer &peer = Peer(ds);
  if (filled && g_sqlite.ds == &ds && g_sqlite.exact) return;
  peer.Begin();
  peer.Clear();
  g_sqlite = {};
  if (filled) {
    for (uint32_t i = 0; i < ds.n; ++i) {
      if (!SqliteInsert(peer, ds, i)) std::abort();
    }
    g_sqlite = {&ds, true};
  }
  peer.Commit();
}

// ---- One pass of an operation in each column; each answers the operations done, or -1 ----

__attribute__((noinline)) int64_t LibraryPass(Dataset &ds, Op op) {
  const TableSpec &t = *ds.spec;
  int64_t done = 0;
  switch (op) {
    case Op::kCreate:
      for (uint32_t i = 0; i < ds.n; ++i) done += t.create(ds.Entry(i)) == SRV6_DB_OK;
      return done == ds.n ? done : -1;
    case Op::kRead:
      for (uint32_t i : ds.order) done += t.read(ds.Entry(i)) == SRV6_DB_OK;
      return done == ds.n ? done : -1;
    case Op::kUpdate:
      for (uint32_t i : ds.order) {
        auto *smooth =
            reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(ds.Entry(i)) + t.smoothOffset);
        *smooth += ds.groups;
        done += t.update(ds.Entry(i)) == SRV6_DB_OK;
      }
      return done == ds.n ? done : -1;
    case Op::kDelete:
      for (uint32_t i : ds.order) done += t.remove(ds.Entry(i)) == SRV6_DB_OK;
      return done == ds.n ? done : -1;
    case Op::kUnique:
      for (uint32_t i : ds.order) done += t.readUnique(ds.Entry(i)) == SRV6_DB_OK;
      return done == ds.n ? done : -1;
    case Op::kCount: {
      uint64_t total = 0;
      for (uint32_t i : ds.order) {
        const Srv6DbSmoothKey group = GroupKey(ds.Group(i));
        alignas(8) uint8_t info[SRV6_DB_KEY_INFO_LEN] = {};
        alignas(8) uint8_t bytes[64];
        uint32_t word = 0;
        t.groupKey(&group, &word, bytes);
        std::memcpy(info, &word, sizeof(word));
        Srv6DbKey key = {info, SRV6_DB_KEY_INFO_LEN, bytes, word & 0xFFFFu};
        uint64_t count = 0;
        if (SRV6_DB_CountByKey(t.id, &key, &count) != SRV6_DB_OK) return -1;
        total += count;
        ++done;
      }
      return total >= ds.n ? done : -1;  // each record counted its whole group
    }
    case Op::kWalk: {
      alignas(8) uint8_t entry[512];
      Srv6DbIter *it = t.iterate(kWalkCount);
      if (it == nullptr) return -1;
      while (t.next(it, entry) == SRV6_DB_OK) ++done;
      t.release(it);
      return done == ds.n ? done : -1;
    }
    case Op::kWalkByKey: {
      alignas(8) uint8_t entry[512];
      for (uint32_t g = 0; g < ds.groups; ++g) {
        const Srv6DbSmoothKey group = GroupKey(g);
        Srv6DbIter *it = t.iterateGroup(&group, kWalkCount);
        if (it == nullptr) return -1;
        while (t.next(it, entry) == SRV6_DB_OK) ++done;
        t.release(it);
      }
      return done == ds.n ? done : -1;
    }
  }
  return -1;
}

// The engine calls the library makes for each operation, minus its own work: no entry
// conversion, no key building, no argument checks, no statistics.
__attribute__((noinline)) int64_t EnginePass(Dataset &ds, Op op) {
  const TableSpec &t = *ds.spec;
  const uint32_t len = t.recordSize;
  alignas(8) uint8_t record[SRV6DB_ENGINE_MAX_RECORD];
  const void *pkInfo = ds.keyInfo[0];
  int64_t done = 0;
  void *obj = nullptr;
  switch (op) {
    case Op::kCreate:
      for (uint32_t i = 0; i < ds.n; ++i) done += EngineWrite(ds, i);
      return done == ds.n ? done : -1;
    case Op::kRead:
      for (uint32_t i : ds.order) {
        if (t.createObj(DB_OP_READ, 0, &obj) != DB_OK) return -1;
        const bool read = db_read_obj_with_buf(obj, pkInfo, ds.Key(0, i), record, len) == DB_OK;
        if (read) std::memcpy(ds.ReadOut(i), record, len);
        done += read;
        t.releaseObj(obj);
      }
      return done == ds.n ? done : -1;
    case Op::kUpdate:
      for (uint32_t i : ds.order) {
        if (t.createObj(DB_OP_UPDATE, 0, &obj) != DB_OK) return -1;
        uint32_t smooth;
        std::memcpy(&smooth, static_cast<uint8_t *>(ds.Entry(i)) + t.smoothOffset, sizeof(smooth));
        done += t.setSmoothId(obj, smooth + ds.groups) == DB_OK &&
                db_update_obj(obj, pkInfo, ds.Key(0, i)) == DB_OK;
        t.releaseObj(obj);
      }
      return done == ds.n ? done : -1;
    case Op::kDelete:
      for (uint32_t i : ds.order) {
        if (t.createObj(DB_OP_REMOVE, 0, &obj) != DB_OK) return -1;
        done += db_remove_obj(obj, pkInfo, ds.Key(0, i)) == DB_OK;
        t.releaseObj(obj);
      }
      return done == ds.n ? done : -1;
    case Op::kUnique:
      for (uint32_t i : ds.order) {
        if (t.createObj(DB_OP_QUERY, 0, &obj) != DB_OK) return -1;
        void *it = nullptr;
        done += db_create_root_iter(obj, ds.keyInfo[t.uniqueIndex], ds.Key(t.uniqueIndex, i),
                                    &it) == DB_OK &&
                db_root_iterator_next(it) == DB_OK &&
                db_read_obj_with_buf(obj, nullptr, nullptr, record, len) == DB_OK &&
                std::memcpy(ds.ReadOut(i), record, len) != nullptr;
        t.releaseObj(obj);
      }
      return done == ds.n ? done : -1;
    case Op::kCount: {
      uint64_t total = 0;
      for (uint32_t i : ds.order) {
        if (t.createObj(DB_OP_COUNT, 0, &obj) != DB_OK) return -1;
        uint64_t count = 0;
        const uint32_t rc = db_get_table_record_count_by_key(obj, ds.keyInfo[t.groupIndex],
                                                             ds.GroupKeyBytes(ds.Group(i)), &count);
        t.releaseObj(obj);
        if (rc != DB_OK) return -1;
        total += count;
        ++done;
      }
      return total >= ds.n ? done : -1;
    }
    case Op::kWalk:
    case Op::kWalkByKey: {
      const uint32_t walks = op == Op::kWalk ? 1 : ds.groups;
      for (uint32_t g = 0; g < walks; ++g) {
        if (t.createObj(DB_OP_QUERY, 0, &obj) != DB_OK) return -1;
        void *it = nullptr;
        const uint32_t rc = op == Op::kWalk ? db_create_root_iter(obj, nullptr, nullptr, &it)
                                            : db_create_root_iter(obj, ds.keyInfo[t.groupIndex],
                                                                  ds.GroupKeyBytes(g), &it);
        if (rc == DB_OK &&
            db_set_root_iterator_property(it, DB_ITER_PROP_COUNT, &kWalkCount, 4) == DB_OK) {
          while (db_root_iterator_next(it) == DB_OK &&
                 db_read_obj_with_buf(obj, nullptr, nullptr, record, len) == DB_OK) {
            ++done;
          }
        }
        t.releaseObj(obj);
      }
      return done == ds.n ? done : -1;
    }
  }
  return -1;
}

// The same operations on the hand-written store, records and keys prepared in advance.
__attribute__((noinline)) int64_t FloorPass(Dataset &ds, Op op) {
  const TableSpec &t = *ds.spec;
  HandStore &store = Hand(ds);
  const uint32_t len = t.recordSize;
  alignas(8) uint8_t record[SRV6DB_ENGINE_MAX_RECORD];
  int64_t done = 0;
  switch (op) {
    case Op::kCreate:
      for (uint32_t i = 0; i < ds.n; ++i) store.Put(ds.Record(i));
      return ds.n;
    case Op::kRead:
      for (uint32_t i : ds.order) {
        const bool read = store.Read(ds.Key(0, i), record);
        if (read) std::memcpy(ds.ReadOut(i), record, len);
        done += read;
      }
      return done == ds.n ? done : -1;
    case Op::kUpdate:
      for (uint32_t i : ds.order) {
        uint32_t smooth;
        std::memcpy(&smooth, static_cast<uint8_t *>(ds.Entry(i)) + t.smoothOffset, sizeof(smooth));
        done += store.SetSmoothId(ds.Key(0, i), smooth + ds.groups);
      }
      return done == ds.n ? done : -1;
    case Op::kDelete:
      for (uint32_t i : ds.order) done += store.Remove(ds.Key(0, i));
      return done == ds.n ? done : -1;
    case Op::kUnique:
      for (uint32_t i : ds.order) {
        const bool read = store.ReadFirst(t.uniqueIndex, ds.Key(t.uniqueIndex, i), record);
        if (read) std::memcpy(ds.ReadOut(i), record, len);
        done += read;
      }
      return done == ds.n ? done : -1;
    case Op::kCount: {
      uint64_t total = 0;
      for (uint32_t i : ds.order) {
        total += store.Count(t.groupIndex, ds.GroupKeyBytes(ds.Group(i)));
        ++done;
      }
      return total >= ds.n ? done : -1;
    }
    case Op::kWalk:
      done = store.Walk(0, nullptr, record);
      return done == ds.n ? done : -1;
    case Op::kWalkByKey:
      for (uint32_t g = 0; g < ds.groups; ++g)
        done += store.Walk(t.groupIndex, ds.GroupKeyBytes(g), record);
      return done == ds.n ? done : -1;
  }
  return -1;
}

__attribute__((noinline)) int64_t SqlitePass(Dataset &ds, Op op) {
  const TableSpec &t = *ds.spec;
  SqlitePeer &peer = Peer(ds);
  const uint32_t len = t.recordSize;
  const uint32_t pkLen = ds.KeyLen(0);
  alignas(8) uint8_t record[SRV6DB_ENGINE_MAX_RECORD];
  alignas(8) uint8_t groupKey[SRV6DB_ENGINE_MAX_KEY];
  int64_t done = 0;
  peer.Begin();
  switch (op) {
    case Op::kCreate:
      for (uint32_t i = 0; i < ds.n; ++i) done += SqliteInsert(peer, ds, i);
      break;
    case Op::kRead:
      for (uint32_t i : ds.order) done += peer.Read(ds.Key(0, i), pkLen, ds.ReadOut(i), len);
      break;
    case Op::kUpdate: {
      const Srv6DbEngineIndex &index = ds.schema.indexes[t.groupIndex];
      const uint32_t smoothAt = ds.schema.smoothIdOffset;
      for (uint32_t i : ds.order) {
        std::memcpy(record, ds.Record(i), len);
        uint32_t smooth;
        std::memcpy(&smooth, record + smoothAt, sizeof(smooth));
        smooth += ds.groups;
        std::memcpy(record + smoothAt, &smooth, sizeof(smooth));
        BuildKeyBytes(index, record, groupKey);
        done += peer.UpdateGroup(ds.Key(0, i), pkLen, groupKey, index.keyLength, record, len);
      }
      break;
    }
    case Op::kDelete:
      for (uint32_t i : ds.order) done += peer.Delete(ds.Key(0, i), pkLen);
      break;
    case Op::kUnique:
      for (uint32_t i : ds.order) {
        done +=
            peer.ReadUnique(ds.Key(t.uniqueIndex, i), ds.KeyLen(t.uniqueIndex), ds.ReadOut(i), len);
      }
      break;
    case Op::kCount: {
      int64_t total = 0;
      for (uint32_t i : ds.order) {
        const int64_t count =
            peer.CountGroup(ds.GroupKeyBytes(ds.Group(i)), ds.KeyLen(t.groupIndex));
        if (count < 0) break;
        total += count;
        ++done;
      }
      if (total < ds.n) done = -1;
      break;
    }
    case Op::kWalk:
      done = peer.WalkAll(record, len);
      break;
    case Op::kWalkByKey:
      for (uint32_t g = 0; g < ds.groups && done >= 0; ++g) {
        const int64_t n = peer.WalkGroup(ds.GroupKeyBytes(g), ds.KeyLen(t.groupIndex), record, len);
        done = n < 0 ? -1 : done + n;
      }
      break;
  }
  peer.Commit();
  return done == ds.n ? done : -1;
}

// The smooth id update moves records between groups: undo it in the entries.
void RestoreSmoothIds(Dataset &ds) {
  for (uint32_t i = 0; i < ds.n; ++i) {
    const TableSpec &t = *ds.spec;
    uint32_t *smooth =
        reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(ds.Entry(i)) + t.smoothOffset);
    *smooth = GroupKey(ds.Group(i)).smoothId;
  }
}

void RunBenchmark(benchmark::State &state, const TableSpec *spec, uint32_t n, Op op,
                  Column column) {
  Dataset &ds = DatasetFor(spec, n);
  const bool sqlite = column == Column::kSqlite;
  const bool hand = column == Column::kFloor;
  auto hold = [&](bool filled) {
    if (sqlite) {
      SqliteHold(ds, filled);
      return false;
    }
    return hand ? HandHold(ds, filled) : EngineHold(ds, filled);
  };
  Holding &holding = sqlite ? g_sqlite : hand ? g_hand : g_engine;

  int64_t ops = 0;
  uint64_t allocations = 0, hookAllocations = 0;
  int64_t heapBytesPerRecord = -1;  // heap growth of a create into a reset engine
  for (auto _ : state) {
    state.PauseTiming();
    const bool cold = hold(op != Op::kCreate);
    const HeapCounters before = Heap();
    const uint64_t hookBefore = g_hookAllocations;
    state.ResumeTiming();

    int64_t done = -1;
    switch (column) {
      case Column::kLibrary:
        done = LibraryPass(ds, op);
        break;
      case Column::kEngine:
        done = EnginePass(ds, op);
        break;
      case Column::kFloor:
        done = FloorPass(ds, op);
        break;
      case Column::kSqlite:
        done = SqlitePass(ds, op);
        break;
    }

    state.PauseTiming();
    const HeapCounters after = Heap();
    allocations += after.allocations - before.allocations;
    hookAllocations += g_hookAllocations - hookBefore;
    if (op == Op::kCreate && cold) heapBytesPerRecord = (after.liveBytes - before.liveBytes) / n;
    if (op == Op::kCreate) holding = {&ds, true};
    if (op == Op::kDelete) holding = {};
    if (op == Op::kUpdate) {
      holding.exact = false;
      RestoreSmoothIds(ds);
    }
    state.ResumeTiming();
    if (done < 0) {
      state.SkipWithError("an operation failed or a walk missed records");
      g_failed = true;
      break;
    }
    ops += done;
  }
  state.SetItemsProcessed(ops);
  if (ops > 0) {
    state.counters["allocs_per_op"] = static_cast<double>(allocations) / static_cast<double>(ops);
    state.counters["lib_allocs_per_op"] =
        static_cast<double>(hookAllocations) / static_cast<double>(ops);
  }
  if (op == Op::kCreate && !sqlite) {
    const uint64_t bytes = hand ? g_handStore->Bytes() : srv6db_engine_table_bytes(spec->id);
    state.counters["bytes_per_record"] = static_cast<double>(bytes) / static_cast<double>(n);
    if (heapBytesPerRecord >= 0) {
      state.counters["heap_bytes_per_record"] = static_cast<double>(heapBytesPerRecord);
    }
    state.counters["raw_bytes_per_record"] = ds.RawBytesPerRecord();
  }
}

void RegisterAll(uint32_t maxRecords) {
  const TableSpec *specs[] = {&kLocalSidSpec, &kPolicySpec, &kSidStackSpec};
  // Filled-table operations first, then the ones that change or empty the table.
  const Op ops[] = {Op::kCreate, Op::kRead,      Op::kUnique, Op::kCount,
                    Op::kWalk,   Op::kWalkByKey, Op::kUpdate, Op::kDelete};
  for (const TableSpec *spec : specs) {
    for (uint32_t n = 10000; n <= maxRecords; n *= 10) {
      for (Op op : ops) {
        if (op == Op::kUnique && spec->uniqueIndex == 0) continue;
        for (Column column : {Column::kLibrary, Column::kEngine, Column::kFloor, Column::kSqlite}) {
          const std::string name = std::string(spec->name) + "/" + kOpNames[static_cast<int>(op)] +
                                   "/" + kColumnNames[static_cast<int>(column)] + "/" +
                                   std::to_string(n);
          benchmark::RegisterBenchmark(name.c_str(), RunBenchmark, spec, n, op, column)
              ->Unit(benchmark::kMillisecond);
        }
      }
    }
  }
}

}  // namespace
}  // namespace srv6db::bench

// --max_records=N (default 1000000) bounds the data set sizes: 10^4, 10^5, ... up to N.
int main(int argc, char **argv) {
  uint32_t maxRecords = 1000000;
  std::vector<char *> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--max_records=", 14) == 0) {
      maxRecords = static_cast<uint32_t>(std::strtoul(argv[i] + 14, nullptr, 10));
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  const Srv6DbMemCallback hooks = {srv6db::bench::HookMalloc, std::free};
  SRV6_DB_InitMem(&hooks);
  benchmark::Initialize(&count, args.data());
  srv6db::bench::RegisterAll(maxRecords);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return srv6db::bench::g_failed ? 1 : 0;
}
