#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package from scripts/package.sh on this machine:
#  1. installs build/package/vernier_*.deb and its dependencies with apt-get;
#  2. runs `vernier` from PATH under Xvfb in an empty directory, where it
#     starts on the simulator installed with it;
#  3. starts a recording with Ctrl+R, waits for rows, and closes the window;
#  4. checks the directory: vernier.ini, a vernier.log without error lines, a
#     CSV with numbers in it;
#  5. removes the package and checks that none of its files is left.
# The package is removed on every way out, so the machine is left without it.
# Needs root (or sudo) for apt-get.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

fail() {
  echo "check-package: FAILED: $*" >&2
  exit 1
}
step() { echo "== $*"; }

shopt -s nullglob
debs=("$root"/build/package/vernier_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one build/package/vernier_*.deb (run scripts/package.sh)"
deb="${debs[0]}"
if dpkg-query -W -f='${Status}' vernier 2>/dev/null | grep -q "ok installed"; then
  fail "vernier is installed already; remove it first (apt-get remove vernier)"
fi

tmp="$(mktemp -d)"
work="$tmp/work"
mkdir "$work"
xvfb_pid=""
app_pid=""
installed=0
cleanup() {
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  if [ "$installed" -eq 1 ]; then
    $SUDO apt-get remove -y -qq vernier >/dev/null 2>&1 || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

step "1. apt-get install $(basename "$deb")"
installed=1
$SUDO apt-get install -y -qq "$(realpath "$deb")" >"$tmp/apt-install.log" 2>&1 ||
  { cat "$tmp/apt-install.log" >&2; fail "apt-get install"; }
dpkg-query -W -f='${Status}\n' vernier | grep -q "install ok installed" || fail "vernier not installed"
dpkg-query -L vernier >"$tmp/files"
echo "installed $(wc -l <"$tmp/files") paths"

step "2. vernier from PATH under Xvfb, in an empty directory"
program="$(command -v vernier || true)"
[ "$program" = /usr/bin/vernier ] || fail "vernier on PATH is '$program', not /usr/bin/vernier"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$tmp/display" || fail "Xvfb did not start"
DISPLAY=":$(head -n1 "$tmp/display")"
export DISPLAY
(cd "$work" && exec env -u LD_LIBRARY_PATH -u VRK_SIM_CONFIG QT_QPA_PLATFORM=xcb vernier \
  >"$tmp/stdout.log" 2>"$tmp/stderr.log") &
app_pid=$!
window=""
find_window() {
  kill -0 "$app_pid" 2>/dev/null || fail "vernier exited at start: $(cat "$tmp/stderr.log")"
  window="$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | head -n1)"
  [ -n "$window" ]
}
wait_for 30 find_window || fail "no window of vernier appeared"
grep -q " /usr/lib/vernier/libvrk_api.so$" "/proc/$app_pid/maps" ||
  fail "the program did not load the installed device library /usr/lib/vernier/libvrk_api.so"
echo "window $window: $(xdotool getwindowname "$window"); device library /usr/lib/vernier/libvrk_api.so"

step "3. Ctrl+R, wait for rows, close the window"
csv_rows() {
  local files=("$work"/vernier-*.csv)
  [ ${#files[@]} -eq 1 ] && [ "$(wc -l <"${files[0]}")" -ge 4 ]
}
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+r
wait_for 60 csv_rows || fail "no recording with rows appeared after Ctrl+R: $(ls -A "$work")"
# No window manager runs here, so ask the window to close as a window
# manager would: the WM_DELETE_WINDOW protocol message.
python3 - "$window" <<'PY'
import ctypes
import sys

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.display = display
event.xclient.window = int(sys.argv[1])
event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x11.XSendEvent(display, int(sys.argv[1]), 0, 0, ctypes.byref(event))
x11.XCloseDisplay(display)  # flushes the request
PY
exited() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for 30 exited || fail "vernier did not exit within 30 s of closing its window"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "vernier exited with status $status: $(tail -n5 "$tmp/stderr.log")"
echo "vernier exited with status 0"

step "4. files in the working directory"
ls -l "$work"
[ -s "$work/vernier.ini" ] || fail "no vernier.ini"
[ -f "$work/vernier.log" ] || fail "no vernier.log"
if grep -E '^\[[^]]* [EF]\] ' "$work/vernier.log"; then
  fail "vernier.log has error lines (above)"
fi
echo "vernier.log: $(wc -l <"$work/vernier.log") lines, none an error:"
# The program writes its log in Windows-1251.
iconv -f WINDOWS-1251 -t UTF-8 "$work/vernier.log" | sed 's/^/  /'
python3 - "$work"/vernier-*.csv <<'PY'
import csv
import sys

path = sys.argv[1]
with open(path, newline="", encoding="utf-8") as f:
    rows = list(csv.reader(f))
header, body = rows[0], rows[1:]
if header[:2] != ["time", "elapsed_s"] or "ch1_mV" not in header:
    sys.exit("unexpected CSV header: %s" % header[:4])
numbers = 0
for row in body:
    for name, cell in zip(header, row):
        if name.endswith("_mV") and cell:
            float(cell)
            numbers += 1
if not numbers:
    sys.exit("no readings in %s" % path)
print("%s: %d rows, %d voltage readings, first row %s" % (path.rsplit("/", 1)[-1], len(body), numbers, body[0][:4]))
PY

step "5. apt-get remove vernier"
$SUDO apt-get remove -y -qq vernier >"$tmp/apt-remove.log" 2>&1 ||
  { cat "$tmp/apt-remove.log" >&2; fail "apt-get remove"; }
installed=0
if dpkg-query -W -f='${db:Status-Status}' vernier 2>/dev/null | grep -qv '^not-installed$'; then
  fail "dpkg still knows vernier as $(dpkg-query -W -f='${db:Status-Status}' vernier)"
fi
left=0
while IFS= read -r path; do
  # Shared directories such as /usr/bin stay; anything else of the package must be gone.
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == */vernier ]]; }; then
    echo "left behind: $path" >&2
    left=1
  fi
done <"$tmp/files"
[ "$left" -eq 0 ] || fail "files of the package are left behind"
echo "no file of the package is left"
echo "check-package: all steps passed"
