#!/usr/bin/env bash
# Catch-up after bursts of 40 clicks (50, 100, 150 ms apart) and close during
# a burst, offscreen, real driver on the default simulator.  Builds nothing:
# scripts/bench.sh builds $VERNIER_BUILD first.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_catchup" 3 2>/dev/null
