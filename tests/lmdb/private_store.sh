#!/bin/sh
# Runs a command with SRV6DB_ENGINE naming a fresh LMDB store of its own, removed afterwards.
base=/tmp
[ -d /dev/shm ] && base=/dev/shm
dir=$(mktemp -d "$base/srv6db-lmdb.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT INT TERM
SRV6DB_ENGINE="lmdb://$dir/store" "$@"
rc=$?
exit $rc
