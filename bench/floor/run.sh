#!/usr/bin/env bash
# The data path's arithmetic alone: 32 AC channels and one channel, 1 MS/s.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
"$build/bin/bench_floor" 32
"$build/bin/bench_floor" 1
