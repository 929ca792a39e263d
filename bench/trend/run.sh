#!/usr/bin/env bash
# CPU share of the trend chart, 32 channels at 10 records a second on the
# 10-minute span: the bare chart drawn with each charting library, then the
# program's trend window.  Argument: seconds per run (default 60).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
cd "$(mktemp -d)"
for what in qwt charts window; do
  QT_QPA_PLATFORM=offscreen "$build/bin/bench_trend" "$what" "${1:-60}" 2>/dev/null || true
done
