#!/usr/bin/env bash
# The real window on a real X server (Xvfb) with a window manager (openbox):
# full screen at 1920x1080 and 1280x1024, and a resized window, each show the
# picture at the largest 4:3 size, centred, pure black around it.
# Usage: fullscreen_check.sh VELMORA DATA_DIR
set -uo pipefail
velmora=$1
data=$2
for tool in Xvfb openbox xdotool xwininfo convert; do
  command -v "$tool" >/dev/null || { echo "fullscreen_check: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
unset SDL_VIDEODRIVER WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy
# Settings a viewer's runs remember stay in the test's own folder.
export XDG_CONFIG_HOME="$work/config"

# The largest of the three colour channels over a column or row of a PNG.
brightest() {  # FILE column|row INDEX
  local geometry
  if [ "$2" = column ]; then geometry="1x100000+$3+0"; else geometry="100000x1+0+$3"; fi
  convert "$1" -crop "$geometry" +repage -format "%[fx:255*max(maxima.r,max(maxima.g,maxima.b))]" info:
}

fail=0
expect() {  # DESCRIPTION ACTUAL OP LIMIT
  if [ "$2" "$3" "$4" ]; then echo "ok: $1 ($2)"; else echo "FAILED: $1 ($2, wanted $3 $4)"; fail=1; fi
}

# Starts an X server of the given size on a free display, with openbox, and
# sets DISPLAY to it.
run_on_screen() {  # SIZE
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$work/display")"
  : >"$work/display"
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
}

# Full screen: a shot 7.5 s into a run from 14 s, when the window has long
# settled: scene 1, the white haze at the top of the picture.
run_on_screen 1920x1080
"$velmora" --data "$data" --fullscreen --start 14 --until 22 --shot "21.5:$work/a.png"
expect "1920x1080: left pillar black" "$(brightest "$work/a.png" column 239)" -eq 0
expect "1920x1080: picture starts at 240" "$(brightest "$work/a.png" column 240)" -gt 100
expect "1920x1080: picture ends at 1679" "$(brightest "$work/a.png" column 1679)" -gt 100
expect "1920x1080: right pillar black" "$(brightest "$work/a.png" column 1680)" -eq 0

run_on_screen 1280x1024
"$velmora" --data "$data" --fullscreen --start 14 --until 22 --shot "21.5:$work/b.png"
# The picture's own letterbox bands are black too; its first picture row is
# 32 + 160 (80 of 480 units at a scale of 2).
expect "1280x1024: top band black" "$(brightest "$work/b.png" row 191)" -eq 0
expect "1280x1024: picture from row 192" "$(brightest "$work/b.png" row 192)" -gt 100
expect "1280x1024: picture to row 831" "$(brightest "$work/b.png" row 831)" -gt 100
expect "1280x1024: bottom band black" "$(brightest "$work/b.png" row 832)" -eq 0

# A window resized by the window manager to 1000x500: 667x500 from column 166.
"$velmora" --data "$data" --window --start 18 --until 24 --shot "23.5:$work/c.png" &
player=$!
for _ in $(seq 100); do
  id=$(xwininfo -root -tree 2>/dev/null | awk '/v e l m o r a/ {print $1; exit}')
  [ -n "$id" ] && break
  sleep 0.1
done
xdotool windowsize "$id" 1000 500 2>/dev/null ||
  { echo "FAILED: could not resize the window"; fail=1; }
wait "$player"
expect "window 1000x500: shot of the resized drawable" "$(identify -format %wx%h "$work/c.png")" = 1000x500
expect "window 1000x500: left pillar black" "$(brightest "$work/c.png" column 165)" -eq 0
expect "window 1000x500: picture from 166" "$(brightest "$work/c.png" column 166)" -gt 100
expect "window 1000x500: picture to 832" "$(brightest "$work/c.png" column 832)" -gt 100
expect "window 1000x500: right pillar black" "$(brightest "$work/c.png" column 833)" -eq 0
exit $fail
