#!/usr/bin/env bash
# Installs the build tree into a temporary DESTDIR under /usr and checks what a
# package would hold: exactly the expected files, a valid desktop entry whose
# program and icon are there, a 256 px PNG icon, manual pages that name every
# option the program has, a template the program can open, and an installed
# program that keeps its per-user files out of its own folder.
# Usage: install_tree_test.sh BUILD_DIR WITH_WINDOW(0|1)
set -euo pipefail
build=$1
with_window=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$root/dest" cmake --install "$build" --prefix /usr >/dev/null
dest=$root/dest

expected=(
  usr/bin/crawlspect-cli
  usr/share/crawlspect/empty.db
  usr/share/crawlspect/license.txt
  usr/share/doc/crawlspect/copyright
  usr/share/man/man1/crawlspect-cli.1.gz
)
if [ "$with_window" = 1 ]; then
  expected+=(
    usr/bin/crawlspect
    usr/share/applications/crawlspect.desktop
    usr/share/icons/hicolor/256x256/apps/crawlspect.png
    usr/share/icons/hicolor/scalable/apps/crawlspect.svg
    usr/share/man/man1/crawlspect.1.gz
    usr/share/metainfo/com.zorvane.Crawlspect.metainfo.xml
  )
fi
actual=$(cd "$dest" && find . -type f -printf '%P\n' | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
[ "$actual" = "$wanted" ] || fail "installed files differ from the expected ones:
$(diff <(echo "$wanted") <(echo "$actual") || true)"
for program in "$dest"/usr/bin/*; do
  [ -x "$program" ] || fail "$program is not executable"
done

cli=$dest/usr/bin/crawlspect-cli
"$cli" --version | grep -qx 'crawlspect-cli [0-9.]*' || fail "the installed crawlspect-cli does not start"
cmp -s "$dest/usr/share/crawlspect/license.txt" "$dest/usr/share/doc/crawlspect/copyright" ||
  fail "the package's copyright file is not the license"

# The template is an empty project: the installed program reports on it.
report=$("$cli" report "$dest/usr/share/crawlspect/empty.db") || fail "the installed empty.db is not a project"
echo "$report" | grep -qx $'Internal URLs\t0' || fail "unexpected report of empty.db: $report"

# Every option of every command is in the manual page.
man=$(gzip -dc "$dest/usr/share/man/man1/crawlspect-cli.1.gz" | sed 's/\\-/-/g')
for command in crawl report fetch analyze; do
  echo "$man" | grep -q "^\.B crawlspect-cli $command\$" || fail "manual page lacks the command $command"
  for option in $("$cli" help "$command" | grep -o -- '--[a-z0-9-]*' | grep -vx -- '--help' | sort -u); do
    echo "$man" | grep -q -- "$option" || fail "manual page lacks $option of $command"
  done
done

# Installed, the program leaves its own folder alone, even for a user who may
# write there (root): the working files go to the per-user data folder. The
# analysis reads settings.ini, whose service host keeps it on this machine.
mkdir -p "$root/config/crawlspect"
printf '[Services]\nHtml2TxtHost=127.0.0.1:9\n' >"$root/config/crawlspect/settings.ini"
XDG_CONFIG_HOME=$root/config XDG_DATA_HOME=$root/data \
  "$cli" analyze http://127.0.0.1:9/ --connection-timeout 2000 --response-timeout 2000 >/dev/null
[ -d "$root/data/crawlspect" ] || fail "the installed program did not use \$XDG_DATA_HOME/crawlspect"
[ -z "$(ls -A "$dest/usr/bin" | grep -v '^crawlspect')" ] || fail "the installed program wrote into its own folder"

if [ "$with_window" = 1 ]; then
  desktop=$dest/usr/share/applications/crawlspect.desktop
  desktop-file-validate "$desktop" || fail "desktop-file-validate refused the desktop entry"
  exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$dest/usr/bin/$exec_program" ] || fail "the desktop entry starts $exec_program, which is not installed"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$dest/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the desktop entry's icon $icon is not installed"
  # PNG signature, then the IHDR chunk's width and height as 32-bit big-endian numbers.
  png=$dest/usr/share/icons/hicolor/256x256/apps/crawlspect.png
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the icon is not a PNG"
  [ "$(od -An -j16 -N8 -tx1 "$png" | tr -d ' \n')" = 0000010000000100 ] || fail "the PNG icon is not 256 by 256"
fi
echo "install tree OK"
