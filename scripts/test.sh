#!/usr/bin/env bash
# Builds Binorama with its tests and runs every test (all labels).
# BUILD_DIR and SANITIZE (e.g. "address,undefined") may be set by the caller.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
FLAGS=""
OPTIMIZE=()
if [ -n "${SANITIZE:-}" ]; then
  FLAGS="-fsanitize=${SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer"
  # At -O2 with full debug information the sanitized build compiles three
  # times as slowly; -Og keeps every check and -g1 the lines of a report.
  OPTIMIZE=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-Og -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-Og -g1 -DNDEBUG")
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$FLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$FLAGS" \
  "${OPTIMIZE[@]}" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
cd "$BUILD_DIR"
dbus-run-session -- ctest --output-on-failure -j"$(nproc)" --timeout 300
