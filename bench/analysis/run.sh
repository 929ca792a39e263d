#!/usr/bin/env bash
# Channel analysis time per sample beside numpy's for the same work.
# Builds nothing: scripts/bench.sh builds $VERNIER_BUILD first.
set -euo pipefail
root="${VERNIER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}"
build="${VERNIER_BUILD:-$root/build/release}"
# Debian's numpy belongs to the system interpreter.
python=/usr/bin/python3
[ -x "$python" ] || python=python3

ours="$("$build/bin/bench_analysis")"
numpy="$("$python" "$root/bench/analysis/reference_bench.py")"

# Targets: at most 1.5x numpy at N = 5000, at most 1.0x at N = 200000.
awk -v ours="$ours" -v numpy="$numpy" 'BEGIN {
    n = split(numpy, lines, "\n")
    for (i = 1; i <= n; i++) { split(lines[i], f, " "); ref[f[1] " " f[2]] = f[3] }
    target["5000"] = 1.5; target["200000"] = 1.0
    printf "%-4s %8s %14s %14s %8s %8s\n", "kind", "N", "ours ns/smp", "numpy ns/smp", "ratio", "target"
    n = split(ours, lines, "\n")
    for (i = 1; i <= n; i++) {
        split(lines[i], f, " ")
        r = ref[f[1] " " f[2]]
        ratio = (r > 0) ? f[3] / r : 0
        t = (f[2] in target) ? sprintf("<=%.1f %s", target[f[2]], ratio <= target[f[2]] ? "met" : "MISSED") : "-"
        printf "%-4s %8s %14.3f %14.3f %8.2f  %s\n", f[1], f[2], f[3], r, ratio, t
    }
}'
