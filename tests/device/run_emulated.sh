# The Windows CE image's own ARM code, run by ce_loader under qemu-arm,
# against the host build on every end-to-end case (tests/wine/cases): both
# must leave the same registry.reg bytes (or none), show the same messages
# (text, caption, and style by the stream the host gives it) and exit with
# the same code. Prints the deepest stack point of each run.
#
# Environment: IMAGE (tarnwell.exe for CE), HOST_EXE, CASES, WORK, QEMU
# (default: qemu-arm), LOADER (default: built from SOURCE with the arm-linux preset).
set -uo pipefail
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
for var in IMAGE HOST_EXE CASES WORK; do [ -n "${!var:-}" ] || fail "$var is not set"; done
QEMU=${QEMU:-$(command -v qemu-arm)}
[ -x "$QEMU" ] || skip "qemu-arm is not installed; bash scripts/deps.sh installs it (qemu-user)"
[ -f "$IMAGE" ] && [ -x "$HOST_EXE" ] || fail "no image $IMAGE or no host build $HOST_EXE"
mkdir -p "$WORK"
if [ -z "${LOADER:-}" ]; then
  LOADER="$WORK/arm-linux/tests/device/loader/ce_loader"
  { cmake -S "${SOURCE:?}" --preset arm-linux -B "$WORK/arm-linux" &&
    cmake --build "$WORK/arm-linux" --target ce_loader -j2; } >"$WORK/loader.log" 2>&1 || {
    reason=$(grep -oE "The ARM Linux build (needs|runs its tests under) [^:]*" "$WORK/loader.log") && skip "$reason"
    cat "$WORK/loader.log"; fail "building ce_loader with the arm-linux preset"; }
fi

# place DIR PROGRAM NAME: DIR/NAME is PROGRAM, beside the case's usbcdc.cfg
# (or what CONFIG puts in its place) and the case's seed as registry.reg.
place() {
  mkdir -p "$1" && cp "$2" "$1/$3"
  case "$CONFIG" in
    copy) [ ! -f "$case_dir/usbcdc.cfg" ] || cp "$case_dir/usbcdc.cfg" "$1/" ;;
    directory) mkdir "$1/usbcdc.cfg" ;;
    read-error) ln -s /proc/self/mem "$1/usbcdc.cfg" ;;  # opens, then every read fails
    no-permission) ln -s /proc/sys/vm/drop_caches "$1/usbcdc.cfg"  # write-only, even to root
      [ -e "$1/usbcdc.cfg" ] && ! head -c1 "$1/usbcdc.cfg" >/dev/null 2>&1 || fail "no unreadable file here" ;;
  esac
  # The seed as regedit writes it: UTF-16 with a byte-order mark, CRLF.
  [ ! -f "$case_dir/seed.reg" ] ||
    { printf '\xff\xfe'; sed 's/$/\r/' "$case_dir/seed.reg" | iconv -f UTF-8 -t UTF-16LE; } >"$1/registry.reg"
}

# run NAME CASE [SETTING=VALUE...]: DIR names the program's directory;
# CONFIG=directory, read-error or no-permission stands in for the case's
# file; LONG=1 puts the program deeper than Windows' 260 units (Linux has no
# such limit: no host run to compare with); CE_WITHOUT_OLE32=1 and
# CE_CUT_NUL=1 go to the loader.
run() {
  local name=$1 DIR=program CONFIG=copy LONG= code expected=1 problems=()
  case_dir="$CASES/$2"
  shift 2
  [ $# -eq 0 ] || local "$@"
  local out="$WORK/emulated/$name"
  local device="$out/device/$DIR" host="$out/host/$DIR"
  rm -rf "$out"
  while [ -n "$LONG" ] && [ ${#device} -lt 300 ]; do device+=/a_directory_with_a_long_name; done
  place "$device" "$IMAGE" tarnwell.exe
  (cd / && env "$@" timeout 120 "$QEMU" -cpu pxa270 "$LOADER" "$device/tarnwell.exe") \
    >"$out/device.out" 2>"$out/device.err"
  code=$?  # 64 and above: the loader refused, a signal, or no end in time (124)
  [ "$code" -lt 64 ] || problems+=("the loader failed ($code)")
  grep -v '^ce_loader: ' "$out/device.err" >"$out/device_messages.err"
  cat "$out/device.out" "$out/device_messages.err" | cmp -s - "$case_dir/messages.txt" ||
    problems+=("messages $(cat "$out/device.out" "$out/device_messages.err" | tr '\n' '|')")
  ! grep -q '^Success' "$case_dir/messages.txt" || expected=0
  [ "$code" -eq "$expected" ] || problems+=("exit code $code, expected $expected")
  if [ -n "$LONG" ]; then
    [ ! -e "$device/registry.reg" ] || problems+=("a registry.reg written")
  else
    place "$host" "$HOST_EXE" tarnwell
    (cd / && timeout 120 "$host/tarnwell") >"$out/host.out" 2>"$out/host.err"
    [ $? -eq "$code" ] || problems+=("exit code $code, not the host's")
    cmp -s "$out/host.out" "$out/device.out" || problems+=("standard output differs from the host's")
    cmp -s "$out/host.err" "$out/device_messages.err" || problems+=("standard error differs from the host's")
    [ ! -e "$host/registry.reg" ] && [ ! -e "$device/registry.reg" ] ||
      cmp -s "$host/registry.reg" "$device/registry.reg" || problems+=("registry.reg differs from the host's")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    printf '%-22s exit %s, %s: as expected\n' "$name" "$code" "$(sed -n 's/^ce_loader: //p' "$out/device.err")"
    return
  fi
  printf '%-22s FAILED: %s\n' "$name" "$(printf '%s; ' "${problems[@]}")"
  sed 's/^/    /' "$out/device.err"
  failures=$((failures + 1))
}

failures=0
for case_dir in "$CASES"/*/; do
  case_name=$(basename "$case_dir")
  case "$case_name" in
    own_path_too_long)
      run path_too_long "$case_name" LONG=1
      run path_too_long_cut_nul "$case_name" LONG=1 CE_CUT_NUL=1 ;;
    unreadable_config)
      run config_is_directory "$case_name" CONFIG=directory
      run config_read_error "$case_name" CONFIG=read-error
      run config_no_permission "$case_name" CONFIG=no-permission ;;
    *) run "$case_name" "$case_name" ;;
  esac
done
run cyrillic_directory device_and_modem "DIR=Установка драйвера"
run without_ole32 device_and_modem CE_WITHOUT_OLE32=1
[ "$failures" -eq 0 ] || fail "$failures runs differ"
