#!/usr/bin/env bash
# package_test.sh SOURCE_DIR VERSION: builds the package with scripts/package
# and checks it as a distribution would take it: its control fields, its
# files, lintian, the AppStream metainfo, and the program played from the
# unpacked package with the unpacked data.
set -euo pipefail
source="$1"
version="$2"
for tool in dpkg-deb lintian appstreamcli man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps installs it)"
    exit 77
  fi
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source/scripts/package" >"$work/path" 2>"$work/package.log" ||
  fail "scripts/package failed: $(tail -n 20 "$work/package.log")"
[ "$(wc -l <"$work/path")" -eq 1 ] || fail "scripts/package printed more than the path: $(cat "$work/path")"
deb="$(cat "$work/path")"
arch="$(dpkg --print-architecture)"
[ "$(basename "$deb")" = "velmora_${version}_${arch}.deb" ] || fail "unexpected package name $deb"
[ -s "$deb" ] || fail "$deb was not written"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velmora ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
depends="$(field Depends)"
for library in libc6 'libsdl2-[0-9.-]+' 'libopenmpt[0-9]+' libjpeg62-turbo 'lib3ds-[0-9-]+' \
               'libfreetype[0-9]+' 'libfontconfig[0-9]+' 'libglu1-mesa|libglu1'; do
  grep -Eq "(^|, )($library)( |,|$)" <<<"$depends" ||
    fail "Depends does not name $library: $depends"
done
grep -Eq '(^|, )ffmpeg(,|$)' <<<"$(field Recommends)" ||
  fail "Recommends is not ffmpeg: '$(field Recommends)'"
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -ge 3 ] || fail "no long description"
# No maintainer scripts: installing writes only the package's own files.
controls="$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's#^\./##' | grep -v '^$' | sort | tr '\n' ' ')"
[ "$controls" = "control md5sums " ] || fail "control archive holds: $controls"

# Files: everything under /usr, in Debian's and XDG's places.
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
outside="$(grep -v '^\./usr/' "$work/files" | grep -vx '\./' || true)"
[ -z "$outside" ] || fail "files outside /usr: $outside"
dpkg-deb -x "$deb" "$work/root"
usr="$work/root/usr"
for file in bin/velmora share/velmora/demomusic.xm share/applications/velmora.desktop \
            share/icons/hicolor/48x48/apps/velmora.png share/icons/hicolor/128x128/apps/velmora.png \
            share/icons/hicolor/256x256/apps/velmora.png share/metainfo/io.github.velmora.metainfo.xml \
            share/man/man6/velmora.6.gz share/doc/velmora/copyright share/doc/velmora/changelog.gz \
            share/doc/velmora/README.md; do
  [ -s "$usr/$file" ] || fail "the package has no /usr/$file"
done
[ -n "$(ls "$usr/share/velmora/scenes")" ] || fail "no scenes in the package"
[ -n "$(ls "$usr/share/velmora/textures")" ] || fail "no textures in the package"
[ ! -e "$usr/share/man/man6/velmora.6" ] || fail "an uncompressed man page is in the package"
# gzip -n: no file name (flag bit 3) and no time stamp (bytes 4 to 7) in the header.
header="$(od -An -tu1 -N8 "$usr/share/man/man6/velmora.6.gz" | tr -s ' ')"
[ "$header" = " 31 139 8 0 0 0 0 0" ] || fail "the man page is not compressed with gzip -n: $header"
page="$(MANWIDTH=100 man --warnings -l "$usr/share/man/man6/velmora.6.gz" 2>"$work/man.err")" ||
  fail "man cannot render the compressed page"
[ ! -s "$work/man.err" ] || fail "man warns: $(cat "$work/man.err")"
grep -q -- "--offscreen" <<<"$page" || fail "the man page has no options"
zcat "$usr/share/doc/velmora/changelog.gz" | head -n 1 | grep -qF "velmora ($version) " ||
  fail "the changelog's first entry is not version $version"

# lintian: no errors and no warnings (overrides, with their reasons, are in
# packaging/lintian-overrides).
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"

# AppStream: the metainfo validates on its own and with the rest of the tree;
# its release is this version and its launchable is the packaged entry.
metainfo="$usr/share/metainfo/io.github.velmora.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/as.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/as.log")"
grep -E '^[EW]: ' "$work/as.log" && fail "appstreamcli warns (above)"
appstreamcli validate-tree --no-net "$work/root" >"$work/astree.log" 2>&1 ||
  fail "appstreamcli validate-tree: $(cat "$work/astree.log")"
grep -qF "<release version=\"$version\" date=\"" "$metainfo" ||
  fail "the metainfo's release is not $version"
launchable="$(sed -n 's#.*<launchable type="desktop-id">\(.*\)</launchable>.*#\1#p' "$metainfo")"
[ -n "$launchable" ] && [ -s "$usr/share/applications/$launchable" ] ||
  fail "the metainfo launches '$launchable', which the package does not have"

# The unpacked program plays from another folder with the unpacked data, found
# beside it (../share/velmora), and leaves nothing behind.
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && "$usr/bin/velmora" --offscreen --fps 10 --until 1) >"$work/run.log" 2>&1 ||
  fail "the unpacked program failed: $(cat "$work/run.log")"
(cd "$work/elsewhere" && "$usr/bin/velmora" --offscreen --fps 10 --until 1 \
  --data "$usr/share/velmora") >"$work/run.log" 2>&1 ||
  fail "the unpacked program failed with --data: $(cat "$work/run.log")"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the run left files in the folder it was started from"
# Without its data it names the places it looked: the last is /usr/share/velmora,
# where the installed package keeps it (unless this machine has it there).
if [ ! -e /usr/share/velmora/demomusic.xm ]; then
  mv "$usr/share/velmora" "$work/moved"
  status=0
  (cd "$work/elsewhere" && "$usr/bin/velmora" --offscreen --until 1) >"$work/lone.log" 2>&1 ||
    status=$?
  [ "$status" -eq 1 ] || fail "the program without its data ended with status $status"
  grep -qF "looked in $usr/bin, $usr/share/velmora and /usr/share/velmora." "$work/lone.log" ||
    fail "the program was not built for /usr: $(cat "$work/lone.log")"
fi
echo "built, linted, validated and played: $deb"
