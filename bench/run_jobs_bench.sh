#!/usr/bin/env bash
# Times tillery-cli over a folder of 8 equal generated logs (XP layout, 250,000 lines
# each), with --jobs 1 and with --jobs 2, in the Rule based and the Full type written as
# CSV to a file on a memory file system (/dev/shm when there is one: the Full timeline is
# about 800 MB, which a disk would throttle), and checks that both give the same bytes.
#
#   bash bench/run_jobs_bench.sh       (build folder: build-bench, or $BENCH_BUILD_DIR)
#
# Prints the median wall time of 5 paired runs of each and the speed-up; the target is
# at least 1.7x on a machine with 2 cores.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BENCH_BUILD_DIR:-$root/build-bench}
work=$build/jobs-data
lines=${JOBS_BENCH_LINES:-250000}
runs=5

echo "Building Release into $build ..."
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILLERY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tillery-cli >/dev/null
cmake -S bench -B "$build/bench-tools" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/bench-tools" >/dev/null
cli=$build/src/app/tillery-cli
gen=$build/bench-tools/tillery_gen_log

rm -rf "$work"
mkdir -p "$work/logs" "$work/config" "$work/home"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  outdir=$(mktemp -d /dev/shm/tillery-jobs.XXXXXX)
else
  outdir=$(mktemp -d "$work/out.XXXXXX")
fi
trap 'rm -rf "$outdir"' EXIT
: >"$work/no-rules.ini"  # no rules stored: the default drive-finding rules apply
"$gen" "$work/logs/setupapi-1.log" "$lines" >/dev/null
for i in 2 3 4 5 6 7 8; do
  cp "$work/logs/setupapi-1.log" "$work/logs/setupapi-$i.log"
done
cat "$work"/logs/* >/dev/null  # read from the page cache

now_ns() { date +%s%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# run TYPE JOBS OUTPUT: one timed run; prints seconds.
run() {
  local start end
  start=$(now_ns)
  env XDG_CONFIG_HOME="$work/config" HOME="$work/home" "$cli" --quiet --force \
    --settings "$work/no-rules.ini" --type "$1" --format csv --jobs "$2" -o "$3" "$work/logs"
  end=$(now_ns)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

printf '%-8s %10s %10s %8s\n' type "jobs 1 s" "jobs 2 s" speed-up
status=0
for type in rules full; do
  one=() two=()
  for ((i = 0; i < runs; i++)); do  # paired: one run of each in turn
    one+=("$(run "$type" 1 "$outdir/out-1.csv")")
    two+=("$(run "$type" 2 "$outdir/out-2.csv")")
  done
  if ! cmp -s "$outdir/out-1.csv" "$outdir/out-2.csv"; then
    echo "$type: --jobs 1 and --jobs 2 wrote different bytes" >&2
    status=1
  fi
  m1=$(median "${one[@]}")
  m2=$(median "${two[@]}")
  ratio=$(awk -v a="$m1" -v b="$m2" 'BEGIN { printf "%.2f", a / b }')
  printf '%-8s %10s %10s %7sx\n' "$type" "$m1" "$m2" "$ratio"
  if awk -v r="$ratio" 'BEGIN { exit !(r < 1.7) }'; then
    echo "$type: below the 1.7x target" >&2
    status=1
  fi
done
echo "8 logs of $(wc -l <"$work/logs/setupapi-1.log") lines ($(stat -c %s "$work/logs/setupapi-1.log") bytes) each; $(nproc) cores"
exit $status
