#!/usr/bin/env bash
# install_remove_check.sh DEB: installs the package for real with apt, plays
# the installed program from another folder, purges the package and checks
# that none of its files remain. Changes the system: CI runs it as root on a
# throwaway machine (.ci/run), after the package test.
set -euo pipefail
deb="$(realpath "$1")"
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (apt-get install)"
[ -s "$deb" ] || fail "no package at $deb"
if dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q installed; then
  fail "velmora is installed already; this check needs a machine without it"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export DEBIAN_FRONTEND=noninteractive
repo="$(cd "$(dirname "$0")/../.." && pwd)"
# The compiler cache, which builds elsewhere on the machine may be filling.
ccache_dir="$(ccache -k cache_dir 2>/dev/null || echo "$HOME/.cache/ccache")"
# Every path of the system outside package managers' state, caches, logs and
# this checkout: compared before installing and after purging, it shows files
# that the package or the program wrote and that dpkg does not know of.
snapshot() {
  find /usr /etc /opt /var /root /home /srv -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt \
    -o -path /var/cache -o -path /var/log -o -path /var/tmp -o -path "$repo" -o -path "$work" \
    -o -path "$ccache_dir" \) -prune -o -print 2>/dev/null | LC_ALL=C sort
}
snapshot >"$work/before"

apt-get install -y -qq "$deb" >"$work/install.log" 2>&1 ||
  fail "apt-get install failed: $(cat "$work/install.log")"
dpkg -L velmora >"$work/files"
[ "$(command -v velmora)" = /usr/bin/velmora ] || fail "velmora is not /usr/bin/velmora"
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && velmora --offscreen --until 1) >"$work/run.log" 2>&1 ||
  fail "the installed program failed: $(cat "$work/run.log")"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the run left files in the folder it was started from"
grep -qx /usr/share/velmora/demomusic.xm "$work/files" || fail "dpkg -L lists no data"

apt-get remove --purge -y -qq velmora >"$work/remove.log" 2>&1 ||
  fail "apt-get remove failed: $(cat "$work/remove.log")"
if dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -q .; then
  fail "dpkg still knows velmora: $(dpkg-query -W -f='${Status}' velmora)"
fi
# Every file is gone; a folder that remains belongs to another package or
# holds other packages' files.
left=()
while IFS= read -r path; do
  [ "$path" = /. ] && continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    if ! dpkg -S "$path" >/dev/null 2>&1 && [ -z "$(ls -A "$path")" ]; then left+=("$path"); fi
  elif [ -e "$path" ] || [ -L "$path" ]; then
    left+=("$path")
  fi
done <"$work/files"
[ ${#left[@]} -eq 0 ] || fail "left behind after purge: ${left[*]}"
# New paths other than the caches that other packages' triggers keep for
# icons and desktop entries.
snapshot >"$work/after"
new="$(LC_ALL=C comm -13 "$work/before" "$work/after" |
  grep -vx -e /usr/share/icons/hicolor/icon-theme.cache -e /usr/share/applications/mimeinfo.cache ||
  true)"
[ -z "$new" ] || fail "new files after install, play and purge:"$'\n'"$new"
for dir in /usr/share/velmora /usr/share/doc/velmora; do
  [ ! -e "$dir" ] || fail "$dir remains after purge"
done
echo "installed, played from $work/elsewhere, purged; nothing of the $(wc -l <"$work/files") paths remains"
