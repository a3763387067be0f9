#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (only the engine and the targets)
# and runs each for FUZZ_SECONDS (default 30) on a copy of its seed corpus,
# side by side, one target per core.
# Fails on any crash, leak, timeout or sanitizer report. Prints each target's
# runs per second. BUILD_DIR may be set by the caller.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build-fuzz}
SECONDS_PER_TARGET=${FUZZ_SECONDS:-30}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBINORAMA_BUILD_FUZZERS=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j"${FUZZ_JOBS:-$(nproc)}" --target fuzzers

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$PWD
# One target per core at a time: each gets its whole time on a core of its own.
parallel=${FUZZ_PARALLEL:-$(nproc)}
targets=()
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  targets+=("$target")
  mkdir -p "$work/$target"
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do wait -n || true; done
  # New inputs go to the copy; the seeds in the repository stay as they are.
  # Each target runs in a folder of its own, where its crash files land.
  mkdir -p "$work/$target.run"
  (if cd "$work/$target.run" && "$root/$BUILD_DIR/fuzz/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work/$target" "$root/$seeds" >"$work/$target.log" 2>&1; then
     echo 0 >"$work/$target.rc"
   else
     echo 1 >"$work/$target.rc"
   fi) &
done
wait
failed=0
summary=()
for target in "${targets[@]}"; do
  log="$work/$target.log"
  if [ "$(cat "$work/$target.rc" 2>/dev/null)" = 0 ]; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    summary+=("$target: ${runs:-?} runs in ${SECONDS_PER_TARGET} s ($(( ${runs:-0} / SECONDS_PER_TARGET )) per second), nothing found")
  else
    failed=1
    summary+=("$target: FAILED (log below)")
    echo "== $target"
    tail -n 60 "$log"
    # The inputs that failed stay in the build folder, for a regression case.
    for f in "$work/$target.run"/crash-* "$work/$target.run"/leak-* "$work/$target.run"/timeout-* "$work/$target.run"/oom-*; do
      [ -e "$f" ] && cp "$f" "$BUILD_DIR/$target-$(basename "$f")"
    done
  fi
done
printf '%s\n' "${summary[@]}"
exit $failed
