#!/usr/bin/env bash
# Installs the Debian packages that building and testing tarnwell needs and
# that this machine lacks. Safe to run again: it installs nothing twice.
set -euo pipefail

packages=(
  cmake make g++
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  llvm-14  # llvm-profdata and llvm-cov for scripts/coverage.sh
)

# The Windows build and its tests under Wine. A machine that cannot get
# them still builds and tests the rest: those tests then say they skipped.
windows_packages=(
  g++-mingw-w64-x86-64 wine wine64 xvfb xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
windows_missing=()
for p in "${windows_packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || windows_missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ ${#windows_missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]} ${windows_missing[*]}" >&2
$sudo apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
if [ ${#windows_missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${windows_missing[@]}" ||
    echo "Could not install ${windows_missing[*]}: the Wine tests will be skipped." >&2
fi
