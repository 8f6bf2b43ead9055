# Shared by the Wine tests (sourced). Wine is run without a display unless
# a test sets one: its message box then returns at once, and the
# program's calls are read from Wine's relay trace instead.
set -euo pipefail

: "${WORK:?}" "${SOURCE:?}"
PREFIX="$WORK/prefix"              # where tarnwell.exe runs
IMPORT_PREFIX="$WORK/import-prefix" # where the host's registry.reg is imported

# The build under test: ARCH x86_64 (preset mingw) or i686 (preset
# mingw32). Wine's own tools run under the 64-bit loader, the program under
# the loader of its width. IMAGE_RET matches a return address inside the
# program (mingw-w64's image bases: 0x140000000 and 0x400000), and
# LOCAL_MACHINE is HKEY_LOCAL_MACHINE as the relay trace prints it.
ARCH="${ARCH:-x86_64}"
WINE="${WINE64:-${WINE32:-}}"
case "$ARCH" in
  x86_64)
    PRESET=mingw OBJDUMP=x86_64-w64-mingw32-objdump PROGRAM_WINE="$WINE"
    IMAGE_RET='140[0-9a-f]{6}' LOCAL_MACHINE=ffffffff80000002 ;;
  i686)
    PRESET=mingw32 OBJDUMP=i686-w64-mingw32-objdump PROGRAM_WINE="${WINE32:-}"
    IMAGE_RET='004[0-9a-f]{5}' LOCAL_MACHINE=80000002 ;;
  *) echo "FAILED: unknown ARCH $ARCH" >&2; exit 1 ;;
esac
EXE="$WORK/$PRESET/tarnwell.exe"
# make_prefixes.sh says here whether this machine's Wine runs 32-bit programs.
WINE32_STATUS="$WORK/wine32-status"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
export LC_ALL=C.UTF-8

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

# Every named tool must have been found when the build was configured.
need() {
  local name
  for name in "$@"; do
    local path="${!name:-}"
    if [ -z "$path" ] || [[ "$path" == *NOTFOUND ]] || [ ! -x "$path" ]; then
      local what="${name,,}"
      case "$name" in
        MINGW_CXX) what="the mingw-w64 cross compiler (g++-mingw-w64-${ARCH//_/-})" ;;
        PROGRAM_WINE) what="Wine for $ARCH programs" ;;
        XVFB) what="Xvfb (xvfb)" ;;
        IMPORT) what="ImageMagick's import (imagemagick)" ;;
        ICONV) what="iconv" ;;
      esac
      skip "$what is not installed; bash scripts/deps.sh installs it"
    fi
  done
}

# A 32-bit build needs a Wine that runs 32-bit programs, which
# make_prefixes.sh found out.
need_program_wine() {
  need PROGRAM_WINE
  [ "$ARCH" = i686 ] || return 0
  [ "$(cat "$WINE32_STATUS" 2>/dev/null)" = ok ] ||
    skip "$(cat "$WINE32_STATUS" 2>/dev/null || echo "32-bit Wine was not probed")"
}

# wine_in PREFIX ARGS...: a Wine program without a display.
wine_in() {
  local prefix="$1"
  shift
  env -u DISPLAY WINEPREFIX="$prefix" timeout 120 "$WINE" "$@"
}


# The registry below HKEY_LOCAL_MACHINE\Drivers as regedit exports it,
# in UTF-8 without carriage returns; empty when the key does not exist.
export_drivers() {
  local prefix="$1" out="$2" raw="$2.utf16" found=0
  rm -f "$raw"
  wine_in "$prefix" reg query 'HKLM\Drivers' >/dev/null 2>&1 || found=$?
  case $found in
    0) ;;
    1) : >"$out"; return 0 ;;  # reg's answer for a key that does not exist
    *) fail "reg query failed ($found)" ;;
  esac
  wine_in "$prefix" regedit /e "$(winpath "$raw")" 'HKEY_LOCAL_MACHINE\Drivers' \
    >/dev/null 2>&1 && [ -s "$raw" ] || fail "regedit /e exported nothing"
  "$ICONV" -f UTF-16 -t UTF-8 "$raw" | tr -d '\r' >"$out"
}

# to_utf16_reg TEXT OUT: a UTF-8 .reg text as regedit writes it.
to_utf16_reg() {
  { printf '\xff\xfe'; sed 's/$/\r/' "$1" | "$ICONV" -f UTF-8 -t UTF-16LE; } >"$2"
}

clear_drivers() {
  wine_in "$1" reg delete 'HKLM\Drivers' /f >/dev/null 2>&1 || true
}

# check_version_resource EXE: the program's version resource, read back
# from the file, names the product, this version and the program.
check_version_resource() {
  local exe="$1" info line
  [ -n "${PYTHON:-}" ] && [ -x "$PYTHON" ] || fail "no Python to read the version resource with"
  info=$("$PYTHON" "$SOURCE/tests/wine/version_resource.py" "$exe") ||
    fail "$(basename "$exe") has no readable version resource"
  for line in ProductName=tarnwell "ProductVersion=$VERSION" "FileVersion=$VERSION" \
      "FixedFileVersion=$VERSION.0" "FixedProductVersion=$VERSION.0" \
      "OriginalFilename=$(basename "$exe")"; do
    grep -qxF "$line" <<<"$info" ||
      fail "the version resource of $(basename "$exe") does not say $line:"$'\n'"$info"
  done
  grep -q '^FileDescription=.' <<<"$info" || fail "$(basename "$exe") has no description"
  echo "$(basename "$exe") ($ARCH): $(grep '^FileDescription=' <<<"$info" | cut -d= -f2-), version $VERSION"
}

# The Windows name of a file of this machine (Wine's drive Z: is /).
winpath() { printf 'Z:%s' "${1//\//\\}"; }

same_or_fail() {
  local expected="$1" actual="$2" what="$3"
  if ! diff -u "$expected" "$actual"; then
    fail "$what differs (expected $expected, got $actual)"
  fi
}
