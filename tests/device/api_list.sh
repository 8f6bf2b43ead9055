# Every function the installer's own code calls in its Windows CE form must
# be one that Windows CE 5 exports (wince5_api.txt). The CE form is compiled
# for 32-bit ARM (preset arm-ce); the symbols its objects leave undefined
# are the calls of our code alone, not the C runtime's, since nothing is
# linked. Also checks that the CE entry is WinMain with C linkage.
set -euo pipefail
: "${WORK:?}" "${SOURCE:?}" "${LIST:?}"
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
[ -x "${LLVM_NM:-}" ] || skip "llvm-nm is not installed (llvm); bash scripts/deps.sh installs it"
[ -x "${CLANGXX:-}" ] || skip "clang++ is not installed (clang); bash scripts/deps.sh installs it"

build="$WORK/arm-ce"
mkdir -p "$WORK"
if ! cmake -S "$SOURCE" --preset arm-ce -B "$build" >"$WORK/arm-ce-configure.log" 2>&1; then
  grep -q "bash scripts/deps.sh installs them" "$WORK/arm-ce-configure.log" &&
    skip "$(grep -o "The ARM compile check needs.*" "$WORK/arm-ce-configure.log")"
  cat "$WORK/arm-ce-configure.log"
  fail "configuring the ARM build"
fi
cmake --build "$build" -j2 --clean-first --target tarnwell_core tarnwell_platform tarnwell_entry \
  >"$WORK/arm-ce-build.log" 2>&1 || { cat "$WORK/arm-ce-build.log"; fail "ARM build"; }

mapfile -t objects < <(find "$build/src" -name '*.obj' \
  \( -path '*/tarnwell_core.dir/*' -o -path '*/tarnwell_platform.dir/*' -o -path '*/tarnwell_entry.dir/*' \))
[ ${#objects[@]} -gt 0 ] || fail "no objects in $build"
entry=$(printf '%s\n' "${objects[@]}" | grep '/tarnwell_entry.dir/.*main\.cpp\.obj$') ||
  fail "no object of the entry"
"$LLVM_NM" --defined-only "$entry" | grep -qE ' T WinMain$' || fail "the CE entry WinMain is not defined"
! "$LLVM_NM" --defined-only "$entry" | grep -qi 'wWinMain' || fail "the CE form defines wWinMain"

# What the compiler itself provides, not Windows: its stack probe for frames
# larger than a page, and the C++ library's std::nothrow tag (a constant).
compiler_support='^(__chkstk|_ZSt7nothrow)$'

defined=$("$LLVM_NM" --defined-only "${objects[@]}" | awk 'NF == 3 { print $3 }' | sort -u)
undefined=$("$LLVM_NM" --undefined-only "${objects[@]}" | awk 'NF == 2 { print $2 }' | sort -u)
missing=0
count=0
while read -r symbol; do
  [ -n "$symbol" ] || continue
  [[ "$symbol" =~ $compiler_support ]] && continue
  name=${symbol#__imp_}
  row=$(awk -v name="$name" '$1 == name { print $2 }' "$LIST")
  if [ -z "$row" ]; then
    echo "not a function of Windows CE 5 that we may use: $name ($symbol)" >&2
    missing=1
  else
    echo "$name ($row)"
    count=$((count + 1))
  fi
done < <(comm -23 <(echo "$undefined") <(echo "$defined"))
[ "$missing" -eq 0 ] || fail "calls outside $LIST"
echo "$count functions called, all in $(basename "$LIST")"
