#!/usr/bin/env bash
# Instructions per operation, library against floor, counted by callgrind: unlike time, the
# count does not move with whatever else the machine runs. One pass per benchmark over
# RECORDS records (default 10^4); writes docs/instructions.md. Needs valgrind and a built
# bench preset (bench/run.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
records=${RECORDS:-10000}
bench=./build/bench/bench/srv6db_bench
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }
[ -x "$bench" ] || { cmake --preset bench >/dev/null && cmake --build --preset bench -j2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=docs/instructions.md
mkdir -p docs
{
  echo "Instructions per operation (walks: per record yielded), one pass over $records records,"
  echo "counted by callgrind over the timed pass only. lib − engine is what the library itself"
  echo "adds; floor is the store written by hand (bench/hand_store.h)."
  echo
  echo "| table | operation | library | engine | floor | lib − engine | lib/floor |"
  echo "|---|---|---:|---:|---:|---:|---:|"
} >"$out"
for table in LocalSid Policy SidStack; do
  for op in create read read_unique update_smooth delete count_by_key walk walk_by_key; do
    declare -A ir=()
    for column in library engine floor; do
      case $column in library) fn=LibraryPass ;; engine) fn=EnginePass ;; floor) fn=FloorPass ;; esac
      file="$work/$table.$op.$column"
      valgrind --tool=callgrind --callgrind-out-file="$file" --toggle-collect="*$fn*" \
        "$bench" --max_records="$records" --benchmark_min_time=0 \
        --benchmark_filter="^$table/$op/$column/$records\$" >"$file.log" 2>&1 || true
      grep -q "^$table/$op/$column/" "$file.log" || continue
      ir[$column]=$(callgrind_annotate "$file" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
    done
    [ -n "${ir[library]:-}" ] && [ -n "${ir[engine]:-}" ] && [ -n "${ir[floor]:-}" ] || continue
    python3 - "$table" "$op" "${ir[library]}" "${ir[engine]}" "${ir[floor]}" "$records" >>"$out" <<'PY'
import sys
table, op = sys.argv[1], sys.argv[2]
lib, engine, floor, n = (int(a) for a in sys.argv[3:7])
lib, engine, floor = lib / n, engine / n, floor / n
print(f"| {table} | {op} | {lib:,.0f} | {engine:,.0f} | {floor:,.0f} | {lib - engine:,.0f} "
      f"| {lib / floor:.2f} |")
PY
  done
done
echo "wrote $out"
