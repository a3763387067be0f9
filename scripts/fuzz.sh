#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (only the engine and the targets)
# and runs each for FUZZ_SECONDS (default 30) on a copy of its seed corpus.
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
failed=0
summary=()
for seeds in fuzz/corpus/*/; do
  target=$(basename "$seeds")
  mkdir -p "$work/$target"
  log="$work/$target.log"
  # New inputs go to the copy; the seeds in the repository stay as they are.
  if (cd "$work" && "$OLDPWD/$BUILD_DIR/fuzz/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "$work/$target" "$OLDPWD/$seeds") >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    summary+=("$target: ${runs:-?} runs in ${SECONDS_PER_TARGET} s ($(( ${runs:-0} / SECONDS_PER_TARGET )) per second), nothing found")
  else
    failed=1
    summary+=("$target: FAILED (log below)")
    tail -n 60 "$log"
    # The inputs that failed stay in the build folder, for a regression case.
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* "$BUILD_DIR"/ 2>/dev/null || true
  fi
done
printf '%s\n' "${summary[@]}"
exit $failed
