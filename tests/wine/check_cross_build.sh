# Cross-builds tarnwell-check.exe in the Windows build that cross_build.sh
# configured: a console program that needs no DLL beyond the system's and
# carries its version.
source "$(dirname "$0")/wine_common.sh"
need MINGW_CXX

build="$WORK/mingw"
check_exe="$build/tarnwell-check.exe"
[ -f "$build/CMakeCache.txt" ] || fail "no Windows build in $build (the cross_build test sets it up)"
cmake --build "$build" -j2 --target tarnwell-check || fail "cross build of tarnwell-check"
[ -f "$check_exe" ] || fail "no $check_exe"

headers=$(x86_64-w64-mingw32-objdump -p "$check_exe")
grep -q 'Subsystem.*(Windows CUI)' <<<"$headers" || fail "not a console program"
# cabinet.dll (FCI, for --emit=cab) is part of every Windows since 95.
allowed='^(kernel32|user32|advapi32|ole32|msvcrt|cabinet)\.dll$'
while read -r dll; do
  [[ "${dll,,}" =~ $allowed ]] || fail "needs $dll, which Windows does not ship"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
# Wide console writes, and wide arguments through wmain.
for call in WriteConsoleW GetConsoleMode; do
  grep -qE "[[:space:]]${call}\$" <<<"$headers" || fail "does not import $call"
done
check_version_resource "$check_exe"
echo "tarnwell-check.exe: $(stat -c %s "$check_exe") bytes, a console program"
