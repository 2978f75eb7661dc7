// SQLite in memory, tuned as an in-memory user would: no journal, no sync, exclusive lock,
// a rowid-less table keyed by the primary key, prepared statements, work in transactions.
#include "bench/sqlite_peer.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace srv6db::bench {
namespace {

std::string Cat(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string &p : parts) out.append(p);
  return out;
}

// Column of secondary index i: k1, k2, ...
std::string Column(uint32_t i) {
  std::string out = "k";
  out.append(std::to_string(i));
  return out;
}

}  // namespace

SqlitePeer::SqlitePeer(uint32_t indexCount, uint32_t groupIndex, uint32_t uniqueIndex)
    : indexCount_(indexCount) {
  if (sqlite3_open(":memory:", &db_) != SQLITE_OK) std::abort();
  Exec("PRAGMA journal_mode=OFF");
  Exec("PRAGMA synchronous=OFF");
  Exec("PRAGMA locking_mode=EXCLUSIVE");
  Exec("PRAGMA temp_store=MEMORY");
  Exec("PRAGMA cache_size=-8000000");  // KiB: the whole database stays in the page cache

  std::string cols = "pk BLOB PRIMARY KEY", names = "pk", params = "?1";
  for (uint32_t i = 1; i < indexCount; ++i) {
    const std::string k = Column(i);
    cols.append(", ").append(k).append(" BLOB");
    names.append(", ").append(k);
    params.append(", ?").append(std::to_string(i + 1));
  }
  Exec(Cat({"CREATE TABLE t(", cols, ", rec BLOB) WITHOUT ROWID"}).c_str());
  for (uint32_t i = 1; i < indexCount; ++i) {
    Exec(Cat({"CREATE INDEX t_", Column(i), " ON t(", Column(i), ")"}).c_str());
  }
  const std::string rec = Cat({"?", std::to_string(indexCount + 1)});
  insert_ =
      Prepare(Cat({"INSERT INTO t(", names, ", rec) VALUES(", params, ", ", rec, ")"}).c_str());
  read_ = Prepare("SELECT rec FROM t WHERE pk = ?1");
  const std::string group = Column(groupIndex);
  update_ = Prepare(Cat({"UPDATE t SET ", group, " = ?2, rec = ?3 WHERE pk = ?1"}).c_str());
  delete_ = Prepare("DELETE FROM t WHERE pk = ?1");
  if (uniqueIndex != 0) {
    unique_ =
        Prepare(Cat({"SELECT rec FROM t WHERE ", Column(uniqueIndex), " = ?1 LIMIT 1"}).c_str());
  }
  count_ = Prepare(Cat({"SELECT count(*) FROM t WHERE ", group, " = ?1"}).c_str());
  walkAll_ = Prepare("SELECT rec FROM t");
  walkGroup_ = Prepare(Cat({"SELECT rec FROM t WHERE ", group, " = ?1"}).c_str());
}

SqlitePeer::~SqlitePeer() {
  for (sqlite3_stmt *s :
       {insert_, read_, update_, delete_, unique_, count_, walkAll_, walkGroup_}) {
    sqlite3_finalize(s);
  }
  sqlite3_close(db_);
}

sqlite3_stmt *SqlitePeer::Prepare(const char *sql) {
  sqlite3_stmt *s = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, sqlite3_errmsg(db_));
    std::abort();
  }
  return s;
}

void SqlitePeer::Exec(const char *sql) {
  if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s: %s\n", sql, sqlite3_errmsg(db_));
    std::abort();
  }
}

void SqlitePeer::Begin() { Exec("BEGIN"); }
void SqlitePeer::Commit() { Exec("COMMIT"); }
void SqlitePeer::Clear() { Exec("DELETE FROM t"); }

namespace {

// Runs a statement that returns no row, then makes it ready for the next use.
bool Done(sqlite3_stmt *s) {
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE;
}

bool CopyRecord(sqlite3_stmt *s, void *record, uint32_t recordLen) {
  if (static_cast<uint32_t>(sqlite3_column_bytes(s, 0)) != recordLen) return false;
  std::memcpy(record, sqlite3_column_blob(s, 0), recordLen);
  return true;
}

bool ReadOne(sqlite3_stmt *s, void *record, uint32_t recordLen) {
  const bool ok = sqlite3_step(s) == SQLITE_ROW && CopyRecord(s, record, recordLen);
  sqlite3_reset(s);
  return ok;
}

int64_t Walk(sqlite3_stmt *s, void *record, uint32_t recordLen) {
  int64_t n = 0;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    if (!CopyRecord(s, record, recordLen)) break;
    ++n;
  }
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? n : -1;
}

}  // namespace

bool SqlitePeer::Insert(const uint8_t *const *keys, const uint32_t *lengths, const void *record,
                        uint32_t recordLen) {
  for (uint32_t i = 0; i < indexCount_; ++i) {
    sqlite3_bind_blob(insert_, static_cast<int>(i + 1), keys[i], static_cast<int>(lengths[i]),
                      SQLITE_STATIC);
  }
  sqlite3_bind_blob(insert_, static_cast<int>(indexCount_ + 1), record, static_cast<int>(recordLen),
                    SQLITE_STATIC);
  return Done(insert_);
}

bool SqlitePeer::Read(const void *pk, uint32_t pkLen, void *record, uint32_t recordLen) {
  sqlite3_bind_blob(read_, 1, pk, static_cast<int>(pkLen), SQLITE_STATIC);
  return ReadOne(read_, record, recordLen);
}

bool SqlitePeer::UpdateGroup(const void *pk, uint32_t pkLen, const void *groupKey,
                             uint32_t groupLen, const void *record, uint32_t recordLen) {
  sqlite3_bind_blob(update_, 1, pk, static_cast<int>(pkLen), SQLITE_STATIC);
  sqlite3_bind_blob(update_, 2, groupKey, static_cast<int>(groupLen), SQLITE_STATIC);
  sqlite3_bind_blob(update_, 3, record, static_cast<int>(recordLen), SQLITE_STATIC);
  return Done(update_) && sqlite3_changes(db_) == 1;
}

bool SqlitePeer::Delete(const void *pk, uint32_t pkLen) {
  sqlite3_bind_blob(delete_, 1, pk, static_cast<int>(pkLen), SQLITE_STATIC);
  return Done(delete_) && sqlite3_changes(db_) == 1;
}

bool SqlitePeer::ReadUnique(const void *key, uint32_t keyLen, void *record, uint32_t recordLen) {
  sqlite3_bind_blob(unique_, 1, key, static_cast<int>(keyLen), SQLITE_STATIC);
  return ReadOne(unique_, record, recordLen);
}

int64_t SqlitePeer::CountGroup(const void *key, uint32_t keyLen) {
  sqlite3_bind_blob(count_, 1, key, static_cast<int>(keyLen), SQLITE_STATIC);
  int64_t n = -1;
  if (sqlite3_step(count_) == SQLITE_ROW) n = sqlite3_column_int64(count_, 0);
  sqlite3_reset(count_);
  return n;
}

int64_t SqlitePeer::WalkAll(void *record, uint32_t recordLen) {
  return Walk(walkAll_, record, recordLen);
}

int64_t SqlitePeer::WalkGroup(const void *key, uint32_t keyLen, void *record, uint32_t recordLen) {
  sqlite3_bind_blob(walkGroup_, 1, key, static_cast<int>(keyLen), SQLITE_STATIC);
  return Walk(walkGroup_, record, recordLen);
}

}  // namespace srv6db::bench
