// The engine's record operations, walks and control calls on an LMDB store: one write
// transaction per change, the thread's renewed read transaction for reads, counts and batches.
#include "engine/lmdb/lmdb_backend.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/lmdb/environment.h"
#include "engine/runtime/batch.h"
#include "engine/runtime/runtime.h"

namespace srv6db::engine::lmdb {
namespace {

// A stored record: its position in the table, the position at which it joined each secondary
// key it holds (index 1.. in order), then the record.
constexpr uint32_t HeaderSize(const Schema &s) { return 8 * s.indexCount; }
constexpr uint32_t kMaxValue = 8 * kMaxIndexes + kMaxRecord;

uint64_t Load64(const void *p) noexcept {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
void Store64(void *p, uint64_t v) noexcept { std::memcpy(p, &v, 8); }

MDB_val Val(const void *data, size_t size) noexcept {
  return MDB_val{size, const_cast<void *>(data)};
}
MDB_val Val(const KeyBytes &k) noexcept { return Val(k.bytes, k.length); }

// An index entry's data: the join position, big-endian so that a key's entries sort in join
// order, then the record's primary key.
struct Entry {
  uint8_t bytes[8 + kMaxKey];
  uint32_t length;
  Entry(uint64_t join, const KeyBytes &pk) noexcept : length(8 + pk.length) {
    const uint64_t be = __builtin_bswap64(join);
    std::memcpy(bytes, &be, 8);
    std::memcpy(bytes + 8, pk.bytes, pk.length);
  }
  static uint64_t Join(const MDB_val &v) noexcept { return __builtin_bswap64(Load64(v.mv_data)); }
};

// The table's position counter, kept in the meta database: read at the change's first need,
// written back once at its end.
class Counter {
 public:
  Counter(MDB_txn *txn, uint32_t store) noexcept : txn_(txn), key_(store) {}
  int Next(uint64_t *out) noexcept {
    if (!loaded_) {
      if (int rc = Read(txn_, key_, &value_)) return rc;
      loaded_ = true;
    }
    *out = ++value_;
    return 0;
  }
  int Save() noexcept {
    if (!loaded_) return 0;
    MDB_val k = Val(&key_, sizeof(key_)), v = Val(&value_, 8);
    return mdb_put(txn_, g_env.Meta(), &k, &v, 0);
  }
  static int Read(MDB_txn *txn, size_t store, uint64_t *out) noexcept {
    MDB_val k = Val(&store, sizeof(store)), v;
    int rc = mdb_get(txn, g_env.Meta(), &k, &v);
    *out = rc == 0 ? Load64(v.mv_data) : 0;
    return rc == MDB_NOTFOUND ? 0 : rc;
  }

 private:
  MDB_txn *txn_;
  size_t key_;
  uint64_t value_ = 0;
  bool loaded_ = false;
};

uint64_t MetaGet(MDB_txn *txn, size_t key) noexcept {
  MDB_val k = Val(&key, sizeof(key)), v;
  return mdb_get(txn, g_env.Meta(), &k, &v) == 0 ? Load64(v.mv_data) : 0;
}
int MetaPut(MDB_txn *txn, size_t key, uint64_t value) noexcept {
  MDB_val k = Val(&key, sizeof(key)), v = Val(&value, 8);
  return mdb_put(txn, g_env.Meta(), &k, &v, 0);
}

// Appends a change of a table (0..16) to its log, in the change's transaction, as the next
// revision, and trims the log to the retention.
int Append(MDB_txn *txn, uint32_t store, uint32_t kind, const uint8_t *record) noexcept {
  if (store >= kTableCount) return 0;
  const Schema &s = SchemaOf(store);
  const MDB_dbi log = g_env.Dbs(store).log;
  const uint64_t head = MetaGet(txn, kLogHeadKey + store) + 1;
  uint8_t entry[1 + kMaxRecord];
  entry[0] = static_cast<uint8_t>(kind);
  std::memcpy(entry + 1, record, s.recordSize);
  MDB_val k = Val(&head, 8), v = Val(entry, 1 + s.recordSize);
  if (int rc = mdb_put(txn, log, &k, &v, MDB_APPEND)) return rc;
  const uint64_t retention = LogRetention();
  if (head > retention) {
    MDB_cursor *c = nullptr;
    if (int rc = mdb_cursor_open(txn, log, &c)) return rc;
    int rc;
    while ((rc = mdb_cursor_get(c, &k, &v, MDB_FIRST)) == 0 &&
           Load64(k.mv_data) + retention <= head)
      if ((rc = mdb_cursor_del(c, 0))) break;
    mdb_cursor_close(c);
    if (rc != 0 && rc != MDB_NOTFOUND) return rc;
  }
  return MetaPut(txn, kLogHeadKey + store, head);
}

// Runs one change in one write transaction; a full map or reader table is retried once after
// the reader slots of dead processes are freed (a dead reader pins old pages). A change that
// `grows` the store is refused near the end of the map, where only removals may go.
template <typename Apply>
uint32_t Change(Apply &&apply, bool grows = false) noexcept {
  uint32_t code = 0;
  MDB_env *env = g_env.Env(&code);
  if (env == nullptr) return code;
  if (grows && !g_env.RoomToGrow(env)) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
  int rc = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    MDB_txn *txn = nullptr;
    rc = mdb_txn_begin(env, nullptr, 0, &txn);
    if (rc == 0) {
      rc = apply(txn);
      if (rc == 0) {
        rc = mdb_txn_commit(txn);
        if (rc == 0) g_env.Wake();
      } else {
        mdb_txn_abort(txn);
      }
    }
    if (rc != MDB_MAP_FULL && rc != MDB_READERS_FULL) break;
    g_env.ReclaimReaders();
  }
  return CodeOf(rc);
}

// Stores `record` under primary key pk; `old` is the stored value it replaces, or null.
// Index entries whose key changed move and rejoin at a new position; the record keeps its.
int Store(MDB_txn *txn, uint32_t store, const KeyBytes &pk, const uint8_t *old,
          const uint8_t *record, bool logged) noexcept {
  const Schema &s = SchemaOf(store);
  const StoreDbs &d = g_env.Dbs(store);
  const uint32_t header = HeaderSize(s);
  uint8_t value[kMaxValue];
  Counter seq(txn, store);
  int rc = 0;
  uint64_t pos = 0;  // a new record joins each of its keys at its own position
  if (old == nullptr) {
    if ((rc = seq.Next(&pos))) return rc;
    Store64(value, pos);
    MDB_val k = Val(&pos, 8), v = Val(pk);
    if ((rc = mdb_put(txn, d.all, &k, &v, MDB_APPEND))) return rc;
  } else {
    std::memcpy(value, old, 8);
  }
  for (uint32_t i = 1; i < s.indexCount; ++i) {
    KeyBytes now;
    BuildKey(s, i, record, &now);
    uint64_t join;
    if (old != nullptr) {
      KeyBytes was;
      BuildKey(s, i, old + header, &was);
      join = Load64(old + 8 * i);
      if (was == now) {
        Store64(value + 8 * i, join);
        continue;
      }
      Entry e(join, pk);
      MDB_val k = Val(was), v = Val(e.bytes, e.length);
      if ((rc = mdb_del(txn, d.idx[i], &k, &v))) return rc;
    }
    join = pos;
    if (old != nullptr && (rc = seq.Next(&join))) return rc;
    Store64(value + 8 * i, join);
    Entry e(join, pk);
    MDB_val k = Val(now), v = Val(e.bytes, e.length);
    if ((rc = mdb_put(txn, d.idx[i], &k, &v, 0))) return rc;
  }
  std::memcpy(value + header, record, s.recordSize);
  MDB_val k = Val(pk), v = Val(value, header + s.recordSize);
  if ((rc = mdb_put(txn, d.rec, &k, &v, 0))) return rc;
  if (logged &&
      (rc = Append(txn, store,
                   old == nullptr ? SRV6DB_ENGINE_CHANGE_CREATE : SRV6DB_ENGINE_CHANGE_UPDATE,
                   record)))
    return rc;
  return seq.Save();
}

// Copies the stored value of pk into `out`; MDB_NOTFOUND when there is none.
int Fetch(MDB_txn *txn, uint32_t store, const KeyBytes &pk, uint8_t *out) noexcept {
  MDB_val k = Val(pk), v;
  int rc = mdb_get(txn, g_env.Dbs(store).rec, &k, &v);
  if (rc == 0) std::memcpy(out, v.mv_data, v.mv_size < kMaxValue ? v.mv_size : kMaxValue);
  return rc;
}

uint32_t WriteRecord(uint32_t store, const uint8_t *record, bool logged) noexcept {
  if (uint32_t code = g_env.Ready(store)) return code;
  return Change(
      [&](MDB_txn *txn) {
        KeyBytes pk;
        BuildKey(SchemaOf(store), 0, record, &pk);
        uint8_t old[kMaxValue];
        int rc = Fetch(txn, store, pk, old);
        if (rc != 0 && rc != MDB_NOTFOUND) return rc;
        return Store(txn, store, pk, rc == 0 ? old : nullptr, record, logged);
      },
      true);
}

uint32_t RemoveByKey(uint32_t store, const KeyBytes &pk, bool logged) noexcept {
  if (uint32_t code = g_env.Ready(store)) return code;
  return Change([&](MDB_txn *txn) {
    const Schema &s = SchemaOf(store);
    const StoreDbs &d = g_env.Dbs(store);
    uint8_t old[kMaxValue];
    if (int rc = Fetch(txn, store, pk, old)) return rc;
    MDB_val k = Val(old, 8);
    if (int rc = mdb_del(txn, d.all, &k, nullptr)) return rc;
    for (uint32_t i = 1; i < s.indexCount; ++i) {
      KeyBytes key;
      BuildKey(s, i, old + HeaderSize(s), &key);
      Entry e(Load64(old + 8 * i), pk);
      MDB_val ik = Val(key), iv = Val(e.bytes, e.length);
      if (int rc = mdb_del(txn, d.idx[i], &ik, &iv)) return rc;
    }
    if (logged) {
      if (int rc = Append(txn, store, SRV6DB_ENGINE_CHANGE_REMOVE, old + HeaderSize(s))) return rc;
    }
    k = Val(pk);
    return mdb_del(txn, d.rec, &k, nullptr);
  });
}

uint32_t ReadByKey(uint32_t store, const KeyBytes &pk, void *buf, uint32_t len) noexcept {
  if (uint32_t code = g_env.Ready(store)) return code;
  ReadScope rs;
  if (rs.code() != 0) return rs.code();
  MDB_val k = Val(pk), v;
  if (int rc = mdb_get(rs.txn(), g_env.Dbs(store).rec, &k, &v)) return CodeOf(rc);
  const uint32_t header = HeaderSize(SchemaOf(store));
  if (v.mv_size != header + len) return SRV6DB_ENGINE_ERR_SERVER;
  std::memcpy(buf, static_cast<const uint8_t *>(v.mv_data) + header, len);
  return DB_OK;
}

uint64_t Entries(MDB_txn *txn, MDB_dbi dbi) noexcept {
  MDB_stat st;
  return mdb_stat(txn, dbi, &st) == 0 ? st.ms_entries : 0;
}

// A walk's state in its object: the last position yielded and the position counter's value
// when the walk began (records that join later are not yielded). All zero: never made.
struct Walk {
  uint64_t after;
  uint64_t highWater;
  uint32_t index;  // 0: the whole table
  bool ended;
  KeyBytes key;
  BatchSpace space;  // a batch is taken in one read transaction
};
static_assert(sizeof(Walk) <= kWalkBytes);

Walk &WalkOf(Object &o) noexcept { return *std::launder(reinterpret_cast<Walk *>(o.walk)); }

// Takes up to max records of a walk into out; the number taken.
uint32_t TakeBatch(ReadScope &rs, uint32_t store, Walk &w, uint8_t *out, uint32_t max,
                   int *rc) noexcept {
  const Schema &s = SchemaOf(store);
  const StoreDbs &d = g_env.Dbs(store);
  const uint32_t header = HeaderSize(s);
  MDB_cursor *c = rs.Cursor(w.index == 0 ? d.all : d.idx[w.index]);
  if (c == nullptr) {
    *rc = MDB_PANIC;
    return 0;
  }
  uint32_t n = 0;
  MDB_val k, v;
  uint64_t from = w.after + 1;
  if (w.index == 0) {
    k = Val(&from, 8);
    *rc = mdb_cursor_get(c, &k, &v, MDB_SET_RANGE);
  } else {
    KeyBytes none;
    none.length = s.indexes[0].keyWord & 0xFFFFu;
    std::memset(none.bytes, 0, none.length);
    Entry first(from, none);
    k = Val(w.key);
    v = Val(first.bytes, first.length);
    *rc = mdb_cursor_get(c, &k, &v, MDB_GET_BOTH_RANGE);
  }
  while (*rc == 0 && n < max) {
    const uint64_t pos = w.index == 0 ? Load64(k.mv_data) : Entry::Join(v);
    if (pos > w.highWater) {
      w.ended = true;
      break;
    }
    w.after = pos;
    MDB_val pk = w.index == 0 ? v : Val(static_cast<uint8_t *>(v.mv_data) + 8, v.mv_size - 8);
    MDB_val rec;
    if (mdb_get(rs.txn(), d.rec, &pk, &rec) == 0 && rec.mv_size == header + s.recordSize) {
      std::memcpy(out + size_t{n} * s.recordSize, static_cast<uint8_t *>(rec.mv_data) + header,
                  s.recordSize);
      ++n;
    }
    *rc = mdb_cursor_get(c, &k, &v, w.index == 0 ? MDB_NEXT : MDB_NEXT_DUP);
  }
  if (*rc == MDB_NOTFOUND) {
    w.ended = true;
    *rc = 0;
  }
  return n;
}

class LmdbBackend final : public Backend {
 public:
  const char *Name() const noexcept override { return "lmdb"; }

  uint32_t Write(Object &o) noexcept override { return WriteRecord(o.store, o.staged, true); }
  uint32_t Read(Object &o, const KeyBytes &primary, void *buf, uint32_t len) noexcept override {
    return ReadByKey(o.store, primary, buf, len);
  }
  uint32_t Remove(Object &o, const KeyBytes &primary) noexcept override {
    return RemoveByKey(o.store, primary, true);
  }

  uint32_t Update(Object &o, const KeyBytes &primary) noexcept override {
    if (uint32_t code = g_env.Ready(o.store)) return code;
    return Change([&](MDB_txn *txn) {
      const Schema &s = SchemaOf(o.store);
      uint8_t old[kMaxValue], record[kMaxRecord];
      if (int rc = Fetch(txn, o.store, primary, old)) return rc;
      std::memcpy(record, old + HeaderSize(s), s.recordSize);
      if (o.hasSmoothId) std::memcpy(record + s.smoothIdOffset, &o.smoothId, 4);
      if (o.hasDiscriminator) std::memcpy(record + s.discriminatorOffset, &o.discriminator, 4);
      return Store(txn, o.store, primary, old, record, true);
    });
  }

  uint32_t Count(Object &o, const ParsedKey &key, uint64_t *count) noexcept override {
    if (uint32_t code = g_env.Ready(o.store)) return code;
    ReadScope rs;
    if (rs.code() != 0) return rs.code();
    const StoreDbs &d = g_env.Dbs(o.store);
    if (key.whole) {
      *count = Entries(rs.txn(), d.rec);
      return DB_OK;
    }
    MDB_val k = Val(key.bytes), v;
    int rc;
    if (key.index == 0) {
      rc = mdb_get(rs.txn(), d.rec, &k, &v);
      *count = rc == 0 ? 1 : 0;
    } else {
      MDB_cursor *c = rs.Cursor(d.idx[key.index]);
      if (c == nullptr) return SRV6DB_ENGINE_ERR_SERVER;
      size_t n = 0;
      rc = mdb_cursor_get(c, &k, &v, MDB_SET);
      if (rc == 0) rc = mdb_cursor_count(c, &n);
      *count = n;
    }
    return rc == 0 || rc == MDB_NOTFOUND ? DB_OK : CodeOf(rc);
  }

  uint32_t StartWalk(Object &o, const ParsedKey &key) noexcept override {
    if (uint32_t code = g_env.Ready(o.store)) return code;
    ReadScope rs;
    if (rs.code() != 0) return rs.code();
    Walk &w = WalkOf(o);
    if (int rc = Counter::Read(rs.txn(), o.store, &w.highWater)) return CodeOf(rc);
    w.after = 0;
    w.ended = false;
    w.index = key.whole ? 0 : key.index;
    w.key = key.bytes;
    return DB_OK;
  }

  uint32_t NextBatch(Object &o) noexcept override {
    Walk &w = WalkOf(o);
    if (w.ended) return DB_ERR_ITER_END;
    uint32_t max;
    uint8_t *out = w.space.Take(o.countHint, o.recordSize, &max);
    if (uint32_t code = g_env.Ready(o.store)) return code;
    ReadScope rs;
    if (rs.code() != 0) return rs.code();
    int rc = 0;
    const uint32_t n = TakeBatch(rs, o.store, w, out, max, &rc);
    if (rc != 0) return CodeOf(rc);
    if (n == 0) {
      w.ended = true;
      return DB_ERR_ITER_END;
    }
    o.taken = out;
    o.batchCount = n;
    return DB_OK;
  }

  void StopWalk(Object &o) noexcept override { WalkOf(o).ended = true; }

  // Empties every table and log; the logs move to a new epoch.
  void Reset() noexcept override { Clear(0, kStoreCount, true); }
  void ClearTable(uint32_t table) noexcept override { Clear(table, table + 1, false); }

  uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf,
                     uint32_t len) noexcept override {
    return ReadByKey(table, primary, buf, len);
  }
  uint32_t PutRecord(uint32_t table, const void *record) noexcept override {
    return WriteRecord(table, static_cast<const uint8_t *>(record), false);
  }
  uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept override {
    return RemoveByKey(table, primary, false);
  }

  uint64_t RecordCount(uint32_t table) noexcept override {
    if (g_env.Ready(table) != 0) return 0;
    ReadScope rs;
    return rs.code() == 0 ? Entries(rs.txn(), g_env.Dbs(table).rec) : 0;
  }

  // Pages the table's databases take, at the store's page size.
  uint64_t TableBytes(uint32_t table) noexcept override {
    if (g_env.Ready(table) != 0) return 0;
    ReadScope rs;
    if (rs.code() != 0) return 0;
    const StoreDbs &d = g_env.Dbs(table);
    uint64_t bytes = 0;
    auto add = [&](MDB_dbi dbi) {
      MDB_stat st;
      if (mdb_stat(rs.txn(), dbi, &st) == 0)
        bytes +=
            uint64_t{st.ms_psize} * (st.ms_branch_pages + st.ms_leaf_pages + st.ms_overflow_pages);
    };
    add(d.rec);
    add(d.all);
    for (uint32_t i = 1; i < SchemaOf(table).indexCount; ++i) add(d.idx[i]);
    return bytes;
  }

  // In a transaction of its own: the visitor may take its time, and the thread's is free.
  uint32_t Visit(uint32_t table, Srv6DbEngineVisitor visitor, void *user) noexcept override {
    if (uint32_t code = g_env.Ready(table)) return code;
    Snapshot snap;
    if (snap.code != 0) return snap.code;
    const Schema &s = SchemaOf(table);
    const StoreDbs &d = g_env.Dbs(table);
    MDB_cursor *c = nullptr;
    int rc = mdb_cursor_open(snap.txn, d.all, &c);
    MDB_val k, v, rec;
    for (rc = rc == 0 ? mdb_cursor_get(c, &k, &v, MDB_FIRST) : rc; rc == 0;
         rc = mdb_cursor_get(c, &k, &v, MDB_NEXT)) {
      if (mdb_get(snap.txn, d.rec, &v, &rec) != 0 || rec.mv_size != HeaderSize(s) + s.recordSize)
        continue;
      if (visitor(static_cast<uint8_t *>(rec.mv_data) + HeaderSize(s), s.recordSize, user) != 0)
        break;
    }
    if (c != nullptr) mdb_cursor_close(c);
    return rc == 0 || rc == MDB_NOTFOUND ? DB_OK : CodeOf(rc);
  }

  uint32_t Check(Srv6DbEngineProblem report, void *user, uint64_t *problems) noexcept override;

  uint32_t LogHead(Srv6DbEngineCursor *head) noexcept override {
    if (uint32_t code = g_env.Ready(head->table)) return code;
    ReadScope rs;
    if (rs.code() != 0) return rs.code();
    head->epoch = MetaGet(rs.txn(), kEpochKey);
    head->revision = MetaGet(rs.txn(), kLogHeadKey + head->table);
    return DB_OK;
  }

  // Waits on the shared word beside the store: a commit of any process bumps it.
  uint32_t ReadLog(Srv6DbEngineCursor *cursors, uint32_t n, Srv6DbEngineChange *out,
                   uint32_t capacity, uint32_t *count, uint32_t timeoutMs) noexcept override {
    for (uint32_t i = 0; i < n; ++i)
      if (uint32_t code = g_env.Ready(cursors[i].table)) return code;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const uint32_t seen = g_env.WakeSeq();
      *count = 0;
      const uint32_t code = Collect(cursors, n, out, capacity, count);
      if (code != DB_OK || *count != 0 || timeoutMs == 0) return code;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) return DB_OK;
      g_env.WaitForCommit(seen, static_cast<uint32_t>(left));
    }
  }

 private:
  // A read-only transaction of its own, for long control calls.
  struct Snapshot {
    MDB_txn *txn = nullptr;
    uint32_t code = 0;
    Snapshot() noexcept {
      MDB_env *env = g_env.Env(&code);
      if (env == nullptr) return;
      int rc = mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
      if (rc == MDB_READERS_FULL) {
        g_env.ReclaimReaders();
        rc = mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn);
      }
      if (rc != 0) {
        txn = nullptr;
        code = CodeOf(rc);
      }
    }
    ~Snapshot() {
      if (txn != nullptr) mdb_txn_abort(txn);
    }
  };

  // One snapshot of every cursor's log: the gap code if any cannot be served in full, else up
  // to capacity entries, each cursor's fair share first, then whatever room is left.
  static uint32_t Collect(Srv6DbEngineCursor *cursors, uint32_t n, Srv6DbEngineChange *out,
                          uint32_t capacity, uint32_t *count) noexcept {
    ReadScope rs;
    if (rs.code() != 0) return rs.code();
    const uint64_t epoch = MetaGet(rs.txn(), kEpochKey);
    uint64_t heads[kMaxCursors], reached[kMaxCursors];
    bool gap = false;
    for (uint32_t i = 0; i < n; ++i) {
      Srv6DbEngineCursor &c = cursors[i];
      heads[i] = MetaGet(rs.txn(), kLogHeadKey + c.table);
      reached[i] = c.revision;
      MDB_cursor *lc = rs.Cursor(g_env.Dbs(c.table).log);
      if (lc == nullptr) return SRV6DB_ENGINE_ERR_SERVER;
      MDB_val k, v;
      const uint64_t oldest =
          mdb_cursor_get(lc, &k, &v, MDB_FIRST) == 0 ? Load64(k.mv_data) : heads[i] + 1;
      if (c.epoch == epoch && c.revision <= heads[i] && c.revision + 1 >= oldest) continue;
      c.gap = 1;
      c.lost = c.epoch != epoch || c.revision > heads[i] ? UINT64_MAX : oldest - 1 - c.revision;
      gap = true;
    }
    if (gap) return SRV6DB_ENGINE_ERR_LOG_GAP;
    uint32_t got = 0;
    const uint32_t share = capacity / n != 0 ? capacity / n : 1;
    for (uint32_t pass = 0; pass < 2 && got < capacity; ++pass) {
      for (uint32_t i = 0; i < n && got < capacity; ++i) {
        const Schema &s = SchemaOf(cursors[i].table);
        const uint32_t room = capacity - got;
        uint32_t max = pass == 0 && share < room ? share : room;
        MDB_cursor *lc = rs.Cursor(g_env.Dbs(cursors[i].table).log);
        uint64_t from = reached[i] + 1;
        MDB_val k = Val(&from, 8), v;
        for (int rc = mdb_cursor_get(lc, &k, &v, MDB_SET_RANGE); rc == 0 && max != 0;
             rc = mdb_cursor_get(lc, &k, &v, MDB_NEXT), --max) {
          Srv6DbEngineChange &c = out[got++];
          const uint8_t *entry = static_cast<const uint8_t *>(v.mv_data);
          c.table = cursors[i].table;
          c.kind = entry[0];
          c.revision = Load64(k.mv_data);
          c.recordLength = s.recordSize;
          std::memcpy(c.record, entry + 1, s.recordSize);
          KeyBytes key;
          BuildKey(s, 0, c.record, &key);
          c.keyLength = key.length;
          std::memcpy(c.key, key.bytes, key.length);
          reached[i] = c.revision;
        }
      }
    }
    for (uint32_t i = 0; i < n; ++i) cursors[i].revision = reached[i];
    *count = got;
    return DB_OK;
  }

  static void Clear(uint32_t from, uint32_t to, bool logs) noexcept {
    for (uint32_t t = from; t < to; ++t)
      if (g_env.Ready(t) != 0) return;
    Change([&](MDB_txn *txn) {
      for (uint32_t t = from; t < to; ++t) {
        const StoreDbs &d = g_env.Dbs(t);
        if (int rc = mdb_drop(txn, d.rec, 0)) return rc;
        if (int rc = mdb_drop(txn, d.all, 0)) return rc;
        for (uint32_t i = 1; i < SchemaOf(t).indexCount; ++i)
          if (int rc = mdb_drop(txn, d.idx[i], 0)) return rc;
        if (!logs) continue;
        if (int rc = mdb_drop(txn, d.log, 0)) return rc;
        if (int rc = MetaPut(txn, kLogHeadKey + t, 0)) return rc;
      }
      return logs ? MetaPut(txn, kEpochKey, MetaGet(txn, kEpochKey) + 1) : 0;
    });
  }
};

// ---- Integrity check ----

// Reports problems of one table: each line names the table and what is wrong.
class Checker {
 public:
  Checker(MDB_txn *txn, uint32_t store, Srv6DbEngineProblem report, void *user)
      : txn_(txn),
        store_(store),
        s_(SchemaOf(store)),
        d_(g_env.Dbs(store)),
        report_(report),
        user_(user) {}

  uint64_t Run() noexcept {
    const uint64_t records = Entries(txn_, d_.rec);
    Scan(d_.rec, [&](const MDB_val &k, const MDB_val &v) { CheckRecord(k, v); });
    Scan(d_.all, [&](const MDB_val &k, const MDB_val &v) {
      uint8_t value[kMaxValue];
      if (!Lookup(v, value, "a position entry names no record")) return;
      if (Load64(value) != Load64(k.mv_data))
        Problem("a position entry names a record at another position", v);
    });
    CountsAgree(d_.all, records, "positions");
    for (uint32_t i = 1; i < s_.indexCount; ++i) {
      Scan(d_.idx[i], [&](const MDB_val &k, const MDB_val &v) {
        const MDB_val pk = Val(static_cast<uint8_t *>(v.mv_data) + 8, v.mv_size - 8);
        uint8_t value[kMaxValue];
        if (!Lookup(pk, value, "an index entry names no record")) return;
        KeyBytes key;
        BuildKey(s_, i, value + HeaderSize(s_), &key);
        if (key.length != k.mv_size || std::memcmp(key.bytes, k.mv_data, key.length) != 0 ||
            Load64(value + 8 * i) != Entry::Join(v))
          Problem("an index entry names a record that does not hold its key", pk, i);
      });
      CountsAgree(d_.idx[i], records, "index entries");
    }
    return problems_;
  }

 private:
  template <typename F>
  void Scan(MDB_dbi dbi, F &&each) noexcept {
    MDB_cursor *c = nullptr;
    if (mdb_cursor_open(txn_, dbi, &c) != 0) return Problem("cannot read a database");
    MDB_val k, v;
    for (int rc = mdb_cursor_get(c, &k, &v, MDB_FIRST); rc == 0;
         rc = mdb_cursor_get(c, &k, &v, MDB_NEXT))
      each(k, v);
    mdb_cursor_close(c);
  }

  void CheckRecord(const MDB_val &k, const MDB_val &v) noexcept {
    const uint32_t header = HeaderSize(s_);
    if (v.mv_size != header + s_.recordSize) return Problem("a record of the wrong length", k);
    const uint8_t *value = static_cast<const uint8_t *>(v.mv_data);
    KeyBytes pk;
    BuildKey(s_, 0, value + header, &pk);
    if (pk.length != k.mv_size || std::memcmp(pk.bytes, k.mv_data, pk.length) != 0)
      return Problem("a record stored under another primary key", k);
    MDB_val pk2 = Val(&value[0], 8), found;
    if (mdb_get(txn_, d_.all, &pk2, &found) != 0 || found.mv_size != pk.length ||
        std::memcmp(found.mv_data, pk.bytes, pk.length) != 0)
      Problem("a record missing from the positions", k);
    for (uint32_t i = 1; i < s_.indexCount; ++i) {
      KeyBytes key;
      BuildKey(s_, i, value + header, &key);
      Entry e(Load64(value + 8 * i), pk);
      MDB_cursor *c = nullptr;
      MDB_val ik = Val(key), iv = Val(e.bytes, e.length);
      if (mdb_cursor_open(txn_, d_.idx[i], &c) != 0 ||
          mdb_cursor_get(c, &ik, &iv, MDB_GET_BOTH) != 0)
        Problem("a record missing from an index", k, i);
      if (c != nullptr) mdb_cursor_close(c);
    }
  }

  bool Lookup(const MDB_val &pk, uint8_t *value, const char *what) noexcept {
    MDB_val k = pk, v;
    if (mdb_get(txn_, d_.rec, &k, &v) == 0 && v.mv_size == HeaderSize(s_) + s_.recordSize) {
      std::memcpy(value, v.mv_data, v.mv_size);
      return true;
    }
    Problem(what, pk);
    return false;
  }

  void CountsAgree(MDB_dbi dbi, uint64_t records, const char *what) noexcept {
    const uint64_t n = Entries(txn_, dbi);
    if (n == records) return;
    char text[160];
    std::snprintf(text, sizeof(text), "%llu %s for %llu records",
                  static_cast<unsigned long long>(n), what,
                  static_cast<unsigned long long>(records));
    Problem(text);
  }

  // One problem: what is wrong, the primary key (in hex) and the index it concerns, if any.
  void Problem(const char *what, const MDB_val &key = MDB_val{0, nullptr},
               uint32_t index = 0) noexcept {
    char hex[2 * kMaxKey + 1] = {};
    for (size_t i = 0; i < key.mv_size && i < kMaxKey; ++i)
      std::snprintf(hex + 2 * i, 3, "%02x", static_cast<const uint8_t *>(key.mv_data)[i]);
    char line[256];
    int n = std::snprintf(line, sizeof(line), "%s: %s", s_.name, what);
    if (key.mv_size != 0 && n > 0 && size_t(n) < sizeof(line))
      n += std::snprintf(line + n, sizeof(line) - size_t(n), " (key %s)", hex);
    if (index != 0 && n > 0 && size_t(n) < sizeof(line))
      std::snprintf(line + n, sizeof(line) - size_t(n), " (index %u)", index);
    ++problems_;
    if (report_ != nullptr) report_(store_, line, user_);
  }

  MDB_txn *txn_;
  uint32_t store_;
  const Schema &s_;
  const StoreDbs &d_;
  Srv6DbEngineProblem report_;
  void *user_;
  uint64_t problems_ = 0;
};

uint32_t LmdbBackend::Check(Srv6DbEngineProblem report, void *user, uint64_t *problems) noexcept {
  for (uint32_t t = 0; t < kStoreCount; ++t)
    if (uint32_t code = g_env.Ready(t)) return code;
  Snapshot snap;
  if (snap.code != 0) return snap.code;
  *problems = 0;
  for (uint32_t t = 0; t < kStoreCount; ++t) *problems += Checker(snap.txn, t, report, user).Run();
  return DB_OK;
}

bool Claims(const char *url) noexcept { return url != nullptr && !std::strncmp(url, "lmdb:", 5); }

// One backend for the process, never destroyed; a later open points it at another store.
Backend *Open(const char *url, uint32_t *code) noexcept {
  static LmdbBackend *backend = new LmdbBackend;
  Options options;
  if (!ParseUrl(url, &options)) {
    std::fprintf(stderr, "srv6db engine: cannot parse the store URL %s\n", url);
    g_env.Refuse(SRV6DB_ENGINE_ERR_BAD_URL);
    *code = SRV6DB_ENGINE_ERR_BAD_URL;
    return backend;
  }
  *code = g_env.Configure(options);
  return backend;
}

}  // namespace

const BackendType kType = {Claims, Open};

}  // namespace srv6db::engine::lmdb
