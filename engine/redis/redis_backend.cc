// The engine's record operations and shared control calls on Redis.
#include "engine/redis/redis_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "engine/redis/connection.h"
#include "engine/runtime/runtime.h"

namespace srv6db::engine::redis {
namespace {

constexpr uint32_t kMaxBatch = 1024;
constexpr uint32_t kClearBatch = 1000;

// The name of one of a table's keys, built on the stack: srv6db:{<table>}:<suffix>[<bytes>].
struct KeyName {
  char text[160];
  size_t length;
  KeyName(uint32_t store, const char *suffix, const KeyBytes *key = nullptr) {
    int n =
        std::snprintf(text, sizeof(text) - kMaxKey, "srv6db:{%s}:%s", SchemaOf(store).name, suffix);
    length = static_cast<size_t>(n);
    if (key != nullptr) {
      std::memcpy(text + length, key->bytes, key->length);
      length += key->length;
    }
  }
};

struct Number {
  char text[24];
  size_t length;
  explicit Number(uint64_t v) {
    length = static_cast<size_t>(
        std::snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(v)));
  }
};

uint32_t Run(std::initializer_list<std::pair<const char *, size_t>> args, bool idempotent,
             Reply *out) noexcept {
  const char *argv[16];
  size_t lens[16];
  int argc = 0;
  for (const auto &a : args) {
    argv[argc] = a.first;
    lens[argc++] = a.second;
  }
  return Command(argc, argv, lens, idempotent, out);
}

std::pair<const char *, size_t> Arg(const char *s) { return {s, std::strlen(s)}; }

// A position read back from the server: digits only, below 2^53 (what a score holds exactly).
bool Position(const char *s, size_t len, uint64_t *out) noexcept {
  if (len == 0 || len > 16) return false;
  uint64_t v = 0;
  for (size_t i = 0; i < len; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
  }
  *out = v;
  return v < uint64_t{1} << 53;
}
std::pair<const char *, size_t> Arg(const KeyName &n) { return {n.text, n.length}; }
std::pair<const char *, size_t> Arg(const Number &n) { return {n.text, n.length}; }
std::pair<const char *, size_t> Arg(const KeyBytes &k) {
  return {reinterpret_cast<const char *>(k.bytes), k.length};
}

// The integer a function answered (an engine code), or `code` when the call failed.
uint32_t CodeOf(uint32_t code, const Reply &r) noexcept {
  if (code != 0) return code;
  return r->type == REDIS_REPLY_INTEGER ? static_cast<uint32_t>(r->integer)
                                        : SRV6DB_ENGINE_ERR_SERVER;
}

// Calls change function `function` of table `store`: the six keys a change names, in the order
// the functions take them, then `args`. Never repeated: a change is not idempotent.
uint32_t RunChange(const char *function, uint32_t store,
                   std::initializer_list<std::pair<const char *, size_t>> args) noexcept {
  const KeyName keys[6] = {{store, "rec"},    {store, "all"}, {store, "seq"},
                           {store, "layout"}, {store, "log"}, {store, "epoch"}};
  const char *argv[16] = {"FCALL", function, "6"};
  size_t lens[16] = {5, std::strlen(function), 1};
  int argc = 3;
  for (const KeyName &k : keys) {
    argv[argc] = k.text;
    lens[argc++] = k.length;
  }
  for (const auto &a : args) {
    argv[argc] = a.first;
    lens[argc++] = a.second;
  }
  Reply r;
  return CodeOf(Command(argc, argv, lens, false, &r), r);
}

// The retention a change trims its log to; "0" for raw access, which is not logged.
Number Keep(bool logged) { return Number(logged ? LogRetention() : 0); }

uint32_t WriteRecord(uint32_t store, const void *record, bool logged) noexcept {
  Number tid(store), keep = Keep(logged);
  return RunChange(
      "srv6db_write", store,
      {Arg(tid), {static_cast<const char *>(record), SchemaOf(store).recordSize}, Arg(keep)});
}

uint32_t RemoveByKey(uint32_t store, const KeyBytes &primary, bool logged) noexcept {
  Number tid(store), keep = Keep(logged);
  return RunChange("srv6db_remove", store, {Arg(tid), Arg(primary), Arg(keep)});
}

uint32_t ReadByKey(uint32_t store, const KeyBytes &primary, void *buf, uint32_t len) noexcept {
  KeyName rec(store, "rec");
  Reply r;
  if (uint32_t code = Run({Arg("HGET"), Arg(rec), Arg(primary)}, true, &r)) return code;
  if (r->type == REDIS_REPLY_NIL) return DB_ERR_NO_RECORD;
  if (r->type != REDIS_REPLY_STRING || r->len != len) return SRV6DB_ENGINE_ERR_SERVER;
  std::memcpy(buf, r->str, len);
  return DB_OK;
}

uint64_t Integer(std::initializer_list<std::pair<const char *, size_t>> args) noexcept {
  Reply r;
  if (Run(args, true, &r) != 0 || r->type != REDIS_REPLY_INTEGER) return 0;
  return static_cast<uint64_t>(r->integer);
}

// A walk: a sorted set read in batches after a position, up to the position counter's value
// when the walk began (records that join later are not yielded).
struct Walk {
  uint32_t store = 0;
  KeyName zset;
  uint64_t after = 0;
  uint64_t highWater = 0;
  bool ended = false;
  uint32_t count = 0;  // records in the batch
  std::vector<uint8_t> batch;

  Walk(uint32_t s, const KeyName &z) : store(s), zset(z) {}

  // Fetches the next batch of up to n records; 0, 110012 at the end, or a failure code.
  uint32_t Fetch(uint32_t n) noexcept {
    KeyName rec(store, "rec");
    Number from(after), to(highWater), limit(n);
    Reply r;
    if (uint32_t code = Run({Arg("FCALL_RO"), Arg("srv6db_walk"), Arg("2"), Arg(zset), Arg(rec),
                             Arg(from), Arg(to), Arg(limit)},
                            true, &r))
      return code;
    if (r->type != REDIS_REPLY_ARRAY || r->elements % 2 != 0) return SRV6DB_ENGINE_ERR_SERVER;
    const uint32_t size = SchemaOf(store).recordSize;
    const uint32_t got = static_cast<uint32_t>(r->elements / 2);
    if (got == 0) {
      ended = true;
      count = 0;
      return DB_ERR_ITER_END;
    }
    if (batch.size() < size_t{got} * size) batch.resize(size_t{got} * size);
    for (uint32_t i = 0; i < got; ++i) {
      const redisReply *rec = r->element[2 * i + 1];
      if (rec->type != REDIS_REPLY_STRING || rec->len != size) return SRV6DB_ENGINE_ERR_SERVER;
      std::memcpy(batch.data() + size_t{i} * size, rec->str, size);
    }
    // Positions must rise past the last one seen and stay within the walk: a bad one would
    // repeat the walk forever or end it early.
    const redisReply *last = r->element[r->elements - 2];
    uint64_t next = 0;
    if (last->type != REDIS_REPLY_STRING || !Position(last->str, last->len, &next) ||
        next <= after || next > highWater)
      return SRV6DB_ENGINE_ERR_SERVER;
    after = next;
    count = got;
    return DB_OK;
  }
};

// The server's tables and feeds; a Redis function does each change atomically.
class RedisBackend final : public Backend {
 public:
  const char *Name() const noexcept override { return "redis"; }
  uint32_t Write(Object &o) noexcept override { return WriteRecord(o.store, o.staged, true); }
  uint32_t Read(Object &o, const KeyBytes &primary, void *buf, uint32_t len) noexcept override {
    return ReadByKey(o.store, primary, buf, len);
  }
  uint32_t Remove(Object &o, const KeyBytes &primary) noexcept override {
    return RemoveByKey(o.store, primary, true);
  }
  uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf,
                     uint32_t len) noexcept override {
    return ReadByKey(table, primary, buf, len);
  }
  uint32_t PutRecord(uint32_t table, const void *record) noexcept override {
    return WriteRecord(table, record, false);
  }
  uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept override {
    return RemoveByKey(table, primary, false);
  }
  uint64_t TableBytes(uint32_t) noexcept override { return 0; }  // the server's memory is its own

  uint32_t Count(Object &o, const ParsedKey &key, uint64_t *count) noexcept override {
    KeyName rec(o.store, "rec");
    char suffix[8];
    std::snprintf(suffix, sizeof(suffix), "k%u:", key.index);
    KeyName zset(o.store, suffix, &key.bytes);
    Reply r;
    uint32_t code = key.whole        ? Run({Arg("HLEN"), Arg(rec)}, true, &r)
                    : key.index == 0 ? Run({Arg("HEXISTS"), Arg(rec), Arg(key.bytes)}, true, &r)
                                     : Run({Arg("ZCARD"), Arg(zset)}, true, &r);
    if (code != 0) return code;
    if (r->type != REDIS_REPLY_INTEGER) return SRV6DB_ENGINE_ERR_SERVER;
    *count = static_cast<uint64_t>(r->integer);
    return DB_OK;
  }

  uint32_t Update(Object &o, const KeyBytes &primary) noexcept override {
    Number tid(o.store), keep = Keep(true);
    uint8_t smooth[4], disc[4];
    std::memcpy(smooth, &o.smoothId, 4);
    std::memcpy(disc, &o.discriminator, 4);
    return RunChange("srv6db_update", o.store,
                     {Arg(tid),
                      Arg(primary),
                      {reinterpret_cast<const char *>(smooth), o.hasSmoothId ? 4u : 0u},
                      {reinterpret_cast<const char *>(disc), o.hasDiscriminator ? 4u : 0u},
                      Arg(keep)});
  }

  uint32_t StartWalk(Object &o, const ParsedKey &key) noexcept override {
    KeyName seq(o.store, "seq");
    Reply r;
    if (uint32_t code = Run({Arg("GET"), Arg(seq)}, true, &r)) return code;
    char suffix[8];
    std::snprintf(suffix, sizeof(suffix), "k%u:", key.index);
    Walk *w = new (std::nothrow)
        Walk(o.store, key.whole ? KeyName(o.store, "all") : KeyName(o.store, suffix, &key.bytes));
    if (w == nullptr) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
    if (r->type == REDIS_REPLY_STRING ? !Position(r->str, r->len, &w->highWater)
                                      : r->type != REDIS_REPLY_NIL) {
      delete w;
      return SRV6DB_ENGINE_ERR_SERVER;
    }
    WalkOf(o) = w;
    return DB_OK;
  }

  uint32_t NextBatch(Object &o) noexcept override {
    Walk *w = WalkOf(o);
    if (w == nullptr || w->ended) return DB_ERR_ITER_END;
    const uint32_t hint = o.countHint;
    const uint32_t r = w->Fetch(hint == 0 ? 1 : std::min(hint, kMaxBatch));  // unset: exact
    if (r == DB_OK) {
      o.taken = w->batch.data();
      o.batchCount = w->count;
    }
    return r;
  }

  void StopWalk(Object &o) noexcept override {
    Walk *&w = WalkOf(o);
    delete w;
    w = nullptr;
  }

  void ClearTable(uint32_t table) noexcept override {
    Number tid(table), n(kClearBatch);
    KeyName rec(table, "rec"), all(table, "all"), layout(table, "layout");
    // Bounded calls: a large table is cleared a thousand records at a time.
    for (uint32_t round = 0; round < 1u << 20; ++round)
      if (Integer({Arg("FCALL"), Arg("srv6db_clear"), Arg("3"), Arg(rec), Arg(all), Arg(layout),
                   Arg(tid), Arg(n)}) == 0)
        break;
  }

  void Reset() noexcept override {
    for (uint32_t s = 0; s < kStoreCount; ++s) {
      ClearTable(s);
      KeyName log(s, "log"), epoch(s, "epoch");
      Integer({Arg("FCALL"), Arg("srv6db_log_reset"), Arg("2"), Arg(log), Arg(epoch)});
    }
  }

  uint64_t RecordCount(uint32_t table) noexcept override {
    KeyName rec(table, "rec");
    return Integer({Arg("HLEN"), Arg(rec)});
  }

  uint32_t Visit(uint32_t table, Srv6DbEngineVisitor visitor, void *user) noexcept override {
    Walk w(table, KeyName(table, "all"));
    w.highWater = UINT64_MAX >> 11;  // every position a double holds exactly
    for (;;) {
      uint32_t code = w.Fetch(256);
      if (code == DB_ERR_ITER_END) return DB_OK;
      if (code != DB_OK) return code;
      for (uint32_t i = 0; i < w.count; ++i)
        if (visitor(w.batch.data() + i * SchemaOf(table).recordSize, SchemaOf(table).recordSize,
                    user) != 0)
          return DB_OK;
    }
  }

  uint32_t Check(Srv6DbEngineProblem report, void *user, uint64_t *problems) noexcept override {
    for (uint32_t t = 0; t < kStoreCount; ++t) {
      Number tid(t);
      Reply r;
      if (uint32_t code = Run({Arg("FCALL_RO"), Arg("srv6db_check"), Arg("0"), Arg(tid)}, true, &r))
        return code;
      if (r->type != REDIS_REPLY_ARRAY) return SRV6DB_ENGINE_ERR_SERVER;
      for (size_t i = 0; i < r->elements; ++i) {
        ++*problems;
        char line[256];
        std::snprintf(line, sizeof(line), "%s: %s", SchemaOf(t).name, r->element[i]->str);
        if (report != nullptr) report(t, line, user);
      }
    }
    return DB_OK;
  }

  uint32_t LogHead(Srv6DbEngineCursor *head) noexcept override {
    Reply r;
    if (uint32_t code = LogRead(*head, 0, &r)) return code;
    if (r->elements != 3) return SRV6DB_ENGINE_ERR_SERVER;
    head->epoch = std::strtoull(r->element[1]->str, nullptr, 10);
    if (r->element[2]->type != REDIS_REPLY_INTEGER) return SRV6DB_ENGINE_ERR_SERVER;
    head->revision = static_cast<uint64_t>(r->element[2]->integer);
    return DB_OK;
  }

  // Reads each cursor's table with one read-only call; while none has anything, waits in
  // XREAD BLOCK on a connection of its own (at most 2 s at a time, so that a reset, which
  // moves no stream past the cursors, is seen soon) and reads again.
  uint32_t ReadLog(Srv6DbEngineCursor *cursors, uint32_t n, Srv6DbEngineChange *out,
                   uint32_t capacity, uint32_t *count, uint32_t timeoutMs) noexcept override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      uint64_t reached[kMaxCursors], epochs[kMaxCursors];
      uint32_t got = 0, code = DB_OK;
      // Each cursor gets an even share first, so that a busy table cannot starve the others;
      // those that filled theirs take the rest.
      const uint32_t share = capacity / n != 0 ? capacity / n : 1;
      bool full[kMaxCursors];
      for (uint32_t pass = 0; pass < 2 && code == DB_OK; ++pass) {
        for (uint32_t i = 0; i < n && got < capacity; ++i) {
          Srv6DbEngineCursor &c = cursors[i];
          if (pass == 0) {
            reached[i] = c.revision;
            epochs[i] = c.epoch;
          } else if (!full[i]) {
            continue;
          }
          const uint32_t max = pass == 0 && share < capacity - got ? share : capacity - got;
          Srv6DbEngineCursor from = c;
          from.revision = reached[i];
          const uint32_t before = got;
          if (uint32_t failed = Fetch(&from, max, out, &got)) {
            if (failed != SRV6DB_ENGINE_ERR_LOG_GAP) return failed;
            if (pass == 0) {
              c.gap = 1;
              c.lost = from.lost;
              code = failed;
            }
            continue;  // in the second pass: trimmed meanwhile; the next read tells
          }
          if (pass == 0) epochs[i] = from.epoch;
          reached[i] = from.revision;
          full[i] = got - before == max;
        }
      }
      if (code != DB_OK) return code;
      const auto now = std::chrono::steady_clock::now();
      if (got != 0 || timeoutMs == 0 || now >= deadline) {
        for (uint32_t i = 0; i < n; ++i) {
          cursors[i].revision = reached[i];
          cursors[i].epoch = epochs[i];
        }
        *count = got;
        return DB_OK;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
      if (uint32_t failed =
              Block(cursors, n, left.count() < 2000 ? uint32_t(left.count()) + 1 : 2000))
        return failed;
    }
  }

 private:
  // Copies the entries after *c, up to max, to out[*got...]; moves c (epoch and revision), or
  // sets c->lost and answers the gap code.
  static uint32_t Fetch(Srv6DbEngineCursor *c, uint32_t max, Srv6DbEngineChange *out,
                        uint32_t *got) noexcept {
    Reply r;
    if (uint32_t failed = LogRead(*c, max, &r)) return failed;
    if (r->element[0]->integer == 1) {
      if (r->elements != 3 || r->element[2]->type != REDIS_REPLY_INTEGER)
        return SRV6DB_ENGINE_ERR_SERVER;
      const long long lost = r->element[2]->integer;
      c->lost = lost < 0 ? UINT64_MAX : static_cast<uint64_t>(lost);
      return SRV6DB_ENGINE_ERR_LOG_GAP;
    }
    const Schema &schema = SchemaOf(c->table);
    if ((r->elements - 2) % 3 != 0 || (r->elements - 2) / 3 > max) return SRV6DB_ENGINE_ERR_SERVER;
    c->epoch = std::strtoull(r->element[1]->str, nullptr, 10);
    for (size_t e = 2; e < r->elements; e += 3) {
      const redisReply *rev = r->element[e], *kind = r->element[e + 1], *rec = r->element[e + 2];
      if (rev->type != REDIS_REPLY_STRING || kind->type != REDIS_REPLY_STRING ||
          rec->type != REDIS_REPLY_STRING || rec->len != schema.recordSize)
        return SRV6DB_ENGINE_ERR_SERVER;
      Srv6DbEngineChange &ch = out[(*got)++];
      ch.table = c->table;
      ch.kind = static_cast<uint32_t>(std::strtoul(kind->str, nullptr, 10));
      ch.revision = c->revision = std::strtoull(rev->str, nullptr, 10);
      ch.recordLength = schema.recordSize;
      std::memcpy(ch.record, rec->str, rec->len);
      KeyBytes key;
      BuildKey(schema, 0, ch.record, &key);
      ch.keyLength = key.length;
      std::memcpy(ch.key, key.bytes, key.length);
    }
    return DB_OK;
  }

  // One table's srv6db_log_read: entries after the cursor, up to max (0: epoch and head).
  static uint32_t LogRead(const Srv6DbEngineCursor &c, uint32_t max, Reply *r) noexcept {
    KeyName log(c.table, "log"), epoch(c.table, "epoch");
    Number e(c.epoch), at(c.revision), limit(max);
    if (uint32_t code = Run({Arg("FCALL_RO"), Arg("srv6db_log_read"), Arg("2"), Arg(log),
                             Arg(epoch), Arg(e), Arg(at), Arg(limit)},
                            true, r))
      return code;
    if ((*r)->type != REDIS_REPLY_ARRAY || (*r)->elements < 2 ||
        (*r)->element[0]->type != REDIS_REPLY_INTEGER ||
        (*r)->element[1]->type != REDIS_REPLY_STRING)
      return SRV6DB_ENGINE_ERR_SERVER;
    return DB_OK;
  }

  // Waits until one of the cursors' streams has an entry past it, or waitMs pass.
  static uint32_t Block(const Srv6DbEngineCursor *cursors, uint32_t n, uint32_t waitMs) noexcept {
    std::vector<KeyName> logs;
    std::vector<std::string> ids;
    std::vector<const char *> argv;
    std::vector<size_t> lens;
    const std::string ms = std::to_string(waitMs);
    for (const char *a : {"XREAD", "COUNT", "1", "BLOCK", ms.c_str(), "STREAMS"}) {
      argv.push_back(a);
      lens.push_back(std::strlen(a));
    }
    logs.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
      logs.emplace_back(cursors[i].table, "log");
      argv.push_back(logs.back().text);
      lens.push_back(logs.back().length);
      ids.push_back("0-" + std::to_string(cursors[i].revision));
    }
    for (const std::string &id : ids) {
      argv.push_back(id.c_str());
      lens.push_back(id.size());
    }
    Reply r;
    return BlockingCommand(static_cast<int>(argv.size()), argv.data(), lens.data(), waitMs, &r);
  }
  // An object's walk, a pointer in the object's walk bytes: made at StartWalk, deleted at
  // StopWalk (the front door stops every walk before the object is released).
  static Walk *&WalkOf(Object &o) noexcept {
    return *std::launder(reinterpret_cast<Walk **>(o.walk));
  }
};

// Every URL no earlier backend claims: one that does not parse selects Redis all the same.
bool Claims(const char *) noexcept { return true; }

// One backend for the process, never destroyed; a later open only points it at another server.
Backend *Open(const char *url, uint32_t *code) noexcept {
  static RedisBackend *backend = new RedisBackend;
  *code = SetServer(url) ? DB_OK : SRV6DB_ENGINE_ERR_BAD_URL;
  return backend;
}

}  // namespace

const BackendType kType = {Claims, Open};

}  // namespace srv6db::engine::redis
