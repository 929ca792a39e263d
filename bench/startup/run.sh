#!/usr/bin/env bash
# Start-up time of the release build, offscreen: process start -> window shown,
# and -> device list filled; medians of 5 runs.  The simulator's search delay
# is 300 ms per VRK_Search call, and a search makes two calls (count, then
# records), so the list can be there 600 ms after the window at the earliest.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
bin="$build/bin/bench_startup"
[ -x "$bin" ] || { echo "startup: $bin not built" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
delay=300
cat > "$work/sim.json" <<JSON
{"searchDelayMs":$delay,"realtime":true,"seed":1,"devices":[
 {"name":"VRK11","address":"192.0.2.11","serial":"SIM-0001"},
 {"name":"VRK11","address":"192.0.2.12","serial":"SIM-0002"},
 {"name":"VRK12","address":"192.0.2.20","serial":"SIM-0003"}]}
JSON

shown=()
filled=()
for i in 1 2 3 4 5; do
  line=$(cd "$work" && QT_QPA_PLATFORM=offscreen VRK_SIM_CONFIG="$work/sim.json" "$bin" 2>/dev/null | tail -n 1)
  shown+=("$(sed -n 's/.*shown_ms=\([-0-9.]*\).*/\1/p' <<<"$line")")
  filled+=("$(sed -n 's/.*filled_ms=\([-0-9.]*\).*/\1/p' <<<"$line")")
done

median() { printf '%s\n' "$@" | sort -g | sed -n 3p; }
ms=$(median "${shown[@]}")
mf=$(median "${filled[@]}")
echo "runs shown_ms: ${shown[*]}"
echo "runs filled_ms: ${filled[*]}"
echo "median process start -> window shown: $ms ms (target <= 500)"
echo "median process start -> device list filled: $mf ms"
awk -v s="$ms" -v f="$mf" -v d="$delay" 'BEGIN {
  printf "median list after window: %.1f ms; beyond one %d ms search delay: %.1f ms (target <= 300)\n", f - s, d, f - s - d }'
