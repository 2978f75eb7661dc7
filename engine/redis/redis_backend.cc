// The engine's record operations and shared control calls on Redis.
#include "engine/redis/redis_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
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
  const char *argv[8];
  size_t lens[8];
  int argc = 0;
  for (const auto &a : args) {
    argv[argc] = a.first;
    lens[argc++] = a.second;
  }
  return Command(argc, argv, lens, idempotent, out);
}

std::pair<const char *, size_t> Arg(const char *s) { return {s, std::strlen(s)}; }
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

uint32_t WriteRecord(uint32_t store, const void *record, const char *feed) noexcept {
  Number tid(store);
  Reply r;
  uint32_t code = Run({Arg("FCALL"),
                       Arg("srv6db_write"),
                       Arg("0"),
                       Arg(tid),
                       {static_cast<const char *>(record), SchemaOf(store).recordSize},
                       Arg(feed)},
                      false, &r);
  return CodeOf(code, r);
}

uint32_t RemoveByKey(uint32_t store, const KeyBytes &primary, const char *feed) noexcept {
  Number tid(store);
  Reply r;
  uint32_t code = Run(
      {Arg("FCALL"), Arg("srv6db_remove"), Arg("0"), Arg(tid), Arg(primary), Arg(feed)}, false, &r);
  return CodeOf(code, r);
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
    if (uint32_t code = Run({Arg("FCALL_RO"), Arg("srv6db_walk"), Arg("0"), Arg(zset), Arg(rec),
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
    after = std::strtoull(r->element[r->elements - 2]->str, nullptr, 10);
    count = got;
    return DB_OK;
  }
};

// The server's tables and feeds; a Redis function does each change atomically.
class RedisBackend final : public Backend {
 public:
  const char *Name() const noexcept override { return "redis"; }
  uint32_t Write(Object &o) noexcept override { return WriteRecord(o.store, o.staged, "1"); }
  uint32_t Read(Object &o, const KeyBytes &primary, void *buf, uint32_t len) noexcept override {
    return ReadByKey(o.store, primary, buf, len);
  }
  uint32_t Remove(Object &o, const KeyBytes &primary) noexcept override {
    return RemoveByKey(o.store, primary, "1");
  }
  uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf,
                     uint32_t len) noexcept override {
    return ReadByKey(table, primary, buf, len);
  }
  uint32_t PutRecord(uint32_t table, const void *record) noexcept override {
    return WriteRecord(table, record, "0");
  }
  uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept override {
    return RemoveByKey(table, primary, "0");
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
    Number tid(o.store);
    uint8_t smooth[4], disc[4];
    std::memcpy(smooth, &o.smoothId, 4);
    std::memcpy(disc, &o.discriminator, 4);
    Reply r;
    return CodeOf(Run({Arg("FCALL"),
                       Arg("srv6db_update"),
                       Arg("0"),
                       Arg(tid),
                       Arg(primary),
                       {reinterpret_cast<const char *>(smooth), o.hasSmoothId ? 4u : 0u},
                       {reinterpret_cast<const char *>(disc), o.hasDiscriminator ? 4u : 0u}},
                      false, &r),
                  r);
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
    w->highWater = r->type == REDIS_REPLY_STRING ? std::strtoull(r->str, nullptr, 10) : 0;
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
    // Bounded calls: a large table is cleared a thousand records at a time.
    for (uint32_t round = 0; round < 1u << 20; ++round)
      if (Integer({Arg("FCALL"), Arg("srv6db_clear"), Arg("0"), Arg(tid), Arg(n)}) == 0) break;
  }

  void Reset() noexcept override {
    for (uint32_t s = 0; s < kStoreCount; ++s) ClearTable(s);
    Integer({Arg("FCALL"), Arg("srv6db_unsubscribe_all"), Arg("0")});
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

  uint32_t Subscribe(uint32_t capacity, uint32_t *id) noexcept override {
    Number cap(capacity);
    Reply r;
    uint32_t code = Run({Arg("FCALL"), Arg("srv6db_subscribe"), Arg("0"), Arg(cap)}, false, &r);
    if (code != 0) return code;
    if (r->type != REDIS_REPLY_INTEGER) return SRV6DB_ENGINE_ERR_SERVER;
    if (r->integer < 0) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
    *id = static_cast<uint32_t>(r->integer);
    return DB_OK;
  }

  uint32_t Poll(uint32_t id, Srv6DbEngineChange *out) noexcept override {
    Number sub(id);
    Reply r;
    if (uint32_t code = Run({Arg("FCALL"), Arg("srv6db_poll"), Arg("0"), Arg(sub)}, false, &r))
      return code;
    if (r->type == REDIS_REPLY_INTEGER)
      return r->integer < 0 ? SRV6DB_ENGINE_ERR_BAD_HANDLE : SRV6DB_ENGINE_ERR_QUEUE_EMPTY;
    // Fields t (table), k (kind), r (record).
    if (r->type != REDIS_REPLY_ARRAY || r->elements != 6) return SRV6DB_ENGINE_ERR_SERVER;
    uint32_t table = static_cast<uint32_t>(std::strtoul(r->element[1]->str, nullptr, 10));
    const redisReply *rec = r->element[5];
    if (table >= kStoreCount || rec->len != SchemaOf(table).recordSize)
      return SRV6DB_ENGINE_ERR_SERVER;
    *out = Srv6DbEngineChange{};
    out->table = table;
    out->kind = static_cast<uint32_t>(std::strtoul(r->element[3]->str, nullptr, 10));
    out->recordLength = static_cast<uint32_t>(rec->len);
    std::memcpy(out->record, rec->str, rec->len);
    KeyBytes key;
    BuildKey(SchemaOf(table), 0, out->record, &key);
    out->keyLength = key.length;
    std::memcpy(out->key, key.bytes, key.length);
    return DB_OK;
  }

  uint32_t Unsubscribe(uint32_t id) noexcept override {
    Number sub(id);
    Reply r;
    uint32_t code = Run({Arg("FCALL"), Arg("srv6db_unsubscribe"), Arg("0"), Arg(sub)}, false, &r);
    if (code != 0) return code;
    return r->type == REDIS_REPLY_INTEGER && r->integer == 1 ? DB_OK : SRV6DB_ENGINE_ERR_BAD_HANDLE;
  }

 private:
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
