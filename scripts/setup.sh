#!/usr/bin/env bash
# Installs the Debian packages Quantorial needs to build and run; with --test also the tools
# only the test command uses (clang for the checking build, clang-format for the layout
# check, lintian, desktop-file-validate and man for the package test), so that the start
# command does not wait for them.
# Idempotent: packages already present are left alone, and the package lists are
# refreshed only when a missing package cannot be found or fails to install.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libglpk-dev libutf8proc-dev
  libzip-dev libexpat1-dev libsqlcipher-dev libxlsxwriter-dev libreadstat-dev zlib1g-dev
  libeigen3-dev libgsl-dev libsuitesparse-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
)
TEST_PACKAGES=(
  clang libclang-rt-14-dev
  desktop-file-utils man-db lintian clang-format
)
case "${1:-}" in
  "") ;;
  --test) PACKAGES+=("${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "setup: missing packages (${missing[*]}) and no root rights to install them" >&2
    exit 1
  fi
fi

export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]}" >&2

needs_update=0
for p in "${missing[@]}"; do
  cand=$(apt-cache policy "$p" 2>/dev/null | awk '/Candidate:/ {print $2}')
  if [ -z "$cand" ] || [ "$cand" = "(none)" ]; then needs_update=1; fi
done
if [ "$needs_update" = 1 ]; then
  $SUDO apt-get update -qq
fi
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  # A stale package list can name versions the archive no longer has.
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
