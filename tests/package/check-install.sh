#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds the Debian package, then checks that
# the pieces stay together, the desktop entry and the AppStream data are valid, the launcher
# picks the display back-end, the installed program starts and lintian finds nothing to say.
#   check-install.sh BUILD_DIR APP_DIR (the program's folder below the prefix)
set -euo pipefail
build=$(readlink -f "$1")
app=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "--- cmake --install"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
files="bin/roduviriz $app/roduviriz $app/roduviriz.so
    $app/roduviriz.skin $app/ja/LC_MESSAGES/roduviriz.mo
    share/applications/roduviriz.desktop share/icons/hicolor/48x48/apps/roduviriz.png
    share/man/man1/roduviriz.1.gz share/metainfo/example.roduviriz.Roduviriz.metainfo.xml
    share/doc/roduviriz/copyright share/doc/roduviriz/changelog.gz"
for f in $files; do
    [ -e "$work/prefix/$f" ] || fail "not installed: $f"
done
[ -x "$work/prefix/bin/roduviriz" ] || fail "launcher not executable"
file "$work/prefix/share/icons/hicolor/48x48/apps/roduviriz.png" | grep -q '48 x 48' ||
    fail "icon is not a 48x48 PNG"
desktop-file-validate "$work/prefix/share/applications/roduviriz.desktop" ||
    fail "desktop entry invalid"
appstreamcli validate --no-net \
    "$work/prefix/share/metainfo/example.roduviriz.Roduviriz.metainfo.xml" ||
    fail "AppStream metadata invalid"
probe=$(HOME="$work/home" "$work/prefix/bin/roduviriz" --probe) || fail "installed host failed"
echo "$probe" | grep -q 'Roduviriz' || fail "installed plug-in did not start: $probe"

echo "--- launcher"
# The installed launcher in front of a program that prints what it was given, reached
# through a symbolic link by its bare name as from /usr/local/bin.
mkdir -p "$work/stub/bin" "$work/stub/$app" "$work/links"
cp "$work/prefix/bin/roduviriz" "$work/stub/bin/roduviriz"
printf '#!/bin/sh\necho "${GDK_BACKEND-none} ${RODUVIRIZ_X11_BY_LAUNCHER-none} $*"\n' \
    >"$work/stub/$app/roduviriz"
chmod +x "$work/stub/$app/roduviriz"
ln -s "$work/stub/bin/roduviriz" "$work/links/roduviriz"
launched() { (cd "$work" && PATH="$work/links:$PATH" env "$@" roduviriz --probe); }
got=$(launched -u GDK_BACKEND DISPLAY=:9)
[ "$got" = "x11 1 --probe" ] || fail "a session with a display is not run on X11: $got"
got=$(launched GDK_BACKEND=wayland DISPLAY=:9)
[ "$got" = "wayland none --probe" ] || fail "the user's back-end was not kept: $got"
got=$(launched -u GDK_BACKEND -u DISPLAY)
[ "$got" = "none none --probe" ] || fail "without an X display the back-end was forced: $got"

echo "--- cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null) || fail "cpack failed"
deb=$(ls "$work"/pkg/*.deb)
echo "$(basename "$deb")"
dpkg-deb -f "$deb" Depends | tee "$work/depends"
grep -q 'libwx_gtk3u_core-3.2\|libwxgtk3.2' "$work/depends" || fail "no dependency on the toolkit"
dpkg-deb -c "$deb" > "$work/contents"
for f in $files; do
    grep -q " ./usr/$f\$" "$work/contents" || fail "package lacks /usr/$f"
done
[ -z "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'postinst|postrm')" ] ||
    fail "the package has maintainer scripts"
dpkg -x "$deb" "$work/root"
probe=$(HOME="$work/home" "$work/root/usr/$app/roduviriz" --probe) ||
    fail "packaged host failed"
echo "$probe" | grep -q 'Roduviriz' || fail "packaged plug-in did not start: $probe"

echo "--- lintian"
# Errors and warnings fail; the informational tags are only shown.
lintian --display-info --fail-on error,warning "$deb" || fail "lintian complains"
echo "install and package OK"
