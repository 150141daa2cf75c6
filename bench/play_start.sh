#!/usr/bin/env bash
# How soon a second `scripts/play --window` shows its first frame when nothing
# needs rebuilding: in a clean clone of this checkout's last commit, one
# scripts/play builds everything, then three more each draw the first frame
# of the show (--until 0, saving it as a shot) in a window. Prints, for each,
# the seconds from the command to the shot file (the first frame) and to the
# program's exit. Target: first frame within 2 s.
#
# Without a display an Xvfb server is started for the run (and stopped).
# The clone and its build are removed at the end. Pass --here to measure the
# current checkout (its build-play/) instead of a clean clone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "${DISPLAY:-}" ]; then exec "$root/scripts/with-xvfb" --size 1024x768 "$0" "$@"; fi
work="$(mktemp -d)"
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

if [ "${1:-}" = "--here" ]; then
  tree="$root"
else
  git clone -q "$root" "$work/clone"
  tree="$work/clone"
fi

export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

echo "first scripts/play (builds the program and its data):" >&2
/usr/bin/time -f "  %e s" "$tree/scripts/play" --window --until 0 >/dev/null

for run in 1 2 3; do
  shot="$work/first-$run.png"
  start=$(date +%s%N)
  "$tree/scripts/play" --window --until 0 --shot "0:$shot" >/dev/null 2>"$work/play.log" &
  player=$!
  first=""
  while kill -0 "$player" 2>/dev/null; do
    if [ -z "$first" ] && [ -e "$shot" ]; then first=$(date +%s%N); fi
    sleep 0.05
  done
  wait "$player" || { echo "scripts/play failed:" >&2; cat "$work/play.log" >&2; exit 1; }
  end=$(date +%s%N)
  if [ -z "$first" ]; then first=$end; fi
  awk -v s="$start" -v f="$first" -v e="$end" -v r="$run" 'BEGIN {
    printf "second scripts/play --window, run %d: first frame %.2f s, exit %.2f s\n",
           r, (f - s) / 1e9, (e - s) / 1e9 }'
done
