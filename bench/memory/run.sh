#!/usr/bin/env bash
# Resident size over a real-time run at 1000 kHz.  Argument: seconds
# (default 60; a 600-second run checks the flat line over ten minutes).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_memory" "${1:-60}" 2>/dev/null
