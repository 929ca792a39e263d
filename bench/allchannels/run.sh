#!/usr/bin/env bash
# Latency of the all-channels box in common-ground mode, offscreen: click ->
# all 32 rows enabled and restart emitted, median of 20 runs.  Builds
# nothing: scripts/bench.sh builds $VERNIER_BUILD first.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_allchannels" 20
