#!/usr/bin/env bash
# Records load refuses, named by their line number, each exit 2 with one short line on stderr;
# a good line before the bad one is loaded first. Hostile lines (deep nesting, a huge value)
# are generated here.
# usage: refusals.sh SRV6DB
set -uo pipefail
srv6db=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
good='{"table":"SidFunct","vrId":0,"vrfIndex":1,"functId":1}'
huge=$(head -c 100000 /dev/zero | tr '\0' 9)
status=0
while IFS='|' read -r pattern line; do
  printf '%s\n%s\n' "$good" "$line" >"$dir/in"
  "$srv6db" load "$dir/in" >/dev/null 2>"$dir/err"
  rc=$?
  if [ "$rc" -ne 2 ] || [ "$(wc -l <"$dir/err")" -ne 1 ] || [ "$(wc -c <"$dir/err")" -gt 300 ] ||
    ! grep -Eq -- "/in:2: $pattern" "$dir/err"; then
    echo "FAIL: ${line:0:60}: exit $rc, $(head -c 300 "$dir/err")"
    status=1
  fi
done <<ROWS
LocalSid record without vrfIndex,prefixLen|{"table":"LocalSid","vrId":0,"sid":"::1"}
SidFunct has no field "nope"|{"table":"SidFunct","vrId":0,"vrfIndex":1,"functId":2,"nope":1}
the record names no table|vrId=0 vrfIndex=1 functId=3
nested deeper than|$(head -c 100000 /dev/zero | tr '\0' '[')
vrId: "x{40}\.\.\." \(100000 bytes\) is not an unsigned number|{"table":"SidFunct","vrId":"${huge//9/x}"}
malformed JSON \(number overflow parsing '9{20}|{"table":"SidFunct","vrId":$huge}
ROWS
exit $status
