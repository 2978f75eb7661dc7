#!/usr/bin/env bash
# Installs a build tree into a temporary prefix, then builds the example program out of tree
# against it twice, through find_package and through pkg-config, and runs both builds: each
# must find only the installed files and print what the in-tree example prints; a program
# including the headers by both spellings builds and runs too. With PREFIX, that installed
# prefix is used as it stands.
# usage: check_install.sh BUILD_DIR SOURCE_DIR EXAMPLE_BINARY [PREFIX]
set -euo pipefail
build=$1 source=$2 expected_bin=$3
cc=${CC:-cc}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=${4:-$tmp/prefix}

[ $# -ge 4 ] || cmake --install "$build" --prefix "$prefix" >/dev/null
"$expected_bin" >"$tmp/expected.txt"

echo "-- find_package"
cmake -S "$source/tests/install/consumer" -B "$tmp/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -Dsrv6db_ROOT="$prefix" \
  -DSRV6DB_EXAMPLES_DIR="$source/examples" >"$tmp/cmake.log" || { cat "$tmp/cmake.log"; exit 1; }
cmake --build "$tmp/cmake" >"$tmp/build.log" || { cat "$tmp/build.log"; exit 1; }
env -u LD_LIBRARY_PATH "$tmp/cmake/srv6db_example" >"$tmp/find_package.txt"
env -u LD_LIBRARY_PATH "$tmp/cmake/spellings"
diff -u "$tmp/expected.txt" "$tmp/find_package.txt"

echo "-- pkg-config"
pcdir=$(dirname "$(find "$prefix" -name srv6db.pc)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs srv6db srv6db-engine)
libdir=$(PKG_CONFIG_PATH=$pcdir pkg-config --variable=libdir srv6db)
# shellcheck disable=SC2086 # the flags are words
"$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror -o "$tmp/pc_example" "$source"/examples/*.c \
  $flags -Wl,-rpath,"$libdir"
env -u LD_LIBRARY_PATH "$tmp/pc_example" >"$tmp/pkg_config.txt"
# shellcheck disable=SC2086
"$cc" -std=c11 -Wall -Wextra -Wpedantic -Werror -o "$tmp/pc_spellings" "$tmp/cmake/spellings.c" \
  $flags -Wl,-rpath,"$libdir"
env -u LD_LIBRARY_PATH "$tmp/pc_spellings"
diff -u "$tmp/expected.txt" "$tmp/pkg_config.txt"

for bin in "$tmp/cmake/srv6db_example" "$tmp/pc_example"; do
  if env -u LD_LIBRARY_PATH ldd "$bin" | grep 'libsrv6db' | grep -v "$prefix"; then
    echo "$bin loads a libsrv6db from outside the installed prefix"
    exit 1
  fi
done
echo "installed package: both out-of-tree builds match the in-tree example"
