// The Redis function library, generated from the engine's schemas: every write, update and
// remove is one atomic function call, every walk batch one read-only call.
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/redis/connection.h"
#include "engine/schema.h"

namespace srv6db::engine::redis {
namespace {

// Key names: srv6db:{<table>}:rec (hash: primary key bytes -> record), :all (sorted set of
// primary keys by position), :k<n>:<key bytes> (sorted set per secondary key value), :seq
// (the position counter). The braces keep a table in one cluster slot.
constexpr const char *kBody = R"LUA(
local function key(r, sg)
  local p = {}
  for i = 1, #sg, 2 do p[#p + 1] = string.sub(r, sg[i] + 1, sg[i] + sg[i + 1]) end
  return table.concat(p)
end
local function base(t) return 'srv6db:{' .. t.n .. '}:' end
-- A table's layout fingerprint is stored with it: a build with another layout must not move
-- its index entries. The first change to an empty table claims it.
local function layout_differs(t, b)
  local f = redis.call('GET', b .. 'layout')
  if not f then redis.call('SET', b .. 'layout', t.f) end
  return f and f ~= t.f
end
local function publish(tid, kind, rec, feed)
  if feed ~= '1' then return 0 end
  local subs = redis.call('HGETALL', 'srv6db:feed:subs')
  local code = 0
  for i = 1, #subs, 2 do
    local s = 'srv6db:feed:' .. subs[i]
    if redis.call('XLEN', s) >= tonumber(subs[i + 1]) then
      code = 13044
    else
      redis.call('XADD', s, '*', 't', tid, 'k', kind, 'r', rec)
    end
  end
  return code
end
-- Index entries whose key changed move, joining the end of their new key.
local function move(t, b, pk, old, rec)
  for i = 2, #t.x do
    local ok, nk = key(old, t.x[i]), key(rec, t.x[i])
    if ok ~= nk then
      redis.call('ZREM', b .. 'k' .. (i - 1) .. ':' .. ok, pk)
      redis.call('ZADD', b .. 'k' .. (i - 1) .. ':' .. nk, redis.call('INCR', b .. 'seq'), pk)
    end
  end
end
local function drop(t, b, pk, old)
  redis.call('HDEL', b .. 'rec', pk)
  redis.call('ZREM', b .. 'all', pk)
  for i = 2, #t.x do redis.call('ZREM', b .. 'k' .. (i - 1) .. ':' .. key(old, t.x[i]), pk) end
end
local function write(_, a)
  local tid = tonumber(a[1])
  local t, rec = T[tid], a[2]
  if not t or #rec ~= t.z then return redis.error_reply('srv6db: bad record') end
  local b = base(t)
  if layout_differs(t, b) then return 15020 end
  local pk = key(rec, t.x[1])
  local old = redis.call('HGET', b .. 'rec', pk)
  local kind = 1
  if old then
    move(t, b, pk, old, rec)
  else
    kind = 0
    local pos = redis.call('INCR', b .. 'seq')
    redis.call('ZADD', b .. 'all', pos, pk)
    for i = 2, #t.x do redis.call('ZADD', b .. 'k' .. (i - 1) .. ':' .. key(rec, t.x[i]), pos, pk) end
  end
  redis.call('HSET', b .. 'rec', pk, rec)
  return publish(tid, kind, rec, a[3])
end
local function update(_, a)
  local tid = tonumber(a[1])
  local t = T[tid]
  local b = base(t)
  if layout_differs(t, b) then return 15020 end
  local old = redis.call('HGET', b .. 'rec', a[2])
  if not old then return 15005 end
  local rec = old
  if a[3] ~= '' then rec = string.sub(rec, 1, t.s) .. a[3] .. string.sub(rec, t.s + 5) end
  if a[4] ~= '' then rec = string.sub(rec, 1, t.d) .. a[4] .. string.sub(rec, t.d + 5) end
  move(t, b, a[2], old, rec)
  redis.call('HSET', b .. 'rec', a[2], rec)
  return publish(tid, 1, rec, '1')
end
local function remove(_, a)
  local tid = tonumber(a[1])
  local t = T[tid]
  local b = base(t)
  if layout_differs(t, b) then return 15020 end
  local old = redis.call('HGET', b .. 'rec', a[2])
  if not old then return 15005 end
  drop(t, b, a[2], old)
  return publish(tid, 2, old, a[3])
end
-- Up to n records after position `after` and not after `hwm`: score, record, score, record...
local function walk(_, a)
  local m = redis.call('ZRANGE', a[1], '(' .. a[3], a[4], 'BYSCORE', 'LIMIT', 0, a[5], 'WITHSCORES')
  if #m == 0 then return m end
  local pks = {}
  for i = 1, #m, 2 do pks[#pks + 1] = m[i] end
  local recs = redis.call('HMGET', a[2], unpack(pks))
  local out = {}
  for i = 1, #pks do
    out[#out + 1] = m[2 * i]
    out[#out + 1] = recs[i]
  end
  return out
end
-- Removes up to n records of a table; answers how many remain.
local function clear(_, a)
  local t = T[tonumber(a[1])]
  local b = base(t)
  local pks = redis.call('ZRANGE', b .. 'all', 0, tonumber(a[2]) - 1)
  for i = 1, #pks do
    local old = redis.call('HGET', b .. 'rec', pks[i])
    if old then drop(t, b, pks[i], old) else redis.call('ZREM', b .. 'all', pks[i]) end
  end
  local left = redis.call('ZCARD', b .. 'all')
  if left == 0 then redis.call('DEL', b .. 'layout') end
  return left
end
local function subscribe(_, a)
  if redis.call('HLEN', 'srv6db:feed:subs') >= 8 then return -1 end
  -- Ids are never reused (up to 2^31 subscriptions), so a stale id names nobody.
  local id = redis.call('INCR', 'srv6db:feed:seq') % 2147483648
  redis.call('HSET', 'srv6db:feed:subs', id, a[1])
  redis.call('DEL', 'srv6db:feed:' .. id)
  return id
end
local function poll(_, a)
  if redis.call('HEXISTS', 'srv6db:feed:subs', a[1]) == 0 then return -1 end
  local s = 'srv6db:feed:' .. a[1]
  local e = redis.call('XRANGE', s, '-', '+', 'COUNT', 1)
  if #e == 0 then return 0 end
  redis.call('XDEL', s, e[1][1])
  return e[1][2]
end
local function unsubscribe(_, a)
  redis.call('DEL', 'srv6db:feed:' .. a[1])
  return redis.call('HDEL', 'srv6db:feed:subs', a[1])
end
local function unsubscribe_all()
  local ids = redis.call('HKEYS', 'srv6db:feed:subs')
  for i = 1, #ids do redis.call('DEL', 'srv6db:feed:' .. ids[i]) end
  return redis.call('DEL', 'srv6db:feed:subs')
end
-- Names carry the library's version (S), so two builds can share a server during an upgrade.
local function register(name, fn, flags)
  redis.register_function{function_name='srv6db_' .. name .. S, callback=fn, flags=flags}
end
register('version', function() return V end, {'no-writes'})
register('write', write)
register('update', update)
register('remove', remove)
register('walk', walk, {'no-writes'})
register('clear', clear)
register('subscribe', subscribe)
register('poll', poll)
register('unsubscribe', unsubscribe)
register('unsubscribe_all', unsubscribe_all)
)LUA";

std::string Hash(const std::string &text) {
  uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  char v[17];
  std::snprintf(v, sizeof(v), "%016llx", static_cast<unsigned long long>(h));
  return v;
}

// T[id] = {n = name, z = record size, s = smooth id offset, d = discriminator offset,
// x = {{offset, length, ...} per index, primary first}, f = a hash of all that}, as Lua
// literals (no library call may run while a library loads).
std::string Tables() {
  std::string out = "local T = {\n";
  char buf[96];
  for (uint32_t id = 0; id < kStoreCount; ++id) {
    const Schema &s = SchemaOf(id);
    std::string row;
    std::snprintf(buf, sizeof(buf), "n = '%s', z = %u, ", s.name, s.recordSize);
    row += buf;
    if (s.smoothIdOffset != kNoOffset) row += "s = " + std::to_string(s.smoothIdOffset) + ", ";
    if (s.discriminatorOffset != kNoOffset)
      row += "d = " + std::to_string(s.discriminatorOffset) + ", ";
    row += "x = {";
    for (uint32_t i = 0; i < s.indexCount; ++i) {
      row += "{";
      for (uint32_t j = 0; j < s.indexes[i].segmentCount; ++j) {
        std::snprintf(buf, sizeof(buf), "%s%u, %u", j ? ", " : "", s.indexes[i].segments[j].offset,
                      s.indexes[i].segments[j].length);
        row += buf;
      }
      row += "}, ";
    }
    row += "}, ";
    out += "[" + std::to_string(id) + "] = {" + row + "f = '" + Hash(row) + "'},\n";
  }
  return out + "}\n";
}

struct Library {
  std::string version;  // changes with schema or code
  std::string suffix;
  std::string code;
  Library() {
    std::string body = Tables() + kBody;
    version = Hash(body);
    suffix = "_" + version.substr(0, 12);
    code = "#!lua name=srv6db" + suffix + "\nlocal V, S = '" + version + "', '" + suffix + "'\n" +
           body;
  }
};

const Library &Lib() {
  static const Library *lib = new Library;
  return *lib;
}

}  // namespace

const std::string &LibraryCode() { return Lib().code; }
const std::string &LibraryVersion() { return Lib().version; }
const std::string &FunctionSuffix() { return Lib().suffix; }

}  // namespace srv6db::engine::redis
