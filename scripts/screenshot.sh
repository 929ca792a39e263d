#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renews the pictures in docs/: builds build/release if needed and runs the
# program under Xvfb in temporary directories, on the simulator:
#   screenshot.png         the README's picture: channels 1-8 of the default
#                          module measuring, with a recording running
#   main-searching.png     the main window during a (slow) device search
#   main-no-device.png     the main window after a search that found nothing
#   main-32-channels.png   all 32 channels of the default module measuring
#   trend.png              the trend window (Ctrl+G) over those 32 channels
#   about.png              "О программе…" (F1)
# Each run ends with "Выход" (Ctrl+Q).
#   scripts/screenshot.sh [whole seconds to wait for readings, default 6]
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
mkdir -p "$root/docs"

run=""
# The visible window of the program whose title matches the pattern, in
# $found.
found=""
find_window() {
  kill -0 "$app_pid" 2>/dev/null || { echo "screenshot: the program exited" >&2; cat "$tmp/$run/stderr.log" >&2; exit 1; }
  found="$(xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" 2>/dev/null | head -n1)"
  [ -n "$found" ]
}
window_of() {
  wait_for 30 find_window "$1" || { echo "screenshot: no window \"$1\" appeared" >&2; exit 1; }
  echo "$found"
}

# start NAME SIM-CONFIG: a fresh working directory $tmp/NAME holding the
# vernier.ini read from standard input; the simulator's configuration file,
# or "" for its built-in default.  Sets $main to the main window.
main=""
start() {
  run="$1"
  mkdir "$tmp/$run"
  cat >"$tmp/$run/vernier.ini"
  local config=(-u VRK_SIM_CONFIG)
  [ -z "$2" ] || config=(VRK_SIM_CONFIG="$2")
  (cd "$tmp/$run" && exec env "${config[@]}" QT_QPA_PLATFORM=xcb "$build/bin/vernier" \
    >"$tmp/$run/stdout.log" 2>"$tmp/$run/stderr.log") &
  app_pid=$!
  main="$(window_of '^vrk11_vivi_')"
}

# shoot WINDOW FILE: only the window, without metadata (so that an unchanged
# picture gives an unchanged file), never wider than a README column needs.
shoot() {
  local WIDTH HEIGHT X Y SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root "$tmp/screen.png"
  convert "$tmp/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -resize '1280x1280>' -strip \
    "$root/docs/$2"
  echo "screenshot: docs/$2, ${WIDTH}x${HEIGHT} window"
}

# Ends the program as an operator would, with "Выход".
quit() {
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers ctrl+q
  wait_for 20 sh -c "! kill -0 $app_pid 2>/dev/null" || { echo "screenshot: Ctrl+Q did not end the program" >&2; exit 1; }
  wait "$app_pid" || { echo "screenshot: the program failed at exit" >&2; exit 1; }
  app_pid=""
}

# The README's picture.  Channels 1-8 of the default simulated module, as an
# operator would set them for its signals: 1, 7 and 8 AC (sines of 1 kHz,
# 20 Hz, 50 Hz); 2-6 DC, with 3, 4 and 5 on the 2.5 V, 0.6 V and 0.15 V
# ranges.  A recording (Ctrl+R) started on the way shows in the status bar.
start readme "" <<'INI'
[MDX11]
ChannelsEnabled=255
ChannelsSetToDc=62
Channels16SelectedRange=912
INI
sleep "$((settle / 2))"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+r
sleep "$((settle - settle / 2))"
shoot "$main" screenshot.png
quit

# A search that takes its longest (the library's timeout, 1 s per call),
# caught right after the window appears.
cat >"$tmp/slow.json" <<'JSON'
{ "searchDelayMs": 1000,
  "devices": [ { "name": "VRK11", "address": "192.0.2.11", "serial": "SIM-0001", "firmware": "1.0-sim" } ] }
JSON
start searching "$tmp/slow.json" </dev/null
sleep 0.3
shoot "$main" main-searching.png
quit

cat >"$tmp/none.json" <<'JSON'
{ "searchDelayMs": 100, "devices": [] }
JSON
start no-device "$tmp/none.json" </dev/null
sleep 2
shoot "$main" main-no-device.png
quit

# All 32 inputs of the default module against common ground (a channel above
# 16 stored as on selects that mode), DC where the module carries a DC level:
# 2-6, 9, 17, 18, 23, 25, 27 and 29; the trend chart over its last minute.
start 32-channels "" <<'INI'
[MDX11]
ChannelsEnabled=4294967295
ChannelsSetToDc=356712766
[Recording]
TrendSpanMin=1
INI
# The ADC at 1000 kHz, so that each of the 32 channels is sampled fast enough
# for the module's signals (up to 5 kHz): a click opens the frequency box
# (its place in the window's left-anchored settings form), End chooses the
# last rate.
sleep 2
xdotool windowfocus --sync "$main"
xdotool mousemove --window "$main" 375 202 click 1
sleep 0.5
xdotool key --clearmodifiers End Return
sleep "$settle"
shoot "$main" main-32-channels.png
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+g
trend="$(window_of '^График показаний$')"
sleep "$settle"
shoot "$trend" trend.png
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers F1
about="$(window_of '^О программе$')"
sleep 1
shoot "$about" about.png
xdotool windowfocus --sync "$about"
xdotool key --clearmodifiers Escape
wait_for 10 sh -c "! xdotool search --all --onlyvisible --pid $app_pid --name '^О программе\$' >/dev/null 2>&1" ||
  { echo "screenshot: the about box did not close" >&2; exit 1; }
quit
