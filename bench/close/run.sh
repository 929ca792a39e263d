#!/usr/bin/env bash
# Close time of the window, ten times, with a device library that ignores
# the stop; and the close's wait for a CSV writer stuck in a write.  Builds nothing: scripts/bench.sh builds first.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_close" "${1:-10}" 2>/dev/null
