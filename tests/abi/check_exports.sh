#!/usr/bin/env bash
# The library exports exactly the names its headers declare and defines no engine function:
# every db_* symbol it uses stays undefined, for the engine library to resolve.
set -euo pipefail
lib=$1 include=$2 engine_api=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

grep -h '^SRV6_DB_API' "$include"/*.h | grep -o 'SRV6_DB_API[^(;[]*' | awk '{print $NF}' | tr -d '*' | sort -u >"$tmp/declared"
nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | grep -v '^SRV6DB_1\.0$' |
  sort -u >"$tmp/exported"
nm -D --undefined-only "$lib" | awk '{print $2}' | sed 's/@.*//' | grep '^db_' | sort -u >"$tmp/undefined"

status=0
if ! diff -u "$tmp/declared" "$tmp/exported" >"$tmp/diff"; then
  echo "exported symbols differ from the header's declarations (- declared only, + exported only):"
  cat "$tmp/diff"
  status=1
fi
if grep -q '^db_' "$tmp/exported"; then
  echo "the library defines engine functions:"
  grep '^db_' "$tmp/exported"
  status=1
fi
if [ ! -s "$tmp/undefined" ]; then
  echo "no undefined db_* symbols: the library does not call the engine through the linker"
  status=1
fi
declared=$(wc -l <"$tmp/declared")
echo "exports: $declared names, all declared; engine functions left undefined: $(wc -l <"$tmp/undefined")"
exit $status
