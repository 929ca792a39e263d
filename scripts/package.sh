#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the release tree in build/package-work and the Debian package
# build/package/vernier_<version>_<arch>.deb with CPack, then checks the
# package with desktop-file-validate, appstreamcli and lintian and fails on
# any error they report.  Warnings are printed and do not fail.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
build="$root/build/package-work"
out="$root/build/package"

# Debian's hardening flags (fortified functions, stack protector, full
# RELRO, immediate binding), as a Debian build of the package would use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cd "$root"
# As dpkg-buildpackage does: the build time is the changelog's, so that the
# compiler's __DATE__ and __TIME__ (the window's build line) and the file
# times in the package repeat; -Wdate-time, which warns about them, goes.
SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l packaging/changelog -S Timestamp)"
export SOURCE_DATE_EPOCH
export DEB_CPPFLAGS_MAINT_STRIP=-Wdate-time
cppflags="$(dpkg-buildflags --get CPPFLAGS)"
cflags="$(dpkg-buildflags --get CFLAGS) $cppflags"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
ldflags="$(dpkg-buildflags --get LDFLAGS)"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVERNIER_TESTS=OFF -DVERNIER_BENCH=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_C_FLAGS="$cflags" -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$(nproc)"

mkdir -p "$out"
rm -f "$out"/vernier_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"
shopt -s nullglob
debs=("$out"/vernier_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "package: expected one vernier_*.deb in $out" >&2; exit 1; }
deb="${debs[0]}"

tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"

failed=0
echo "== desktop-file-validate"
desktop-file-validate "$tree/usr/share/applications/vernier.desktop" || failed=1
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$tree/usr/share/metainfo/ru.korvex.vernier.metainfo.xml" || failed=1
echo "== appstreamcli validate-tree --no-net"
appstreamcli validate-tree --no-net "$tree" || failed=1
echo "== lintian"
lintian_args=(--display-info)
[ "$(id -u)" -ne 0 ] || lintian_args+=(--allow-root)
lintian "${lintian_args[@]}" "$deb" || failed=1

echo "== $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Depends Installed-Size
dpkg-deb --contents "$deb" | awk '{ print $1, $6 }'
if [ "$failed" -ne 0 ]; then
  echo "package: a validator reported errors (above)" >&2
  exit 1
fi
