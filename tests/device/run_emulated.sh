# The Windows CE image's own ARM code, run by ce_loader under qemu-arm,
# against the host build on every end-to-end case (tests/wine/cases): both
# in directories of their own, they must leave the same registry.reg bytes
# (or none), show the same messages with the same caption and style, and
# exit with the same code. Prints the deepest stack point of each run.
#
# Environment: IMAGE (tarnwell.exe for CE), HOST_EXE, CASES, WORK, QEMU
# (default: qemu-arm on PATH), LOADER (default: cross-built here with the
# arm-linux preset from SOURCE into WORK/arm-linux).
set -uo pipefail
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
for var in IMAGE HOST_EXE CASES WORK; do
  [ -n "${!var:-}" ] || fail "$var is not set"
done
QEMU=${QEMU:-$(command -v qemu-arm)}
[ -n "$QEMU" ] && [ -x "$QEMU" ] || skip "qemu-arm is not installed; bash scripts/deps.sh installs it (qemu-user)"
[ -f "$IMAGE" ] || fail "no image $IMAGE"
[ -x "$HOST_EXE" ] || fail "no host build $HOST_EXE"
mkdir -p "$WORK"

if [ -z "${LOADER:-}" ]; then
  [ -n "${SOURCE:-}" ] || fail "neither LOADER nor SOURCE is set"
  build="$WORK/arm-linux"
  if ! cmake -S "$SOURCE" --preset arm-linux -B "$build" >"$WORK/loader_configure.log" 2>&1; then
    reason=$(grep -oE "The ARM Linux build (needs|runs its tests under) [^:]*" "$WORK/loader_configure.log") &&
      skip "$reason"
    cat "$WORK/loader_configure.log"; fail "configuring the ARM Linux build"
  fi
  cmake --build "$build" --target ce_loader -j2 >"$WORK/loader_build.log" 2>&1 ||
    { cat "$WORK/loader_build.log"; fail "building ce_loader"; }
  LOADER="$build/tests/device/loader/ce_loader"
fi
[ -x "$LOADER" ] || skip "no loader $LOADER"

failures=0
report() { printf '%-22s %s\n' "$1" "$2"; }

# place DIR PROGRAM NAME: DIR/NAME is PROGRAM, beside the case's usbcdc.cfg
# as the options ask, and its seed as registry.reg.
place() {
  local dir="$1"
  mkdir -p "$dir"
  cp "$2" "$dir/$3"
  case "$config" in
    copy) [ ! -f "$case_dir/usbcdc.cfg" ] || cp "$case_dir/usbcdc.cfg" "$dir/" ;;
    directory) mkdir "$dir/usbcdc.cfg" ;;
    # Opens, then every read fails with an I/O error.
    read-error) ln -s /proc/self/mem "$dir/usbcdc.cfg" ;;
    no-permission)
      if [ "$(id -u)" -ne 0 ]; then
        cp "$case_dir/usbcdc.cfg" "$dir/" && chmod 000 "$dir/usbcdc.cfg"
      else
        # Write-only even to root.
        ln -s /proc/sys/vm/drop_caches "$dir/usbcdc.cfg"
      fi ;;
  esac
  # The seed as regedit writes it: UTF-16 with a byte-order mark, CRLF.
  if [ -f "$case_dir/seed.reg" ]; then
    { printf '\xff\xfe'; sed 's/$/\r/' "$case_dir/seed.reg" | iconv -f UTF-8 -t UTF-16LE; } \
      >"$dir/registry.reg"
  fi
}

# complaints ERR: what the loader reported beyond its usual lines.
complaints() {
  grep '^ce_loader: ' "$1" | grep -v ': stack: \|: mapped at\|MessageBoxW\|COM started\|fails$' | tr '\n' ' '
}

# boxes ERR: "Caption: Text" of each message box the loader saw, in order;
# adds to the caller's problems a box with an owner, or with another style
# than the error icon for "Error" and the information icon for "Success".
boxes() {
  local line owner style text
  while IFS= read -r line; do
    [[ "$line" =~ ^ce_loader:\ MessageBoxW\ owner\ 0x([0-9a-f]+)\ style\ 0x([0-9a-f]+):\ (.*)$ ]] || continue
    owner=${BASH_REMATCH[1]} style=${BASH_REMATCH[2]} text=${BASH_REMATCH[3]}
    [ "$owner" = 0 ] || problems+=("a message box with owner 0x$owner")
    case "${text%%:*}:$style" in
      Error:10 | Success:40) ;;
      *) problems+=("style 0x$style for \"$text\"") ;;
    esac
    printf '%s\n' "$text"
  done <"$1"
}

# run NAME CASE [--dir D] [--long-path] [--config-directory]
#     [--config-read-error] [--config-no-permission] [--without-ole32]
#     [--cut-nul]
run() {
  local name="$1" dir_name=program long_path=false config=copy
  local -a environment=()
  case_dir="$CASES/$2"
  shift 2
  while [ $# -gt 0 ]; do
    case "$1" in
      --dir) dir_name="$2"; shift ;;
      --long-path) long_path=true ;;
      --config-directory) config=directory ;;
      --config-read-error) config=read-error ;;
      --config-no-permission) config=no-permission ;;
      --without-ole32) environment+=(CE_WITHOUT_OLE32=1) ;;
      --cut-nul) environment+=(CE_MODULE_NAME_CUT=nul) ;;
      *) fail "unknown option $1" ;;
    esac
    shift
  done
  if [ "$config" = no-permission ] && [ "$(id -u)" -eq 0 ] &&
     { [ ! -e /proc/sys/vm/drop_caches ] || head -c1 /proc/sys/vm/drop_caches >/dev/null 2>&1; }; then
    report "$name" "skipped: no file here that this user cannot read"
    return
  fi
  local out="$WORK/emulated/$name" device host
  rm -rf "$out"
  device="$out/device/$dir_name"
  if $long_path; then
    # Longer than the 260 units a Windows path may have.
    while [ ${#device} -lt 300 ]; do device="$device/a_directory_with_a_long_name"; done
  fi
  host="$out/host/$dir_name"
  place "$device" "$IMAGE" tarnwell.exe
  local expected_code=1
  [ "$(tail -n1 "$case_dir/messages.txt")" != "Success: Configuration successfully written to the registry!" ] ||
    expected_code=0

  local code host_code problems=()
  (cd / && env "${environment[@]}" timeout 120 "$QEMU" -cpu pxa270 "$LOADER" "$device/tarnwell.exe") \
    >"$out/device.out" 2>"$out/device.err"
  code=$?
  grep -v '^ce_loader: ' "$out/device.err" >"$out/device_messages.err"
  local stack
  stack=$(sed -n 's/^ce_loader: stack: \([0-9]*\) bytes.*/\1/p' "$out/device.err")
  [ "$code" -ne 124 ] || problems+=("no end within 120 seconds")
  [ "$code" -lt 64 ] || [ "$code" -eq 124 ] || problems+=("the loader failed ($code): $(complaints "$out/device.err")")

  boxes "$out/device.err" >"$out/device_messages.txt"
  cmp -s "$case_dir/messages.txt" "$out/device_messages.txt" ||
    problems+=("messages $(tr '\n' '|' <"$out/device_messages.txt"), expected $(tr '\n' '|' <"$case_dir/messages.txt")")
  [ "$code" -eq "$expected_code" ] || problems+=("exit code $code, expected $expected_code")

  if $long_path; then
    # Linux paths have no limit of 260 units: no host run to compare with.
    [ ! -e "$device/registry.reg" ] || problems+=("a registry.reg written")
  else
    place "$host" "$HOST_EXE" tarnwell
    (cd / && timeout 120 "$host/tarnwell") >"$out/host.out" 2>"$out/host.err"
    host_code=$?
    [ "$host_code" -eq "$code" ] || problems+=("exit code $code, the host's $host_code")
    cmp -s "$out/host.out" "$out/device.out" || problems+=("standard output differs from the host's")
    cmp -s "$out/host.err" "$out/device_messages.err" || problems+=("standard error differs from the host's")
    if [ -e "$host/registry.reg" ] || [ -e "$device/registry.reg" ]; then
      cmp -s "$host/registry.reg" "$device/registry.reg" ||
        problems+=("registry.reg differs from the host's (diff $host/registry.reg $device/registry.reg)")
    fi
  fi
  [ -n "$stack" ] || stack="?"
  local verdict="same as the host"
  ! $long_path || verdict="as the case expects"
  if [ ${#problems[@]} -eq 0 ]; then
    report "$name" "exit $code, stack $stack bytes of 65536: $verdict"
  else
    report "$name" "FAILED: $(printf '%s; ' "${problems[@]}")"
    sed 's/^/    /' "$out/device.err"
    failures=$((failures + 1))
  fi
}

# sweep NAME CASE [+]: the image's mallocs fail in turn, the first, the
# second, ... (with +, every later one too) until a run needs fewer. Each
# run must end cleanly: with one error message and exit code 1, or with the
# success and the registry of the case's clean run (run first); a failed
# read leaves the registry as it was.
sweep() {
  local name="$1" clean="$WORK/emulated/$2/device/program/registry.reg" persist="${3:-}"
  local out="$WORK/emulated/$name" n code message tally_read=0 tally_write=0 tally_recovered=0
  local -a problems=()
  case_dir="$CASES/$2" config=copy
  for ((n = 1; n < 1000; ++n)); do
    rm -rf "$out"
    place "$out/program" "$IMAGE" tarnwell.exe
    [ ! -f "$out/program/registry.reg" ] || cp "$out/program/registry.reg" "$out/seed.reg"
    (cd / && CE_FAIL_MALLOC="$n$persist" timeout 120 "$QEMU" -cpu pxa270 "$LOADER" "$out/program/tarnwell.exe") \
      >/dev/null 2>"$out/device.err"
    code=$?
    message=$(boxes "$out/device.err")
    if ! grep -q "^ce_loader: malloc $n fails" "$out/device.err"; then
      [ "$code" -eq 0 ] && cmp -s "$clean" "$out/program/registry.reg" ||
        problems+=("the run without a failing malloc differs from the clean one")
      break
    fi
    case "$code:$message" in
      "1:Error: Read configuration file failed!")
        tally_read=$((tally_read + 1))
        [ -e "$out/seed.reg" ] || [ ! -e "$out/program/registry.reg" ] || problems+=("malloc $n: a failed read wrote")
        [ ! -e "$out/seed.reg" ] || cmp -s "$out/seed.reg" "$out/program/registry.reg" ||
          problems+=("malloc $n: a failed read changed the registry") ;;
      "1:Error: Write configuration to registry failed!") tally_write=$((tally_write + 1)) ;;
      "0:Success: Configuration successfully written to the registry!")
        tally_recovered=$((tally_recovered + 1))
        cmp -s "$clean" "$out/program/registry.reg" || problems+=("malloc $n: recovered, with another registry") ;;
      *) problems+=("malloc $n: exit $code, $message $(complaints "$out/device.err")") ;;
    esac
  done
  if [ ${#problems[@]} -eq 0 ]; then
    report "$name" "$((n - 1)) mallocs failed in turn: $tally_read read failures, $tally_write write failures, $tally_recovered recovered"
  else
    report "$name" "FAILED: $(printf '%s; ' "${problems[@]}")"
    failures=$((failures + 1))
  fi
}

for case_dir in "$CASES"/*/; do
  case_name=$(basename "$case_dir")
  case "$case_name" in
    own_path_too_long)
      run path_too_long "$case_name" --long-path
      run path_too_long_cut_nul "$case_name" --long-path --cut-nul ;;
    unreadable_config)
      run config_is_directory "$case_name" --config-directory
      run config_read_error "$case_name" --config-read-error
      run config_no_permission "$case_name" --config-no-permission ;;
    *) run "$case_name" "$case_name" ;;
  esac
done
run cyrillic_directory device_and_modem --dir "Установка драйвера"
run without_ole32 device_and_modem --without-ole32
sweep out_of_memory device_and_modem
sweep out_of_memory_on device_and_modem +
sweep out_of_memory_seeded existing_values

[ "$failures" -eq 0 ] || fail "$failures runs differ"
