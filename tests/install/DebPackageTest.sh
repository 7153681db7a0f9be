#!/usr/bin/env bash
# Packs the build tree's program with CPack as a Debian package and checks its
# contents, its control data and the desktop metadata validators.
# Usage: DebPackageTest.sh BUILD_DIR
set -uo pipefail
build="$1"
t="$(mktemp -d)"; trap 'rm -rf "$t"' EXIT
for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
  command -v $tool >/dev/null || { echo "SKIPPED: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
# gzip keeps the test quick; the real package uses xz.
(cd "$t" && cpack -G DEB --config "$build/CPackConfig.cmake" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$t/log" 2>&1) ||
  { cat "$t/log"; echo "FAILED: cpack"; exit 1; }
deb=$(ls "$t"/tambrel-orchestra_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAILED: no tambrel-orchestra_VERSION_ARCH.deb"; exit 1; }
bad=0
check() { if ! eval "$1"; then echo "FAILED: $2"; bad=1; fi; }
dpkg-deb -x "$deb" "$t/root"
r="$t/root"
for f in TambrelOrchestra TambrelOrchestraDll tborc; do
  check '[ -x "$r/usr/lib/tambrel-orchestra/$f" ]' "/usr/lib/tambrel-orchestra/$f"
done
check '[ -f "$r/usr/lib/tambrel-orchestra/Samples/Sample1.TbOrc" ]' "the sample"
check '[ "$(readlink "$r/usr/bin/tambrel-orchestra")" = ../lib/tambrel-orchestra/TambrelOrchestra ]' "/usr/bin/tambrel-orchestra"
check '[ ! -e "$r/usr/lib/tambrel-orchestra/TbUninst" ]' "the package ships no uninstaller"
check '! grep -q "^Actions=" "$r/usr/share/applications/tambrel-orchestra.desktop"' "the package's entry has no uninstall action"
check 'desktop-file-validate "$r/usr/share/applications/tambrel-orchestra.desktop"' "desktop-file-validate"
check 'appstreamcli validate --no-net "$r/usr/share/metainfo/io.github.tambrel.TambrelOrchestra.metainfo.xml" >/dev/null' "appstreamcli validate"
check '[ -f "$r/usr/share/icons/hicolor/scalable/apps/tambrel-orchestra.svg" ]' "the hicolor icon"
check 'grep -q "\*.tborc" "$r/usr/share/mime/packages/tambrel-orchestra.xml"' "the .TbOrc file type"
check 'dpkg-deb -f "$deb" Depends | grep -q "libsdl2"' "dependencies come from the shared libraries"
check 'dpkg-deb -f "$deb" Package | grep -qx tambrel-orchestra' "the package name"
check '! dpkg-deb -e "$deb" "$t/ctl" || ! ls "$t/ctl" | grep -qE "^(pre|post)(inst|rm)$"' "no maintainer scripts touch home folders"
check '[ -z "$(find "$r" -path "*/home/*")" ]' "nothing under /home"
[ $bad -eq 0 ] && echo "package $(basename "$deb") checked"
exit $bad
