// The peer a caller would otherwise pick: SQLite in memory holding the same record as a blob
// under the same primary key, with one indexed column per secondary key.
#ifndef SRV6DB_BENCH_SQLITE_PEER_H
#define SRV6DB_BENCH_SQLITE_PEER_H

#include <sqlite3.h>

#include <cstdint>

namespace srv6db::bench {

class SqlitePeer {
 public:
  // indexCount includes the primary key; groupIndex names the column counts and walks use.
  SqlitePeer(uint32_t indexCount, uint32_t groupIndex, uint32_t uniqueIndex);
  ~SqlitePeer();
  SqlitePeer(const SqlitePeer &) = delete;
  SqlitePeer &operator=(const SqlitePeer &) = delete;

  void Begin();
  void Commit();
  void Clear();

  // keys[i] points at the key bytes of index i (0 the primary key), lengths[i] their length.
  bool Insert(const uint8_t *const *keys, const uint32_t *lengths, const void *record,
              uint32_t recordLen);
  bool Read(const void *pk, uint32_t pkLen, void *record, uint32_t recordLen);
  bool UpdateGroup(const void *pk, uint32_t pkLen, const void *groupKey, uint32_t groupLen,
                   const void *record, uint32_t recordLen);
  bool Delete(const void *pk, uint32_t pkLen);
  bool ReadUnique(const void *key, uint32_t keyLen, void *record, uint32_t recordLen);
  int64_t CountGroup(const void *key, uint32_t keyLen);
  // Copies each record out; the number of records, or -1.
  int64_t WalkAll(void *record, uint32_t recordLen);
  int64_t WalkGroup(const void *key, uint32_t keyLen, void *record, uint32_t recordLen);

 private:
  sqlite3_stmt *Prepare(const char *sql);
  void Exec(const char *sql);

  sqlite3 *db_ = nullptr;
  sqlite3_stmt *insert_ = nullptr;
  sqlite3_stmt *read_ = nullptr;
  sqlite3_stmt *update_ = nullptr;
  sqlite3_stmt *delete_ = nullptr;
  sqlite3_stmt *unique_ = nullptr;
  sqlite3_stmt *count_ = nullptr;
  sqlite3_stmt *walkAll_ = nullptr;
  sqlite3_stmt *walkGroup_ = nullptr;
  uint32_t indexCount_;
};

}  // namespace srv6db::bench

#endif  // SRV6DB_BENCH_SQLITE_PEER_H
