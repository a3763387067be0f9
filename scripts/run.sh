#!/usr/bin/env bash
# Builds Binorama and starts it. Arguments are handed to the program (NZB files).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target binorama -j"$(nproc)"
bash scripts/register-desktop.sh build/src/binorama
exec ./build/src/binorama "$@"
