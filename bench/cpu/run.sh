#!/usr/bin/env bash
# Process CPU share while acquiring in real time at 1000 kHz, display every
# 100 ms: 32 AC channels alone, 32 while recording with the trend chart open
# on the 10-minute span, and one channel.  Argument: seconds per run
# (default 20).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
seconds="${1:-20}"
cd "$(mktemp -d)"
for run in "32 plain" "32 recording" "1 plain"; do
  read -r channels mode <<<"$run"
  QT_QPA_PLATFORM=offscreen "$build/bin/bench_cpu" "$channels" "$seconds" "$mode" 2>/dev/null
done
