#!/usr/bin/env bash
# Samples per second through the whole acquisition path (32 AC channels,
# simulator not paced).  Builds nothing: scripts/bench.sh builds first.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_pipeline" "${1:-10}" 2>/dev/null
