#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that every C++ source is formatted as .clang-format asks, then builds
# build/debug with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test; then builds build/tsan with ThreadSanitizer and runs there the
# tests that start the receive loop (label "receive").  Incremental: a second
# run with nothing changed is quick.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

# The sources are the tracked ones in a git checkout, else every .cpp and .h
# outside the build trees.
cd "$root"
if command -v git >/dev/null 2>&1 && git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t sources < <(find . -path './build*' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
unformatted=()
for f in "${sources[@]}"; do
  [ -f "$f" ] || continue # tracked but deleted in the work tree
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -ne 0 ]; then
  echo "test: FAILED: ${#unformatted[@]} file(s) not formatted as .clang-format asks; run clang-format -i on:" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "test: ${#sources[@]} C++ files formatted as .clang-format asks"

build="$root/build/debug"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DVERNIER_SANITIZE=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"

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
