#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the
# package scripts need.
# Only missing packages are installed; nothing is printed when all are present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qtbase5-dev qtbase5-dev-tools
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
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
