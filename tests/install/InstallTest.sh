#!/usr/bin/env bash
# Installs into a temporary prefix with a temporary HOME, checks what landed
# where, runs the installed program's installer switches headless, removes it
# again and checks nothing of it is left.
# Usage: InstallTest.sh CHECKOUT BUILD_DIR
set -uo pipefail
checkout="$1"; build="$2"
t="$(mktemp -d)"; trap 'rm -rf "$t"' EXIT
export HOME="$t/home" XDG_DATA_HOME="$t/home/.local/share" XDG_CONFIG_HOME="$t/home/.config"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy TAMBREL_BUILD_DIR="$build"
prefix="$t/Tambrel Orchestra"
bad=0
check() { if ! eval "$1"; then echo "FAILED: $2"; bad=1; fi; }

timeout 120 bash "$checkout/scripts/install.sh" "$prefix" || { echo "FAILED: install.sh"; exit 1; }
for f in TambrelOrchestra TambrelOrchestraDll TbUninst tborc tambrel-remove; do
  check '[ -x "$prefix/$f" ]' "$f is installed and runnable"
done
check '[ -f "$prefix/Samples/Sample1.TbOrc" ] && [ -f "$prefix/TbOrch-00.sty" ]' "the sample and the styles are installed"
check '! ls "$prefix" | grep -qE "^(play_key|mixer_voices|makewaves|tambrel_tests)$"' "no benchmark or build tool is installed"
desktop="$XDG_DATA_HOME/applications/tambrel-orchestra.desktop"
check '[ -f "$desktop" ]' "the desktop entry is installed"
check 'desktop-file-validate "$desktop"' "the desktop entry is valid"
check 'grep -qxF "Name=Uninstall Tambrel Orchestra" "$desktop"' "the entry has the uninstall action"
check 'grep -qxF "Exec=\"$prefix/TbUninst\" \"$prefix/tambrel-remove\"" "$desktop"' "the action runs TbUninst with the removal program"
check '[ -f "$XDG_DATA_HOME/icons/hicolor/scalable/apps/tambrel-orchestra.svg" ]' "the icon is installed"
check '[ -f "$XDG_DATA_HOME/mime/packages/tambrel-orchestra.xml" ]' "the file type is installed"
if command -v update-mime-database >/dev/null; then
  check 'grep -q "application/x-tambrel-orchestra:\*.tborc" "$XDG_DATA_HOME/mime/globs2"' ".TbOrc files are known"
fi

# The switches run headless, end at once and open no window.
check 'timeout 30 "$prefix/TambrelOrchestra" -AfterInstall' "-AfterInstall ends with status 0"
check '[ ! -e "$prefix/TambrelOrchestra.ini" ] && [ ! -e "$XDG_CONFIG_HOME/TambrelOrchestra" ]' "-AfterInstall touches no settings"

# As if the program had been used, with a file the user saved there.
printf '[General]\nLastUsedPath=%s/\n' "$prefix" > "$prefix/TambrelOrchestra.ini"
check 'timeout 60 "$prefix/tambrel-remove"' "tambrel-remove ends with status 0"
check '[ ! -e "$prefix" ]' "the program folder is gone"
check '! grep -rlis tambrel "$HOME"' "nothing of the program is left in HOME"

# A file the user made in the program folder is kept, and said so.
timeout 120 bash "$checkout/scripts/install.sh" "$prefix" >/dev/null 2>&1
echo mine > "$prefix/Mine.TbOrc"
timeout 60 "$prefix/tambrel-remove" 2>"$t/err"
check '[ -f "$prefix/Mine.TbOrc" ] && [ "$(ls -A "$prefix")" = Mine.TbOrc ]' "only the user's own file stays"
check 'grep -q "kept" "$t/err"' "the removal says it kept the folder"

# A folder that holds other things is refused.
mkdir -p "$t/other" && echo x > "$t/other/x"
check '! bash "$checkout/scripts/install.sh" "$t/other" 2>/dev/null' "install.sh refuses a folder with other files"
[ $bad -eq 0 ] && echo "installed, checked and removed"
exit $bad
