#!/usr/bin/env bash
# FETCh? round trip (median, p99) and the program's CPU share with one client
# polling FETCh? at 10 Hz, against no client, in one run of the release
# program on the built-in simulator.  Argument: seconds per phase (default 20).
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
"$build/bin/bench_remote" "$build/bin/vernier" "${1:-20}"
