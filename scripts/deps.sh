#!/usr/bin/env bash
# Installs the Debian packages that building and testing tarnwell needs and
# that this machine lacks. Safe to run again: it installs nothing twice.
set -euo pipefail

packages=(
  cmake make g++
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3
  # llvm-nm and llvm-ar for the ARM compile check and the API list.
  llvm
  llvm-14  # llvm-profdata and llvm-cov for scripts/coverage.sh
  # man, for the test of the manual pages; dpkg-shlibdeps, for the .deb.
  man-db groff-base dpkg-dev
  # setfacl, getfacl and setfattr, for the store's tests of ACLs and
  # extended attributes.
  acl attr
  # libgcab, the cabinet library of tarnwell-check --emit=cab (found with
  # pkg-config); cabextract, which unpacks the cabinets in the tests.
  libgcab-dev pkg-config cabextract
  # The host programs and tests built for 32-bit ARM and run under QEMU,
  # which the tests start themselves (no binfmt_misc registration needed).
  g++-arm-linux-gnueabi qemu-user
  # The device's tarnwell.exe: the bare-metal ARM compiler, the reader of
  # its ELF link for cmake/ElfToPe.py, and a PE reader for the tests.
  gcc-arm-none-eabi python3-pyelftools python3-pefile
)

# The Windows builds (64-bit and 32-bit x86) and their tests under Wine. A
# machine that cannot get them still builds and tests the rest: those tests
# then say they skipped.
windows_packages=(
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xdotool imagemagick
  # winedump, the second reader of the device's image.
  wine64-tools
)

# 32-bit Wine, for the 32-bit build: Debian ships it for the i386
# architecture only.
wine32_package=wine32:i386

installed() { dpkg -s "$1" >/dev/null 2>&1; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
windows_missing=()
for p in "${windows_packages[@]}"; do
  installed "$p" || windows_missing+=("$p")
done
wine32_missing=false
installed "$wine32_package" || wine32_missing=true
[ ${#missing[@]} -eq 0 ] && [ ${#windows_missing[@]} -eq 0 ] && ! $wine32_missing && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]} ${windows_missing[*]} $($wine32_missing && echo "$wine32_package")" >&2
if $wine32_missing && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386 ||
    echo "Could not add the i386 architecture: the 32-bit Wine tests will be skipped." >&2
fi
$sudo apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
if [ ${#windows_missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${windows_missing[@]}" ||
    echo "Could not install ${windows_missing[*]}: the Wine tests will be skipped." >&2
fi
if $wine32_missing; then
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$wine32_package" ||
    echo "Could not install $wine32_package: the 32-bit Wine tests will be skipped." >&2
fi
