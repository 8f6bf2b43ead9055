# The host packages as an integrator gets them: CPack makes the .tar.gz and
# the .deb of this build, each is unpacked (the .deb with dpkg-deb -x, as
# dpkg would install it), and what is in it runs: the installer on the
# packaged example must leave the registry.reg of the built installer, the
# checker must say this version and find no fault in the example.
set -euo pipefail
: "${BUILD:?}" "${WORK:?}" "${VERSION:?}" "${CPACK:?}"
skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
command -v dpkg-deb >/dev/null || skip "dpkg-deb is not installed (a Debian system has it)"
command -v dpkg-shlibdeps >/dev/null || skip "dpkg-shlibdeps is not installed; bash scripts/deps.sh installs dpkg-dev"

rm -rf "$WORK"
mkdir -p "$WORK/tgz" "$WORK/deb" "$WORK/built"
"$CPACK" --config "$BUILD/CPackConfig.cmake" -B "$WORK" >"$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log"; fail "cpack"; }
tgz=$(echo "$WORK"/tarnwell-"$VERSION"-*.tar.gz)
deb=$(echo "$WORK"/tarnwell_"$VERSION"_*.deb)
[ -f "$tgz" ] || fail "no tarnwell-$VERSION-*.tar.gz in $WORK"
[ -f "$deb" ] || fail "no tarnwell_${VERSION}_*.deb in $WORK"
tar -xzf "$tgz" -C "$WORK/tgz"
dpkg-deb -x "$deb" "$WORK/deb"
for field in Package=tarnwell "Version=$VERSION"; do
  [ "$(dpkg-deb -f "$deb" "${field%%=*}")" = "${field#*=}" ] || fail "the .deb's ${field%%=*} is not ${field#*=}"
done
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "the .deb does not depend on the C library"
dpkg-deb -f "$deb" Depends | grep -q 'libgcab' ||
  fail "the .deb does not depend on libgcab, which tarnwell-check --emit=cab needs"

# What the built installer leaves for the example.
cp "$BUILD/tarnwell" "$BUILD/usbcdc.cfg" "$WORK/built/"
(cd / && "$WORK/built/tarnwell") >/dev/null || fail "the built installer fails on the example"

# check_tree NAME ROOT: the files a package puts below ROOT, and a run of each
# program.
check_tree() {
  local name="$1" root="$2" files output
  files=$(cd "$root" && find . -type f | sort | tr '\n' ' ')
  [ "$files" = "./bin/tarnwell ./bin/tarnwell-check ./share/doc/tarnwell/CHANGELOG.md ./share/doc/tarnwell/README.md ./share/doc/tarnwell/usbcdc.cfg ./share/man/man1/tarnwell-check.1 ./share/man/man1/tarnwell.1 " ] ||
    fail "the $name holds $files"
  mkdir "$root/run"
  cp "$root/bin/tarnwell" "$root/share/doc/tarnwell/usbcdc.cfg" "$root/run/"
  output=$(cd / && "$root/run/tarnwell") || fail "the $name's tarnwell fails on its example"
  [ "$output" = "Success: Configuration successfully written to the registry!" ] ||
    fail "the $name's tarnwell says: $output"
  cmp "$WORK/built/registry.reg" "$root/run/registry.reg" ||
    fail "the $name's tarnwell writes another registry than the built one"
  output=$("$root/bin/tarnwell-check" --version) || fail "the $name's tarnwell-check --version fails"
  [ "$output" = "tarnwell-check $VERSION" ] || fail "the $name's tarnwell-check --version says: $output"
  "$root/bin/tarnwell-check" --quiet "$root/share/doc/tarnwell/usbcdc.cfg" ||
    fail "the $name's tarnwell-check finds fault with its example"
  grep -q "tarnwell $VERSION" "$root/share/man/man1/tarnwell.1" ||
    fail "the $name's manual page does not carry version $VERSION"
  echo "$(basename "$3"): $files- runs"
}
check_tree .tar.gz "$WORK/tgz/$(basename "$tgz" .tar.gz)" "$tgz"
check_tree .deb "$WORK/deb/usr" "$deb"
