#!/usr/bin/env bash
# install_test.sh BUILD_DIR SHARE: installs the build into a temporary DESTDIR with
# a prefix that does not exist on this machine, so the installed program can
# only find its data through its own location (bin/../share/velmora). SHARE
# is the data folder of the configured prefix, compiled into the program.
set -euo pipefail
build="$1"
configuredShare="$2"
for tool in desktop-file-validate man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix=/opt/velmora-install-test
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/root" cmake --install "$build" --prefix "$prefix" >"$work/install.log" ||
  fail "cmake --install failed: $(cat "$work/install.log")"
root="$work/root$prefix"
for file in bin/velmora share/velmora/demomusic.xm share/applications/velmora.desktop \
            share/icons/hicolor/48x48/apps/velmora.png share/icons/hicolor/256x256/apps/velmora.png \
            share/man/man6/velmora.6 share/doc/velmora/README.md share/doc/velmora/copyright \
            share/metainfo/io.github.velmora.metainfo.xml; do
  [ -s "$root/$file" ] || fail "$file was not installed"
done
[ -n "$(ls "$root/share/velmora/scenes")" ] || fail "no scenes installed"
[ -n "$(ls "$root/share/velmora/textures")" ] || fail "no textures installed"
[ -e "$root/bin/demomusic.xm" ] && fail "data installed beside the program"
head -c 8 "$root/share/icons/hicolor/48x48/apps/velmora.png" | od -An -c | grep -q 'P   N   G' ||
  fail "the icon is not a PNG file"

# Played from another folder: it finds its data, plays to --until 1 and
# writes nothing into the data folder or the folder it was started from.
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && "$root/bin/velmora" --offscreen --fps 10 --until 1) >"$work/run.log" 2>&1 ||
  fail "the installed program failed: $(cat "$work/run.log")"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the run left files in the folder it was started from"

# A copy of the program without data says where it looked (unless this
# machine has the production installed at the configured prefix).
if [ ! -e "$configuredShare/demomusic.xm" ]; then
  mkdir "$work/lone"
  cp "$root/bin/velmora" "$work/lone/"
  status=0
  (cd "$work/elsewhere" && "$work/lone/velmora" --offscreen --until 1) >"$work/lone.log" 2>&1 ||
    status=$?
  [ "$status" -eq 1 ] || fail "a program without data ended with status $status"
  grep -qF "looked in $work/lone, $work/share/velmora and $configuredShare." "$work/lone.log" ||
    fail "the places looked in are not named: $(cat "$work/lone.log")"
fi

desktop-file-validate "$root/share/applications/velmora.desktop" ||
  fail "the desktop entry does not validate"
grep -q '^Exec=velmora$' "$root/share/applications/velmora.desktop" || fail "Exec is not velmora"
grep -q '^Icon=velmora$' "$root/share/applications/velmora.desktop" || fail "Icon is not velmora"

page="$(MANWIDTH=100 man --warnings -l "$root/share/man/man6/velmora.6" 2>"$work/man.err")" ||
  fail "man cannot render the page"
[ ! -s "$work/man.err" ] || fail "man warns: $(cat "$work/man.err")"
for part in NAME SYNOPSIS OPTIONS "EXIT STATUS" "--offscreen" "--version" "--data DIR"; do
  grep -q -- "$part" <<<"$page" || fail "the man page has no '$part'"
done
# The options are those of --help, every one.
for option in $("$root/bin/velmora" --help | grep -o '^  --[a-z]*'); do
  grep -q -- "$option" <<<"$page" || fail "the man page misses $option"
done
# Every character of --help reaches the page: none of its punctuation is
# lost on the way (the page may add some of its own; the colons of "usage:"
# and "Exit status:" become headings, so they are not counted).
help="$("$root/bin/velmora" --help)"
plain="$(LANG=C MANWIDTH=100 man -l "$root/share/man/man6/velmora.6" 2>/dev/null)"
for mark in ';' ',' '(' ')' '"' "'" '=' '%'; do
  wanted="$(tr -cd "$mark" <<<"$help" | wc -c)"
  found="$(tr -cd "$mark" <<<"$plain" | wc -c)"
  [ "$found" -ge "$wanted" ] || fail "the man page has $found of the $wanted '$mark' of --help"
done
echo "installed, played, validated and rendered"
