#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds build/tsan with ThreadSanitizer and runs the tests that start the
# receive loop (label "receive").  Their environment (tests/CMakeLists.txt)
# makes any report not suppressed in tests/tsan.supp fail them.  Not yet part
# of scripts/test.sh: see the README.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
export QT_QPA_PLATFORM=offscreen
# ThreadSanitizer cannot share a build with AddressSanitizer.  Only the
# labelled tests are built: each is the executable of the same name.  Their
# environment (tests/CMakeLists.txt) makes any unsuppressed report fail them.
tsan="$root/build/tsan"
# Configured every time (it takes a second), so the labels listed are current.
cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=Debug -DVERNIER_TSAN=ON -DVERNIER_BENCH=OFF >/dev/null
mapfile -t receive < <(cd "$tsan" && ctest -N -L receive 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p')
if [ ${#receive[@]} -eq 0 ]; then
  echo "test: FAILED: no test carries the label \"receive\"" >&2
  exit 1
fi
# One target at a time: make builds several named targets side by side, and
# two of them would then generate the same shared library's sources at once.
for t in "${receive[@]}"; do
  cmake --build "$tsan" -j"$(nproc)" --target "$t"
done
cd "$tsan"
ctest --output-on-failure -j"$(nproc)" -L receive "$@"
