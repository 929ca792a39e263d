#!/usr/bin/env bash
# Process CPU share while acquiring in real time at 1000 kHz, 32 AC channels
# and one, display every 100 ms.  Argument: seconds per run (default 20).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
for channels in 32 1; do
  QT_QPA_PLATFORM=offscreen "$build/bin/bench_cpu" "$channels" "${1:-20}" 2>/dev/null
done
