#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the
# configurator needs. Safe to run again: apt-get skips what is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  gettext
  clang libclang-rt-14-dev
  nodejs npm
  xvfb xauth imagemagick xdotool
  valgrind
  lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# nodejs from another source may already provide npm
if command -v npm >/dev/null 2>&1; then
  missing=("${missing[@]/npm}"); missing=("${missing[@]/nodejs}")
fi
missing=($(printf '%s\n' "${missing[@]}" | sed '/^$/d'))

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
