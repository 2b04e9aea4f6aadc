#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds the Debian package, then checks that
# the pieces stay together, the desktop entry is valid and the installed program starts.
#   check-install.sh BUILD_DIR
set -euo pipefail
build=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "--- cmake --install"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for f in bin/roduviriz lib/roduviriz/roduviriz lib/roduviriz/roduviriz.so \
    lib/roduviriz/roduviriz.skin lib/roduviriz/ja/LC_MESSAGES/roduviriz.mo \
    share/applications/roduviriz.desktop share/icons/hicolor/48x48/apps/roduviriz.png; do
    [ -e "$work/prefix/$f" ] || fail "not installed: $f"
done
[ -x "$work/prefix/bin/roduviriz" ] || fail "launcher not executable"
file "$work/prefix/share/icons/hicolor/48x48/apps/roduviriz.png" | grep -q '48 x 48' ||
    fail "icon is not a 48x48 PNG"
desktop-file-validate "$work/prefix/share/applications/roduviriz.desktop" ||
    fail "desktop entry invalid"
probe=$(HOME="$work/home" "$work/prefix/bin/roduviriz" --probe) || fail "installed host failed"
echo "$probe" | grep -q 'Roduviriz' || fail "installed plug-in did not start: $probe"

echo "--- cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/pkg/*.deb)
echo "$(basename "$deb")"
dpkg-deb -f "$deb" Depends | tee "$work/depends"
grep -q 'libwx_gtk3u_core-3.2\|libwxgtk3.2' "$work/depends" || fail "no dependency on the toolkit"
dpkg-deb -c "$deb" > "$work/contents"
for f in ./usr/bin/roduviriz ./usr/lib/roduviriz/roduviriz ./usr/lib/roduviriz/roduviriz.so \
    ./usr/lib/roduviriz/roduviriz.skin ./usr/lib/roduviriz/ja/LC_MESSAGES/roduviriz.mo \
    ./usr/share/applications/roduviriz.desktop ./usr/share/icons/hicolor/48x48/apps/roduviriz.png; do
    grep -q " $f\$" "$work/contents" || fail "package lacks $f"
done
dpkg -x "$deb" "$work/root"
probe=$(HOME="$work/home" "$work/root/usr/lib/roduviriz/roduviriz" --probe) ||
    fail "packaged host failed"
echo "$probe" | grep -q 'Roduviriz' || fail "packaged plug-in did not start: $probe"
echo "install and package OK"
