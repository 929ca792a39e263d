#!/usr/bin/env bash
# Lock hold times of the sample queues, 32 channels of 6250-sample frames.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
"$build/bin/bench_queues"
