#!/usr/bin/env bash
# The package as an engineer gets it: built with cpack from the build folder,
# unpacked with dpkg-deb -x into a temporary root, its programs run from
# there, and lintian's verdict. Usage: check-package.sh BUILD_DIR VERSION
set -euo pipefail
BUILD=$1
VERSION=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "check-package: $*" >&2
  exit 1
}

(cd "$BUILD" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  fail "cpack failed"
}
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $work/out, found: ${debs[*]}"
deb=${debs[0]}
echo "package $(basename "$deb"): $(stat -c %s "$deb") bytes"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Depends | grep -q "libqt5core5a" || fail "Depends does not come from the programs' shared libraries"

root=$work/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/hazard-desk usr/bin/hazard-desk-cli \
            usr/lib/hazard-desk/libZrCameraApi.so usr/lib/hazard-desk/libhazard-desk-cli-camera.so \
            usr/lib/hazard-desk/i18n/languages.json \
            usr/share/applications/hazard-desk.desktop usr/share/icons/hicolor/64x64/apps/hazard-desk.png \
            usr/share/man/man1/hazard-desk-cli.1.gz usr/share/man/man1/hazard-desk.1.gz \
            usr/share/doc/hazard-desk/copyright usr/share/doc/hazard-desk/changelog.gz; do
  [ -e "$root/$file" ] || fail "the package has no $file"
done

# Both programs print the version CMake gives them; the window needs no display for it.
for program in hazard-desk-cli hazard-desk; do
  printed=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version)
  [ "$printed" = "$program $VERSION" ] || fail "'$program --version' printed '$printed', expected '$program $VERSION'"
  echo "$printed"
done

# discover loads the camera commands and the virtual camera from the package.
(cd "$work" && "$root/usr/bin/hazard-desk-cli" discover >"$work/discover.out" 2>"$work/discover.err") ||
  { cat "$work/discover.err" >&2; fail "'hazard-desk-cli discover' from the package failed"; }
cameras=$(grep -c '^{"ip":"127\.' "$work/discover.out" || true)
[ "$cameras" -ge 1 ] || { cat "$work/discover.out" "$work/discover.err" >&2; fail "discover listed no camera"; }
echo "discover: $cameras cameras"

# The manual page holds every command the tool lists.
listed=$(cd "$work" && "$root/usr/bin/hazard-desk-cli" --help | sed -n '/^Commands:/,/^$/p' | grep -c '^  [a-z]')
sections=$(zcat "$root/usr/share/man/man1/hazard-desk-cli.1.gz" | grep -c '^\.SS ')
[ "$listed" -eq "$sections" ] || fail "the manual page has $sections command sections, the tool lists $listed commands"
echo "manual page: $sections commands"

command -v lintian >/dev/null || fail "lintian is not installed (scripts/install-deps.sh installs it)"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q '^E: ' "$work/lintian.txt"; then
  fail "lintian reports errors"
fi
echo "lintian: $(grep -c '^E: ' "$work/lintian.txt" || true) errors, $(grep -c '^W: ' "$work/lintian.txt" || true) warnings"
