#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a bounded time.
#
#   scripts/fuzz.sh [seconds] [target...]
#
# seconds: time per target (default: FUZZ_SECONDS, else 60). Targets: fuzz_run,
# fuzz_message_codes and fuzz_timeline (default: all, one after the other). The seed corpora are made once
# in fuzz/corpus-work/ (not kept in Git) from tests/data, the saved fuzz findings and the
# real logs beside the project; FUZZ_FRESH=1 makes them again. A crash, a hang or a broken
# property leaves its input in fuzz/corpus-work/artifacts/<target>/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-60}}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_run fuzz_message_codes fuzz_timeline)
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
work=fuzz/corpus-work
real_logs=../shared/testdata/real

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 1
fi

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTILLERY_BUILD_FUZZ=ON -DTILLERY_BUILD_GUI=OFF -DTILLERY_BUILD_TESTS=OFF \
  -DTILLERY_WERROR=ON >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]}"

# Log seeds: small logs whole, large ones cut at line ends into pieces of at most 16 KiB;
# every folder of real logs, whatever its layout (the properties hold for any layout).
make_run_corpus() {
  local dir=$1 log
  mkdir -p "$dir"
  for log in tests/data/*.log tests/data/fuzz-regressions/run/* tests/data/fuzz-regressions/timeline/* \
             "$real_logs"/*/*.log; do
    [ -f "$log" ] || continue
    case "$log" in *README*) continue ;; esac
    local name
    name=$(basename "$log")
    if [ "$(stat -c %s "$log")" -le 16384 ]; then
      cp "$log" "$dir/$name"
    else
      split -C 16384 -d -a 4 "$log" "$dir/$name."
    fi
  done
}

# Message seeds: every distinct line of the logs as one call. A marked line "#Xnnn text"
# becomes the raw code "nnn" and its message; any other line goes whole with code "2K".
make_message_corpus() {
  local dir=$1
  mkdir -p "$dir"
  cat tests/data/*.log "$real_logs"/xp/*.log "$real_logs"/w2k/*.log 2>/dev/null |
    tr -d '\000' | sed 's/\r$//' | sort -u | head -n 4000 |
    awk -v dir="$dir" '{
      f = dir "/line" NR
      if (substr($0, 1, 1) == "#") printf "\024%s", substr($0, 3) > f
      else printf "\017%s", $0 > f
      close(f)
    }'
  for f in tests/data/fuzz-regressions/message-codes/*; do
    [ -f "$f" ] || continue
    case "$f" in *README*) continue ;; esac
    cp "$f" "$dir/"
  done
}

if [ "${FUZZ_FRESH:-0}" = 1 ]; then
  rm -rf "$work"
fi
status=0
for target in "${targets[@]}"; do
  corpus="$work/$target"
  if [ ! -d "$corpus" ]; then
    case "$target" in
      fuzz_run | fuzz_timeline) make_run_corpus "$corpus" ;;
      fuzz_message_codes) make_message_corpus "$corpus" ;;
      *) echo "fuzz.sh: unknown target $target" >&2; exit 2 ;;
    esac
  fi
  case "$target" in
    fuzz_run | fuzz_timeline) max_len=16384 ;;
    *) max_len=4096 ;;
  esac
  artifacts="$work/artifacts/$target"
  mkdir -p "$artifacts"
  echo "== $target: ${seconds} s, corpus $corpus ($(ls "$corpus" | wc -l) inputs)"
  if ! "$build_dir/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" \
      -timeout=30 -print_final_stats=1 -dict=fuzz/setupapi.dict \
      -artifact_prefix="$artifacts/" "$corpus" 2>"$work/$target.log"; then
    echo "fuzz.sh: $target failed; see $work/$target.log and $artifacts/" >&2
    tail -n 40 "$work/$target.log" >&2
    status=1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$target.log" || true
done
exit $status
