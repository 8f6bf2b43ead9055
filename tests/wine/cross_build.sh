# Cross-builds tarnwell.exe with the "mingw" preset into the test tree and
# checks what makes it fit for the device: a GUI program that needs no DLL
# beyond the system's, and small.
source "$(dirname "$0")/wine_common.sh"
need MINGW_CXX

build="$WORK/mingw"
mkdir -p "$WORK"
cmake -S "$SOURCE" --preset mingw -B "$build" >"$WORK/cross_configure.log" 2>&1 ||
  { cat "$WORK/cross_configure.log"; fail "configuring the cross build"; }
cmake --build "$build" -j2 --target tarnwell || fail "cross build"
[ -f "$EXE" ] || fail "no $EXE"

objdump=x86_64-w64-mingw32-objdump
headers=$("$objdump" -p "$EXE")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI program"

# Every DLL the program loads must come with Windows itself.
allowed='^(kernel32|user32|advapi32|ole32|msvcrt)\.dll$'
while read -r dll; do
  [[ "${dll,,}" =~ $allowed ]] || fail "needs $dll, which Windows does not ship"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

# No ANSI variant of the calls that the program makes itself.
for call in RegCreateKeyEx RegSetValueEx MessageBox GetModuleFileName CreateFile; do
  ! grep -qE "[[:space:]]${call}A\$" <<<"$headers" || fail "imports ${call}A"
  grep -qE "[[:space:]]${call}W\$" <<<"$headers" || fail "does not import ${call}W"
done

size=$(stat -c %s "$EXE")
echo "tarnwell.exe: $size bytes, stripped"
[ "$size" -lt $((200 * 1024)) ] || fail "tarnwell.exe is $size bytes, above 200 KB"
