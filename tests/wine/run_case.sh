# One configuration, two programs, one registry: tarnwell.exe runs under
# Wine, the host build runs natively and leaves registry.reg, which is
# imported into a fresh prefix with Wine's regedit. Both registries are
# exported by regedit and must equal each other and the case's
# expected.reg; exit codes and messages must equal messages.txt.
#
#   run_case.sh CASE [--dir NAME] [--long-path] [--config-directory]
#                    [--config-read-error] [--config-no-permission]
#                    [--without-ole32]
#
# ARCH (x86_64 or i686) chooses the build. --without-ole32: ole32 cannot be
# loaded, and the run must change only by losing its COM calls.
#
# cases/CASE holds usbcdc.cfg (absent: no configuration file), messages.txt,
# expected.reg and, optionally, seed.reg: values in the registry before the
# run (the host gets them as Wine's regedit exports them), and
# host_lines.txt: lines that the host's registry.reg holds as they stand
# (text that stays readable).
here="$(dirname "$0")"
source "$here/wine_common.sh"
source "$here/api_calls.sh"
need WINE WINESERVER ICONV
need_program_wine
[ -f "$EXE" ] || fail "$EXE was not built (the cross_build test sets it up)"
[ -d "$PREFIX" ] || fail "no Wine prefix (the prefixes test sets it up)"

case_name="$1"
shift
case_dir="$CASES/$case_name"
[ -d "$case_dir" ] || fail "no case $case_dir"
dir_name=program
long_path=false
config=copy
exe_name=tarnwell.exe
com=yes
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) dir_name="$2"; shift ;;
    --long-path) long_path=true ;;
    --config-directory) config=directory ;;
    --config-read-error) config=read-error ;;
    --config-no-permission) config=no-permission ;;
    # make_prefixes.sh disables ole32 for the program under this name.
    --without-ole32) exe_name=tarnwell-without-ole32.exe com=no ;;
    *) fail "unknown option $1" ;;
  esac
  shift
done
out="$WORK/runs/$ARCH/$case_name-$config-$long_path-$com-$(printf '%s' "$dir_name" | od -An -tx1 | tr -d ' \n' | cut -c1-24)"
rm -rf "$out"
mkdir -p "$out"

# place_program PROGRAM BASE: a directory below BASE holding PROGRAM and
# the case's usbcdc.cfg as the options ask; prints the directory.
place_program() {
  local program="$1" dir="$2/$dir_name"
  if $long_path; then
    # Longer than the 260 units a Windows path may have.
    while [ ${#dir} -lt 300 ]; do dir="$dir/a_directory_with_a_long_name"; done
  fi
  mkdir -p "$dir"
  cp "$program" "$dir/"
  case "$config" in
    copy) [ ! -f "$case_dir/usbcdc.cfg" ] || cp "$case_dir/usbcdc.cfg" "$dir/" ;;
    directory) mkdir "$dir/usbcdc.cfg" ;;
    # Opens, then every read fails with an I/O error.
    read-error) ln -s /proc/self/mem "$dir/usbcdc.cfg" ;;
    no-permission)
      if [ "$(id -u)" -ne 0 ]; then
        cp "$case_dir/usbcdc.cfg" "$dir/" && chmod 000 "$dir/usbcdc.cfg"
      elif [ -e /proc/sys/vm/drop_caches ] && ! head -c1 /proc/sys/vm/drop_caches >/dev/null 2>&1; then
        # Root reads every ordinary file; this one is write-only even to root.
        ln -s /proc/sys/vm/drop_caches "$dir/usbcdc.cfg"
      else
        skip "no file here that this user cannot read"
      fi ;;
  esac
  printf '%s' "$dir"
}

expected_messages="$case_dir/messages.txt"
expected_code=1
[ "$(tail -n1 "$expected_messages")" != "Success: Configuration successfully written to the registry!" ] ||
  expected_code=0

# --- tarnwell.exe under Wine ---
clear_drivers "$PREFIX"
if [ -f "$case_dir/seed.reg" ]; then
  to_utf16_reg "$case_dir/seed.reg" "$out/seed.reg"
  wine_in "$PREFIX" regedit /s "$(winpath "$out/seed.reg")" >/dev/null 2>&1 ||
    fail "importing the seed"
  # What the host starts from: the seed as Wine's regedit exports it.
  export_drivers "$PREFIX" "$out/seed_export.txt"
fi
win_dir=$(place_program "$EXE" "$out/windows")
[ "$exe_name" = tarnwell.exe ] || mv "$win_dir/tarnwell.exe" "$win_dir/$exe_name"
set +e
env -u DISPLAY WINEPREFIX="$PREFIX" WINEDEBUG=-all,+pid,+relay timeout 120 "$PROGRAM_WINE" \
  "$win_dir/$exe_name" >"$out/relay.log" 2>&1
win_code=$?
set -e
own_calls "$out/relay.log" >"$out/calls.txt"
messages_of "$out/calls.txt" >"$out/windows_messages.txt"
check_api_calls "$out/calls.txt" "$com"
same_or_fail "$expected_messages" "$out/windows_messages.txt" "the messages of tarnwell.exe"
[ "$win_code" -eq "$expected_code" ] ||
  fail "tarnwell.exe exited with $win_code, expected $expected_code"
export_drivers "$PREFIX" "$out/windows.txt"
same_or_fail "$case_dir/expected.reg" "$out/windows.txt" "the registry that tarnwell.exe wrote"
echo "tarnwell.exe ($ARCH, COM: $com): exit code $win_code, registry as expected"

# --- the host build, its registry.reg imported into a fresh prefix ---
if $long_path; then
  echo "host build not compared: Linux paths have no limit of 260 units"
  exit 0
fi
host_dir=$(place_program "$HOST_EXE" "$out/host")
if [ -f "$out/seed_export.txt.utf16" ]; then
  cp "$out/seed_export.txt.utf16" "$host_dir/registry.reg"
fi
set +e
(cd / && "$host_dir/tarnwell") >"$out/host_messages.txt" 2>&1
host_code=$?
set -e
same_or_fail "$out/windows_messages.txt" "$out/host_messages.txt" "the host build's messages"
[ "$host_code" -eq "$win_code" ] ||
  fail "the host build exited with $host_code, tarnwell.exe with $win_code"
if [ -f "$case_dir/host_lines.txt" ]; then
  "$ICONV" -f UTF-16 -t UTF-8 "$host_dir/registry.reg" | tr -d '\r' >"$out/host_registry.txt"
  while IFS= read -r line; do
    grep -qxF -- "$line" "$out/host_registry.txt" ||
      fail "the host's registry.reg lacks the line $line"
  done <"$case_dir/host_lines.txt"
fi
clear_drivers "$IMPORT_PREFIX"
if [ -f "$host_dir/registry.reg" ]; then
  wine_in "$IMPORT_PREFIX" regedit /s "$(winpath "$host_dir/registry.reg")" >/dev/null 2>&1 ||
    fail "regedit /s does not take the host's registry.reg"
fi
export_drivers "$IMPORT_PREFIX" "$out/host.txt"
same_or_fail "$out/windows.txt" "$out/host.txt" "the host's registry.reg, imported,"
echo "host build: exit code $host_code, the same registry"
