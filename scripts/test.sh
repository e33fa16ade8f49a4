#!/usr/bin/env bash
# Installs what is missing (the test-only tools too), builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --test
bash scripts/build.sh

# Every ctest output is kept, for one closing line over all suites.
ctest_log=$(mktemp)
trap 'rm -f "$ctest_log"' EXIT
run_ctest() {
  (cd "$1" && shift && env "$@" QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)") |
    tee -a "$ctest_log"
}

run_ctest build

# The whole suite again under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer.
BUILD_DIR=build-asan bash scripts/build.sh -DTILLERY_SANITIZE=ON
run_ctest build-asan ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Core and extraction built for Windows, their tests run under Wine when it is installed.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null || command -v x86_64-w64-mingw32-g++ >/dev/null; then
  bash scripts/cross_windows.sh
fi

# A short fuzzing run of each target: TILLERY_FUZZ_SECONDS each (default 60; 0 skips it).
fuzz_seconds=${TILLERY_FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" -gt 0 ] && command -v clang++ >/dev/null; then
  bash scripts/fuzz.sh "$fuzz_seconds"
fi

grep -E 'tests passed, [0-9]+ tests? failed out of' "$ctest_log" |
  awk '{ for (i = 1; i <= NF; i++) if ($i == "out" && $(i + 1) == "of") total += $(i + 2); else if ($i == "failed" && $(i - 1) ~ /^tests?$/) failed += $(i - 2) }
       END { printf "ctest: %d passed, %d failed\n", total - failed, failed }'
