// The engine's record operations and shared control calls on Redis.
#include "engine/redis/redis_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "engine/redis/connection.h"

namespace srv6db::engine::redis {
namespace {

constexpr uint32_t kMaxBatch = 1024;
constexpr uint32_t kClearBatch = 1000;

// The name of one of a table's keys, built on the stack: srv6db:{<table>}:<suffix>[<bytes>].
struct Name {
  char text[160];
  size_t length;
  Name(uint32_t store, const char *suffix, const KeyBytes *key = nullptr) {
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
std::pair<const char *, size_t> Arg(const Name &n) { return {n.text, n.length}; }
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
  Name rec(store, "rec");
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
  Name zset;
  uint64_t after = 0;
  uint64_t highWater = 0;
  bool ended = false;
  uint32_t count = 0;  // records in the batch
  uint32_t at = 0;     // the current one
  std::vector<uint8_t> batch;

  Walk(uint32_t s, const Name &z) : store(s), zset(z) {}
  const uint8_t *Current() const {
    return ended || count == 0 ? nullptr : batch.data() + at * SchemaOf(store).recordSize;
  }

  // Fetches the next batch of up to n records; 0, 110012 at the end, or a failure code.
  uint32_t Fetch(uint32_t n) noexcept {
    Name rec(store, "rec");
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
    // Positions must rise past the last one seen and stay within the walk: a bad one would
    // repeat the walk forever or end it early.
    const redisReply *last = r->element[r->elements - 2];
    uint64_t next = 0;
    if (last->type != REDIS_REPLY_STRING || !Position(last->str, last->len, &next) ||
        next <= after || next > highWater)
      return SRV6DB_ENGINE_ERR_SERVER;
    after = next;
    count = got;
    at = 0;
    return DB_OK;
  }
};

std::mutex g_walksMu;
// Walks by object. Never destroyed: an object a caller never released keeps its walk, which
// stays reachable through static destruction like the in-memory backend's objects.
std::unordered_map<const Object *, Walk *> &g_walks =
    *new std::unordered_map<const Object *, Walk *>;

Walk *WalkOf(const Object *o) noexcept {
  std::lock_guard lock(g_walksMu);
  auto it = g_walks.find(o);
  return it == g_walks.end() ? nullptr : it->second;
}

}  // namespace

uint32_t Configure(const char *url) noexcept {
  return SetServer(url) ? DB_OK : SRV6DB_ENGINE_ERR_BAD_URL;
}

uint32_t Write(Object *o, bool pushFull) noexcept {
  uint32_t code = WriteRecord(o->store, o->staged, "1");
  return code == DB_OK && pushFull ? DB_ERR_PUSH_QUEUE_FULL : code;
}

uint32_t Read(const Object *o, const KeyBytes &primary, void *buf, uint32_t len) noexcept {
  return ReadByKey(o->store, primary, buf, len);
}

uint32_t ReadCurrent(const Object *o, void *buf, uint32_t len) noexcept {
  return VrfGet(o, 0, len, buf);
}

uint32_t Update(Object *o, const KeyBytes &primary, bool pushFull) noexcept {
  Number tid(o->store);
  uint8_t smooth[4], disc[4];
  std::memcpy(smooth, &o->smoothId, 4);
  std::memcpy(disc, &o->discriminator, 4);
  Reply r;
  uint32_t code =
      CodeOf(Run({Arg("FCALL"),
                  Arg("srv6db_update"),
                  Arg("0"),
                  Arg(tid),
                  Arg(primary),
                  {reinterpret_cast<const char *>(smooth), o->hasSmoothId ? 4u : 0u},
                  {reinterpret_cast<const char *>(disc), o->hasDiscriminator ? 4u : 0u}},
                 false, &r),
             r);
  return code == DB_OK && pushFull ? DB_ERR_PUSH_QUEUE_FULL : code;
}

uint32_t Remove(Object *o, const KeyBytes &primary, bool pushFull) noexcept {
  uint32_t code = RemoveByKey(o->store, primary, "1");
  return code == DB_OK && pushFull ? DB_ERR_PUSH_QUEUE_FULL : code;
}

uint32_t Count(const Object *o, bool whole, uint32_t index, const KeyBytes &key,
               uint64_t *count) noexcept {
  Name rec(o->store, "rec");
  char suffix[8];
  std::snprintf(suffix, sizeof(suffix), "k%u:", index);
  Name zset(o->store, suffix, &key);
  Reply r;
  uint32_t code = whole        ? Run({Arg("HLEN"), Arg(rec)}, true, &r)
                  : index == 0 ? Run({Arg("HEXISTS"), Arg(rec), Arg(key)}, true, &r)
                               : Run({Arg("ZCARD"), Arg(zset)}, true, &r);
  if (code != 0) return code;
  if (r->type != REDIS_REPLY_INTEGER) return SRV6DB_ENGINE_ERR_SERVER;
  *count = static_cast<uint64_t>(r->integer);
  return DB_OK;
}

uint32_t CreateRootIter(Object *o, bool whole, uint32_t index, const KeyBytes &key, void *dbObj,
                        void **rootIter) noexcept {
  Name seq(o->store, "seq");
  Reply r;
  if (uint32_t code = Run({Arg("GET"), Arg(seq)}, true, &r)) return code;
  char suffix[8];
  std::snprintf(suffix, sizeof(suffix), "k%u:", index);
  Walk *w = new (std::nothrow)
      Walk(o->store, whole ? Name(o->store, "all") : Name(o->store, suffix, &key));
  if (w == nullptr) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
  if (r->type == REDIS_REPLY_STRING ? !Position(r->str, r->len, &w->highWater)
                                    : r->type != REDIS_REPLY_NIL) {
    delete w;
    return SRV6DB_ENGINE_ERR_SERVER;
  }
  {
    std::lock_guard lock(g_walksMu);
    // A walk still filed under this object belongs to an earlier owner of its slot (one whose
    // release failed and whose slot a reset reclaimed): it ends here.
    Walk *&slot = g_walks[o];
    delete slot;
    slot = w;
  }
  o->iter.made = true;
  const HandleParts object = FromHandle(dbObj);
  *rootIter = ToHandle(HandleKind::kIterator, object.slot, object.generation);
  return DB_OK;
}

uint32_t Next(Object *o) noexcept {
  Walk *w = WalkOf(o);
  if (w == nullptr || w->ended) return DB_ERR_ITER_END;
  if (w->at + 1 < w->count) {
    ++w->at;
    return DB_OK;
  }
  const uint32_t hint = o->iter.countHint;
  return w->Fetch(hint == 0 ? 1 : std::min(hint, kMaxBatch));  // unset: exact, as in memory
}

void StopIter(Object *o) noexcept {
  Walk *w = nullptr;
  {
    std::lock_guard lock(g_walksMu);
    auto it = g_walks.find(o);
    if (it != g_walks.end()) {
      w = it->second;
      g_walks.erase(it);
    }
  }
  delete w;
  o->iter.made = false;
}

// A walk's record as fetched with its batch: a record removed since is still read.
uint32_t VrfGet(const Object *o, size_t offset, size_t size, void *value) noexcept {
  const Walk *w = WalkOf(o);
  const uint8_t *record = w == nullptr ? nullptr : w->Current();
  if (record == nullptr) return SRV6DB_ENGINE_ERR_NOT_POSITIONED;
  std::memcpy(value, record + offset, size);
  return DB_OK;
}

void ClearTable(uint32_t table) noexcept {
  Number tid(table), n(kClearBatch);
  // Bounded calls: a large table is cleared a thousand records at a time.
  for (uint32_t round = 0; round < 1u << 20; ++round)
    if (Integer({Arg("FCALL"), Arg("srv6db_clear"), Arg("0"), Arg(tid), Arg(n)}) == 0) break;
}

void Reset() noexcept {
  for (uint32_t s = 0; s < kStoreCount; ++s) ClearTable(s);
  Integer({Arg("FCALL"), Arg("srv6db_unsubscribe_all"), Arg("0")});
}

uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf, uint32_t len) noexcept {
  return ReadByKey(table, primary, buf, len);
}

uint32_t PutRecord(uint32_t table, const void *record) noexcept {
  return WriteRecord(table, record, "0");
}

uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept {
  return RemoveByKey(table, primary, "0");
}

uint64_t RecordCount(uint32_t table) noexcept {
  Name rec(table, "rec");
  return Integer({Arg("HLEN"), Arg(rec)});
}

uint64_t TableBytes(uint32_t) noexcept { return 0; }

uint32_t Visit(uint32_t table, Srv6DbEngineVisitor visitor, void *user) noexcept {
  Walk w(table, Name(table, "all"));
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

uint32_t Subscribe(uint32_t capacity, uint32_t *id) noexcept {
  if (id == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
  if (capacity == 0 || capacity > 65536) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  Number cap(capacity);
  Reply r;
  uint32_t code = Run({Arg("FCALL"), Arg("srv6db_subscribe"), Arg("0"), Arg(cap)}, false, &r);
  if (code != 0) return code;
  if (r->type != REDIS_REPLY_INTEGER) return SRV6DB_ENGINE_ERR_SERVER;
  if (r->integer < 0) return SRV6DB_ENGINE_ERR_NO_RESOURCES;
  *id = static_cast<uint32_t>(r->integer);
  return DB_OK;
}

uint32_t Poll(uint32_t id, Srv6DbEngineChange *out) noexcept {
  if (out == nullptr) return SRV6DB_ENGINE_ERR_NULL_POINTER;
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

uint32_t Unsubscribe(uint32_t id) noexcept {
  Number sub(id);
  Reply r;
  uint32_t code = Run({Arg("FCALL"), Arg("srv6db_unsubscribe"), Arg("0"), Arg(sub)}, false, &r);
  if (code != 0) return code;
  return r->type == REDIS_REPLY_INTEGER && r->integer == 1 ? DB_OK : SRV6DB_ENGINE_ERR_BAD_HANDLE;
}

}  // namespace srv6db::engine::redis
