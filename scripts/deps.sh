#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks, the
# package scripts and the program itself (Qt's Russian texts) need.
# Only missing packages are installed; nothing is printed when all are present.
# apt runs directly as root, through sudo otherwise, and shows its progress.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qtbase5-dev qtbase5-dev-tools qttranslations5-l10n
  libfftw3-dev libbenchmark-dev nlohmann-json3-dev libsndfile1-dev
  libqwt-qt5-dev libqt5charts5-dev
  python3 python3-numpy python3-scipy python3-pyvisa python3-pyvisa-py
  xvfb xauth imagemagick
  clang-format
  lintian desktop-file-utils appstream xdotool
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}" >&2
by_hand() {
  echo "deps: $1.  Install the missing packages as root:" >&2
  echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
  echo "deps: then run this command again." >&2
  exit 1
}
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  by_hand "not running as root, and sudo is not installed"
fi
export DEBIAN_FRONTEND=noninteractive
# apt's own output goes to standard error, so that the progress of a long
# first install shows while the callers' standard output stays theirs.
"${as_root[@]}" apt-get update >&2 || by_hand "apt-get update failed"
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >&2 ||
  by_hand "apt-get install failed"
