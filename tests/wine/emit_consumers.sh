# emit_consumers.sh CASE...: the image fragment (after a REGEDIT4 line)
# imported by Wine's regedit and the CAB Wizard .inf installed by Wine's
# SetupAPI must each leave what tarnwell.exe leaves (expected.reg, over the
# seed), and tarnwell-check.exe write the same bytes as the host build;
# for the cabinet (cabinet.dll's FCI there, libgcab here), the same setup
# file, as cabextract unpacks it.
# Text outside printable ASCII: refused by both, no file; the twin with
# "é" as "e" is checked instead.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER ICONV
command -v cabextract >/dev/null || skip "cabextract is not installed"
check_exe="$WORK/mingw/tarnwell-check.exe"
[ -f "$check_exe" ] || fail "$check_exe was not built (the check_cross_build test sets it up)"
[ -d "$IMPORT_PREFIX" ] || fail "no Wine prefix (the prefixes test sets it up)"
[ -x "${HOST_CHECK:-}" ] || fail "no host tarnwell-check"
out="$WORK/emit"
rm -rf "$out"

# check NAME CONFIG EXPECTED SEED
check() {
  local name="$1" config="$2" expected="$3" seed="$4" kind host win refused=""
  mkdir -p "$out/$name"
  cp "$config" "$out/$name/usbcdc.cfg"
  for kind in image-reg cab-inf cab; do
    host=0 win=0
    echo "an older file" >"$out/$name/win.$kind"  # replaced whole
    (cd "$out/$name" && "$HOST_CHECK" -q --emit=$kind -o host.$kind usbcdc.cfg) || host=$?
    (cd "$out/$name" && wine_in "$IMPORT_PREFIX" "$check_exe" -q --emit=$kind -o win.$kind usbcdc.cfg) \
      >/dev/null 2>&1 || win=$?
    [ "$host" -eq "$win" ] || fail "$name $kind: tarnwell-check exits with $host, tarnwell-check.exe with $win"
    if [ ! -f "$out/$name/host.$kind" ] && [ "$(cat "$out/$name/win.$kind")" = "an older file" ] &&
        [ "$host" -eq 1 ]; then
      refused+=" $kind"
      continue
    fi
    if [ $kind = cab ]; then
      for build in host win; do
        cabextract -q -d "$out/$name/$build-cab" "$out/$name/$build.cab" ||
          fail "$name: cabextract does not unpack the $build build's cabinet"
      done
      cmp "$out/$name/host-cab/TARNWELL.000" "$out/$name/win-cab/TARNWELL.000" ||
        fail "$name cab: tarnwell-check.exe writes another setup file than the host build"
      continue
    fi
    cmp "$out/$name/host.$kind" "$out/$name/win.$kind" ||
      fail "$name $kind: tarnwell-check.exe writes other bytes than the host build"
    clear_drivers "$IMPORT_PREFIX"
    if [ -f "$seed" ]; then
      to_utf16_reg "$seed" "$out/$name/seed.reg"
      wine_in "$IMPORT_PREFIX" regedit /s "$(winpath "$out/$name/seed.reg")" >/dev/null 2>&1 ||
        fail "importing the seed"
    fi
    if [ $kind = image-reg ]; then
      { printf 'REGEDIT4\r\n\r\n'; cat "$out/$name/host.$kind"; } >"$out/$name/import.reg"
      wine_in "$IMPORT_PREFIX" regedit /s "$(winpath "$out/$name/import.reg")" >/dev/null 2>&1 ||
        fail "$name: regedit /s does not take the fragment"
    else
      wine_in "$IMPORT_PREFIX" rundll32 setupapi.dll,InstallHinfSection DefaultInstall 128 \
        "$(winpath "$out/$name/host.$kind")" >/dev/null 2>&1 || fail "$name: SetupAPI does not install the .inf"
    fi
    export_drivers "$IMPORT_PREFIX" "$out/$name/$kind.txt"
    same_or_fail "$expected" "$out/$name/$kind.txt" "$name: the registry from the $kind file"
  done
  # Text outside printable ASCII, and a file the installer fails on, are
  # refused by every kind; a DWORD above 0x7FFFFFFF by the .inf alone,
  # which the CAB Wizard would fail on.
  local expected_refusal=""
  if LC_ALL=C grep -q $'[^\t -~\r]' "$config" ||
      grep -q '^Error:' "$(dirname "$expected")/messages.txt"; then
    expected_refusal=" image-reg cab-inf cab"
  elif grep -qiE '= *(0x)?[89a-f][0-9a-f]{7}$' "$config"; then
    expected_refusal=" cab-inf"
  fi
  [ "$refused" = "$expected_refusal" ] ||
    fail "$name: refused by${refused:- none}, where${expected_refusal:- none} should be"
  echo "$name: every file not refused (by${refused:- none}) leaves the registry that tarnwell.exe leaves"
}

for case_name in "$@"; do
  dir="$CASES/$case_name"
  check "$case_name" "$dir/usbcdc.cfg" "$dir/expected.reg" "$dir/seed.reg"
  if LC_ALL=C grep -q $'\xe9' "$dir/usbcdc.cfg"; then
    mkdir -p "$out/$case_name-ascii"
    LC_ALL=C sed $'s/\xe9/e/g' "$dir/usbcdc.cfg" >"$out/$case_name-ascii/config"
    sed 's/é/e/g' "$dir/expected.reg" >"$out/$case_name-ascii/expected.reg"
    check "$case_name-ascii" "$out/$case_name-ascii/config" \
      "$out/$case_name-ascii/expected.reg" "$dir/seed.reg"
  fi
done
