#!/usr/bin/env bash
# Samples per second that the simulated library generates and encodes (sine
# channels, non-realtime), and the rate of its conversion to volts.
set -euo pipefail
build="${VERNIER_BUILD:?VERNIER_BUILD must name the build tree}"
"$build/bin/bench_sim" --benchmark_min_time=0.5
