# The zip of the Windows programs as an integrator gets it: CPack packs the
# 64-bit build that cross_build.sh and check_cross_build.sh built, the zip
# is unpacked, and what it holds runs under Wine: tarnwell.exe on the
# packaged example (the registry must be the one the host build writes),
# tarnwell-check.exe on the same file.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER ICONV
build="$WORK/mingw"
[ -f "$build/tarnwell-check.exe" ] || fail "no $build/tarnwell-check.exe (the check_cross_build test sets it up)"
[ -d "$PREFIX" ] || fail "no Wine prefix (the prefixes test sets it up)"

out="$WORK/package-zip"
rm -rf "$out"
mkdir -p "$out/host"
"$CPACK" --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; fail "cpack"; }
zip="$out/tarnwell-$VERSION-win64.zip"
[ -f "$zip" ] || fail "no $zip"
(cd "$out" && "$CMAKE" -E tar xf "$zip") || fail "unpacking $zip"
dir="$out/tarnwell-$VERSION-win64"
files=$(cd "$dir" && find . | sort | tr '\n' ' ')
[ "$files" = ". ./README.txt ./tarnwell-check.exe ./tarnwell.exe ./usbcdc.cfg " ] ||
  fail "the zip holds $files"
head -n1 "$dir/README.txt" | grep -q "^tarnwell $VERSION for Windows, 64-bit x86"$'\r$' ||
  fail "README.txt does not start with this version and a Windows line end"

# The installer on the packaged example, and the host build on the same
# file, its registry.reg imported into the other prefix.
clear_drivers "$PREFIX"
code=0
wine_in "$PREFIX" "$dir/tarnwell.exe" >/dev/null 2>&1 || code=$?
[ "$code" -eq 0 ] || fail "the packaged tarnwell.exe exited with $code"
export_drivers "$PREFIX" "$out/windows.txt"
cp "$HOST_EXE" "$dir/usbcdc.cfg" "$out/host/"
(cd / && "$out/host/tarnwell") >/dev/null || fail "the host build fails on the packaged example"
clear_drivers "$IMPORT_PREFIX"
wine_in "$IMPORT_PREFIX" regedit /s "$(winpath "$out/host/registry.reg")" >/dev/null 2>&1 ||
  fail "importing the host's registry.reg"
export_drivers "$IMPORT_PREFIX" "$out/host.txt"
[ -s "$out/windows.txt" ] || fail "the packaged tarnwell.exe wrote nothing"
same_or_fail "$out/host.txt" "$out/windows.txt" "the registry of the packaged tarnwell.exe"

# The checker: its version, and no fault in the packaged example.
version=$(wine_in "$PREFIX" "$dir/tarnwell-check.exe" --version | tr -d '\r') ||
  fail "tarnwell-check.exe --version fails"
[ "$version" = "tarnwell-check $VERSION" ] || fail "tarnwell-check.exe --version says: $version"
(cd "$dir" && wine_in "$PREFIX" ./tarnwell-check.exe usbcdc.cfg) >"$out/check.txt" 2>&1 ||
  { cat "$out/check.txt"; fail "tarnwell-check.exe finds fault with the packaged example"; }
echo "$(basename "$zip"): $files- the installer writes the host's registry, the checker says $version"
