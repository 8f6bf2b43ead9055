# The message box as a user meets it: a real window on an X server
# (Xvfb). It must carry the caption of the outcome, stay open, with the
# program waiting in it, until it is closed with the Return key; then the
# program ends with the exit code of the outcome. A screenshot of each box
# is kept in the build tree.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER XVFB XDOTOOL IMPORT
need_program_wine
[ -f "$EXE" ] || fail "$EXE was not built (the cross_build test sets it up)"
[ -d "$PREFIX" ] || fail "no Wine prefix (the prefixes test sets it up)"

out="$WORK/message_box/$ARCH"
shots="$WORK/screenshots/$ARCH"
rm -rf "$out"
mkdir -p "$out" "$shots"

xvfb_pid=""
stop_all() {
  WINEPREFIX="$PREFIX" "$WINESERVER" -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap stop_all EXIT

# A session of its own, bound to the new display.
WINEPREFIX="$PREFIX" "$WINESERVER" -k >/dev/null 2>&1 || true
WINEPREFIX="$PREFIX" "$WINESERVER" -w
"$XVFB" -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
export DISPLAY=":$(head -n1 "$out/display")"

# wait_for_box CAPTION: the id of the visible window with that caption.
wait_for_box() {
  local id
  for _ in $(seq 300); do
    id=$("$XDOTOOL" search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) || true
    [ -z "$id" ] || { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# close_box NAME CAPTION PID: checks the box and the waiting program,
# photographs the box and closes it with Return; returns once it is gone.
close_box() {
  local name="$1" caption="$2" pid="$3" id
  id=$(wait_for_box "$caption") || fail "$name: no window captioned \"$caption\""
  sleep 1  # the box stays: the program waits in it
  kill -0 "$pid" 2>/dev/null || fail "$name: the program ended while its box was open"
  [ "$("$XDOTOOL" search --onlyvisible --name "^$caption\$" | head -n1)" = "$id" ] ||
    fail "$name: the box closed by itself"
  "$IMPORT" -window root "$shots/$name.png" || fail "$name: no screenshot"
  "$XDOTOOL" windowfocus --sync "$id" key Return
  # Gone before the next box is looked for.
  for _ in $(seq 50); do
    "$XDOTOOL" search --onlyvisible --name "^$caption\$" 2>/dev/null | grep -qx "$id" || return 0
    sleep 0.2
  done
  fail "$name: the box stays open after Return"
}

# place_program NAME CONFIG: a directory of its own for tarnwell.exe, with
# CONFIG as its usbcdc.cfg (none when CONFIG is -); prints the program.
place_program() {
  local dir="$out/$1"
  mkdir -p "$dir"
  cp "$EXE" "$dir/"
  [ "$2" = - ] || cp "$2" "$dir/usbcdc.cfg"
  printf '%s' "$dir/tarnwell.exe"
}

# finish NAME PID CODE: the program ends, with CODE, once its boxes are shut.
finish() {
  local code=0
  for _ in $(seq 100); do kill -0 "$2" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$2" 2>/dev/null && fail "$1: the program still runs after its box was closed"
  wait "$2" || code=$?
  [ "$code" -eq "$3" ] || fail "$1: exit code $code, expected $3"
  echo "$1: box shown and closed, exit code $code"
}

# Every Wine program of this session runs on the display, so that the
# session's desktop is bound to it.
program=$(place_program success "$CASES/device_and_modem/usbcdc.cfg")
WINEPREFIX="$PREFIX" "$PROGRAM_WINE" "$program" >"$out/success.log" 2>&1 &
pid=$!
close_box success Success "$pid"
finish success "$pid" 0

program=$(place_program error -)
WINEPREFIX="$PREFIX" "$PROGRAM_WINE" "$program" >"$out/error.log" 2>&1 &
pid=$!
close_box error Error "$pid"
finish error "$pid" 1

# An own path too long for its buffer gives two boxes, one after the other.
long="$out/path_too_long"
while [ ${#long} -lt 300 ]; do long="$long/a_directory_with_a_long_name"; done
mkdir -p "$long"
cp "$EXE" "$long/"
WINEPREFIX="$PREFIX" "$PROGRAM_WINE" "$long/tarnwell.exe" >"$out/path_too_long.log" 2>&1 &
pid=$!
close_box own_path_error Error "$pid"
close_box read_error Error "$pid"
finish two_boxes "$pid" 1
echo "screenshots in $shots"
