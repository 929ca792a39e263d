#!/usr/bin/env bash
# Builds build/debug with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test.  Incremental: a second run with nothing changed is quick.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
build="$root/build/debug"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVERNIER_SANITIZE=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
