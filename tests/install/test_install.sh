#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed program
# without a display: the layout, the desktop entry and MIME type, and the
# settings kept in the user's configuration folder rather than the prefix.
#   test_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/plastora share/plastora/config.xml share/plastora/data/defaultconfig.xml \
            share/plastora/data/sample/sample.qz share/applications/plastora.desktop \
            share/mime/packages/plastora-project.xml share/icons/hicolor/scalable/apps/plastora.svg \
            share/icons/hicolor/scalable/mimetypes/application-x-plastora-project.svg; do
  [ -e "$prefix/$file" ] || fail "$file was not installed"
done
[ -x "$prefix/bin/plastora" ] || fail "bin/plastora is not executable"
[ -d "$prefix/share/plastora/data/gui" ] || fail "the art was not installed"
[ ! -e "$prefix/share/plastora/data/desktop" ] || fail "the desktop files went into the art folder"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/plastora.desktop" || fail "the desktop entry is not valid"
fi
if command -v update-mime-database >/dev/null; then
  mime_log=$(update-mime-database "$prefix/share/mime" 2>&1) || fail "the MIME package does not load"
  ! grep -qi "error" <<<"$mime_log" || fail "the MIME package has faults: $mime_log"
  grep -q '\*\.qz' "$prefix/share/mime/globs2" || fail "the MIME type does not claim *.qz"
  [ -f "$prefix/share/mime/application/x-plastora-project.xml" ] || fail "the MIME type was not made"
fi

# The installed program, headless, as a user whose settings folder is new.
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME"
"$prefix/bin/plastora" --version | grep -q '^Plastora ' || fail "--version"
"$prefix/bin/plastora" sculpt "$prefix/share/plastora/data/sample/sample.qz" -o "$work/sample.glb" \
  --voxel-size 6 --quiet >/dev/null || fail "sculpting the installed sample"
[ -s "$work/sample.glb" ] || fail "no .glb written"
printf 'wait 3\nquit\n' > "$work/quit.script"
"$prefix/bin/plastora" --script "$work/quit.script" --headless || fail "the headless run"
[ -f "$XDG_CONFIG_HOME/plastora/config.xml" ] || fail "no config.xml in the settings folder"
[ -f "$XDG_CONFIG_HOME/plastora/log.log" ] || fail "no log.log in the settings folder"
for leftover in bin/config.xml bin/log.log share/plastora/log.log share/plastora/data/log.log; do
  [ ! -e "$prefix/$leftover" ] || fail "$leftover was written into the prefix"
done
cmp -s "$prefix/share/plastora/config.xml" "$source/data/config.xml" || fail "the factory settings changed"

# Without XDG_CONFIG_HOME the settings go to ~/.config/plastora.
unset XDG_CONFIG_HOME
"$prefix/bin/plastora" --script "$work/quit.script" --headless || fail "the headless run without XDG_CONFIG_HOME"
[ -f "$HOME/.config/plastora/config.xml" ] || fail "no config.xml in ~/.config/plastora"
echo "installed and ran from $prefix"
