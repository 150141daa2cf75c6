#!/usr/bin/env bash
# The viewer on a real X server (Xvfb, 1920x1080) with a window manager
# (openbox): a click on the on-screen display's bar seeks where it was
# clicked (the F2 log line says the demo time); F11 twice from a maximised
# window brings it back maximised; a settings file of garbage is ignored with
# one line and replaced by a good one at the end.
# Usage: viewer_check.sh VELMORA DATA_DIR
set -uo pipefail
velmora=$1
data=$2
for tool in Xvfb openbox xdotool xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "viewer_check: $tool is not installed" >&2; exit 1; }
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
export XDG_CONFIG_HOME="$work/config"

fail=0
check() {  # DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

# The show's data in a folder of the test's own: F2 writes its log there.
mkdir -p "$work/data"
cp -r "$data/scenes" "$data/textures" "$data/demomusic.xm" "$work/data/"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

window_id() {
  for _ in $(seq 150); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/v e l m o r a/ {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
geometry() {  # ID: "WxH+X+Y" of the client area
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}'
}

# 1. A click on the bar of an 800x600 window seeks: the bar spans x 30 to
# 770 at row 560, so x 412 is demo time (412 - 30) / 740 * 193.9 = 100.1 s.
"$velmora" --data "$work/data" --window --no-config --start 10 --until 40 2>"$work/click.err" &
player=$!
id=$(window_id) || { echo "FAILED: no window"; exit 1; }
sleep 2
xdotool mousemove --window "$id" 300 300 sleep 0.3 mousemove --window "$id" 412 560 sleep 0.3 click 1
sleep 1.5
xdotool key --window "$id" F2
sleep 1
xdotool key --window "$id" Escape
wait "$player"
line=$(grep -o 'time [0-9.]*' "$work/data/error_log.txt" | tail -n 1 | cut -d' ' -f2)
echo "F2 after the click logged demo time ${line:-none}"
check "click on the bar seeks to about 100 s" \
  awk -v t="${line:-0}" 'BEGIN {exit !(t >= 100.0 && t < 104.0)}'

# 2. F11 twice from a maximised window (maximised with a double click on the
# title bar) brings it back maximised, at the same size and place.
"$velmora" --data "$work/data" --window --no-config --until 60 2>"$work/f11.err" &
player=$!
id=$(window_id) || { echo "FAILED: no window"; exit 1; }
sleep 2
before=$(geometry "$id")
# The title bar lies just above the client area.
left=${before#*+}
top=${left#*+}
left=${left%%+*}
xdotool mousemove $((left + 100)) $((top - 8)) click --repeat 2 --delay 80 1
sleep 1.5
maximised=$(geometry "$id")
check "the title bar's double click maximised the window ($before to $maximised)" \
  test "$maximised" != "$before"
xdotool key --window "$id" F11
sleep 2
full=$(geometry "$id")
check "F11 goes full screen ($full)" test "${full%%+*}" = 1920x1080
xdotool key --window "$id" F11
sleep 2
after=$(geometry "$id")
check "F11 again brings back the maximised window ($after, was $maximised)" \
  test "$after" = "$maximised"
check "the window manager calls it maximised again" \
  bash -c "xprop -id $id _NET_WM_STATE | grep -q MAXIMIZED_HORZ"
xdotool key --window "$id" Escape
wait "$player"

# 3. Garbage in the settings file: one line says it is ignored, the run
# plays, and a good file replaces it at the end.
mkdir -p "$XDG_CONFIG_HOME/velmora"
printf '\x7fELF\x02\x01garbage\n' >"$XDG_CONFIG_HOME/velmora/settings"
"$velmora" --data "$work/data" --window --until 2 2>"$work/garbage.err"
status=$?
check "a garbage settings file is not fatal (status $status)" test "$status" -eq 0
check "one line says the settings file is ignored" \
  test "$(grep -c 'ignoring the settings file' "$work/garbage.err")" -eq 1
check "a good settings file replaces it" \
  bash -c "head -n 1 '$XDG_CONFIG_HOME/velmora/settings' | grep -qx 'velmora settings 1'"
# 4. The "Fullscreen?" question closed with the title bar's button (Alt+F4
# in openbox) answers No: the show plays in a window and says nothing of it.
"$velmora" --data "$work/data" --until 4 2>"$work/closed.err" &
player=$!
for _ in $(seq 100); do
  box=$(xwininfo -root -tree 2>/dev/null | awk '/"FullScreen\?"/ {print $1; exit}')
  [ -n "$box" ] && break
  sleep 0.1
done
sleep 0.5
xdotool windowactivate --sync "$box" key alt+F4 2>/dev/null
id=$(window_id)
check "after the closed box the show opens a window" test -n "$id"
check "which is not full screen" bash -c "[ \"\$(xwininfo -id $id | awk '/Width:/ {print \$2}')\" != 1920 ]"
wait "$player"
status=$?
check "and ends normally (status $status)" test "$status" -eq 0
check "saying nothing of the question" test "$(grep -c 'Fullscreen' "$work/closed.err")" -eq 0

# 5. A display without OpenGL (no GLX): one box with the fixed message, the
# reason and what to install, the same text on stderr as one line; status 2.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -extension GLX 3>"$work/display" \
  >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
"$velmora" --data "$work/data" --window --no-config 2>"$work/nogl.err" &
player=$!
for _ in $(seq 100); do
  box=$(xwininfo -root -tree 2>/dev/null | awk '/"Error"/ {print $1; exit}')
  [ -n "$box" ] && break
  sleep 0.1
done
check "one box shows the failure" test -n "$box"
sleep 0.5
xdotool key --window "$box" Return 2>/dev/null
sleep 1
kill "$player" 2>/dev/null
wait "$player"
status=$?
echo "stderr: $(cat "$work/nogl.err")"
check "status 2 (was $status)" test "$status" -eq 2
check "stderr: the message, the reason and the hint in one line" \
  bash -c "[ \"\$(wc -l <'$work/nogl.err')\" -eq 1 ] && grep -q '^Create window failed!  .*OpenGL.*libgl1-mesa-dri' '$work/nogl.err'"
exit $fail
