#!/usr/bin/env bash
# Builds the Debian package from the build folder (building first what it holds, if need
# be), checks it with lintian (no error or warning may be left) and tries it as a fresh
# install would be: its files unpacked into an empty folder (no build tree on the path), the
# version of both programs, every sample file and a session script on them, the desktop
# entry, the manual pages, the changelog and the dependencies the package declares.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
scripts/setup.sh --test
scripts/build.sh package_contents
(cd "$BUILD_DIR" && rm -f quantorial_*.deb && cpack -G DEB > cpack.log)
deb=$(ls "$BUILD_DIR"/quantorial_*.deb)
root=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$root" "$work"' EXIT
dpkg-deb -x "$deb" "$root"
fail() { echo "package test: $*" >&2; exit 1; }
# An error or a warning of lintian fails the test; its report is shown then.
lintian --fail-on error,warning "$deb" > "$work/lintian.txt" 2>&1 || { cat "$work/lintian.txt" >&2; fail "lintian"; }
"$root/usr/bin/quantorial-cli" --version | grep -q "^quantorial-cli [0-9]" || fail "quantorial-cli --version"
"$root/usr/bin/quantorial" --version | grep -q "^quantorial [0-9]" || fail "quantorial --version"
samples=$root/usr/share/quantorial/samples
# The guide's script session plays this file from the installed samples.
[ -s "$samples/klein_session.qs" ] || fail "the sample session klein_session.qs is not installed"
# Every sample the repository holds (CMakeLists.txt names them one by one), not what a
# session run in place has left in the folder.
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  mapfile -t shipped < <(git ls-files data/samples)
else
  shipped=(data/samples/*)
fi
for f in "${shipped[@]}"; do
  [ -f "$f" ] || continue
  cmp -s "$f" "$samples/$(basename "$f")" || fail "the sample $(basename "$f") is not installed as it is in data/samples (is it in CMakeLists.txt's list?)"
done
cp "$samples"/* "$work"
"$root/usr/bin/quantorial-cli" play "$work/klein_session.qs" || fail "play on the installed samples"
[ -s "$work/out/mForecast.csv" ] || fail "the played session wrote no forecast"
desktop-file-validate "$root/usr/share/applications/quantorial.desktop" > "$work/desktop.txt" || { cat "$work/desktop.txt" >&2; fail "desktop entry"; }
# In more than one main category the program would be listed twice in the menus.
! grep -q 'more than one main category' "$work/desktop.txt" || fail "the desktop entry has more than one main category"
# Claiming workbooks or tables would make the desktop open previews in this program itself.
! grep -q '^MimeType=' "$root/usr/share/applications/quantorial.desktop" || fail "the desktop entry claims file types"
for size in 16 32 48 256; do
  [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/quantorial.png" ] || fail "icon ${size}"
done
for page in quantorial quantorial-cli; do
  MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null | grep -q "SYNOPSIS" || fail "man $page"
done
# Help > Help Topics opens the guide from the documentation folder; its pictures come along.
for f in guide.md guide/02-run-all.png estimation.md simulation.md inputoutput.md; do
  [ -s "$root/usr/share/doc/quantorial/$f" ] || fail "the documentation file $f is not installed"
done
version=$(dpkg-deb -f "$deb" Version)
zcat "$root/usr/share/doc/quantorial/changelog.gz" | head -n 1 | grep -qF "quantorial ($version)" \
  || fail "the changelog's latest entry is not for version $version"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libzip4 libsqlcipher; do
  echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
done
echo "package test: $(basename "$deb") installs and runs"
