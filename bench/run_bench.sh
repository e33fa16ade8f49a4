#!/usr/bin/env bash
# Times tillery-cli on synthetic logs of about 10,000 and 1,000,000 lines in each layout
# (Windows XP, Windows 2000, Vista and later), in all three extraction types, side by side
# with `wc -l` on the same file: every round runs each contestant once, in turn, and the
# table shows the median of the rounds. Every type is timed writing to a file on a memory
# file system (/dev/shm, "-shm") and to /dev/null ("-null"). Then one press of Start in
# the real window (offscreen) per layout and type, against the CLI writing the same table
# to the same file system.
#
#   bash bench/run_bench.sh [ROUNDS]     (default 7; build folder: build-bench, or
#                                         $BENCH_BUILD_DIR; $BENCH_CLI times another CLI)
#
# Prints one table (type, layout, seconds, MB/s, ratio to `wc -l`, peak MB) for the
# 1,000,000-line logs, then checks the targets: Summary and Rule based within 6x `wc -l`
# (writing to /dev/null, as `wc -l` writes nothing), Full within 10x (both outputs), peak
# memory within 5 MB between the two log sizes, the window within 1.3x the CLI. Exits 1
# when a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BENCH_BUILD_DIR:-$root/build-bench}
rounds=${1:-7}
work=$build/bench-data
shm=$(mktemp -d /dev/shm/tillery-bench.XXXXXX)
trap 'rm -rf "$shm"' EXIT

echo "Building Release into $build ..."
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILLERY_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target tillery-cli tillery_window_run tillery_gen_log tillery_time_run >/dev/null
cli=${BENCH_CLI:-$build/src/app/tillery-cli}
gen=$build/bench/tillery_gen_log
timed=$build/bench/tillery_time_run
window_run=$build/bench/tillery_window_run

mkdir -p "$work/config" "$work/home"
mkdir -p -m 700 "$work/runtime"
: >"$work/no-rules.ini"  # no rules stored: the default drive-finding rules apply
layouts=(xp w2k vista)
declare -A flag=([xp]="" [w2k]=--w2k [vista]=--vista)
for layout in "${layouts[@]}"; do
  for size in 10k:10000 1m:1000000; do
    log=$work/$layout-${size%%:*}.log
    [ -s "$log" ] || "$gen" ${flag[$layout]} "$log" "${size#*:}" >/dev/null
  done
done

run_cli() {  # type output log
  env XDG_CONFIG_HOME="$work/config" HOME="$work/home" \
    "$timed" "$cli" --quiet --force --settings "$work/no-rules.ini" --type "$1" -o "$2" "$3"
}
# One measurement: "seconds peak_kb" of a contestant on a log.
measure() {  # contestant log
  local log=$2 name
  name=$(basename "$log" .log)
  case $1 in
    wc) "$timed" wc -l "$log" ;;
    full-shm) run_cli full "$shm/$name.xls" "$log" ;;
    full-null) run_cli full /dev/null "$log" ;;
    summary-shm) run_cli summary "$shm/$name.xls" "$log" ;;
    summary-null) run_cli summary /dev/null "$log" ;;
    rules-shm) run_cli rules "$shm/$name.xls" "$log" ;;
    rules-null) run_cli rules /dev/null "$log" ;;
    window-full | window-summary | window-rules)
      local index=0
      case $1 in window-summary) index=1 ;; window-rules) index=2 ;; esac
      rm -f "$shm/$name-window.xls"
      local s
      s=$(env XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
            "$window_run" "$log" "$index" "$shm/$name-window.xls")
      echo "$s 0"
      ;;
  esac
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

contestants=(wc full-shm full-null summary-shm summary-null rules-shm rules-null)
declare -A times peaks
for layout in "${layouts[@]}"; do
  for size in 10k 1m; do
    log=$work/$layout-$size.log
    cat "$log" >/dev/null  # every contestant reads from the page cache
    for ((i = 0; i < rounds; i++)); do
      for c in "${contestants[@]}"; do
        read -r s kb < <(measure "$c" "$log")
        times[$layout-$size-$c]+="$s "
        peaks[$layout-$size-$c]+="$kb "
      done
    done
  done
  # The window against the CLI writing the same table to the same file system.
  log=$work/$layout-1m.log
  for ((i = 0; i < rounds; i++)); do
    for type in full summary rules; do
      read -r s _ < <(measure "window-$type" "$log")
      times[$layout-1m-window-$type]+="$s "
      c=$type-shm
      read -r s kb < <(measure "$c" "$log")
      times[$layout-1m-beside-window-$type]+="$s "
    done
  done
  name=$(basename "$log" .log)
  for type in full summary rules; do
    rm -f "$shm/$name.xls"
    c=$type-shm
    measure "$c" "$log" >/dev/null
    measure "window-$type" "$log" >/dev/null
    cmp -s "$shm/$name.xls" "$shm/$name-window.xls" || {
      echo "$layout $type: the window's table differs from the CLI's" >&2
      exit 1
    }
  done
done

med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }
peak() { tr ' ' '\n' <<<"${peaks[$1]}" | grep . | sort -g | tail -n 1; }

echo
echo "Median of $rounds rounds, 1,000,000-line logs; $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')"
printf '%-16s %-6s %8s %8s %9s %8s\n' type layout seconds MB/s "x wc -l" "peak MB"
failed=0
report=()
for layout in "${layouts[@]}"; do
  log=$work/$layout-1m.log
  bytes=$(stat -c %s "$log")
  wc_s=$(med "$layout-1m-wc")
  for c in "${contestants[@]}" window-full window-summary window-rules; do
    s=$(med "$layout-1m-$c")
    case $c in window-*) mb=- ;; *) mb=$(awk -v k="$(peak "$layout-1m-$c")" 'BEGIN { printf "%.1f", k / 1024 }') ;; esac
    awk -v c="$c" -v l="$layout" -v s="$s" -v b="$bytes" -v w="$wc_s" -v mb="$mb" 'BEGIN {
      printf "%-16s %-6s %8.4f %8.0f %9.1f %8s\n", c, l, s, b / 1e6 / s, s / w, mb }'
    limit=""
    case $c in full-shm | full-null) limit=10 ;; summary-null | rules-null) limit=6 ;; esac
    if [ -n "$limit" ]; then
      ok=$(awk -v s="$s" -v w="$wc_s" -v m="$limit" 'BEGIN { print (s / w <= m) ? "met" : "MISSED" }')
      [ "$ok" = met ] || failed=1
      growth=$(($(peak "$layout-1m-$c") - $(peak "$layout-10k-$c")))
      mem=$([ "$growth" -le 5120 ] && echo met || echo MISSED)
      [ "$mem" = met ] || failed=1
      report+=("$(printf '  %-6s %-10s time %5.1fx wc -l (limit %dx): %s; peak memory %+6d KB from 10k to 1M lines: %s' \
        "$layout" "$c" "$(awk -v s="$s" -v w="$wc_s" 'BEGIN { print s / w }')" "$limit" "$ok" "$growth" "$mem")")
    fi
    case $c in window-*)
      beside=$(med "$layout-1m-beside-$c")
      ok=$(awk -v s="$s" -v b="$beside" 'BEGIN { print (s / b <= 1.3) ? "met" : "MISSED" }')
      [ "$ok" = met ] || failed=1
      report+=("$(printf '  %-6s %-15s %.4f s against the CLI'"'"'s %.4f s: %.2fx (limit 1.3x): %s' \
        "$layout" "$c" "$s" "$beside" "$(awk -v s="$s" -v b="$beside" 'BEGIN { print s / b }')" "$ok")")
      ;;
    esac
  done
done
echo
echo "Targets:"
printf '%s\n' "${report[@]}"
exit "$failed"
