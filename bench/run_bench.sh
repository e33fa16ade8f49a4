#!/usr/bin/env bash
# Times tillery-cli on synthetic logs of 10,000 and 1,000,000 lines, in the Windows XP
# layout and in the Vista-and-later layout (setupapi.dev.log), in all three extraction
# types, next to `wc -l` on the same file in the same run.
#
#   bash bench/run_bench.sh            (build folder: build-bench, or $BENCH_BUILD_DIR)
#
# Prints wall time (best of several runs), MB/s, lines/s, peak resident memory and the
# ratio to `wc -l`, then checks the targets: within 40x of `wc -l` in every type and
# layout, and peak memory within 5 MB between the two log sizes of a layout.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BENCH_BUILD_DIR:-$root/build-bench}
work=$build/bench-data
max_ratio=40
max_growth_kb=$((5 * 1024))

# GNU time reports the peak resident set size (%M, in KB).
if ! /usr/bin/time -f %M true >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time >/dev/null
  else
    echo "GNU time (/usr/bin/time) is missing: install the 'time' package" >&2
    exit 1
  fi
fi

echo "Building Release into $build ..."
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILLERY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tillery-cli tillery_window_run >/dev/null
cmake -S bench -B "$build/bench-tools" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/bench-tools" >/dev/null
cli=$build/src/app/tillery-cli
gen=$build/bench-tools/tillery_gen_log

mkdir -p "$work/config" "$work/home"
mkdir -p -m 700 "$work/runtime"
: >"$work/no-rules.ini"  # no rules stored: the default drive-finding rules apply
"$gen" "$work/log-10k.log" 10000 >/dev/null
"$gen" "$work/log-1m.log" 1000000 >/dev/null
"$gen" --vista "$work/log-vista10k.log" 10000 >/dev/null
"$gen" --vista "$work/log-vista1m.log" 1000000 >/dev/null

now_ns() { date +%s%N; }

# Runs a command under GNU time; sets `wall_s` (seconds) and `rss_kb`.
measure() {
  local start end
  start=$(now_ns)
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
  end=$(now_ns)
  wall_s=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.4f", ns / 1e9 }')
  rss_kb=$(tail -n 1 "$work/rss")
}

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }

declare -A rss_of
results=()
for size in 10k 1m vista10k vista1m; do
  log=$work/log-$size.log
  lines=$(wc -l <"$log")
  bytes=$(stat -c %s "$log")
  runs=5
  case $size in *1m) runs=3 ;; esac
  cat "$log" >/dev/null  # both contestants read from the page cache
  for type in full summary rules; do
    best_cli="" best_wc="" peak=""
    for ((i = 0; i < runs; i++)); do
      # Side by side: wc -l, then the extraction, on the same file.
      measure wc -l "$log"
      best_wc=$(min "$best_wc" "$wall_s")
      measure env XDG_CONFIG_HOME="$work/config" HOME="$work/home" \
        "$cli" --quiet --force --settings "$work/no-rules.ini" --type "$type" \
        -o "$work/out-$size-$type.xls" "$log"
      best_cli=$(min "$best_cli" "$wall_s")
      peak=$(max "$peak" "$rss_kb")
    done
    rss_of[$size-$type]=$peak
    results+=("$size $lines $bytes $type $best_cli $best_wc $peak")
  done
done

echo
printf '%-8s %9s %8s %-8s %9s %8s %11s %10s %9s %7s\n' \
  log lines MB type "cli s" "MB/s" "lines/s" "peak KB" "wc -l s" ratio
failed=0
for row in "${results[@]}"; do
  read -r size lines bytes type cli_s wc_s peak <<<"$row"
  awk -v size="$size" -v lines="$lines" -v bytes="$bytes" -v type="$type" -v c="$cli_s" \
    -v w="$wc_s" -v peak="$peak" 'BEGIN {
      printf "%-8s %9d %8.1f %-8s %9.4f %8.1f %11.0f %10d %9.4f %7.1f\n",
        size, lines, bytes / 1e6, type, c, bytes / 1e6 / c, lines / c, peak, w, c / w }'
  ratio_ok=$(awk -v c="$cli_s" -v w="$wc_s" -v m="$max_ratio" 'BEGIN { print (c / w <= m) ? 1 : 0 }')
  if [[ $size == *1m ]] && [ "$ratio_ok" -ne 1 ]; then
    failed=1
  fi
done

echo
echo "Targets (1,000,000-line logs; the 10,000-line times are mostly process start-up):"
for layout in xp vista; do
  big=1m small=10k
  [ "$layout" = vista ] && big=vista1m small=vista10k
  for type in full summary rules; do
    for row in "${results[@]}"; do
      read -r size _ _ t cli_s wc_s _ <<<"$row"
      if [ "$size" = "$big" ] && [ "$t" = "$type" ]; then
        verdict=$(awk -v c="$cli_s" -v w="$wc_s" -v m="$max_ratio" \
          'BEGIN { printf "%.1fx wc -l: %s", c / w, (c / w <= m) ? "met" : "MISSED" }')
        growth=$((rss_of[$big-$type] - rss_of[$small-$type]))
        mem=$([ "$growth" -le "$max_growth_kb" ] && echo met || echo MISSED)
        [ "$growth" -le "$max_growth_kb" ] || failed=1
        printf '  %-5s %-8s time %s (limit %dx); memory %+d KB from 10k to 1M lines: %s (limit %d KB)\n' \
          "$layout" "$type" "$verdict" "$max_ratio" "$growth" "$mem" "$max_growth_kb"
      fi
    done
  done
done

# The window: one press of Start on each 1,000,000-line log, against the CLI's time.
echo
echo "Window (offscreen) against the CLI, 1,000,000-line logs, best of 3 presses:"
window_run=$build/bench/tillery_window_run
for size in 1m vista1m; do
  for type in full summary rules; do
    case $type in full) index=0 ;; summary) index=1 ;; rules) index=2 ;; esac
    best=""
    for ((i = 0; i < 3; i++)); do
      rm -f "$work/window-$size-$type.xls"
      t=$(env XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
            "$window_run" "$work/log-$size.log" "$index" "$work/window-$size-$type.xls")
      best=$(min "$best" "$t")
    done
    cmp -s "$work/window-$size-$type.xls" "$work/out-$size-$type.xls" || {
      echo "  $size $type: window and CLI tables differ" >&2
      failed=1
    }
    for row in "${results[@]}"; do
      read -r s _ _ t cli_s _ _ <<<"$row"
      if [ "$s" = "$size" ] && [ "$t" = "$type" ]; then
        verdict=$(awk -v w="$best" -v c="$cli_s" 'BEGIN { printf "%.4f s, %.2fx the CLI: %s", w, w / c, (w / c <= 2) ? "met" : "MISSED" }')
        awk -v w="$best" -v c="$cli_s" 'BEGIN { exit !(w / c <= 2) }' || failed=1
        printf '  %-8s %-8s %s (limit 2x)\n' "$size" "$type" "$verdict"
      fi
    done
  done
done
exit "$failed"
