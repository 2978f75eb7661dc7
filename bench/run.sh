#!/usr/bin/env bash
# Builds and runs the benchmarks (10^4 to 10^6 records, three columns), then writes the
# results table (docs/bench.md), the raw results (docs/bench.json) and the chart
# (docs/bench.svg). Knobs: MAX_RECORDS, MIN_TIME (seconds per benchmark), REPETITIONS (the
# best repetition is kept: the machine may be shared).
set -euo pipefail
cd "$(dirname "$0")/.."
max_records=${MAX_RECORDS:-1000000}
min_time=${MIN_TIME:-0.2}
repetitions=${REPETITIONS:-5}

need=()
command -v gnuplot >/dev/null || need+=(gnuplot-nox)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -f /usr/include/sqlite3.h ] || need+=(libsqlite3-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update && apt-get install -y "${need[@]}"
fi

cmake --preset bench >/dev/null
cmake --build --preset bench -j2
mkdir -p docs
./build/bench/bench/srv6db_bench --max_records="$max_records" --benchmark_min_time="$min_time" \
  --benchmark_repetitions="$repetitions" --benchmark_out=docs/bench.json \
  --benchmark_out_format=json
python3 bench/report.py docs/bench.json docs/bench.md build/bench/bench.dat
gnuplot -e "data='build/bench/bench.dat'; out='docs/bench.svg'" bench/chart.gp
# The Redis column: its own program against a private redis-server (about a minute).
cmake --build --preset bench -j2 --target srv6db_redis_bench
./build/bench/bench/srv6db_redis_bench --records=10000 >docs/bench_redis.md
# The LMDB column beside its floor, 10^4 and 10^5 records, stores in /dev/shm.
cmake --build --preset bench -j2 --target srv6db_lmdb_bench srv6db_cli
./build/bench/bench/srv6db_lmdb_bench --records=10000,100000 >docs/bench_lmdb.md
# The table benchmarks' library and engine columns on LMDB, in a store removed afterwards.
store=$(mktemp -d /dev/shm/srv6db-bench-lmdb.XXXXXX)
SRV6DB_ENGINE="lmdb://$store" ./build/bench/bench/srv6db_bench --max_records="$max_records" \
  --benchmark_filter='/(library|engine)/' --benchmark_min_time="$min_time" \
  --benchmark_out=docs/bench_lmdb_tables.json --benchmark_out_format=json
rm -rf "$store"
echo "wrote docs/bench.md, docs/bench.json, docs/bench.svg, docs/bench_redis.md, docs/bench_lmdb.md," \
  "docs/bench_lmdb_tables.json"
