#!/bin/sh
# Runs the shared example against a private redis-server started here and stopped at the end:
# a consumer follows the local SID table while a producer stores local SIDs and exits; killed
# with kill -9, the consumer resumes from the revision it saved while the producer restarts with
# a new smooth id; killed again, it finds the log trimmed past its revision and lists the table
# afresh. Each time its copy equals the table.
# Usage: examples/shared/run.sh [path/to/srv6db_shared_example [lmdb]] (lmdb: on an LMDB store
# in the temporary directory instead of a server)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$root/build/release/examples/shared/srv6db_shared_example}
dir=$(mktemp -d /tmp/srv6db-shared.XXXXXX)
consumer=
cleanup() {
  [ -n "$consumer" ] && kill "$consumer" 2>/dev/null || true
  [ -d "$dir/server" ] && "$root/scripts/redis-server" stop "$dir/server"
  rm -rf "$dir"
}
trap cleanup EXIT
if [ "${2:-redis}" = lmdb ]; then  # the same on an LMDB store in the directory
  export SRV6DB_ENGINE="lmdb://$dir/store"
else
  "$root/scripts/redis-server" start "$dir/server"
  export SRV6DB_ENGINE="unix://$dir/server/redis.sock"
fi

start_consumer() {
  rm -f "$dir/following"
  "$bin" consume "$dir/state" "$dir/following" &
  consumer=$!
  while [ ! -e "$dir/following" ]; do
    kill -0 "$consumer" || exit 1
    sleep 0.05
  done
}
stop_consumer() {  # $1: the signal
  kill "-$1" "$consumer"
  wait "$consumer" || [ "$1" = KILL ]
  consumer=
}

start_consumer
"$bin" produce 1
sleep 0.3
echo "-- kill -9 the consumer; the producer restarts meanwhile"
stop_consumer KILL
"$bin" produce 2
start_consumer
sleep 0.3
stop_consumer INT
echo "-- the producer stores its SIDs again with a log that keeps 4 changes"
SRV6DB_ENGINE_LOG_RETENTION=4 "$bin" produce 1
start_consumer
sleep 0.3
stop_consumer INT
