# Creates the throw-away Wine prefixes inside the build tree, once per run:
# one for tarnwell.exe, and a fresh copy of it for importing the host's
# registry.reg.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER ICONV

for p in "$PREFIX" "$IMPORT_PREFIX"; do
  [ -d "$p" ] && WINEPREFIX="$p" "$WINESERVER" -k >/dev/null 2>&1 || true
done
rm -rf "$PREFIX" "$IMPORT_PREFIX" "$WINE32_STATUS"
mkdir -p "$WORK"

env -u DISPLAY WINEPREFIX="$PREFIX" timeout 300 "$WINE" wineboot -i \
  >"$WORK/wineboot.log" 2>&1 || { cat "$WORK/wineboot.log"; fail "wineboot"; }

# The relay trace shows the calls the program makes into Windows, with
# their arguments; limited to those, it costs little.
calls='user32.MessageBoxW;ole32.CoInitializeEx;ole32.CoUninitialize'
calls+=';combase.CoInitializeEx;combase.CoUninitialize'  # where ole32 forwards them
calls+=';advapi32.RegCreateKeyExW;advapi32.RegSetValueExW;advapi32.RegCloseKey'
calls+=';kernel32.GetModuleFileNameW;kernel32.CreateFileW'
calls+=';kernel32.LoadLibraryW;kernel32.GetProcAddress'  # COM, loaded at run time
wine_in "$PREFIX" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude \
  /t REG_SZ /d "$calls" /f >/dev/null 2>&1 || fail "setting up the relay trace"
# A system without COM, for the program under this name only: Wine's
# per-program DLL override. (WINEDLLOVERRIDES would reach Wine's own
# desktop process too, which needs ole32.)
wine_in "$PREFIX" reg add \
  'HKCU\Software\Wine\AppDefaults\tarnwell-without-ole32.exe\DllOverrides' \
  /v ole32 /t REG_SZ /d '' /f >/dev/null 2>&1 || fail "disabling ole32"
WINEPREFIX="$PREFIX" "$WINESERVER" -w

# Whether 32-bit programs run here: Wine's own 32-bit cmd must give back
# its exit code.
probe=0
env -u DISPLAY WINEPREFIX="$PREFIX" WINEDEBUG=-all timeout 120 "${WINE32:-false}" \
  'C:\windows\syswow64\cmd.exe' /c exit 7 >/dev/null 2>&1 || probe=$?
if [ "$probe" -eq 7 ]; then echo ok; else
  echo "32-bit Wine (wine32:i386) does not run 32-bit programs here; bash scripts/deps.sh installs it"
fi >"$WINE32_STATUS"
WINEPREFIX="$PREFIX" "$WINESERVER" -w

# A fresh copy for the imports: the large files below drive_c are shared,
# the prefix's own files (the registry among them) are copied.
cp -al "$PREFIX" "$IMPORT_PREFIX"
find "$PREFIX" -maxdepth 1 -type f -exec cp --remove-destination {} "$IMPORT_PREFIX/" \;
wine_in "$IMPORT_PREFIX" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f \
  >/dev/null 2>&1 || true
echo "prefixes ready: $PREFIX, $IMPORT_PREFIX; 32-bit programs: $(cat "$WINE32_STATUS")"
