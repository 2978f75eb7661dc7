#!/usr/bin/env bash
# Loading a show --json dump of every table and of the VRF class data reproduces them: the same
# records byte for byte (the engine's own bytes, through show --hex) and the same dump, also
# after jq, whose numbers are doubles, has rewritten it: 64-bit values lose nothing.
# usage: round_trip.sh SRV6DB DATA
set -euo pipefail
srv6db=$1 data=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
every_table() {  # the --then commands that show every table with the options given
  for t in $("$srv6db" tables | awk 'NR > 1 {print $2}'); do printf -- '--then show %s %s ' "$t" "$*"; done
}
reread() {
  if command -v jq >/dev/null; then jq -c .; else
    python3 -c 'import json, sys
for l in sys.stdin: print(json.dumps(json.loads(l, parse_int=lambda s: int(float(s))), separators=(",", ":")))'
  fi
}
# shellcheck disable=SC2046 # word splitting of the command list is wanted
for pass in 1 2; do
  # The second pass loads the dump as a reader holding numbers in doubles rewrites it.
  [ "$pass" = 1 ] && from=$data || { from=$dir/reread; reread <"$dir/dump1" >"$from"; }
  "$srv6db" load "$from" $(every_table --json) --then vrf --json >"$dir/dump$pass"
  "$srv6db" load "$from" $(every_table --hex) >"$dir/hex$pass" || [ $? -eq 1 ]
done
records=$(grep -vc '"table":"vrf"' "$dir/dump1")
[ "$records" -gt 0 ] && [ "$(wc -l <"$dir/hex1")" -eq "$records" ] || { echo "FAIL: $records records dumped"; exit 1; }
cmp "$dir/dump1" "$dir/dump2" || { diff "$dir/dump1" "$dir/dump2"; exit 1; }
cmp "$dir/hex1" "$dir/hex2" || { diff "$dir/hex1" "$dir/hex2"; exit 1; }
