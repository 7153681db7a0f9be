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

# What every Debian package carries: a machine-readable copyright file, a
# changelog whose top entry is this very version, both in the package's doc
# folder, compressed without a name or time stamp (gzip -9n).
doc="$r/usr/share/doc/tambrel-orchestra"
check '[ -f "$doc/copyright" ] && [ ! -L "$doc/copyright" ]' "the copyright file"
check 'head -1 "$doc/copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"' \
  "the copyright file is machine-readable (DEP-5)"
check 'grep -q "^Files: \*$" "$doc/copyright" && grep -q "^Copyright: ." "$doc/copyright" && grep -q "^License: ." "$doc/copyright"' \
  "the copyright file names the files, their holder and their licence"
check '[ -f "$doc/changelog.Debian.gz" ] && gzip -t "$doc/changelog.Debian.gz"' "the changelog, gzip-compressed"
# The gzip header: no flags (so no file name) and a zero time stamp.
check '[ "$(od -A n -t x1 -j 3 -N 5 "$doc/changelog.Debian.gz" | tr -d " ")" = 0000000000 ]' \
  "the changelog is compressed with gzip -n"
zcat "$doc/changelog.Debian.gz" > "$t/changelog" 2>/dev/null
check '[ "$(dpkg-parsechangelog -l "$t/changelog" -S Source)" = "$(dpkg-deb -f "$deb" Package)" ]' \
  "the changelog is this package's"
check '[ "$(dpkg-parsechangelog -l "$t/changelog" -S Version)" = "$(dpkg-deb -f "$deb" Version)" ]' \
  "the changelog's top entry is the package's version $(dpkg-deb -f "$deb" Version)"
check 'gzip -t "$r/usr/share/man/man1/tambrel-orchestra.1.gz"' "the manual page of the command"
if command -v lintian >/dev/null; then
  # Errors and warnings both fail; the package's own overrides say why a tag
  # does not apply.
  check 'lintian --fail-on error,warning "$deb" > "$t/lintian" 2>&1 || { cat "$t/lintian"; false; }' "lintian"
else
  echo "lintian is missing (scripts/setup.sh installs it): not run"
fi
[ $bad -eq 0 ] && echo "package $(basename "$deb") checked"
exit $bad
