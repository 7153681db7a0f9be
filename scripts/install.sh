#!/usr/bin/env bash
# Installs Tambrel Orchestra for this user from the checkout:
#   bash scripts/install.sh [PREFIX]        (default ~/.local/opt/TambrelOrchestra)
# PREFIX becomes the program folder; the menu entry (with its "Uninstall"
# action), the icon and the .TbOrc file type go into the user's XDG folders.
# PREFIX/tambrel-remove takes it all away again. Builds first when the build
# folder ($TAMBREL_BUILD_DIR, default build/) holds no program yet.
set -euo pipefail
checkout="$(cd "$(dirname "$0")/.." && pwd)"
build="${TAMBREL_BUILD_DIR:-$checkout/build}"
prefix="${1:-$HOME/.local/opt/TambrelOrchestra}"
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
case "$data_home" in /*) ;; *) data_home="$HOME/.local/share" ;; esac

fail() { echo "install.sh: $*" >&2; exit 1; }
case "$prefix" in /*) ;; *) prefix="$PWD/$prefix" ;; esac
prefix="${prefix%/}"
# The desktop entry's command line cannot carry these safely.
case "$prefix" in *[\"\`\$\\%]* | *$'\n'*) fail "the folder name must not hold \", \`, \$, \\, % or a line break: $prefix" ;; esac
manifest="$prefix/.tambrel-installed-files"
if [ -e "$prefix" ] && [ ! -e "$manifest" ] && [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; then
  fail "$prefix already holds other files; choose a new or empty folder"
fi

if [ ! -x "$build/bin/TambrelOrchestra" ] || [ ! -x "$build/bin/TbUninst" ]; then
  [ -z "${TAMBREL_BUILD_DIR:-}" ] || fail "no program in $build/bin: build it first"
  bash "$checkout/scripts/build.sh" --target program
fi

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install "$build" --prefix "$stage" --component program >/dev/null
cmake --install "$build" --prefix "$stage" --component uninstaller >/dev/null
mkdir -p "$prefix"
old_files=""
[ -e "$manifest" ] && old_files="$(cat "$manifest")"

# The program folder.
files=()
(cd "$stage/lib/tambrel-orchestra" && find . -type f | sed 's#^\./##' | sort) > "$stage/list"
while IFS= read -r f; do
  mkdir -p "$(dirname "$prefix/$f")"
  cp -f "$stage/lib/tambrel-orchestra/$f" "$prefix/$f"
  files+=("$prefix/$f")
done < "$stage/list"

# The removal program, written for this prefix.
q() { printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"; }
cat > "$prefix/tambrel-remove" <<REMOVE
#!/bin/sh
# Removes the Tambrel Orchestra installed in this folder: the program's own
# hook first (it deletes the settings), then every installed file. Files the
# user made here stay, and the folder with them.
prefix=$(q "$prefix")
data_home=$(q "$data_home")
status=0
if [ -x "\$prefix/TambrelOrchestra" ]; then
  "\$prefix/TambrelOrchestra" -BeforeUnInstall || status=1
fi
manifest="\$prefix/.tambrel-installed-files"
if [ ! -f "\$manifest" ]; then
  echo "tambrel-remove: \$manifest is missing: nothing removed" >&2
  exit 1
fi
while IFS= read -r f; do
  [ -n "\$f" ] || continue
  if [ -e "\$f" ] || [ -L "\$f" ]; then rm -f "\$f" || status=1; fi
done < "\$manifest"
command -v update-mime-database >/dev/null 2>&1 && [ -d "\$data_home/mime" ] && update-mime-database "\$data_home/mime" >/dev/null 2>&1
command -v update-desktop-database >/dev/null 2>&1 && [ -d "\$data_home/applications" ] && update-desktop-database "\$data_home/applications" >/dev/null 2>&1
rm -f "\$manifest" "\$prefix/tambrel-remove"
# Empty folders go; a folder with the user's own files stays.
find "\$prefix" -depth -type d -empty -delete 2>/dev/null
if [ -d "\$prefix" ]; then
  echo "tambrel-remove: kept \$prefix: it holds files you made there" >&2
fi
exit \$status
REMOVE
chmod 755 "$prefix/tambrel-remove"

# The desktop side.
mkdir -p "$data_home/applications" "$data_home/icons/hicolor/scalable/apps" "$data_home/mime/packages"
desktop="$data_home/applications/tambrel-orchestra.desktop"
sed "s#@EXEC@#\"$prefix/TambrelOrchestra\"#" "$checkout/packaging/tambrel-orchestra.desktop.in" > "$desktop"
cat >> "$desktop" <<DESKTOP
Actions=uninstall;

[Desktop Action uninstall]
Name=Uninstall Tambrel Orchestra
Exec="$prefix/TbUninst" "$prefix/tambrel-remove"
DESKTOP
cp -f "$checkout/packaging/tambrel-orchestra.svg" "$data_home/icons/hicolor/scalable/apps/tambrel-orchestra.svg"
cp -f "$checkout/packaging/tambrel-orchestra-mime.xml" "$data_home/mime/packages/tambrel-orchestra.xml"
files+=("$desktop" "$data_home/icons/hicolor/scalable/apps/tambrel-orchestra.svg" "$data_home/mime/packages/tambrel-orchestra.xml")
command -v update-mime-database >/dev/null 2>&1 && update-mime-database "$data_home/mime" >/dev/null 2>&1 || true
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$data_home/applications" >/dev/null 2>&1 || true
touch "$data_home/icons/hicolor" 2>/dev/null || true

# Files of an earlier install into this prefix that this one no longer has.
printf '%s\n' "${files[@]}" > "$manifest.new"
if [ -n "$old_files" ]; then
  printf '%s\n' "$old_files" | while IFS= read -r f; do
    grep -qxF -- "$f" "$manifest.new" || rm -f -- "$f"
  done
fi
mv -f "$manifest.new" "$manifest"

echo "Installed Tambrel Orchestra in $prefix"
# The media-service check; without a desktop it prints what is missing.
"$prefix/TambrelOrchestra" -AfterInstall || echo "install.sh: the media-service check failed" >&2
