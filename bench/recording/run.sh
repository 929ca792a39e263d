#!/usr/bin/env bash
# A recording of 32 channels with the chart open, then read back with
# Python's csv module, rows against records.  Argument: seconds (default 600).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
QT_QPA_PLATFORM=offscreen "$build/bin/bench_recording" "${1:-600}" "$PWD" 2>/dev/null | tee bench.txt
file=$(sed -n 's/^recording: file //p' bench.txt)
records=$(sed -n 's/^recording: \([0-9]*\) records with readings.*/\1/p' bench.txt)
python3 "$root/bench/recording/readback.py" "$file" "$records"
