# Every function the installer's own code calls in its Windows CE form must
# be in the list of what Windows CE 5 exports (LIST). The CE form is
# compiled for 32-bit ARM (preset arm-ce) and nothing is linked, so the
# symbols its objects leave undefined are our code's calls alone.
set -euo pipefail
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
[ -x "${LLVM_NM:-}" ] && [ -x "${CLANGXX:-}" ] ||
  skip "clang++ or llvm-nm is not installed; bash scripts/deps.sh installs them"

build="$WORK/arm-ce"
mkdir -p "$WORK"
if ! cmake -S "$SOURCE" --preset arm-ce -B "$build" >"$WORK/configure.log" 2>&1; then
  reason=$(grep -o "The ARM compile check needs.*" "$WORK/configure.log") && skip "$reason"
  cat "$WORK/configure.log"; fail "configuring the ARM build"
fi
cmake --build "$build" -j2 --clean-first --target tarnwell_core tarnwell_platform tarnwell_entry \
  >"$WORK/build.log" 2>&1 || { cat "$WORK/build.log"; fail "ARM build"; }
mapfile -t objects < <(find "$build/src" -name '*.obj' -regex '.*/tarnwell_\(core\|platform\|entry\)\.dir/.*')

# The CE entry: WinMain with C linkage, and no desktop entry.
entry=$("$LLVM_NM" --defined-only "$build"/src/app/win32/CMakeFiles/tarnwell_entry.dir/main.cpp.obj)
grep -qE ' T WinMain$' <<<"$entry" && ! grep -q wWinMain <<<"$entry" ||
  fail "the CE form's entry is not WinMain: $entry"

# Not Windows functions: the compiler's stack probe for frames larger than
# a page, and the C++ library's std::nothrow tag (a constant).
compiler='^(__chkstk|_ZSt7nothrow)$'
calls=$(comm -23 <("$LLVM_NM" --undefined-only "${objects[@]}" | awk 'NF == 2 { print $2 }' | sort -u) \
                 <("$LLVM_NM" --defined-only "${objects[@]}" | awk 'NF == 3 { print $3 }' | sort -u) |
        grep -vE "$compiler" | sed 's/^__imp_//')
outside=$(grep -vxFf <(awk '!/^#/ && NF { print $1 }' "$LIST") <<<"$calls") &&
  fail "calls outside $(basename "$LIST"), not exported by Windows CE 5 for us: $outside"
echo "$(wc -l <<<"$calls") functions called, all in $(basename "$LIST"):" $calls
