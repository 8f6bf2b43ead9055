# Builds the device's tarnwell.exe with its preset (wince-arm) into WORK,
# as the README says to, for the tests that read it and run it.
set -euo pipefail
skip() { echo "SKIPPED: $*"; exit 77; }
command -v arm-none-eabi-g++ >/dev/null ||
  skip "arm-none-eabi-g++ is not installed; bash scripts/deps.sh installs gcc-arm-none-eabi"
/usr/bin/python3 -c 'import elftools, pefile' 2>/dev/null ||
  skip "python3-pyelftools or python3-pefile is not installed; bash scripts/deps.sh installs them"

build="$WORK/wince-arm"
mkdir -p "$WORK"
cmake -S "$SOURCE" --preset wince-arm -B "$build" >"$WORK/configure.log" 2>&1 ||
  { cat "$WORK/configure.log"; exit 1; }
cmake --build "$build" -j2 --target tarnwell
ls -l "$build/tarnwell.exe"
