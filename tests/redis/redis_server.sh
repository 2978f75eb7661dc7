#!/bin/sh
# Starts or stops a private redis-server: Unix socket only (no TCP port), append-only file,
# everything in one directory. Usage: redis_server.sh start|stop DIR
set -eu
dir=$2
case $1 in
start)
  [ -f "$dir/redis.pid" ] && kill "$(cat "$dir/redis.pid")" 2>/dev/null || true
  rm -rf "$dir" && mkdir -p "$dir"
  redis-server --port 0 --unixsocket "$dir/redis.sock" --unixsocketperm 700 --dir "$dir" \
    --appendonly yes --save '' --daemonize yes --pidfile "$dir/redis.pid" \
    --logfile "$dir/redis.log"
  # Ready when it answers; bounded to about ten seconds.
  for _ in $(seq 100); do
    redis-cli -s "$dir/redis.sock" ping 2>/dev/null | grep -q PONG && exit 0
    sleep 0.1
  done
  echo "redis-server did not start:" >&2
  cat "$dir/redis.log" >&2
  exit 1
  ;;
stop)
  if [ -f "$dir/redis.pid" ]; then
    pid=$(cat "$dir/redis.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$dir"
  ;;
esac
