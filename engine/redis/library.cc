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
  return redis.call('ZCARD', b .. 'all')
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
-- A table's integrity: every index entry names a record holding its key, every record is in
-- each index once, counts agree. Answers one line per problem.
local function check(_, a)
  local t = T[tonumber(a[1])]
  local b = base(t)
  local out = {}
  local function say(s) out[#out + 1] = s end
  local recs = redis.call('HGETALL', b .. 'rec')
  local n = #recs / 2
  for i = 1, #recs, 2 do
    local pk, rec = recs[i], recs[i + 1]
    if #rec ~= t.z or key(rec, t.x[1]) ~= pk then
      say('a record stored under another primary key')
    else
      if not redis.call('ZSCORE', b .. 'all', pk) then say('a record missing from the positions') end
      for x = 2, #t.x do
        if not redis.call('ZSCORE', b .. 'k' .. (x - 1) .. ':' .. key(rec, t.x[x]), pk) then
          say('a record missing from index ' .. (x - 1))
        end
      end
    end
  end
  local all = redis.call('ZRANGE', b .. 'all', 0, -1)
  for i = 1, #all do
    if redis.call('HEXISTS', b .. 'rec', all[i]) == 0 then say('a position entry names no record') end
  end
  if #all ~= n then say(#all .. ' positions for ' .. n .. ' records') end
  for x = 2, #t.x do
    local prefix, entries, seen, cursor = b .. 'k' .. (x - 1) .. ':', 0, {}, '0'
    repeat
      local r = redis.call('SCAN', cursor, 'MATCH', prefix .. '*', 'COUNT', 1000)
      cursor = r[1]
      for _, name in ipairs(r[2]) do
        if not seen[name] then
          seen[name] = true
          local pks = redis.call('ZRANGE', name, 0, -1)
          entries = entries + #pks
          for _, pk in ipairs(pks) do
            local rec = redis.call('HGET', b .. 'rec', pk)
            if not rec then
              say('an index entry names no record (index ' .. (x - 1) .. ')')
            elseif key(rec, t.x[x]) ~= string.sub(name, #prefix + 1) then
              say('an index entry names a record that does not hold its key (index ' .. (x - 1) .. ')')
            end
          end
        end
      end
    until cursor == '0'
    if entries ~= n then say(entries .. ' entries of index ' .. (x - 1) .. ' for ' .. n .. ' records') end
  end
  return out
end
redis.register_function{function_name='srv6db_check', callback=check, flags={'no-writes'}}
redis.register_function{function_name='srv6db_version', callback=function() return V end,
  flags={'no-writes'}}
redis.register_function('srv6db_write', write)
redis.register_function('srv6db_update', update)
redis.register_function('srv6db_remove', remove)
redis.register_function{function_name='srv6db_walk', callback=walk, flags={'no-writes'}}
redis.register_function('srv6db_clear', clear)
redis.register_function('srv6db_subscribe', subscribe)
redis.register_function('srv6db_poll', poll)
redis.register_function('srv6db_unsubscribe', unsubscribe)
redis.register_function('srv6db_unsubscribe_all', unsubscribe_all)
)LUA";

// T[id] = {n = name, z = record size, s = smooth id offset, d = discriminator offset,
// x = {{offset, length, ...} per index, primary first}}, as Lua literals (no library call
// may run while a library loads).
std::string Tables() {
  std::string out = "local T = {\n";
  char buf[96];
  for (uint32_t id = 0; id < kStoreCount; ++id) {
    const Schema &s = SchemaOf(id);
    std::snprintf(buf, sizeof(buf), "[%u] = {n = '%s', z = %u, ", id, s.name, s.recordSize);
    out += buf;
    if (s.smoothIdOffset != kNoOffset) out += "s = " + std::to_string(s.smoothIdOffset) + ", ";
    if (s.discriminatorOffset != kNoOffset)
      out += "d = " + std::to_string(s.discriminatorOffset) + ", ";
    out += "x = {";
    for (uint32_t i = 0; i < s.indexCount; ++i) {
      out += "{";
      for (uint32_t j = 0; j < s.indexes[i].segmentCount; ++j) {
        std::snprintf(buf, sizeof(buf), "%s%u, %u", j ? ", " : "", s.indexes[i].segments[j].offset,
                      s.indexes[i].segments[j].length);
        out += buf;
      }
      out += "}, ";
    }
    out += "}},\n";
  }
  return out + "}\n";
}

struct Library {
  std::string version;
  std::string code;
  Library() {
    std::string body = Tables() + kBody;
    uint64_t h = 14695981039346656037ull;  // FNV-1a: the version changes with schema or code
    for (unsigned char c : body) h = (h ^ c) * 1099511628211ull;
    char v[17];
    std::snprintf(v, sizeof(v), "%016llx", static_cast<unsigned long long>(h));
    version = v;
    code = "#!lua name=srv6db\nlocal V = '" + version + "'\n" + body;
  }
};

const Library &Lib() {
  static const Library *lib = new Library;
  return *lib;
}

}  // namespace

const std::string &LibraryCode() { return Lib().code; }
const std::string &LibraryVersion() { return Lib().version; }

}  // namespace srv6db::engine::redis
