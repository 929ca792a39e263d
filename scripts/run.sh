#!/usr/bin/env bash
# Builds the optimised program in build/release and starts it in the current
# directory (where it keeps vernier.ini and vernier.log), passing the arguments on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
build="$root/build/release"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVERNIER_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target vernier >&2
exec "$build/bin/vernier" "$@"
