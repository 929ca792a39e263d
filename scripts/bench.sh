#!/usr/bin/env bash
# Builds the release tree and runs every benchmark program, printing figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
build="$root/build/release"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVERNIER_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
export VERNIER_ROOT="$root" VERNIER_BUILD="$build"
for b in "$root"/bench/*/run.sh; do
  [ -f "$b" ] || continue
  echo "== $(basename "$(dirname "$b")")"
  bash "$b"
done
