# tarnwell-check.exe writing to a console: under a pseudo-terminal Wine
# gives the program a console, so its text goes out through WriteConsoleW.
# A Latin-1 byte of the file must then show as U+FFFD in the echoed line
# (UTF-8 on the terminal), never as the raw byte, and colour is on unless
# NO_COLOR is set.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER
command -v script >/dev/null || skip "script (util-linux) is not installed"
check_exe="$WORK/mingw/tarnwell-check.exe"
[ -f "$check_exe" ] || fail "$check_exe was not built (the check_cross_build test sets it up)"
[ -d "$PREFIX" ] || fail "no Wine prefix (the prefixes test sets it up)"

dir="$WORK/check-console"
rm -rf "$dir"
mkdir -p "$dir"
printf '[Dev]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7\nIFC_Class = 0x02\nFriendlyName = B\xfcro\n' \
  >"$dir/latin1.cfg"

# on_console OUT [ENV...]: the program's console output, without the
# console's escapes, carriage returns and the line breaks of its width.
on_console() {
  local out="$1"
  shift
  (cd "$dir" && env -u DISPLAY "$@" WINEPREFIX="$PREFIX" timeout 120 \
    script -qec "'$WINE' '$check_exe' latin1.cfg" /dev/null) >"$out.raw" ||
    fail "running under a pseudo-terminal"
  tr -d '\r\n' <"$out.raw" >"$out"
}

on_console "$dir/color"
sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$dir/color" >"$dir/plain"
grep -q $'FriendlyName = B\xef\xbf\xbdro' "$dir/plain" || fail "the Latin-1 byte was not echoed as U+FFFD"
! grep -q $'B\xfcro' "$dir/plain" || fail "the raw byte reached the console"
grep -q $'\x1b\\[01;35m\x1b\\[Kwarning:' "$dir/color" || fail "no colour on a console"

on_console "$dir/no-color" NO_COLOR=1
! grep -q $'\x1b\\[01;35m' "$dir/no-color" || fail "colour on a console despite NO_COLOR"
echo "tarnwell-check.exe on a console: wide text, colour, NO_COLOR respected"
