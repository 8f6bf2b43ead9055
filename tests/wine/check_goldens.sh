# Every golden expectation of tarnwell-check (tests/check/golden), run
# through tarnwell-check.exe under Wine: the same command line in the
# fixtures directory, standard output and error into one file (so the
# program writes UTF-8 bytes, not console text), the same bytes and exit
# status as on the host, with this version where they say @PROJECT_VERSION@.
source "$(dirname "$0")/wine_common.sh"
need WINE WINESERVER
check_exe="$WORK/mingw/tarnwell-check.exe"
[ -f "$check_exe" ] || fail "$check_exe was not built (the check_cross_build test sets it up)"
[ -d "$PREFIX" ] || fail "no Wine prefix (the prefixes test sets it up)"

golden="$SOURCE/tests/check/golden"
fixtures="$SOURCE/tests/check/fixtures"
out="$WORK/check-goldens"
rm -rf "$out"
mkdir -p "$out"

failed=0
count=0
for expected in "$golden"/*.expected; do
  name=$(basename "$expected" .expected)
  command=$(head -n1 "$expected")
  read -r -a words <<<"${command#\$ tarnwell-check}"
  args=()
  input=/dev/null
  for ((i = 0; i < ${#words[@]}; i++)); do
    if [ "${words[i]}" = "<" ]; then
      input="$fixtures/${words[i + 1]}"
      i=$((i + 1))
    else
      args+=("${words[i]}")
    fi
  done
  actual="$out/$name.actual"
  printf '%s\n' "$command" >"$actual"
  set +e
  (cd "$fixtures" && wine_in "$PREFIX" "$check_exe" "${args[@]}" <"$input") >>"$actual" 2>&1
  code=$?
  set -e
  printf '[exit %d]\n' "$code" >>"$actual"
  count=$((count + 1))
  sed "s/@PROJECT_VERSION@/$VERSION/g" "$expected" >"$out/$name.expected"
  if ! cmp -s "$out/$name.expected" "$actual"; then
    diff -u "$out/$name.expected" "$actual" | head -40 || true
    echo "FAILED: $name differs under Wine" >&2
    failed=$((failed + 1))
  fi
done
[ "$failed" -eq 0 ] || fail "$failed of $count expectations differ"
echo "tarnwell-check.exe: all $count expectations as on the host"
