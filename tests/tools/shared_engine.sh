#!/usr/bin/env bash
# The srv6db command on a shared engine: a private redis-server (Unix socket, no TCP port) holds
# what one process loads, and others show it, watch another's change, delete, and load a dump
# back byte for byte after a restart; an unreachable server is exit 3 with one line.
# usage: shared_engine.sh SRV6DB DATA GOLDEN_DIR REDIS_SERVER_SCRIPT
set -euo pipefail
srv6db=$1 data=$2 golden=$3 server=$4
dir=$(mktemp -d /tmp/srv6db-cli.XXXXXX)
trap '"$server" stop "$dir/redis" >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
"$server" start "$dir/redis"
export SRV6DB_ENGINE=unix://$dir/redis/redis.sock

"$srv6db" load "$data"
"$srv6db" show LocalSid | diff -u "$golden/local_sid.txt" - || fail "show differs from the loading process"
"$srv6db" show srv6_local_sid --hex | diff -u "$golden/local_sid.hex" - || fail "record bytes differ"

# watch follows a change another process makes: writes repeat until it has seen one (bounded).
"$srv6db" watch LocalSid --limit 1 >"$dir/watch" &
watcher=$!
echo 'LocalSid vrId=9 vrfIndex=0 sid=2001:db8::9 prefixLen=0 functId=3' >"$dir/change.txt"
for _ in $(seq 2000); do kill -0 "$watcher" 2>/dev/null || break; "$srv6db" --quiet load "$dir/change.txt"; done
wait "$watcher" || fail "watch ended with $?"
grep -Eq '^(create|update) LocalSid rev=[0-9]+ vrId=9 vrfIndex=0 sid=2001:db8::9 prefixLen=0 .*functId=3 ' "$dir/watch" ||
  fail "watch saw: $(cat "$dir/watch")"

# Resumed after the revision it printed, watch sees only what came after; a watch whose pipe
# closed ends at its next line and leaves the server as it was (keys and clients).
rev=$(sed -E 's/.* rev=([0-9]+) .*/\1/' "$dir/watch")
"$srv6db" --quiet load "$dir/change.txt"
[ "$("$srv6db" watch LocalSid --since "$rev" --limit 1 | grep -Eo 'rev=[0-9]+')" = "rev=$((rev + 1))" ] ||
  fail "watch --since $rev did not resume after it"
cli() { redis-cli -s "$dir/redis/redis.sock" "$@"; }
before="$(cli DBSIZE) $(cli CLIENT LIST | wc -l)"
("$srv6db" watch LocalSid | head -1 >/dev/null) &
pipeline=$!
for _ in $(seq 2000); do kill -0 "$pipeline" 2>/dev/null || break; "$srv6db" --quiet load "$dir/change.txt"; done
wait "$pipeline" || true  # watch ended by SIGPIPE
for _ in $(seq 50); do [ "$(cli DBSIZE) $(cli CLIENT LIST | wc -l)" = "$before" ] && break; sleep 0.1; done
[ "$(cli DBSIZE) $(cli CLIENT LIST | wc -l)" = "$before" ] || fail "a closed watch left something behind"

# Two deletes of one selection at once: a record the other removed first counts as removed.
racing_delete() { "$srv6db" --quiet delete LocalSid vrId=0 vrfIndex=1 functId=10 || [ $? -eq 1 ]; }
racing_delete & first=$!
racing_delete || fail "a delete racing another failed"
wait "$first" || fail "a delete racing another failed"
[ "$("$srv6db" show LocalSid --count vrId=0 vrfIndex=1 functId=10)" = 0 ] || fail "delete left records"

# check passes on a sound store and names an index entry that points at no record.
"$srv6db" check >/dev/null || fail "check found problems in a sound store"
cli ZADD 'srv6db:{srv6_local_sid}:k1:planted' 0 x >/dev/null
set +e
"$srv6db" check >/dev/null
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "check answered $rc for a planted index entry"
cli DEL 'srv6db:{srv6_local_sid}:k1:planted' >/dev/null

# A dump of every table, loaded into a fresh server, gives the same records byte for byte.
every_table() { for t in $("$srv6db" tables | awk 'NR > 1 {print $2}'); do printf -- '--then show %s %s ' "$t" "$1"; done; }
# shellcheck disable=SC2046 # the command list is split on purpose
dump() { "$srv6db" vrf --json $(every_table --json) >"$dir/dump$1"; "$srv6db" vrf $(every_table --hex) >"$dir/hex$1" || true; }
dump 1
"$server" stop "$dir/redis"  # waits until the old server is gone: it unlinks its socket path
"$server" start "$dir/redis"
"$srv6db" load "$dir/dump1"
dump 2
[ -s "$dir/hex1" ] && cmp "$dir/hex1" "$dir/hex2" && cmp "$dir/dump1" "$dir/dump2" || fail "the dump did not load back"

set +e
"$srv6db" --engine "unix://$dir/none.sock" show LocalSid >/dev/null 2>"$dir/err"
rc=$?
set -e
[ "$rc" -eq 3 ] && [ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q "check that its server runs" "$dir/err" ||
  fail "unreachable server: exit $rc, $(cat "$dir/err")"
echo "shared engine: load, show, watch (resumed, its pipe closed), delete, dump and unreachable server checked"
