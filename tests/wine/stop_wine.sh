# Ends the Wine sessions of the test prefixes, so that no server outlives
# the run.
source "$(dirname "$0")/wine_common.sh"
need WINESERVER
for p in "$PREFIX" "$IMPORT_PREFIX"; do
  [ -d "$p" ] || continue
  WINEPREFIX="$p" "$WINESERVER" -k >/dev/null 2>&1 || true
done
echo "Wine stopped"
