#!/bin/sh
# Runs a command with SRV6DB_ENGINE naming a fresh LMDB store of its own (in /dev/shm when it
# has a GiB free), removed afterwards.
base=/tmp
[ "$(df -Pk /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')" -ge 1048576 ] 2>/dev/null && base=/dev/shm
dir=$(mktemp -d "$base/srv6db-lmdb.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT INT TERM
SRV6DB_ENGINE="lmdb://$dir/store?map_size=1g" "$@"
rc=$?
exit $rc
