#!/usr/bin/env bash
# Builds the Debian package from the build folder and tries it as a fresh install would be:
# its files unpacked into an empty folder (no build tree on the path), the version of both
# programs, a session script on the installed samples, the desktop entry, the manual pages
# and the dependencies the package declares.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
(cd "$BUILD_DIR" && rm -f quantorial_*.deb && cpack -G DEB > cpack.log)
deb=$(ls "$BUILD_DIR"/quantorial_*.deb)
root=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$root" "$work"' EXIT
dpkg-deb -x "$deb" "$root"
fail() { echo "package test: $*" >&2; exit 1; }
"$root/usr/bin/quantorial-cli" --version | grep -q "^quantorial-cli [0-9]" || fail "quantorial-cli --version"
"$root/usr/bin/quantorial" --version | grep -q "^quantorial [0-9]" || fail "quantorial --version"
cp "$root"/usr/share/quantorial/samples/* "$work"
"$root/usr/bin/quantorial-cli" play "$work/klein_session.qs" || fail "play on the installed samples"
[ -s "$work/out/mForecast.csv" ] || fail "the played session wrote no forecast"
desktop-file-validate "$root/usr/share/applications/quantorial.desktop" || fail "desktop entry"
# Claiming workbooks or tables would make the desktop open previews in this program itself.
! grep -q '^MimeType=' "$root/usr/share/applications/quantorial.desktop" || fail "the desktop entry claims file types"
for size in 16 32 48 256; do
  [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/quantorial.png" ] || fail "icon ${size}"
done
for page in quantorial quantorial-cli; do
  MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1" 2>/dev/null | grep -q "SYNOPSIS" || fail "man $page"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libzip4 libsqlcipher; do
  echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
done
echo "package test: $(basename "$deb") installs and runs"
