#!/usr/bin/env bash
# Runs the srv6db command once and checks its exit code, its standard output against a golden
# file (or nothing, for -), and its standard error: empty, or one line matching a pattern.
# usage: run_case.sh EXIT GOLDEN|- PATTERN|- SRV6DB [ARGS...]
set -u
want_exit=$1 golden=$2 pattern=$3
shift 3
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$@" >"$out" 2>"$err"
rc=$?
fail() { echo "FAIL: $*"; echo "-- stdout:"; cat "$out"; echo "-- stderr:"; cat "$err"; exit 1; }
[ "$rc" -eq "$want_exit" ] || fail "exit $rc, expected $want_exit"
if [ "$golden" = - ]; then
  [ ! -s "$out" ] || fail "unexpected output"
else
  diff -u "$golden" "$out" || fail "output differs from $golden"
fi
if [ "$pattern" = - ]; then
  [ ! -s "$err" ] || fail "unexpected error output"
else
  [ "$(wc -l <"$err")" -eq 1 ] || fail "error is not one line"
  grep -Eq -- "$pattern" "$err" || fail "error does not match: $pattern"
fi
