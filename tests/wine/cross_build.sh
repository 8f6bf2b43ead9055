# Cross-builds tarnwell.exe for ARCH with its preset (mingw or mingw32)
# into the test tree and checks what makes it fit for the device: a GUI
# program that needs no DLL beyond the system's, not even ole32, and
# carries its version.
source "$(dirname "$0")/wine_common.sh"
need MINGW_CXX

build="$WORK/$PRESET"
mkdir -p "$WORK"
cmake -S "$SOURCE" --preset "$PRESET" -B "$build" >"$WORK/cross_configure_$PRESET.log" 2>&1 ||
  { cat "$WORK/cross_configure_$PRESET.log"; fail "configuring the cross build"; }
cmake --build "$build" -j2 --target tarnwell || fail "cross build"
[ -f "$EXE" ] || fail "no $EXE"

headers=$("$OBJDUMP" -p "$EXE")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI program"

# Every DLL the program loads must come with Windows itself. COM is loaded
# at run time, where the system has it.
allowed='^(kernel32|user32|advapi32|msvcrt)\.dll$'
while read -r dll; do
  [[ "${dll,,}" =~ $allowed ]] || fail "imports $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

# No ANSI variant of the calls that the program makes itself.
for call in RegCreateKeyEx RegSetValueEx MessageBox GetModuleFileName CreateFile; do
  ! grep -qE "[[:space:]]${call}A\$" <<<"$headers" || fail "imports ${call}A"
  grep -qE "[[:space:]]${call}W\$" <<<"$headers" || fail "does not import ${call}W"
done

check_version_resource "$EXE"

# The size that is bounded is the device's (device.image); this one is
# printed for the record.
echo "tarnwell.exe ($ARCH): $(stat -c %s "$EXE") bytes, stripped"
