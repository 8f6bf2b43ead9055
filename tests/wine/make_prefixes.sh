# Creates the throw-away Wine prefixes inside the build tree, once per run:
# one for tarnwell.exe, and a fresh copy of it for importing the host's
# registry.reg.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER ICONV

for p in "$PREFIX" "$IMPORT_PREFIX"; do
  [ -d "$p" ] && WINEPREFIX="$p" "$WINESERVER" -k >/dev/null 2>&1 || true
done
rm -rf "$PREFIX" "$IMPORT_PREFIX"
mkdir -p "$WORK"

env -u DISPLAY WINEPREFIX="$PREFIX" timeout 300 "$WINE" wineboot -i \
  >"$WORK/wineboot.log" 2>&1 || { cat "$WORK/wineboot.log"; fail "wineboot"; }

# The relay trace shows the calls the program makes into Windows, with
# their arguments; limited to those, it costs little.
calls='user32.MessageBoxW;ole32.CoInitializeEx;ole32.CoUninitialize'
calls+=';combase.CoInitializeEx;combase.CoUninitialize'  # where ole32 forwards them
calls+=';advapi32.RegCreateKeyExW;advapi32.RegSetValueExW;advapi32.RegCloseKey'
calls+=';kernel32.GetModuleFileNameW;kernel32.CreateFileW'
wine_in "$PREFIX" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude \
  /t REG_SZ /d "$calls" /f >/dev/null 2>&1 || fail "setting up the relay trace"
WINEPREFIX="$PREFIX" "$WINESERVER" -w

# A fresh copy for the imports: the large files below drive_c are shared,
# the prefix's own files (the registry among them) are copied.
cp -al "$PREFIX" "$IMPORT_PREFIX"
find "$PREFIX" -maxdepth 1 -type f -exec cp --remove-destination {} "$IMPORT_PREFIX/" \;
wine_in "$IMPORT_PREFIX" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f \
  >/dev/null 2>&1 || true
echo "prefixes ready: $PREFIX, $IMPORT_PREFIX"
