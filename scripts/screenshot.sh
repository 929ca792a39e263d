#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renews docs/screenshot.png: builds build/release if needed, runs the program
# under Xvfb on the default simulator in a temporary directory, starts a
# recording, waits until the readings show, and saves the main window.
#   scripts/screenshot.sh [whole seconds to wait after the window shows, default 6]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
settle="${1:-6}"
"$root/scripts/deps.sh"
build="$root/build/release"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVERNIER_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target vernier

tmp="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$tmp/display" || { echo "screenshot: Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(head -n1 "$tmp/display")"
export DISPLAY
mkdir "$tmp/work"
# Channels 1-8 of the default simulated module, as an operator would set them
# for its signals: 1, 7 and 8 AC (sines of 1 kHz, 20 Hz, 50 Hz); 2-6 DC, with
# 3, 4 and 5 on the 2.5 V, 0.6 V and 0.15 V ranges.
cat >"$tmp/work/vernier.ini" <<'INI'
[MDX11]
ChannelsEnabled=255
ChannelsSetToDc=62
Channels16SelectedRange=912
INI
(cd "$tmp/work" && exec env -u VRK_SIM_CONFIG QT_QPA_PLATFORM=xcb "$build/bin/vernier" \
  >"$tmp/stdout.log" 2>"$tmp/stderr.log") &
app_pid=$!
window=""
find_window() {
  kill -0 "$app_pid" 2>/dev/null || { echo "screenshot: the program exited" >&2; cat "$tmp/stderr.log" >&2; exit 1; }
  window="$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1)"
  [ -n "$window" ]
}
wait_for 30 find_window || { echo "screenshot: no window appeared" >&2; exit 1; }
# The device search, the opening of the module and the first display passes
# take a few seconds on the simulator; a recording (Ctrl+R) started on the way
# shows in the status bar.
sleep "$((settle / 2))"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+r
sleep "$((settle - settle / 2))"

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$root/docs"
# Only the window, without metadata (so that an unchanged picture gives an
# unchanged file), and never wider than a README column needs.
import -window root "$tmp/screen.png"
convert "$tmp/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -resize '1280x1280>' -strip \
  "$root/docs/screenshot.png"
echo "screenshot: docs/screenshot.png, ${WIDTH}x${HEIGHT} window"
