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
// (the position counter), :layout, and :log and :epoch (the change log). The braces keep a
// table in one cluster slot. Every call names the keys it touches (a change: rec, all, seq,
// layout, log, epoch, in that order); the index keys it derives carry the same hash tag.
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
-- The change log: KEYS[5] a stream of entries 0-<revision> {k = kind, r = record}, its ids
-- numbered by the stream itself (0-*: the sequence after the stream's last id, which trimming
-- keeps), KEYS[6] the epoch, a hash: e (the epoch: the server's time in microseconds when it
-- began), base (the revision it began at), prev (the epoch before).
-- The first change this server process makes to a table's log begins a new epoch: a server
-- restarted from its append-only file, or a replica just promoted, may lack the latest changes
-- and would hand their revisions out again. A reader of the previous epoch that holds no
-- revision past the base lost nothing and goes on. `started` lives as long as this library's
-- Lua state, that is, the server process.
local started = {}
local function new_epoch(key, base, prev)
  local now = redis.call('TIME')
  redis.call('HSET', key, 'e', now[1] .. string.format('%06d', now[2]), 'base', base, 'prev', prev)
end
-- The latest revision of a log (0 when it has none): trimming always keeps the latest entry.
local function head_of(log)
  local last = redis.call('XREVRANGE', log, '+', '-', 'COUNT', 1)
  if #last == 0 then return 0 end
  return tonumber(string.sub(last[1][1], 3))
end
local function log(tid, k, kind, rec, keep)
  if keep == '0' then return 0 end
  if not started[tid] then
    new_epoch(k[6], head_of(k[5]), redis.call('HGET', k[6], 'e') or '0')
    started[tid] = true
  end
  redis.call('XADD', k[5], 'MAXLEN', keep, '0-*', 'k', kind, 'r', rec)
  return 0
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
local function write(k, a)
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
  return log(tid, k, kind, rec, a[3])
end
local function update(k, a)
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
  return log(tid, k, 1, rec, a[5])
end
local function remove(k, a)
  local tid = tonumber(a[1])
  local t = T[tid]
  local b = base(t)
  if layout_differs(t, b) then return 15020 end
  local old = redis.call('HGET', b .. 'rec', a[2])
  if not old then return 15005 end
  drop(t, b, a[2], old)
  return log(tid, k, 2, old, a[3])
end
-- Up to n records of sorted set KEYS[1] (records in KEYS[2]) after position `after` and not
-- after `hwm`: score, record, score, record...
local function walk(k, a)
  local m = redis.call('ZRANGE', k[1], '(' .. a[1], a[2], 'BYSCORE', 'LIMIT', 0, a[3], 'WITHSCORES')
  if #m == 0 then return m end
  local pks = {}
  for i = 1, #m, 2 do pks[#pks + 1] = m[i] end
  local recs = redis.call('HMGET', k[2], unpack(pks))
  local out = {}
  for i = 1, #pks do
    out[#out + 1] = m[2 * i]
    out[#out + 1] = recs[i]
  end
  return out
end
-- Removes up to n records of a table (KEYS: rec, all, layout); answers how many remain.
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
-- Entries after revision a[2] of epoch a[1], up to a[3] (KEYS: log, epoch):
-- {0, epoch, rev, kind, record, ...}; {1, epoch, lost} when some are gone (lost -1: unknown,
-- another epoch or beyond the head). a[3] 0: only the epoch and head, {0, epoch, head}.
local function log_read(k, a)
  local ep = redis.call('HMGET', k[2], 'e', 'base', 'prev')
  local epoch = ep[1] or '0'
  local head = head_of(k[1])
  if a[3] == '0' then return {0, epoch, head} end
  local at = tonumber(a[2])
  local carried = a[1] == ep[3] and at <= tonumber(ep[2])
  if (epoch ~= a[1] and not carried) or at > head then return {1, epoch, -1} end
  local out = {0, epoch}
  if at == head then return out end
  local e = redis.call('XRANGE', k[1], '0-' .. (at + 1), '+', 'COUNT', a[3])
  local first = head + 1
  if #e > 0 then first = tonumber(string.sub(e[1][1], 3)) end
  if first ~= at + 1 then return {1, epoch, first - at - 1} end
  for i = 1, #e do
    out[#out + 1] = string.sub(e[i][1], 3)
    out[#out + 1] = e[i][2][2]
    out[#out + 1] = e[i][2][4]
  end
  return out
end
-- Empties one table's log into a new epoch (KEYS: log, epoch).
local function log_reset(k)
  redis.call('DEL', k[1])
  new_epoch(k[2], 0, '')
  return 0
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
register('log_read', log_read, {'no-writes'})
register('log_reset', log_reset)
register('check', check, {'no-writes'})
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
    // Appended piece by piece: GCC 12 at -O3 misreads "literal" + std::string (-Wrestrict).
    out.append("[").append(std::to_string(id)).append("] = {").append(row);
    out.append("f = '").append(Hash(row)).append("'},\n");
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
    suffix.append("_").append(version, 0, 12);
    code.append("#!lua name=srv6db").append(suffix).append("\nlocal V, S = '").append(version);
    code.append("', '").append(suffix).append("'\n").append(body);
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
