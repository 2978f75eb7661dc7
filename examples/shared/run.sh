#!/bin/sh
# Runs the shared example against a private redis-server started here and stopped at the end:
# a consumer follows the change feed while a producer stores local SIDs, exits, and restarts
# with a new smooth id. Usage: examples/shared/run.sh [path/to/srv6db_shared_example]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$root/build/release/examples/shared/srv6db_shared_example}
dir=$(mktemp -d /tmp/srv6db-shared.XXXXXX)
consumer=
cleanup() {
  [ -n "$consumer" ] && kill "$consumer" 2>/dev/null || true
  "$root/scripts/redis-server" stop "$dir/server"
  rm -rf "$dir"
}
trap cleanup EXIT
"$root/scripts/redis-server" start "$dir/server"
export SRV6DB_ENGINE="unix://$dir/server/redis.sock"

"$bin" consume "$dir/listening" &
consumer=$!
while [ ! -e "$dir/listening" ]; do
  kill -0 "$consumer" || exit 1
  sleep 0.05
done
"$bin" produce 1
"$bin" produce 2
kill -INT "$consumer"
wait "$consumer"
consumer=
