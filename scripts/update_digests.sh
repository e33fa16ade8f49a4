#!/usr/bin/env bash
# Remakes tests/data/real_log_digests.txt from the program as it is now. Run it only after
# a change of output has been explained (the golden tables in tests/data say what is right;
# the digests only say that something changed).
#
#   scripts/update_digests.sh [build-dir]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
[ -f "$build_dir/CMakeCache.txt" ] ||
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILLERY_WERROR=ON >/dev/null
cmake --build "$build_dir" --parallel 2 --target real_log_digests
table=tests/data/real_log_digests.txt
"$build_dir/tests/real_log_digests" >"$table.new"
mv "$table.new" "$table"
git --no-pager diff --stat -- "$table" 2>/dev/null || true
