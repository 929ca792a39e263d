#!/usr/bin/env bash
# The floor first (the data path's arithmetic alone, 32 channels and one),
# then the process CPU share while acquiring in real time at 1000 kHz,
# display every 100 ms: 32 AC channels alone, 32 while recording with the
# trend chart open on the 10-minute span, and one channel; each run also
# prints its pass rate, the simulator's share and the ratio to the floor.
# Argument: seconds per run (default 20).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
seconds="${1:-20}"
"$build/bin/bench_floor" 32
"$build/bin/bench_floor" 1
cd "$(mktemp -d)"
for run in "32 plain" "32 recording" "1 plain"; do
  read -r channels mode <<<"$run"
  QT_QPA_PLATFORM=offscreen "$build/bin/bench_cpu" "$channels" "$seconds" "$mode" 2>/dev/null
done
