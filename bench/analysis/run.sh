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

# Target on the median ratio of the AC analysis: at most 0.6x numpy at both
# N = 5000 and N = 200000.  DC is shown beside it without a target.  The
# ratio of the minima is shown for a loaded machine.
awk -v ours="$ours" -v numpy="$numpy" 'BEGIN {
    n = split(numpy, lines, "\n")
    for (i = 1; i <= n; i++) { split(lines[i], f, " "); med[f[1] " " f[2]] = f[3]; low[f[1] " " f[2]] = f[4] }
    target["ac 5000"] = 0.6; target["ac 200000"] = 0.6
    printf "%-4s %7s %12s %12s %7s %12s %12s %7s  %s\n", "kind", "N", "ours med", "numpy med", "ratio",
           "ours min", "numpy min", "ratio", "target (median ratio)"
    n = split(ours, lines, "\n")
    for (i = 1; i <= n; i++) {
        split(lines[i], f, " ")
        key = f[1] " " f[2]
        ratio = (med[key] > 0) ? f[3] / med[key] : 0
        lowRatio = (low[key] > 0) ? f[4] / low[key] : 0
        t = (key in target) ? sprintf("<=%.1f %s", target[key], ratio <= target[key] ? "met" : "MISSED") : "-"
        printf "%-4s %7s %12.3f %12.3f %7.2f %12.3f %12.3f %7.2f  %s\n", f[1], f[2], f[3], med[key], ratio,
               f[4], low[key], lowRatio, t
    }
    print "(ns per sample)"
}'
